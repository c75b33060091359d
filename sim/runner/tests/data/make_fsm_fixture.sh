#!/bin/sh
# Regenerates the trees GHDL dumps for the state-machine designs
# (fsm_states.xml.gz, fsm_full.xml.gz, fsm_two_process.xml.gz,
# fsm_package.xml.gz of fsm_package_types.vhd and fsm_package.vhd) and
# fsm_states.gcov.json, gcov's counts of a gcc run of fsm_states.vhd on
# fsm_states_partial.vectors, on which the state-coverage tests run without
# GHDL.
set -eu
cd "$(dirname "$0")/../designs"
for design in fsm_states fsm_full fsm_two_process; do
  ghdl-mcode --file-to-xml --std=93c --ieee=standard $design.vhd | gzip -9n > ../data/$design.xml.gz
done
ghdl-mcode --file-to-xml --std=93c --ieee=standard fsm_package_types.vhd fsm_package.vhd \
  | gzip -9n > ../data/fsm_package.xml.gz
run=$(mktemp -d)
../../../../tools/fsmd-sim fsm_states --design fsm_states.vhd --vectors ../data/fsm_states_partial.vectors \
  --dir "$run/run" --coverage "$run/cov" --quiet > /dev/null
sed -n '/^{/p' "$run/run/.fsmd-sim/gcda/design-1.gcda.json" > ../data/fsm_states.gcov.json
rm -rf "$run"
