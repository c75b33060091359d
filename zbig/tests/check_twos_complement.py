#!/usr/bin/env python3
"""Holds zbig.hpp's two's complement functions against Python's int.

Python's int is an infinitely wide two's complement number for its bitwise
operators, so each function has a one-line model here. The cases are edge
values around powers of two and digit boundaries (30-bit digits) plus random
values of up to 300 bits, with widths around those boundaries too.

usage: check_twos_complement.py DRIVER
"""
import random
import subprocess
import sys


def wrap_unsigned(x, w):
    return x & ((1 << w) - 1)


def wrap_signed(x, w):
    u = wrap_unsigned(x, w)
    return u - (1 << w) if u >> (w - 1) else u


def to_bits(x, w):
    return format(wrap_unsigned(x, w), "0%db" % w) if w else ""


def cases(rng):
    edges = [0, 1, -1, 2, -2, 3, -3, 5, -6]
    for k in (7, 8, 29, 30, 31, 32, 33, 59, 60, 61, 63, 64, 65, 90, 127, 128):
        edges += [1 << k, -(1 << k), (1 << k) - 1, -(1 << k) + 1, (1 << k) + 1, -(1 << k) - 1]
    values = edges + [rng.randrange(-(1 << bits), 1 << bits) for bits in
                      (rng.randrange(1, 300) for _ in range(600))]
    widths = [0, 1, 2, 7, 8, 29, 30, 31, 32, 33, 60, 64, 65, 100, 200] + \
             [rng.randrange(0, 320) for _ in range(20)]
    for x in values:
        for w in rng.sample(widths, 6):
            yield "wrap_unsigned %d %d" % (x, w), str(wrap_unsigned(x, w))
            yield "to_bits %d %d" % (x, w), to_bits(x, w) or "-"
            yield "shift_right_floor %d %d" % (x, w), str(x >> w)
            bits = to_bits(x, w) or "-"
            yield "from_bits_unsigned %s" % bits, str(wrap_unsigned(x, w))
            if w > 0:
                yield "wrap_signed %d %d" % (x, w), str(wrap_signed(x, w))
                yield "from_bits_signed %s" % bits, str(wrap_signed(x, w))
        yield "bit_not %d" % x, str(~x)
        for y in rng.sample(values, 4) + rng.sample(edges, 2):
            yield "bit_and %d %d" % (x, y), str(x & y)
            yield "bit_or %d %d" % (x, y), str(x | y)
            yield "bit_xor %d %d" % (x, y), str(x ^ y)


def main():
    driver = sys.argv[1]
    seed = 2026
    todo = list(cases(random.Random(seed)))
    run = subprocess.run([driver], input="".join(q + "\n" for q, _ in todo), capture_output=True, text=True,
                         timeout=600)
    if run.returncode != 0:
        print("FAIL: driver exit status %d: %s" % (run.returncode, run.stderr))
        return 1
    answers = run.stdout.split("\n")[:-1]
    if len(answers) != len(todo):
        print("FAIL: %d answers to %d questions" % (len(answers), len(todo)))
        return 1
    failures = [(q, want, got) for (q, want), got in zip(todo, answers) if want != got]
    for q, want, got in failures[:20]:
        print("FAIL: %s: Python %s, zbig.hpp %s" % (q, want, got))
    print("%d operations (seed %d), %d differ" % (len(todo), seed, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
