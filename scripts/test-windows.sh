#!/usr/bin/env bash
# The Windows deliverables, cross-built and checked under Wine:
#  - each DLL exports exactly its plain entry points, Talvora.exe exports the
#    same host functions as the Linux host, and nothing needs a MinGW DLL;
#  - Talvora.exe loads each DLL, which binds through the real
#    GetModuleHandleA/GetProcAddress (also as "TalvoraEDU.exe", and not as
#    any other name); the version gate refuses an old host with its message;
#  - jobs give the same result files as on Linux (byte for byte);
#  - bad input (a DLL without createPlugin, a file that is no DLL, a host
#    exporting only the version function, non-ASCII paths) is handled as on
#    Linux.
# Installs Wine and the cross compiler when missing (Debian, as root). Runs
# headless in a throwaway Wine prefix inside the Windows build folder.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
win="${TALVORA_WINDOWS_BUILD:-$root/build-windows}"
lin="${TALVORA_LINUX_BUILD:-$root/build}"
started=$(date +%s)

if ! dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q "install ok installed"; then
  echo "test-windows: installing wine64"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends wine64 >/dev/null || exit 1
fi
bash "$root/scripts/build-windows.sh" || { echo "0 passed, 1 failed (the cross build)"; exit 1; }
echo "test-windows: installing and cross-building took $(($(date +%s) - started)) s"

# The Linux side of every comparison.
if [[ ! -x "$lin/talvora" || ! -x "$lin/talvora-make-study" ]]; then
  bash "$root/scripts/setup.sh"
  cmake -S "$root" -B "$lin" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$lin" -j"$(nproc)" --target talvora LatmapPlugin CausalisPlugin_v27 Mirel_r122 \
  talvora-make-study >/dev/null || { echo "0 passed, 1 failed (the Linux build)"; exit 1; }

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$win/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
# One Wine server for all the runs below (stopped at the end), instead of
# one starting and stopping around every run.
"$(dirname "$wine")/wineserver" -p
"$wine" wineboot --init >/dev/null 2>&1
objdump=x86_64-w64-mingw32-objdump
work="$win/wine-checks"
rm -rf "$work" && mkdir -p "$work"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }
# expect NAME CONDITION...: the condition is a command; its output is shown on failure.
expect() {
  local name=$1 out
  shift
  if out=$("$@" 2>&1); then pass "$name"; else fail "$name"; echo "$out" | head -40; fi
}
contains() { grep -qF -- "$2" <<<"$1" || { echo "missing: $2"; echo "in: $1"; return 1; }; }
same() { [[ "$1" == "$2" ]] || { diff <(echo "$1") <(echo "$2"); return 1; }; }
talvora_win() { "$wine" "$win/Talvora.exe" "$@"; }
talvora_lin() { "$lin/talvora" "$@"; }

exports_of() { "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort; }
map_names() { sed -n '/global:/,/local:/p' "$1" | sed -n 's/^\s*\([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' | sort; }
system_dlls() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u; }
only_system_dlls() {
  local extra
  extra=$(system_dlls "$1" | grep -vxE 'kernel32\.dll|msvcrt\.dll|user32\.dll|advapi32\.dll|shell32\.dll|ole32\.dll|ws2_32\.dll|api-ms-win-.*\.dll')
  [[ -z "$extra" ]] || { echo "$1 needs $extra"; return 1; }
}

# --- Export tables ----------------------------------------------------------
for p in LatmapPlugin CausalisPlugin_v27 Mirel_r122; do
  expect "$p.dll exports exactly the names its descriptor lists (exports/$p.map)" \
    same "$(exports_of "$win/plugins/$p.dll")" "$(map_names "$win/exports/$p.map")"
  expect "$p.dll needs only system DLLs" only_system_dlls "$win/plugins/$p.dll"
done
linux_host=$(find "$lin" -name libtalvora_host.so | head -1)
linux_host_exports=$(nm -D --defined-only "$linux_host" | awk '{print $3}' |
  grep -E '^(hx|tl|talvora)[A-Za-z0-9_]*$' | sort)
expect "Talvora.exe exports the host functions of the Linux host" \
  same "$(exports_of "$win/Talvora.exe")" "$linux_host_exports"
expect "Talvora.exe needs only system DLLs" only_system_dlls "$win/Talvora.exe"
expect "the version-only host exports only tlGetVersionOfTalvora" \
  same "$(exports_of "$win/version-only-host/Talvora.exe")" "tlGetVersionOfTalvora"

# --- Loading and binding ----------------------------------------------------
# info prints the descriptive exports, the count of bound host functions and
# initPlugin's result; only the first line (the library's path) may differ.
info_body() { sed '/^== /s/ (.*)$//'; }
plugins=(LatmapPlugin CausalisPlugin_v27 Mirel_r122)
lin_info=$(talvora_lin info "${plugins[@]}" 2>&1 | info_body)
win_info=$(talvora_win info "${plugins[@]}" --plugins-dir "$win/plugins" 2>&1 | tr -d '\r' | info_body)
expect "info: the three DLLs load, bind and initialise as on Linux" same "$win_info" "$lin_info"
expect "info: every plug-in bound its host functions" \
  bash -c '[[ $(grep -cE "host functions bound: [1-9][0-9]* of" <<<"$1") == 3 && $(grep -c "initPlugin:   true" <<<"$1") == 3 ]]' _ "$win_info"

for old in 21.9.9 22.99.99; do
  lin_old=$(talvora_lin info "${plugins[@]}" --host-version "$old" 2>&1 | info_body)
  win_old=$(talvora_win info "${plugins[@]}" --host-version "$old" --plugins-dir "$win/plugins" 2>&1 | tr -d '\r' | info_body)
  expect "version gate: host $old is refused as on Linux" same "$win_old" "$lin_old"
done
win_old=$(talvora_win info CausalisPlugin_v27 --host-version 22.99.99 --plugins-dir "$win/plugins" 2>&1 | tr -d '\r')
expect "version gate: CausalisPlugin_v27 refuses 22.99.99 with its message" \
  contains "$win_old" "initPlugin:   false"
expect "version gate: the message names the version needed" contains "$win_old" "23.0 or higher required"

# The module name: the plug-ins find the program by its file name.
cp "$win/Talvora.exe" "$win/TalvoraEDU.exe"
cp "$win/Talvora.exe" "$win/TalvoraPro.exe"
edu=$("$wine" "$win/TalvoraEDU.exe" info "${plugins[@]}" --plugins-dir "$win/plugins" 2>&1 | tr -d '\r' | info_body)
expect "TalvoraEDU.exe: the three plug-ins still bind" same "$edu" "$lin_info"
other=$("$wine" "$win/TalvoraPro.exe" info CausalisPlugin_v27 Mirel_r122 --plugins-dir "$win/plugins" 2>&1 | tr -d '\r')
expect "TalvoraPro.exe: no plug-in finds a host of that name" \
  bash -c '[[ $(grep -c "initPlugin:   false" <<<"$1") == 2 ]]' _ "$other"

# --- Jobs: the same result files as on Linux ---------------------------------
# same_job_results NAME STUDY JOB COMPARE: copies the study folder twice,
# runs the job file in it with each host, and compares every output file
# but the log. COMPARE is "bytes" (where a file names the study folder, that
# folder is masked), or "float32 TOL" for maps whose values may differ by
# float rounding.
same_job_results() {
  local name=$1 study=$2 job=$3 compare=$4 dir="$work/jobs/$1"
  rm -rf "$dir" && mkdir -p "$dir"
  cp -r "$study" "$dir/linux" && cp -r "$study" "$dir/windows"
  local lin_out win_out lin_rc win_rc study_files
  study_files=$(cd "$study" && find . -type f | sort)
  lin_out=$(cd "$dir/linux" && talvora_lin run "$job" 2>&1); lin_rc=$?
  win_out=$(cd "$dir/windows" && talvora_win run "$job" --plugins-dir "$win/plugins" 2>&1 | tr -d '\r'); win_rc=${PIPESTATUS[0]}
  expect "job $name: exit status $lin_rc as on Linux" same "$win_rc" "$lin_rc"
  expect "job $name: every plug-in call returned as on Linux" \
    same "$(grep '^talvora: execute' <<<"$win_out")" "$(grep '^talvora: execute' <<<"$lin_out")"
  # The files the run wrote: all but the study's own, and the log (it names the folder).
  local lin_files win_files
  lin_files=$(cd "$dir/linux" && find . -type f ! -name '*.log' | sort | comm -13 <(echo "$study_files") -)
  win_files=$(cd "$dir/windows" && find . -type f ! -name '*.log' | sort | comm -13 <(echo "$study_files") -)
  expect "job $name: result files written" test -n "$lin_files"
  expect "job $name: the same result files" same "$win_files" "$lin_files"
  local f
  while IFS= read -r f; do
    [[ -n "$f" ]] || continue
    expect "job $name: $f ($compare)" python3 "$root/tests/windows/compare_outputs.py" $compare \
      "$dir/linux/$f" "$dir/windows/$f" --folders "$dir/linux" "$dir/windows"
  done <<<"$lin_files"
}

# The comparison itself must see one changed digit.
mkdir -p "$work/probe"
printf 'Onset 2.1\n' >"$work/probe/linux.txt"
printf 'Onset 2.2\n' >"$work/probe/windows.txt"
expect "the result comparison sees one changed digit" \
  bash -c '! python3 "$1" bytes "$2/linux.txt" "$2/windows.txt" >/dev/null' _ "$root/tests/windows/compare_outputs.py" "$work/probe"
# ... and, in the map modes, one value a thousandth apart.
python3 - "$work/probe" <<'PY'
import struct, sys
d = sys.argv[1]
for name, value in (("linux", 1.0), ("windows", 1.001)):
    with open(f"{d}/{name}.vmp", "wb") as f:
        f.write(b"NrOfMaps: 1\nLowerThreshold: 2.5\nBinaryData:\n" + struct.pack("<2f", 0.5, value))
    with open(f"{d}/{name}.map", "wb") as f:
        f.write(struct.pack("<5H2f2H", 1, 1, 1, 2, 1, 0.0, 1.0, 1, 0) + b"Map 1\0" + struct.pack("<H2f", 0, 0.5, value))
PY
for mode in maps fmrmaps; do
  ext=$([[ $mode == maps ]] && echo vmp || echo map)
  expect "the $mode comparison sees one value a thousandth apart" \
    bash -c '! python3 "$1" "$2" 1e-4 "$3/linux.$4" "$3/windows.$4" >/dev/null' _ \
    "$root/tests/windows/compare_outputs.py" "$mode" "$work/probe" "$ext"
  expect "the $mode comparison accepts equal files" \
    python3 "$root/tests/windows/compare_outputs.py" "$mode" 1e-4 "$work/probe/linux.$ext" "$work/probe/linux.$ext"
done

study="$work/latency-study"
"$lin/talvora-make-study" --out "$study" >/dev/null
for job in job_mode1.json job_mode3.json job_single_trial.json job_glm.json; do
  same_job_results "latency ${job%.json}" "$study" "$job" bytes
done
# Further plug-ins add their job here once they run end to end, e.g.
#   same_job_results "granger" "$study_dir" job.json "maps 1e-4"
for hook in "$root"/tests/windows/jobs/*.sh; do
  [[ -e "$hook" ]] || continue
  # A hook defines its study and calls same_job_results.
  source "$hook"
done

# --- Bad input --------------------------------------------------------------
out=$(talvora_win gui Nodora 2>&1); rc=$?
expect "gui: refused (no Qt in the Windows build)" \
  bash -c '[[ $2 == 2 ]] && grep -qF "this build of the host has no GUI mode" <<<"$1"' _ "$out" "$rc"
bad="$work/bad"
mkdir -p "$bad"
cp "$win/bad-plugins/NoCreatePlugin.dll" "$bad/"
echo "this is not a library" >"$bad/notalib.dll"
printf '{"plugin": "NoCreatePlugin.dll"}' >"$bad/nocreate.json"
printf '{"plugin": "notalib.dll"}' >"$bad/notalib.json"
out=$(talvora_win info "$bad/NoCreatePlugin.dll" 2>&1); rc=$?
expect "a DLL without createPlugin: status 2" same "$rc" 2
expect "a DLL without createPlugin: refused by name" contains "$out" "not a Talvora plug-in (it exports no createPlugin)"
out=$(cd "$bad" && talvora_win run nocreate.json 2>&1); rc=$?
expect "a job naming a DLL without createPlugin: refused" \
  bash -c '[[ $2 == 2 ]] && grep -qF "NoCreatePlugin.dll: not a Talvora plug-in (it exports no createPlugin)" <<<"$1"' _ "$out" "$rc"
out=$(cd "$bad" && talvora_win run notalib.json 2>&1); rc=$?
expect "a file that is no DLL: refused" \
  bash -c '[[ $2 == 2 ]] && grep -qF "notalib.dll: the plug-in library does not load: " <<<"$1"' _ "$out" "$rc"
out=$(talvora_win run "$bad/missing.json" 2>&1); rc=$?
expect "a missing job file: named" \
  bash -c '[[ $2 == 2 ]] && grep -qF "missing.json: cannot open the job file" <<<"$1"' _ "$out" "$rc"

# A host program exporting only the version function, built for both systems.
vo_lin="$work/version-only-linux"
mkdir -p "$vo_lin"
g++ -std=c++17 -O1 -I"$root" "$root/tests/windows/version_only_host.cpp" "$root/host/platform/platform_posix.cpp" \
  -rdynamic -ldl -o "$vo_lin/version_only_host"
for version in 24.0.0 1.0.0; do
  vo_l=$("$vo_lin/version_only_host" "$version" "$lin"/plugins/{LatmapPlugin,CausalisPlugin_v27,Mirel_r122}.so 2>&1)
  vo_w=$("$wine" "$win/version-only-host/Talvora.exe" "$version" "$win"/plugins/{LatmapPlugin,CausalisPlugin_v27,Mirel_r122}.dll 2>&1 | tr -d '\r')
  expect "a host exporting only the version function ($version): the plug-ins answer as on Linux" same "$vo_w" "$vo_l"
  expect "a host exporting only the version function ($version): every plug-in answered" \
    bash -c '[[ $(grep -c "initPlugin" <<<"$1") == 3 ]]' _ "$vo_w"
done

# Non-ASCII paths: a study folder, a plug-in folder and a missing file.
uni="$work/étude_ñ"
mkdir -p "$uni/plugé"
cp "$win/plugins/LatmapPlugin.dll" "$uni/plugé/"
cp "$lin/plugins/LatmapPlugin.so" "$uni/plugé/"
out_w=$(talvora_win info "$uni/plugé/LatmapPlugin.dll" 2>&1 | tr -d '\r' | info_body)
out_l=$(talvora_lin info "$uni/plugé/LatmapPlugin.so" 2>&1 | info_body)
expect "a plug-in in a non-ASCII folder loads as on Linux" same "$out_w" "$out_l"
out_w=$(talvora_win run "$uni/missing.json" 2>&1 | tr -d '\r')
out_l=$(talvora_lin run "$uni/missing.json" 2>&1)
expect "a missing job file in a non-ASCII folder: the same message" same "$out_w" "$out_l"
same_job_results "latency, folder étude_ñ" "$study" job_mode1.json bytes

"$(dirname "$wine")/wineserver" -k 2>/dev/null || true
echo "test-windows: $(($(date +%s) - started)) s"
echo "$passed passed, $failed failed"
((failed == 0))
