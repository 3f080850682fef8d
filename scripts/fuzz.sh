#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the fuzz harnesses with clang (libFuzzer with
# AddressSanitizer and UndefinedBehaviorSanitizer) in build/fuzz and runs each
# for SECONDS (default: $FUZZ_SECONDS, else 60), all at once. Any crash,
# sanitizer report, leak or hang (an input taking over 10 s) fails the run;
# the input that did it is left in build/fuzz/run/artifacts, to be minimised
# (the program with -minimize_crash=1) and kept under the harness's
# regressions folder once the fault is fixed.
#   jet-fuzz-open-and-clear   a database file: open, list, clear   (jet/fuzz)
#   jet-fuzz-recover-journal  a journal beside a database          (jet/fuzz)
#   ini-fuzz-profile          an INI file: read, edit, copy out    (platform/winapi/fuzz)
# The engine starts from the fixture databases (copied, never changed) and
# the kept inputs; the others from their seeds and kept inputs.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-60}}
dir="$here/build/fuzz"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/err"; then
  echo "fuzz: clang++ cannot build a libFuzzer program (scripts/setup.sh installs clang and libclang-rt-dev):"
  cat "$probe/err"
  rm -rf "$probe"
  exit 1
fi
rm -rf "$probe"

if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
    -DTARVEX_WITH_GUI=OFF -DTARVEX_FUZZ=ON >/dev/null
fi
harnesses=(jet-fuzz-open-and-clear jet-fuzz-recover-journal ini-fuzz-profile)
cmake --build "$dir" --parallel "$(nproc)" --target "${harnesses[@]}"

run="$dir/run"
rm -rf "$run"
mkdir -p "$run/artifacts"
# seeds NAME FOLDER...: fills the working corpus of NAME from the folders.
seeds() {
  local name=$1; shift
  mkdir -p "$run/corpus/$name"
  for folder in "$@"; do
    [ -d "$folder" ] || continue
    find "$folder" -maxdepth 1 -type f ! -name README.md -size -320k -exec cp {} "$run/corpus/$name/" \;
  done
}
fixtures="$here/../shared/fixtures/access"
[ -d "$fixtures" ] || echo "fuzz: $fixtures is absent; the engine starts from its kept inputs only"
seeds open-and-clear "$fixtures" "$here/jet/fuzz/regressions/open-and-clear"
seeds recover-journal "$here/jet/fuzz/seeds/recover-journal" "$here/jet/fuzz/regressions/recover-journal"
seeds profile "$here/platform/winapi/fuzz/seeds" "$here/platform/winapi/fuzz/regressions"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# fuzz PROGRAM CORPUS MAX_LEN
fuzz() {
  local program=$1 corpus=$2 max_len=$3
  local binary
  binary=$(find "$dir" -type f -name "$program" -perm -u+x | head -n 1)
  "$binary" "$run/corpus/$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$run/artifacts/$program-" \
    >"$run/$program.log" 2>&1
}
echo "fuzz: running ${harnesses[*]} for $seconds s each"
pids=()
fuzz jet-fuzz-open-and-clear open-and-clear 327680 & pids+=($!)
fuzz jet-fuzz-recover-journal recover-journal 65536 & pids+=($!)
fuzz ini-fuzz-profile profile 4096 & pids+=($!)

status=0
for i in "${!harnesses[@]}"; do
  program=${harnesses[$i]}
  if wait "${pids[$i]}"; then result=clean; else result=FAILED; status=1; fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/$program.log" | tail -n 1)
  echo "fuzz: $program: ${runs:-?} executions, $result"
  if [ "$result" = FAILED ]; then
    grep -E "ERROR|SUMMARY|Test unit written|deadly signal|timeout" "$run/$program.log" | head -n 20 || true
    echo "fuzz: full log: $run/$program.log"
  fi
done
exit $status
