#!/usr/bin/env python3
"""Measures where fsmd-sim's any-design mode spends its time against plain
GHDL, and what --jobs gains, and writes the table to docs/fsmd-sim-scaling.md.

    sim/runner/bench/run-speed-bench.py [--tests N] [--big N] [--rounds N]
                                        [--backends B,...] [--output FILE]

Designs: the Q8.8 MAC of the worked example (sim/examples/qmac/qmac.vhd) and
wide_power beside this script (a 64-bit input, a 256-bit output). Rows, each
the ratio of two processor times (user + system of every process involved)
measured in the same round, rounds interleaved, the fastest of the rounds
kept:

- fsmd-sim (cached library, N vectors, --quiet) / the bench fsmd-sim
  generated, run by a plain ghdl command on the same library and vectors;
  beside it 1 + fsmd-sim's own process's time (own_time.py) / the plain run;
- that generated bench / a bench of the same design fed by a stimulus
  process (inputs from a generator in VHDL, no file read, no report);
- fsmd-sim's first run of a design it has never seen (the kit's library
  cached), one vector / plain ghdl analysis of GHDL's textio, the design and
  the generated bench, elaboration and run, in a fresh folder;
- fsmd-sim's cached start-up with one vector (milliseconds; the fastest of
  five runs a round);
- --big vectors (default 1,000,000) on qmac, one process against --jobs 2:
  wall-clock times, and whether the results file, summary and JUnit agree
  except in the two things a split changes (simulation times on failure
  lines, the cycles of each part's first test).
"""
import argparse
import os
import pathlib
import platform
import random
import resource
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[3]
FSMD_SIM = ROOT / "tools" / "fsmd-sim"
HERE = pathlib.Path(__file__).resolve().parent
FLAGS = [line for line in (ROOT / "sim" / "runtime" / "ghdl-flags.txt").read_text().splitlines()
         if line and not line.startswith("#")]


def qmac_model(a, b, c):
    """y, sat of qmac: round(c + a*b) to Q8.8 (ties toward plus infinity),
    saturated to 16 bits; a, b, c signed."""
    rounded = (a * b + (c << 8) + 128) >> 8
    if rounded > 32767:
        return 32767, 1
    if rounded < -32768:
        return -32768, 1
    return rounded, 0


def qmac_vectors(count, seed=1):
    rng = random.Random(seed)
    out = ["a b c : y sat"]
    for _ in range(count):
        a, b, c = (rng.randrange(-32768, 32768) for _ in range(3))
        y, sat = qmac_model(a, b, c)
        out.append(f"{a & 0xFFFF:04X} {b & 0xFFFF:04X} {c & 0xFFFF:04X} : {y & 0xFFFF:04X} {sat}")
    return "\n".join(out) + "\n"


def wide_vectors(count, seed=1):
    rng = random.Random(seed)
    out = ["x : y"]
    for _ in range(count):
        x = rng.randrange(1 << 64)
        out.append(f"{x:016X} : {x ** 4:064X}")
    return "\n".join(out) + "\n"


DESIGNS = {
    "qmac": (ROOT / "sim" / "examples" / "qmac" / "qmac.vhd", qmac_vectors,
             [("a", 16, "signed"), ("b", 16, "signed"), ("c", 16, "signed")],
             [("y", 16, "signed"), ("sat", 1, None)]),
    "wide_power": (HERE / "wide_power.vhd", wide_vectors, [("x", 64, "unsigned")],
                   [("y", 256, "unsigned")]),
}


def stimulus_bench(entity, inputs, outputs, count):
    """A bench of entity whose inputs come from a 16-bit linear congruential
    generator on VHDL integers (cheap on every back end): no file read,
    nothing written, the clock stopped after count tests."""
    def decl(name, width, kind):
        return f"  signal {name} : {kind}({width - 1} downto 0);" if kind else f"  signal {name} : std_logic;"

    # Widths are multiples of 16 here: each 16 bits from one draw.
    drive = []
    for name, width, kind in inputs:
        assert width % 16 == 0 and kind
        for j in range(width // 16):
            drive += ["      seed := (seed * 25173 + 13849) mod 65536;",
                      f"      {name}({16 * j + 15} downto {16 * j}) <= {kind}(to_unsigned(seed, 16));"]
    ports = [n for n, _, _ in inputs + outputs]
    return "\n".join([
        f"-- {entity} fed by a stimulus process: the baseline of the generated bench's cost.",
        "library ieee;", "use ieee.std_logic_1164.all;", "use ieee.numeric_std.all;", "",
        f"entity {entity}_stimulus_bench is", f"end entity {entity}_stimulus_bench;", "",
        f"architecture tb_arch of {entity}_stimulus_bench is",
        "  signal clk, reset, start, done, ready : std_logic;",
        "  signal finished : boolean := false;",
        *[decl(n, w, k) for n, w, k in inputs + outputs],
        "begin",
        f"  uut : entity work.{entity}(fsmd)",
        "    port map (clk => clk, reset => reset, start => start, done => done, ready => ready, "
        + ", ".join(f"{p} => {p}" for p in ports) + ");",
        "",
        "  -- A rising edge every 10 ns until the last test is done.",
        "  clock : process",
        "  begin",
        "    clk <= '1';",
        "    wait for 5 ns;",
        "    clk <= '0';",
        "    wait for 5 ns;",
        "    if finished then",
        "      wait;",
        "    end if;",
        "  end process clock;",
        "",
        "  -- Reset for one period, start held; new inputs when done rises.",
        "  stimulus : process",
        "    variable seed : natural := 1;",
        "  begin",
        "    reset <= '1';",
        "    start <= '0';",
        "    wait for 10 ns;",
        "    reset <= '0';",
        "    start <= '1';",
        f"    for i in 1 to {count} loop",
        *drive,
        "      wait until done = '1';",
        "    end loop;",
        "    finished <= true;",
        "    wait;",
        "  end process stimulus;",
        "end architecture tb_arch;", ""])


def timed(argv, cwd=None, env=None):
    """(completed process, wall seconds, processor seconds of it and its children)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    proc = subprocess.run([str(a) for a in argv], cwd=cwd, env=env, capture_output=True, text=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return proc, wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def must(proc, what, ok=lambda p: p.returncode == 0):
    if not ok(proc):
        sys.exit(f"{what} failed (status {proc.returncode}):\n{proc.stdout[-2000:]}{proc.stderr[-2000:]}")
    return proc


def textio(ghdl):
    out = subprocess.run([ghdl, "--dispconfig"], capture_output=True, text=True).stdout
    prefix = next(line.split(":", 1)[1].strip() for line in out.splitlines()
                  if line.startswith("library prefix:"))
    return str(pathlib.Path(prefix, "..", "src", "synopsys", "std_logic_textio.vhdl").resolve())


def ended(p):
    return p.returncode in (0, 1) and "End simulation time reached" in p.stdout + p.stderr


class Setup:
    """One design on one back end: its vectors, fsmd-sim's run folder and
    cache, the plain ghdl folders."""

    def __init__(self, work, backend, name, tests):
        self.backend, self.name = backend, name
        self.ghdl = shutil.which(f"ghdl-{backend}")
        design, make_vectors, inputs, outputs = DESIGNS[name]
        self.design = design
        self.dir = work / f"{backend}-{name}"
        self.dir.mkdir()
        self.vectors = self.dir / "v.vectors"
        self.vectors.write_text(make_vectors(tests))
        self.one = self.dir / "one.vectors"
        self.one.write_text(make_vectors(1))
        self.cache = self.dir / "cache"
        self.env = dict(os.environ, FSMDKIT_CACHE_DIR=str(self.cache))
        self.run = self.dir / "run"
        # The generated bench and its library, from a first run.
        must(timed(self.command(self.vectors, self.run), env=self.env)[0], f"fsmd-sim {name}")
        self.lib = max((self.cache / "lib").glob("design-*"), key=lambda p: os.stat(p).st_mtime)
        self.bench = f"{name}_fsmd_sim_bench"
        # The stimulus bench, analysed and elaborated by plain ghdl.
        self.stim = self.dir / "stimulus"
        self.stim.mkdir()
        (self.stim / "bench.vhd").write_text(stimulus_bench(name, inputs, outputs, tests))
        self.ghdl_cmd(["-a", *FLAGS, "--workdir=.", str(design), "bench.vhd"], self.stim)
        if backend != "mcode":
            self.ghdl_cmd(["-e", *FLAGS, "--workdir=.", f"{name}_stimulus_bench"], self.stim)
        self.cold_round = 0

    def ghdl_cmd(self, args, cwd):
        must(timed([self.ghdl, *args], cwd=cwd)[0], f"ghdl {' '.join(args[:1])} in {cwd}")

    def command(self, vectors, folder, *extra):
        return [FSMD_SIM, self.name, "--design", self.design, "--vectors", vectors, "--dir", folder,
                "--backend", self.backend, "--quiet", *extra]

    def fsmd_sim(self):
        """(processor time of the run, of fsmd-sim's own process in it)."""
        own = self.dir / "own-time"
        argv = ["/usr/bin/python3", "-S", HERE / "own_time.py", own, *self.command(self.vectors, self.run)]
        proc, _, cpu = timed(argv, env=self.env)
        must(proc, "fsmd-sim")
        return cpu, float(own.read_text())

    def fsmd_sim_one(self, repeats=5):
        """The fastest of a few runs: each takes a few tens of milliseconds,
        about what a busy moment of the machine can add to one."""
        best = None
        for _ in range(repeats):
            proc, _, cpu = timed(self.command(self.one, self.dir / "one"), env=self.env)
            must(proc, "fsmd-sim, one vector")
            best = cpu if best is None else min(best, cpu)
        return best

    def generated(self):
        if self.backend == "mcode":
            argv = [self.ghdl, "--elab-run", *FLAGS, f"--workdir={self.lib}", self.bench]
        else:
            argv = [self.lib / self.bench]
        proc, _, cpu = timed(argv, cwd=self.run)
        must(proc, "generated bench", ended)
        return cpu

    def stimulus(self):
        bench = f"{self.name}_stimulus_bench"
        argv = ([self.ghdl, "--elab-run", *FLAGS, "--workdir=.", bench] if self.backend == "mcode"
                else [self.stim / bench])
        proc, _, cpu = timed(argv, cwd=self.stim)
        must(proc, "stimulus bench")
        return cpu

    def cold(self):
        """(fsmd-sim's first run of a design it has never seen, plain ghdl
        analyse + elaborate + run of the same bench in a fresh folder), one
        vector, processor seconds. The design is a copy of this one with a
        comment of its own, so nothing of it is in the cache; the kit's
        library and fsmd-sim's compiled Python are."""
        self.cold_round += 1
        folder = self.dir / f"cold-{self.cold_round}"
        folder.mkdir()
        design = folder / self.design.name
        design.write_text(self.design.read_text() + f"-- cold round {self.cold_round}\n")
        argv = self.command(self.one, folder / "run")
        argv[argv.index(self.design)] = design
        proc, _, first = timed(argv, env=self.env)
        must(proc, "fsmd-sim, cold")
        plain = folder / "plain"
        plain.mkdir()
        shutil.copy(folder / "run" / f"{self.bench}.vhd", plain)
        shutil.copy(folder / "run" / f"{self.name}_bench_vectors.txt", plain)
        steps = [[self.ghdl, "-a", *FLAGS, "--workdir=.", textio(self.ghdl), design,
                  f"{self.bench}.vhd"]]
        if self.backend == "mcode":
            steps.append([self.ghdl, "--elab-run", *FLAGS, "--workdir=.", self.bench])
        else:
            steps += [[self.ghdl, "-e", *FLAGS, "--workdir=.", self.bench], [plain / self.bench]]
        cpu = 0.0
        for argv in steps:
            proc, _, used = timed(argv, cwd=plain)
            must(proc, f"plain {argv[1] if len(argv) > 1 else argv[0]}",
                 lambda p: p.returncode == 0 or ended(p))
            cpu += used
        shutil.rmtree(folder)
        return first, cpu


def split_run(work, big, rounds):
    """(wall of one process, wall of --jobs 2, agreement) on qmac."""
    folder = work / "jobs"
    folder.mkdir()
    vectors = folder / "big.vectors"
    text = qmac_vectors(big, seed=7).splitlines()
    # Two failures, in the second half, so the failure lines are compared too.
    for index in (len(text) * 3 // 4, len(text) - 1):
        fields = text[index].split()
        fields[4] = f"{int(fields[4], 16) ^ 1:04X}"
        text[index] = " ".join(fields)
    vectors.write_text("\n".join(text) + "\n")
    env = dict(os.environ, FSMDKIT_CACHE_DIR=str(folder / "cache"))

    def command(name, *extra):
        return [FSMD_SIM, "qmac", "--design", DESIGNS["qmac"][0], "--vectors", vectors, "--dir",
                folder / name, "--junit", folder / f"{name}.xml", *extra]

    must(timed(command("warm", "--quiet"), env=env)[0], "fsmd-sim qmac", lambda p: p.returncode == 1)
    single = jobs = None
    outputs = {}
    for _ in range(rounds):
        for name, extra in (("single", ()), ("jobs", ("--jobs", "2", "--independent-tests"))):
            proc, wall, _ = timed(command(name, *extra), env=env)
            must(proc, f"fsmd-sim qmac {name}", lambda p: p.returncode == 1)
            outputs[name] = proc.stdout
            if name == "single":
                single = wall if single is None else min(single, wall)
            else:
                jobs = wall if jobs is None else min(jobs, wall)
    same = agree(folder, outputs, big)
    shutil.rmtree(folder / "cache")
    return single, jobs, same


def agree(folder, outputs, big):
    """Whether the results files, console reports and JUnit files of the
    two runs agree once failure times, the cycles of the first test of the
    second part and the cycle figures of the summary are set aside."""
    import re
    k = big // 2 + 1

    def normal(text):
        text = re.sub(r"at \d+ (fs|ps|ns|us|ms|sec)\b", "at T", text)
        text = re.sub(rf"(test {k}: passed, )\d+ cycles", r"\1N cycles", text)
        text = re.sub(rf"(test {k} passed: .*cycles=)\d+", r"\1N", text)
        text = re.sub(rf'(name="test {k}"[^>]*>\s*<system-out>)\d+ cycles', r"\1N cycles", text)
        return re.sub(r"cycles min / mean / max: .*", "cycles", text)

    results = "qmac_test_results.txt"
    pairs = [((folder / "single" / results).read_text(), (folder / "jobs" / results).read_text()),
             (outputs["single"], outputs["jobs"]),
             ((folder / "single.xml").read_text(), (folder / "jobs.xml").read_text())]
    return all(normal(a) == normal(b) for a, b in pairs)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--tests", type=int, default=100000)
    ap.add_argument("--big", type=int, default=1000000)
    ap.add_argument("--rounds", type=int, default=2)
    ap.add_argument("--backends", default="mcode,llvm,gcc")
    ap.add_argument("--output", default=str(ROOT / "docs" / "fsmd-sim-scaling.md"))
    args = ap.parse_args()
    command = "sim/runner/bench/run-speed-bench.py " + " ".join(sys.argv[1:])
    load_before = os.getloadavg()
    backends = [b for b in args.backends.split(",") if shutil.which(f"ghdl-{b}")]
    rows = {}
    with tempfile.TemporaryDirectory(prefix="fsmd-sim-scaling-") as tmp:
        work = pathlib.Path(tmp)
        setups = [Setup(work, b, d, args.tests) for b in backends for d in DESIGNS]
        figures = {(s.backend, s.name): {} for s in setups}
        for _ in range(args.rounds):
            for s in setups:
                f = figures[(s.backend, s.name)]
                for key, measure in (("fsmd_sim", s.fsmd_sim), ("generated", s.generated),
                                     ("stimulus", s.stimulus), ("one", s.fsmd_sim_one)):
                    value = measure()
                    if key == "fsmd_sim":
                        value, own = value
                        f["own"] = min(f.get("own", own), own)
                    f[key] = min(f.get(key, value), value)
                first, plain = s.cold()
                f.setdefault("cold", []).append(first / plain)
        for s in setups:
            f = figures[(s.backend, s.name)]
            rows[(s.backend, s.name)] = (f["fsmd_sim"] / f["generated"], f["generated"] / f["stimulus"],
                                         min(f["cold"]), f["one"] * 1000,
                                         1 + f["own"] / f["generated"])
            print(f"{s.backend} {s.name}: fsmd-sim/ghdl {rows[(s.backend, s.name)][0]:.2f}"
                  f" (own time {rows[(s.backend, s.name)][4]:.3f}),"
                  f" generated/stimulus {rows[(s.backend, s.name)][1]:.2f},"
                  f" cold/plain {rows[(s.backend, s.name)][2]:.1f}x,"
                  f" start-up {rows[(s.backend, s.name)][3]:.0f} ms", file=sys.stderr)
        single, jobs, same = split_run(work, args.big, args.rounds)
    load_after = os.getloadavg()
    version = subprocess.run([shutil.which(f"ghdl-{backends[0]}"), "--version"], capture_output=True,
                             text=True).stdout.splitlines()[0]

    def span(index, fmt, backends_shown=None, beside=None):
        values = [(b, d, rows[(b, d)][index], beside and rows[(b, d)][beside[0]]) for b, d in rows
                  if backends_shown is None or b in backends_shown]
        return "; ".join(f"{b} {d} {fmt.format(v)}" + (f" ({beside[1].format(w)})" if beside else "")
                         for b, d, v, w in values)

    table = [
        "| what | today | target |",
        "|---|---|---|",
        "| fsmd-sim run / the same generated bench run by plain ghdl (in brackets: 1 + fsmd-sim's own"
        f" time / plain ghdl's) | {span(0, '{:.2f}', beside=(4, '{:.3f}'))} |"
        " at most 1.05 on every back end |",
        f"| generated bench / the same design fed by a stimulus process | {span(1, '{:.2f}')} |"
        " at most 1.5 |",
        f"| cold first run of a new design / plain ghdl analyse + elaborate + run | {span(2, '{:.1f}x')} |"
        " at most 2x |",
        f"| cached start-up, one vector (processor time, fastest of 5 runs a round) | {span(3, '{:.0f} ms')} |"
        " at most 60 ms on mcode and llvm |",
        f"| {args.big:,} vectors on 2 cores, wall clock, qmac | one process {single:.1f} s, --jobs 2"
        f" {jobs:.1f} s: {jobs / single:.2f}x; results, summary and JUnit"
        f" {'agree' if same else 'DIFFER'} but for the two named things | at most 0.6x |",
    ]
    for line in table:
        print(line)
    doc = [
        "# fsmd-sim: where the time goes, and --jobs",
        "",
        f"Written by `{command.strip()}` on {platform.machine()} with {os.cpu_count()} processors",
        f"({version}). Load average (1, 5, 15 min) {' '.join(f'{x:.2f}' for x in load_before)} before"
        f" and {' '.join(f'{x:.2f}' for x in load_after)} after the measurements (the script's own"
        " runs load one processor; more is other work on the machine).",
        "",
        f"Ratios are of processor times (user + system of every process involved), {args.tests:,}"
        f" vectors unless said otherwise, the measurements of one row interleaved in {args.rounds}"
        " rounds, the fastest of the rounds kept. The same simulation run twice on a shared machine"
        " can differ by more than 5%; so the first row gives, in brackets, 1 + the processor time"
        " of fsmd-sim's own process (sim/runner/bench/own_time.py: its Python, from the interpreter's"
        " start, without the GHDL processes) over plain ghdl's run, which a slow or fast simulation"
        " run does not move. Designs: qmac (sim/examples/qmac, three 16-bit"
        " inputs, a 16- and a 1-bit output) and wide_power (sim/runner/bench, a 64-bit input and a"
        " 256-bit output). Plain ghdl runs the bench fsmd-sim generated (from fsmd-sim's run folder,"
        " on its cached library); the stimulus bench feeds the design from a generator process and"
        " neither reads nor writes a file. The cold row is one vector through a design fsmd-sim has"
        " never seen (the kit's library cached) against plain ghdl analysing GHDL's textio, the design and the bench, elaborating and running in a"
        " fresh folder. The last row is wall-clock time, qmac run with --independent-tests (its tests"
        " do not depend on each other).",
        "",
        *table,
        "",
    ]
    pathlib.Path(args.output).write_text("\n".join(doc))
    print(f"wrote {args.output}", file=sys.stderr)


if __name__ == "__main__":
    main()
