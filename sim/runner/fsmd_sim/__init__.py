"""fsmd-sim: builds and runs a self-checking testbench against a design on
GHDL and reports every test and the verdict.

Modules, one concern each:
  cli       the command line
  kit       where the kit's VHDL, its unit list and its examples live
  benches   the four bundled benches (written from sim/testbench/instances.json)
  ghdl      finding GHDL, running it in its own process group, the watchdog
  cache     cache keys, libraries built privately and published by rename,
            locks that keep a library in use from being evicted
  library   the kit's library and a design's library, built through the cache
  job       what one run builds and runs; bench kinds plug in here
  results   reading the results file and the console into one outcome
  report    the console report
  junit     JUnit XML
  schedule  `all`: the four benches from one process, N GHDL runs at a time
  main      ties them together; exit statuses
"""
