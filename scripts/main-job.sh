#!/usr/bin/env bash
# The main job: builds, then loads the four plug-ins into the stand-in host
# and prints their names, versions and bound host functions.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh"
cd "$root/build"
./talvora info LatmapPlugin CausalisPlugin_v27 Mirel_r122 Nodora
