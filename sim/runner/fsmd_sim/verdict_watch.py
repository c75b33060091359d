"""Ends a generated bench's simulation that goes on after its verdict.

The generated bench ends by writing its verdict and stopping its clock, and
the simulation ends when nothing else moves. A design with a process of its
own that keeps simulated time moving (a free-running oscillator) would run
on to the stop time, which the any-design mode sets far beyond any run. So
while the bench runs, a thread looks at the end of its results file a few
times a second; once the verdict line has stood there for GRACE_SECONDS
and the simulation still runs, its process group is ended. The verdict is
then judged as always, from the bench's final report and the results file;
on the back ends that write an executable, the report may be lost with the
process's buffers, and the verdict is the results file's alone, checked
against its tests (judge_ended).
"""
import threading
import time

POLL_SECONDS = 0.2
GRACE_SECONDS = 1.0
# Enough of the file's end to hold the verdict line.
TAIL_BYTES = 512


class VerdictWatch:
    """with VerdictWatch(results_path, verdicts, end) as watch: ... started
    is given to spawn as its started callback; end(pid) ends the group.
    watch.ended tells whether it had to."""

    def __init__(self, results_path, verdicts, end):
        self.path = results_path
        self.verdicts = tuple(b"\n" + v.encode() + b"\n" for v in verdicts)
        self.end = end
        self.ended = False
        self._pid = None
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)

    def started(self, pid):
        self._pid = pid

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        # A signal may end the run before the thread was started.
        if self._thread.ident is not None:
            self._thread.join()
        return False

    def _watch(self):
        seen = None
        while not self._stop.wait(POLL_SECONDS):
            if not self.verdict_written():
                continue
            now = time.monotonic()
            if seen is None:
                seen = now
            elif now - seen >= GRACE_SECONDS and self._pid is not None:
                self.ended = True
                self.end(self._pid)
                return

    def verdict_written(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(0, 2)
                f.seek(max(0, f.tell() - TAIL_BYTES))
                # A whole line: the file's first, or one after a line break.
                return (b"\n" + f.read()).endswith(self.verdicts)
        except OSError:
            return False


ENDED_NOTE = ("the simulation went on after the verdict (a process of the design keeps"
              f" simulated time moving) and fsmd-sim ended it {GRACE_SECONDS:g} s later")


def judge_ended(outcome, spec, tests_expected, passed, failed):
    """The verdict of a run ended after its verdict whose final report was
    lost: the results file's verdict line when its tests agree with it (as
    many as expected, failed ones exactly when it says so). passed and
    failed are the exit statuses. Leaves any other outcome as it is."""
    if outcome.verdict_line == spec["passed_verdict"]:
        status = passed
    elif outcome.verdict_line == spec["failed_verdict"]:
        status = failed
    else:
        return
    if (status == passed) != (not outcome.failed) or len(outcome.tests) != tests_expected:
        return
    outcome.status, outcome.detail = status, ""
    outcome.note = outcome.note or ENDED_NOTE
