#!/usr/bin/env bash
# The main job: builds, loads the four plug-ins into the stand-in host and
# prints their names, versions and bound host functions; then maps response
# latencies of a generated study and computes the graph measures of
# generated connectivity subjects.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh"
cd "$root/build"
./talvora info LatmapPlugin CausalisPlugin_v27 Mirel_r122 Nodora

# Latency mapping: a synthetic study with known response timing, the runs
# of the three access modes on it (the job files docs/latency.md shows), and
# per region the true beside the estimated measures.
rm -rf example-study
./talvora-make-study --out example-study >/dev/null
for mode in 1 2 3; do
  ./talvora run "example-study/job_mode$mode.json"
done
echo
echo "Voxel-wise runs: the voxel of every region in example-study/out_mode2/AvgTrials_Regions.csv and out_mode3/"
echo
echo "Latency mapping of build/example-study (true vs estimated, mean over the VTCs):"
./latency-compare example-study/truth.json example-study/out_mode1/AvgTrials_Results.txt

# Graph analysis: example subjects (one analysed per protocol condition, one
# without a protocol) and every graph measure of their matrices.
rm -rf graph-example
python3 "$root/tools/make_graph_example.py" graph-example >/dev/null
echo
./graph/nodora-measures graph-example/*/*_manifest.json

# Granger causality mapping: a generated study with known truth (reference
# region, driven, driving, instantaneous and independent voxels), every form
# command of the plug-in through the stand-in host (settings file installed
# beside the plug-in), and per kind of voxel the measures beside the truth.
rm -rf gcm-study
./talvora-make-gcm-study --out gcm-study >/dev/null
cp gcm-study/VUVIrurar.ini plugins/VUVIrurar.ini
./talvora run gcm-study/job_gcm.json >gcm-study/run_output.txt
echo
ls gcm-study/RFX-*.vmp
./talvora-gcm-study-summary gcm-study

# Distortion correction: a phantom with a known displacement field; the
# estimate command (with undistortion of both inputs) on each pair, and
# inside the object the displacement error and similarity before and after.
rm -rf phantom
./talvora-make-phantom --out phantom >/dev/null
echo
echo "Distortion correction of build/phantom (phase encoding AP/PA and LR/RL, peak field 2, 5, 8 voxels):"
for pair in ap_pa_sev2:run_ap:run_pa ap_pa_sev5:run_ap:run_pa ap_pa_sev8:run_ap:run_pa lr_rl_sev5:run_lr:run_rl; do
  IFS=: read -r set first second <<<"$pair"
  start=$(date +%s.%N)
  ./talvora run "phantom/$set/job_estimate.json" >"phantom/$set/run.txt"
  end=$(date +%s.%N)
  ./talvora-eval-distortion "phantom/$set" "$first.fmr" "$second.fmr"
  grep -E "Time taken|Inverse consistency" "phantom/$set/run.txt" | sed 's/^/  /'
  awk -v s="$start" -v e="$end" 'BEGIN { printf "  run time of \"estimate\" with undistortion: %.1f s\n", e - s }'
done

# The BIDS App: the latency example study as a BIDS dataset (NIfTI runs,
# events, an atlas of the response regions), talvora-bids at the participant
# level on both participants, and per region the truth beside the medians of
# the latency maps it wrote.
rm -rf bids-study bids-out
./talvora-make-bids-study --out bids-study >/dev/null
echo
./talvora-bids bids-study bids-out participant --analysis latency
echo "Latency maps in build/bids-out (true vs estimated, per participant and region):"
./talvora-bids-latency-summary bids-study bids-out
