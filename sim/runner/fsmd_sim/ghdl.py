"""Finding GHDL and running it.

Every GHDL process runs in a process group of its own, so that fsmd-sim can
end it with everything it started (the LLVM back end runs a compiler and a
linker) on every way out: a normal end, an error, the watchdog, or a signal
to fsmd-sim itself. The watchdog is one timer (SIGALRM) for the run, or for
all four benches of `all`: when it fires, every GHDL process group is ended.
When fsmd-sim is killed with SIGKILL, its guard process ends every GHDL
group still running (orphan_guard.py); a GHDL process also gets a
processor-time limit a little beyond the run's wall-clock limit, which ends
it should the guard be killed as well. The signal module is left out for start-up time
(it loads enum); _signal is the same functions without the enumerations.
"""
import os
import sys
import _signal
import _thread

from . import orphan_guard
from .errors import BadInput, Interrupted

# GHDL's code generators, each with one driver (ghdl-mcode, ghdl-llvm, ...):
# True where elaboration writes an executable, False where GHDL elaborates
# and runs in memory (--elab-run). The first one installed is the default.
BACKENDS = {"mcode": False, "llvm": True, "gcc": True}
# The back end whose objects gcov can count (design coverage).
COVERAGE_BACKEND = "gcc"

# The signals that end fsmd-sim: GHDL's process groups are ended first.
ENDING_SIGNALS = (_signal.SIGINT, _signal.SIGTERM, _signal.SIGHUP)
# The GHDL processes running now, by process id (= process group id).
_running = set()
_spawn_lock = _thread.allocate_lock()


class WatchdogExpired(Exception):
    """The wall-clock limit of the run passed while GHDL was running."""


# Set by the timer when the run's wall-clock limit has passed.
_expired = False
# Processor seconds a GHDL process may use beyond the wall-clock limit (a
# single-threaded process uses no more processor time than wall-clock time,
# so the wall-clock watchdog fires first while fsmd-sim lives).
CPU_LIMIT_MARGIN = 2


# Seconds between the watchdog's SIGTERM and its SIGKILL: a bench built for
# coverage writes its counters on SIGTERM (gcov_flush.c); other GHDL
# processes end on it at once.
TERM_GRACE = 2


# The process groups the watchdog sent SIGTERM: SIGKILL follows for them
# alone, not for a gcov started after the bench ended.
_terminated = set()


def _on_alarm(signum, frame):
    global _expired
    if _expired:
        _end_children(groups=_terminated)
        return
    _expired = True
    _terminated.update(_running)
    _end_children(_signal.SIGTERM)
    _signal.setitimer(_signal.ITIMER_REAL, TERM_GRACE)


def set_deadline(deadline):
    """Starts the watchdog: at deadline (a time.monotonic() value) every GHDL
    process is ended, and the runs waiting for one see WatchdogExpired. Only
    the main thread may call it."""
    import time
    _signal.signal(_signal.SIGALRM, _on_alarm)
    _signal.setitimer(_signal.ITIMER_REAL, max(deadline - time.monotonic(), 0.001))


def _end_children(signum=_signal.SIGKILL, groups=None):
    for pgid in list(_running if groups is None else groups & _running):
        try:
            os.killpg(pgid, signum)
        except OSError:
            pass


# The first ending signal that came, if one did. Its handler's exception
# can be lost: Python ignores one raised where the handler happened to run
# inside a weakref callback or a __del__, and the run would go on to its
# verdict, with its GHDL ended. So every start and end of a GHDL process,
# and the end of the run, look here too.
_received = None


def _quiet_about_lost_interrupts(unraisable):
    """Python prints an ignored exception with its traceback ("Exception
    ignored in"); a lost Interrupted is no fault, as _received keeps it, so
    the user sees only the run's own end."""
    if not isinstance(unraisable.exc_value, Interrupted):
        sys.__unraisablehook__(unraisable)


def _on_ending_signal(signum, frame):
    global _received
    if _received is None:
        _received = signum
    _end_children()
    raise Interrupted(signum)


def check_interrupted():
    """Raises Interrupted when a signal that ends fsmd-sim has come, even
    one whose handler's exception was lost."""
    if _received is not None:
        raise Interrupted(_received)


def install_signal_handlers():
    """fsmd-sim's handling of the signals that end it, then those signals
    let through: the launcher (tools/fsmd-sim) holds them back while Python
    starts. One that came meanwhile raises Interrupted here."""
    sys.unraisablehook = _quiet_about_lost_interrupts
    for signum in ENDING_SIGNALS:
        # A signal ignored by whoever started fsmd-sim (nohup) stays ignored.
        if _signal.getsignal(signum) != _signal.SIG_IGN:
            _signal.signal(signum, _on_ending_signal)
    _signal.pthread_sigmask(_signal.SIG_UNBLOCK, ENDING_SIGNALS)


def find_ghdl(backend):
    """Debian installs one driver per code generator (ghdl-mcode, ghdl-llvm)."""
    name = f"ghdl-{backend}"
    path = _find_program(name)
    if path is None:
        raise BadInput(f"the GHDL {backend} back end is not installed ({name} is not on PATH)")
    return path


def default_backend():
    """mcode, whose elaboration is fastest, unless only another back end is
    installed."""
    for backend in BACKENDS:
        try:
            find_ghdl(backend)
            return backend
        except BadInput:
            pass
    return next(iter(BACKENDS))


_found = {}


def _find_program(name):
    """The program name on PATH, looked for once per process; an absolute
    path, as spawn changes the folder of the process around each start."""
    if name not in _found:
        _found[name] = next((os.path.abspath(os.path.join(d, name)) for d in os.get_exec_path()
                             if os.path.isfile(os.path.join(d, name))
                             and os.access(os.path.join(d, name), os.X_OK)), None)
    return _found[name]


def _limit_processor_time(seconds):
    """Gives the next child a processor-time limit of seconds (it inherits
    fsmd-sim's); returns what to restore afterwards, or None. fsmd-sim's own
    limit stays above what it has used."""
    import resource
    soft, hard = resource.getrlimit(resource.RLIMIT_CPU)
    used = resource.getrusage(resource.RUSAGE_SELF)
    limit = int(used.ru_utime + used.ru_stime + seconds) + CPU_LIMIT_MARGIN
    if hard != resource.RLIM_INFINITY:
        limit = min(limit, hard)
    if soft != resource.RLIM_INFINITY and soft <= limit:
        return None
    resource.setrlimit(resource.RLIMIT_CPU, (limit, hard))
    return lambda: resource.setrlimit(resource.RLIMIT_CPU, (soft, hard))


def spawn(argv, log, cwd=None, deadline=None, out=None, env=None, after_watchdog=False,
          started=None):
    """Runs argv with stdout and stderr into the file log (stdout into the
    file out instead, when given) and stdin from /dev/null, in a process
    group of its own, in folder cwd; returns the exit status (negative:
    killed by that signal). Once the watchdog has fired (set_deadline),
    raises WatchdogExpired instead. deadline, the run's time.monotonic()
    limit, also limits the command's processor time. env adds to
    fsmd-sim's environment. after_watchdog: runs the command even when the
    watchdog has fired (gcov reading what a stopped bench wrote).
    started(pid), when given, learns the child's process group once it
    runs (to end it early with end_group)."""
    environment = dict(os.environ, **env) if env else os.environ
    remaining = None
    if deadline is not None:
        import time
        remaining = deadline - time.monotonic()
    writing = os.O_WRONLY | os.O_CREAT | os.O_TRUNC
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0)]
    if out is None:
        actions += [(os.POSIX_SPAWN_OPEN, 1, log, writing, 0o644),
                    (os.POSIX_SPAWN_DUP2, 1, 2)]
    else:
        actions += [(os.POSIX_SPAWN_OPEN, 1, out, writing, 0o644),
                    (os.POSIX_SPAWN_OPEN, 2, log, writing, 0o644)]
    # No signal may arrive between the start of the child and its entry in
    # _running: the handler would not know the child it has to end. The
    # folder of the child is set by changing the parent's around the call
    # (posix_spawn has no such action here), one thread at a time.
    with _spawn_lock:
        old_mask = _signal.pthread_sigmask(_signal.SIG_BLOCK, ENDING_SIGNALS)
        old_cwd = restore_limit = None
        try:
            check_interrupted()
            if (_expired and not after_watchdog) or (remaining is not None and remaining <= 0):
                raise WatchdogExpired()
            if remaining is not None:
                restore_limit = _limit_processor_time(remaining)
            orphan_guard.start()
            if cwd is not None:
                old_cwd = os.open(".", os.O_RDONLY | os.O_DIRECTORY)
                os.chdir(cwd)
            pid = os.posix_spawn(argv[0], argv, environment, file_actions=actions, setpgroup=0,
                                 setsigmask=(), setsigdef=ENDING_SIGNALS)
            _running.add(pid)
            orphan_guard.watch(pid)
        except OSError as e:
            raise BadInput(f"cannot run {argv[0]}: {e.strerror}")
        finally:
            if old_cwd is not None:
                os.fchdir(old_cwd)
                os.close(old_cwd)
            if restore_limit is not None:
                restore_limit()
            _signal.pthread_sigmask(_signal.SIG_SETMASK, old_mask)
    if started is not None:
        started(pid)
    try:
        _, status = os.waitpid(pid, 0)
    except BaseException:
        _kill_group(pid)
        try:
            os.waitpid(pid, 0)
        except ChildProcessError:
            pass
        raise
    finally:
        # Whatever the child left behind in its group goes with it.
        _kill_group(pid)
        _running.discard(pid)
        orphan_guard.forget(pid)
    check_interrupted()
    if _expired and not after_watchdog:
        raise WatchdogExpired()
    return os.waitstatus_to_exitcode(status)


def end_group(pgid):
    """Ends a simulation spawn started and still waits for, with SIGINT:
    GHDL's run-time then stops the simulation as at its stop time and
    writes out the reports it still holds (SIGTERM would lose them)."""
    _end_children(_signal.SIGINT, {pgid})


def _kill_group(pgid):
    try:
        os.killpg(pgid, _signal.SIGKILL)
    except OSError:
        pass


def on_path(name):
    """The executable name as the search path finds it, or None."""
    for folder in os.get_exec_path():
        path = os.path.join(folder, name)
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    return None


def read_text(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""
