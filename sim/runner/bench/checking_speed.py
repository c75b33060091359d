#!/usr/bin/env python3
"""How long a run takes that stops at its first failure (--max-failures 1)
or reruns one test (--tests), against the full run, on a 16-bit divider
(tests/designs/div_low.vhd, 18 cycles a test) that fails 392 of 3,000
tests. Libraries come from the cache (a warm-up run builds them); each
configuration runs ROUNDS times and the median wall-clock time is printed
as a Markdown table for docs/simulation.md.

usage: checking_speed.py [BACKEND] [ROUNDS]      (default: mcode 5)
"""
import os
import pathlib
import random
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[3]
FSMD_SIM = ROOT / "tools" / "fsmd-sim"
DESIGN = ROOT / "sim" / "runner" / "tests" / "designs" / "div_low.vhd"


def vectors(count=3000, low=392, seed=392):
    """Exact quotients; exactly `low` tests have a dividend that is a
    multiple of 20 and a quotient above 0, where div_low is one unit low."""
    rng = random.Random(seed)
    lows = set(rng.sample(range(1, count + 1), low))
    lines = ["a b : q"]
    for n in range(1, count + 1):
        while True:
            a, b = rng.randrange(1 << 16), rng.randrange(1, 1 << 16)
            if n in lows:
                a -= a % 20
            if (a % 20 == 0 and a // b > 0) == (n in lows):
                break
        lines.append(f"{a:04X} {b:04X} : {a // b:04X}")
    return "\n".join(lines) + "\n", min(lows)


def timed(argv):
    start = time.monotonic()
    status = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    return time.monotonic() - start, status


def main():
    backend = sys.argv[1] if len(sys.argv) > 1 else "mcode"
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory(prefix="checking-speed-") as scratch:
        path = pathlib.Path(scratch) / "div.vectors"
        text, first = vectors()
        path.write_text(text)
        base = [str(FSMD_SIM), "div_low", "--design", str(DESIGN), "--vectors", str(path),
                "--dir", os.path.join(scratch, "run"), "--backend", backend, "--quiet"]
        configurations = [("full run (3,000 tests, 392 fail)", []),
                          (f"--max-failures 1 (stops at test {first})", ["--max-failures", "1"]),
                          ("--tests 2999", ["--tests", "2999"])]
        for _, options in configurations:
            timed(base + options)  # warm-up: builds and caches the libraries
        print(f"| {backend} | median of {rounds} runs, s |\n|---|---|")
        full = None
        for name, options in configurations:
            times = []
            for _ in range(rounds):
                seconds, status = timed(base + options)
                if status not in (0, 1):
                    sys.exit(f"{name}: exit status {status}")
                times.append(seconds)
            median = statistics.median(times)
            full = full or median
            print(f"| {name} | {median:.2f} ({median / full:.0%} of the full run) |")


if __name__ == "__main__":
    main()
