#!/bin/sh
# Builds zbig_bench (Release), runs it and writes docs/zbig-speed.md: the time
# of each operation in zbig and in Boost cpp_int on identical operands, their
# ratio and zbig's peak heap per operation.
# Usage: zbig/bench/run-bench.sh [build-dir]   (default: build-bench)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFSMDKIT_BENCHMARKS=ON \
      -DBUILD_TESTING=OFF -DFSMDKIT_SIM_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target zbig_bench >/dev/null
json=$build/zbig-bench.json
# Repetitions interleaved at random: load from other jobs on a shared
# machine then hits both libraries alike, and the table keeps the best.
"$build/bin/zbig_bench" --benchmark_min_time=0.2 --benchmark_repetitions=3 \
    --benchmark_enable_random_interleaving=true --benchmark_format=console \
    --benchmark_out="$json" --benchmark_out_format=json
mkdir -p "$root/docs"
python3 "$root/zbig/bench/speed_table.py" "$json" "$root/docs/zbig-speed.md"
echo "wrote $root/docs/zbig-speed.md"
