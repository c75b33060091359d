"""The VHDL literals --generic takes: each form recognised with its integer
value where it has one, each malformed text refused before any analysis."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.literals import LiteralError, parse_literal  # noqa: E402


class Recognised(unittest.TestCase):
    def test_each_form_with_its_value(self):
        cases = [
            ("8", ("integer", 8)), ("-3", ("integer", -3)), ("1_000", ("integer", 1000)),
            ("2E3", ("integer", 2000)), ("16#FF#", ("integer", 255)), ("2#1010_1010#", ("integer", 170)),
            ("-16#10#", ("integer", -16)), ("8#17#e1", ("integer", 120)),
            ("true", ("boolean", True)), ("FALSE", ("boolean", False)),
            ("'a'", ("character", "'a'")), ("' '", ("character", "' '")),
            ('"ab c"', ("string", '"ab c"')), ('"say ""hi"""', ("string", '"say ""hi"""')),
            ('X"1F"', ("bit_string", 'X"1F"')), ('b"0101_1"', ("bit_string", 'b"0101_1"')),
            ('8UX"1F"', ("bit_string", '8UX"1F"')),
        ]
        for text, expected in cases:
            with self.subTest(text):
                self.assertEqual(parse_literal(text), expected)


class Refused(unittest.TestCase):
    def test_each_malformed_text_names_the_cause(self):
        cases = [
            ("", "is not a VHDL literal"), ("1.5", "is not a VHDL literal"),
            ("1__0", "is not a VHDL literal"), ("_1", "is not a VHDL literal"),
            ("0x10", "is not a VHDL literal"), ("17#1#", "the base of a based literal is 2 to 16"),
            ("2#102#", "a digit is not below the base 2"), ("'ab'", "is not a VHDL literal"),
            ('"open', "is not a VHDL literal"), ('"a"b"', "is not a VHDL literal"),
            ("w; end", "is not a VHDL literal"), ("x\n", "is not a VHDL literal"),
            # A generic map is no place for an expression: it would be pasted
            # into the bench.
            ("4 + 4", "is not a VHDL literal"), ("open", "is not a VHDL literal"),
        ]
        for text, message in cases:
            with self.subTest(text):
                with self.assertRaises(LiteralError) as caught:
                    parse_literal(text)
                self.assertIn(message, str(caught.exception))


if __name__ == "__main__":
    unittest.main()
