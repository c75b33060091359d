#!/usr/bin/env python3
"""How a test starts and ends in the generated bench, end to end on small
designs (designs/protocols): completion by done rising, busy falling or idle
rising again; a done held high; outputs read once settled; --output-delay;
--control reset=none with --reset-cycles and --after-reset; pipelines under
--overlap. Each case runs a design on vectors from a Python model and pins
the exit status and what the run must (or must not) say.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR, FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import random
import re
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
DESIGNS = pathlib.Path(__file__).resolve().parent / "designs" / "protocols"

rng = random.Random(2103)
A_VALUES = [0, 0xFF, 1, 0x7F] + [rng.randrange(256) for _ in range(20)]
PAIRS = [(0, 0), (0xFF, 0xFF)] + [(rng.randrange(256), rng.randrange(256)) for _ in range(40)]


def vectors(header, rows):
    return header + "\n" + "".join(" ".join(inputs) + " : " + " ".join(outputs) + "\n"
                                   for inputs, outputs in rows)


def step_vectors(*outputs):
    """step_done: y_copy and y_late are a + 1; outputs: the columns checked."""
    return vectors("a : " + " ".join(outputs),
                   [([f"{a:02X}"], [f"{(a + 1) % 256:02X}"] * len(outputs)) for a in A_VALUES])


def flag_vectors():
    return vectors("a : y", [([f"{a:02X}"], [f"{a ^ 0x5A:02X}"]) for a in A_VALUES])


def one_vectors():
    """step_one: y = a + 1, the edge that sees start."""
    return vectors("a : y", [([f"{a:02X}"], [f"{(a + 1) % 256:02X}"]) for a in A_VALUES])


def hls_vectors():
    """step_hls: ap_return = 3 * x + 1."""
    return vectors("x : ap_return", [([f"{a:02X}"], [f"{(3 * a + 1) % 256:02X}"]) for a in A_VALUES])


HLS = ["--architecture", "behav", "--control", "clk=ap_clk", "--control", "reset=ap_rst",
       "--control", "start=ap_start"]


def noreset_vectors(idle_edges):
    return vectors("a : y before", [([f"{a:02X}"], [f"{(a + idle_edges) % 256:02X}", f"{idle_edges:X}"])
                                    for a in A_VALUES])


def pipe_vectors(pairs=PAIRS):
    return vectors("a b : y", [([f"{a:02X}", f"{b:02X}"], [f"{(3 * a + b) % 1024:03X}"]) for a, b in pairs])


def run(name, entity, files, vectors_text, *options):
    """(exit status, console output, results file text) of one run."""
    d = SCRATCH / name
    shutil.rmtree(d, ignore_errors=True)
    d.mkdir(parents=True)
    (d / "v.vectors").write_text(vectors_text)
    proc = subprocess.run([FSMD_SIM, entity, "--design", *[str(DESIGNS / f) for f in files],
                           "--vectors", str(d / "v.vectors"), "--dir", str(d / "run"),
                           "--backend", BACKEND, "--quiet", *options],
                          capture_output=True, text=True)
    results = d / "run" / f"{entity}_test_results.txt"
    return proc.returncode, proc.stdout + proc.stderr, results.read_text() if results.exists() else ""


def cycles_of(results):
    return [int(c) for c in re.findall(r" cycles=(\d+)$", results, re.M)]


def interval(out):
    m = re.search(r"interval between accepted starts min / mean / max: (\S+) / (\S+) / (\S+) cycles;"
                  r" throughput: ([\d.]+) tests per 1,000 cycles", out)
    return m.groups() if m else None


N = len(A_VALUES)
ALL_PASS = rf"(?m)^\w+: {N} tests run, {N} passed, 0 failed"
ONE_CYCLE_HINT = r"a design that completes in one cycle needs --start-mode pulse"
STAYED = r"test 2 HANG at \d+ ns: done did not rise within \d+ cycles; done stayed '1' from the test before"


def every_test(cycles):
    """The summary of a run whose tests all took that many cycles."""
    return rf"(?m)^\w+: {N} tests run, {N} passed, 0 failed; cycles min / mean / max: {cycles} / {cycles}\.0 / {cycles}$"

# (label, entity, files, vectors, options, exit status, patterns that must
# be in the output, patterns that must not). Each catches the fault its
# label names.
CASES = [
    ("done held high: a hang naming the next test, never a pass",
     "step_done", ["step_done.vhd"], step_vectors("y_copy"), ["--architecture", "held_done", "--max-cycles", "40"],
     2, [r"test 2 never raised done within 40 cycles", r"step_done: 1 tests run, 1 passed, 0 failed", STAYED],
     [r"test 2: passed", r"passed, 0 cycles"]),
    ("done held high under a start pulse: the same",
     "step_done", ["step_done.vhd"], step_vectors("y_copy"),
     ["--architecture", "held_done", "--max-cycles", "40", "--start-mode", "pulse"],
     2, [r"test 2 never raised done within 40 cycles", STAYED], [r"test 2: passed", ONE_CYCLE_HINT]),
    ("done in one cycle under a start pulse: every test ends, in one cycle each",
     "step_one", ["step_one.vhd"], one_vectors(), ["--start-mode", "pulse", "--max-cycles", "20"],
     0, [every_test(1)], []),
    ("done in one cycle under a start pulse, outputs one cycle after the end",
     "step_one", ["step_one.vhd"], one_vectors(), ["--start-mode", "pulse", "--output-delay", "1"],
     0, [ALL_PASS], []),
    ("done in one cycle under a held start: a hang that says it needs a pulse",
     "step_one", ["step_one.vhd"], one_vectors(), ["--max-cycles", "20"],
     2, [r"test 2 never raised done within 20 cycles", STAYED + " " + re.escape(f"({ONE_CYCLE_HINT})")], []),
    ("a last state that ignores start under a start pulse: every test taken",
     "step_hls", ["step_hls.vhd"], hls_vectors(), [*HLS, "--control", "done=ap_done", "--start-mode", "pulse"],
     0, [every_test(2)], []),
    ("a concurrent copy of a register written with done: read with its new value",
     "step_done", ["step_done.vhd"], step_vectors("y_copy"), [], 0, [ALL_PASS], []),
    ("an output one cycle after done: wrong without --output-delay",
     "step_done", ["step_done.vhd"], step_vectors("y_late"), [], 1, [r"step_done test 1: FAILED"], []),
    ("an output one cycle after done: right with --output-delay 1 (pulse)",
     "step_done", ["step_done.vhd"], step_vectors("y_late", "y_copy"), ["--output-delay", "1", "--start-mode", "pulse"],
     0, [ALL_PASS], []),
    ("busy falling ends a test, in both start modes",
     "step_busy", ["step_flags.vhd"], flag_vectors(), [], 0, [ALL_PASS], []),
    ("busy falling, pulsed start",
     "step_busy", ["step_flags.vhd"], flag_vectors(), ["--start-mode", "pulse"], 0, [ALL_PASS], []),
    ("busy named as done: its rise ends test 1 before the results, a failure, never a pass",
     "step_busy", ["step_flags.vhd"], flag_vectors(), ["--control", "done=busy", "--start-mode", "pulse"],
     2, [r"step_busy test 1: FAILED: at \d+ ns: a=00 y=\"U+\" y_expected=5A"], [r"test 1: passed"]),
    ("idle rising again ends a test",
     "step_idle", ["step_flags.vhd"], flag_vectors(), ["--start-mode", "pulse"], 0, [ALL_PASS], []),
    ("idle that falls with start (high-level synthesis): the cycles of each test alone",
     "step_hls", ["step_hls.vhd"], hls_vectors(), [*HLS, "--control", "idle=ap_idle", "--start-mode", "pulse"],
     0, [every_test(3)], []),
    ("idle named by --control",
     "step_idle", ["step_flags.vhd"], flag_vectors(), ["--control", "idle=idle"], 0, [ALL_PASS], []),
    ("no reset port and no reset=none: exit 3 naming the role",
     "step_noreset", ["step_noreset.vhd"], noreset_vectors(1), [], 3, [r"no port reset for the role reset"], []),
    ("reset=none: one idle edge before the first test",
     "step_noreset", ["step_noreset.vhd"], noreset_vectors(1), ["--control", "reset=none"], 0, [ALL_PASS], []),
    ("reset=none with --reset-cycles 3 and --after-reset 4: seven idle edges",
     "step_noreset", ["step_noreset.vhd"], noreset_vectors(7),
     ["--control", "reset=none", "--reset-cycles", "3", "--after-reset", "4"], 0, [ALL_PASS], []),
    ("reset=none with --after-reset 2, pulsed start: three idle edges",
     "step_noreset", ["step_noreset.vhd"], noreset_vectors(3),
     ["--control", "reset=none", "--after-reset", "2", "--start-mode", "pulse"], 0, [ALL_PASS], []),
    ("--overlap without a ready port: exit 3",
     "step_done", ["step_done.vhd"], step_vectors("y_copy"), ["--overlap"], 3, [r"--overlap needs a ready port"], []),
]


class StartsAndEnds(unittest.TestCase):
    def test_each_case(self):
        for i, (label, entity, files, text, options, status, wanted, unwanted) in enumerate(CASES):
            with self.subTest(label):
                got, out, results = run(f"case-{i}", entity, files, text, *options)
                self.assertEqual(got, status, out[-3000:])
                for pattern in wanted:
                    self.assertRegex(out, pattern)
                for pattern in unwanted:
                    self.assertNotRegex(out, pattern)

    def test_busy_cycles_are_the_edges_busy_stood_high(self):
        # Catches cycles counted from elsewhere than the start: step_busy
        # raises busy at the edge that takes start and lowers it 1 + (a mod 4)
        # edges later; the count is those edges, at which busy stood '1'.
        status, out, results = run("busy-cycles", "step_busy", ["step_flags.vhd"], flag_vectors(),
                                   "--start-mode", "pulse")
        self.assertEqual(status, 0, out)
        self.assertEqual(cycles_of(results), [1 + (a % 4) for a in A_VALUES])


class Overlap(unittest.TestCase):
    """Catches: a pipeline fed one test at a time under --overlap, the
    interval measured between the wrong edges, completions matched to the
    wrong tests, an output delay ignored under --overlap."""

    def test_interval_latency_and_results_as_without_overlap(self):
        for stages, gap in ((5, 2), (3, 3), (2, 2)):
            with self.subTest(stages=stages, interval=gap):
                generics = ["--generic", f"STAGES={stages}", "--generic", f"INTERVAL={gap}"]
                status, out, overlapped = run(f"pipe-{stages}-{gap}", "step_pipe", ["step_pipe.vhd"],
                                              pipe_vectors(), "--overlap", "--passing-values", *generics)
                self.assertEqual(status, 0, out)
                low, mean, high, throughput = interval(out)
                self.assertEqual((low, mean, high), (str(gap), f"{gap}.0", str(gap)))
                # len(PAIRS) tests, one every gap cycles, the pipeline filled once.
                span = gap * (len(PAIRS) - 1) + stages
                self.assertAlmostEqual(float(throughput), 1000 * len(PAIRS) / span, delta=0.06)
                # Latency: the edges after the one that took the test up to
                # the one that gave its done.
                self.assertEqual(set(cycles_of(overlapped)), {stages - 1})
                status, out, alone = run(f"pipe-alone-{stages}-{gap}", "step_pipe", ["step_pipe.vhd"],
                                         pipe_vectors(), "--start-mode", "pulse", "--passing-values", *generics)
                self.assertEqual(status, 0, out)
                self.assertIsNone(interval(out))
                strip = re.compile(r" cycles=\d+$", re.M)
                self.assertEqual(strip.sub("", overlapped).splitlines()[:-2], strip.sub("", alone).splitlines()[:-1])

    def test_output_delay_under_overlap(self):
        generics = ["--generic", "LATE=1", "--generic", "INTERVAL=2"]
        for delay, status in (("0", 1), ("1", 0)):
            with self.subTest(delay=delay):
                got, out, _ = run(f"pipe-late-{delay}", "step_pipe", ["step_pipe.vhd"], pipe_vectors(),
                                  "--overlap", "--output-delay", delay, *generics)
                self.assertEqual(got, status, out)

    def test_a_wrong_result_fails_its_own_test(self):
        pairs = list(PAIRS)
        wrong = vectors("a b : y", [([f"{a:02X}", f"{b:02X}"],
                                     [f"{(3 * a + b + (i == 7)) % 1024:03X}"]) for i, (a, b) in enumerate(pairs)])
        status, out, results = run("pipe-wrong", "step_pipe", ["step_pipe.vhd"], wrong, "--overlap")
        self.assertEqual(status, 1, out)
        self.assertEqual(re.findall(r"^step_pipe test (\d+): FAILED", out, re.M), ["8"])
        a, b = pairs[7]
        self.assertIn(f"a={a:02X} b={b:02X} y={(3 * a + b) % 1024:03X}", out)
        # Stopped there with later tests in flight: the throughput counts the
        # eight that ended, over the cycles from the first start to the
        # eighth end (seven intervals of 2 and the 5 stages).
        status, out, results = run("pipe-wrong-stop", "step_pipe", ["step_pipe.vhd"], wrong, "--overlap",
                                   "--max-failures", "1")
        self.assertEqual(status, 1, out)
        self.assertAlmostEqual(float(interval(out)[3]), 8000 / (2 * 7 + 5), delta=0.06)

    def test_the_stop_line_under_overlap_only_when_tests_follow(self):
        # The file is read ahead under --overlap: at the limit, tests in
        # flight follow though the file is at its end, and at the last test
        # none does. Catches a stop line that looks at the file alone.
        count = len(PAIRS)
        wrong = vectors("a b : y", [([f"{a:02X}", f"{b:02X}"],
                                     [f"{(3 * a + b + (i in (7, count - 2, count - 1))) % 1024:03X}"])
                                    for i, (a, b) in enumerate(PAIRS)])
        for limit, stopped_at in ((2, count - 1), (3, None)):
            with self.subTest(limit=limit):
                status, out, results = run(f"pipe-stop-{limit}", "step_pipe", ["step_pipe.vhd"], wrong,
                                           "--overlap", "--max-failures", str(limit))
                self.assertEqual(status, 1, out)
                lines = results.splitlines()
                if stopped_at is None:
                    self.assertNotIn("run stopped", results)
                    self.assertIn(f"step_pipe: {count} tests run, {count - 3} passed, 3 failed;", out)
                else:
                    self.assertEqual(lines[-3], f"run stopped at --max-failures {limit}: the tests"
                                                " after this one did not run")
                    self.assertIn(f"{stopped_at} tests run, {stopped_at - limit} passed, {limit} failed,"
                                  f" 1 not run (stopped after", out)


if __name__ == "__main__":
    unittest.main(verbosity=2)
