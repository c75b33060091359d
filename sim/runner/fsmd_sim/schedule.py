"""`all`: the four benches on their bundled designs and data, each in its
own sub-folder, at most N at a time, from this one process; each bench is a
thread that waits for its GHDL processes."""
import os
import sys
import time

from .benches import BENCHES
from .cli import DEFAULT_STOP_TIME
from .errors import EXIT_BAD_INPUT, BadInput, Interrupted
from .job import BenchJob
from .report import print_outcome, summary_table
from .results import Outcome
from .run import Settings, execute, prepare_dir, probe_writable


def run_all(kit, opts, cache):
    import threading
    from .ghdl import find_ghdl, set_deadline
    # Paths found now, before the threads start: spawn changes the folder of
    # the process around each start of a GHDL process.
    find_ghdl(opts.backend)
    directory = prepare_dir(opts.dir, print)
    if opts.coverage:
        # The combined report is written into it after the four runs: a
        # folder that takes no file is refused before them.
        try:
            os.makedirs(opts.coverage, exist_ok=True)
            probe_writable(opts.coverage)
        except OSError as e:
            raise BadInput(f"cannot use the coverage folder {opts.coverage}: {e.strerror}")
    jobs = opts.jobs or os.cpu_count() or 1
    slots = threading.Semaphore(jobs)
    printing = threading.Lock()
    outcomes = {}
    deadline = time.monotonic() + opts.timeout
    set_deadline(deadline)

    def one(bench):
        with slots:
            try:
                sub = prepare_dir(os.path.join(directory, bench), None)
                coverage = os.path.join(opts.coverage, bench) if opts.coverage else None
                settings = Settings(opts.backend, sub, DEFAULT_STOP_TIME, None, opts.timeout,
                                    deadline, coverage)
                outcome = execute(kit, BenchJob(kit, bench, [], None), settings, cache)
            except Interrupted:
                # The run ends with the signal: the main thread's handler
                # says so, or main() on finding it came (ghdl.check_interrupted).
                return
            except BadInput as e:
                outcome = Outcome(bench)
                outcome.status, outcome.detail = EXIT_BAD_INPUT, str(e)
            except OSError as e:
                outcome = Outcome(bench)
                where = f" ({e.filename})" if e.filename else ""
                outcome.status, outcome.detail = EXIT_BAD_INPUT, f"{e.strerror or e}{where}"
            except Exception as e:  # one bench's fault is not the others'
                outcome = Outcome(bench)
                outcome.status, outcome.detail = EXIT_BAD_INPUT, f"{type(e).__name__}: {e}"
            outcomes[bench] = outcome
            # The passing tests are left out; failures, summaries and
            # verdicts are shown as each bench finishes.
            with printing:
                print_outcome(outcome, per_test=False, coverage=False)
                sys.stdout.flush()

    threads = [threading.Thread(target=one, args=(b,), daemon=True) for b in BENCHES]
    for t in threads:
        t.start()
    for t in threads:
        while t.is_alive():
            t.join(0.2)
    print()
    ordered = [outcomes.get(b) or _lost(b) for b in BENCHES]
    for line in summary_table(ordered):
        print(line)
    if opts.coverage:
        from .coverage import combined_report
        from .report import print_coverage
        parts = [os.path.join(opts.coverage, o.name) for o in ordered if o.coverage is not None]
        try:
            print_coverage(combined_report(opts.coverage, parts))
        except (OSError, ValueError) as e:
            raise BadInput(f"cannot write the coverage report into {opts.coverage}: {e}")
    if opts.junit:
        from .junit import write_junit
        write_junit(opts.junit, ordered)
    return max(o.status for o in ordered)


def _lost(bench):
    o = Outcome(bench)
    o.detail = "the run ended without an outcome"
    return o
