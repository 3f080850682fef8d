#!/usr/bin/env bash
# windows-test.sh [BUILD_DIR]: cross-compiles the portable core for 64-bit
# Windows with MinGW-w64 (everything but the Qt front end: the run-time
# library, the profile functions, the INI class, the option store, COM and ADO,
# the Jet engine, tarvex-jet and their tests) and runs every test program under
# Wine, headless. Installs what is missing. Exits non-zero when a test fails.
#
# Wine runs in a prefix of its own under the build folder (build/windows/wine
# by default), with no display: the tests are console programs. Afterwards
# `ctest` in the build folder runs the same tests one by one under Wine too.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/windows}
started=$(date +%s)

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest wine64)
bash "$here/scripts/install-packages.sh" "${packages[@]}"

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver64

# A private prefix; no display, no debug chatter, and no offer to fetch Mono
# or Gecko (there is no network, and console programs need neither).
export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DTARVEX_WITH_GUI=OFF \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=env;WINEPREFIX=$WINEPREFIX;WINEDEBUG=-all;WINEDLLOVERRIDES=$WINEDLLOVERRIDES;$wine" \
    >/dev/null
fi
echo "== windows cross build ($build)"
cmake --build "$build" --parallel "$(nproc)"
built=$(date +%s)

mkdir -p "$WINEPREFIX"
# Keep one wine server up for all the programs (it goes 10 s after the last).
"$wineserver" -p10
"$wine" wineboot --init >/dev/null 2>&1 || true

mapfile -t programs < <(find "$build" -name '*_tests.exe' -not -path "$build/googletest/*" | sort)
if ((${#programs[@]} == 0)); then
  echo "windows-test: no test programs were built" >&2
  exit 1
fi

logs="$build/test-logs"
mkdir -p "$logs"
passed=0 failed=0 skipped=0 status=0
for program in "${programs[@]}"; do
  name=$(basename "$program" .exe)
  log="$logs/$name.log"
  echo "== wine $name"
  # A program that hangs (seen once in a while under Wine, see the README) is
  # stopped after ten minutes and counted as failed.
  if (cd "$(dirname "$program")" && timeout 600 "$wine" "$program" --gtest_brief=1) >"$log" 2>&1; then :; else status=1; fi
  # GoogleTest's closing lines: how many ran, passed and were skipped.
  n=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$log" | tail -n1)
  p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -n1)
  s=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?[.,].*/\1/p' "$log" | tail -n1)
  f=$(( ${n:-0} - ${p:-0} - ${s:-0} ))
  passed=$((passed + ${p:-0})) failed=$((failed + f)) skipped=$((skipped + ${s:-0}))
  echo "   ${p:-0} passed, $f failed, ${s:-0} skipped"
  grep -E '^\[  FAILED  \] [A-Za-z]|Failure$|^unknown file' "$log" || true
  if [ -z "$n" ]; then
    echo "windows-test: $name did not finish; see $log"
    tail -n 20 "$log"
    status=1
  fi
done
"$wineserver" -k 2>/dev/null || true

finished=$(date +%s)
echo "windows-test: build $((built - started)) s, tests $((finished - built)) s under $("$wine" --version 2>/dev/null || echo wine)"
echo "wine: $passed passed, $failed failed, $skipped skipped"
exit $status
