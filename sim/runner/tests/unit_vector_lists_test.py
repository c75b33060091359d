"""List fields of the vectors file (memories, streams): each element held to
the rules of a plain field, every malformed list refused with
FILE:LINE:COLUMN, and the bench's line carrying each list in full."""
import os
import random
import sys
import unittest
from unittest import mock

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.ports import Port  # noqa: E402
from fsmd_sim.vector_lists import ListColumn  # noqa: E402
from fsmd_sim import vectors  # noqa: E402
from fsmd_sim.vectors import VectorsError, parse  # noqa: E402

N = Port("n", "in", "unsigned", 3, 0)
Y = Port("y", "out", "std_logic_vector", 7, 0)
WORD = Port("q", "in", "std_logic_vector", 9, 0)          # 10 bits: 3 digits, the top one 0-3
SMALL = Port("q", "in", "integer", -3, 3, True)                 # 3 bits of two's complement
MEMORY = [ListColumn("buf", "in", WORD, "memory", 4), ListColumn("buf", "out", WORD, "memory", 4)]
STREAM = [ListColumn("x", "in", SMALL, "stream", required=True)]


def bench_rows(text, lists=MEMORY, ports=(N, Y)):
    """The bench's lines of the tests."""
    return parse("v.txt", text, list(ports), lists=lists).bench_text().splitlines()[1:]


def bench_tests(text, lists=MEMORY, ports=(N, Y)):
    """Per test: its line for the bench (no number: a run of all tests) and
    its part of each list column's file, the line breaks of those shown as
    blanks."""
    v = parse("v.txt", text, list(ports), lists=lists)
    rows = v.bench_text().splitlines()[1:]
    return [" | ".join([row] + [" ".join(parts[t].split()) for parts in v.list_parts])
            for t, row in enumerate(rows)]


class Accepted(unittest.TestCase):
    def test_lists_reach_the_bench_whole_at_the_words_width(self):
        cases = [
            ("words zero-extended to 3 digits", "n buf : y buf\n3 [1 2F 3FF] : 07 [1 2F 3FF]\n",
             ["c 3 07 | 3 001 02F 3FF | c3 c001 c02F c3FF"]),
            ("empty lists, blanks inside", "n buf : buf\n0 [ ] : []\n1 [  5\t6 ] : [5 6]\n",
             ["- 0 00 | 0 | c0", "- 1 00 | 2 005 006 | c2 c005 c006"]),
            ("'-' words and '-' digits in an output", "n : buf\n0 : [- 1-3 2F]\n",
             ["- 0 00 | 0 | c3 -000 m103 F0F c02F"]),
            ("'-' for the whole output list; no input column: zeros",
             "n : buf\n0 : -\n", ["- 0 00 | 0 | -0"]),
            ("no column at all for the memory", "n : y\n0 : 01\n", ["c 0 01 | 0 | -0"]),
            ("a comment after a list", "n buf : buf\n2 [1] : [1] # [not a list\n",
             ["- 2 00 | 1 001 | c1 c001"]),
            ("in-out names in either case", "n BUF : Buf\n1 [7] : [7]\n", ["- 1 00 | 1 007 | c1 c007"]),
        ]
        for name, text, tests in cases:
            with self.subTest(name):
                self.assertEqual(bench_tests(text), tests)

    def test_a_streams_lists_go_to_its_own_file_one_line_per_test_run(self):
        out = ListColumn("z", "out", Y, "stream")
        v = parse("v.txt", "x : y z\n[5 7 3] : 00 [1 -]\n[] : 01 -\n[0] : 02 []\n", [Y],
                  lists=STREAM + [out])
        # Negative words of an integer stream in two's complement.
        self.assertEqual(v.bench_text().splitlines()[1:], ["c 00", "c 01", "c 02"])
        # A line per value: a long stream is read value by value.
        self.assertEqual(v.list_texts(), ["3\n5\n7\n3\n0\n1\n0\n", "c2\nc01\n-00\n-0\nc0\n"])
        # --tests and the parts of a split run take the same tests' lines.
        self.assertEqual(v.list_texts([1, 3]), ["3\n5\n7\n3\n1\n0\n", "c2\nc01\n-00\nc0\n"])
        part = v.part(1, 3)
        self.assertEqual((part.bench_text(), part.list_texts()),
                         ("0\nc 01\nc 02\n", ["0\n1\n0\n", "-0\nc0\n"]))
        self.assertEqual(v.list_texts([]), ["", ""])

    def test_lists_follow_the_scalar_fields_so_values_still_reads_them(self):
        v = parse("v.txt", "n buf : y\n5 [1 2] : 0A\n", [N, Y], lists=MEMORY)
        self.assertEqual(v.values(0), [5, 10])


class FastPath(unittest.TestCase):
    def test_whole_list_check_gives_the_word_by_word_text(self):
        """Lists of words in either case and of fewer digits than the word
        holds, checked over the whole list, give the same lines as the check
        of each word."""
        rng = random.Random(22)
        for width in (1, 3, 4, 10, 16, 33):
            word = Port("w", "in", "unsigned", width - 1, 0)
            lists = [ListColumn("m", "in", word, "memory", 40), ListColumn("m", "out", word, "memory", 40),
                     ListColumn("s", "in", word, "stream", required=True), ListColumn("t", "out", word, "stream")]
            lines = ["n m s : m t"]
            for _ in range(20):
                fields = []
                for _ in range(4):
                    words = [f"{rng.randrange(1 << width):X}" for _ in range(rng.randrange(8))]
                    words = [w.lower() if rng.random() < 0.3
                             else w.rjust(rng.randrange(len(w), (width + 3) // 4 + 1), "0") for w in words]
                    fields.append("[" + " ".join(words) + "]")
                lines.append(f"1 {fields[0]} {fields[1]} : {fields[2]} {fields[3]}")
            text = "\n".join(lines) + "\n"
            with self.subTest(width=width):
                taken = []
                fast_list = vectors._fast_list
                with mock.patch.object(vectors, "_fast_list",
                                       lambda *args: taken.append(fast_list(*args)) or taken[-1]):
                    fast = parse("v.txt", text, [N], lists=lists)
                self.assertTrue(all(part is not None for part in taken) and len(taken) == 80)
                with mock.patch.object(vectors, "_fast_list", lambda *args: None):
                    careful = parse("v.txt", text, [N], lists=lists)
                self.assertEqual((fast.bench_text(), fast.list_texts()),
                                 (careful.bench_text(), careful.list_texts()))


class Refused(unittest.TestCase):
    def test_each_problem_is_named_with_line_and_column(self):
        head = "n buf : y buf\n"
        cases = [
            ("a missing bracket", head + "1 [1 2 : 00 [1 2]\n", 2, 7, "the list opened at column 3 has no closing ']'"),
            ("a missing bracket at the line's end", head + "1 [1 2] : 00 [1 2\n", 2, 18, "the list opened at column 14 has no closing ']'"),
            ("an element too wide", head + "1 [1 400] : 00 []\n", 2, 6, "value 400 does not fit a word of memory buf of 10 bits"),
            ("an element of too many digits", head + "1 [0001] : 00 []\n", 2, 4, "4 digits for a word of memory buf"),
            ("an element not hexadecimal", head + "1 [1 0G] : 00 []\n", 2, 7, "'G' is not a hexadecimal digit"),
            ("'-' in an input list", head + "1 [1 -] : 00 []\n", 2, 6, "'-' (not checked) in input column buf"),
            ("a list longer than the memory", head + "1 [1 2 3 4 5] : 00 []\n", 2, 12, "the list of buf holds more than its 4 words"),
            ("a list on a scalar port", head + "[1] [] : 00 []\n", 2, 1, "a list in the field of port n, which takes one value"),
            ("a scalar on a memory", head + "1 001 : 00 []\n", 2, 3, "buf is a memory: its field is a list"),
            ("a scalar on an output memory", head + "1 [] : 00 001\n", 2, 11, "buf is a memory"),
            ("a bracket inside a list", head + "1 [1 2]] : 00 []\n", 2, 8, "']' with no '[' before it"),
            ("a memory named twice on one side", "n buf buf : y\n", 1, 7, "column 'buf' appears twice (first at column 3)"),
        ]
        for name, text, line, column, cause in cases:
            with self.subTest(name):
                with self.assertRaises(VectorsError) as caught:
                    bench_rows(text)
                self.assertIn(f"v.txt:{line}:{column}: {cause}", str(caught.exception))

    def test_an_input_stream_needs_its_column_a_memory_does_not(self):
        with self.assertRaises(VectorsError) as caught:
            bench_rows(": y\n: 00\n", STREAM, (Y,))
        self.assertIn("missing column for input x", str(caught.exception))
        self.assertEqual(len(bench_rows("n : y\n1 : 00\n")), 1)

    def test_words_outside_an_integer_range_are_refused(self):
        for field, cause in (("[3 4]", "value 4 is outside the range of a word of stream x (-3 to 3"),
                             ("[3 8]", "value 8 does not fit a word of stream x of 3 bits")):
            with self.subTest(field):
                with self.assertRaises(VectorsError) as caught:
                    bench_rows(f"x : y\n{field} : 00\n", STREAM, (Y,))
                self.assertIn(f"v.txt:2:4: {cause}", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
