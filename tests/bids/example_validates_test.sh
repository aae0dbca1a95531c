#!/usr/bin/env bash
# The example dataset passes the BIDS validator with no error (its warnings
# are printed), and the validator does find a fault put into a copy: a task
# sidecar without "TaskName" and a run whose TR disagrees with its header.
set -euo pipefail
make_study=$(realpath "$1") validator=$(realpath "$2")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$make_study" --out "$tmp/bids" >/dev/null
status=0
"$validator" --verbose "$tmp/bids" >"$tmp/report.txt" 2>&1 || status=$?
cat "$tmp/report.txt"
if [ "$status" -ne 0 ] || grep -q '\[ERR\]' "$tmp/report.txt"; then
  echo "the example dataset does not pass the BIDS validator (status $status)"
  exit 1
fi
grep -q "2 - Subjects" "$tmp/report.txt" || { echo "the validator did not see both participants"; exit 1; }

cp -r "$tmp/bids" "$tmp/broken"
printf '{\n  "RepetitionTime": 3.0\n}\n' >"$tmp/broken/task-granger_bold.json"
if "$validator" "$tmp/broken" >"$tmp/broken.txt" 2>&1; then
  cat "$tmp/broken.txt"
  echo "the validator passed a dataset whose granger sidecar lacks TaskName and disagrees with the TR"
  exit 1
fi
grep -q "TaskName" "$tmp/broken.txt" || { cat "$tmp/broken.txt"; echo "no TaskName error"; exit 1; }
echo "BIDS validator: the example dataset passes; a broken copy does not"
