"""fsmd-sim's exit status when fsmd-sim itself fails, without GHDL: each
case runs main() in a Python of its own, with one function made to fail."""
import os
import subprocess
import sys
import unittest

RUNNER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
RUN_MAIN = """
import sys
from fsmd_sim import cli, main
def fail(argv):
    raise {error}
cli.parse_args = fail
sys.exit(main.main(["popcount"]))
"""


class OwnFaults(unittest.TestCase):
    def test_a_fault_of_fsmd_sim_is_no_verdict_not_a_failed_test(self):
        cases = [
            # the error raised inside fsmd-sim, its exit status, words of its message
            ("RuntimeError('a bug')", 3, "internal error"),
            ("ValueError('not marshal')", 3, "internal error"),
            ("KeyError('x')", 3, "internal error"),
            ("OSError(28, 'No space left on device')", 3, "fsmd-sim: No space left on device"),
        ]
        for error, status, words in cases:
            with self.subTest(error):
                proc = subprocess.run([sys.executable, "-c", RUN_MAIN.format(error=error)],
                                      capture_output=True, text=True,
                                      env=dict(os.environ, PYTHONPATH=RUNNER))
                self.assertEqual(proc.returncode, status, proc.stderr)
                self.assertIn(words, proc.stderr)


if __name__ == "__main__":
    unittest.main()
