"""A progress line on standard error while a long simulation runs, when
standard error is a terminal: the tests done so far, counted in the results
file as the bench writes it (in chunks, as GHDL buffers its output)."""
import os
import sys

# Runs shorter than this show nothing.
FIRST_SHOWN_AFTER = 3.0
INTERVAL = 0.5


class Progress:
    def __init__(self, job, directory, enabled):
        self.job = job
        self.path = os.path.join(directory, job.results_file)
        self.enabled = enabled and hasattr(job, "total_tests")
        self.thread = None
        self.shown = False

    def __enter__(self):
        if self.enabled:
            import threading
            self.stop = threading.Event()
            self.thread = threading.Thread(target=self._watch, daemon=True)
            self.thread.start()
        return self

    def __exit__(self, *exc):
        if self.thread is not None:
            self.stop.set()
            self.thread.join()
            if self.shown:
                sys.stderr.write("\r\033[K")
                sys.stderr.flush()
        return False

    def _watch(self):
        if self.stop.wait(FIRST_SHOWN_AFTER):
            return
        lines, offset = 0, 0
        while not self.stop.is_set():
            try:
                with open(self.path, "rb") as f:
                    f.seek(offset)
                    chunk = f.read()
                lines += chunk.count(b"\n")
                offset += len(chunk)
            except OSError:
                pass  # not created yet, or replaced: try again
            total = self.job.total_tests
            if total:
                done = min(lines, total)
                sys.stderr.write(f"\r{self.job.name}: {done} of {total} tests"
                                 f" ({100 * done // total}%)")
                sys.stderr.flush()
                self.shown = True
            self.stop.wait(INTERVAL)
