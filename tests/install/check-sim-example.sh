#!/bin/sh
# Installs the build tree into a scratch prefix and runs the worked
# any-design example from there as a user would, with the commands and files
# the installed README shows (copied out of it, PREFIX replaced): the tour's
# commands (the example's CMake project against the installed kit, the
# generator writing the vectors, fsmd-sim checking qmac.vhd), the README's
# CMakeLists.txt copied into a fresh project, the coverage example (when
# GHDL's GCC back end and genhtml are there); then the deliberately broken
# design, whose test must fail with failure lines.
set -eu
build_dir=$1 work=$2 cxx=$3
here=$(cd "$(dirname "$0")" && pwd)
prefix=$work/prefix
example=$prefix/share/fsmdkit/examples/qmac
readme=$prefix/share/doc/fsmdkit/README.md
blocks="python3 $here/doc_blocks.py"

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in bin/fsmd-sim include/fsmdkit/vectors.hpp lib/cmake/fsmdkit/FsmdkitSimTest.cmake \
         share/fsmdkit/examples/qmac/CMakeLists.txt share/doc/fsmdkit/README.md; do
  [ -e "$prefix/$f" ] || { echo "install tree lacks $f"; exit 1; }
done
export PATH="$prefix/bin:$PATH" CXX="$cxx"

echo "== the README's code is the example's"
$blocks block "$readme" cmake fsmdkit_add_sim_test > "$work/readme-CMakeLists.txt"
sed -n '/^cmake_minimum_required/,$p' "$example/CMakeLists.txt" | diff "$work/readme-CMakeLists.txt" -
$blocks excerpts "$readme" cpp "$example/qmac_model.hpp" "$example/generate_vectors.cpp"

echo "== the tour's commands, as the README shows them"
$blocks block "$readme" sh "cp -r PREFIX/share/fsmdkit/examples/qmac" | sed "s|\\bPREFIX\\b|$prefix|g" > "$work/tour.sh"
mkdir "$work/tour"
(cd "$work/tour" && sh -e "$work/tour.sh")
grep -q '^QMAC test has passed$' "$work/tour/qmac/build/qmac.sim/qmac_test_results.txt"
[ "$(grep -c '^a b c : y sat$' "$work/tour/qmac/build/qmac.vectors")" = 1 ]

echo "== the README's CMakeLists.txt in a fresh project"
mkdir "$work/consumer"
cp "$work/readme-CMakeLists.txt" "$work/consumer/CMakeLists.txt"
cp "$example/generate_vectors.cpp" "$example/qmac_model.hpp" "$example/qmac.vhd" "$work/consumer/"
cmake -S "$work/consumer" -B "$work/consumer/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer/build" >/dev/null
ctest --test-dir "$work/consumer/build" --output-on-failure >"$work/consumer.log" 2>&1 ||
  { cat "$work/consumer.log"; exit 1; }
# Both tests found and passed ("No tests were found" is success to ctest).
grep -q '100% tests passed, 0 tests failed out of 2' "$work/consumer.log" || { cat "$work/consumer.log"; exit 1; }

echo "== the README's coverage example, in the tour's copy of the example"
if ! command -v ghdl-gcc >/dev/null || ! command -v genhtml >/dev/null; then
  echo "skipped: it needs ghdl-gcc and genhtml (lcov)"
else
  $blocks block "$readme" sh "--coverage run-qmac/coverage" > "$work/coverage.sh"
  (cd "$work/tour/qmac" && sh -e "$work/coverage.sh") > "$work/coverage.log" 2>&1 ||
    { cat "$work/coverage.log"; exit 1; }
  grep -qF "never executed: $work/tour/qmac/qmac.vhd: lines 70-71" "$work/coverage.log" ||
    { cat "$work/coverage.log"; exit 1; }
  grep -q 'lines 70-71' "$readme"
  [ -f "$work/tour/qmac/run-qmac/html/index.html" ]
fi

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
