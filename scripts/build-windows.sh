#!/usr/bin/env bash
# Cross-builds the Windows deliverables with Debian's MinGW-w64:
#   build-windows/plugins/{LatmapPlugin,CausalisPlugin_v27,Mirel_r122}.dll
#   build-windows/Talvora.exe (the stand-in host's core, exporting the host
#   functions; "Talvora.exe run job.json", no GUI mode)
# and the helpers of the Windows checks. The graph plug-in (Nodora) needs Qt
# for Windows, which Debian does not package: it stays Linux-only.
# Installs the cross compiler when missing (Debian, as root).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${TALVORA_WINDOWS_BUILD:-$root/build-windows}"

packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake ninja-build nlohmann-json3-dev libcli11-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "build-windows: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DTALVORA_SUBSYSTEMS="latency;granger;distortion" \
  -DTALVORA_BUILD_TESTS=OFF -DTALVORA_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$out" -j"$(nproc)" --target LatmapPlugin CausalisPlugin_v27 Mirel_r122 talvora \
  version_only_host NoCreatePlugin
echo "build-windows: $out/Talvora.exe and $out/plugins/*.dll"
