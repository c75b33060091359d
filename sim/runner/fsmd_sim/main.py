"""fsmd-sim's entry point: one outcome per bench gives the console report,
the JUnit file and the exit status."""
import os
import sys

from . import cli
from .errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_HANG, BadInput, Interrupted
from .input_files import is_input_file
from .ghdl import check_interrupted, install_signal_handlers
from .output import flush_standard_streams, guard_standard_streams


def main(argv, on_damaged_import=None):
    """on_damaged_import, given by the launcher, repairs the compiled forms of
    the package when one cannot be loaded (written short on a full disk)."""
    try:
        try:
            guard_standard_streams()
            install_signal_handlers()
            status = _main(argv, on_damaged_import)
            flush_standard_streams()
        except BadInput as e:
            print(f"fsmd-sim: {e}", file=sys.stderr)
            if str(e) == "no bench given" or str(e).startswith("unknown option"):
                print(cli.usage_text(), file=sys.stderr)
            status = EXIT_BAD_INPUT
        except OSError as e:
            # The machine refused something not foreseen above (a full disk,
            # a folder removed under the run): a message, not a traceback.
            where = f" ({e.filename})" if e.filename else ""
            print(f"fsmd-sim: {e.strerror or e}{where}", file=sys.stderr)
            status = EXIT_BAD_INPUT
        except (EOFError, ValueError) as e:
            # A standard module imported late, whose compiled form was written
            # short: removed now, so the next run compiles it afresh.
            if "marshal data" not in str(e) or on_damaged_import is None:
                status = internal_error()
            else:
                on_damaged_import()
                print(f"fsmd-sim: a compiled Python module kept for fsmd-sim was damaged"
                      f" ({e}); it is removed: run the command again", file=sys.stderr)
                status = EXIT_BAD_INPUT
        except Exception:
            status = internal_error()
        # A signal whose handler's exception was lost on the way (ghdl.py)
        # still ends the run as an interrupted one.
        check_interrupted()
        return status
    except KeyboardInterrupt:  # before the handlers were in place
        return 130
    except Interrupted as e:
        # Also one held back by the launcher until the handlers were in place.
        return e.status


def internal_error():
    """A fault of fsmd-sim itself: its traceback for the report, and no
    verdict. Python's own exit status for it, 1, would read as "a test
    failed"."""
    import traceback
    traceback.print_exc()
    print("fsmd-sim: internal error (the traceback above is fsmd-sim's fault, not the"
          " design's): no verdict", file=sys.stderr)
    flush_standard_streams()
    return EXIT_BAD_INPUT


def _load_modules(opts, on_damaged_import):
    """The other modules of the package that the command needs, imported at
    this one place once the command line is read (--help needs none of them),
    so that a damaged compiled form is repaired here. Slow standard modules
    are imported where they are used."""
    names = ["job", "kit", "report", "run", "progress", "data_check"]
    if opts.vectors is not None:
        names += ["anydesign", "harness_gen", "ports", "vectors", "test_list"]
    if opts.junit:
        names.append("junit")
    if opts.target == "all":
        names.append("schedule")
    if opts.target == "merge" and opts.vectors is None:
        names = ["report", "run", "merge", "shard_manifest", "split", "anydesign"]
        if opts.junit:
            names.append("junit")
    elif opts.parts is not None or opts.shard is not None:
        names += ["merge", "shard_manifest", "split", "split_run"]
    try:
        for name in names:
            __import__(f"{__package__}.{name}")
    except Exception:
        if on_damaged_import is None:
            raise
        on_damaged_import()
        for name in names:
            __import__(f"{__package__}.{name}")


def _main(argv, on_damaged_import):
    try:
        opts = cli.parse_args(argv)
    except cli.HelpWanted:
        print(cli.help_text())
        return 0
    _load_modules(opts, on_damaged_import)
    if opts.target == "merge" and opts.vectors is None:
        from .merge import merge_command
        return merge_command(opts)
    from .ghdl import default_backend
    from .kit import Kit
    from .run import open_cache
    if opts.backend is None:
        opts.backend = default_backend()
    kit = Kit(std=opts.std, ieee=opts.ieee)
    cache = open_cache(lambda text: print(text, file=sys.stderr))
    try:
        if opts.target == "all":
            from .schedule import run_all
            return run_all(kit, opts, cache)
        return run_one(kit, opts, cache)
    finally:
        cache.close()


def design_job(opts):
    """The any-design mode's job. Its --stop-time defaults to a bound no
    run of the vectors can reach (every test ends within --max-cycles), so
    only the per-test limit decides a hang."""
    from . import harness_gen
    from .anydesign import DesignJob
    if not is_input_file(opts.vectors):
        raise BadInput(f"vectors file {opts.vectors} does not exist or is not a file")
    options = harness_gen.Options(opts.target, opts.architecture, opts.controls, opts.reset_active,
                                  opts.start_mode, opts.clock_period, opts.max_cycles,
                                  opts.tolerances, generics=opts.generics,
                                  passing_values=opts.passing_values, memories=opts.memories,
                                  streams=opts.streams, stall=opts.stall, seed=opts.seed,
                                  reset_cycles=opts.reset_cycles, after_reset=opts.after_reset,
                                  output_delay=opts.output_delay, overlap=opts.overlap)
    job = DesignJob(options, opts.designs, opts.vectors, opts.max_failures, opts.tests)
    if "--stop-time" not in opts.given:
        tests = job.vectors_text.count("\n") + 2
        cycles = (tests * (opts.max_cycles + 3 + opts.output_delay) + opts.reset_cycles
                  + opts.after_reset)
        opts.stop_time = f"{min(cycles * opts.clock_period_fs, 2**62)}fs"
    return job


def run_one(kit, opts, cache):
    import time
    from .ghdl import set_deadline
    from .job import BenchJob
    from .report import print_outcome
    from .run import Settings, execute, prepare_dir
    deadline = time.monotonic() + opts.timeout
    set_deadline(deadline)
    for d in opts.designs:
        if not is_input_file(d):
            raise BadInput(f"design file {d} does not exist or is not a file")
    if opts.vectors is not None:
        job = design_job(opts)
    else:
        job = BenchJob(kit, opts.target, opts.designs, opts.data)
    for warning in job.warnings():
        print(f"fsmd-sim: warning: {warning}", file=sys.stderr)
    wave = os.path.abspath(opts.wave) if opts.wave else None
    directory = prepare_dir(opts.dir, print)
    coverage = os.path.abspath(opts.coverage) if opts.coverage else None
    settings = Settings(opts.backend, directory, opts.stop_time, wave, opts.timeout, deadline,
                        coverage)
    if opts.wave_on_failure:
        from .failure_waves import forget
        forget(opts.wave_on_failure)
    from .progress import Progress
    # The parts of --jobs write their results files elsewhere than DIR.
    with Progress(job, directory, enabled=sys.stderr.isatty() and opts.parts is None):
        if opts.vectors is not None and opts.shard is not None:
            from .split_run import run_shard
            outcome = run_shard(kit, job, settings, cache, opts.shard)
        elif opts.vectors is not None and opts.parts is not None:
            from .split_run import run_jobs
            outcome = run_jobs(kit, job, settings, cache, opts.parts)
        else:
            outcome = execute(kit, job, settings, cache)
    # A run that failed a test and then hung in a later one has a hang's
    # status; its failing test has waves all the same.
    if opts.wave_on_failure and outcome.failed and outcome.status in (EXIT_FAILED, EXIT_HANG):
        from .failure_waves import write_for_run
        outcome.failure_waves = write_for_run(kit, opts, job, outcome, settings, cache)
    if opts.junit:
        from .junit import write_junit
        write_junit(opts.junit, [outcome])
    print_outcome(outcome, per_test=not opts.quiet)
    sys.stdout.flush()
    return outcome.status
