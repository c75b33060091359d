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

    def test_a_byte_that_is_not_text_is_named_as_a_byte_wherever_it_stands(self):
        # FILE:LINE:COLUMN of the byte itself and "byte 0xNN", in the header
        # as in a field; never Python's escape of the decoded byte.
        body = "0001 1 0 : 0 0 0\n"
        cases = [
            ("in a header name", HEADER.encode().replace(b"add", b"a\xffd"), 1, 4,
             "byte 0xff in the header"),
            ("a header name of one byte", b"a add c \xfe : y\n", 1, 9, "byte 0xfe in the header"),
            ("in a field", (HEADER + "00").encode() + b"\xff1 1 0 : 0 0 0\n", 2, 3,
             "byte 0xff is not a hexadecimal digit"),
            ("where the ':' stands", (HEADER + "0001 1 0 ").encode() + b"\xc3 0 0 0\n", 2, 10,
             "byte 0xc3 where the header has ':'"),
            ("a mark after the start", ("a \ufeffadd c : y\n" + body).encode(), 1, 3,
             "character 0xfeff in the header"),
            ("a mark in a field", (HEADER + "\ufeff0001 1 0 : 0 0 0\n").encode(), 2, 1,
             "character 0xfeff is not a hexadecimal digit"),
        ]
        for name, data, line, column, message in cases:
            for given in (data, data.decode("utf-8", "surrogateescape")):
                with self.subTest(name, given=type(given).__name__):
                    with self.assertRaises(VectorsError) as caught:
                        parsed(given)
                    first = caught.exception.problems[0]
                    self.assertTrue(first.startswith(f"v.txt:{line}:{column}: {message}"), first)
                    self.assertNotRegex(first, r"\\u[dD][cC]|\\ufeff|\\x")

    def test_a_byte_order_mark_before_the_header_is_skipped(self):
        text = HEADER + "0001 1 0 : 0 0 0\n0002 0 3 : - 1 1f\n"
        plain = parsed(text)
        for given in ("\ufeff" + text, b"\xef\xbb\xbf" + text.encode()):
            with self.subTest(given=type(given).__name__):
                marked = parsed(given)
                self.assertEqual((marked.rows, marked.lines), (plain.rows, plain.lines))
        # Columns count from the character after the mark.
        with self.assertRaises(VectorsError) as caught:
            parsed("\ufeffa add c zz : y\n")
        self.assertTrue(caught.exception.problems[0].startswith(
            "v.txt:1:9: unknown column 'zz'"), caught.exception.problems[0])

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
        self.assertEqual(v.bench_text(), "0\n--c 000F 0 0000000000000001 0000000000000000 0 1F\n")

    def test_a_line_of_all_tests_starts_with_no_digit_and_a_chosen_test_with_its_number(self):
        # The bench takes a line that starts with a digit for one of chosen
        # tests (--tests) and any other for the next test; a fault it would
        # catch: a run of all tests whose line starts with a field's digits
        # (a design without data outputs), read as a test's number.
        cases = [
            # ports, file
            ("no data output", [PORTS[0], Port("go", "out", "std_logic")], "a :\n0001 :\n0002 :\n"),
            ("bench order, every output", PORTS,
             HEADER + "0001 1 0000000000000000 : 0000000000000000 1 1F\n" * 2),
            ("outputs not checked", PORTS, "a add c : w\n1 0 F : -\n2 1 0 : 1\n"),
        ]
        for name, ports, text in cases:
            with self.subTest(name):
                v = parse("v.txt", text, ports)
                every = v.bench_text(max_failures=3).splitlines(True)
                chosen = v.bench_text([1, 2], max_failures=3).splitlines(True)
                self.assertEqual(every[0], chosen[0])
                self.assertFalse(any(line[0].isdigit() for line in every[1:]), every)
                self.assertEqual(chosen[1:], [f"{n} {line}" for n, line in enumerate(every[1:], 1)])

    def test_wide_port_takes_its_full_width(self):
        ports = [Port("v", "in", "std_ulogic_vector", 255, 0), Port("r", "out", "std_logic_vector", 0, 256)]
        v = parse("w.txt", "v : r\n" + "F" * 64 + " : 1" + "0" * 64 + "\n", ports)
        self.assertEqual(v.values(0), [(1 << 256) - 1, 1 << 256])
        with self.assertRaises(VectorsError):
            parse("w.txt", "v : r\n1" + "0" * 64 + " : 0\n", ports)


# Ports of the kinds beyond std_logic: an integer range with negative values,
# one without, a boolean and extended identifiers (one with a blank, one in
# upper case).
KINDS = [
    Port("small", "in", "integer", -8, 7, True),
    Port("ranged", "in", "integer", 0, 10, True),
    Port("flag", "in", "boolean"),
    Port("\\my port\\", "in", "std_logic"),
    Port("\\Odd:Name\\", "out", "std_logic_vector", 3, 0),
]
KINDS_HEADER = "small ranged flag \\my port\\ : \\Odd:Name\\"


class PortKinds(unittest.TestCase):
    def parse(self, text):
        return parse("k.txt", text, KINDS)

    def test_extended_identifiers_are_one_column_each_as_written(self):
        # Caught fault: the blank inside \my port\ split it into two
        # unknown columns, and ':' inside one split the header.
        v = self.parse(KINDS_HEADER + " # \\not a column\\\n8 A 1 0 : F\n")
        self.assertEqual(v.values(0), [8, 10, 1, 0, 15])

    def test_basic_names_match_in_any_case_extended_ones_exactly(self):
        self.parse("SMALL Ranged FLAG \\my port\\ : \\Odd:Name\\\n0 0 0 0 : 0\n")
        for header, column, shown in (
                ("small ranged flag \\MY PORT\\ : \\Odd:Name\\", 19, "'\\\\MY PORT\\\\'"),
                ("small ranged flag \\my port\\ : \\odd:name\\", 31, "'\\\\odd:name\\\\'"),
                ("small ranged flag my port : \\Odd:Name\\", 19, "'my'")):
            with self.subTest(header):
                with self.assertRaises(VectorsError) as caught:
                    self.parse(header + "\n0 0 0 0 : 0\n")
                self.assertTrue(caught.exception.problems[0].startswith(f"k.txt:1:{column}: unknown column {shown}"),
                                caught.exception.problems[0])

    def test_an_unclosed_extended_identifier_is_an_unknown_column(self):
        with self.assertRaises(VectorsError) as caught:
            self.parse("small ranged flag \\my port : \\Odd:Name\\\n")
        self.assertIn("1:19: unknown column", caught.exception.problems[0])

    def test_integer_ranges_refuse_values_outside_them_on_both_readers(self):
        # Caught fault: B fits the 4 bits of 0 to 10 but is no value of the
        # port (the bench would stop on GHDL's range check). 8, the two's
        # complement of -8, is in -8 to 7. Each line goes through the fast
        # reader (ASCII) and the full check (a non-ASCII comment): both
        # refuse or accept alike.
        cases = [("8 A 0 0 : 0", None), ("7 0 1 1 : -", None),
                 ("0 B 0 0 : 0", "value B is outside the range of port ranged (0 to 10, in 4 bits)"),
                 ("0 F 0 0 : 0", "value F is outside the range of port ranged"),
                 ("10 0 0 0 : 0", "2 digits for port small of 4 bits")]
        for line, message in cases:
            for comment in ("", " # \u00e9"):
                with self.subTest(line=line, comment=comment):
                    text = KINDS_HEADER + "\n" + line + comment + "\n"
                    if message is None:
                        self.assertEqual(len(self.parse(text).tests), 1)
                        continue
                    with self.assertRaises(VectorsError) as caught:
                        self.parse(text)
                    self.assertIn(message, caught.exception.problems[0])

    def test_a_negative_range_shows_its_twos_complement_form(self):
        ports = [Port("n", "in", "integer", -5, -2, True), Port("y", "out", "std_logic")]
        self.assertEqual(parse("n.txt", "n : y\nB : 0\nE : 1\n", ports).values(1), [0xE, 1])
        with self.assertRaises(VectorsError) as caught:
            parse("n.txt", "n : y\nA : 0\n", ports)
        self.assertIn("(-5 to -2, in 4 bits of two's complement)", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
