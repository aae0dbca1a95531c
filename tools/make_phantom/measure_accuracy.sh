#!/usr/bin/env bash
# Accuracy of each cost mode of the distortion estimate on the phantoms of
# talvora-make-phantom: for every folder (peaks 2, 5, 8 along y, 5 along x)
# and every mode (NCC with and without intensity correction, SSD), runs
# "estimate" through the stand-in host and prints the displacement error
# inside the object (median and 95th percentile, voxels) as a Markdown table.
#
# usage: tools/make_phantom/measure_accuracy.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
build=${1:?usage: measure_accuracy.sh BUILD_DIR [WORK_DIR]}
work=${2:-$build/accuracy}
rm -rf "$work"
"$build/talvora-make-phantom" --out "$work" >/dev/null

job() {  # folder first second rllr use_ssd use_ic
    printf '{"plugin": "Mirel_r122", "documents": {"fmr": "%s"}, "commands": [{"command": "estimate", "parameters": {"file0": "%s", "file1": "%s", "volume0": 0, "volume1": 0, "rllr": %s, "use_ic": %s, "use_ssd": %s, "apply_to_input": 1, "save_derivative": 0, "order": 0}}]}\n' \
        "$2" "$2" "$3" "$4" "$6" "$5" >"$1/job_accuracy.json"
    "$build/talvora" run "$1/job_accuracy.json" --plugins-dir "$build/plugins" >"$1/job_accuracy.log" 2>&1
    "$build/talvora-eval-distortion" "$1" "$2" "$3" | sed -n 's/.*after: *median \([0-9.]*\), 95th percentile \([0-9.]*\).*/\1 \2/p'
}

echo "| phantom | no correction | NCC | NCC + intensity correction | SSD |"
echo "|---|---|---|---|---|"
for set in ap_pa_sev2 ap_pa_sev5 ap_pa_sev8 lr_rl_sev5; do
    dir="$work/$set"
    if [[ $set == lr_* ]]; then a=run_lr.fmr b=run_rl.fmr rllr=1; else a=run_ap.fmr b=run_pa.fmr rllr=0; fi
    row="| $set |"
    before=""
    for mode in "0 0" "0 1" "1 0"; do
        read -r ssd ic <<<"$mode"
        read -r median p95 < <(job "$dir" "$a" "$b" "$rllr" "$ssd" "$ic")
        if [[ -z $before ]]; then
            before=$("$build/talvora-eval-distortion" "$dir" "$a" "$b" | sed -n 's/.*before: median \([0-9.]*\), 95th percentile \([0-9.]*\).*/\1 \/ \2/p')
            row="$row $before |"
        fi
        row="$row $median / $p95 |"
    done
    echo "$row"
done
