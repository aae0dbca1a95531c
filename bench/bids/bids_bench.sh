#!/bin/bash
# Times talvora-bids at the participant level against the plug-in's own run,
# and the Snakemake workflow with one and two cores against the participants
# run one after the other.
#
#   bench/bids/bids_bench.sh BUILD_DIR [--repeat N] [--datasets "example large large-nii"] [--analyses "latency granger"] [--no-snakemake] [--keep DIR]
#
# Datasets: "example" is talvora-make-bids-study (both tasks and the atlas,
# as the main job makes them); "large" is
# make_bids_bench_dataset (two participants, 64 x 64 x 32 voxels, runs of
# about 200 volumes); "large-nii" is that dataset with its runs gunzipped
# (what the app costs apart from decompressing its input). Every figure is
# the median of N runs (default 5) with the fastest and slowest beside it,
# in seconds of wall-clock time and of CPU time (user + system of the
# process and its children; on a busy machine the steadier figure).
set -euo pipefail

if [ $# -lt 1 ]; then
    sed -n '2,14p' "$0"
    exit 2
fi
BUILD=$(cd "$1" && pwd)
shift
SRC=$(cd "$(dirname "$0")/../.." && pwd)
REPEAT=5
DATASETS="example large large-nii"
ANALYSES="latency granger"
SNAKEMAKE=1
KEEP=""
while [ $# -gt 0 ]; do
    case "$1" in
        --repeat) REPEAT=$2; shift 2 ;;
        --datasets) DATASETS=$2; shift 2 ;;
        --analyses) ANALYSES=$2; shift 2 ;;
        --no-snakemake) SNAKEMAKE=0; shift ;;
        --keep) KEEP=$2; shift 2 ;;
        -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
        *) echo "bids_bench: unknown option $1" >&2; exit 2 ;;
    esac
done

if [ -n "$KEEP" ]; then
    T=$KEEP
    mkdir -p "$T"
else
    T=$(mktemp -d /tmp/bids-bench.XXXXXX)
    trap 'rm -rf "$T"' EXIT
fi
APP=$BUILD/talvora-bids
HOST=$BUILD/talvora
export TALVORA_GCM_FIXED_CLOCK=1000000  # the same surrogates every run

# seconds COMMAND...: runs it (output to $T/last.log) and prints its wall
# time and its CPU time (user + system, with its children's), in seconds.
seconds() {
    /usr/bin/time -o "$T/time.txt" -f "%e %U %S" "$@" >"$T/last.log" 2>&1 ||
        { echo "bids_bench: failed: $*" >&2; cat "$T/last.log" >&2; exit 1; }
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$T/time.txt"
}

# summary [COLUMN]: reads times, prints "median s (fastest ... slowest)" of
# the wall times (column 1) or CPU times (column 2).
summary() {
    awk -v c="${1:-1}" '{ print $c }' | sort -g | awk '{ t[NR] = $1 } END {
        m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
        printf "%.3f s (%.3f ... %.3f)", m, t[1], t[NR] }'
}
median() {
    awk -v c="${1:-1}" '{ print $c }' | sort -g |
        awk '{ t[NR] = $1 } END { print NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

make_example() {
    [ -d "$T/example" ] && return
    "$BUILD/talvora-make-bids-study" --out "$T/example" >/dev/null
}

make_large() {
    [ -d "$T/large" ] && return
    "$BUILD/bench/bids/make_bids_bench_dataset" "$T/large" | tail -1
}

# The larger dataset with its runs stored uncompressed (.nii): what the app
# costs apart from decompressing its input.
make_large-nii() {
    [ -d "$T/large-nii" ] && return
    make_large
    cp -r "$T/large" "$T/large-nii"
    for run in "$T"/large-nii/sub-*/func/*_bold.nii.gz; do gunzip "$run"; done
}

# dataset analysis -> "BIDS_DIR|participants|options"
job_of() {
    case "$1/$2" in
        example/latency) echo "$T/example|01 02|--task latency" ;;
        example/granger)
            local atlas=$T/example/derivatives/atlas/atlas-regions_dseg
            echo "$T/example|01 02|--task granger --atlas $atlas.nii.gz --atlas-labels $atlas.tsv --reference-label 4" ;;
        large*/latency) echo "$T/$1|01 02|--task latency" ;;
        large*/granger)
            echo "$T/$1|01 02|--task granger --atlas $T/$1/atlas_dseg.nii.gz --atlas-labels $T/$1/atlas_dseg.tsv --reference-label 1 --condition Task" ;;
    esac
}

echo "talvora-bids benchmark: $REPEAT runs each, median (fastest ... slowest)"
echo "load before: $(uptime)"
for dataset in $DATASETS; do
    "make_$dataset"
    for analysis in $ANALYSES; do
        IFS='|' read -r bids labels options <<<"$(job_of "$dataset" "$analysis")"
        first=${labels%% *}
        : >"$T/app.times"
        : >"$T/plugin.times"
        for _ in $(seq "$REPEAT"); do
            rm -rf "$T/out" "$T/work"
            # shellcheck disable=SC2086
            seconds "$APP" "$bids" "$T/out" participant --analysis "$analysis" --participant-label "$first" \
                --work-dir "$T/work" $options >>"$T/app.times"
        done
        job=$T/work/sub-$first/$analysis/job.json
        for _ in $(seq "$REPEAT"); do
            seconds "$HOST" run "$job" --transcript "$T/work/transcript.json" >>"$T/plugin.times"
        done
        echo "$dataset $analysis, sub-$first:"
        echo "  talvora-bids $bids OUT participant --analysis $analysis --participant-label $first --work-dir W${options:+ $options}"
        echo "    wall $(summary 1 <"$T/app.times"), CPU $(summary 2 <"$T/app.times")"
        echo "  talvora run W/sub-$first/$analysis/job.json (the plug-in's own run)"
        echo "    wall $(summary 1 <"$T/plugin.times"), CPU $(summary 2 <"$T/plugin.times")"
        for column in 1 2; do
            app=$(median "$column" <"$T/app.times")
            plugin=$(median "$column" <"$T/plugin.times")
            awk -v a="$app" -v p="$plugin" -v what="$([ "$column" = 1 ] && echo wall || echo CPU)" 'BEGIN {
                printf "  overhead of the app (%s): %.3f s, %.1f %% of the plug-in run\n", what, a - p, 100 * (a - p) / p }'
        done
    done
done

if [ "$SNAKEMAKE" = 1 ]; then
    for dataset in $DATASETS; do
        for analysis in $ANALYSES; do
            IFS='|' read -r bids labels options <<<"$(job_of "$dataset" "$analysis")"
            read -r one two <<<"$labels"
            : >"$T/seq.times"
            : >"$T/c1.times"
            : >"$T/c2.times"
            : >"$T/nothing.times"
            for _ in $(seq "$REPEAT"); do
                rm -rf "$T/out"
                # shellcheck disable=SC2086
                seconds bash -c "'$APP' '$bids' '$T/out' participant --analysis $analysis --participant-label $one $options &&
                    '$APP' '$bids' '$T/out' participant --analysis $analysis --participant-label $two $options" \
                    >>"$T/seq.times"
                for cores in 1 2; do
                    rm -rf "$T/out" "$T/snake"
                    mkdir -p "$T/snake"
                    seconds bash -c "cd '$T/snake' && snakemake -s '$SRC/workflows/Snakefile' --cores $cores --quiet \
                        --config bids_dir='$bids' output_dir='$T/out' talvora_bids='$APP' analyses=$analysis \
                        participants=$one,$two ${options:+extra='$options'}" >>"$T/c$cores.times"
                done
                # Snakemake's own start-up: the same command once more, with nothing left to do.
                seconds bash -c "cd '$T/snake' && snakemake -s '$SRC/workflows/Snakefile' --cores 2 --quiet \
                    --config bids_dir='$bids' output_dir='$T/out' talvora_bids='$APP' analyses=$analysis \
                    participants=$one,$two ${options:+extra='$options'}" >>"$T/nothing.times"
            done
            seq=$(median <"$T/seq.times")
            c1=$(median <"$T/c1.times")
            c2=$(median <"$T/c2.times")
            nothing=$(median <"$T/nothing.times")
            echo "$dataset $analysis, sub-$one and sub-$two:"
            echo "  one after the other (two talvora-bids runs):  $(summary <"$T/seq.times") wall"
            echo "  snakemake --cores 1:                          $(summary <"$T/c1.times") wall"
            echo "  snakemake --cores 2:                          $(summary <"$T/c2.times") wall"
            echo "  snakemake with nothing to do (its start-up):  $(summary <"$T/nothing.times") wall"
            awk -v s="$seq" -v a="$c1" -v b="$c2" -v n="$nothing" 'BEGIN {
                printf "  --cores 2 takes %.2f of the one-after-the-other time, %.2f of --cores 1", b / s, b / a
                printf " (without the start-up: %.2f of the one-after-the-other time)\n", (b - n) / s }'
        done
    done
fi
echo "load after: $(uptime)"
