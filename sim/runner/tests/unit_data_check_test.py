"""The test-data check of the four benches: each malformed field that the
bench would read as 0 (and could pass on) is refused with its line, column
and field; what the bench reads correctly stays accepted."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.data_check import DataError, check  # noqa: E402

FIELDS = ["inp", "d_1236"]


class Malformed(unittest.TestCase):
    def test_each_malformed_field_names_line_column_and_field(self):
        cases = [
            # (data, line, column, text in the message)
            (b"00000000 zzzzzzzz\n", 1, 10, "field d_1236: 'z' is not a hexadecimal digit"),
            (b"0x000001 00000001\n", 1, 2, "field inp: 'x'"),
            (b"00000001 00000001\n0000\x0000 00000001\n", 2, 5, "byte 0x00"),
            (b"00000001 0001\n", 1, 14, "field d_1236 has only 4 hexadecimal digits"),
            (b"00000001\n", 1, 9, "field d_1236 is missing"),
            (b"00000001 00000001\n\n", 2, 1, "field inp is missing"),
            (b"1 00000001\n", 1, 2, "field inp: ' '"),
            (b"00000001 -0000001\n", 1, 10, "'-'"),
            (b"00000001 0000000\xc3\xa9\n", 1, 17, "byte 0xc3"),
        ]
        for data, line, column, text in cases:
            with self.subTest(data=data):
                with self.assertRaises(DataError) as caught:
                    check("p.txt", data, FIELDS, 256)
                message = str(caught.exception)
                self.assertTrue(message.startswith(f"p.txt:{line}:{column}: "), message)
                self.assertIn(text, message)


class Accepted(unittest.TestCase):
    def test_lines_the_bench_reads_correctly_pass(self):
        cases = [
            (b"", 0),
            (b"00000002 00000001xyz\n", 1),  # text after the last field is ignored
            (b"  00000002\t00000001\r\n", 1),  # blanks before a field, CRLF lines
            (b"abcdefAB ABCDEF09 trailing words\n", 1),
            (b"00000002 00000001", 1),  # last line without a newline
            (b"00000002\r00000001\n", 1),  # hread skips a carriage return too
        ]
        for data, tests in cases:
            with self.subTest(data=data):
                self.assertEqual(check("p.txt", data, FIELDS, 256).tests, tests)

    def test_lines_beyond_the_limit_are_counted_not_checked(self):
        data = b"00000001 00000001\n" * 10 + b"garbage\n" * 3
        result = check("a.txt", data, ["in1", "out1"], 10)
        self.assertEqual((result.tests, result.ignored_lines), (10, 3))
        with self.assertRaises(DataError):
            check("a.txt", data, ["in1", "out1"], 11)

    def test_three_fields_are_checked_in_order(self):
        with self.assertRaises(DataError) as caught:
            check("e.txt", b"00000001 00000002 0000000g\n", ["in1", "in2", "out1"], 32)
        self.assertIn("e.txt:1:26: field out1", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
