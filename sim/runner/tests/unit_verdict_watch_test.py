"""When fsmd-sim sees the generated bench's verdict in its results file,
without GHDL."""
import os
import tempfile
import unittest

from fsmd_sim.errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_PASSED
from fsmd_sim.results import Outcome, Test
from fsmd_sim.verdict_watch import ENDED_NOTE, TAIL_BYTES, VerdictWatch, judge_ended

VERDICTS = ("QMAC test has passed", "QMAC test has not passed")


class VerdictWritten(unittest.TestCase):
    def test_only_a_whole_last_line_is_the_verdict(self):
        long_line = "test 1 FAILED at 10 ns: " + "y=0 " * TAIL_BYTES + "cycles=3\n"
        cases = [
            # (file's text, verdict written, fault it would catch)
            ("test 1 passed: cycles=3\nQMAC test has passed\n", True, "the passing verdict missed"),
            (long_line + "QMAC test has not passed\n", True,
             "the failing verdict missed after a line longer than the tail read"),
            ("QMAC test has passed\n", True, "a verdict as the file's only line missed"),
            ("test 1 passed: cycles=3\n", False, "a run ended before its verdict"),
            ("QMAC test has passed", False, "a verdict line not yet whole taken"),
            ("QMAC test has passed\ntest 9 passed: cycles=1\n", False, "a verdict not last taken"),
            ("XQMAC test has passed\n", False, "another line ending in the same words taken"),
            (None, False, "a missing file taken for a verdict, or a crash"),
        ]
        for text, written, fault in cases:
            with self.subTest(fault):
                with tempfile.TemporaryDirectory() as folder:
                    path = os.path.join(folder, "qmac_test_results.txt")
                    if text is not None:
                        with open(path, "w") as f:
                            f.write(text)
                    watch = VerdictWatch(path, VERDICTS, lambda pid: None)
                    self.assertEqual(watch.verdict_written(), written)


class EndedAfterVerdict(unittest.TestCase):
    SPEC = {"passed_verdict": VERDICTS[0], "failed_verdict": VERDICTS[1]}

    def test_the_results_file_s_verdict_when_its_tests_agree(self):
        ok, bad = Test(1, True, 3, "cycles=3"), Test(2, False, 3, "at 5 ns: y=1 cycles=3")
        cases = [
            # (tests, verdict line, tests expected, status, fault it would catch)
            ([ok], VERDICTS[0], 1, EXIT_PASSED, "a passing run ended late not passed"),
            ([ok, bad], VERDICTS[1], 2, EXIT_FAILED, "a failing run ended late not failed"),
            ([ok, bad], VERDICTS[0], 2, EXIT_BAD_INPUT, "a passed verdict over a failed test taken"),
            ([ok], VERDICTS[0], 2, EXIT_BAD_INPUT, "a results file short of tests taken"),
            ([ok], None, 1, EXIT_BAD_INPUT, "a run without verdict line given one"),
        ]
        for tests, verdict, expected, status, fault in cases:
            with self.subTest(fault):
                o = Outcome("qmac")
                o.tests, o.verdict_line = tests, verdict
                o.status, o.detail = EXIT_BAD_INPUT, "the simulation ended without a verdict"
                judge_ended(o, self.SPEC, expected, EXIT_PASSED, EXIT_FAILED)
                self.assertEqual(o.status, status)
                self.assertEqual(o.note, ENDED_NOTE if status != EXIT_BAD_INPUT else "")



class Ending(unittest.TestCase):
    def test_a_watch_ended_before_its_thread_started_ends_quietly(self):
        # Caught fault: a signal between the watch's creation and its start
        # turned the run's end into "cannot join thread before it is
        # started" and an internal error.
        watch = VerdictWatch(os.devnull, VERDICTS, lambda pid: None)
        self.assertFalse(watch.__exit__(None, None, None))
        self.assertFalse(watch.ended)


if __name__ == "__main__":
    unittest.main()
