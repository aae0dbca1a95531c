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

# Real-data formats: the generated latency and Granger studies written as
# BIDS (NIfTI BOLD runs stored left-right flipped, events tables, the regions
# as a label image), converted back with `talvora convert`, analysed by the
# latency and Granger plug-ins, and their maps converted back to NIfTI.
rm -rf bids-example
mkdir -p bids-example/converted/latency
./talvora-study-to-bids --out bids-example/bids --sub 01 --task latency --voi example-study/study.voi \
  example-study/run1.vtc example-study/run2.vtc >/dev/null
for s in S01 S02 S03; do
  voi=(); [ "$s" = S01 ] && voi=(--voi gcm-study/reference.voi)
  ./talvora-study-to-bids --out bids-example/bids --sub "$s" --task granger "${voi[@]}" "gcm-study/$s/run1.vtc" >/dev/null
done
(
  cd bids-example
  bids=bids/sub-01
  lat=converted/latency
  for run in 1 2; do
    ../talvora convert "$bids/func/sub-01_task-latency_run-${run}_bold.nii.gz" "$lat/run$run.vtc" >/dev/null
  done
  ../talvora convert "$bids/func/sub-01_task-latency_run-1_events.tsv" "$lat/study.prt" >/dev/null
  ../talvora convert "$bids/anat/sub-01_task-latency_dseg.nii.gz" "$lat/study.voi" --like "$lat/run1.vtc" >/dev/null
  python3 - "$lat" ../example-study/job_mode1.json <<'PY'
import json, sys
folder, source = sys.argv[1], sys.argv[2]
job = json.load(open(source))
job["documents"]["vmr"] = "run1.vmr"
job["documents"]["protocols"] = {"run1.vtc": "study.prt", "run2.vtc": "study.prt"}
json.dump(job, open(folder + "/job_mode1.json", "w"), indent=1)
PY
  ../talvora run "$lat/job_mode1.json" >"$lat/run_output.txt"
  ../talvora convert "$lat/out_mode1/latency_mode1.blm" latency_maps.nii.gz --like "$lat/run1.vtc" >/dev/null

  gcm=converted/granger
  for s in S01 S02 S03; do
    mkdir -p "$gcm/$s"
    ../talvora convert "bids/sub-$s/func/sub-${s}_task-granger_run-1_bold.nii.gz" "$gcm/$s/run1.vtc" >/dev/null
    ../talvora convert "bids/sub-$s/func/sub-${s}_task-granger_run-1_events.tsv" "$gcm/$s/study.prt" >/dev/null
  done
  ../talvora convert bids/sub-S01/anat/sub-S01_task-granger_dseg.nii.gz "$gcm/reference.voi" \
    --like "$gcm/S01/run1.vtc" >/dev/null
  python3 - "$gcm" ../gcm-study/job_gcm.json <<'PY'
import json, sys
folder, source = sys.argv[1], sys.argv[2]
job = json.load(open(source))
job["documents"] = {"vmr": "S01/run1.vmr",
                    "protocols": {f"{s}/run1.vtc": f"{s}/study.prt" for s in ("S01", "S02", "S03")}}
json.dump(job, open(folder + "/job_gcm.json", "w"), indent=1)
PY
  ../talvora run "$gcm/job_gcm.json" >"$gcm/run_output.txt"
  for vmp in "$gcm"/S01/RFX-*.vmp; do
    name=$(basename "$vmp" .vmp)
    ../talvora convert "$vmp" "granger_$name.nii.gz" --like "$gcm/S01/run1.vtc" >/dev/null
  done
)
echo
echo "BIDS example (build/bids-example/bids) converted, analysed and converted back:"
echo "Latency mapping of the converted runs (true vs estimated):"
./latency-compare example-study/truth.json bids-example/converted/latency/out_mode1/AvgTrials_Results.txt
echo "NIfTI results (with JSON sidecars naming the maps):"
ls bids-example/*.nii.gz | sed 's/^/  build\//'

# The BIDS App's Granger analysis on the same dataset: each participant's
# runs, events and the reference region of the atlas converted, the plug-in
# run, its maps back as NIfTI; per kind of voxel the mean dGCM and the
# share past the q = 0.05 threshold beside the model's direction.
atlas=bids-example/bids/sub-S01/anat/sub-S01_task-granger_dseg
./talvora-bids bids-example/bids bids-example/granger-out participant --analysis granger --task granger \
  --participant-label S01 S02 S03 --atlas "$atlas.nii.gz" --atlas-labels "$atlas.tsv" --reference-label 1 | tail -1
echo "Granger maps of talvora-bids in build/bids-example/granger-out (model: driven dGCM > 0, driving < 0,"
echo "instantaneous and independent near 0; per participant and kind the mean dGCM, voxels past q = 0.05):"
python3 - gcm-study/truth.json bids-example/granger-out <<'PY'
import gzip, json, struct, sys
truth, out = json.load(open(sys.argv[1])), sys.argv[2]
nx, ny, nz = truth["grid"]
n = nx * ny * nz
for s in ("S01", "S02", "S03"):
    base = f"{out}/sub-{s}/func/sub-{s}_task-granger_desc-granger_statmap"
    raw = gzip.open(base + ".nii.gz").read()
    offset = int(struct.unpack_from("<f", raw, 108)[0])
    values = struct.unpack_from(f"<{2 * n}f", raw, offset)
    thres = json.load(open(base + ".json"))["Maps"][1]["FdrThresholds"][1]
    kinds = {}
    for i, kind in enumerate(truth["voxel_kinds"]):
        x, rest = i % nx, i // nx
        kinds.setdefault(kind, []).append(values[n + rest * nx + nx - 1 - x])  # stored x flipped
    print(f"  sub-{s}:", ", ".join(f"{k} dGCM {sum(v) / len(v):.1f} ({sum(abs(d) >= thres for d in v)}/{len(v)} past)"
                                  for k, v in sorted(kinds.items()) if k != "reference"))
PY

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

# The Granger group level on the Granger output above: the participants'
# kept map files gathered by the plug-in into two group images (one volume
# per participant); per participant the group image's mean dGCM over driven
# and driving voxels beside that of the participant's own maps (equal when
# the group gathered the right maps in the right order).
echo
./talvora-bids bids-example/bids bids-example/granger-out group --analysis granger --task granger | tail -1
echo "Granger group maps in build/bids-example/granger-out/group (mean dGCM: group image / participant's maps):"
python3 - gcm-study/truth.json bids-example/granger-out <<'PY'
import gzip, json, struct, sys
truth, out = json.load(open(sys.argv[1])), sys.argv[2]
nx, ny, nz = truth["grid"]
n = nx * ny * nz

def volumes(path, count):
    raw = gzip.open(path).read()
    offset = int(struct.unpack_from("<f", raw, 108)[0])
    values = struct.unpack_from(f"<{count * n}f", raw, offset)
    return [values[v * n:(v + 1) * n] for v in range(count)]

def mean_by_kind(values, wanted):
    picked = [values[(i // nx) * nx + nx - 1 - i % nx]  # stored x flipped
              for i, kind in enumerate(truth["voxel_kinds"]) if kind.startswith(wanted)]
    return sum(picked) / len(picked)

sidecar = json.load(open(f"{out}/group/task-granger_desc-grangerdGCM_statmap.json"))
group = volumes(f"{out}/group/task-granger_desc-grangerdGCM_statmap.nii.gz", len(sidecar["Participants"]))
for s, participant in enumerate(sidecar["Participants"]):
    own = volumes(f"{out}/{participant}/func/{participant}_task-granger_desc-granger_statmap.nii.gz", 2)[1]
    print(f"  {participant}:", ", ".join(f"{kind} {mean_by_kind(group[s], kind):.2f} / {mean_by_kind(own, kind):.2f}"
                                       for kind in ("driven", "driving")))
PY
# The BIDS App's distortion analysis on the same dataset: each participant's
# AP/PA field-map pair (the phantom's known field on the grid of the BOLD
# run) estimated by the distortion plug-in, the field written in Hz and the
# BOLD run undistorted; per participant the recovered field against the
# truth inside the phantom's object.
rm -rf bids-distortion-out
./talvora-bids bids-study bids-distortion-out participant --analysis distortion | tail -1
echo "Field maps in build/bids-distortion-out (recovered vs true field inside the object):"
./talvora-bids-distortion-summary bids-study bids-distortion-out
# The BIDS App's connectivity graphs on the example dataset: per participant
# the atlas regions' mean time courses over the volumes of each condition,
# their correlation matrices, a study manifest the graph plug-in opens and
# the graph measures; then the group manifest and measures across both.
rm -rf bids-connectivity
./talvora-make-bids-study --out bids-connectivity/bids >/dev/null
./talvora-bids bids-connectivity/bids bids-connectivity/out participant --analysis connectivity --task latency \
  --atlas bids-connectivity/bids/sub-01/anat/sub-01_desc-regions_dseg.nii.gz \
  --atlas-labels bids-connectivity/bids/desc-regions_dseg.tsv
./talvora-bids bids-connectivity/bids bids-connectivity/out group --analysis connectivity --task latency
echo "Connectivity of sub-01, condition \"Event\" (Pearson correlations of the region time courses):"
sed 's/^/  /' bids-connectivity/out/sub-01/func/sub-01_task-latency_desc-connectivityEvent_relmat.tsv
echo "Study manifests (open them with the graph plug-in, or graph/nodora-measures):"
echo "  build/bids-connectivity/out/sub-01/func/sub-01_task-latency_desc-connectivity_manifest.json"
echo "  build/bids-connectivity/out/task-latency_desc-connectivity_manifest.json (group)"
echo "Graph measures:"
echo "  build/bids-connectivity/out/sub-01/func/sub-01_task-latency_desc-connectivity_measures.tsv"
echo "  build/bids-connectivity/out/task-latency_desc-connectivity_measures.tsv (group)"
