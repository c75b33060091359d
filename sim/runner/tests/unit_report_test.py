"""The console report's text and how it reaches the output, without GHDL."""
import io
import unittest

from fsmd_sim.errors import EXIT_FAILED
from fsmd_sim.report import LINES_PER_WRITE, print_outcome
from fsmd_sim.results import Outcome, Test


class CountingOutput(io.StringIO):
    """An output whose every write would be a system call when unbuffered."""

    def __init__(self):
        super().__init__()
        self.writes = 0

    def write(self, text):
        self.writes += 1
        return super().write(text)


def outcome_of(count, failing):
    o = Outcome("qmac")
    o.tests = [Test(n, n not in failing, None if n in failing else 4 + n % 3,
                    f"at {n} ns: y=0 y_expected=1 cycles=4" if n in failing else "cycles=4")
               for n in range(1, count + 1)]
    o.status, o.verdict_line = EXIT_FAILED, "QMAC test has not passed"
    return o


class Report(unittest.TestCase):
    def test_the_tests_lines_go_out_in_few_writes_with_the_same_text(self):
        count, failing = 3 * LINES_PER_WRITE + 5, {7, 4096, 9000}
        cases = [
            # (per_test, fault it would catch)
            (True, "one write per test line, or a line lost at a chunk's edge"),
            (False, "--quiet listing passed tests, or losing a failed one"),
        ]
        for per_test, fault in cases:
            with self.subTest(fault):
                out = CountingOutput()
                print_outcome(outcome_of(count, failing), per_test=per_test, out=out)
                # The expected lines, written out independently of the chunks.
                expected = []
                for n in range(1, count + 1):
                    if n in failing:
                        expected.append(f"qmac test {n}: FAILED: at {n} ns: y=0 y_expected=1 cycles=4")
                    elif per_test:
                        expected.append(f"qmac test {n}: passed, {4 + n % 3} cycles")
                lines = out.getvalue().splitlines()
                self.assertEqual(lines[:len(expected)], expected)
                self.assertEqual(lines[len(expected)],
                                 f"qmac: {count} tests run, {count - 3} passed, 3 failed;"
                                 f" cycles min / mean / max: 4 / 5.0 / 6")
                self.assertTrue(lines[-1].startswith("qmac: verdict: FAILED"))
                self.assertLessEqual(out.writes, count // LINES_PER_WRITE + 2)

    def test_runs_of_passing_tests_kept_as_digits_print_as_tests_do(self):
        # Catches a run's line in another form than a test's own, its number
        # before a split run's renumbering, or a line lost at a chunk's edge.
        from fsmd_sim.anydesign import parse_results, parse_results_text
        count = 2 * LINES_PER_WRITE + 3
        text = "".join(f"test {n}: FAILED at {n} ns: y=0 y_expected=1 cycles=4\n".replace(":", "", 1)
                       if n % 1000 == 7 else f"test {n} passed: cycles={n % 5}\n"
                       for n in range(1, count + 1)) + "QMAC test has not passed\n"
        for per_test in (True, False):
            printed = []
            for reader in (lambda o: parse_results_text(o, text, None),
                           lambda o: parse_results(o, text.splitlines(), None)):
                o = Outcome("qmac")
                reader(o)
                o.tests.renumber(50)
                o.status = EXIT_FAILED
                out = CountingOutput()
                print_outcome(o, per_test=per_test, out=out)
                self.assertLessEqual(out.writes, count // LINES_PER_WRITE + 4)
                printed.append(out.getvalue())
            with self.subTest(per_test=per_test):
                self.assertEqual(printed[0], printed[1])
                if per_test:
                    self.assertIn(f"qmac test {count + 50}: passed, {count % 5} cycles\n", printed[0])


if __name__ == "__main__":
    unittest.main()
