#!/bin/sh
# Builds zbig_small_sizes_bench (Release), runs it with the zbig and cpp_int
# benchmarks interleaved and repeated, and writes docs/zbig-small-sizes.md:
# the best time of each and their ratio at 64 to 1,024 bits.
# Usage: zbig/bench/run-small-sizes-bench.sh [build-dir] [repetitions]
#        (defaults: build-bench, 7)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-bench}
reps=${2:-7}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFSMDKIT_BENCHMARKS=ON \
      -DBUILD_TESTING=OFF -DFSMDKIT_SIM_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target zbig_small_sizes_bench >/dev/null
json=$build/zbig-small-sizes.json
# Random interleaving spreads each benchmark's repetitions over the run, so a
# burst of load from other jobs hits both libraries alike.
"$build/bin/zbig_small_sizes_bench" --benchmark_min_time=0.05 \
    --benchmark_repetitions="$reps" --benchmark_enable_random_interleaving=true \
    --benchmark_format=console --benchmark_out="$json" --benchmark_out_format=json >/dev/null
mkdir -p "$root/docs"
python3 "$root/zbig/bench/small_sizes_table.py" "$json" "$root/docs/zbig-small-sizes.md" "$reps"
echo "wrote $root/docs/zbig-small-sizes.md"
