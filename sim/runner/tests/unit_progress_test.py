"""The progress line: shown on a terminal while the results file grows,
counting its lines against the number of tests, and wiped at the end."""
import io
import os
import sys
import tempfile
import time
import unittest
from unittest import mock

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim import progress  # noqa: E402


class Job:
    name = "qmac"
    results_file = "qmac_test_results.txt"
    total_tests = 4


class Progress(unittest.TestCase):
    def test_counts_the_written_tests_and_wipes_the_line(self):
        with tempfile.TemporaryDirectory() as d, mock.patch.object(sys, "stderr", io.StringIO()) as err, \
                mock.patch.object(progress, "FIRST_SHOWN_AFTER", 0), mock.patch.object(progress, "INTERVAL", 0.01):
            with progress.Progress(Job(), d, enabled=True):
                with open(os.path.join(d, Job.results_file), "w") as f:
                    f.write("test 1 passed\ntest 2 passed\ntest 3 pa")
                    f.flush()
                    deadline = time.monotonic() + 5
                    while "2 of 4 tests (50%)" not in err.getvalue() and time.monotonic() < deadline:
                        time.sleep(0.01)
                    f.write("ssed\ntest 4 passed\nQMAC test has passed\n")
                    f.flush()
                    while "4 of 4 tests (100%)" not in err.getvalue() and time.monotonic() < deadline:
                        time.sleep(0.01)
            text = err.getvalue()
        self.assertIn("\rqmac: 2 of 4 tests (50%)", text)
        self.assertIn("\rqmac: 4 of 4 tests (100%)", text)  # the verdict line is not a test
        self.assertTrue(text.endswith("\r\033[K"))

    def test_nothing_when_not_a_terminal_or_short(self):
        with tempfile.TemporaryDirectory() as d, mock.patch.object(sys, "stderr", io.StringIO()) as err:
            with progress.Progress(Job(), d, enabled=False):
                pass
            with progress.Progress(Job(), d, enabled=True):
                pass  # ends before FIRST_SHOWN_AFTER
        self.assertEqual(err.getvalue(), "")


if __name__ == "__main__":
    unittest.main()
