#!/usr/bin/env bash
# workflows/Snakefile on the generated BIDS study with two cores: both
# participants' jobs run, and their derivatives are byte for byte those of
# one talvora-bids run over both participants.
set -euo pipefail
make_study=$(realpath "$1") app=$(realpath "$2") snakefile=$(realpath "$3")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$make_study" --out "$tmp/bids" >/dev/null
"$app" "$tmp/bids" "$tmp/one" participant --analysis latency >/dev/null
cd "$tmp"
snakemake -s "$snakefile" --cores 2 --quiet \
  --config bids_dir="$tmp/bids" output_dir="$tmp/flow" talvora_bids="$app" >"$tmp/snakemake.txt" 2>&1 ||
  { cat "$tmp/snakemake.txt"; exit 1; }
for sub in 01 02; do
  test -f "$tmp/flow/.snakemake-done/sub-${sub}_latency.done"
done
count=0
while IFS= read -r file; do
  cmp "$tmp/one/$file" "$tmp/flow/$file"
  count=$((count + 1))
done < <(cd "$tmp/one" && find . -name '*.nii.gz' -o -name '*_statmap.json' -o -name dataset_description.json)
if [ "$count" -ne 5 ]; then
  echo "expected 5 derivatives to compare, found $count"
  exit 1
fi
echo "snakemake workflow: $count derivatives equal to the sequential run's"
