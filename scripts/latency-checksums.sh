#!/usr/bin/env bash
# Checksums of every file the latency plug-in writes on generated studies:
# the example study (three access modes, factor 1) and a voxel-wise study at
# interpolation factor 4 with single-trial analysis. Run it before and after
# a change that must not alter any output byte, and compare the two lists.
# Use the same folder both times: logs and result files name the VTC paths.
#   scripts/latency-checksums.sh build > before.txt
#   ... change, rebuild ...
#   scripts/latency-checksums.sh build > after.txt
#   diff before.txt after.txt
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
work="${2:-${TMPDIR:-/tmp}/latency-checksums}"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

run_study() {
  local name=$1
  shift
  "$build/talvora-make-study" --out "$name" "$@" >/dev/null
  for job in "$name"/job_mode*.json; do
    "$build/talvora" run "$job" >"$job.log" 2>&1
  done
}

run_study example-study
run_study voxelwise-f4 --voxelwise-mask-size 1500 --factor 4 --vtcs 2 --seed 7
# The same study with single-trial analysis answered yes in every job.
"$build/talvora-make-study" --out single-trial --regions 4 --factor 2 --seed 3 >/dev/null
for job in single-trial/job_mode*.json; do
  python3 - "$job" <<'PY'
import json, sys
path = sys.argv[1]
job = json.load(open(path))
for answer in job["answers"]:
    if "single-trial" in answer["expect"]:
        answer["value"] = True
        index = job["answers"].index(answer)
        break
# Single-trial analysis asks the confidence level after the factor question.
job["answers"].insert(index + 1 + (1 if any("Interpolation before" in a["expect"] for a in job["answers"]) else 0),
                      {"expect": "Please enter confidence level", "value": 0.05})
json.dump(job, open(path, "w"), indent=2)
PY
  "$build/talvora" run "$job" >"$job.log" 2>&1
done

find . -type f ! -name '*.vtc' ! -name '*.vmr' ! -name '*.msk' ! -name '*.prt' ! -name '*.voi' \
  ! -name '*.glm' ! -name 'truth.json' ! -name 'job_*.json' -newer example-study/truth.json -print0 |
  sort -z | xargs -0 sha256sum
