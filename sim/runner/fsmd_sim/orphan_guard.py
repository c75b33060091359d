"""Ends fsmd-sim's GHDL processes when fsmd-sim itself is killed.

SIGKILL gives fsmd-sim no handler in which to end what it started, and a
GHDL process in a group of its own lives on: it keeps the processor busy,
and a bench built for coverage may write its counters into a later run's
folder. So fsmd-sim starts one small guard process, in a session of its
own (a signal to fsmd-sim's process group or terminal does not reach it),
reading a pipe of which fsmd-sim holds the only write end. fsmd-sim writes
each GHDL process group it starts, and each it has ended, one per line
('+PGID', '-PGID'). When the pipe ends, fsmd-sim has exited, however it
died: the guard kills the groups still listed, then exits itself. A GHDL
process started in the very instant fsmd-sim is killed, before its line
reached the guard, is left to its processor-time limit (ghdl.py).
"""
import os
import _thread

# The guard's argv[0]: what `ps` shows for it.
NAME = "fsmd-sim-guard"

# The guard: a POSIX shell, whose start costs next to nothing (a Python
# would cost as much processor time as a short simulation). Lines other
# than +N and -N never come; the groups are digits alone.
GUARD_SCRIPT = r"""
cd / || exit 1
groups=
while read -r line; do
  case $line in
    +*) groups="$groups ${line#+}" ;;
    -*) kept=
        for g in $groups; do [ "$g" = "${line#-}" ] || kept="$kept $g"; done
        groups=$kept ;;
  esac
done
for g in $groups; do kill -s KILL -- "-$g" 2>/dev/null; done
"""
SHELL = "/bin/sh"

_pipe = None  # the write end, once the guard runs
_failed = False
_lock = _thread.allocate_lock()


def _start():
    """Starts the guard; returns the write end of its pipe, or None where
    it cannot be started (the run goes on without it)."""
    read_end, write_end = os.pipe()
    try:
        os.posix_spawn(SHELL, [NAME, "-c", GUARD_SCRIPT], os.environ,
                       file_actions=[(os.POSIX_SPAWN_DUP2, read_end, 0),
                                     (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
                                     (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)],
                       setsid=True, setsigmask=())
    except OSError:
        os.close(write_end)
        return None
    finally:
        os.close(read_end)
    return write_end


def start():
    """Starts the guard unless it runs (or cannot): before the first GHDL
    process, so that none runs unguarded while the guard starts."""
    with _lock:
        _start_locked()


def _start_locked():
    global _pipe, _failed
    if _pipe is None and not _failed:
        _pipe = _start()
        _failed = _pipe is None


def _send(line):
    with _lock:
        _send_locked(line)


def _send_locked(line):
    global _pipe, _failed
    _start_locked()
    if _pipe is None:
        return
    try:
        os.write(_pipe, line)
    except OSError:
        # The guard is gone (killed by hand): no guard from here on.
        os.close(_pipe)
        _pipe = None
        _failed = True


def watch(pgid):
    """The guard ends process group pgid should fsmd-sim die before
    forget(pgid)."""
    _send(b"+%d\n" % pgid)


def forget(pgid):
    _send(b"-%d\n" % pgid)
