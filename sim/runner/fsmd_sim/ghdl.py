"""Finding GHDL and running it.

Every GHDL process runs in a process group of its own, so that fsmd-sim can
end it with everything it started (the LLVM back end runs a compiler and a
linker) on every way out: a normal end, an error, the watchdog, or a signal
to fsmd-sim itself. The signal module is left out for start-up time (it
loads enum); _signal is the same functions without the enumerations.
"""
import os
import _signal
import _thread

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


def _end_children():
    for pgid in list(_running):
        try:
            os.killpg(pgid, _signal.SIGKILL)
        except OSError:
            pass


def _on_ending_signal(signum, frame):
    _end_children()
    raise Interrupted(signum)


def install_signal_handlers():
    for signum in ENDING_SIGNALS:
        # A signal ignored by whoever started fsmd-sim (nohup) stays ignored.
        if _signal.getsignal(signum) != _signal.SIG_IGN:
            _signal.signal(signum, _on_ending_signal)


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


def _watchdog(seconds):
    """A prefix for argv that stops the command after seconds (SIGTERM, then
    SIGKILL two seconds later): coreutils' timeout. It works in every thread
    of `all`, and it also ends the command
    when fsmd-sim itself is killed with SIGKILL and cannot end it."""
    program = _find_program("timeout")
    if program is None:
        return []
    return [program, "-k", "2s", f"{seconds:.3f}s"]


def spawn(argv, log, cwd=None, deadline=None, out=None, env=None):
    """Runs argv with stdout and stderr into the file log (stdout into the
    file out instead, when given) and stdin from /dev/null, in a process
    group of its own, in folder cwd; returns the exit status (negative:
    killed by that signal). deadline, a time.monotonic()
    value, is the watchdog: past it the command is killed and WatchdogExpired
    raised. env adds to fsmd-sim's environment."""
    environment = dict(os.environ, **env) if env else os.environ
    import time
    prefix = []
    if deadline is not None:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise WatchdogExpired()
        prefix = _watchdog(remaining)
    argv = prefix + list(argv)
    writing = os.O_WRONLY | os.O_CREAT | os.O_TRUNC
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0)]
    if out is None:
        actions += [(os.POSIX_SPAWN_OPEN, 1, log, writing, 0o644), (os.POSIX_SPAWN_DUP2, 1, 2)]
    else:
        actions += [(os.POSIX_SPAWN_OPEN, 1, out, writing, 0o644),
                    (os.POSIX_SPAWN_OPEN, 2, log, writing, 0o644)]
    # No signal may arrive between the start of the child and its entry in
    # _running: the handler would not know the child it has to end. The
    # folder of the child is set by changing the parent's around the call
    # (posix_spawn has no such action here), one thread at a time.
    with _spawn_lock:
        old_mask = _signal.pthread_sigmask(_signal.SIG_BLOCK, ENDING_SIGNALS)
        old_cwd = None
        try:
            if cwd is not None:
                old_cwd = os.open(".", os.O_RDONLY | os.O_DIRECTORY)
                os.chdir(cwd)
            pid = os.posix_spawn(argv[0], argv, environment, file_actions=actions, setpgroup=0,
                                 setsigmask=(), setsigdef=ENDING_SIGNALS)
            _running.add(pid)
        except OSError as e:
            raise BadInput(f"cannot run {argv[0]}: {e.strerror}")
        finally:
            if old_cwd is not None:
                os.fchdir(old_cwd)
                os.close(old_cwd)
            _signal.pthread_sigmask(_signal.SIG_SETMASK, old_mask)
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
    code = os.waitstatus_to_exitcode(status)
    # timeout's status says it stopped the command (124; 137 where the
    # command needed SIGKILL); the clock confirms it.
    if prefix and code != 0 and time.monotonic() >= deadline:
        raise WatchdogExpired()
    return code


def _kill_group(pgid):
    try:
        os.killpg(pgid, _signal.SIGKILL)
    except OSError:
        pass


def read_text(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""
