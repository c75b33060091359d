#!/bin/sh
# The fsmd-sim example of docs/simulation.md, run as it stands by sim/runner/tests/fsmd_sim_test.py.
# One bench on its bundled example design and data; the results stay in run/.
fsmd-sim popcount --dir run
tail -n 1 run/popcount_alg_test_results.txt

# Own test data (0xFF has 8 set bits, not 9): exit status 1, one failed test.
printf '00000007 00000003\n000000FF 00000009\n' > my_data.txt
fsmd-sim popcount --data my_data.txt --dir run-mine --junit run-mine/junit.xml || echo "exit status $?"

# The four benches, two at a time, on the LLVM back end, with one summary table.
fsmd-sim all -j 2 --backend llvm --dir run-all
