"""Reading results files and the console into an outcome, without GHDL."""
import unittest

from fsmd_sim.benches import TABLE
from fsmd_sim.errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_HANG, EXIT_PASSED
from fsmd_sim.results import Outcome, Test, judge, parse_bench_results

POP = TABLE["popcount"]
PASS_AT, FAIL_AT = POP["passed_report_at"], POP["failed_report_at"]
PASSED = f"{PASS_AT}:7:@70390ns:(assertion failure): NONE. End simulation time reached"
FAILED = f"{FAIL_AT}:7:@90ns:(assertion failure): ERRORS. End simulation time reached"
OK_LINES = [" inp=00000007 D_1236=00000003 D_1236_ref=00000003", "POPCOUNT OK: Number of cycles=4",
            " inp=000000FF D_1236=00000008 D_1236_ref=00000008", "POPCOUNT OK: Number of cycles=9"]
BAD_LINE = "POPCOUNT error: inp=000000FF D_1236=00000008 D_1236_ref=00000009"


def outcome(results, console, data_tests, stop_time="100ms"):
    o = Outcome("popcount")
    parse_bench_results(o, POP, results)
    judge(o, POP, "\n".join(console) + "\n", data_tests, stop_time)
    return o


class Parsing(unittest.TestCase):
    def test_tests_cycles_and_verdict_line(self):
        o = outcome(OK_LINES[:2] + [BAD_LINE] + OK_LINES[2:] + [POP["failed_verdict"]], [FAILED], 3)
        self.assertEqual([(t.number, t.passed, t.cycles) for t in o.tests],
                         [(1, True, 4), (2, False, None), (3, True, 9)])
        self.assertEqual((o.status, o.verdict_line, o.cycles()),
                         (EXIT_FAILED, POP["failed_verdict"], "4 / 6.5 / 9"))

    def test_odd_lines_are_kept_as_unexpected(self):
        o = outcome(["garbage", OK_LINES[0], "POPCOUNT OK: Number of cycles=x1",
                     POP["passed_verdict"], "after the verdict"], [PASSED], 1)
        self.assertEqual(o.unexpected, ["garbage", "POPCOUNT OK: Number of cycles=x1",
                                        "after the verdict"])
        # A cycle count that is not a number fails its test.
        self.assertEqual([t.passed for t in o.tests], [False])

    def test_non_ascii_digits_are_no_cycle_count(self):
        o = outcome([OK_LINES[0], "POPCOUNT OK: Number of cycles=٣"], [], 1)
        self.assertEqual([t.cycles for t in o.tests], [None])


class CycleCounts(unittest.TestCase):
    """The count as each bundled bench writes it: VHDL's integer image, so
    integer'low when done rose before the first reset cleared the counter."""
    COUNTS = [
        # written, the test's (passed, cycles)
        ("4", (True, 4)),
        ("0", (True, 0)),
        ("-2147483648", (True, -2147483648)),
        ("-1", (True, -1)),
        ("-", (False, None)),
        ("--1", (False, None)),
        ("+4", (False, None)),
        ("4-", (False, None)),
        ("- 4", (False, None)),
        ("-٣", (False, None)),
    ]

    def test_each_bench_reads_its_count_as_written_negative_included(self):
        for bench, spec in TABLE.items():
            final = (f"{spec['passed_report_at']}:7:@70ns:(assertion failure):"
                     f" {PASSED.rpartition(': ')[2]}")
            for written, (passed, cycles) in self.COUNTS:
                with self.subTest(bench=bench, count=written):
                    o = Outcome(bench)
                    parse_bench_results(o, spec, [" values", spec["cycles_text"] + written,
                                                  spec["passed_verdict"]])
                    judge(o, spec, final + "\n", 1, "100ms")
                    self.assertEqual([(t.passed, t.cycles) for t in o.tests], [(passed, cycles)])
                    if passed:
                        self.assertEqual((o.status, o.unexpected), (EXIT_PASSED, []), o.detail)
                    else:
                        self.assertEqual(o.unexpected, [spec["cycles_text"] + written])
                        self.assertEqual(o.status, EXIT_BAD_INPUT)


class Verdicts(unittest.TestCase):
    CASES = [
        # name, results lines, console lines, tests in the data, status, words in the detail
        ("passed", OK_LINES + [POP["passed_verdict"]], [PASSED], 2, EXIT_PASSED, ""),
        ("failed", [BAD_LINE, POP["failed_verdict"]], [FAILED], 1, EXIT_FAILED, ""),
        ("empty data", [POP["passed_verdict"]], [PASSED], 0, EXIT_PASSED, ""),
        # The design prints the bench's words from its own file: no verdict.
        ("faked by the design", [], ["design-1.vhd:30:5:@0ms:(assertion failure): NONE. End"
                                     " simulation time reached"], 256, EXIT_BAD_INPUT,
         "ended without a verdict"),
        ("faked from the harness' other line", [POP["failed_verdict"]],
         [f"{FAIL_AT}:7:@1ns:(assertion failure): NONE. End simulation time reached"], 0,
         EXIT_BAD_INPUT, "ended without a verdict"),
        ("report without results", [], [PASSED], 256, EXIT_BAD_INPUT, "disagree"),
        ("passed with a failed test", [BAD_LINE, POP["passed_verdict"]], [PASSED], 1,
         EXIT_BAD_INPUT, "1 failed tests"),
        ("fewer tests than the data", OK_LINES[:2] + [POP["passed_verdict"]], [PASSED], 2,
         EXIT_BAD_INPUT, "lists 1 tests where the test data holds 2"),
        ("two final reports", OK_LINES[:2] + [POP["passed_verdict"]], [PASSED, PASSED], 1,
         EXIT_BAD_INPUT, "more than once"),
        ("stop time", OK_LINES[:2], ["ghdl:info: simulation stopped by --stop-time @1us"], 5,
         EXIT_HANG, "test 2 never saw done rise"),
        ("delta cycles", [], ["ghdl:info: simulation stopped by --stop-delta @30ns"], 5,
         EXIT_HANG, "delta cycles during test 1"),
        ("crash", [], ["ghdl: bound check failure"], 5, EXIT_BAD_INPUT, "bound check failure"),
    ]

    def test_verdict_from_the_bench_report_checked_against_the_results(self):
        for name, results, console, data_tests, status, detail in self.CASES:
            with self.subTest(name):
                o = outcome(results, console, data_tests)
                self.assertEqual(o.status, status, o.detail)
                self.assertIn(detail, o.detail)

    def test_only_an_empty_data_file_passes_with_no_test_and_says_so(self):
        o = outcome([POP["passed_verdict"]], [PASSED], 0)
        self.assertIn("holds no test", o.note)
        self.assertEqual(outcome(OK_LINES + [POP["passed_verdict"]], [PASSED], 2).note, "")

    def test_other_reports_are_messages(self):
        warn = "x.vhd:1:1:@0ms:(report warning): HREAD Error"
        o = outcome(OK_LINES[:2] + [POP["passed_verdict"]], [warn, PASSED], 1)
        self.assertEqual(o.messages, [warn])


class FinalReportKind(unittest.TestCase):
    """The generated bench ends with a note at its own location; the
    bundled benches with a failing assertion. Each is judged by its own
    kind only."""
    NOTE = f"{PASS_AT}:7:@70ns:(report note): NONE. End simulation time reached"

    def test_only_the_bench_s_own_kind_of_final_report_counts(self):
        noted = dict(POP, final_kind="report note")
        results = OK_LINES + [POP["passed_verdict"]]
        cases = [
            # (spec, console, status, fault it would catch)
            (noted, [self.NOTE], EXIT_PASSED, "the generated bench's note not taken for its verdict"),
            (noted, [self.NOTE, "ghdl:info: simulation stopped by --stop-time @1ms"], EXIT_PASSED,
             "a design that keeps time moving after the verdict turning it into a hang"),
            (noted, [PASSED], EXIT_BAD_INPUT, "a failing assertion taken where a note is the end"),
            (POP, [self.NOTE], EXIT_BAD_INPUT, "a bundled bench ended by a note at its location"),
        ]
        for spec, console, status, fault in cases:
            with self.subTest(fault):
                o = Outcome("popcount")
                parse_bench_results(o, spec, results)
                judge(o, spec, "\n".join(console) + "\n", 2, "100ms")
                self.assertEqual(o.status, status, o.detail)


class WallClockLimit(unittest.TestCase):
    def test_the_test_running_at_the_limit_is_named_as_a_lower_bound(self):
        # Catches a detail that names the first test not in the results file
        # as the one that hung: GHDL's last block of results is lost with
        # the process, so later tests may have run.
        from fsmd_sim.results import watchdog_expired
        for done, expected in ((0, "test 1 or a later one was running (the results file holds 0 tests;"),
                               (1, "test 2 or a later one was running (the results file holds 1 test;"),
                               (79, "test 80 or a later one was running (the results file holds 79 tests;")):
            with self.subTest(done=done):
                o = Outcome("e")
                o.tests = [Test(n, True, 3, "cycles=3") for n in range(1, done + 1)]
                watchdog_expired(o, 5)
                self.assertEqual(o.status, EXIT_HANG)
                self.assertIn("no verdict within the wall-clock limit of 5 s (--timeout): " + expected,
                              o.detail)


if __name__ == "__main__":
    unittest.main()
