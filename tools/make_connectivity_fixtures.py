#!/usr/bin/python3
"""Writes the small BIDS dataset of the connectivity tests and the matrices
expected from it, computed here with numpy and nibabel from the definition
of the analysis (never from the program's code):

    /usr/bin/python3 tools/make_connectivity_fixtures.py tests/bids/fixtures/connectivity

- the region time course: the mean over the run voxels whose centre lies
  nearest to an atlas voxel of the label (the atlas on its own grid: 1.5 mm,
  x flipped, shifted against the runs' 3 mm grid);
- the volumes of a condition: those whose acquisition [t TR, (t+1) TR)
  overlaps an event of the condition shifted by 5 s (an event of duration 0:
  the volume it falls in);
- per run, each region's samples less their mean, the runs joined, then
  numpy.corrcoef.

The same seed always gives the same files. Output: ds/ (the dataset: two
participants, task "tap", sub-01 with two runs), atlas_dseg.nii.gz,
atlas_dseg.tsv and expected.json (per participant and condition the number
of volumes and the correlation matrix; the run voxels of each region).
"""

import json
import os
import sys

import nibabel as nib
import numpy as np

TR = 2.0
VOLUMES = 30
DELAY = 5.0
RUN_SHAPE = (4, 4, 3)
RUN_AFFINE = np.array([[3.0, 0, 0, -4.5], [0, 3.0, 0, -4.5], [0, 0, 3.0, -3.0], [0, 0, 0, 1]])
ATLAS_SHAPE = (9, 9, 7)
ATLAS_AFFINE = np.array([[-1.5, 0, 0, 6.2], [0, 1.5, 0, -6.4], [0, 0, 1.5, -5.1], [0, 0, 0, 1]])
TABLE = [(1, "Left motor"), (2, "Right motor"), (3, "Visual")]
# Label 5 has no row in the table: the program names it "Label 5".
REGION_LABELS = [1, 2, 3, 5]
REGION_NAMES = ["Left motor", "Right motor", "Visual", "Label 5"]
EVENTS = [  # onset, duration, trial_type
    (0.0, 10.0, "finger tapping"), (1.0, 0.0, "cue"), (10.0, 10.0, "rest"),
    (20.0, 10.0, "finger tapping"), (21.0, 0.0, "cue"), (30.0, 10.0, "rest"),
    (40.0, 10.0, "finger tapping"), (41.0, 0.0, "cue"), (50.0, 10.0, "rest"),
]
CONDITIONS = ["finger tapping", "cue", "rest"]
RUNS = {"01": [1, 2], "02": [1]}


def atlas_labels():
    labels = np.zeros(ATLAS_SHAPE, dtype=np.uint8)
    for i, j, k in np.ndindex(ATLAS_SHAPE):
        x, y, z, _ = ATLAS_AFFINE @ np.array([i, j, k, 1.0])
        if z < 1 and x < -1:
            labels[i, j, k] = 1
        elif z < 1 and x > 1:
            labels[i, j, k] = 2
        elif z > 1 and y > 2:
            labels[i, j, k] = 3
        elif z > 1 and x < -1 and y < -1:
            labels[i, j, k] = 5
    return labels


def run_voxel_labels(atlas):
    """Label of the atlas voxel nearest to each run voxel's centre."""
    to_atlas = np.linalg.inv(ATLAS_AFFINE) @ RUN_AFFINE
    out = np.zeros(RUN_SHAPE, dtype=int)
    for i, j, k in np.ndindex(RUN_SHAPE):
        p = (to_atlas @ np.array([i, j, k, 1.0]))[:3]
        frac = np.abs(p - np.floor(p) - 0.5)
        assert np.all(frac > 1e-3), "a run voxel centre lies halfway between atlas voxels"
        idx = np.rint(p).astype(int)
        if np.all(idx >= 0) and np.all(idx < np.array(ATLAS_SHAPE)):
            out[i, j, k] = atlas[tuple(idx)]
    return out


def flat_index(i, j, k):
    nx, ny, _ = RUN_SHAPE
    return int(i + nx * (j + ny * k))


def make_run(rng, voxel_labels, baseline):
    """int16 values: baseline + shared and own region signals + voxel noise."""
    shared = rng.normal(0, 1, VOLUMES)
    signals = {}
    for n, label in enumerate(REGION_LABELS):
        mix = [0.9, 0.6, -0.4, 0.1][n]
        signals[label] = 40 * (mix * shared + rng.normal(0, 1, VOLUMES))
    data = np.zeros(RUN_SHAPE + (VOLUMES,))
    for i, j, k in np.ndindex(RUN_SHAPE):
        label = voxel_labels[i, j, k]
        signal = signals[label] if label else 0
        data[i, j, k, :] = baseline + 30 * (i + j + k) + signal + rng.normal(0, 15, VOLUMES)
    return np.rint(data).astype(np.int16)


def selected_volumes(events, condition, volumes):
    """Volumes whose acquisition overlaps an event of the condition, shifted."""
    starts = np.arange(volumes) * TR
    chosen = np.zeros(volumes, dtype=bool)
    for onset, duration, kind in events:
        if kind != condition:
            continue
        s = onset + DELAY
        e = s + duration
        if duration > 0:
            chosen |= (starts < e) & (starts + TR > s)
        else:
            chosen |= (starts <= s) & (s < starts + TR)
    return np.flatnonzero(chosen)


def region_time_courses(path, voxel_labels):
    data = nib.load(path).get_fdata()
    return np.array([data[voxel_labels == label].mean(axis=0) for label in REGION_LABELS])


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as out:
        out.write(text)


def main(out):
    rng = np.random.default_rng(20261208)
    ds = os.path.join(out, "ds")
    write(os.path.join(ds, "dataset_description.json"),
          json.dumps({"Name": "Connectivity test", "BIDSVersion": "1.8.0"}, indent=2) + "\n")
    write(os.path.join(ds, "task-tap_bold.json"),
          json.dumps({"RepetitionTime": TR, "TaskName": "tap"}, indent=2) + "\n")
    atlas = atlas_labels()
    atlas_img = nib.Nifti1Image(atlas, ATLAS_AFFINE)
    atlas_img.header.set_sform(ATLAS_AFFINE, code=1)
    nib.save(atlas_img, os.path.join(out, "atlas_dseg.nii.gz"))
    write(os.path.join(out, "atlas_dseg.tsv"),
          "index\tname\n" + "".join("%d\t%s\n" % row for row in TABLE))
    voxel_labels = run_voxel_labels(atlas)
    for label in REGION_LABELS:
        assert np.count_nonzero(voxel_labels == label) >= 2, label

    events_text = "onset\tduration\ttrial_type\n" + "".join(
        "%.1f\t%.1f\t%s\n" % row for row in EVENTS)
    expected = {
        "regions": REGION_NAMES,
        "labels": REGION_LABELS,
        "region_voxels": {name: sorted(flat_index(*v) for v in zip(*np.nonzero(voxel_labels == label)))
                          for name, label in zip(REGION_NAMES, REGION_LABELS)},
        "participants": {},
    }
    for sub, runs in RUNS.items():
        courses = []
        for run in runs:
            stem = os.path.join(ds, "sub-" + sub, "func", "sub-%s_task-tap_run-%d_" % (sub, run))
            os.makedirs(os.path.dirname(stem), exist_ok=True)
            data = make_run(rng, voxel_labels, baseline=1000 + 200 * run)
            img = nib.Nifti1Image(data, RUN_AFFINE)
            img.header.set_sform(RUN_AFFINE, code=1)
            img.header.set_qform(RUN_AFFINE, code=1)
            img.header.set_xyzt_units("mm", "sec")
            img.header["pixdim"][4] = TR
            nib.save(img, stem + "bold.nii.gz")
            write(stem + "events.tsv", events_text)
            courses.append(region_time_courses(stem + "bold.nii.gz", voxel_labels))
        conditions = {}
        for condition in CONDITIONS:
            blocks, per_run = [], []
            for course in courses:
                chosen = selected_volumes(EVENTS, condition, course.shape[1])
                per_run.append(len(chosen))
                block = course[:, chosen]
                blocks.append(block - block.mean(axis=1, keepdims=True))
            joined = np.concatenate(blocks, axis=1)
            conditions[condition] = {
                "volumes": int(joined.shape[1]),
                "volumes_per_run": per_run,
                "matrix": np.corrcoef(joined).tolist(),
            }
        expected["participants"]["sub-" + sub] = conditions
    write(os.path.join(out, "expected.json"), json.dumps(expected, indent=1) + "\n")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
