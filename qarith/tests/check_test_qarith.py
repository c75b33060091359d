#!/usr/bin/env python3
"""Checks test-qarith's standard output and standard error byte for byte.

Three layers: the lines that must appear where they appear; the whole output
rebuilt here from the fixed-point rules with Python's exact integers and
fractions (independent of the library); and the golden files under golden/.

usage: check_test_qarith.py TEST_QARITH GOLDEN_DIR
"""
import math
import subprocess
import sys
from fractions import Fraction
from pathlib import Path

DIVISION_BY_ZERO = "fxp_div: Division by zero.\n"


def bits(n, width):
    """The low `width` bits of n (two's complement), most significant first."""
    return format(n % (1 << width), "0%db" % width)


def text(number, iwl, fwl):
    """Text form of an exactly representable number: iwl two's-complement
    integer bits, '.', fwl fraction bits."""
    raw = math.floor(number * (1 << fwl))
    return bits(raw >> fwl, iwl) + "." + bits(raw, fwl)


def truncated(d, fwl):
    """double_to_fxp: the magnitude cut after fwl fraction bits, sign kept."""
    magnitude = Fraction(abs(d))
    cut = Fraction(math.floor(magnitude * (1 << fwl)), 1 << fwl)
    return -cut if d < 0 else cut


def sign_magnitude(digits):
    """fxp_to_double: the digits' top bit is the sign, the rest the magnitude."""
    integer, fraction = digits.split(".")
    pattern = integer + fraction
    magnitude = Fraction(int(pattern[1:], 2), 1 << len(fraction))
    return -magnitude if pattern[0] == "1" else magnitude


def expected_stdout():
    out = ["Test: fxp_add, fxp_sub, fxp_mul, fxp_div, fxp_neg, fxp_min, fxp_max\n"]
    for i in range(11):
        out.append("- %d = %d\n" % (i, -i))
        for j in range(11):
            out.append("%d + %d = %d\n" % (i, j, i + j))
            out.append("%d - %d = %d\n" % (i, j, i - j))
            out.append("%d * %d = %d\n" % (i, j, i * j))
            out.append("a = %s\nb = %s\nr = %s\n" % (text(i, 9, 6), text(j, 9, 6), text(i * j, 9, 6)))
            # The quotient is cut to six fraction bits; j = 0 keeps the product.
            out.append("%d / %d = %d\n" % (i, j, i // j if j else i * j))
            out.append("min(%d, %d) = %d\n" % (i, j, min(i, j)))
            out.append("max(%d, %d) = %d\n" % (i, j, max(i, j)))
    out.append("Test: double_to_fxp\n")
    for d in (6.125, 0.111, 0.99, 1.0, 1.02):
        out.append("\nr = %s (d = %f)\n" % (text(truncated(d, 6), 9, 6), d))
    out.append("Test: string_to_fxp\n")
    for s in ("000001101.110101", "110000001.000011", "101010101.001110"):
        out.append("\nr = %s\nTest: fxp_to-double\nfxp_to_double(%s) = %f" % (s, s, sign_magnitude(s)))
    out.append("\nTest: fxp_resize\n")
    # One integer bit (a copy of the sign bit) and two zero fraction bits.
    out.append("\nr = 1101010101.00111000\n")
    out.append("Test: ceil, fix, floor\n")
    for x in (-2.5, -1.75, -1.25, -0.5, 0.5, 1.25, 1.75, 2.5):
        out.append("\na = %s" % text(truncated(x, 4), 4, 4))
    return "".join(out)


# Lines fixed by the program's description, with their line numbers (1-based)
# where the position is fixed.
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
    # (consecutive lines that must appear together)
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


def main():
    program, golden = sys.argv[1], Path(sys.argv[2])
    run = subprocess.run([program], capture_output=True, timeout=60)
    stdout, stderr = run.stdout.decode("ascii"), run.stderr.decode("ascii")
    failures = []
    if run.returncode != 0:
        failures.append("exit status %d" % run.returncode)
    check_stated_lines(stdout, failures)
    if stdout != expected_stdout():
        failures.append("standard output differs from the rebuilt sequence")
    if stderr != DIVISION_BY_ZERO * 11:
        failures.append("standard error differs: %r" % stderr)
    if run.stdout != (golden / "test-qarith.stdout").read_bytes():
        failures.append("standard output differs from golden/test-qarith.stdout")
    if run.stderr != (golden / "test-qarith.stderr").read_bytes():
        failures.append("standard error differs from golden/test-qarith.stderr")
    for failure in failures:
        print("FAIL:", failure)
    print("test-qarith: %d bytes of output, %d of errors" % (len(run.stdout), len(run.stderr)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
