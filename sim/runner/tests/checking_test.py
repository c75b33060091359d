#!/usr/bin/env python3
"""Checking end to end on GHDL, on the back end named by FSMD_BACKEND: a
divider one unit low on 5% of its results passes with --tolerance and fails
without; tolerances at the ends of 8-, 5- and 128-bit ranges, signed and
unsigned, and wider than the range; digit masks that leave exactly the
masked digit unchecked, each digit in turn; --max-failures stopping at the
first failure; --tests rerunning chosen tests under their own numbers.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR (a scratch folder of this
test alone), FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import random
import re
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ["FSMD_BACKEND"]
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
DESIGNS = pathlib.Path(__file__).resolve().parent / "designs"
DIV_LOW = DESIGNS / "div_low.vhd"
MIRROR = DESIGNS / "mirror.vhd"


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args, backend=BACKEND):
    proc = subprocess.run([FSMD_SIM, *map(str, args), "--backend", backend], capture_output=True,
                          text=True)
    return proc.returncode, proc.stdout, proc.stderr


def verdicts(results_file):
    """Test number -> passed, from a results file."""
    found = {}
    for line in pathlib.Path(results_file).read_text().splitlines():
        m = re.match(r"test (\d+) (passed|FAILED)", line)
        if m:
            found[int(m.group(1))] = m.group(2) == "passed"
    return found


def divider_vectors(count, low, seed):
    """Vectors of div_low with exact quotients, where exactly `low` tests
    (at random places) have a dividend that is a multiple of 20 and a
    quotient above 0, on which the design is one unit low. Returns the text
    and the numbers of those tests."""
    rng = random.Random(seed)
    lows = set(rng.sample(range(1, count + 1), low))
    lines = ["# div_low: q = a / b", "a b : q"]
    for n in range(1, count + 1):
        while True:
            a, b = rng.randrange(1 << 16), rng.randrange(1, 1 << 16)
            if n in lows:
                a = a - a % 20
            if (a % 20 == 0 and a // b > 0) == (n in lows):
                break
        lines.append(f"{a:04X} {b:04X} : {a // b:04X}")
    return "\n".join(lines) + "\n", sorted(lows)


class ApproximateDivider(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("divider")
        cls.vectors = cls.dir / "five_percent.vectors"
        text, cls.lows = divider_vectors(3000, 150, seed=5)
        cls.vectors.write_text(text)

    def test_one_unit_low_passes_with_tolerance_one_and_fails_without(self):
        d = self.dir / "exact"
        status, out, err = fsmd_sim("div_low", "--design", DIV_LOW, "--vectors", self.vectors, "--dir", d,
                                    "--quiet")
        self.assertEqual(status, 1, out[-2000:] + err)
        self.assertIn("div_low: 3000 tests run, 2850 passed, 150 failed;", out)
        self.assertEqual(sorted(n for n, ok in verdicts(d / "div_low_test_results.txt").items() if not ok),
                         self.lows)
        d = self.dir / "tolerant"
        status, out, err = fsmd_sim("div_low", "--design", DIV_LOW, "--vectors", self.vectors, "--dir", d,
                                    "--quiet", "--tolerance", "q=1", "--passing-values")
        self.assertEqual(status, 0, out[-2000:] + err)
        self.assertIn("div_low: 3000 tests run, 3000 passed, 0 failed;", out)
        # The tolerance shows beside every expected value; a low result beside it.
        results = (d / "div_low_test_results.txt").read_text().splitlines()
        low = results[self.lows[0] - 1]
        m = re.search(r" q=([0-9A-F]{4}) q_expected=([0-9A-F]{4})±1 ", low)
        self.assertIsNotNone(m, low)
        self.assertEqual(int(m.group(2), 16) - int(m.group(1), 16), 1)

    def test_a_failure_line_shows_the_tolerance(self):
        # Expected values two units above the quotient: one low result is
        # three units off, beyond the tolerance of 2.
        d = self.dir / "beyond"
        lines = self.vectors.read_text().splitlines()
        number = self.lows[0]
        a, b, _, q = lines[number + 1].split()
        lines[number + 1] = f"{a} {b} : {int(q, 16) + 2:04X}"
        vectors = d / "shifted.vectors"
        d.mkdir()
        vectors.write_text("\n".join(lines[:number + 2]) + "\n")
        status, out, err = fsmd_sim("div_low", "--design", DIV_LOW, "--vectors", vectors, "--dir", d,
                                    "--tolerance", "q=2")
        self.assertEqual(status, 1, out + err)
        self.assertRegex(out, rf"div_low test {number}: FAILED: at \d+ ns: a={a} b={b}"
                              rf" q={int(q, 16) - 1:04X} q_expected={int(q, 16) + 2:04X}±2 cycles=\d+"
                              rf" \(vectors file line {number + 2}\)")


def mirror_line(expect, **inputs):
    """A line of the mirror design's vectors: the inputs given (others 0),
    then the expected value of each output (others '-')."""
    names_in = ("u_in", "w_in", "f_in", "h_in", "fa_in")
    names_out = ("u", "s", "w", "ws", "f", "fs", "h", "fa")
    return (" ".join(inputs.get(n, "0") for n in names_in) + " : "
            + " ".join(expect.get(n, "-") for n in names_out))


MIRROR_HEADER = "u_in w_in f_in h_in fa_in : u s w ws f fs h fa\n"
TOP = "8" + "0" * 31           # 2**127
BELOW_TOP = "7" + "F" * 31     # 2**127 - 1
ONES = "F" * 32                # 2**128 - 1


class Tolerances(unittest.TestCase):
    # (what, the output's value, its port, the expected value, passes with a
    # tolerance of 1, passes with the wide tolerances of the second run)
    CASES = [
        ("unsigned 0 against all ones: far apart, no wrap-around", dict(u_in="00"), "u", "FF", False, False),
        ("unsigned all ones against 0", dict(u_in="FF"), "u", "00", False, False),
        ("unsigned across the middle", dict(u_in="7F"), "u", "80", True, True),
        ("unsigned two apart", dict(u_in="00"), "u", "02", False, True),
        ("unsigned range minus one", dict(u_in="00"), "u", "FE", False, True),
        ("signed -1 against 0", dict(u_in="FF"), "s", "00", True, True),
        ("signed 0 against -1", dict(u_in="00"), "s", "FF", True, True),
        ("signed 127 against -128: far apart", dict(u_in="7F"), "s", "80", False, True),
        ("128 bits unsigned 0 against all ones", dict(w_in="0"), "w", ONES, False, False),
        ("128 bits unsigned 1 against all ones", dict(w_in="1"), "w", ONES, False, True),
        ("128 bits unsigned across 2**127", dict(w_in=BELOW_TOP), "w", TOP, True, True),
        ("128 bits signed 0 against -1", dict(w_in="0"), "ws", ONES, True, True),
        ("128 bits signed top against bottom", dict(w_in=BELOW_TOP), "ws", TOP, False, True),
        ("5 bits signed 15 against -16", dict(f_in="0F"), "fs", "10", False, True),
        ("5 bits signed -1 against 0", dict(f_in="1F"), "fs", "00", True, True),
        ("equal values", dict(f_in="0A"), "fs", "0A", True, True),
    ]
    ONE = ["--tolerance", "u=1", "--tolerance", "s=1", "--tolerance", "w=1", "--tolerance", "ws=1",
           "--tolerance", "fs=1"]
    # u: its range minus one; w: its range minus one; s, fs: their full
    # ranges; ws: a number far wider than any range.
    WIDE = ["--tolerance", "u=254", "--tolerance", f"w={2**128 - 2}", "--tolerance", "s=255",
            "--tolerance", "fs=31", "--tolerance", f"ws={10**60}"]

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("tolerances")
        cls.vectors = cls.dir / "edges.vectors"
        cls.vectors.write_text(MIRROR_HEADER + "".join(
            mirror_line({port: expected}, **inputs) + "\n" for _, inputs, port, expected, _, _ in cls.CASES))

    def check(self, options, column, backend=BACKEND):
        d = self.dir / f"run-{column}-{backend}"
        status, out, err = fsmd_sim("mirror", "--design", MIRROR, "--vectors", self.vectors, "--dir", d,
                                    *options, backend=backend)
        self.assertIn(status, (0, 1), out + err)
        found = verdicts(d / "mirror_test_results.txt")
        for number, case in enumerate(self.CASES, 1):
            with self.subTest(case[0]):
                self.assertEqual(found.get(number), case[column], case)
        return d / "mirror_test_results.txt", out

    def test_a_tolerance_of_one_at_the_ends_of_each_range(self):
        _, out = self.check(self.ONE, 4)
        self.assertIn("u=00 u_expected=FF±1 ", out)

    def test_tolerances_up_to_and_beyond_the_range(self):
        results, out = self.check([*self.WIDE, "--passing-values"], 5)
        self.assertIn("u=00 u_expected=FF±FE ", out)
        # A tolerance wider than the range shows as the range: it passes the same values.
        self.assertIn(f"ws_expected={ONES}±{ONES} ", results.read_text())

    @unittest.skipUnless(BACKEND == "mcode" and shutil.which("ghdl-llvm"), "once, from the mcode run")
    def test_llvm_writes_the_same_results(self):
        mcode, _ = self.check(self.ONE, 4)
        llvm, _ = self.check(self.ONE, 4, backend="llvm")
        self.assertEqual(mcode.read_bytes(), llvm.read_bytes())

    def test_misused_tolerances_are_exit_3_naming_the_cause(self):
        d = self.dir / "misused"
        masked = d / "masked.vectors"
        d.mkdir(exist_ok=True)
        masked.write_text(MIRROR_HEADER + mirror_line({"h": "12-4"}, h_in="1234") + "\n")
        cases = [
            (["--tolerance", "h_in=1"], self.vectors, "--tolerance h_in=...: entity mirror has no data output h_in"),
            (["--tolerance", "done=1"], self.vectors, "has no data output done"),
            (["--tolerance", "h=1"], masked, f"{masked}:2:28: '-' digits in the field of h, which --tolerance"),
        ]
        for options, vectors, message in cases:
            with self.subTest(options):
                status, out, err = fsmd_sim("mirror", "--design", MIRROR, "--vectors", vectors, "--dir", d / "run",
                                            *options)
                self.assertEqual(status, 3, out + err)
                self.assertIn(message, err)


class DigitMasks(unittest.TestCase):
    def test_each_digit_changed_in_turn_fails_unless_it_is_the_masked_one(self):
        # Per port: a base value; each test changes one digit of the output
        # (or none) and masks one digit of the expected value (or none). A
        # test passes exactly when the changed digit is the masked one, or
        # none changed.
        rng = random.Random(7)
        ports = [("h", "h_in", 16), ("f", "f_in", 5), ("fa", "fa_in", 9), ("w", "w_in", 128)]
        lines, expected = [], []
        for out, inp, width in ports:
            digits = (width + 3) // 4
            base = rng.randrange(1 << width)
            for changed in [None] + list(range(digits)):
                value = base
                if changed is not None:
                    # Another value of that digit that fits the port (the top
                    # digit of a 5-bit port holds one bit).
                    room = min(16, 1 << (width - 4 * changed))
                    value ^= rng.randrange(1, room) << (4 * changed)
                for masked in [None] + list(range(digits)):
                    field = list(f"{base:0{digits}X}")
                    if masked is not None:
                        field[digits - 1 - masked] = "-"
                    lines.append(mirror_line({out: "".join(field)}, **{inp: f"{value:0{digits}X}"}))
                    expected.append(changed is None or changed == masked)
        d = fresh("masks")
        vectors = d / "digits.vectors"
        vectors.write_text(MIRROR_HEADER + "\n".join(lines) + "\n")
        status, out, err = fsmd_sim("mirror", "--design", MIRROR, "--vectors", vectors, "--dir", d, "--quiet",
                                    "--passing-values")
        self.assertEqual(status, 1, out[-2000:] + err)
        found = verdicts(d / "mirror_test_results.txt")
        wrong = [(n, lines[n - 1]) for n, ok in enumerate(expected, 1) if found.get(n) != ok]
        self.assertEqual(wrong, [])
        # A masked digit shows as '-' in the expected value: test 2 masks
        # the low digit of h.
        self.assertRegex((d / "mirror_test_results.txt").read_text().splitlines()[1],
                         r"^test 2 passed: .* h_expected=[0-9A-F]{3}- ")

    def test_metavalues_in_masked_digits_and_in_tolerant_outputs(self):
        # metavalues drives y = "UUUU" & x(3 downto 0) in mode 2, all 'X' in
        # mode 1, "HHHHLLLL" in mode 3; waves show the unchecked bits as '-'.
        d = fresh("mask-metavalues")
        vectors = d / "m.vectors"
        vectors.write_text("mode x : y\n2 A5 : -5\n2 A5 : 05\n2 A5 : -4\n")
        status, out, err = fsmd_sim("metavalues", "--design", DESIGNS / "metavalues.vhd", "--vectors", vectors,
                                    "--dir", d, "--wave", d / "m.vcd", "--passing-values")
        self.assertEqual(status, 1, out + err)
        results = (d / "metavalues_test_results.txt").read_text().splitlines()
        self.assertRegex(results[0], r'^test 1 passed: mode=2 x=A5 y="UUUU0101" y_expected=-5 ')
        self.assertRegex(results[1], r"^test 2 FAILED at ")
        self.assertRegex(results[2], r'^test 3 FAILED at .* y_expected=-4 ')
        vcd = (d / "m.vcd").read_text()
        code = re.search(r"\$var \w+ 8 (\S+) tb_expected_y\b", vcd).group(1)
        self.assertIn(f"b----0101 {code}\n", vcd)

        vectors.write_text("mode x : y\n1 A5 : A5\n3 00 : F1\n3 00 : F2\n")
        status, out, err = fsmd_sim("metavalues", "--design", DESIGNS / "metavalues.vhd", "--vectors", vectors,
                                    "--dir", d, "--tolerance", "y=1")
        self.assertEqual(status, 1, out + err)
        # 'X' is no number; 'H' and 'L' are 1 and 0: F0 is within 1 of F1, not of F2.
        self.assertEqual(verdicts(d / "metavalues_test_results.txt"), {1: False, 2: True, 3: False})


class StopAndChoose(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("stop")
        cls.vectors = cls.dir / "many_failures.vectors"
        text, cls.lows = divider_vectors(3000, 392, seed=392)
        cls.vectors.write_text(text)

    def run_divider(self, name, *options):
        d = self.dir / name
        status, out, err = fsmd_sim("div_low", "--design", DIV_LOW, "--vectors", self.vectors, "--dir", d,
                                    *options)
        return status, out, err, d / "div_low_test_results.txt"

    def test_max_failures_stops_at_the_limit(self):
        for limit in (1, 3):
            with self.subTest(limit=limit):
                status, out, err, results = self.run_divider(f"limit-{limit}", "--max-failures", limit)
                self.assertEqual(status, 1, out[-2000:] + err)
                last = self.lows[limit - 1]
                self.assertEqual(sorted(verdicts(results)), list(range(1, last + 1)))
                lines = results.read_text().splitlines()
                self.assertEqual(lines[-2:], [f"run stopped at --max-failures {limit}: the tests after this one"
                                              " did not run", "DIV_LOW test has not passed"])
                self.assertIn(f"div_low: {last} tests run, {last - limit} passed, {limit} failed,"
                              f" {3000 - last} not run (stopped after {limit} failed test"
                              f"{'s' if limit > 1 else ''}: --max-failures {limit});", out)
                self.assertTrue(out.rstrip().endswith("verdict: FAILED (DIV_LOW test has not passed)"))

    def test_a_limit_the_run_does_not_reach_changes_nothing(self):
        status, out, err, results = self.run_divider("limit-high", "--max-failures", 393, "--quiet")
        self.assertEqual(status, 1, out[-2000:] + err)
        self.assertIn("div_low: 3000 tests run, 2608 passed, 392 failed; ", out)
        self.assertNotIn("run stopped", results.read_text())

    def test_a_limit_reached_at_the_last_test_stops_nothing(self):
        # The limit's N-th failure is the last test: of the file, and of a
        # --tests list that leaves later tests of the file out. Catches a
        # results file that says tests after it did not run, and a summary
        # that counts a stop.
        last = self.lows[2]
        cut = self.dir / "cut.vectors"
        cut.write_text("\n".join(self.vectors.read_text().splitlines()[:last + 2]) + "\n")
        d = self.dir / "limit-at-end"
        status, out, err = fsmd_sim("div_low", "--design", DIV_LOW, "--vectors", cut, "--dir", d,
                                    "--max-failures", 3, "--quiet")
        self.assertEqual(status, 1, out[-2000:] + err)
        lines = (d / "div_low_test_results.txt").read_text().splitlines()
        self.assertEqual(len(lines), last + 1)
        self.assertTrue(lines[-2].startswith(f"test {last} FAILED at "), lines[-2])
        self.assertEqual(lines[-1], "DIV_LOW test has not passed")
        self.assertIn(f"div_low: {last} tests run, {last - 3} passed, 3 failed; ", out)
        status, out, err, results = self.run_divider("limit-at-end-of-list", "--tests", f"1-{last}",
                                                     "--max-failures", 3, "--quiet")
        self.assertEqual(status, 1, out[-2000:] + err)
        self.assertNotIn("run stopped", results.read_text())
        self.assertIn(f"div_low: {last} tests run, {last - 3} passed, 3 failed, {3000 - last} not run"
                      f" (--tests 1-{last});", out)

    def test_tests_reruns_chosen_tests_under_their_numbers(self):
        number = self.lows[2]
        status, full_out, err, full = self.run_divider("full", "--quiet")
        self.assertEqual(status, 1, err)
        status, out, err, results = self.run_divider("one", "--tests", number, "--junit", self.dir / "one.xml")
        self.assertEqual(status, 1, out + err)
        lines = results.read_text().splitlines()
        self.assertEqual(len(lines), 2)
        # The same test: its values as in the full run. Its time differs, and
        # so may its cycles: the first test of every run also counts the
        # cycle in which reset ends.
        in_full = full.read_text().splitlines()[number - 1]
        self.assertEqual(re.sub(r" at \d+ ns| cycles=\d+", "", lines[0]),
                         re.sub(r" at \d+ ns| cycles=\d+", "", in_full))
        self.assertRegex(out, rf"div_low test {number}: FAILED: .* \(vectors file line {number + 2}\)")
        self.assertIn(f"div_low: 1 tests run, 0 passed, 1 failed, 2999 not run (--tests {number});", out)
        self.assertIn(f"div_low: note: {number - 1} earlier tests were skipped (--tests): the run went from"
                      " reset straight to the chosen tests, so a design that carries state", out)
        self.assertIn(f'name="test {number}"', (self.dir / "one.xml").read_text())

        status, out, err, results = self.run_divider("list", "--tests", "10-20,57", "--quiet")
        self.assertIn(status, (0, 1), out + err)
        self.assertEqual(sorted(verdicts(results)), list(range(10, 21)) + [57])
        self.assertEqual([line.split()[1] for line in results.read_text().splitlines()[:-1]],
                         [str(n) for n in list(range(10, 21)) + [57]])

    def test_other_limits_and_lists_rebuild_nothing(self):
        # Both travel in the bench's input file: the analysed bench is reused.
        d = self.dir / "reuse"
        for options in ([], ["--max-failures", "2"], ["--tests", "5-9"], ["--tests", "7", "--max-failures", "1"]):
            shutil.rmtree(d / ".fsmd-sim", ignore_errors=True)
            status, out, err = fsmd_sim("div_low", "--design", DIV_LOW, "--vectors", self.vectors, "--dir", d,
                                        "--quiet", *options)
            self.assertIn(status, (0, 1), out + err)
        self.assertEqual(sorted(p.name for p in (d / ".fsmd-sim").iterdir() if p.suffix == ".log"),
                         ["simulation.log"])

    def test_a_list_beyond_the_file_is_exit_3(self):
        status, out, err, results = self.run_divider("beyond", "--tests", "2990-3001")
        self.assertEqual(status, 3, out + err)
        self.assertIn("--tests 2990-3001: the vectors file holds 3000 tests; test 3001 is beyond it", err)
        self.assertFalse(results.exists())


if __name__ == "__main__":
    unittest.main(verbosity=2)
