"""A generated bench's results file cut short by a stopped run, without
GHDL."""
import unittest

from fsmd_sim.anydesign import parse_results
from fsmd_sim.results import Outcome


class CutShort(unittest.TestCase):
    def test_a_passed_line_cut_before_its_cycles_is_no_passed_test(self):
        # Catches a crash of the summary (a passed test without a cycle
        # count) when --timeout stops the bench in the middle of a line.
        for cut in ("test 3 passed: a=01 y=02 y_expected=02 cyc",
                    "test 3 passed: a=01 y=02 y_expected=02 cycles=",
                    "test 3 passed: a=01"):
            with self.subTest(cut):
                outcome = Outcome("e")
                parse_results(outcome, ["test 1 passed: a=00 cycles=4",
                                        "test 2 passed: a=01 cycles=5", cut], None)
                self.assertEqual([t.number for t in outcome.tests], [1, 2])
                self.assertEqual(outcome.unexpected, [cut])
                self.assertEqual(outcome.cycles(), "4 / 4.5 / 5")


if __name__ == "__main__":
    unittest.main()
