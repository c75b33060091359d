#!/bin/sh
# Builds and runs the radix-conversion and number-theory benchmarks (zbig
# against cpp_int) in a Release tree of its own. Usage:
#   zbig/bench/run-number-theory-bench.sh [extra Google Benchmark flags]
set -eu
cd "$(dirname "$0")/../.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFSMDKIT_BENCHMARKS=ON \
      -DBUILD_TESTING=OFF -DFSMDKIT_SIM_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target zbig_number_theory_bench >/dev/null
exec build-bench/bin/zbig_number_theory_bench --benchmark_min_time=0.3 "$@"
