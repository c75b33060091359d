#!/bin/sh
# Installs the build tree into a scratch prefix and runs the worked
# any-design example from there as a user would: its CMake project against
# the installed kit (find_package, fsmdkit::vectors, fsmdkit_add_sim_test),
# the generator writing the vectors, fsmd-sim checking qmac.vhd; then the
# deliberately broken design, whose test must fail with failure lines.
set -eu
build_dir=$1 work=$2 cxx=$3
prefix=$work/prefix
example=$prefix/share/fsmdkit/examples/qmac

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in bin/fsmd-sim include/fsmdkit/vectors.hpp lib/cmake/fsmdkit/FsmdkitSimTest.cmake \
         share/fsmdkit/examples/qmac/CMakeLists.txt; do
  [ -e "$prefix/$f" ] || { echo "install tree lacks $f"; exit 1; }
done

echo "== the example against the installed kit"
cmake -S "$example" -B "$work/qmac" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$work/qmac" >/dev/null
ctest --test-dir "$work/qmac" --output-on-failure
grep -q '^QMAC test has passed$' "$work/qmac/qmac.sim/qmac_test_results.txt"
[ "$(grep -c '^a b c : y sat$' "$work/qmac/qmac.vectors")" = 1 ]

echo "== the broken design fails"
cmake -S "$example" -B "$work/qmac-broken" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
      -DQMAC_DESIGN=qmac_broken.vhd >/dev/null
cmake --build "$work/qmac-broken" >/dev/null
if ctest --test-dir "$work/qmac-broken" --output-on-failure >"$work/broken.log" 2>&1; then
  echo "the broken design passed"; cat "$work/broken.log"; exit 1
fi
grep -q 'qmac test [0-9]*: FAILED: at [0-9]* ns: a=' "$work/broken.log" || { cat "$work/broken.log"; exit 1; }
grep -q 'qmac: verdict: FAILED (QMAC test has not passed)' "$work/broken.log"
echo "installed example OK"
