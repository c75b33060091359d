#!/usr/bin/env python3
"""Checks test-qarith's standard output and standard error byte for byte.

Two layers: the lines whose text and place are fixed, and the golden files
under golden/ (checked line by line when they were made: the arithmetic
lines against exact integers, the texts against the formats' bit patterns).

usage: check_test_qarith.py TEST_QARITH GOLDEN_DIR
"""
import subprocess
import sys
from pathlib import Path

DIVISION_BY_ZERO = "fxp_div: Division by zero.\n"

# Lines whose text is fixed: the first and last lines in order, the others
# anywhere, or together in blocks of consecutive lines.
FIRST_LINES = [
    "Test: fxp_add, fxp_sub, fxp_mul, fxp_div, fxp_neg, fxp_min, fxp_max",
    "- 0 = 0", "0 + 0 = 0", "0 - 0 = 0", "0 * 0 = 0",
    "a = 000000000.000000", "b = 000000000.000000", "r = 000000000.000000",
    "0 / 0 = 0", "min(0, 0) = 0", "max(0, 0) = 0", "0 + 1 = 1", "0 - 1 = -1",
]
SOMEWHERE = [
    "10 - 3 = 7", "3 - 10 = -7", "10 * 10 = 100", "10 / 3 = 3", "7 / 2 = 3", "max(3, 8) = 8",
    "Test: fxp_resize", "r = 1101010101.00111000",
]
BLOCKS = [
    ["max(6, 10) = 10", "- 7 = -7"],
    ["4 * 5 = 20", "a = 000000100.000000", "b = 000000101.000000", "r = 000010100.000000"],
    ["Test: double_to_fxp", "", "r = 000000110.001000 (d = 6.125000)",
     "", "r = 000000000.000111 (d = 0.111000)", "", "r = 000000000.111111 (d = 0.990000)",
     "", "r = 000000001.000000 (d = 1.000000)", "", "r = 000000001.000001 (d = 1.020000)"],
    ["r = 000001101.110101", "Test: fxp_to-double", "fxp_to_double(000001101.110101) = 13.828125"],
    ["r = 110000001.000011", "Test: fxp_to-double", "fxp_to_double(110000001.000011) = -129.046875"],
    ["r = 101010101.001110", "Test: fxp_to-double", "fxp_to_double(101010101.001110) = -85.218750"],
]
LAST_LINES = ["a = 0000.1000", "a = 0001.0100", "a = 0001.1100", "a = 0010.1000"]
NEGATIVE_FRACTIONS = ["1000", "0100", "1100", "1000"]


def check_stated_lines(stdout, failures):
    lines = stdout.split("\n")
    if lines[:len(FIRST_LINES)] != FIRST_LINES:
        failures.append("first lines differ: %r" % lines[:len(FIRST_LINES)])
    for line in SOMEWHERE:
        if line not in lines:
            failures.append("missing line %r" % line)
    for block in BLOCKS:
        if not any(lines[k:k + len(block)] == block for k in range(len(lines))):
            failures.append("missing block %r" % block)
    if lines[-4:] != LAST_LINES:
        failures.append("last lines differ: %r" % lines[-4:])
    listing = lines[-9:-4]
    if listing[0] != "" or [l[-4:] for l in listing[1:]] != NEGATIVE_FRACTIONS:
        failures.append("negative values listed as %r" % listing)
    if stdout.endswith("\n"):
        failures.append("output ends with a newline")


def check_write_errors(program, failures):
    """Output that cannot be written is an error: exit 1 and a message."""
    runs = {
        "a full device": ["sh", "-c", 'exec "$0" > /dev/full', program],
        "a closed standard output": ["sh", "-c", 'exec "$0" >&-', program],
    }
    for where, command in runs.items():
        run = subprocess.run(command, capture_output=True, timeout=60)
        stderr = run.stderr.decode("ascii", "replace")
        if run.returncode != 1:
            failures.append("writing to %s: exit status %d, not 1" % (where, run.returncode))
        if not stderr.startswith(DIVISION_BY_ZERO * 11 + "test-qarith: cannot write standard output"):
            failures.append("writing to %s: standard error %r" % (where, stderr[-200:]))


def main():
    program, golden = sys.argv[1], Path(sys.argv[2])
    run = subprocess.run([program], capture_output=True, timeout=60)
    stdout, stderr = run.stdout.decode("ascii"), run.stderr.decode("ascii")
    failures = []
    if run.returncode != 0:
        failures.append("exit status %d" % run.returncode)
    check_stated_lines(stdout, failures)
    if stderr != DIVISION_BY_ZERO * 11:
        failures.append("standard error differs: %r" % stderr)
    if run.stdout != (golden / "test-qarith.stdout").read_bytes():
        failures.append("standard output differs from golden/test-qarith.stdout")
    if run.stderr != (golden / "test-qarith.stderr").read_bytes():
        failures.append("standard error differs from golden/test-qarith.stderr")
    check_write_errors(program, failures)
    for failure in failures:
        print("FAIL:", failure)
    print("test-qarith: %d bytes of output, %d of errors" % (len(run.stdout), len(run.stderr)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
