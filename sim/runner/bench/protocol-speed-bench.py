#!/usr/bin/env python3
"""What --overlap and --std 08 cost against the plain generated bench: the
processor time (user + system of fsmd-sim and everything it starts) of
fsmd-sim runs of one design on the same vectors, cached library, --quiet.

    sim/runner/bench/protocol-speed-bench.py [--tests N] [--rounds N] [--backend B]

Design: step_pipe of the protocol tests (sim/runner/tests/designs/protocols,
y = 3a + b, two stages, a new input every second cycle) with a start pulse
per test, which it completes in two cycles; under --overlap it takes one
every second cycle as well, so every row simulates the same clock cycles
and differs in the bench alone. Rows, each the fastest of the rounds, the
measurements of a round interleaved:

- plain: --start-mode pulse (the bench that reads one test at a time);
- --std 08: the same, the design and bench as VHDL-2008;
- --overlap: the feeder process and the in-order checks.

Prints each row's time and its ratio to plain; the target is at most 1.1.
"""
import argparse
import os
import pathlib
import random
import resource
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[3]
FSMD_SIM = ROOT / "tools" / "fsmd-sim"
DESIGN = ROOT / "sim" / "runner" / "tests" / "designs" / "protocols" / "step_pipe.vhd"
GENERICS = ["--generic", "STAGES=2", "--generic", "INTERVAL=2"]
ROWS = [("plain (--start-mode pulse)", ["--start-mode", "pulse"]),
        ("--std 08", ["--start-mode", "pulse", "--std", "08"]),
        ("--overlap", ["--overlap"])]
TARGET = 1.1


def vectors(count, seed=1):
    rng = random.Random(seed)
    lines = ["a b : y"]
    for _ in range(count):
        a, b = rng.randrange(256), rng.randrange(256)
        lines.append(f"{a:02X} {b:02X} : {(3 * a + b) % 1024:03X}")
    return "\n".join(lines) + "\n"


def processor_seconds(argv, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    proc = subprocess.run([str(a) for a in argv], env=env, capture_output=True, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if proc.returncode != 0:
        sys.exit(f"{' '.join(map(str, argv))} failed (status {proc.returncode}):\n{proc.stdout[-2000:]}"
                 f"{proc.stderr[-2000:]}")
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--tests", type=int, default=100000)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--backend", default="mcode")
    args = ap.parse_args()
    with tempfile.TemporaryDirectory(prefix="fsmd-sim-protocols-") as tmp:
        work = pathlib.Path(tmp)
        (work / "v.vectors").write_text(vectors(args.tests))
        env = dict(os.environ, FSMDKIT_CACHE_DIR=str(work / "cache"))

        def command(name, extra):
            return [FSMD_SIM, "step_pipe", "--design", DESIGN, "--vectors", work / "v.vectors",
                    "--dir", work / name, "--backend", args.backend, "--quiet", *GENERICS, *extra]

        for i, (_, extra) in enumerate(ROWS):  # the cache filled: every timed run is a cached one
            processor_seconds(command(f"warm-{i}", extra), env)
        best = {}
        for _ in range(args.rounds):
            for i, (label, extra) in enumerate(ROWS):
                seconds = processor_seconds(command(f"row-{i}", extra), env)
                best[label] = min(best.get(label, seconds), seconds)
    plain = best[ROWS[0][0]]
    print(f"| {args.tests:,} vectors, {args.backend}, step_pipe | processor time | / plain | target |")
    print("|---|---|---|---|")
    for label, _ in ROWS:
        ratio = best[label] / plain
        target = "" if label == ROWS[0][0] else f"at most {TARGET}"
        print(f"| {label} | {best[label]:.2f} s | {ratio:.2f} | {target} |")


if __name__ == "__main__":
    main()
