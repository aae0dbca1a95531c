#!/usr/bin/env python3
"""Writes example subjects for the graph plug-in (study manifests + CSV files).

    python3 tools/make_graph_example.py OUTPUT_FOLDER [--nodes N] [--seed S] [--conditions N]

Creates two subjects in OUTPUT_FOLDER, each in its own folder:

  sub-01_task/sub-01_task_manifest.json   protocol in use: four ordered
      conditions (one of them a trigger), one final matrix per condition
  sub-02_rest/sub-02_rest_manifest.json   no protocol: one final matrix

The matrices are absolute Pearson correlations of synthetic region time
series (regions share a few latent signals whose mixing changes per
condition); correlations below 0.15 are set to 0. Only the standard library
is used, and the same seed always gives the same files.
"""

import argparse
import json
import math
import os
import random
import sys

ATLAS = [
    "L_V1", "R_V1", "L_V5", "R_V5", "L_M1", "R_M1", "L_SMA", "R_SMA",
    "L_IPS", "R_IPS", "L_FEF", "R_FEF", "L_DLPFC", "R_DLPFC", "L_Insula", "R_Insula",
    "L_Thalamus", "R_Thalamus", "L_Putamen", "R_Putamen", "ACC", "PCC", "Precuneus", "mPFC",
]
VOLUMES = 120
THRESHOLD = 0.15


def atlas_names(count):
    """Region names: the atlas, extended with numbered regions when needed."""
    names = list(ATLAS)
    while len(names) < count:
        names.append("ROI_%d" % len(names))
    return names[:max(count, len(ATLAS))]


def pearson(a, b):
    n = len(a)
    ma = sum(a) / n
    mb = sum(b) / n
    cov = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    va = sum((x - ma) ** 2 for x in a)
    vb = sum((y - mb) ** 2 for y in b)
    if va == 0.0 or vb == 0.0:
        return 0.0
    return cov / math.sqrt(va * vb)


def region_series(rng, nodes, latent_count, mixing_noise):
    """Time series of `nodes` regions driven by a few shared latent signals."""
    latents = [[rng.gauss(0.0, 1.0) for _ in range(VOLUMES)] for _ in range(latent_count)]
    series = []
    for _ in range(nodes):
        loadings = [rng.uniform(-1.0, 1.0) for _ in range(latent_count)]
        series.append([
            sum(w * latent[t] for w, latent in zip(loadings, latents)) + rng.gauss(0.0, mixing_noise)
            for t in range(VOLUMES)
        ])
    return series


def connectivity(series):
    """Signed correlation matrix and the final (absolute, thresholded) one."""
    n = len(series)
    signed = [[0.0] * n for _ in range(n)]
    final = [[0.0] * n for _ in range(n)]
    for i in range(n):
        signed[i][i] = 1.0
        for j in range(i + 1, n):
            r = pearson(series[i], series[j])
            signed[i][j] = signed[j][i] = r
            w = abs(r)
            final[i][j] = final[j][i] = w if w >= THRESHOLD else 0.0
    return signed, final


def write_csv(path, rows):
    with open(path, "w", newline="\n") as out:
        for row in rows:
            out.write(",".join("%.6g" % v for v in row) + "\n")


def write_json_whole(path, document):
    """Writes to a temporary file first so a manifest is never half written."""
    temporary = path + ".tmp"
    with open(temporary, "w") as out:
        json.dump(document, out, indent=2)
        out.write("\n")
    os.replace(temporary, path)


def make_subject(folder, subject_id, rng, nodes, conditions):
    """conditions: list of (t, name, type); empty for an analysis without protocol."""
    os.makedirs(folder, exist_ok=True)
    names = atlas_names(nodes)
    selected = rng.sample(range(len(names)), nodes)
    sizes = [rng.randint(40, 900) for _ in names]

    matrices = conditions if conditions else [(0, "whole run", 1)]
    timeseries, raw, final = [], [], []
    for k, (_, name, _) in enumerate(matrices):
        series = region_series(rng, nodes, latent_count=3 + k % 2, mixing_noise=0.8 + 0.3 * k)
        signed, thresholded = connectivity(series)
        ts_file = "%s_timeseries_%d.csv" % (subject_id, k)
        raw_file = "%s_connectivity_%d.csv" % (subject_id, k)
        final_file = "%s_final_%d.csv" % (subject_id, k)
        write_csv(os.path.join(folder, ts_file), [list(row) for row in zip(*series)])
        write_csv(os.path.join(folder, raw_file), signed)
        write_csv(os.path.join(folder, final_file), thresholded)
        timeseries.append(ts_file)
        raw.append(raw_file)
        final.append(final_file)

    prt_conditions = sorted({name for _, name, kind in conditions if kind == 1})
    manifest = {
        "manifest-version": "1.0",
        "unique_id": subject_id,
        "date": "2024-05-17T09:30:00",
        "versions": {"Syntra": "0.9.3", "linkmesh": "1.0.0", "Talvora": "2.6.0"},
        "study_data": {
            "VMR": subject_id + ".vmr",
            "VTC": subject_id + ".vtc",
            "VOI": "example_atlas.voi",
            "PRT": subject_id + ".prt" if conditions else "",
            "VOIs_names": names,
            "VOIs_sizes": sizes,
            "PRT_Conditions": prt_conditions,
        },
        "configuration": {
            "method": "pearson correlation",
            "selected_vois": selected,
            "uses_proto": bool(conditions),
            "ordered_conditions": [{"t": t, "name": name, "type": kind} for t, name, kind in conditions],
            "selected_conditions": prt_conditions,
            "treatment_values": "absolute value, threshold %.2f" % THRESHOLD,
        },
        "result_data": {
            "timeseries": timeseries,
            "connectivity_mtx": raw,
            "treatment_values": [],
            "treatment_mtx": [],
            "final_mtx": final,
        },
        "comments": "Synthetic example written by make_graph_example.py.",
    }
    path = os.path.join(folder, subject_id + "_manifest.json")
    write_json_whole(path, manifest)
    return path


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", help="folder to write the subjects into (created if missing)")
    parser.add_argument("--nodes", type=int, default=12, help="nodes per matrix (default 12)")
    parser.add_argument("--seed", type=int, default=2024, help="random seed (default 2024)")
    parser.add_argument("--conditions", type=int, default=0,
                        help="give sub-01_task N conditions 'Condition 1'..'Condition N' "
                             "instead of its four protocol entries")
    args = parser.parse_args(argv)
    if args.nodes < 2:
        parser.error("--nodes must be at least 2")
    if args.conditions < 0:
        parser.error("--conditions must not be negative")

    rng = random.Random(args.seed)
    protocol = [(0, "Rest", 1), (20, "Cue", 2), (22, "Finger tapping", 1), (62, "Recovery", 1)]
    if args.conditions:
        protocol = [(20 * k, "Condition %d" % (k + 1), 1) for k in range(args.conditions)]
    task = make_subject(os.path.join(args.output, "sub-01_task"), "sub-01_task", rng, args.nodes, protocol)
    rest = make_subject(os.path.join(args.output, "sub-02_rest"), "sub-02_rest", rng, args.nodes, [])
    print(task)
    print(rest)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
