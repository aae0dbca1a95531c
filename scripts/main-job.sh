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

# The example BIDS dataset: two participants, each with the task "latency"
# (two runs of the latency example study) and the task "granger" (a run of
# the Granger study), events, one atlas of both tasks' regions and the truth.
# The sections below all work on it.
rm -rf bids-example
./talvora-make-bids-study --out bids-example/bids >/dev/null
bids=bids-example/bids
out=bids-example/out
atlas=$bids/derivatives/atlas/atlas-regions_dseg
echo
echo "Example BIDS dataset build/$bids (atlas for --atlas/--atlas-labels: build/$atlas.nii.gz, .tsv)"

# Real-data formats: sub-01's latency runs, their events and the atlas
# converted with `talvora convert`, analysed by the latency plug-in (the
# VOI-based job of the latency example study) and its maps converted back to
# NIfTI.
(
  cd bids-example
  func=bids/sub-01/func
  lat=converted/latency
  mkdir -p "$lat"
  for run in 1 2; do
    ../talvora convert "$func/sub-01_task-latency_run-${run}_bold.nii.gz" "$lat/run$run.vtc" >/dev/null
    ../talvora convert "$func/sub-01_task-latency_run-${run}_events.tsv" "$lat/run$run.prt" >/dev/null
  done
  ../talvora convert bids/derivatives/atlas/atlas-regions_dseg.nii.gz "$lat/study.voi" \
    --labels bids/derivatives/atlas/atlas-regions_dseg.tsv --like "$lat/run1.vtc" >/dev/null
  python3 - "$lat" ../example-study/job_mode1.json <<'PY'
import json, sys
folder, source = sys.argv[1], sys.argv[2]
job = json.load(open(source))
job["documents"]["vmr"] = "run1.vmr"
job["documents"]["protocols"] = {"run1.vtc": "run1.prt", "run2.vtc": "run2.prt"}
json.dump(job, open(folder + "/job_mode1.json", "w"), indent=1)
PY
  ../talvora run "$lat/job_mode1.json" >"$lat/run_output.txt"
  ../talvora convert "$lat/out_mode1/latency_mode1.blm" latency_maps.nii.gz --like "$lat/run1.vtc" >/dev/null
  python3 -c 'import json, sys; json.dump(json.load(open(sys.argv[1]))["sub-01"]["latency"], open(sys.argv[2], "w"))' \
    bids/truth.json "$lat/truth.json"
)
echo "Latency mapping of sub-01's runs converted by talvora convert (true vs estimated):"
./latency-compare bids-example/converted/latency/truth.json bids-example/converted/latency/out_mode1/AvgTrials_Results.txt
echo "NIfTI results (with JSON sidecars naming the maps): build/bids-example/latency_maps.nii.gz"

# The BIDS App's latency analysis at the participant level: per region the
# truth beside the medians of the latency maps over the region's atlas voxels.
echo
./talvora-bids "$bids" "$out" participant --analysis latency --task latency | tail -1
echo "Latency maps of talvora-bids in build/$out (true vs estimated, per participant and region):"
./talvora-bids-latency-summary "$bids" "$out"

# The BIDS App's Granger analysis at the participant level: each
# participant's run, events and the atlas's reference region converted, the
# plug-in run, its maps back as NIfTI; per kind of voxel the mean dGCM and
# the share past the q = 0.05 threshold beside the model's direction.
./talvora-bids "$bids" "$out" participant --analysis granger --task granger \
  --atlas "$atlas.nii.gz" --atlas-labels "$atlas.tsv" --reference-label 4 | tail -1
echo "Granger maps of talvora-bids in build/$out (model: driven dGCM > 0, driving < 0,"
echo "instantaneous and independent near 0; per participant and kind the mean dGCM, voxels past q = 0.05):"
python3 - "$bids/truth.json" "$out" <<'PY'
import gzip, json, struct, sys
truth, out = json.load(open(sys.argv[1])), sys.argv[2]
for sub, tasks in truth.items():
    t = tasks["granger"]
    nx, ny, nz = t["grid"]
    n = nx * ny * nz
    base = f"{out}/{sub}/func/{sub}_task-granger_desc-granger_statmap"
    raw = gzip.open(base + ".nii.gz").read()
    offset = int(struct.unpack_from("<f", raw, 108)[0])
    values = struct.unpack_from(f"<{2 * n}f", raw, offset)
    thres = json.load(open(base + ".json"))["Maps"][1]["FdrThresholds"][1]
    kinds = {}
    for i, kind in enumerate(t["voxel_kinds"]):
        x, rest = i % nx, i // nx
        kinds.setdefault(kind, []).append(values[n + rest * nx + nx - 1 - x])  # stored x flipped
    print(f"  {sub}:", ", ".join(f"{k} dGCM {sum(v) / len(v):.1f} ({sum(abs(d) >= thres for d in v)}/{len(v)} past)"
                              for k, v in sorted(kinds.items()) if k != "reference"))
PY

# The Granger group level on the Granger output above: the participants'
# kept map files gathered by the plug-in into two group images (one volume
# per participant); per participant the group image's mean dGCM over driven
# and driving voxels beside that of the participant's own maps (equal when
# the group gathered the right maps in the right order).
echo
./talvora-bids "$bids" "$out" group --analysis granger --task granger | tail -1
echo "Granger group maps in build/$out/group (mean dGCM: group image / participant's maps):"
python3 - "$bids/truth.json" "$out" <<'PY'
import gzip, json, struct, sys
truth, out = json.load(open(sys.argv[1])), sys.argv[2]

def volumes(path, count, n):
    raw = gzip.open(path).read()
    offset = int(struct.unpack_from("<f", raw, 108)[0])
    values = struct.unpack_from(f"<{count * n}f", raw, offset)
    return [values[v * n:(v + 1) * n] for v in range(count)]

def mean_by_kind(t, values, wanted):
    nx = t["grid"][0]
    picked = [values[(i // nx) * nx + nx - 1 - i % nx]  # stored x flipped
              for i, kind in enumerate(t["voxel_kinds"]) if kind.startswith(wanted)]
    return sum(picked) / len(picked)

sidecar = json.load(open(f"{out}/group/task-granger_desc-grangerdGCM_statmap.json"))
first = truth[sidecar["Participants"][0]]["granger"]
n = first["grid"][0] * first["grid"][1] * first["grid"][2]
group = volumes(f"{out}/group/task-granger_desc-grangerdGCM_statmap.nii.gz", len(sidecar["Participants"]), n)
for s, participant in enumerate(sidecar["Participants"]):
    t = truth[participant]["granger"]
    own = volumes(f"{out}/{participant}/func/{participant}_task-granger_desc-granger_statmap.nii.gz", 2, n)[1]
    print(f"  {participant}:", ", ".join(f"{kind} {mean_by_kind(t, group[s], kind):.2f} / {mean_by_kind(t, own, kind):.2f}"
                                       for kind in ("driven", "driving")))
PY

# The BIDS App's distortion analysis: each participant's AP/PA field-map pair
# (the phantom's known field on the grid of the latency runs) estimated by
# the distortion plug-in, the field written in Hz and the runs undistorted;
# per participant the recovered field against the truth inside the object.
echo
./talvora-bids "$bids" "$out" participant --analysis distortion --task latency | tail -1
echo "Field maps in build/$out (recovered vs true field inside the object):"
./talvora-bids-distortion-summary "$bids" "$out"

# The BIDS App's connectivity graphs: per participant the atlas regions' mean
# time courses over the volumes of each condition, their correlation
# matrices, a study manifest the graph plug-in opens and the graph measures;
# then the group manifest and measures across both participants.
echo
./talvora-bids "$bids" "$out" participant --analysis connectivity --task latency \
  --atlas "$atlas.nii.gz" --atlas-labels "$atlas.tsv" | tail -1
./talvora-bids "$bids" "$out" group --analysis connectivity --task latency | tail -1
echo "Connectivity of sub-01, condition \"Event\" (Pearson correlations of the region time courses):"
sed 's/^/  /' "$out/sub-01/func/sub-01_task-latency_desc-connectivityEvent_relmat.tsv"
echo "Study manifests (open them with the graph plug-in, or graph/nodora-measures):"
echo "  build/$out/sub-01/func/sub-01_task-latency_desc-connectivity_manifest.json"
echo "  build/$out/task-latency_desc-connectivity_manifest.json (group)"
echo "Graph measures:"
echo "  build/$out/sub-01/func/sub-01_task-latency_desc-connectivity_measures.tsv"
echo "  build/$out/task-latency_desc-connectivity_measures.tsv (group)"

# Further analyses of the example dataset follow here, each in a section of
# its own using $bids, $out and $atlas.
