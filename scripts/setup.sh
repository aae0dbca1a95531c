#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine (as root).
# Quiet and quick when everything is already there.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qtbase5-dev libqt5charts5-dev libqt5svg5-dev
  qtdeclarative5-dev qml-module-qtquick2 qml-module-qtquick-controls2 qml-module-qtquick-layouts
  qml-module-qtquick-window2
  libboost-dev libeigen3-dev libfftw3-dev libopenblas-dev libopenblas0-serial libspectra-dev
  nlohmann-json3-dev libcli11-dev
  snakemake libnifti2-dev libdeflate-dev
  fontconfig fonts-dejavu-core
  locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node and npm for the BIDS validator: Debian's, unless a Node with its npm
# (for example NodeSource's, which bundles npm) is already there.
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# A decimal-comma locale, so the tests that read numbers whatever the
# locale run in one instead of skipping.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "setup: generating the de_DE.UTF-8 locale"
  sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
# The BIDS validator the example dataset's test runs: the npm package and
# its dependencies pinned by tools/bids_validator/package-lock.json,
# installed again only when that lock file changed. No install scripts run.
validator="$(cd "$(dirname "$0")/.." && pwd)/tools/bids_validator"
if ! cmp -s "$validator/package-lock.json" "$validator/node_modules/.talvora-installed-lock"; then
  echo "setup: installing the BIDS validator (npm ci in tools/bids_validator)"
  (cd "$validator" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
  cp "$validator/package-lock.json" "$validator/node_modules/.talvora-installed-lock"
fi
