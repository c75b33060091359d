#!/bin/sh
# Installs the build tree into a scratch prefix and runs the two worked
# examples of designs brought as they are (restoring_divider, mac_pipeline)
# from there, as the installed simulation guide walks through them: its
# commands copied out of it (PREFIX replaced) and run in a fresh folder, each
# output line it quotes found in what they printed, its CMake excerpt found
# in the example's CMakeLists.txt, the examples' own CMake tests passing (the
# divider's at 32 bits too). Then a one-line fault in each design, which the
# guide's commands must catch: the divider's at its first failing test, the
# pipeline's with the same tests failing, with the same values, whether it
# is fed as a pipeline or one test at a time.
set -eu
build_dir=$1 work=$2 cxx=$3
here=$(cd "$(dirname "$0")" && pwd)
prefix=$work/prefix
examples=$prefix/share/fsmdkit/examples
guide=$prefix/share/doc/fsmdkit/docs/simulation.md
blocks="python3 $here/doc_blocks.py"

rm -rf "$work"
mkdir -p "$work/tour"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in restoring_divider/restoring_divider.vhd restoring_divider/CMakeLists.txt \
         mac_pipeline/mac_pipeline.vhd mac_pipeline/CMakeLists.txt; do
  [ -e "$examples/$f" ] || { echo "install tree lacks share/fsmdkit/examples/$f"; exit 1; }
done
export PATH="$prefix/bin:$PATH" CXX="$cxx"

# The guide's ```sh block holding TEXT, PREFIX replaced, run in folder DIR;
# its output in LOG. Fails unless the exit status is STATUS.
run_block() { # TEXT DIR LOG STATUS
  $blocks block "$guide" sh "$1" | sed "s|\\bPREFIX\\b|$prefix|g" > "$3.sh"
  status=0
  (cd "$2" && sh -e "$3.sh") > "$3" 2>&1 || status=$?
  [ "$status" = "$4" ] || { echo "the guide's commands with '$1': exit status $status, not $4"; cat "$3"; exit 1; }
}

# Every line of the guide's ```cmake block holding TEXT is a line of FILE.
cmake_excerpt_in() { # TEXT FILE
  $blocks block "$guide" cmake "$1" > "$work/excerpt.cmake"
  printf '```cmake\n%s\n```\n' "$(cat "$work/excerpt.cmake")" > "$work/excerpt.md"
  $blocks excerpts "$work/excerpt.md" cmake "$2"
}

# The fsmd-sim commands of the guide's ```sh block holding TEXT, one a line
# (continuation lines joined).
sim_commands() { # TEXT
  $blocks block "$guide" sh "$1" | sed -e :a -e '/\\$/N; s/\\\n//; ta' | grep '^fsmd-sim '
}

# A passing ctest run of the build folder DIR with its two tests (the
# generator and fsmd-sim; "No tests were found" is success to ctest).
ctest_passes() { # DIR LOG
  ctest --test-dir "$1" --output-on-failure > "$2" 2>&1 || { cat "$2"; exit 1; }
  grep -q '100% tests passed, 0 tests failed out of 2' "$2" || { cat "$2"; exit 1; }
}

# The failure lines of a console log, without the parts that depend on how
# the tests were fed (time and cycles): the test, the values, the line.
failures() { # LOG
  grep ' FAILED: ' "$1" | sed 's/ at [0-9]* ns://; s/ cycles=[0-9]*//'
}

echo "== the divider with a generic width and a busy flag"
divider=$work/tour/restoring_divider
run_block "examples/restoring_divider" "$work/tour" "$work/divider.log" 0
$blocks output "$guide" "RESTORING_DIVIDER test has passed" "$work/divider.log"
# The two runs were at 16 and 8 bits.
head -n 3 "$divider/divider16.vectors" | grep -qx '[0-9A-F]\{4\} [0-9A-F]\{4\} : [0-9A-F]\{4\} [0-9A-F]\{4\}'
head -n 3 "$divider/divider8.vectors" | grep -qx '[0-9A-F]\{2\} [0-9A-F]\{2\} : [0-9A-F]\{2\} [0-9A-F]\{2\}'
run_block "--dir run-default" "$divider" "$work/divider-default.log" 3
$blocks output "$guide" "of 8 bits (at most 2)" "$work/divider-default.log"
[ ! -e "$divider/run-default/restoring_divider_test_results.txt" ]
# busy called otherwise is named with --control busy=PORT.
mkdir "$work/renamed-busy"
sed 's/\bbusy\b/working/g' "$divider/restoring_divider.vhd" > "$work/renamed-busy/restoring_divider.vhd"
if grep -qw busy "$work/renamed-busy/restoring_divider.vhd"; then echo "busy was not renamed"; exit 1; fi
(cd "$divider" && fsmd-sim restoring_divider --design "$work/renamed-busy/restoring_divider.vhd" --generic W=16 \
   --control busy=working --vectors divider16.vectors --dir run-renamed --quiet) > "$work/renamed-busy.log" 2>&1 ||
  { cat "$work/renamed-busy.log"; exit 1; }
grep -q '^restoring_divider: 3000 tests run, 3000 passed, 0 failed' "$work/renamed-busy.log"
cmake_excerpt_in "NAME restoring_divider" "$divider/CMakeLists.txt"
ctest_passes "$divider/build" "$work/divider-ctest.log"
cmake -S "$divider" -B "$divider/build32" -DCMAKE_PREFIX_PATH="$prefix" -DDIVIDER_WIDTH=32 >/dev/null
cmake --build "$divider/build32" >/dev/null
ctest_passes "$divider/build32" "$work/divider32-ctest.log"
sed -n 3p "$divider/build32/divider.vectors" | grep -qx '[0-9A-F]\{8\} [0-9A-F]\{8\} : [0-9A-F]\{8\} [0-9A-F]\{8\}'
# Widths the model cannot hold are refused, by the project and by the generator.
if cmake -S "$divider" -B "$divider/build33" -DCMAKE_PREFIX_PATH="$prefix" -DDIVIDER_WIDTH=33 \
     > "$work/divider33.log" 2>&1; then
  echo "DIVIDER_WIDTH=33 was accepted"; exit 1
fi
grep -q "DIVIDER_WIDTH is a width from 1 to 32, not '33'" "$work/divider33.log" || { cat "$work/divider33.log"; exit 1; }
for w in 0 33 x; do
  status=0
  "$divider/build/generate-divider-vectors" "$work/refused.vectors" $w 2>/dev/null || status=$?
  [ "$status" = 2 ] || { echo "generate-divider-vectors with W=$w: exit status $status, not 2"; exit 1; }
done

echo "== a one-line fault in the divider is caught"
# A divisor equal to the shifted remainder no longer fits: n / n is 0 rest n.
mkdir "$work/faulty-divider"
sed 's/if shifted >= /if shifted > /' "$divider/restoring_divider.vhd" > "$work/faulty-divider/restoring_divider.vhd"
if cmp -s "$divider/restoring_divider.vhd" "$work/faulty-divider/restoring_divider.vhd"; then
  echo "the fault was not made"; exit 1
fi
cp "$divider/divider16.vectors" "$work/faulty-divider/"
sim_commands "examples/restoring_divider" | grep -e '--generic W=16' > "$work/faulty-divider.sh"
[ "$(grep -c . "$work/faulty-divider.sh")" = 1 ]
status=0
(cd "$work/faulty-divider" && sh "$work/faulty-divider.sh") > "$work/faulty-divider.log" 2>&1 || status=$?
[ "$status" = 1 ] || { echo "the faulty divider: exit status $status, not 1"; cat "$work/faulty-divider.log"; exit 1; }
grep -q '^restoring_divider test [0-9]*: FAILED: at [0-9]* ns: dividend=' "$work/faulty-divider.log" ||
  { cat "$work/faulty-divider.log"; exit 1; }

echo "== the pipeline, fed as a pipeline and one test at a time"
pipeline=$work/tour/mac_pipeline
run_block "examples/mac_pipeline" "$work/tour" "$work/pipeline.log" 0
$blocks output "$guide" "throughput" "$work/pipeline.log"
# The option's own description quotes the same summary, in a list item.
quoted=$(sed -n 's/^  \(mac_pipeline: [0-9]* tests run, .*\)$/\1/p' "$guide")
[ -n "$quoted" ] && grep -qxF "$quoted" "$work/pipeline.log" ||
  { echo "the guide's quoted pipeline summary '$quoted' is not what the run printed"; exit 1; }
grep -q '^overlap: interval min / mean / max: 2 / 2.0 / 2 cycles; throughput: 499.5 tests per 1,000 cycles$' \
  "$pipeline/run-overlap/mac_pipeline_test_results.txt"
# The figures the README quotes are the summary's.
figures=$(sed -n 's/.*the interval between inputs, \([0-9. /]*\)$/\1/p' "$prefix/share/doc/fsmdkit/README.md")
[ -n "$figures" ] && grep -q "interval between accepted starts min / mean / max: $figures cycles" "$work/pipeline.log" ||
  { echo "the README's interval '$figures' is not the summary's"; exit 1; }
# Without --overlap and with start held at '1', the design takes each input
# again and again: the guide says this run needs --start-mode pulse.
status=0
(cd "$pipeline" && fsmd-sim mac_pipeline --design mac_pipeline.vhd --vectors mac.vectors --dir run-level --quiet) \
  > "$work/pipeline-level.log" 2>&1 || status=$?
[ "$status" = 1 ] || { echo "the pipeline under a held start: exit status $status, not 1"; exit 1; }
cmake_excerpt_in "NAME mac_pipeline" "$pipeline/CMakeLists.txt"
ctest_passes "$pipeline/build" "$work/pipeline-ctest.log"

echo "== a one-line fault in the pipeline fails the same tests either way"
# The low byte of b taken as signed: wrong whenever its top bit is set.
mkdir "$work/faulty-pipeline"
sed "s/signed('0' & b_r(7 downto 0))/resize(b_r(7 downto 0), 9)/" "$pipeline/mac_pipeline.vhd" \
  > "$work/faulty-pipeline/mac_pipeline.vhd"
if cmp -s "$pipeline/mac_pipeline.vhd" "$work/faulty-pipeline/mac_pipeline.vhd"; then
  echo "the fault was not made"; exit 1
fi
cp "$pipeline/mac.vectors" "$work/faulty-pipeline/"
sim_commands "examples/mac_pipeline" > "$work/faulty-pipeline.sh"
[ "$(grep -c . "$work/faulty-pipeline.sh")" = 2 ]
(cd "$work/faulty-pipeline" && sh "$work/faulty-pipeline.sh") > "$work/faulty-pipeline.log" 2>&1 || true
[ "$(grep -c '^mac_pipeline: verdict: FAILED' "$work/faulty-pipeline.log")" = 2 ] ||
  { cat "$work/faulty-pipeline.log"; exit 1; }
for run in run-overlap run-one; do
  [ -s "$work/faulty-pipeline/$run/mac_pipeline_test_results.txt" ] || { echo "no results in $run"; exit 1; }
done
# Both runs print their failures; the one with --overlap first.
failures "$work/faulty-pipeline.log" > "$work/faulty-pipeline.failures"
total=$(grep -c . "$work/faulty-pipeline.failures")
half=$((total / 2))
[ "$half" -gt 0 ] && [ $((half * 2)) = "$total" ] || { echo "odd failure count $total"; exit 1; }
head -n "$half" "$work/faulty-pipeline.failures" > "$work/overlap.failures"
tail -n "$half" "$work/faulty-pipeline.failures" > "$work/one.failures"
diff "$work/overlap.failures" "$work/one.failures"
echo "installed examples OK"
