#!/usr/bin/env python3
"""Acceptance: designs brought as they are run through the generated bench
with options alone (a generic, --std 08, --ieee synopsys, reset=none, busy,
idle, --output-delay, --overlap, every kind of data port), pass against
their models' vectors, and a one-line fault in each fails exactly the tests
its model predicts, with the first one's number, time and values;
elaboration problems are exit 3 naming their cause; a done held high is a
hang.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR, FSMDKIT_CACHE_DIR.
"""
import random
import re
import unittest
from dataclasses import dataclass

from asis_support import design, failure_lines, field_text, fresh, fsmd_sim, models, result_fields, summary_counts


@dataclass
class Design:
    label: str
    entity: str
    files: list          # after one --design flag, in this order
    fault_files: list
    options: list
    inputs: list         # (port, width)
    outputs: list        # (port, width)
    cases: list          # tuples of input values
    model: object        # case -> tuple of output values
    fault_model: object  # the same for the fault variant

    def vectors(self):
        header = " ".join(n for n, _ in self.inputs) + " : " + " ".join(n for n, _ in self.outputs)
        return models.vectors_text(header, [
            ([models.hex_field(v, w) for v, (_, w) in zip(case, self.inputs)],
             [models.hex_field(v, w) for v, (_, w) in zip(self.model(case), self.outputs)])
            for case in self.cases])

    def failing_tests(self):
        return [i for i, case in enumerate(self.cases, 1) if self.fault_model(case) != self.model(case)]


def _flag(value):
    return (value[0], int(value[1]))


rng = random.Random(2121)
DIVIDER = ("restoring_divider.vhd",)
NONRESTORING = ("nonrestoring_divider.vhd", "nonrestoring_divider_entity.vhd")
MAC_PORTS = ("a", "b", "c", "y")
MAC_CASES = [(rng.randrange(256), rng.randrange(256), rng.randrange(1 << 16)) for _ in range(120)]

DESIGNS = [
    # Port widths from the generic W set on the command line; busy falls
    # when the quotient is ready; a start pulse, as busy-flag designs expect.
    Design("divider, generic W=16, busy", "restoring_divider", [design("restoring_divider.vhd")],
           [design("restoring_divider_fault.vhd")], ["--generic", "W=16", "--start-mode", "pulse"],
           [("dividend", 16), ("divisor", 16)], [("quotient", 16), ("remainder", 16)],
           models.divider_cases(16, 150), lambda c: models.divider(*c), lambda c: models.divider_fault(*c)),
    # The same file without --generic: W keeps its default of 8.
    Design("divider, default W=8, busy", "restoring_divider", [design("restoring_divider.vhd")],
           [design("restoring_divider_fault.vhd")], ["--start-mode", "pulse"],
           [("dividend", 8), ("divisor", 8)], [("quotient", 8), ("remainder", 8)],
           models.divider_cases(8, 80), lambda c: models.divider(*c), lambda c: models.divider_fault(*c)),
    # Completion by idle rising again; no done, no busy.
    Design("crc, idle", "crc8_serial", [design("crc8_serial.vhd")], [design("crc8_serial_fault.vhd")],
           ["--start-mode", "pulse"], [("data", 16)], [("crc", 8)],
           [(0x3132,), (0,), (0xFFFF,)] + [(rng.randrange(1 << 16),) for _ in range(100)],
           lambda c: (models.crc8(c[0]),), lambda c: (models.crc8_fault(c[0]),)),
    # Four cycles of start-up after reset before it looks at start.
    Design("start-up after reset, --after-reset 4", "keyed_mix", [design("keyed_mix.vhd")],
           [design("keyed_mix_fault.vhd")], ["--start-mode", "pulse", "--after-reset", "4"], [("x", 16)], [("y", 16)],
           [(0,), (0xFFFF,)] + [(rng.randrange(1 << 16),) for _ in range(60)],
           lambda c: (models.keyed_mix(c[0]),), lambda c: (models.keyed_mix_fault(c[0]),)),
    # VHDL-2008 (process(all), to_hstring); the product is registered one
    # cycle after done.
    Design("multiplier, --std 08, --output-delay 1", "serial_multiplier", [design("serial_multiplier.vhd")],
           [design("serial_multiplier_fault.vhd")], ["--std", "08", "--output-delay", "1"],
           [("a", 16), ("b", 16)], [("product", 32)],
           [(0xFFFF, 0xFFFF), (0, 0x1234), (0x1234, 0)]
           + [(rng.randrange(1 << 16), rng.randrange(1 << 16)) for _ in range(100)],
           lambda c: (models.multiplier(*c),), lambda c: (models.multiplier_fault(*c),)),
    # natural ports (16 and 8 bits wide by their ranges), a boolean output,
    # std_logic_unsigned, no reset port.
    Design("square root, natural ports, --ieee synopsys, reset=none", "isqrt", [design("isqrt.vhd")],
           [design("isqrt_fault.vhd")], ["--ieee", "synopsys", "--control", "reset=none"],
           [("x", 16)], [("root", 8), ("exact", 1)],
           [(x,) for x in [7, 0, 1, 4, 65535, 65025, 144, 143, 10000]]
           + [(rng.randrange(1 << 16),) for _ in range(100)],
           lambda c: _flag(models.isqrt(c[0])), lambda c: _flag(models.isqrt_fault(c[0]))),
    # Outputs are concurrent copies of registers written at the same edge as
    # done; the architecture's file comes before its entity's.
    Design("non-restoring divider, outputs settle after done, two files", "nonrestoring_divider",
           [design(f) for f in NONRESTORING], [design("nonrestoring_divider_fault.vhd"),
                                                design("nonrestoring_divider_entity.vhd")], [],
           [("dividend", 16), ("divisor", 16)], [("quotient", 16), ("remainder", 16)],
           models.divider_cases(16, 150), lambda c: models.divider(*c), lambda c: models.nonrestoring_fault(*c)),
    # Integer ports (a signed range, a range from the generic N), bit and
    # bit_vector, an X01 input, a boolean output, an ascending vector and
    # extended identifiers with a blank inside.
    Design("port kinds, generic N=7", "clamp_scale", [design("clamp_scale.vhd")],
           [design("clamp_scale_fault.vhd")], ["--generic", "N=7"],
           [("a", 8), ("offset", 4), ("en", 1), ("\\gain factor\\", 4), ("lim", 7)],
           [("y", 8), ("neg", 1), ("\\sat flag\\", 1)],
           models.clamp_scale_cases(7, 120), lambda c: models.clamp_scale(*c), lambda c: models.clamp_scale_fault(*c)),
    Design("port kinds, default N=6", "clamp_scale", [design("clamp_scale.vhd")],
           [design("clamp_scale_fault.vhd")], [],
           [("a", 8), ("offset", 4), ("en", 1), ("\\gain factor\\", 4), ("lim", 6)],
           [("y", 8), ("neg", 1), ("\\sat flag\\", 1)],
           models.clamp_scale_cases(6, 120), lambda c: models.clamp_scale(*c), lambda c: models.clamp_scale_fault(*c)),
    # A pipeline fed one test at a time: one start pulse per test.
    Design("pipeline without --overlap", "mac_pipeline", [design("mac_pipeline.vhd")],
           [design("mac_pipeline_fault.vhd")], ["--start-mode", "pulse"],
           [("a", 8), ("b", 8), ("c", 16)], [("y", 17)], MAC_CASES,
           lambda c: (models.mac(*c),), lambda c: (models.mac_fault(*c),)),
    Design("pipeline with --overlap", "mac_pipeline", [design("mac_pipeline.vhd")],
           [design("mac_pipeline_fault.vhd")], ["--overlap"],
           [("a", 8), ("b", 8), ("c", 16)], [("y", 17)], MAC_CASES,
           lambda c: (models.mac(*c),), lambda c: (models.mac_fault(*c),)),
]


def run(d, entity, files, vectors, options, *extra):
    return fsmd_sim(entity, "--design", *files, "--vectors", vectors, "--dir", d, "--quiet", *options, *extra)


class BroughtAsTheyAre(unittest.TestCase):
    """Catches: an option refused or ignored (a generic, the standard, the
    vendor packages, no reset, busy, the output delay, overlap), outputs read
    before they settle, a fault passing, or a failure that hides its test."""

    def test_each_design_passes_its_models_vectors(self):
        for i, item in enumerate(DESIGNS):
            with self.subTest(item.label):
                d = fresh(f"pass-{i}")
                vectors = d / "v.vectors"
                vectors.write_text(item.vectors())
                status, out, err = run(d / "run", item.entity, item.files, vectors, item.options)
                self.assertEqual(status, 0, out[-3000:] + err)
                n = len(item.cases)
                self.assertEqual(summary_counts(out, item.entity), (n, n, 0), out[-2000:])

    def test_each_fault_fails_exactly_the_tests_its_model_predicts(self):
        for i, item in enumerate(DESIGNS):
            with self.subTest(item.label):
                d = fresh(f"fault-{i}")
                vectors = d / "v.vectors"
                vectors.write_text(item.vectors())
                expected = item.failing_tests()
                self.assertTrue(expected, "the vectors must reach the fault")
                status, out, err = run(d / "run", item.entity, item.fault_files, vectors, item.options)
                self.assertEqual(status, 1, out[-3000:] + err)
                lines = failure_lines(out, item.entity)
                self.assertEqual(sorted(lines), expected)
                first = expected[0]
                case = item.cases[first - 1]
                line = lines[first]
                self.assertRegex(line, rf"^{item.entity} test {first}: FAILED: at \d+ ns: ")
                results = (d / "run" / f"{item.entity}_test_results.txt").read_text()
                result_line = next(r for r in results.splitlines() if r.startswith(f"test {first} "))
                self.assertRegex(result_line, rf"^test {first} FAILED at \d+ ns: ")
                for (name, width), seen, want in zip(item.outputs, item.fault_model(case), item.model(case)):
                    # How an extended identifier shows in a failure line is the bench's to choose.
                    if seen != want and not name.startswith("\\"):
                        self.assertIn(field_text(name, (seen, want), width), line)
                        self.assertIn(field_text(name, (seen, want), width), result_line)


def interval_figures(out):
    """min, mean, max of the interval between accepted starts."""
    m = re.search(r"interval[^\n]*?(\d+(?:\.\d+)?) / (\d+(?:\.\d+)?) / (\d+(?:\.\d+)?)", out)
    return tuple(float(g) for g in m.groups()) if m else None


class Overlap(unittest.TestCase):
    """Catches: a pipeline fed one test at a time under --overlap, starts
    counted from the wrong edge, completions matched to the wrong test."""

    @classmethod
    def setUpClass(cls):
        cls.item = next(x for x in DESIGNS if x.label == "pipeline with --overlap")
        cls.dir = fresh("overlap")
        cls.vectors = cls.dir / "v.vectors"
        cls.vectors.write_text(cls.item.vectors())

    def runs(self, files, name):
        outcome = {}
        for mode, options in (("overlap", ["--overlap"]), ("one at a time", ["--start-mode", "pulse"])):
            d = self.dir / f"{name}-{mode.replace(' ', '-')}"
            status, out, err = run(d, "mac_pipeline", files, self.vectors, options)
            results = d / "mac_pipeline_test_results.txt"
            outcome[mode] = (status, out, err, results.read_text() if results.exists() else "")
        return outcome

    def test_interval_two_and_the_same_results_as_one_at_a_time(self):
        outcome = self.runs(self.item.files, "good")
        status, out, err, results = outcome["overlap"]
        self.assertEqual(status, 0, out[-2000:] + err)
        self.assertEqual(interval_figures(out), (2.0, 2.0, 2.0), out[-2000:])
        m = re.search(r"throughput\D*(\d+(?:[.,]\d+)*)", out)
        self.assertIsNotNone(m, out[-2000:])
        # 120 tests at one every 2 cycles, plus filling the pipeline once.
        self.assertTrue(400 <= float(m.group(1).replace(",", "")) <= 500, m.group(0))
        self.assertEqual(result_fields(results, MAC_PORTS), result_fields(outcome["one at a time"][3], MAC_PORTS))
        self.assertEqual(len(result_fields(results, MAC_PORTS)), len(self.item.cases))
        # A fixed latency counted from acceptance: the same for every test.
        cycles = set(re.findall(r" cycles=(\d+)", results))
        self.assertEqual(len(cycles), 1, cycles)

    def test_a_fault_fails_the_same_tests_with_the_same_values(self):
        outcome = self.runs(self.item.fault_files, "fault")
        self.assertEqual([o[0] for o in outcome.values()], [1, 1])
        overlap, alone = (result_fields(o[3], MAC_PORTS) for o in outcome.values())
        self.assertEqual(overlap, alone)
        self.assertEqual([n for n, (verdict, _) in overlap.items() if verdict == "FAILED"],
                         self.item.failing_tests())


class StartUp(unittest.TestCase):
    """Catches: --after-reset ignored or off by one, and idle cycles added
    where none were asked for (a pulse the design could not see passing
    for one it saw)."""

    def test_a_start_pulse_before_the_design_is_ready_is_a_hang(self):
        d = fresh("start-up")
        vectors = d / "v.vectors"
        vectors.write_text(models.vectors_text("x : y", [([models.hex_field(x, 16)], [models.hex_field(
            models.keyed_mix(x), 16)]) for x in (1, 2, 3)]))
        # keyed_mix takes start from the fifth rising edge after the last
        # one with reset active: N idle cycles put the first start on edge N + 1.
        cases = [
            (["--start-mode", "pulse"], 2),
            (["--start-mode", "pulse", "--after-reset", "3"], 2),
            (["--start-mode", "pulse", "--after-reset", "4"], 0),
            (["--start-mode", "pulse", "--after-reset", "9"], 0),
            # A held start waits for the design whatever the start-up.
            ([], 0),
        ]
        for options, expected in cases:
            with self.subTest(" ".join(options) or "level"):
                status, out, err = fsmd_sim("keyed_mix", "--design", design("keyed_mix.vhd"), "--vectors", vectors,
                                            "--dir", d / "run", "--max-cycles", "100", *options)
                self.assertEqual(status, expected, out + err)
                if expected == 2:
                    hang = [line for line in out.splitlines() if "HANG" in line]
                    self.assertTrue(hang, out)
                    self.assertRegex(hang[0], r"\btest 1\b")


class Elaboration(unittest.TestCase):
    """Catches: a bad generic, a missing architecture, a design that needs
    another standard or the vendor packages, or one with no completion
    port, accepted or reported without naming the cause."""

    def test_each_problem_is_exit_3_naming_its_cause(self):
        d = fresh("elaboration")
        divider8 = d / "divider8.vectors"
        divider8.write_text(models.divider_vectors(8, [(100, 7)]))
        divider16 = d / "divider16.vectors"
        divider16.write_text(models.divider_vectors(16, [(100, 7)]))
        no_default = d / "restoring_divider.vhd"
        no_default.write_text(design("restoring_divider.vhd").read_text().replace("W : positive := 8", "W : positive"))
        mul = d / "mul.vectors"
        mul.write_text(models.multiplier_vectors([(3, 4)]))
        sqrt = d / "sqrt.vectors"
        sqrt.write_text(models.isqrt_vectors([9]))
        gcd = d / "gcd.vectors"
        gcd.write_text("a b : result free\n0C 12 : 06 1\n")
        cases = [
            ("a generic the entity does not have", ["restoring_divider", "--design", design("restoring_divider.vhd"),
                                                    "--generic", "WIDTH=16", "--vectors", divider16], [r"\bWIDTH\b"]),
            ("a generic with no default and no value", ["restoring_divider", "--design", no_default,
                                                        "--vectors", divider8], [r"\bW\b"]),
            ("a missing architecture lists those declared", ["nonrestoring_divider", "--design",
                                                             *[design(f) for f in NONRESTORING],
                                                             "--architecture", "rtl", "--vectors", divider16],
             [r"\brtl\b", r"\bfsmd\b"]),
            ("a VHDL-2008 design in a VHDL-93 run", ["serial_multiplier", "--design", design("serial_multiplier.vhd"),
                                                     "--vectors", mul], []),
            ("std_logic_unsigned without --ieee synopsys", ["isqrt", "--design", design("isqrt.vhd"),
                                                            "--control", "reset=none", "--vectors", sqrt],
             [r"fsmd-sim: the design uses the Synopsys packages std_logic_arith and std_logic_unsigned of"
              r" library ieee: run with --ieee synopsys"]),
            ("no completion port: the three roles named", ["gcd_unit", "--design", design("gcd_unit.vhd"),
                                                           "--vectors", gcd], [r"\bdone\b", r"\bbusy\b", r"\bidle\b"]),
        ]
        for label, args, patterns in cases:
            with self.subTest(label):
                status, out, err = fsmd_sim(*args, "--dir", d / "run")
                self.assertEqual(status, 3, out + err)
                for pattern in patterns:
                    self.assertRegex(err, pattern)

    def test_integer_and_boolean_ports_are_not_what_stops_the_gcd_unit(self):
        # Its ports are accepted: the only complaint is the completion.
        d = fresh("gcd")
        vectors = d / "gcd.vectors"
        vectors.write_text("a b : result free\n0C 12 : 06 1\n")
        status, out, err = fsmd_sim("gcd_unit", "--design", design("gcd_unit.vhd"), "--vectors", vectors, "--dir", d)
        self.assertEqual(status, 3, out + err)
        self.assertNotRegex(err, r"port (a|b|result|free)\b")
        self.assertNotIn("type", err.lower())

    def test_an_argument_file_and_a_file_named_twice(self):
        d = fresh("argfile")
        (d / "sqrt.vectors").write_text(models.isqrt_vectors([0, 1, 2, 99, 65535]))
        (d / "isqrt.args").write_text("\n".join(["--ieee", "synopsys", "--control", "reset=none", "--design",
                                                 str(design("isqrt.vhd")), "--vectors", "sqrt.vectors"]) + "\n")
        status, out, err = fsmd_sim("isqrt", "@isqrt.args", "--dir", "run", cwd=d)
        self.assertEqual(status, 0, out + err)
        self.assertEqual(summary_counts(out, "isqrt"), (5, 5, 0))
        vectors = d / "divider.vectors"
        vectors.write_text(models.divider_vectors(8, models.divider_cases(8, 10)))
        status, out, err = fsmd_sim("restoring_divider", "--design", design("restoring_divider.vhd"),
                                    design("restoring_divider.vhd"), "--start-mode", "pulse",
                                    "--vectors", vectors, "--dir", d / "twice")
        self.assertEqual(status, 0, out + err)

    def test_a_done_held_high_is_a_hang_naming_the_test(self):
        d = fresh("held-done")
        stuck = d / "nonrestoring_divider.vhd"
        text = design("nonrestoring_divider.vhd").read_text()
        stuck.write_text(text.replace("done  <= '0';", "done  <= '1';").replace("done <= '0';", "done <= '1';"))
        self.assertNotEqual(stuck.read_text(), text)
        vectors = d / "v.vectors"
        vectors.write_text(models.divider_vectors(16, [(100, 7), (9, 3)]))
        status, out, err = fsmd_sim("nonrestoring_divider", "--design", design("nonrestoring_divider_entity.vhd"),
                                    stuck, "--vectors", vectors, "--dir", d / "run", "--max-cycles", "200")
        self.assertEqual(status, 2, out + err)
        hang = [line for line in out.splitlines() if "HANG" in line]
        self.assertTrue(hang, out)
        self.assertRegex(hang[0], r"\btest 1\b")
        self.assertNotRegex(out, r"test 1: passed")


if __name__ == "__main__":
    unittest.main(verbosity=2)
