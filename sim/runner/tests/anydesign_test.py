#!/usr/bin/env python3
"""fsmd-sim's any-design mode end to end on GHDL, on the back end named by
FSMD_BACKEND: a design none of the four with 16-, 1- and 64-bit ports passes
10,000 vectors, a fault fails with test number and time, a stuck test is a
hang naming it, every malformed vectors file is exit 3 with FILE:LINE,
metavalues print as themselves, pulsed start with renamed controls, the
cache, waves and JUnit.

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
MIXED = DESIGNS / "mixed_widths.vhd"


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args):
    proc = subprocess.run([FSMD_SIM, *map(str, args), "--backend", BACKEND], capture_output=True, text=True)
    return proc.returncode, proc.stdout, proc.stderr


def mixed_widths_vectors(count, seed=1):
    """Vectors of mixed_widths from a model of its own: y = c +/- a (a
    sign-extended) in 64 bits, carry = bit 64 of the 65-bit result."""
    rng = random.Random(seed)
    lines = ["# a: signed 16, add: 1 bit, c: unsigned 64", "a add c : y carry"]
    for _ in range(count):
        a, add, c = rng.randrange(-32768, 32768), rng.randrange(2), rng.randrange(1 << 64)
        wide = (c + (a if add else -a)) % (1 << 65)
        lines.append(f"{a % (1 << 16):04X} {add} {c:016X} : {wide % (1 << 64):016X} {wide >> 64}")
    return "\n".join(lines) + "\n"


class MixedWidths(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("mixed")
        cls.vectors = cls.dir / "mixed.vectors"
        cls.vectors.write_text(mixed_widths_vectors(10000))

    def test_ten_thousand_vectors_pass(self):
        d = self.dir / "pass"
        status, out, err = fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", self.vectors, "--dir", d,
                                    "--passing-values")
        self.assertEqual(status, 0, out[-2000:] + err)
        self.assertIn("mixed_widths: 10000 tests run, 10000 passed, 0 failed; cycles min / mean / max: ", out)
        self.assertTrue(out.rstrip().endswith("mixed_widths: verdict: passed (MIXED_WIDTHS test has passed)"))
        self.assertEqual(out.count(": passed, "), 10000)
        results = (d / "mixed_widths_test_results.txt").read_text().splitlines()
        self.assertEqual(len(results), 10001)
        self.assertRegex(results[0], r"^test 1 passed: a=[0-9A-F]{4} add=[01] c=[0-9A-F]{16} "
                                     r"y=([0-9A-F]{16}) y_expected=\1 carry=([01]) carry_expected=\2 cycles=\d+$")
        # The generated bench is kept for the user to read.
        self.assertIn("entity mixed_widths_fsmd_sim_bench is", (d / "mixed_widths_fsmd_sim_bench.vhd").read_text())

    def test_a_second_run_analyses_nothing(self):
        d = self.dir / "again"
        other = self.dir / "other.vectors"
        other.write_text(mixed_widths_vectors(50, seed=2))
        for vectors in (self.vectors, other):
            shutil.rmtree(d / ".fsmd-sim", ignore_errors=True)
            status, out, err = fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", vectors,
                                        "--dir", d, "--quiet")
            self.assertEqual(status, 0, out + err)
        # Neither the ports nor the libraries were built again.
        self.assertEqual(sorted(p.name for p in (d / ".fsmd-sim").iterdir() if p.suffix == ".log"),
                         ["simulation.log"])

    def test_one_fault_fails_with_test_number_and_time(self):
        d = self.dir / "fault"
        broken = d / "broken.vhd"
        d.mkdir(exist_ok=True)
        # Wrong only when bit 0 of a is set and add is '1': the low bit of y.
        broken.write_text(MIXED.read_text().replace(
            "y     <= std_logic_vector(wide(63 downto 0));",
            "y     <= std_logic_vector(wide(63 downto 1)) & (wide(0) xor (a_r0 and add));").replace(
            "  signal delay : unsigned(3 downto 0);",
            "  signal delay : unsigned(3 downto 0);\n  signal a_r0 : std_logic;").replace(
            "              delay <= unsigned(a(3 downto 0));",
            "              delay <= unsigned(a(3 downto 0));\n              a_r0 <= a(0);"))
        status, out, err = fsmd_sim("mixed_widths", "--design", broken, "--vectors", self.vectors,
                                    "--dir", d, "--quiet")
        self.assertEqual(status, 1, out[-2000:] + err)
        failures = [line for line in out.splitlines() if ": FAILED: " in line]
        self.assertGreater(len(failures), 1000)
        self.assertNotIn(": passed, ", out)  # --quiet
        first = failures[0]
        m = re.match(r"^mixed_widths test (\d+): FAILED: at (\d+) ns: a=([0-9A-F]{4}) add=1 .* "
                     r"y=[0-9A-F]{16} y_expected=[0-9A-F]{16} .*cycles=\d+ \(vectors file line (\d+)\)$", first)
        self.assertIsNotNone(m, first)
        self.assertEqual(int(m.group(3), 16) & 1, 1)
        self.assertEqual(int(m.group(4)), int(m.group(1)) + 2)  # a comment and the header come first
        results = (d / "mixed_widths_test_results.txt").read_text()
        self.assertIn(f"test {m.group(1)} FAILED at {m.group(2)} ns: ", results)
        # Without --passing-values a passing test's line holds its cycles
        # alone; the console still lists it with its cycles (not --quiet).
        passing = [line for line in results.splitlines() if " passed: " in line]
        self.assertTrue(passing)
        self.assertEqual([line for line in passing if not re.fullmatch(r"test \d+ passed: cycles=\d+", line)], [])
        self.assertIn("mixed_widths: verdict: FAILED (MIXED_WIDTHS test has not passed)", out)

    def test_a_test_that_never_ends_is_a_hang_naming_it(self):
        d = fresh("hang")
        stuck = d / "stuck.vhd"
        stuck.write_text(MIXED.read_text().replace("            if delay = 0 then",
                                                   "            if delay = 0 and c_r /= x\"0BAD\" then").replace(
            "  signal delay : unsigned(3 downto 0);",
            "  signal delay : unsigned(3 downto 0);\n  signal c_r : unsigned(15 downto 0);").replace(
            "              delay <= unsigned(a(3 downto 0));",
            "              delay <= unsigned(a(3 downto 0));\n              c_r <= c(15 downto 0);"))
        lines = mixed_widths_vectors(6).splitlines()
        lines[6] = "0001 1 0000000000000BAD : - -"  # test 5
        vectors = d / "stuck.vectors"
        vectors.write_text("\n".join(lines) + "\n")
        status, out, err = fsmd_sim("mixed_widths", "--design", stuck, "--vectors", vectors, "--dir", d,
                                    "--max-cycles", "500")
        self.assertEqual(status, 2, out + err)
        self.assertIn("mixed_widths: 4 tests run, 4 passed, 0 failed;", out)
        self.assertIn("verdict: HANG: test 5 never raised done within 500 cycles (--max-cycles)"
                      f" (vectors file {vectors}, line 7)", out)


    @unittest.skipUnless(BACKEND == "llvm" and shutil.which("ghdl-mcode") and shutil.which("ghdl-llvm"),
                         "compares the two back ends once, in the llvm run")
    def test_both_back_ends_write_the_same_results_file(self):
        vectors = self.dir / "few.vectors"
        lines = mixed_widths_vectors(300, seed=3).splitlines()
        lines[10] = lines[10].rsplit(" ", 1)[0] + " -"  # an unchecked output too
        vectors.write_text("\n".join(lines) + "\n")
        results = []
        for backend in ("mcode", "llvm"):
            d = self.dir / f"same-{backend}"
            proc = subprocess.run([FSMD_SIM, "mixed_widths", "--design", str(MIXED), "--vectors", str(vectors),
                                   "--dir", str(d), "--backend", backend, "--quiet"],
                                  capture_output=True, text=True)
            self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
            results.append((d / "mixed_widths_test_results.txt").read_bytes())
        self.assertEqual(results[0], results[1])
        self.assertEqual(results[0].count(b"\n"), 301)


class MalformedVectors(unittest.TestCase):
    def test_each_problem_is_exit_3_with_file_and_line(self):
        d = fresh("malformed")
        good = "0001 1 0000000000000002 : 0000000000000003 0"
        cases = [
            ("unknown column", "a add c nope : y\n" + good, "1:9", "unknown column 'nope'"),
            ("missing input column", "a c : y carry\n", "1:1", "missing column for input add"),
            ("expected value for an input", "a add : c y\n", "1:9", "expected value for input 'c'"),
            ("wrong number of fields", "a add c : y carry\n0001 1 2 : 3\n", "2:13", "5 fields"),
            ("not hexadecimal", "a add c : y carry\n00G1 1 2 : 3 0\n", "2:3", "'G' is not a hexadecimal digit"),
            ("wider than its port", "a add c : y carry\n10000 1 2 : 3 0\n", "2:1", "5 digits for port a"),
            ("value above the port", "a add c : y carry\n0001 2 2 : 3 0\n", "2:6", "value 2 does not fit port add"),
        ]
        for name, text, where, message in cases:
            with self.subTest(name):
                vectors = d / f"{name.replace(' ', '_')}.vectors"
                vectors.write_text(text)
                status, out, err = fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", vectors,
                                            "--dir", d / "run")
                self.assertEqual(status, 3, out + err)
                self.assertIn(f"{vectors}:{where}: {message}", err)
                self.assertFalse((d / "run" / "mixed_widths_test_results.txt").exists())

    def test_ports_the_bench_cannot_drive_are_exit_3(self):
        d = fresh("bad-ports")
        vectors = d / "v.vectors"
        vectors.write_text("clk :\n")
        kinds = DESIGNS.parent / "data" / "port_kinds.vhd"
        status, out, err = fsmd_sim("has_inout", "--design", kinds, "--vectors", vectors, "--dir", d)
        self.assertEqual(status, 3, out + err)
        self.assertIn("port bus_io of entity has_inout: mode inout", err)
        status, out, err = fsmd_sim("all_kinds", "--design", kinds, "--vectors", vectors, "--dir", d,
                                    "--architecture", "other")
        self.assertEqual(status, 3)
        self.assertIn("no architecture other of entity all_kinds", err)


class Ending(unittest.TestCase):
    """How the bench ends: its verdict as a note and a stopped clock, never a
    failing assertion of its own (whose backtrace on the gcc back end costs
    more than a short run); a design's own assertions are reported as they
    always were."""

    def run_vectors(self, name, rows):
        d = fresh(name)
        vectors = d / "v.vectors"
        vectors.write_text("x : y\n" + "".join(f"{row}\n" for row in rows))
        status, out, err = fsmd_sim("own_assertions", "--design", DESIGNS / "own_assertions.vhd",
                                    "--vectors", vectors, "--dir", d)
        return status, out, err, (d / ".fsmd-sim" / "simulation.log").read_text()

    def test_the_verdict_ends_the_run_without_a_failing_assertion(self):
        cases = [
            # (rows, status, verdict, fault it would catch)
            (["1 : 1", "2 : 2"], 0, "passed (OWN_ASSERTIONS test has passed)",
             "a passing run ending with a failing assertion, or its note not taken for the verdict"),
            (["1 : 1", "2 : 3"], 1, "FAILED (OWN_ASSERTIONS test has not passed)",
             "a failing run ending with a failing assertion, or its note not taken for the verdict"),
        ]
        for rows, status, verdict, fault in cases:
            with self.subTest(fault):
                got, out, err, log = self.run_vectors(f"ending-{status}", rows)
                self.assertEqual(got, status, out + err)
                self.assertIn(f"own_assertions: verdict: {verdict}", out)
                self.assertIn(":(report note): ", log)
                self.assertNotIn("(assertion failure)", log)
                self.assertNotIn("assertion failed", log)

    def test_a_design_that_keeps_time_moving_still_ends_with_its_verdict(self):
        # A fault it would catch: such a design simulated on to the stop time
        # (here beyond any wall-clock patience: --timeout ends it as a hang).
        d = fresh("free-running")
        design = d / "free_running.vhd"
        design.write_text((DESIGNS / "own_assertions.vhd").read_text().replace(
            "  signal busy : std_logic;",
            "  signal busy : std_logic;\n  signal tick : std_logic := '0';").replace(
            "begin\n  -- One cycle", "begin\n  tick <= not tick after 3 ns;\n  -- One cycle"))
        vectors = d / "v.vectors"
        vectors.write_text("x : y\n1 : 1\n2 : 3\n")
        status, out, err = fsmd_sim("own_assertions", "--design", design, "--vectors", vectors,
                                    "--dir", d, "--max-cycles", "100000000", "--timeout", "120")
        self.assertEqual(status, 1, out + err)
        self.assertIn("own_assertions: verdict: FAILED (OWN_ASSERTIONS test has not passed)", out)

    def test_a_design_s_own_assertions_are_reported_as_before(self):
        status, out, err, _ = self.run_vectors("own-error", ["1 : 1", "7 : 7", "2 : 2"])
        self.assertEqual(status, 0, out + err)
        self.assertRegex(out, r"own_assertions: simulation message: .*:\(assertion error\): own_assertions"
                              r" dislikes 7")
        status, out, err, _ = self.run_vectors("own-failure", ["1 : 1", "9 : 9", "2 : 2"])
        self.assertEqual(status, 3, out + err)
        self.assertIn("the simulation ended without a verdict", out + err)
        self.assertIn("own_assertions refuses 9", out + err)


class KitUnits(unittest.TestCase):
    def test_the_design_s_library_holds_the_kit_units_only_when_the_design_names_one(self):
        plain = (DESIGNS / "own_assertions.vhd").read_text()
        cases = [
            # (design text, kit package in the library, fault it would catch)
            (plain, False, "every design's library built with the whole kit"),
            (plain.replace("use ieee.std_logic_1164.all;",
                           "use ieee.std_logic_1164.all;\nuse work.eda_types.all;"), True,
             "a design using a kit package failing analysis"),
        ]
        for text, whole, fault in cases:
            with self.subTest(fault):
                d = fresh(f"kit-units-{whole}")
                design, vectors = d / "design.vhd", d / "v.vectors"
                design.write_text(text)
                vectors.write_text("x : y\n3 : 3\n")
                status, out, err = fsmd_sim("own_assertions", "--design", design, "--vectors", vectors,
                                            "--dir", d)
                self.assertEqual(status, 0, out + err)
                library = d / ".fsmd-sim" / "lib" / "work-obj93.cf"
                if BACKEND == "mcode":  # the link to the library is mcode's
                    units = library.read_text().lower()
                    self.assertIn("std_logic_textio", units)
                    self.assertEqual("eda_types" in units, whole)


class Frame(unittest.TestCase):
    def test_metavalues_print_as_themselves_and_fail_unless_unchecked(self):
        d = fresh("metavalues")
        vectors = d / "m.vectors"
        vectors.write_text("mode x : y z\n0 A5 : A5 1\n1 A5 : 00 1\n2 A5 : 05 1\n1 A5 : - -\n3 00 : F0 1\n")
        status, out, err = fsmd_sim("metavalues", "--design", DESIGNS / "metavalues.vhd", "--vectors", vectors,
                                    "--dir", d, "--passing-values")
        self.assertEqual(status, 1, out + err)
        results = (d / "metavalues_test_results.txt").read_text().splitlines()
        self.assertRegex(results[0], r"^test 1 passed: mode=0 x=A5 y=A5 y_expected=A5 z=1 z_expected=1 cycles=\d+$")
        self.assertRegex(results[1], r'^test 2 FAILED at \d+ ns: mode=1 x=A5 y="XXXXXXXX" y_expected=00 z="Z" ')
        self.assertRegex(results[2], r'^test 3 FAILED at \d+ ns: mode=2 x=A5 y="UUUU0101" y_expected=05 ')
        self.assertRegex(results[3], r'^test 4 passed: mode=1 x=A5 y="XXXXXXXX" y_expected=- z="Z" z_expected=- ')
        # Weak values compare as '0' and '1' but print as themselves.
        self.assertRegex(results[4], r'^test 5 passed: mode=3 x=00 y="HHHHLLLL" y_expected=F0 z="H" z_expected=1 ')
        self.assertIn("metavalues: 5 tests run, 3 passed, 2 failed;", out)

    def test_pulsed_start_active_low_reset_and_renamed_controls(self):
        d = fresh("pulses")
        vectors = d / "p.vectors"
        vectors.write_text("a b : sum starts\n01 02 : 003 1\nFF FF : 1FE 1\n80 80 : 100 1\n")
        args = ["start_pulses", "--design", DESIGNS / "start_pulses.vhd", "--vectors", vectors, "--dir", d,
                "--architecture", "rtl", "--control", "clk=ap_clk", "--control", "reset=ap_rst_n",
                "--control", "start=ap_start", "--control", "done=ap_done", "--control", "ready=ap_idle",
                "--reset-active", "low", "--passing-values"]
        status, out, err = fsmd_sim(*args, "--start-mode", "pulse", "--clock-period", "4ns")
        self.assertEqual(status, 0, out + err)
        self.assertIn("start_pulses: 3 tests run, 3 passed, 0 failed;", out)
        # A 9-bit value: its leftmost digit holds one bit.
        self.assertIn("test 2 passed: a=FF b=FF sum=1FE sum_expected=1FE starts=1 starts_expected=1 cycles=",
                      (d / "start_pulses_test_results.txt").read_text())
        # Held at '1', start is seen on every edge of a test: starts is not 1.
        status, out, err = fsmd_sim(*args)
        self.assertEqual(status, 1, out + err)
        self.assertIn("starts_expected=1", out)

    def test_a_bundled_design_and_no_test(self):
        # The bundled popcount design through the generated bench: the same
        # cycle counts as its own bench; then a vectors file with no test.
        d = fresh("popcount")
        examples = DESIGNS.parents[3] / "sim" / "examples"
        vectors = d / "p.vectors"
        vectors.write_text("inp : d_1236\n" + "".join(
            f"{line.split()[0]} : {line.split()[1]}\n"
            for line in (examples / "data" / "popcount_test_data.txt").read_text().splitlines()))
        design = examples / "designs" / "popcount.vhd"
        status, out, err = fsmd_sim("popcount", "--design", design, "--vectors", vectors, "--dir", d, "--quiet")
        self.assertEqual(status, 0, out + err)
        self.assertIn("popcount: 256 tests run, 256 passed, 0 failed; cycles min / mean / max: 1 / 26.5 / 33", out)
        vectors.write_text("inp :\n")
        status, out, err = fsmd_sim("popcount", "--design", design, "--vectors", vectors, "--dir", d)
        self.assertEqual(status, 0, out + err)
        self.assertIn(f"popcount: note: the vectors file {vectors} holds no test; nothing was checked", out)

    def test_ports_named_like_what_the_bench_uses(self):
        d = fresh("awkward")
        vectors = d / "a.vectors"
        vectors.write_text("read line : now ns\n41 1 : 42 1\nFF 0 : FF 0\n")
        status, out, err = fsmd_sim("awkward_names", "--design", DESIGNS / "awkward_names.vhd", "--vectors",
                                    vectors, "--dir", d, "--control", "done=work", "--passing-values")
        self.assertEqual(status, 0, out + err)
        self.assertIn("test 1 passed: read=41 line=1 now=42 now_expected=42 ns=1 ns_expected=1 cycles=",
                      (d / "awkward_names_test_results.txt").read_text())

    def test_waves_hold_the_expected_values_and_junit_lists_the_tests(self):
        d = fresh("reports")
        vectors = d / "m.vectors"
        vectors.write_text("mode x : y z\n0 A5 : A5 1\n0 5A : 00 1\n")
        wave, junit = d / "run.vcd", d / "run.xml"
        status, out, err = fsmd_sim("metavalues", "--design", DESIGNS / "metavalues.vhd", "--vectors", vectors,
                                    "--dir", d, "--wave", wave, "--junit", junit)
        self.assertEqual(status, 1, out + err)
        vcd = wave.read_text()
        for signal in ("tb_expected_y", "tb_checked_z", "tb_test_number", "tb_ncycles"):
            self.assertRegex(vcd, rf"\$var \w+ \d+ \S+ {signal}\b")
        xml = junit.read_text()
        self.assertIn('name="test 1"', xml)
        self.assertIn('failure message="at ', xml)


if __name__ == "__main__":
    unittest.main(verbosity=2)
