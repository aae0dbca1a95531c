#!/usr/bin/env python3
"""Compares a result file of a Linux run with the same file of a Windows run.

    compare_outputs.py bytes LINUX WINDOWS [--folders LINUX_DIR WINDOWS_DIR]
    compare_outputs.py float32 TOL LINUX WINDOWS [--folders LINUX_DIR WINDOWS_DIR]

"bytes": the files are identical. "float32 TOL": the files have the same size
and, read as little-endian 32-bit floats, every value agrees within TOL
relative to max(1, |value|) (NaN only with NaN); meant for maps whose values
come from transforms that round differently. Prints the first difference.

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
    elif len(argv) == 5 and argv[1] == "float32":
        mode, tol, paths = "float32", float(argv[2]), argv[3:]
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
    problem = compare_bytes(a, b) if mode == "bytes" else compare_floats(a, b, tol)
    if problem:
        print(f"{paths[1]}: {problem}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
