#!/usr/bin/env python3
"""Compares a result file of a Linux run with the same file of a Windows run.

    compare_outputs.py bytes LINUX WINDOWS [--folders LINUX_DIR WINDOWS_DIR]
    compare_outputs.py float32 TOL LINUX WINDOWS [--folders LINUX_DIR WINDOWS_DIR]
    compare_outputs.py maps TOL LINUX WINDOWS [--folders LINUX_DIR WINDOWS_DIR]
    compare_outputs.py fmrmaps TOL LINUX WINDOWS

"bytes": the files are identical. "float32 TOL": the files have the same size
and, read as little-endian 32-bit floats, every value agrees within TOL
relative to max(1, |value|) (NaN only with NaN); meant for maps whose values
come from transforms that round differently. "maps TOL": a host map file, a
text header and, after a line "BinaryData:", 32-bit floats; the header's words
must be equal, its numbers within TOL, the floats as with "float32".
"fmrmaps TOL": a functional project's binary ".map" file (layout version 0):
sizes, names and slice numbers equal; thresholds and values within TOL.
Prints the first difference.

With --folders, a file may name the folder each run worked in (a result file
quoting its input's path): that folder, as each system writes it ("/data/x/"
and "Z:\\data\\x\\"), is replaced by one placeholder before comparing.
"""
import math
import struct
import sys


def compare_bytes(a: bytes, b: bytes) -> str:
    if a == b:
        return ""
    if len(a) != len(b):
        return f"sizes differ: {len(a)} vs {len(b)} bytes"
    first = next(i for i in range(len(a)) if a[i] != b[i])
    return f"first difference at byte {first}"


def compare_floats(a: bytes, b: bytes, tol: float) -> str:
    if len(a) != len(b):
        return f"sizes differ: {len(a)} vs {len(b)} bytes"
    n = len(a) // 4
    fa = struct.unpack(f"<{n}f", a[: 4 * n])
    fb = struct.unpack(f"<{n}f", b[: 4 * n])
    for i, (x, y) in enumerate(zip(fa, fb)):
        if math.isnan(x) or math.isnan(y):
            if not (math.isnan(x) and math.isnan(y)):
                return f"value {i}: {x} vs {y}"
        elif abs(x - y) > tol * max(1.0, abs(x)):
            return f"value {i}: {x} vs {y} (tolerance {tol})"
    return compare_bytes(a[4 * n :], b[4 * n :])


def is_number(word: bytes) -> bool:
    try:
        float(word)
        return True
    except ValueError:
        return False


def compare_maps(a: bytes, b: bytes, tol: float) -> str:
    marker = b"BinaryData:\n"
    if (marker in a) != (marker in b):
        return "only one file has binary data"
    head_a, _, data_a = a.partition(marker)
    head_b, _, data_b = b.partition(marker)
    lines_a, lines_b = head_a.split(b"\n"), head_b.split(b"\n")
    if len(lines_a) != len(lines_b):
        return f"headers have {len(lines_a)} and {len(lines_b)} lines"
    for n, (la, lb) in enumerate(zip(lines_a, lines_b), start=1):
        wa, wb = la.split(), lb.split()
        if len(wa) != len(wb):
            return f"header line {n}: {la!r} vs {lb!r}"
        for x, y in zip(wa, wb):
            if x == y:
                continue
            if not (is_number(x) and is_number(y)) or abs(float(x) - float(y)) > tol * max(1.0, abs(float(x))):
                return f"header line {n}: {la!r} vs {lb!r}"
    return compare_floats(data_a, data_b, tol)


def compare_fmr_maps(a: bytes, b: bytes, tol: float) -> str:
    def parse(data: bytes):
        _, nz, ny, nx, cluster = struct.unpack_from("<5H", data, 0)
        low, high = struct.unpack_from("<2f", data, 10)
        nmaps, field_b = struct.unpack_from("<2H", data, 18)
        at, maps = 22, []
        for _ in range(nmaps):
            end = data.index(b"\0", at)
            name = data[at:end]
            at = end + 1
            slices = []
            for _ in range(nz):
                (z,) = struct.unpack_from("<H", data, at)
                values = struct.unpack_from(f"<{nx * ny}f", data, at + 2)
                slices.append((z, values))
                at += 2 + 4 * nx * ny
            maps.append((name, slices))
        if at != len(data):
            raise ValueError(f"{len(data) - at} bytes after the last map")
        return (nz, ny, nx, cluster, nmaps, field_b), (low, high), maps

    try:
        sizes_a, thresholds_a, maps_a = parse(a)
        sizes_b, thresholds_b, maps_b = parse(b)
    except (struct.error, ValueError) as e:
        return f"not a readable map file ({e})"
    if sizes_a != sizes_b:
        return f"sizes differ: {sizes_a} vs {sizes_b}"
    for x, y in zip(thresholds_a, thresholds_b):
        if abs(x - y) > tol * max(1.0, abs(x)):
            return f"thresholds differ: {thresholds_a} vs {thresholds_b}"
    for (name_a, slices_a), (name_b, slices_b) in zip(maps_a, maps_b):
        if name_a != name_b:
            return f"map names differ: {name_a!r} vs {name_b!r}"
        for (za, va), (zb, vb) in zip(slices_a, slices_b):
            if za != zb:
                return f"slice numbers differ: {za} vs {zb}"
            for i, (x, y) in enumerate(zip(va, vb)):
                if math.isnan(x) != math.isnan(y) or (not math.isnan(x) and abs(x - y) > tol * max(1.0, abs(x))):
                    return f"map {name_a!r} slice {za} value {i}: {x} vs {y} (tolerance {tol})"
    return ""


def without_folder(data: bytes, folder: str, windows: bool) -> bytes:
    if windows:
        folder = "Z:" + folder.replace("/", "\\") + "\\"
    else:
        folder = folder + "/"
    return data.replace(folder.encode("utf-8"), b"<folder>/")


def main(argv: list) -> int:
    folders = None
    if "--folders" in argv:
        at = argv.index("--folders")
        folders = argv[at + 1 : at + 3]
        if len(folders) != 2 or len(argv) != at + 3:
            print(__doc__, file=sys.stderr)
            return 2
        argv = argv[:at]
    if len(argv) == 4 and argv[1] == "bytes":
        mode, tol, paths = "bytes", 0.0, argv[2:]
    elif len(argv) == 5 and argv[1] in ("float32", "maps", "fmrmaps"):
        mode, tol, paths = argv[1], float(argv[2]), argv[3:]
    else:
        print(__doc__, file=sys.stderr)
        return 2
    with open(paths[0], "rb") as f:
        a = f.read()
    with open(paths[1], "rb") as f:
        b = f.read()
    if folders:
        a = without_folder(a, folders[0], windows=False)
        b = without_folder(b, folders[1], windows=True)
    if mode == "bytes":
        problem = compare_bytes(a, b)
    elif mode == "maps":
        problem = compare_maps(a, b, tol)
    elif mode == "fmrmaps":
        problem = compare_fmr_maps(a, b, tol)
    else:
        problem = compare_floats(a, b, tol)
    if problem:
        print(f"{paths[1]}: {problem}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
