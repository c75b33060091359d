#!/bin/sh
# Installs the build tree into a scratch prefix and runs the worked
# any-design example from there as a user would, with the commands and files
# the installed README shows (copied out of it, PREFIX replaced): the tour's
# commands (the example's CMake project against the installed kit, the
# generator writing the vectors, fsmd-sim checking qmac.vhd), the README's
# CMakeLists.txt copied into a fresh project, the coverage example (when
# GHDL's GCC back end and genhtml are there); the debugging session on the
# deliberately broken design (its first failing test rerun with its waves,
# the fix); then the broken design's whole test, which must fail with the
# failure lines the README quotes.
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

echo "== the README's debugging session: test 66 again, its waves, the fix"
# Each command as the README shows it, in the tour's copy, and each quoted
# output line in what it printed (/.../ standing for the folder of the copy).
tour=$work/tour/qmac
$blocks block "$readme" sh "--tests 66 --wave-on-failure" > "$work/failing.sh"
status=0
(cd "$tour" && sh -e "$work/failing.sh") > "$work/failing.log" 2>&1 || status=$?
[ "$status" = 1 ] || { echo "the rerun of the failing test: exit status $status, not 1"; cat "$work/failing.log"; exit 1; }
$blocks output "$readme" "qmac test 66: FAILED: at 65 ns" "$work/failing.log" "$work/tour/"
# The diagram beside the waves shows what the README says it shows: every
# port, y's wrong value FFFF and the expected 0000, the failing sample marked.
python3 - "$tour/run-broken/test66.svg" <<'END'
import sys
import xml.etree.ElementTree as ElementTree
texts = [t.text or "" for t in ElementTree.parse(sys.argv[1]).getroot().iter("{http://www.w3.org/2000/svg}text")]
for port in ("clk", "reset", "start", "done", "ready", "a", "b", "c", "y", "sat"):
    assert port in texts, (port, texts)
y = texts[texts.index("y"):texts.index("y expected")]
expected = texts[texts.index("y expected"):texts.index("sat")]
assert "FFFF" in y and "0000" in expected, texts
assert any(t.startswith("65 ns: test 66 failed:") for t in texts), texts
END
[ -s "$tour/run-broken/test66.vcd" ]
$blocks excerpts "$readme" vhdl "$example/qmac.vhd"
$blocks block "$readme" sh "--dir run-fixed --tests 66" > "$work/fixed.sh"
(cd "$tour" && sh -e "$work/fixed.sh") > "$work/fixed.log" 2>&1 || { cat "$work/fixed.log"; exit 1; }
$blocks output "$readme" "1 tests run, 1 passed" "$work/fixed.log"

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
  $blocks block "$readme" sh "genhtml --branch-coverage" > "$work/coverage.sh"
  (cd "$work/tour/qmac" && sh -e "$work/coverage.sh") > "$work/coverage.log" 2>&1 ||
    { cat "$work/coverage.log"; exit 1; }
  grep -qF "never executed: $work/tour/qmac/qmac.vhd: lines 70-71" "$work/coverage.log" ||
    { cat "$work/coverage.log"; exit 1; }
  grep -q 'lines 70-71' "$readme"
  [ -f "$work/tour/qmac/run-qmac/html/index.html" ]
  $blocks output "$readme" "states      5/5 reached" "$work/coverage.log" "$work/tour/"
  $blocks output "$readme" "#####:   70:" "$work/tour/qmac/run-qmac/coverage/qmac.vhd.gcov"
  # The vector the README names as missing reaches every line.
  $blocks block "$readme" sh "qmac_four.vectors" > "$work/coverage4.sh"
  (cd "$work/tour/qmac" && sh -e "$work/coverage4.sh") > "$work/coverage4.log" 2>&1 ||
    { cat "$work/coverage4.log"; exit 1; }
  $blocks output "$readme" "100.0%" "$work/coverage4.log"
  if grep -q 'never executed' "$work/coverage4.log"; then cat "$work/coverage4.log"; exit 1; fi
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
$blocks output "$readme" "at 3315 ns" "$work/broken.log"
echo "installed example OK"
