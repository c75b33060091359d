"""The JUnit file written line by line against ElementTree's own writing of
the same suites (the oracle), byte for byte, without GHDL."""
import unittest
from xml.etree import ElementTree as ET

from fsmd_sim.errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_HANG, EXIT_PASSED
from fsmd_sim.junit import junit_text, suite
from fsmd_sim.results import Outcome, Test

HOSTILE = ["a\x00b", "esc \x1b[31m red", "]]> <tag attr=\"x\"> & &amp; 'q'", "tab\tnew\nline\rcr",
           "\ud800 lone surrogate", "\ufffe\uffff", "ünïcødé ✓ 𝄞", "\x7f\x85 del and nel", "", " "]


def element_tree_text(outcomes):
    root = ET.Element("testsuites")
    for o in outcomes:
        root.append(suite(o))
    ET.indent(root)
    return ET.tostring(root, encoding="unicode", xml_declaration=False)


def outcome(name, lines, status, detail="", cycles=3):
    o = Outcome(name)
    o.tests = [Test(1, True, cycles, "ok")] + [Test(i + 2, False, None, l) for i, l in enumerate(lines)]
    o.status, o.detail = status, detail
    return o


class SameBytes(unittest.TestCase):
    CASES = {
        "passed": [outcome("e", [], EXIT_PASSED)],
        "hostile failures": [outcome("n<&>\"\t", HOSTILE, EXIT_FAILED)],
        "hang": [outcome("e", ["x"], EXIT_HANG, "test 3 never raised done\nmore & <less>")],
        "no verdict, whitespace detail": [outcome("e", [], EXIT_BAD_INPUT, " \n ")],
        "empty suite": [Outcome("empty")],
        "no tests but an error": [outcome("e", [], EXIT_HANG, "stuck")],
        "several suites": [outcome("a", [], EXIT_PASSED), outcome("b", ["y"], EXIT_FAILED)],
        "no suite": [],
        "no cycle count": [outcome("e", [], EXIT_PASSED, cycles=None)],
    }
    CASES["no tests but an error"][0].tests = []
    # --overlap: the interval and throughput as properties of the suite.
    CASES["pipeline figures"] = [outcome("p", ["z"], EXIT_FAILED)]
    CASES["pipeline figures"][0].interval, CASES["pipeline figures"][0].throughput = "2 / 2.5 / 3", "493.8"

    def test_line_by_line_equals_element_tree(self):
        # Catches any escaping, indentation or empty-element form that
        # differs from the JUnit files written so far.
        for name, outcomes in self.CASES.items():
            with self.subTest(name):
                expected = "<?xml version='1.0' encoding='UTF-8'?>\n" + element_tree_text(outcomes)
                self.assertEqual(junit_text(outcomes), expected)

    def test_runs_of_passing_tests_kept_as_digits_write_the_same_bytes(self):
        # Catches a test case of a run written with its number before the
        # split run's renumbering, or in another form than a test's own.
        def built():
            o = Outcome("e")
            o.tests.add_passing_run(["1", "2", "3"], ["4", "5", "0"])
            o.tests.append(Test(4, False, None, "y <wrong> & late"))
            o.tests.add_passing_run(["5", "6"], ["7", "12"])
            o.tests.renumber(1000)
            o.status = EXIT_FAILED
            return o

        text = junit_text([built()])
        self.assertIn('name="test 1006">', text)
        self.assertEqual(text, "<?xml version='1.0' encoding='UTF-8'?>\n" + element_tree_text([built()]))


if __name__ == "__main__":
    unittest.main()
