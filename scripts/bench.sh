#!/usr/bin/env bash
# Installs what is missing, builds the benchmark program (build/bench, the
# same optimised build type as the program itself, nothing but what the
# benchmark needs), runs the benchmarks and writes docs/benchmarks.md.
#
#   bash scripts/bench.sh [tarvex-bench options]   e.g. --runs 5, --rows 10000,100000
#
# The databases are made in a scratch folder (default build/bench/scratch;
# set TARVEX_BENCH_SCRATCH to put them elsewhere) and removed at the end. The
# run needs about 1.6 GiB free there and takes a few minutes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"

build="$here/build/bench"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_WITH_GUI=OFF >/dev/null
fi
cmake --build "$build" --target tarvex-bench --parallel "$(nproc)" >/dev/null
scratch=${TARVEX_BENCH_SCRATCH:-$build/scratch}
revision=$(git -C "$here" describe --always --dirty 2>/dev/null || echo unknown)
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")

"$build/bin/tarvex-bench" --scratch "$scratch" --out "$here/docs/benchmarks.md" \
  --revision "$revision" --build "${build_type:-default}" "$@"
echo "bench: results in $here/docs/benchmarks.md"
