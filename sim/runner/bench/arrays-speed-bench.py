#!/usr/bin/env python3
"""Measures what memories and streams cost in fsmd-sim's generated bench,
and prints the two ratios with the figures behind them.

    sim/runner/bench/arrays-speed-bench.py [--tests N] [--values N] [--rounds N]
                                           [--backend B]

- Memory: array_sum_1k (beside this script) sums a memory of 1,024 words in
  each of N tests (default 100). The processor time of fsmd-sim (cached
  library, --quiet) when every test loads its 1,024 words from the vectors
  file and checks all of them at its end, against the same tests with an
  empty input list (the memory's words zero) and no check: what a memory
  of 1,024 words initialised and checked per test adds to the test's scalar
  part. Target: at most 2.
- Stream: stream_echo (tests/designs/streams) passes N values (default
  100,000) from its input stream to its output stream in one test. The
  processor time of fsmd-sim (cached library, --quiet, start=none) against
  a hand-written bench (stream_echo_handwritten_bench.vhd) that reads the
  same values from a file and checks the same outputs, elaborated and run
  by a plain ghdl command. Target: at most 1.2. Also the bench fsmd-sim
  generated, run by a plain ghdl command on its library and files, against
  the same hand-written bench: the simulation's share of the ratio.

Processor time is user + system of every process involved; rounds are
interleaved and the fastest of each kind kept.
"""
import argparse
import os
import pathlib
import random
import resource
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[3]
FSMD_SIM = ROOT / "tools" / "fsmd-sim"
HERE = pathlib.Path(__file__).resolve().parent
ECHO = ROOT / "sim" / "runner" / "tests" / "designs" / "streams" / "stream_echo.vhd"
FLAGS = [line for line in (ROOT / "sim" / "runtime" / "ghdl-flags.txt").read_text().splitlines()
         if line and not line.startswith("#")]


def timed(argv, cwd=None, env=None):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    proc = subprocess.run([str(a) for a in argv], cwd=cwd, env=env, capture_output=True, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return proc, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def must(proc, what, status=0):
    if proc.returncode != status:
        sys.exit(f"{what}: status {proc.returncode}\n{proc.stdout[-2000:]}{proc.stderr[-2000:]}")
    return proc


def textio(ghdl):
    out = subprocess.run([ghdl, "--dispconfig"], capture_output=True, text=True).stdout
    prefix = next(line.split(":", 1)[1].strip() for line in out.splitlines()
                  if line.startswith("library prefix:"))
    return str(pathlib.Path(prefix, "..", "src", "synopsys", "std_logic_textio.vhdl").resolve())


def memory_vectors(tests, full, seed=5):
    rng = random.Random(seed)
    lines = ["n arr : sum arr"]
    for _ in range(tests):
        words = [rng.randrange(1 << 16) for _ in range(1024)]
        if full:
            listed = "[" + " ".join(f"{w:04X}" for w in words) + "]"
            lines.append(f"400 {listed} : {sum(words):07X} {listed}")
        else:
            lines.append("400 [] : 0000000 -")
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--tests", type=int, default=100)
    ap.add_argument("--values", type=int, default=100000)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--backend", default="mcode")
    args = ap.parse_args()
    ghdl = shutil.which(f"ghdl-{args.backend}")
    work = pathlib.Path(tempfile.mkdtemp(prefix="arrays-speed-"))
    env = dict(os.environ, FSMDKIT_CACHE_DIR=str(work / "cache"))

    memory = ["--memory", "arr:address=arr_addr,read_data=arr_q,enable=arr_en"]
    kinds = {}
    for label, full in (("memory", True), ("scalar", False)):
        vectors = work / f"{label}.vectors"
        vectors.write_text(memory_vectors(args.tests, full))
        kinds[label] = [FSMD_SIM, "array_sum_1k", "--design", HERE / "array_sum_1k.vhd", "--vectors", vectors,
                        "--dir", work / label, "--backend", args.backend, "--quiet", "--max-cycles", "5000",
                        *memory]

    rng = random.Random(9)
    values = [rng.randrange(4096) for _ in range(args.values)]
    listed = "[" + " ".join(f"{v:03X}" for v in values) + "]"
    (work / "stream.vectors").write_text(f"x : y\n{listed} : {listed}\n")
    kinds["stream"] = [FSMD_SIM, "stream_echo", "--design", ECHO, "--vectors", work / "stream.vectors",
                       "--dir", work / "stream", "--backend", args.backend, "--quiet",
                       "--max-cycles", str(4 * args.values), "--stream", "x,last=x_last",
                       "--stream", "y,last=y_last", "--control", "start=none"]
    hand = work / "hand"
    hand.mkdir()
    text = "".join(f"{v:03X}\n" for v in values)
    (hand / "x.txt").write_text(text)
    (hand / "y.txt").write_text(text)
    must(timed([ghdl, "-a", *FLAGS, "--workdir=.", textio(ghdl), ECHO,
                HERE / "stream_echo_handwritten_bench.vhd"], cwd=hand)[0], "analysis of the hand-written bench")
    if args.backend != "mcode":
        must(timed([ghdl, "-e", *FLAGS, "--workdir=.", "stream_echo_handwritten_bench"], cwd=hand)[0],
             "elaboration of the hand-written bench")
        kinds["hand"] = [hand / "stream_echo_handwritten_bench"]
    else:
        kinds["hand"] = [ghdl, "--elab-run", *FLAGS, "--workdir=.", "stream_echo_handwritten_bench"]

    # A first run of each fills the cache (libraries, compiled Python).
    for label, argv in kinds.items():
        proc = must(timed(argv, cwd=hand if label == "hand" else None, env=env)[0], label)
        if label == "hand" and "differences: 0" not in proc.stdout + proc.stderr:
            sys.exit(f"the hand-written bench found differences:\n{proc.stdout}{proc.stderr}")
    # The generated stream bench alone: the newest library of the cache is
    # the stream run's, the last fsmd-sim run above.
    lib = max((work / "cache" / "lib").glob("design-*"), key=lambda p: os.stat(p).st_mtime)
    bench = "stream_echo_fsmd_sim_bench"
    kinds["generated"] = ([ghdl, "--elab-run", *FLAGS, f"--workdir={lib}", bench] if args.backend == "mcode"
                          else [lib / bench])
    cwd = {"hand": hand, "generated": work / "stream"}
    best = {label: float("inf") for label in kinds}
    for _ in range(args.rounds):
        for label, argv in kinds.items():
            proc, cpu = timed(argv, cwd=cwd.get(label), env=env)
            must(proc, label)
            best[label] = min(best[label], cpu)
    print(f"backend {args.backend}, {args.rounds} rounds, fastest kept (processor seconds)")
    print(f"memory: {args.tests} tests of 1,024 words loaded and checked: {best['memory']:.3f} s;"
          f" the same tests' scalar part (no list, no check): {best['scalar']:.3f} s;"
          f" ratio {best['memory'] / best['scalar']:.2f} (target at most 2)")
    print(f"stream: {args.values:,} values through fsmd-sim: {best['stream']:.3f} s;"
          f" hand-written bench: {best['hand']:.3f} s;"
          f" ratio {best['stream'] / best['hand']:.2f} (target at most 1.2)")
    print(f"stream: the generated bench alone (plain ghdl, same files): {best['generated']:.3f} s;"
          f" ratio {best['generated'] / best['hand']:.2f} to the hand-written bench")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
