"""Standard output and standard error that their reader may close.

`fsmd-sim ... | head` closes the pipe after ten lines, and a caller may
start fsmd-sim with either stream closed (`>&-`). Neither is a fault of the
run: it goes on to its verdict, its results and JUnit files are written, and
its exit status is that verdict, which `set -o pipefail` and CI scripts read.
What cannot be shown any more is dropped, quietly, instead of ending the run
with a traceback or a setup error. A byte of a path that is not UTF-8
shows as U+FFFD, as in the coverage summary."""
import codecs
import errno
import os
import sys

# Errors of a write that mean nobody reads the stream any more.
READER_GONE = (errno.EPIPE, errno.EBADF)


class ForgivingStream:
    """A text stream whose reader may go away: after the first write or
    flush that finds it gone, the descriptor is pointed at /dev/null (so
    that Python's own flush at exit succeeds too) and writes are dropped.
    Everything else is the wrapped stream's."""

    def __init__(self, stream, fd):
        self._stream = stream
        self._fd = fd
        self.reader_gone = False

    def write(self, text):
        if not self.reader_gone:
            try:
                self._stream.write(text)
            except OSError as e:
                self._lost(e)
        return len(text)

    def flush(self):
        if not self.reader_gone:
            try:
                self._stream.flush()
            except OSError as e:
                self._lost(e)

    def isatty(self):
        return not self.reader_gone and self._stream.isatty()

    def __getattr__(self, name):
        return getattr(self._stream, name)

    def _lost(self, error):
        if error.errno not in READER_GONE:
            raise error
        self.reader_gone = True
        _point_at_null(self._fd)


def _point_at_null(fd):
    null = os.open(os.devnull, os.O_WRONLY)
    if null != fd:
        os.dup2(null, fd)
        os.close(null)


def _is_open(fd):
    try:
        os.fstat(fd)
        return True
    except OSError:
        return False


# How the streams write what their encoding cannot: a byte of a path that
# is not UTF-8 (held as a surrogate escape) as U+FFFD, or '?' where even
# that cannot be written; any other character escaped (an ASCII terminal).
# Python's default would end the run with an encoding error.
SHOWN = "fsmd-sim-shown"


def _shown(error):
    text = error.object[error.start:error.end]
    if all(0xDC80 <= ord(c) <= 0xDCFF for c in text):
        # As bytes: an encoder takes a replacement text of ASCII alone.
        try:
            return "\ufffd".encode(error.encoding) * len(text), error.end
        except (UnicodeError, LookupError):
            return b"?" * len(text), error.end
    return codecs.lookup_error("backslashreplace")(error)


codecs.register_error(SHOWN, _shown)


def guard_standard_streams():
    """Wraps sys.stdout and sys.stderr in ForgivingStream. A stream that
    was closed when fsmd-sim started gets /dev/null on its descriptor first,
    so that no file the run opens takes descriptor 1 or 2 by chance."""
    for name, fd in (("stdout", 1), ("stderr", 2)):
        stream = getattr(sys, name)
        if isinstance(stream, ForgivingStream):
            continue
        if stream is None or not _is_open(fd):
            _point_at_null(fd)
            stream = open(fd, "w", closefd=False)
            gone = True
        else:
            gone = False
        try:
            stream.reconfigure(errors=SHOWN)
        except (AttributeError, ValueError, OSError):
            pass  # not a text file of io's: left as it is
        wrapped = ForgivingStream(stream, fd)
        wrapped.reader_gone = gone
        setattr(sys, name, wrapped)


def flush_standard_streams():
    """Flushes both streams while their errors can still be forgiven (not
    at interpreter exit, where a failed flush sets the exit status to 120)."""
    for stream in (sys.stdout, sys.stderr):
        if stream is not None:
            stream.flush()
