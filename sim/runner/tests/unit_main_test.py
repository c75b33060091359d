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


# A SIGINT whose handler runs inside a weakref callback, where Python
# ignores the exception it raises, then what fsmd-sim does next: {after}.
# "lost" on standard error says the exception did not reach the caller.
LOST_SIGNAL = """
import os, signal, sys, weakref
from fsmd_sim import cli, ghdl, main

def lose_a_signal():
    class Thing:
        pass
    def callback(ref):
        os.kill(os.getpid(), signal.SIGINT)
        for _ in range(1000):  # the handler runs here
            pass
    thing = Thing()
    ref = weakref.ref(thing, callback)
    del thing
    sys.stderr.write("lost\\n")

{after}
"""


class LostSignalHandlerExceptions(unittest.TestCase):
    def test_a_signal_whose_exception_python_ignored_still_ends_the_run_with_130(self):
        cases = [
            # (what fsmd-sim does after the signal, exit status, fault it catches)
            ("def parse(argv):\n    lose_a_signal()\n    raise cli.HelpWanted()\n"
             "cli.parse_args = parse\nsys.exit(main.main(['--help']))", 130,
             "the run's own status (here --help's 0) as if no signal had come"),
            ("ghdl.install_signal_handlers()\nlose_a_signal()\ntry:\n"
             "    ghdl.spawn(['/bin/true'], os.devnull)\nexcept BaseException as e:\n"
             "    sys.exit(getattr(e, 'status', 99))", 130,
             "a GHDL process started after the signal, as if none had come"),
        ]
        for after, status, fault in cases:
            with self.subTest(fault):
                proc = subprocess.run([sys.executable, "-c", LOST_SIGNAL.format(after=after)],
                                      capture_output=True, text=True,
                                      env=dict(os.environ, PYTHONPATH=RUNNER))
                self.assertIn("lost", proc.stderr)  # the loss took place
                # ... and stayed quiet: the user sees the run's end, not Python's
                self.assertNotIn("Traceback", proc.stderr)
                self.assertNotIn("Exception ignored", proc.stderr)
                self.assertEqual(proc.returncode, status, proc.stdout + proc.stderr)


if __name__ == "__main__":
    unittest.main()
