#!/bin/sh
# Installs the build tree into a scratch prefix and runs the worked example
# of arrays and streams (share/fsmdkit/examples/movsum) from there as a user
# would: its CMake project against the installed kit, the generator writing
# the vectors, fsmd-sim checking movsum.vhd with and without back-pressure;
# then the broken design, which must pass without back-pressure and fail
# under --stall 30, naming the test, the array's word or the stream.
set -eu
build_dir=$1 work=$2 cxx=$3
prefix=$work/prefix
example=$prefix/share/fsmdkit/examples/movsum

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in movsum.vhd movsum_broken.vhd movsum_model.hpp generate_vectors.cpp CMakeLists.txt; do
  [ -e "$example/$f" ] || { echo "install tree lacks examples/movsum/$f"; exit 1; }
done
export PATH="$prefix/bin:$PATH" CXX="$cxx"
cp -r "$example" "$work/movsum"
cd "$work/movsum"

echo "== movsum.vhd: both tests pass"
cmake -S . -B build -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build build >/dev/null
ctest --test-dir build --output-on-failure >"$work/good.log" 2>&1 || { cat "$work/good.log"; exit 1; }
grep -q '100% tests passed, 0 tests failed out of 4' "$work/good.log" || { cat "$work/good.log"; exit 1; }
grep -q '^MOVSUM test has passed$' build/movsum_stalled.sim/movsum_test_results.txt

echo "== movsum_broken.vhd: passes without back-pressure, fails under --stall 30"
cmake -S . -B build -DMOVSUM_DESIGN=movsum_broken.vhd >/dev/null
status=0
ctest --test-dir build --output-on-failure >"$work/broken.log" 2>&1 || status=$?
[ "$status" != 0 ] || { echo "the broken design passed every test"; cat "$work/broken.log"; exit 1; }
grep -q '75% tests passed, 1 tests failed out of 4' "$work/broken.log" || { cat "$work/broken.log"; exit 1; }
grep -q '^MOVSUM test has passed$' build/movsum.sim/movsum_test_results.txt
grep -q '^MOVSUM test has not passed$' build/movsum_stalled.sim/movsum_test_results.txt
# Its failures name the word of res that differs with both values, or the
# values of x the design did not take.
grep -Eq '^test [0-9]+ FAILED at [0-9]+ ns: .*(res\[[0-9A-F]+\]=[0-9A-F]+ res\[[0-9A-F]+\]_expected=[0-9A-F]+|x: [0-9]+ of [0-9]+ values not taken)' \
  build/movsum_stalled.sim/movsum_test_results.txt
# The failure docs/simulation.md quotes.
grep -qxF 'test 3 FAILED at 165 ns: n=03 res[01]=00002 res[01]_expected=00003 (res: 2 words differ) x: 2 of 3 values not taken cycles=6' \
  build/movsum_stalled.sim/movsum_test_results.txt
echo "the arrays-and-streams example works from the installed tree"
