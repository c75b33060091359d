"""Exit statuses and the failures that end a run with a message."""

EXIT_PASSED, EXIT_FAILED, EXIT_HANG, EXIT_BAD_INPUT = 0, 1, 2, 3
VERDICT_NAMES = {EXIT_PASSED: "passed", EXIT_FAILED: "FAILED", EXIT_HANG: "HANG",
                 EXIT_BAD_INPUT: "NO VERDICT"}


class BadInput(Exception):
    """A problem with the command line, the files it names, the kit or the
    machine: exit status 3 with this message."""


class Interrupted(BaseException):
    """fsmd-sim received a signal that ends it (SIGINT, SIGTERM, SIGHUP):
    it leaves with the shell's convention, 128 plus the signal number."""

    def __init__(self, signum):
        super().__init__(signum)
        self.status = 128 + signum
