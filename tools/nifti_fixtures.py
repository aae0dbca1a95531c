#!/usr/bin/python3
"""Writes the small NIfTI test images of `talvora convert` and, from
nibabel's own reading of those very files, what a correct reader must find:
the voxel-to-world affine, the world position of chosen voxels, every scaled
value (i fastest, then j, k, t) and the TR in milliseconds.

Run from the repository root (Debian python3-nibabel, numpy):
    /usr/bin/python3 tools/nifti_fixtures.py
It rewrites tests/host/convert/data/*.nii* and nifti_expected.json; the tests
read only those files.
"""
import gzip
import json
import os

import nibabel as nib
import numpy as np

OUT = os.path.join("tests", "host", "convert", "data")
rng = np.random.default_rng(17)
LINEAR = (0.75, -1.25, 2.0, 40.0)  # value = a*x + b*y + c*z + d (world mm), volume 2 twice that


def axis_affine(codes, voxel, origin):
    """Affine whose voxel axes point along the named world directions
    (e.g. "LPS": i towards left, j towards posterior, k towards superior)."""
    direction = {"R": (0, 1), "L": (0, -1), "A": (1, 1), "P": (1, -1), "S": (2, 1), "I": (2, -1)}
    a = np.zeros((4, 4))
    for col, code in enumerate(codes):
        row, sign = direction[code]
        a[row, col] = sign * voxel
    a[:3, 3] = origin
    a[3, 3] = 1
    return a


def rotation(degrees_x, degrees_z):
    cx, sx = np.cos(np.radians(degrees_x)), np.sin(np.radians(degrees_x))
    cz, sz = np.cos(np.radians(degrees_z)), np.sin(np.radians(degrees_z))
    rx = np.array([[1, 0, 0], [0, cx, -sx], [0, sx, cx]])
    rz = np.array([[cz, -sz, 0], [sz, cz, 0], [0, 0, 1]])
    return rz @ rx


def save(img, name):
    path = os.path.join(OUT, name)
    nib.save(img, path)
    return path


def make_images():
    made = []
    shape = (4, 5, 3, 3)
    for codes in ["RAS", "LAS", "LPS", "PSR", "SLA", "IRP"]:
        data = rng.normal(100, 20, shape).astype(np.float32)
        aff = axis_affine(codes, 3.0, (-30.5, 12.0, 7.25))
        img = nib.Nifti1Image(data, aff)
        img.header.set_xyzt_units("mm", "sec")
        img.header["pixdim"][4] = 2.0
        img.set_qform(aff, code=1)
        img.set_sform(aff, code=1)
        made.append(save(img, "bold_%s.nii.gz" % codes.lower()))

    # int16, big-endian, scaled, NIfTI-1 single file; TR in milliseconds.
    data = rng.integers(-300, 300, (3, 4, 2, 2)).astype(">i2")
    hdr = nib.Nifti1Header(endianness=">")
    aff = axis_affine("LAS", 2.0, (10, -20, 30))
    img = nib.Nifti1Image(data, aff, hdr)
    img.header.set_data_dtype(">i2")
    img.header.set_xyzt_units("mm", "msec")
    img.header["pixdim"][4] = 1500.0
    img.set_sform(aff, code=1)
    path = save(img, "int16_bigendian_scaled.nii")
    # nibabel chooses its own scaling when it saves; set the header's
    # scl_slope and scl_inter (float32 at bytes 112 and 116) afterwards.
    with open(path, "r+b") as f:
        f.seek(112)
        f.write(np.array([0.5, -3.0], dtype=">f4").tobytes())
    made.append(path)

    # uint8, NIfTI-2, compressed, 3-D.
    data = rng.integers(0, 256, (5, 4, 3)).astype(np.uint8)
    img = nib.Nifti2Image(data, axis_affine("RAS", 1.0, (-2, -1.5, 0)))
    made.append(save(img, "uint8_nifti2.nii.gz"))

    # int32 with only a qform, oblique (rotated), anisotropic voxels.
    data = rng.integers(-100000, 100000, (3, 3, 4)).astype(np.int32)
    aff = np.eye(4)
    aff[:3, :3] = rotation(20, 10) @ np.diag([2.0, 2.5, 3.0])
    aff[:3, 3] = (5, -7, 11)
    img = nib.Nifti1Image(data, None)
    img.set_qform(aff, code=1)
    img.set_sform(None, code=0)
    made.append(save(img, "int32_qform_oblique.nii"))

    # float64, qform and sform disagree (the sform wins), TR in microseconds.
    data = rng.normal(0, 1, (2, 3, 2, 2)).astype(np.float64)
    qaff = axis_affine("RAS", 2.0, (0, 0, 0))
    saff = axis_affine("RAS", 2.0, (100, 50, -25))
    img = nib.Nifti1Image(data, None)
    img.set_qform(qaff, code=1)
    img.set_sform(saff, code=2)
    img.header.set_xyzt_units("mm", "usec")
    img.header["pixdim"][4] = 2500000.0
    made.append(save(img, "float64_sform_over_qform.nii.gz"))

    # A 1 mm anatomy (uint8) holding bold_ras.nii.gz: its voxel (4, 5, 3) is
    # the run's voxel (0, 0, 0).
    data = rng.integers(0, 256, (16, 20, 12)).astype(np.uint8)
    made.append(save(nib.Nifti1Image(data, axis_affine("RAS", 1.0, (-34.5, 7.0, 4.25))), "t1_ras_1mm.nii.gz"))

    # A run without any TR (pixdim[4] 0, no sidecar).
    data = rng.normal(100, 20, (3, 3, 3, 2)).astype(np.float32)
    img = nib.Nifti1Image(data, axis_affine("RAS", 2.0, (0, 0, 0)))
    img.header["pixdim"][4] = 0.0
    made.append(save(img, "bold_no_tr.nii.gz"))

    # An oblique, anisotropic run whose values are a linear function of the
    # world position (trilinear resampling reproduces it exactly inside).
    aff = np.eye(4)
    aff[:3, :3] = rotation(15, -12) @ np.diag([2.5, 2.5, 3.2])
    aff[:3, 3] = (-8, 3, -5)
    ijk = np.stack(np.meshgrid(*[np.arange(n) for n in (7, 6, 5)], indexing="ij"), axis=-1)
    world = nib.affines.apply_affine(aff, ijk)
    value = world @ np.array(LINEAR[:3]) + LINEAR[3]
    data = np.stack([value, value * 2.0], axis=-1).astype(np.float32)
    img = nib.Nifti1Image(data, aff)
    img.header["pixdim"][4] = 2.0
    img.header.set_xyzt_units("mm", "sec")
    made.append(save(img, "linear_oblique.nii.gz"))

    # A 3-D float image (where a run is needed).
    data = rng.normal(50, 5, (4, 4, 3)).astype(np.float32)
    made.append(save(nib.Nifti1Image(data, axis_affine("RAS", 3.0, (0, 0, 0))), "anat_3d.nii.gz"))

    # A 1 mm RAS anatomy holding bold_las.nii.gz, whose x axis runs the other
    # way: the run's voxel (3, 0, 0) is its voxel (2, 5, 3).
    data = rng.integers(0, 256, (16, 20, 12)).astype(np.uint8)
    made.append(save(nib.Nifti1Image(data, axis_affine("RAS", 1.0, (-41.5, 7.0, 4.25))), "t1_ras_for_las.nii.gz"))
    return made


def make_broken():
    """Images that must be refused: cut short, plain and compressed."""
    whole = os.path.join(OUT, "bold_ras.nii.gz")
    raw = gzip.open(whole).read()
    with open(os.path.join(OUT, "truncated.nii"), "wb") as f:
        f.write(raw[: len(raw) - 40])
    with open(os.path.join(OUT, "truncated_data.nii.gz"), "wb") as f:
        f.write(gzip.compress(raw[: len(raw) - 40], mtime=0))
    packed = open(whole, "rb").read()
    with open(os.path.join(OUT, "truncated_stream.nii.gz"), "wb") as f:
        f.write(packed[: len(packed) // 2])
    with open(os.path.join(OUT, "not_nifti.nii"), "wb") as f:
        f.write(b"this is not an image\n" * 30)


def expected(path):
    img = nib.load(path)
    hdr = img.header
    data = np.asarray(img.dataobj, dtype=np.float64)  # scaled values
    shape = data.shape + (1,) * (4 - data.ndim)
    points = []
    for ijk in [(0, 0, 0), (shape[0] - 1, 0, 0), (0, shape[1] - 1, 0), (0, 0, shape[2] - 1),
                (shape[0] - 1, shape[1] - 1, shape[2] - 1), (1, 1, 1)]:
        ijk = tuple(min(v, s - 1) for v, s in zip(ijk, shape[:3]))
        world = nib.affines.apply_affine(img.affine, ijk)
        points.append({"ijk": list(ijk), "world": [float(v) for v in world]})
    xyz_unit, t_unit = hdr.get_xyzt_units()
    step = float(hdr["pixdim"][4]) if data.ndim == 4 else 0.0
    to_ms = {"sec": 1000.0, "msec": 1.0, "usec": 0.001, "unknown": 1000.0}[t_unit]
    sform_code = int(hdr["sform_code"])
    return {
        "file": os.path.basename(path),
        "nifti_version": 2 if isinstance(img, nib.Nifti2Image) else 1,
        "size": [int(v) for v in shape],
        "affine": img.affine.tolist(),
        "affine_source": "sform" if sform_code > 0 else "qform",
        "tr_ms": step * to_ms,
        "big_endian": hdr.endianness == ">",
        "points": points,
        "values": [float(v) for v in data.reshape(shape).flatten(order="F")],
    }


def main():
    os.makedirs(OUT, exist_ok=True)
    made = make_images()
    make_broken()
    fixtures = {"nibabel": nib.__version__, "linear": list(LINEAR), "images": [expected(p) for p in made]}
    with open(os.path.join(OUT, "nifti_expected.json"), "w") as f:
        json.dump(fixtures, f, separators=(",", ":"))
        f.write("\n")


if __name__ == "__main__":
    main()
