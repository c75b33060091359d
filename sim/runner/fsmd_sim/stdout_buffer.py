"""A fully buffered standard output for GHDL's tree dump (--file-to-xml).

GHDL writes the dump through an unbuffered standard output, a few bytes per
system call: most of the processor time of a first run on a design it has
not seen (mcode). stdout_buffer.c, preloaded into that one process, makes
the buffering full. It is compiled once per cache with the machine's C
compiler and tried once on GHDL; where there is no compiler, it does not
build or GHDL does not take it quietly, the dump runs as before, only slower.
The outcome is cached either way, so that nothing is tried twice."""
import os

from .cache import Key
from .errors import BadInput
from .ghdl import on_path, read_text, spawn

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "stdout_buffer.c")
LIBRARY = "stdout_buffer.so"


def _entry_name(ghdl_executable, cc):
    with open(SOURCE, "rb") as f:
        return "stdout-buffer-" + Key(f.read(), ghdl_executable, cc).hex()


def _build(ghdl_executable, cc, lib):
    """Compiles the library into lib and keeps it only where GHDL runs with
    it preloaded and says nothing on its standard error (the loader's
    complaint about a library of another word size, for example)."""
    target = os.path.join(lib, LIBRARY)
    log = os.path.join(lib, "build.log")
    try:
        kept = (spawn([cc, "-O2", "-shared", "-fPIC", "-o", target, SOURCE, "-ldl"], log) == 0
                and spawn([ghdl_executable, "--version"], log, out=os.devnull,
                          env={"LD_PRELOAD": target}) == 0
                and not read_text(log))
    except BadInput:  # cc or GHDL would not start
        kept = False
    for path in ([log] if kept else [log, target]):
        try:
            os.remove(path)
        except OSError:
            pass


def preload_list(path, earlier):
    """LD_PRELOAD with path before the earlier list; None where the loader
    would cut path in two (it splits the list at blanks and colons)."""
    if any(c in path for c in " \t\n:"):
        return None
    return f"{path} {earlier}" if earlier else path


class BufferedStdout:
    """with BufferedStdout(cache, ghdl) as env: env (additions to the
    environment) fully buffers GHDL's standard output, or is {} where that
    cannot be had; the cache entry stays in use until the block ends."""

    def __init__(self, cache, ghdl_executable):
        self.cache, self.ghdl, self.use = cache, ghdl_executable, None

    def __enter__(self):
        cc = on_path("cc") or on_path("gcc")
        if cc is None:
            return {}
        try:
            self.use = self.cache.acquire(_entry_name(self.ghdl, cc), lambda src: None,
                                          lambda src, lib: _build(self.ghdl, cc, lib))
        except BadInput:  # a cache that cannot hold it: the dump runs unbuffered
            return {}
        path = os.path.join(self.use.lib, LIBRARY)
        preload = (preload_list(path, os.environ.get("LD_PRELOAD", ""))
                   if os.path.isfile(path) else None)
        return {"LD_PRELOAD": preload} if preload else {}

    def __exit__(self, *exc):
        if self.use is not None:
            self.use.release()
        return False
