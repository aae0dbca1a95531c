#!/usr/bin/env bash
# workflows/Snakefile on the example dataset with two cores, all four
# analyses with options of their own: every participant's jobs and the group
# jobs of Granger and connectivity run, and their derivatives are byte for
# byte those of one talvora-bids run per analysis and level over both
# participants; the group job asked for again gets the participants and the
# analysis's options and repeats no participant job; each participant job
# passes its threads on as --nthreads.
set -euo pipefail
make_study=$(realpath "$1") app=$(realpath "$2") snakefile=$(realpath "$3")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$make_study" --out "$tmp/bids" >/dev/null
atlas="$tmp/bids/derivatives/atlas/atlas-regions_dseg"
granger="--task granger --atlas $atlas.nii.gz --atlas-labels $atlas.tsv --reference-label 4"
connectivity="--task latency --atlas $atlas.nii.gz --atlas-labels $atlas.tsv"
# A fixed clock seeds the Granger plug-in's surrogates, so thresholds repeat.
export TALVORA_GCM_FIXED_CLOCK=1700000000
"$app" "$tmp/bids" "$tmp/one" participant --analysis latency --task latency >/dev/null
"$app" "$tmp/bids" "$tmp/one" participant --analysis distortion --task latency >/dev/null
# shellcheck disable=SC2086
{
  "$app" "$tmp/bids" "$tmp/one" participant --analysis granger $granger >/dev/null
  "$app" "$tmp/bids" "$tmp/one" group --analysis granger $granger >/dev/null
  "$app" "$tmp/bids" "$tmp/one" participant --analysis connectivity $connectivity >/dev/null
  "$app" "$tmp/bids" "$tmp/one" group --analysis connectivity $connectivity >/dev/null
}
cd "$tmp"
config=(bids_dir="$tmp/bids" output_dir="$tmp/flow" talvora_bids="$app"
  analyses=latency,granger,distortion,connectivity extra_latency="--task latency"
  extra_distortion="--task latency" extra_granger="$granger" extra_connectivity="$connectivity")
snakemake -s "$snakefile" --cores 2 --quiet --config "${config[@]}" >"$tmp/snakemake.txt" 2>&1 ||
  { cat "$tmp/snakemake.txt"; cat "$tmp"/flow/.snakemake-done/logs/*.log 2>/dev/null; exit 1; }
for analysis in latency granger distortion connectivity; do
  for sub in 01 02; do
    test -f "$tmp/flow/.snakemake-done/sub-${sub}_${analysis}.done" || { echo "no job sub-$sub $analysis"; exit 1; }
  done
done
for analysis in granger connectivity; do
  test -f "$tmp/flow/.snakemake-done/group_${analysis}.done" || { echo "no group job $analysis"; exit 1; }
done
if ls "$tmp"/flow/.snakemake-done/group_{latency,distortion}.done >/dev/null 2>&1; then
  echo "a group job ran for an analysis without a group level"
  exit 1
fi
# Every derivative but the kept host logs (they hold the run's own paths).
count=0
while IFS= read -r file; do
  cmp "$tmp/one/$file" "$tmp/flow/$file"
  count=$((count + 1))
done < <(cd "$tmp/one" && find . -type f -not -path '*/log/*')
flow_count=$(cd "$tmp/flow" && find . -type f -not -path '*/log/*' -not -path './.snakemake-done/*' | wc -l)
if [ "$count" -lt 40 ] || [ "$count" -ne "$flow_count" ]; then
  echo "expected the same derivatives (at least 40): $count sequential, $flow_count from the workflow"
  exit 1
fi
echo "snakemake workflow: $count derivatives equal to the sequential runs'"

# Asked for again, the group job gets the participants with the analysis's
# own options and repeats no participant job that is done.
rm "$tmp/flow/.snakemake-done/group_granger.done"
snakemake -s "$snakefile" --cores 2 --dry-run --printshellcmds --config "${config[@]}" \
  >"$tmp/dry.txt" 2>&1 || { cat "$tmp/dry.txt"; exit 1; }
expected="$app $tmp/bids $tmp/flow group --analysis granger --participant-label 01 02 $granger"
grep -qF -- "$expected" "$tmp/dry.txt" || { echo "no group command \"$expected\" in:"; cat "$tmp/dry.txt"; exit 1; }
if grep -q -- "participant --analysis" "$tmp/dry.txt"; then
  echo "the dry run repeats participant jobs that are done:"
  cat "$tmp/dry.txt"
  exit 1
fi
echo "snakemake workflow: the group job runs after the participants' jobs with the analysis's options"

# Each participant job declares the configured threads (1 unless given) and
# passes them on as --nthreads; Snakemake gives a job no more than --cores.
fresh=(bids_dir="$tmp/bids" output_dir="$tmp/fresh" talvora_bids="$app" extra="--task latency")
for case in "2 threads=2 --nthreads 2" "2 - --nthreads 1" "1 threads=2 --nthreads 1"; do
  read -r cores setting expected <<<"$case"
  extra_config=()
  [ "$setting" != "-" ] && extra_config=("$setting")
  snakemake -s "$snakefile" --cores "$cores" --dry-run --printshellcmds --config "${fresh[@]}" "${extra_config[@]}" \
    >"$tmp/threads.txt" 2>&1 || { cat "$tmp/threads.txt"; exit 1; }
  count=$(grep -c -- "participant --analysis latency --participant-label 0[12] $expected " "$tmp/threads.txt" || true)
  [ "$count" -eq 2 ] || { echo "cores $cores, $setting: expected two jobs with \"$expected\" in:"; cat "$tmp/threads.txt"; exit 1; }
done
echo "snakemake workflow: participant jobs pass their threads on as --nthreads"
