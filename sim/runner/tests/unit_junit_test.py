"""JUnit XML and the console from one outcome, without GHDL: the file is
well-formed whatever the names and messages hold."""
import io
import os
import tempfile
import unittest
from xml.etree import ElementTree

from fsmd_sim.errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_PASSED
from fsmd_sim.junit import write_junit, xml_text
from fsmd_sim.report import print_outcome, summary_table
from fsmd_sim.results import Outcome, Test

HOSTILE = ["a\x00b", "esc \x1b[31m red", "]]> <tag attr=\"x\"> & &amp;", "tab\tnew\nline\rcr",
           "\ud800 lone surrogate", "\ufffe\uffff", "ünïcødé ✓ 𝄞", "\x7f\x85 del and nel"]


def outcome_with(lines, status=EXIT_FAILED, detail=""):
    o = Outcome("popcount")
    o.tests = [Test(1, True, 3, "ok")] + [Test(i + 2, False, None, l) for i, l in enumerate(lines)]
    o.status, o.detail = status, detail
    return o


class Junit(unittest.TestCase):
    def write(self, outcomes):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "r.xml")
            write_junit(path, outcomes)
            return ElementTree.parse(path).getroot()

    def test_hostile_messages_give_well_formed_xml(self):
        root = self.write([outcome_with(HOSTILE)])
        cases = root.find("testsuite").findall("testcase")
        self.assertEqual(len(cases), 1 + len(HOSTILE))
        messages = [c.find("failure").get("message") for c in cases[1:]]
        self.assertEqual(messages[0], "a\\x00b")
        self.assertEqual(messages[2], HOSTILE[2])  # markup survives as text
        self.assertEqual(messages[6], HOSTILE[6])  # so does any character XML holds
        self.assertIn("\\ud800", messages[4])

    def test_counts_match_the_console(self):
        o = outcome_with(["bad one"], EXIT_BAD_INPUT, "ended without a verdict\nGHDL said: \x01")
        suite = self.write([o]).find("testsuite")
        # The run's own failure to finish is one more case, an error.
        self.assertEqual((suite.get("tests"), suite.get("failures"), suite.get("errors")),
                         ("3", "1", "1"))
        self.assertEqual(suite.findall("testcase")[-1].find("error").get("message"),
                         "ended without a verdict")
        out = io.StringIO()
        print_outcome(o, out=out)
        self.assertIn("popcount: 2 tests run, 1 passed, 1 failed", out.getvalue())
        self.assertIn("verdict: NO VERDICT: ended without a verdict", out.getvalue())

    def test_several_suites_in_order(self):
        a, b = outcome_with([], EXIT_PASSED), outcome_with(["x"])
        b.name = "fibo"
        self.assertEqual([s.get("name") for s in self.write([a, b]).findall("testsuite")],
                         ["popcount", "fibo"])

    def test_xml_text_keeps_what_xml_holds(self):
        self.assertEqual(xml_text("tab\tnl\ncr\r é"), "tab\tnl\ncr\r é")
        self.assertEqual(xml_text("\x1f\x0b\x0c"), "\\x1f\\x0b\\x0c")


class Table(unittest.TestCase):
    def test_rows_line_up(self):
        a, b = outcome_with([], EXIT_PASSED), outcome_with(["x"])
        b.name = "arraysum"
        lines = summary_table([a, b])
        self.assertEqual(lines[0].split()[:4], ["bench", "run", "passed", "failed"])
        self.assertTrue(lines[1].startswith("popcount "))
        self.assertTrue(lines[2].startswith("arraysum ") and lines[2].endswith("FAILED"))
        self.assertEqual(lines[1].index("3 / 3.0 / 3"), lines[0].index("cycles"))


if __name__ == "__main__":
    unittest.main()
