#!/bin/sh
# The design-coverage example of README.md, run as it stands by sim/runner/tests/coverage_test.py.
# Three tests of the worked example qmac; none saturates below the range.
cat > qmac_three.vectors <<'END'
a    b    c    : y    sat
0100 0180 0000 : 0180 0
7FFF 7FFF 7FFF : 7FFF 1
0001 0002 0003 : 0003 0
END
fsmd-sim qmac --design "${QMAC:-sim/examples/qmac/qmac.vhd}" --vectors qmac_three.vectors \
  --dir run-qmac --coverage run-qmac/coverage --quiet

# The usual HTML report, from the lcov tracefile.
genhtml --branch-coverage --quiet --output-directory run-qmac/html run-qmac/coverage/coverage.info
