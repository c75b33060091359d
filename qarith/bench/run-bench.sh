#!/bin/sh
# Builds qarith_bench (Release), runs it and writes docs/qarith-speed.md:
# each operation on the 9.6 format against the limit of a call, measured in
# one run with the benchmarks interleaved, best of REPETITIONS (default 7).
# Usage: qarith/bench/run-bench.sh [build-dir]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-bench}
repetitions=${REPETITIONS:-7}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFSMDKIT_BENCHMARKS=ON \
      -DBUILD_TESTING=OFF -DFSMDKIT_SIM_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target qarith_bench >/dev/null
json=$build/qarith-bench.json
"$build/bin/qarith_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true --benchmark_min_time=0.2 \
    --benchmark_format=console --benchmark_out="$json" --benchmark_out_format=json
mkdir -p "$root/docs"
python3 "$root/qarith/bench/speed_table.py" "$json" "$root/docs/qarith-speed.md"
echo "wrote $root/docs/qarith-speed.md"
