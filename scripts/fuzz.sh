#!/usr/bin/env bash
# Builds one fuzz target with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ and runs it for SECONDS.
#   bash scripts/fuzz.sh TARGET SECONDS   (targets: ls tests/fuzz/corpus)
# New inputs go to build-fuzz/corpus/TARGET (the committed seeds in
# tests/fuzz/corpus/TARGET are only read); a crash leaves its input in
# build-fuzz/crashes/TARGET/. A fixed crash's input belongs in
# tests/fuzz/repro/TARGET/, where every build replays it.
set -euo pipefail
if (($# != 2)); then
  echo "usage: $0 TARGET SECONDS" >&2
  exit 2
fi
target="$1"
seconds="$2"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TALVORA_FUZZ_BUILD:-$root/build-fuzz}"
seeds="$root/tests/fuzz/corpus/$target"
[[ -d "$seeds" ]] || { echo "$0: no fuzz target \"$target\" (no $seeds)" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "$0: clang++ is needed (apt-get install clang libclang-rt-14-dev)" >&2; exit 2; }
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined -g"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTALVORA_FUZZ=ON -DTALVORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${target}_fuzzer" -j"$(nproc)"
mkdir -p "$build/corpus/$target" "$build/crashes/$target"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$build/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
  -max_len=65536 -timeout=10 -artifact_prefix="$build/crashes/$target/" "$build/corpus/$target" "$seeds"
