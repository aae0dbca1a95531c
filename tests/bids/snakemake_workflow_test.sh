#!/usr/bin/env bash
# workflows/Snakefile on the example dataset with two cores, the latency and
# Granger analyses with options of their own: every participant's jobs run,
# their derivatives are byte for byte those of one talvora-bids run per
# analysis over both participants, no group job runs by default, and the
# group job asked for gets the participants and the analysis's options.
set -euo pipefail
make_study=$(realpath "$1") app=$(realpath "$2") snakefile=$(realpath "$3")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$make_study" --out "$tmp/bids" >/dev/null
atlas="$tmp/bids/derivatives/atlas/atlas-regions_dseg"
granger="--task granger --atlas $atlas.nii.gz --atlas-labels $atlas.tsv --reference-label 4"
# A fixed clock seeds the Granger plug-in's surrogates, so thresholds repeat.
export TALVORA_GCM_FIXED_CLOCK=1700000000
"$app" "$tmp/bids" "$tmp/one" participant --analysis latency --task latency >/dev/null
# shellcheck disable=SC2086
"$app" "$tmp/bids" "$tmp/one" participant --analysis granger $granger >/dev/null
cd "$tmp"
config=(bids_dir="$tmp/bids" output_dir="$tmp/flow" talvora_bids="$app" analyses=latency,granger
  extra_latency="--task latency" extra_granger="$granger")
snakemake -s "$snakefile" --cores 2 --quiet --config "${config[@]}" >"$tmp/snakemake.txt" 2>&1 ||
  { cat "$tmp/snakemake.txt"; cat "$tmp"/flow/.snakemake-done/logs/*.log 2>/dev/null; exit 1; }
for sub in 01 02; do
  for analysis in latency granger; do
    test -f "$tmp/flow/.snakemake-done/sub-${sub}_${analysis}.done" || { echo "no job sub-$sub $analysis"; exit 1; }
  done
done
if ls "$tmp"/flow/.snakemake-done/group_* >/dev/null 2>&1; then
  echo "a group job ran although no analysis has a group level by default"
  exit 1
fi
count=0
while IFS= read -r file; do
  cmp "$tmp/one/$file" "$tmp/flow/$file"
  count=$((count + 1))
done < <(cd "$tmp/one" && find . -name '*.nii.gz' -o -name '*_statmap.json' -o -name dataset_description.json)
if [ "$count" -ne 9 ]; then
  echo "expected 9 derivatives to compare, found $count"
  exit 1
fi
echo "snakemake workflow: $count derivatives equal to the sequential runs'"

# Asked for, the group job waits for the participants' jobs and gets them
# with the analysis's own options (a dry run: no group level runs yet).
snakemake -s "$snakefile" --cores 2 --dry-run --printshellcmds --config "${config[@]}" group_analyses=granger \
  >"$tmp/dry.txt" 2>&1 || { cat "$tmp/dry.txt"; exit 1; }
expected="$app $tmp/bids $tmp/flow group --analysis granger --participant-label 01 02 $granger"
grep -qF -- "$expected" "$tmp/dry.txt" || { echo "no group command \"$expected\" in:"; cat "$tmp/dry.txt"; exit 1; }
if grep -q -- "participant --analysis" "$tmp/dry.txt"; then
  echo "the dry run repeats participant jobs that are done:"
  cat "$tmp/dry.txt"
  exit 1
fi
echo "snakemake workflow: the group job runs after the participants' jobs with the analysis's options"
