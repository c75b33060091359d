"""The vectors parser: every malformed file of the documented list is
refused with FILE:LINE:COLUMN, nothing is truncated or skipped, and the
bench's layout carries every value at its port's width."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.ports import Port  # noqa: E402
from fsmd_sim.vectors import VectorsError, parse  # noqa: E402

PORTS = [
    Port("a", "in", "signed", 15, 0),
    Port("add", "in", "std_logic"),
    Port("c", "in", "unsigned", 63, 0),
    Port("y", "out", "std_logic_vector", 63, 0),
    Port("carry", "out", "std_logic"),
    Port("w", "out", "std_logic_vector", 4, 0),
]
HEADER = "a add c : y carry w\n"


def parsed(text):
    return parse("v.txt", text, PORTS)


class Malformed(unittest.TestCase):
    def test_each_problem_is_named_with_line_and_column(self):
        cases = [
            ("unknown column", "a add c zz : y\n", 1, 9, "unknown column 'zz'"),
            ("missing input column", "a c : y\n", 1, 1, "missing column for input add"),
            ("column twice", "a add c a : y\n", 1, 9, "appears twice"),
            ("expected value for an input", "a add : c y\n", 1, 9, "expected value for input 'c'"),
            ("output before the colon", "a add c y : carry\n", 1, 9, "output 'y' before the ':'"),
            ("no colon", "a add c\n", 1, 8, "no ':'"),
            ("two colons", "a add c : y : carry\n", 1, 13, "a second ':'"),
            ("too few fields", HEADER + "0001 1 0 : 0 0\n", 2, 15, "6 fields where the header at line 1 has 7"),
            ("too many fields", HEADER + "0001 1 0 : 0 0 0 5\n", 2, 18, "8 fields"),
            ("colon misplaced", HEADER + "0001 1 : 0 0 0 0\n", 2, 8, "':' where the header has port c"),
            ("field where the colon is", HEADER + "0001 1 0 0 0 0 0\n", 2, 10, "'0' where the header has ':'"),
            ("not hexadecimal", HEADER + "00g1 1 0 : 0 0 0\n", 2, 3, "'g' is not a hexadecimal digit"),
            ("hex prefix", HEADER + "0x01 1 0 : 0 0 0\n", 2, 2, "'x' is not a hexadecimal digit"),
            ("NUL byte", HEADER + "00\x001 1 0 : 0 0 0\n", 2, 3, "character 0x00"),
            ("not UTF-8", (HEADER + "00").encode() + b"\xff1 1 0 : 0 0 0\n", 2, 3, "byte 0xff is not"),
            ("non-ASCII letter", HEADER + "00\u00e91 1 0 : 0 0 0\n", 2, 3, "'\u00e9' is not"),
            ("too many digits", HEADER + "00001 1 0 : 0 0 0\n", 2, 1, "5 digits for port a of 16 bits"),
            ("wider than the port", HEADER + "0001 2 0 : 0 0 0\n", 2, 6, "value 2 does not fit port add of 1 bit (at most 1)"),
            ("wider than a 5-bit port", HEADER + "0001 1 0 : 0 0 20\n", 2, 16, "does not fit port w of 5 bits"),
            ("don't care for an input", HEADER + "- 1 0 : 0 0 0\n", 2, 1, "'-' (not checked) in input column a"),
            ("no header", "# only a comment\n\n", 1, 1, "no header line"),
        ]
        for name, text, line, column, message in cases:
            with self.subTest(name):
                with self.assertRaises(VectorsError) as caught:
                    parsed(text)
                first = caught.exception.problems[0]
                self.assertTrue(first.startswith(f"v.txt:{line}:{column}: "), first)
                self.assertIn(message, first)

    def test_every_bad_line_is_reported_not_only_the_first(self):
        text = HEADER + "0001 1 0 : 0 0 0\n" + "zz 1 0 : 0 0 0\n" * 3 + "0001 1 0 : 0 0 0\n" + "0 0 0 : 0 0 99\n"
        with self.assertRaises(VectorsError) as caught:
            parsed(text)
        self.assertEqual([p.split(":")[1] for p in caught.exception.problems], ["3", "4", "5", "7"])

    def test_the_list_of_problems_is_capped_but_counted(self):
        with self.assertRaises(VectorsError) as caught:
            parsed(HEADER + "zz 1 0 : 0 0 0\n" * 25)
        self.assertEqual(len(caught.exception.problems), 20)
        self.assertIn("and 5 more problems", str(caught.exception))


class Accepted(unittest.TestCase):
    def test_the_fast_reader_agrees_with_the_full_check(self):
        # Lines the fast reader takes, lines it leaves to the full check, and
        # bad lines that look nearly right: both must reach the same values
        # and the same verdicts.
        lines = ["0001 1 2 : 3 0 1f", "0001\t1\t2:3 0 1F", "FfFf 0 ffffffffffffffff : - 1 -",
                 "0001 1 2 : 3 0 1F # c", "0001 1 2 : 3 0 20", "0001 1 2 : 3 0 \x1c1F",
                 "0001 1 2 : 3 0 1F\x1c", "0001 1 2 : 3 0 1\xa0F", "0001 1 2 : 3 0 +1", "0001 1 2 : 3 0 0x",
                 "0001 1 2 : 3 0 _1", "0001 1 2 : 3 0 1 1", "0001 1 2 3 0 1", " - 1 2 : 3 0 1",
                 "0001 1 2 : 3- 0 1-", "0001 1 2 : -3 - --", "0-01 1 2 : 3 0 1", "0001 1 2 : 3 0 2-"]
        for line in lines:
            with self.subTest(line=line):
                fast, full = [], []
                for text, out in ((HEADER + line + "\n", fast), (HEADER + line + " #\xe9\n", full)):
                    # A non-ASCII comment sends every line to the full check.
                    try:
                        v = parsed(text)
                        out.append(v.values(0) if v.tests else [])
                    except VectorsError as e:
                        out.append(e.problems[0].split(": ", 1)[1])
                self.assertEqual(fast, full)

    def test_values_comments_and_dont_cares(self):
        v = parsed("# header follows\n\n" + "A ADD C : Y carry\n"
                   "  ffff 1 FFFFFFFFFFFFFFFF : 1 - # comment\n"
                   "8000\t0\t0:-\t1\r\n")
        self.assertEqual([v.values(0), v.values(1)], [[0xFFFF, 1, (1 << 64) - 1, 1, None, None],
                                                      [0x8000, 0, 0, None, 1, None]])
        self.assertEqual(v.lines, [4, 5])

    def test_header_only_is_no_test(self):
        self.assertEqual(parsed("a add c :\n").tests, [])

    def test_fewer_digits_are_zero_extended_in_the_bench_layout(self):
        v = parsed("c add a : w carry\n1 0 F : 1F -\n")
        # flags per output in port order (y, carry, w): y is not named.
        self.assertEqual(v.bench_text(), "0\n1 --c 000F 0 0000000000000001 0000000000000000 0 1F\n")

    def test_wide_port_takes_its_full_width(self):
        ports = [Port("v", "in", "std_ulogic_vector", 255, 0), Port("r", "out", "std_logic_vector", 0, 256)]
        v = parse("w.txt", "v : r\n" + "F" * 64 + " : 1" + "0" * 64 + "\n", ports)
        self.assertEqual(v.values(0), [(1 << 256) - 1, 1 << 256])
        with self.assertRaises(VectorsError):
            parse("w.txt", "v : r\n1" + "0" * 64 + " : 0\n", ports)


if __name__ == "__main__":
    unittest.main()
