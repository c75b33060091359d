"""Checking without GHDL: digit masks in the vectors file, the --tests list,
--tolerance and --max-failures on the command line, and how a run that
stopped early or ran chosen tests is read and summed up."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim import cli, test_list  # noqa: E402
from fsmd_sim.anydesign import DesignJob  # noqa: E402
from fsmd_sim.errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_HANG, EXIT_PASSED, BadInput  # noqa: E402
from fsmd_sim.bench.checker import output_checker  # noqa: E402
from fsmd_sim.bench.names import Names  # noqa: E402
from fsmd_sim.bench.verdict import STOPPED_TEXT, results_and_verdict  # noqa: E402
from fsmd_sim.harness_gen import HANG_REPORT, Options, generate, split_ports  # noqa: E402
from fsmd_sim.ports import Port  # noqa: E402
from fsmd_sim.report import summary_line  # noqa: E402
from fsmd_sim.vectors import VectorsError, parse  # noqa: E402

PORTS = [
    Port("a", "in", "std_logic_vector", 15, 0),
    Port("y", "out", "std_logic_vector", 15, 0),
    Port("f", "out", "unsigned", 4, 0),          # 5 bits: its top digit holds one
    Port("w", "out", "signed", 127, 0),
]


def vectors(lines, exact=()):
    return parse("v.txt", "a : y f w\n" + "".join(line + "\n" for line in lines), PORTS, exact)


class DigitMasks(unittest.TestCase):
    def test_each_masked_digit_and_only_it_is_left_out_of_the_mask(self):
        cases = [
            ("third digit", "12-4", (0x1204, 0xFF0F)),
            ("top digit", "-234", (0x0234, 0x0FFF)),
            ("all four", "----", (0, 0)),
            ("fewer digits: the missing ones are checked zeros", "-4", (0x0004, 0xFF0F)),
        ]
        for name, field, expected in cases:
            with self.subTest(name):
                self.assertEqual(vectors([f"0 : {field} 0 0"]).values(0)[1], expected)

    def test_a_narrow_top_digit_and_a_128_bit_port(self):
        v = vectors(["0 : 0 -1 " + "F" * 31 + "-"])
        self.assertEqual(v.values(0)[2], (0x01, 0x0F))
        self.assertEqual(v.values(0)[3], ((1 << 128) - 16, (1 << 128) - 16))
        # The top digit of the 5-bit port masked: its one bit is not checked.
        self.assertEqual(vectors(["0 : 0 -F 0"]).values(0)[2], (0x0F, 0x0F))

    def test_mask_fields_obey_the_width_rules_with_their_columns(self):
        cases = [
            ("five digits with a mask", "0 : 1---- 0 0", "2:5", "5 digits for port y of 16 bits"),
            ("a top digit beyond a 5-bit port", "0 : 0 2- 0", "2:7", "value 2- does not fit port f of 5 bits (at most 1F)"),
            ("a dash in an input", "1- : 0 0 0", "2:2", "'-' (not checked) in input column a"),
            ("a letter among dashes", "0 : 1-g- 0 0", "2:7", "'g' is not a hexadecimal digit"),
        ]
        for name, line, where, message in cases:
            with self.subTest(name):
                with self.assertRaises(VectorsError) as caught:
                    vectors([line])
                self.assertTrue(caught.exception.problems[0].startswith(f"v.txt:{where}: "),
                                caught.exception.problems[0])
                self.assertIn(message, caught.exception.problems[0])

    def test_a_tolerant_output_takes_no_mask(self):
        with self.assertRaises(VectorsError) as caught:
            vectors(["0 : 1-34 0 0"], exact={"y"})
        self.assertIn("v.txt:2:5: '-' digits in the field of y, which --tolerance compares", str(caught.exception))
        # A whole '-' still leaves the tolerant output unchecked.
        self.assertIsNone(vectors(["0 : - 0 0"], exact={"y"}).values(0)[1])

    def test_the_fast_reader_agrees_with_the_full_check_on_masks(self):
        # A non-ASCII comment sends every line to the full check; both must
        # reach the same bench line or the same problem.
        lines = ["0 : 12-4 -F " + "-" * 32, "0 : -0 1- 0", "0 : ---- 2- 0", "0 : 1---- 0 0", "1- : 0 0 0",
                 "0 : 1-g- 0 0", "0 : -- - -", "0 : 12-4 0 0"]
        for exact in ((), ("y",)):
            for line in lines:
                with self.subTest(line=line, exact=exact):
                    seen = []
                    for comment in ("", " # \u00e9"):
                        try:
                            seen.append(vectors([line + comment], exact).bench_text())
                        except VectorsError as e:
                            seen.append(e.problems[0])
                    self.assertEqual(seen[0], seen[1])

    def test_the_bench_line_flags_a_masked_output_and_carries_its_mask(self):
        v = vectors(["0001 : 12-4 - 0", "0002 : 1234 1F -"])
        self.assertEqual(v.bench_text(), "0\n"
                         "m-c 0001 1204 FF0F 00 " + "0" * 32 + "\n"
                         "cc- 0002 1234 1F " + "0" * 32 + "\n")

    def test_chosen_tests_keep_their_numbers_and_the_limit_leads(self):
        v = vectors([f"{n:04X} : {n:04X} 0 0" for n in range(1, 6)])
        text = v.bench_text([2, 5], max_failures=1).splitlines()
        self.assertEqual(text[0], "1")
        self.assertEqual([line.split()[:3] for line in text[1:]], [["2", "ccc", "0002"], ["5", "ccc", "0005"]])


class TestList(unittest.TestCase):
    def test_forms_that_are_read(self):
        cases = [("57", [(57, 57)]), ("10-20,57", [(10, 20), (57, 57)]), (" 3 , 1-2 ", [(3, 3), (1, 2)]),
                 ("007", [(7, 7)]), ("4-4", [(4, 4)])]
        for text, ranges in cases:
            with self.subTest(text):
                self.assertEqual(test_list.parse(text), ranges)

    def test_empty_reversed_and_malformed_lists_are_refused(self):
        cases = [("", "--tests is empty"), (" ", "--tests is empty"), ("20-10", "the range 20-10 is reversed"),
                 ("0", "there is no test 0"), ("1,,2", "'' is not a test number"), ("5,", "'' is not a test number"),
                 ("1-2-3", "'2-3' is not a test number"), ("x", "'x' is not a test number"),
                 ("-5", "'' is not a test number"), ("\u0665", "is not a test number"), ("1.5", "is not a test number")]
        for text, message in cases:
            with self.subTest(text):
                with self.assertRaises(BadInput) as caught:
                    test_list.parse(text)
                self.assertIn(message, str(caught.exception))

    def test_numbers_against_the_file(self):
        self.assertEqual(test_list.numbers([(5, 6), (1, 1), (6, 7)], 10, "x"), [1, 5, 6, 7])
        cases = [([(9, 12)], 10, "test 11 is beyond it"), ([(57, 57)], 40, "holds 40 tests; test 57"),
                 ([(1, 1)], 0, "holds no test; test 1"), ([(1, 10**19)], 10, "test 11 is beyond"),
                 ([(2, 2)], 1, "holds 1 test; test 2")]
        for ranges, count, message in cases:
            with self.subTest(ranges=ranges, count=count):
                with self.assertRaises(BadInput) as caught:
                    test_list.numbers(ranges, count, "LIST")
                self.assertIn(message, str(caught.exception))
        # A range over a vast span beyond the file is refused before it is expanded.
        with self.assertRaises(BadInput):
            test_list.numbers(test_list.parse("1-" + "9" * 40), 3, "x")

    def test_skipped_before_counts_the_gaps_up_to_the_last_chosen_test(self):
        for numbers, skipped in (([28], 27), ([1, 2, 3], 0), ([1, 5], 3), ([], 0)):
            with self.subTest(numbers):
                self.assertEqual(test_list.skipped_before(numbers), skipped)


BASE = ["qmac", "--design", "qmac.vhd", "--vectors", "q.vectors"]


class CommandLine(unittest.TestCase):
    def test_tolerance_limit_and_list_are_read(self):
        o = cli.parse_args(BASE + ["--tolerance", "Y=1", "--tolerance=sat=0", "--max-failures", "3",
                                   "--tests", "10-20,57"])
        self.assertEqual((o.tolerances, o.max_failures, o.test_ranges),
                         ({"y": 1, "sat": 0}, 3, [(10, 20), (57, 57)]))
        o = cli.parse_args(BASE)
        self.assertEqual((o.tolerances, o.max_failures, o.test_ranges), ({}, 0, None))
        # A tolerance of thousands of digits is wider than any port, not a crash.
        self.assertGreater(cli.parse_args(BASE + ["--tolerance", "y=" + "9" * 5000]).tolerances["y"], 1 << 4096)

    def test_an_extended_port_name_may_hold_equals_signs(self):
        # Fault: the item split at its first '=', so that \y=1\=2 reads as
        # port \y with N '1\=2' and is refused.
        cases = [("\\y=1\\=2", {"\\y=1\\": 2}),
                 ("\\a==b\\=0", {"\\a==b\\": 0}),
                 ("\\=\\=7", {"\\=\\": 7}),
                 ("\\My Port\\=3", {"\\My Port\\": 3}),
                 ("\\a\\\\b\\=1", {"\\a\\\\b\\": 1})]
        for item, tolerances in cases:
            with self.subTest(item=item):
                self.assertEqual(cli.parse_args(BASE + ["--tolerance", item]).tolerances,
                                 tolerances)
                self.assertEqual(cli.parse_args(BASE + [f"--tolerance={item}"]).tolerances,
                                 tolerances)
        for item in ("\\y=1", "\\=1", "\\a\\b\\=1", "\\y=1\\="):
            with self.subTest(item=item):
                with self.assertRaises(BadInput):
                    cli.parse_args(BASE + ["--tolerance", item])

    def test_bad_values_and_misplaced_options_are_refused(self):
        cases = [
            (BASE + ["--tolerance", "y"], "give PORT=N"),
            (BASE + ["--tolerance", "y=-1"], "N must be a decimal number"),
            (BASE + ["--tolerance", "y=0x10"], "N must be a decimal number"),
            (BASE + ["--tolerance", "2y=1"], "give PORT=N"),
            (BASE + ["--tolerance", "y=1", "--tolerance", "Y=2"], "gives port y twice"),
            (BASE + ["--max-failures", "0"], "--max-failures needs a positive number"),
            (BASE + ["--max-failures", "many"], "--max-failures needs a positive number"),
            (BASE + ["--tests", "3-1"], "reversed"),
            (["fibo", "--tests", "3"], "--tests applies to the any-design mode (--vectors) only: a bundled bench"),
            (["fibo", "--max-failures", "1"], "--max-failures applies to the any-design mode"),
            (["fibo", "--tolerance", "d_1236=1"], "--tolerance applies to the any-design mode"),
            (["all", "--tests", "1"], "--tests applies to a single bench"),
            (["all", "--max-failures", "1"], "--max-failures applies to a single bench"),
        ]
        for argv, message in cases:
            with self.subTest(argv=argv):
                with self.assertRaises(BadInput) as caught:
                    cli.parse_args(argv)
                self.assertIn(message, str(caught.exception))

    def test_a_number_of_thousands_of_digits_is_no_crash(self):
        with self.assertRaises(BadInput) as caught:
            cli.parse_args(BASE + ["--max-cycles", "9" * 5000])
        self.assertIn("too large", str(caught.exception))


REPORT_AT = {"passed": "b.vhd:10", "failed": "b.vhd:20", "hang": "b.vhd:30"}
# The generated bench's final report is a note (bench/verdict.py).
FAILED_CONSOLE = "b.vhd:20:7:@90ns:(report note): ERRORS. End simulation time reached\n"
PASSED_CONSOLE = "b.vhd:10:7:@90ns:(report note): NONE. End simulation time reached\n"


class EarlyEnds(unittest.TestCase):
    """The outcome of a run read from its results file, for a job of five
    tests with the options given."""

    def job(self, max_failures=0, tests=None):
        with tempfile.NamedTemporaryFile("w", suffix=".vectors", delete=False) as f:
            f.write("a : y\n" + "".join(f"{n:04X} : {n:04X}\n" for n in range(1, 6)))
        self.addCleanup(os.remove, f.name)
        job = DesignJob(Options("qmac"), [], f.name, max_failures, tests)
        job.vectors = parse(f.name, job.vectors_text, PORTS[:2])
        if tests is not None:
            job.numbers = test_list.numbers(test_list.parse(tests), 5, tests)
        job.locations = REPORT_AT
        return job

    @staticmethod
    def line(number, passed):
        return (f"test {number} passed: a=0001 y=0001 y_expected=0001 cycles=3" if passed else
                f"test {number} FAILED at 50 ns: a=0001 y=0002 y_expected=0001 cycles=3")

    def test_a_stop_at_the_limit_is_a_failed_run_with_the_rest_not_run(self):
        job = self.job(max_failures=2)
        results = [self.line(1, True), self.line(2, False), self.line(3, False),
                   "run stopped at --max-failures 2: the tests after this one did not run",
                   "QMAC test has not passed"]
        o = job.outcome("\n".join(results), FAILED_CONSOLE, "1ms")
        self.assertEqual((o.status, len(o.tests), o.unexpected), (EXIT_FAILED, 3, []))
        self.assertIn("3 tests run, 1 passed, 2 failed, 2 not run (stopped after 2 failed tests:"
                      " --max-failures 2);", summary_line(o))

    def test_a_stop_line_the_results_contradict_is_no_verdict(self):
        cases = [
            ("fewer failures than the limit", [self.line(1, False)]),
            ("the last test passed", [self.line(1, False), self.line(2, False), self.line(3, True)]),
        ]
        for name, tests in cases:
            with self.subTest(name):
                results = tests + ["run stopped at --max-failures 2: x", "QMAC test has not passed"]
                o = self.job(max_failures=2).outcome("\n".join(results), FAILED_CONSOLE, "1ms")
                self.assertEqual(o.status, EXIT_BAD_INPUT)
                self.assertIn("the results file lists", o.detail)

    def test_lost_lines_without_a_stop_are_still_caught(self):
        o = self.job(max_failures=2).outcome("\n".join([self.line(1, False), "QMAC test has not passed"]),
                                             FAILED_CONSOLE, "1ms")
        self.assertEqual(o.status, EXIT_BAD_INPUT)

    def test_chosen_tests_keep_their_numbers_and_the_summary_says_what_was_skipped(self):
        job = self.job(tests="2,4")
        o = job.outcome("\n".join([self.line(2, True), self.line(4, True), "QMAC test has passed"]),
                        PASSED_CONSOLE, "1ms")
        self.assertEqual((o.status, [t.number for t in o.tests]), (EXIT_PASSED, [2, 4]))
        self.assertIn("2 tests run, 2 passed, 0 failed, 3 not run (--tests 2,4);", summary_line(o))
        self.assertIn("2 earlier tests were skipped (--tests)", o.note)
        self.assertIn("may behave otherwise", o.note)
        # The first tests alone: nothing before them is missing.
        o = self.job(tests="1-2").outcome("\n".join([self.line(1, True), self.line(2, True),
                                                     "QMAC test has passed"]), PASSED_CONSOLE, "1ms")
        self.assertEqual((o.status, o.note), (EXIT_PASSED, ""))
        self.assertIn("3 not run (--tests 1-2)", summary_line(o))

    def test_the_limit_counts_among_the_chosen_tests(self):
        job = self.job(max_failures=1, tests="2,4,5")
        results = [self.line(2, True), self.line(4, False),
                   "run stopped at --max-failures 1: the tests after this one did not run",
                   "QMAC test has not passed"]
        o = job.outcome("\n".join(results), FAILED_CONSOLE, "1ms")
        self.assertEqual((o.status, [t.number for t in o.tests]), (EXIT_FAILED, [2, 4]))
        self.assertIn("3 not run (--tests 2,4,5; stopped after 1 failed test: --max-failures 1);",
                      summary_line(o))

    def test_a_hang_among_chosen_tests_names_the_chosen_test_that_ran(self):
        job = self.job(tests="2,4")
        o = job.outcome(self.line(2, True), "simulation stopped by --stop-time\n", "1ms")
        self.assertEqual(o.status, EXIT_HANG)
        self.assertIn("test 4 never saw done rise", o.detail)
        self.assertIn("line 5)", o.detail)  # test 4 is on line 5 of the vectors file
        # The missing state of skipped tests may be why it hangs.
        self.assertIn("2 earlier tests were skipped", o.note)
        # The same when the bench itself ends the test at --max-cycles.
        # Fault: that hang's report leaving the note out.
        o = job.outcome("\n".join([self.line(2, True), "test 4 HANG at 90 ns: done did not rise"]),
                        f"b.vhd:30:7:@90ns:(report note): {HANG_REPORT} 4\n", "1ms")
        self.assertEqual(o.status, EXIT_HANG)
        self.assertIn("test 4 never raised done", o.detail)
        self.assertIn("2 earlier tests were skipped", o.note)


CONTROLS = [Port("clk", "in", "std_logic"), Port("reset", "in", "std_logic"),
            Port("start", "in", "std_logic"), Port("done", "out", "std_logic")]


def bench_names(ports, **options):
    options = Options("qmac", **options)
    controls, _ = split_ports(CONTROLS + ports, options)
    return Names(CONTROLS + ports, controls, options)


class BenchPieces(unittest.TestCase):
    """The checker, the stop and the comparison functions on their text."""

    def checker(self, port, tolerance=None):
        piece = output_checker(port, "tb_flags(1)", bench_names([port]), tolerance)
        return {slot: "\n".join(lines) for slot, lines in piece.items()}

    def test_a_tolerance_compares_as_a_number_of_the_port_s_kind(self):
        cases = [
            # (port, tolerance, the constant, signedness, shown, fault it would catch)
            (Port("q", "out", "unsigned", 15, 0), 1, 'unsigned(3 downto 0) := x"1"', "false", "1",
             "an unsigned port read as signed"),
            (Port("q", "out", "signed", 7, 0), 20, 'unsigned(7 downto 0) := x"14"', "true", "14",
             "a signed port read as unsigned, or N shown in decimal"),
            (Port("q", "out", "std_logic_vector", 127, 0), 1 << 200, f'unsigned(127 downto 0) := x"{"F" * 32}"', "false", "F" * 32,
             "a tolerance beyond the range not cut to it (a constant wider than any port)"),
        ]
        for port, tolerance, constant, signed, shown, fault in cases:
            with self.subTest(fault):
                text = self.checker(port, tolerance)
                self.assertIn(f"constant tb_tolerance_q : {constant};", text["declarations"])
                self.assertIn(f"tb_within({port.as_slv('q')}, tb_value_q({port.width - 1} downto 0),"
                              f" tb_tolerance_q, {signed})", text["check_outputs"])
                self.assertIn(f'write(tb_result, tb_plus_minus & "{shown}");', text["result_fields"])
                self.assertNotIn("std_match", text["check_outputs"])

    def test_an_integer_port_compares_as_signed_where_its_range_holds_negatives(self):
        for low, high, signed in ((-16, 15, "true"), (0, 31, "false"), (-1, 0, "true")):
            with self.subTest(low=low, high=high):
                port = Port("q", "out", "integer", low, high, True)
                self.assertIn(f"tb_tolerance_q, {signed})", self.checker(port, 1)["check_outputs"])

    def test_masks_where_a_port_has_more_than_one_digit_and_no_tolerance(self):
        cases = [(Port("q", "out", "unsigned", 4, 0), None, True), (Port("q", "out", "unsigned", 3, 0), None, False),
                 (Port("q", "out", "std_logic", None, None), None, False),
                 (Port("q", "out", "unsigned", 15, 0), 1, False)]
        for port, tolerance, maskable in cases:
            with self.subTest(port=port, tolerance=tolerance):
                text = self.checker(port, tolerance)
                self.assertEqual("hread(tb_vector, tb_mask_q);" in text["read_test"], maskable)
                self.assertEqual("not std_match(" in text["check_outputs"], maskable)
                self.assertEqual("tb_expected_image(" in text["result_fields"], maskable)
                ports = CONTROLS + [Port("a", "in", "std_logic", None, None), port]
                bench = generate(ports, Options("qmac", tolerances={"q": tolerance} if tolerance else {}))
                self.assertEqual("function tb_masked(" in bench, maskable)
                self.assertEqual("function tb_within(" in bench, tolerance is not None)

    def test_the_limit_is_read_before_the_tests_and_ends_the_loop(self):
        piece = results_and_verdict(bench_names([]))
        before, after = "\n".join(piece["before_tests"]), "\n".join(piece["after_test"])
        self.assertIn("read(tb_vector, tb_max_failures);", before)
        self.assertIn("if tb_max_failures /= 0 and tb_failures = tb_max_failures then", after)
        self.assertIn(f'string\'("{STOPPED_TEXT}")', after)
        self.assertTrue(after.rstrip().endswith("exit;\nend if;"))

    def test_the_stop_line_only_when_a_test_follows(self):
        # The limit reached at the last test stops nothing, and the results
        # file must not say that tests after it did not run. Under --overlap,
        # a test in flight follows too, though the file is read to its end.
        cases = [({}, "not endfile(tb_vectors)"),
                 ({"overlap": True}, "tb_waiting_first /= null or not endfile(tb_vectors)")]
        for options, condition in cases:
            with self.subTest(options):
                ports = CONTROLS + [Port("ready", "out", "std_logic"), Port("y", "out", "unsigned", 7, 0)]
                bench = generate(ports, Options("qmac", **options))
                at_limit = bench.index("if tb_max_failures /= 0 and tb_failures = tb_max_failures then")
                block = [line.strip() for line in bench[at_limit:].splitlines()[1:9]]
                self.assertEqual(block[0], f"if {condition} then")
                self.assertEqual(block[1], f'write(tb_result, string\'("{STOPPED_TEXT}"));')
                self.assertEqual(block[4:7], ["writeline(tb_results, tb_result);", "end if;", "exit;"])


if __name__ == "__main__":
    unittest.main()
