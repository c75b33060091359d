"""The any-design mode without GHDL: its command line and the reading of
the generated bench's results file into an outcome."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim import cli  # noqa: E402
from fsmd_sim.anydesign import parse_results  # noqa: E402
from fsmd_sim.errors import BadInput  # noqa: E402
from fsmd_sim.ports import Port  # noqa: E402
from fsmd_sim.results import Outcome  # noqa: E402
from fsmd_sim.vectors import parse  # noqa: E402

BASE = ["qmac", "--design", "qmac.vhd", "--vectors", "q.vectors"]


class CommandLine(unittest.TestCase):
    def test_defaults(self):
        opts = cli.parse_args(BASE)
        self.assertEqual((opts.architecture, opts.controls, opts.reset_active, opts.start_mode,
                          opts.clock_period, opts.clock_period_fs, opts.max_cycles),
                         ("fsmd", {}, "high", "level", "10 ns", 10**7, 1000000))

    def test_options_in_the_bench_s_form(self):
        opts = cli.parse_args(BASE + ["--control", "clk=AP_CLK", "--control=done=ap_done", "--clock-period",
                                      "2.5ns", "--max-cycles", "77", "--start-mode", "pulse",
                                      "--reset-active", "low", "--architecture", "rtl"])
        self.assertEqual(opts.controls, {"clk": "ap_clk", "done": "ap_done"})
        self.assertEqual((opts.clock_period, opts.clock_period_fs), ("2.5 ns", 2500000))
        self.assertEqual((opts.max_cycles, opts.start_mode, opts.reset_active, opts.architecture),
                         (77, "pulse", "low", "rtl"))

    def test_each_bad_option_is_refused_with_its_cause(self):
        cases = [
            (["qmac", "--vectors", "q.vectors"], "needs the design's VHDL files"),
            (BASE + ["--data", "d.txt"], "--data applies to the bundled benches"),
            (["q-mac", "--design", "x.vhd", "--vectors", "v"], "'q-mac' is not a VHDL entity name"),
            (BASE + ["--architecture", "a__b"], "is not a VHDL name"),
            (BASE + ["--control", "clock=c"], "give ROLE=PORT"),
            (BASE + ["--control", "clk"], "give ROLE=PORT"),
            (BASE + ["--control", "clk=a", "--control", "clk=b"], "role clk twice"),
            (BASE + ["--control", "clk=start"], "port start cannot be both clk and start"),
            (BASE + ["--reset-active", "0"], "--reset-active must be high or low"),
            (BASE + ["--start-mode", "edge"], "--start-mode must be level or pulse"),
            (BASE + ["--clock-period", "10"], "--clock-period '10' is not a VHDL time"),
            (BASE + ["--clock-period", "1fs"], "at least 2 fs"),
            (BASE + ["--max-cycles", "0"], "--max-cycles needs a positive number"),
            (BASE + ["--max-cycles", str(2**31)], "too large"),
            (["fibo", "--max-cycles", "5"], "applies to the any-design mode (--vectors) only"),
        ]
        for argv, message in cases:
            with self.subTest(argv=argv):
                with self.assertRaises(BadInput) as caught:
                    cli.parse_args(argv)
                self.assertIn(message, str(caught.exception))


class Results(unittest.TestCase):
    PORTS = [Port("a", "in", "signed", 15, 0), Port("y", "out", "signed", 15, 0)]

    def outcome(self, lines):
        vectors = parse("v.txt", "# c\na : y\n1 : 1\n2 : 2\n3 : 3\n", self.PORTS)
        outcome = Outcome("qmac")
        hang = parse_results(outcome, lines, vectors)
        return outcome, hang

    def test_passes_failures_and_verdict(self):
        outcome, hang = self.outcome([
            "test 1 passed: a=0001 y=0001 y_expected=0001 cycles=4",
            "test 2 FAILED at 95 ns: a=0002 y=\"UUUUUUUUUUUUUUUU\" y_expected=0002 cycles=5",
            "test 3 passed: a=0003 y=0003 y_expected=- cycles=12",
            "QMAC test has not passed",
        ])
        self.assertIsNone(hang)
        self.assertEqual([(t.number, t.passed, t.cycles) for t in outcome.tests],
                         [(1, True, 4), (2, False, 5), (3, True, 12)])
        self.assertEqual(outcome.tests[1].line,
                         "at 95 ns: a=0002 y=\"UUUUUUUUUUUUUUUU\" y_expected=0002 cycles=5 (vectors file line 4)")
        self.assertEqual(outcome.verdict_line, "QMAC test has not passed")
        self.assertEqual(outcome.cycles(), "4 / 8.0 / 12")
        self.assertEqual(outcome.unexpected, [])

    def test_passing_lines_with_and_without_values_read_alike(self):
        cases = [
            # (lines, tests, unexpected, fault it would catch)
            (["test 1 passed: cycles=4", "test 2 passed: a=0002 y=0002 y_expected=0002 cycles=7",
              "QMAC test has passed"], [(1, True, 4, "cycles=4"),
                                        (2, True, 7, "a=0002 y=0002 y_expected=0002 cycles=7")], [],
             "the short line or the long one misread"),
            (["test 1 passed: cycles=4", "QMAC test has passed", "test 2 passed: cycles=5"],
             [(1, True, 4, "cycles=4")], ["test 2 passed: cycles=5"],
             "a short line after the verdict taken for a test"),
        ]
        for lines, tests, unexpected, fault in cases:
            with self.subTest(fault):
                outcome, _ = self.outcome(lines)
                self.assertEqual([(t.number, t.passed, t.cycles, t.line) for t in outcome.tests], tests)
                self.assertEqual(outcome.unexpected, unexpected)

    def test_a_hang_line_is_no_test_and_stray_lines_are_kept(self):
        outcome, hang = self.outcome([
            "test 1 passed: a=0001 y=0001 y_expected=0001 cycles=4",
            "test 2 HANG at 10045 ns: done did not rise within 1000 cycles",
            "QMAC test has not passed",
            "test 3 passed: after the verdict",
        ])
        self.assertEqual(hang, "test 2 HANG at 10045 ns: done did not rise within 1000 cycles")
        self.assertEqual(len(outcome.tests), 1)
        self.assertEqual(outcome.unexpected, ["test 3 passed: after the verdict"])


if __name__ == "__main__":
    unittest.main()
