"""The any-design mode without GHDL: its command line and the reading of
the generated bench's results file into an outcome."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim import cli  # noqa: E402
from fsmd_sim.anydesign import parse_results, parse_results_text  # noqa: E402
from fsmd_sim.errors import BadInput  # noqa: E402
from fsmd_sim.ports import Port  # noqa: E402
from fsmd_sim.results import Outcome, Test, Tests  # noqa: E402
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


def read(reader, text):
    """Everything an outcome keeps of a results file, as plain values."""
    outcome = Outcome("qmac")
    hang = reader(outcome, text)
    return ([(t.number, t.passed, t.cycles, t.line) for t in outcome.tests], outcome.unexpected,
            outcome.verdict_line, outcome.stopped_line, outcome.interval, hang, len(outcome.tests),
            outcome.cycles(), outcome.passed_count(), [t.number for t in outcome.failed])


class ResultsText(unittest.TestCase):
    """The whole-text reader, which takes runs of passing tests in one
    piece, reads every file as the line reader reads its lines."""

    PASS = "".join(f"test {n} passed: cycles={3 + n % 4}\n" for n in range(1, 40))
    CASES = {
        "passing tests only": PASS + "QMAC test has passed\n",
        "a failure between runs": PASS + "test 40 FAILED at 5 ns: y=0001 y_expected=0002 cycles=4\n"
                                  + PASS.replace("test ", "test 1") + "QMAC test has not passed\n",
        "values on passing lines": "test 1 passed: a=01 cycles=4\ntest 2 passed: cycles=5\n",
        "passing lines after the verdict": "test 1 passed: cycles=4\nQMAC test has passed\n"
                                           "test 2 passed: cycles=5\ntest 3 passed: cycles=6\n",
        "no final line break": "test 1 passed: cycles=4\ntest 2 passed: cycles=5",
        "a line cut short": "test 1 passed: cycles=4\ntest 2 passed: cyc",
        "empty lines": "\ntest 1 passed: cycles=4\n\n\ntest 2 passed: cycles=5\n\n",
        "Windows line ends": "test 1 passed: cycles=4\r\ntest 2 passed: cycles=5\r\n",
        "other line breaks": "test 1 passed: cycles=4\x0b\ntest 2 passed: cycles=5\x1c"
                             "test 3 passed: cycles=6\u2028\r",
        "digits that are not ASCII": "test \u0663 passed: cycles=4\ntest 4 passed: cycles=\u0665\n",
        "a hang": "test 1 passed: cycles=4\ntest 2 HANG at 10 ns: done did not rise\n",
        "a stop and pipeline figures": "test 1 FAILED at 5 ns: y=1 y_expected=2 cycles=4\n"
                                       "test 2 passed: cycles=4\n"
                                       + "stopped after 1 failed test (--max-failures 1)\n"
                                       "pipeline: interval min / mean / max: 2 / 2.0 / 2 cycles;"
                                       " throughput: 499.5 tests per 1,000 cycles\n",
        "blanks inside the fixed words": "test  1 passed: cycles=4\ntest 2 passed:  cycles=4\n",
        "empty": "",
    }

    def test_every_file_reads_as_its_lines(self):
        def by_lines(outcome, text):
            return parse_results(outcome, text.splitlines(), None)

        def by_text(outcome, text):
            return parse_results_text(outcome, text, None)

        for name, text in self.CASES.items():
            with self.subTest(name):
                self.assertEqual(read(by_text, text), read(by_lines, text))

    def test_a_split_run_renumbers_runs_and_single_tests_alike(self):
        outcome = Outcome("qmac")
        parse_results_text(outcome, self.CASES["a failure between runs"], None)
        before = [t.number for t in outcome.tests]
        outcome = Outcome("qmac")
        parse_results_text(outcome, self.CASES["a failure between runs"], None)
        outcome.tests.renumber(100)
        self.assertEqual([t.number for t in outcome.tests], [n + 100 for n in before])
        self.assertEqual([t.number for t in outcome.failed], [140])


class TestsContainer(unittest.TestCase):
    def filled(self):
        tests = Tests([Test(1, False, None, "bad")])
        tests.add_passing_run(["2", "3"], ["4", "6"])
        tests.append(Test(4, True, 9, "cycles=9"))
        return tests

    def test_indexing_counting_and_joining(self):
        tests = self.filled()
        cases = [
            ("length", len(tests), 4),
            ("last", tests[-1].number, 4),
            ("inside a run", (tests[2].number, tests[2].cycles, tests[2].line), (3, 6, "cycles=6")),
            ("slice", [t.number for t in tests[1:3]], [2, 3]),
            ("failed", [t.number for t in tests.failed()], [1]),
            ("passed", tests.passed_count(), 3),
            ("cycle figures", tests.cycle_figures(), (4, 19, 3, 9)),
            ("no cycle figures without a passing test", Tests([Test(1, False, None, "x")]).cycle_figures(),
             None),
            ("empty is false", bool(Tests()), False),
        ]
        for name, got, expected in cases:
            with self.subTest(name):
                self.assertEqual(got, expected)
        with self.assertRaises(IndexError):
            tests[4]
        joined = Tests()
        joined += self.filled()
        joined += [Test(5, True, 1, "cycles=1")]
        self.assertEqual([t.number for t in joined], [1, 2, 3, 4, 5])

    def test_a_test_changed_through_the_walk_stays_changed(self):
        tests = self.filled()
        for t in tests:
            t.line = f"seen {t.number}"
        self.assertEqual([t.line for t in tests], ["seen 1", "seen 2", "seen 3", "seen 4"])


if __name__ == "__main__":
    unittest.main()
