"""Splitting tests into parts and numbering a part's tests as the whole run
does, without GHDL."""
import unittest

from fsmd_sim.errors import BadInput
from fsmd_sim.results import Outcome, Test
from fsmd_sim.split import parse_shard, part_range, renumber_outcome, renumber_results


class PartRanges(unittest.TestCase):
    def test_parts_cover_every_test_once_in_order(self):
        # Catches a gap, an overlap or a reordering between parts, which
        # would lose or repeat tests in a merged run.
        for total in (0, 1, 2, 3, 7, 10, 999, 1000000):
            for n in (1, 2, 3, 4, 7, 16):
                with self.subTest(total=total, n=n):
                    ranges = [part_range(total, k, n) for k in range(1, n + 1)]
                    self.assertEqual(ranges[0][0], 0)
                    self.assertEqual(ranges[-1][1], total)
                    for (_, end), (start, _) in zip(ranges, ranges[1:]):
                        self.assertEqual(end, start)
                    sizes = [e - s for s, e in ranges]
                    self.assertLessEqual(max(sizes) - min(sizes), 1)

    def test_sizes_follow_the_guides_rule(self):
        # The guide lets a user tell which shard holds a test: contiguous
        # parts of nearly equal size, the first ones a test smaller when N
        # does not divide the count (with more parts than tests, the first
        # ones empty). Catches the smaller parts spread out between the
        # larger ones, and a gap, an overlap or a reordering.
        for total in range(0, 41):
            for n in range(1, 18):
                with self.subTest(total=total, n=n):
                    ranges = [part_range(total, k, n) for k in range(1, n + 1)]
                    covered = [t for start, end in ranges for t in range(start, end)]
                    self.assertEqual(covered, list(range(total)))
                    sizes = [end - start for start, end in ranges]
                    self.assertEqual(sizes, sorted(sizes))
                    self.assertLessEqual(sizes[-1] - sizes[0], 1)
                    self.assertEqual(sizes.count(total // n + 1), total % n)

    def test_sizes_of_the_cases_a_user_counts_by_hand(self):
        for total, n, sizes in ((10, 4, [2, 2, 3, 3]), (3, 5, [0, 0, 1, 1, 1]),
                                (7, 10, [0, 0, 0, 1, 1, 1, 1, 1, 1, 1]), (1000, 4, [250] * 4),
                                (1001, 4, [250, 250, 250, 251]), (5, 1, [5]), (0, 3, [0, 0, 0])):
            with self.subTest(total=total, n=n):
                self.assertEqual([end - start for start, end in
                                  (part_range(total, k, n) for k in range(1, n + 1))], sizes)

    def test_shard_spellings(self):
        for text, expected in (("1/1", (1, 1)), ("3/4", (3, 4)), ("10/12", (10, 12))):
            with self.subTest(text):
                self.assertEqual(parse_shard(text), expected)

    def test_shard_refusals(self):
        # Catches a shard number outside 1..N, or digits Python accepts and
        # a person did not mean.
        for text in ("0/4", "5/4", "4", "/4", "1/", "1/0", "a/b", "1/2/3", "-1/2", "٣/4", "1 /2"):
            with self.subTest(text):
                with self.assertRaisesRegex(BadInput, "give K/N"):
                    parse_shard(text)


class Numbering(unittest.TestCase):
    RESULTS = ("test 1 passed: a=01 cycles=3\n"
               "test 2 FAILED at 40 ns: a=02 cycles=3\n"
               "test 3 HANG at 90 ns: done did not rise within 5 cycles\n"
               "testing 4 is no test line\n"
               "E test has not passed\n")

    def test_results_lines_of_tests_take_the_whole_runs_numbers(self):
        self.assertEqual(renumber_results(self.RESULTS, 250).splitlines(),
                         ["test 251 passed: a=01 cycles=3",
                          "test 252 FAILED at 40 ns: a=02 cycles=3",
                          "test 253 HANG at 90 ns: done did not rise within 5 cycles",
                          "testing 4 is no test line",
                          "E test has not passed"])

    def test_runs_of_passing_lines_renumber_as_single_lines_do(self):
        # Catches a run renumbered in one piece that differs from the rule for
        # a single line: a line lost or doubled at a run's edge, a run's
        # cycles taken for its numbers, a line break lost at the end.
        def line_by_line(text, offset):
            out = []
            for line in text.split("\n"):
                number, blank, rest = line[5:].partition(" ")
                if line.startswith("test ") and blank and number.isdigit():
                    line = f"test {int(number) + offset} {rest}"
                out.append(line)
            return "\n".join(out)

        run = "".join(f"test {n} passed: cycles={n % 7}\n" for n in range(1, 30))
        cases = {
            "a run alone": run,
            "a run between other lines": self.RESULTS + run + self.RESULTS + run,
            "no final line break": run + "test 30 passed: cycles=4",
            "leading zeros and blanks": "test 007 passed: cycles=04\ntest  8 passed: cycles=1\n" + run,
            "empty lines and carriage returns": "\n" + run + "\n\r\ntest 9 passed: cycles=1\r\n\n",
            "empty": "",
        }
        for name, text in cases.items():
            for offset in (1, 999_999):
                with self.subTest(name, offset=offset):
                    self.assertEqual(renumber_results(text, offset), line_by_line(text, offset))

    def test_offset_zero_leaves_the_text_alone(self):
        self.assertIs(renumber_results(self.RESULTS, 0), self.RESULTS)

    def test_outcome_tests_and_the_test_named_in_the_detail(self):
        # Catches a hang reported with the part's own test number, or a
        # path in the detail that happens to hold "test N" being changed.
        outcome = Outcome("e")
        outcome.tests = [Test(1, True, 3, "x"), Test(2, False, None, "y")]
        outcome.unexpected = ["test 3 passed: a=0", "odd"]
        outcome.detail = ("test 3 never raised done within 5 cycles (--max-cycles) (vectors file"
                          " /tmp/test 3/v.txt, line 9); the bench says: test 3 HANG at 90 ns")
        renumber_outcome(outcome, 100)
        self.assertEqual([t.number for t in outcome.tests], [101, 102])
        self.assertEqual(outcome.unexpected, ["test 103 passed: a=0", "odd"])
        self.assertEqual(outcome.detail,
                         "test 103 never raised done within 5 cycles (--max-cycles) (vectors file"
                         " /tmp/test 3/v.txt, line 9); the bench says: test 103 HANG at 90 ns")

    def test_watchdog_and_stop_time_details(self):
        for detail, expected in (
                ("no verdict by the stop time 1 ms: test 4 never saw done rise",
                 "no verdict by the stop time 1 ms: test 14 never saw done rise"),
                ("no verdict within the wall-clock limit of 5 s (--timeout): test 1 was running",
                 "no verdict within the wall-clock limit of 5 s (--timeout): test 11 was running")):
            with self.subTest(detail):
                outcome = Outcome("e")
                outcome.detail = detail
                self.assertEqual(renumber_outcome(outcome, 10).detail, expected)


if __name__ == "__main__":
    unittest.main()
