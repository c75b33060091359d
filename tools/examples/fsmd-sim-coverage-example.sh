#!/bin/sh
# The README's design-coverage example; the tests run it as it stands in a copy of the example qmac.
# Three tests of the worked example qmac; none saturates below the range.
cat > qmac_three.vectors <<'END'
a    b    c    : y    sat
0100 0180 0000 : 0180 0
7FFF 7FFF 7FFF : 7FFF 1
0001 0002 0003 : 0003 0
END
fsmd-sim qmac --design qmac.vhd --vectors qmac_three.vectors \
  --dir run-qmac --coverage run-qmac/coverage --quiet

# The usual HTML report, from the lcov tracefile.
genhtml --branch-coverage --quiet --output-directory run-qmac/html run-qmac/coverage/coverage.info
