#!/usr/bin/env python3
"""Runs the testbenches through fsmd-sim against deliberately broken data and
designs and checks the results files line for line.

Environment: FSMD_SIM (the command), FSMD_EXAMPLES (the example folder),
FSMD_TEST_DESIGNS (the test designs), FSMD_TEST_DIR (a scratch folder of
this test alone), FSMD_BACKEND (mcode or llvm).
"""
import json
import os
import pathlib
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
EXAMPLES = pathlib.Path(os.environ["FSMD_EXAMPLES"])
DESIGNS = pathlib.Path(os.environ["FSMD_TEST_DESIGNS"])
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")

# What the results lines hold, from the bench manifest that the testbenches
# are generated from.
MANIFEST = json.loads((pathlib.Path(__file__).resolve().parents[1] / "instances.json").read_text())
NAMES = {b: m["cycles_text"].split(" ", 1)[0] for b, m in MANIFEST.items()}
INPUTS = {b: m["inputs"] for b, m in MANIFEST.items()}
OUTPUT_LABEL = {b: m["output_label"].strip(" =") for b, m in MANIFEST.items()}


def run(bench, name, data_lines=None, design=None, stop_time=None):
    """Runs bench in its own folder; returns (exit status, stdout, results lines)."""
    directory = SCRATCH / name
    shutil.rmtree(directory, ignore_errors=True)
    directory.mkdir(parents=True)
    argv = [FSMD_SIM, bench, "--dir", str(directory), "--backend", BACKEND]
    if data_lines is not None:
        data = directory / "input-data.txt"
        data.write_text("".join(line + "\n" for line in data_lines))
        argv += ["--data", str(data)]
    if design is not None:
        argv += ["--design", str(design)]
    if stop_time is not None:
        argv += ["--stop-time", stop_time]
    proc = subprocess.run(argv, capture_output=True, text=True)
    results = directory / f"{bench}_alg_test_results.txt"
    lines = results.read_text().splitlines() if results.exists() else None
    return proc.returncode, proc.stdout + proc.stderr, lines


def example_data(bench):
    return (EXAMPLES / "data" / f"{bench}_test_data.txt").read_text().splitlines()


def passing_lines(bench, fields, cycles):
    """The two results lines of a passing test, built from the data fields."""
    *inputs, expected = fields
    text = "".join(f" {name}={value}" for name, value in zip(INPUTS[bench], inputs))
    out = OUTPUT_LABEL[bench]
    return [f"{text} {out}={expected} {out}_ref={expected}",
            f"{NAMES[bench]} OK: Number of cycles={cycles}"]


def failing_line(bench, fields, actual):
    *inputs, expected = fields
    # Every input carries the full error prefix, the second one of eda included.
    text = "".join(f"{NAMES[bench]} error: {name}={value}"
                   for name, value in zip(INPUTS[bench], inputs))
    out = OUTPUT_LABEL[bench]
    return f"{text} {out}={actual} {out}_ref={expected}"


class GoodRuns:
    """The examples' own results, run once: the reference for passing lines."""
    cache = {}

    @classmethod
    def cycles(cls, bench):
        if bench not in cls.cache:
            status, output, lines = run(bench, f"{bench}-reference")
            assert status == 0, output
            cls.cache[bench] = [int(l.rpartition("=")[2]) for l in lines if " OK: " in l]
        return cls.cache[bench]


class FailingTests(unittest.TestCase):
    def corrupt_and_check(self, bench, corrupt):
        """Runs the example data with the expected value of the tests in
        corrupt changed, and checks every line of the results."""
        data = example_data(bench)
        cycles = GoodRuns.cycles(bench)
        broken, expected = [], []
        for number, line in enumerate(data, start=1):
            fields = line.split()
            if number in corrupt:
                good = fields[-1]
                fields[-1] = f"{(int(good, 16) + 1) % 2**32:08X}"
                expected.append(failing_line(bench, fields, good))
            else:
                expected += passing_lines(bench, fields, cycles[number - 1])
            broken.append(" ".join(fields))
        expected.append(f"{NAMES[bench]} algorithm test has not passed")
        status, output, lines = run(bench, f"{bench}-failing", broken)
        self.assertEqual(status, 1, output)
        self.assertEqual(lines, expected)
        for number in corrupt:
            self.assertIn(f"{bench} test {number}: FAILED", output)
        self.assertIn(f"{len(data) - len(corrupt)} passed, {len(corrupt)} failed", output)

    def test_eda_failing_line_repeats_the_prefix_for_the_second_input(self):
        self.corrupt_and_check("eda", {2, 32})

    def test_fibo_and_popcount_label_the_output_with_a_capital_d(self):
        self.corrupt_and_check("fibo", {1, 20})
        self.corrupt_and_check("popcount", {256})

    def test_arraysum_failure_in_the_first_test_fails_the_verdict(self):
        self.corrupt_and_check("arraysum", {1})


class DataFileShapes(unittest.TestCase):
    def test_empty_data_file_passes_with_only_the_verdict(self):
        status, output, lines = run("popcount", "empty", [])
        self.assertEqual(status, 0, output)
        self.assertEqual(lines, ["POPCOUNT algorithm test has passed"])
        self.assertIn("holds no test", output)

    def test_lines_beyond_ntests_max_are_never_read(self):
        data = example_data("arraysum")
        self.assertEqual(len(data), 10)
        # Wrong expectations after the tenth line would fail if they were read.
        extra = ["00000001 00000BAD", "00000002 00000BAD"]
        status, output, lines = run("arraysum", "beyond-limit", data + extra)
        self.assertEqual(status, 0, output)
        self.assertEqual(len([l for l in lines if " OK: " in l]), 10)
        self.assertEqual(lines[-1], "ARRAYSUM algorithm test has passed")

    def test_trailing_text_and_lower_case_hex_read_as_the_plain_data(self):
        data = example_data("eda")
        cycles = GoodRuns.cycles("eda")
        expected = sum((passing_lines("eda", l.split(), c) for l, c in zip(data, cycles)), [])
        expected.append("EDA algorithm test has passed")
        for name, variant in (("trailing", [l + "   trailing words 12345678" for l in data]),
                              ("lower-case", [l.lower() for l in data])):
            with self.subTest(name):
                status, output, lines = run("eda", name, variant)
                self.assertEqual(status, 0, output)
                # hwrite writes upper case whatever the input's case.
                self.assertEqual(lines, expected)


class HangingDesigns(unittest.TestCase):
    def variant(self, name, **defaults):
        text = (DESIGNS / "popcount_one_cycle.vhd").read_text()
        for generic, value in defaults.items():
            text = text.replace(f"{generic.ljust(16)} : natural := 0", f"{generic.ljust(16)} : natural := {value}")
            text = text.replace(f"{generic.ljust(16)} : boolean := false", f"{generic.ljust(16)} : boolean := {value}")
        path = SCRATCH / f"{name}.vhd"
        SCRATCH.mkdir(parents=True, exist_ok=True)
        path.write_text(text)
        return path

    def test_one_cycle_design_passes_with_one_cycle_per_test(self):
        data = example_data("popcount")[:5]
        status, output, lines = run("popcount", "one-cycle", data, self.variant("one_cycle"))
        self.assertEqual(status, 0, output)
        expected = sum((passing_lines("popcount", l.split(), 1) for l in data), [])
        self.assertEqual(lines, expected + ["POPCOUNT algorithm test has passed"])

    def test_design_holding_done_high_stalls_and_keeps_earlier_lines(self):
        data = example_data("popcount")[:6]
        design = self.variant("holds_done", holds_done_after=3)
        status, output, lines = run("popcount", "holds-done", data, design, stop_time="5us")
        self.assertEqual(status, 2, output)
        # Three tests finished before done stuck at '1'; no verdict line follows.
        expected = sum((passing_lines("popcount", l.split(), 1) for l in data[:3]), [])
        self.assertEqual(lines, expected)
        self.assertIn("HANG", output)
        self.assertIn("test 4 never saw done rise", output)

    def test_design_that_never_finishes_is_a_hang_with_an_empty_results_file(self):
        data = example_data("popcount")[:2]
        design = self.variant("never_done", never_done="true")
        status, output, lines = run("popcount", "never-done", data, design, stop_time="2us")
        self.assertEqual(status, 2, output)
        self.assertEqual(lines, [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
