"""GHDL's lines with the copies of the design's files named as the user
gave them: at a line's head, and inside it where GHDL's backtrace names
the file ("at design-1.vhd:41")."""
import unittest

from fsmd_sim.run import show_user_names, user_named_lines

NAMES = {"design-1.vhd": "gcd.vhd", "design-2.vhd": "my pkg.vhd"}


class UserNames(unittest.TestCase):
    def test_each_copy_s_name_becomes_the_user_s_where_it_names_a_file(self):
        cases = [
            ("design-1.vhd:40:15:@520ns:(assertion failure): zero",
             "gcd.vhd:40:15:@520ns:(assertion failure): zero"),
            ("  from: process work.gcd(fsmd).P1 at design-1.vhd:41",
             "  from: process work.gcd(fsmd).P1 at gcd.vhd:41"),
            ("design-2.vhd:3:1:@0ms:(report note): x at design-1.vhd:9",
             "my pkg.vhd:3:1:@0ms:(report note): x at gcd.vhd:9"),
            ("error: bound check failure (design-2.vhd:12)",
             "error: bound check failure (my pkg.vhd:12)"),
            ("\tfrom: design-1.vhd:7 and design-2.vhd:8",
             "\tfrom: gcd.vhd:7 and my pkg.vhd:8"),
            # Not a copy's name standing for a file: left as it is.
            ("bench.vhd:10:5:@0ms:(report note): see design-1.vhd", None),
            ("  from: process at mydesign-1.vhd:4", None),
            ("  from: process at design-1.vhdl:4", None),
            ("  from: process at design-10.vhd:4", None),
            ("report: design-1.vhd", None),
            ("design-3.vhd:1:1: not the user's", None),
        ]
        lines = [line for line, _ in cases]
        self.assertEqual(user_named_lines(NAMES, lines),
                         [line if want is None else want for line, want in cases])

    def test_a_user_s_name_like_a_copy_s_is_not_named_again(self):
        names = {"design-1.vhd": "design-2.vhd", "design-2.vhd": "b.vhd"}
        self.assertEqual(user_named_lines(names, ["design-1.vhd:3: at design-1.vhd:4",
                                                  "design-2.vhd:5: at design-2.vhd:6"]),
                         ["design-2.vhd:3: at design-2.vhd:4", "b.vhd:5: at b.vhd:6"])

    def test_messages_and_the_verdict_s_detail_of_a_run_are_named_the_kit_s_not(self):
        class Job:
            sources = type("S", (), {"items": [("design-1.vhd", "gcd.vhd", b""),
                                               ("kit.vhd", "/kit/kit.vhd", b"")]})()

            @staticmethod
            def is_design_source(copy):
                return copy.startswith("design-")

        class Outcome:
            messages = ["design-1.vhd:40:15:@1ns:(assertion failure): zero",
                        "kit.vhd:2:1:@1ns:(report note): kit"]
            detail = ("GHDL said:\ndesign-1.vhd:40:15:@1ns:(assertion failure): zero\n"
                      "  from: process work.gcd(fsmd).P1 at design-1.vhd:41\n"
                      "  from: process at kit.vhd:3")

        outcome = Outcome()
        show_user_names(Job, outcome)
        self.assertEqual(outcome.messages, ["gcd.vhd:40:15:@1ns:(assertion failure): zero",
                                            "kit.vhd:2:1:@1ns:(report note): kit"])
        self.assertEqual(outcome.detail,
                         "GHDL said:\ngcd.vhd:40:15:@1ns:(assertion failure): zero\n"
                         "  from: process work.gcd(fsmd).P1 at gcd.vhd:41\n"
                         "  from: process at kit.vhd:3")


if __name__ == "__main__":
    unittest.main()
