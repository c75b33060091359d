"""One run: the libraries through the cache, the inputs into the run's
folder, GHDL, and the outcome."""
import os

from .cache import Cache, default_root, safe_for_ghdl
from .errors import BadInput
from .ghdl import BACKENDS, WatchdogExpired, find_ghdl, read_text, spawn
from .library import Ghdl, design_library, kit_library
from .results import watchdog_expired

# Per-run scratch space inside DIR: GHDL's logs and the link to the library.
SCRATCH = ".fsmd-sim"


class Settings:
    """What a run needs beyond its job: the back end, the run's folder, the
    stop time, the waveform file, the wall-clock deadline and the folder of
    the design's coverage report (None: no coverage)."""

    def __init__(self, backend, directory, stop_time, wave=None, timeout=None, deadline=None,
                 coverage=None):
        self.backend, self.directory, self.stop_time = backend, directory, stop_time
        self.wave, self.timeout, self.deadline = wave, timeout, deadline
        self.coverage = coverage


def open_cache(note):
    """The user's cache; where GHDL could not record its paths, or it cannot
    be made or written, a private one for this run alone, with a note."""
    root = default_root()
    reason = None
    if not safe_for_ghdl(os.path.abspath(root)):
        reason = ("its path holds characters GHDL cannot record"
                  " (a double quote, a control or non-ASCII character)")
    else:
        try:
            cache = Cache(root)
            folders = [cache.root] + [os.path.join(cache.root, d)
                                      for d in ("src", "lib", "lock", "tmp")]
            if all(os.access(f, os.W_OK) for f in folders):
                return cache
            reason = "it is not writable"
        except OSError as e:
            reason = e.strerror
    note(f"fsmd-sim: note: not using the cache {root} ({reason});"
         " this run builds everything afresh")
    return private_cache()


def private_cache():
    import tempfile
    for parent in (tempfile.gettempdir(), "/tmp", "/var/tmp"):
        if safe_for_ghdl(parent):
            try:
                return Cache(tempfile.mkdtemp(prefix="fsmd-sim-cache-", dir=parent),
                             temporary=True)
            except OSError:
                continue
    raise BadInput("no folder for a private cache: neither $TMPDIR nor /tmp is writable")


def prepare_dir(path, announce):
    if path is None:
        import tempfile
        path = tempfile.mkdtemp(prefix="fsmd-sim-")
        announce(f"fsmd-sim: working directory {path}")
    if os.path.exists(path) and not os.path.isdir(path):
        raise BadInput(f"the working directory {path} is not a folder")
    try:
        os.makedirs(path, exist_ok=True)
    except OSError as e:
        raise BadInput(f"cannot create the working directory {path}: {e.strerror}")
    if not os.access(path, os.W_OK | os.X_OK):
        raise BadInput(f"the working directory {path} is not writable")
    return os.path.abspath(path)


def place(directory, name, data, what):
    """Writes a file of the run into its folder, replacing what is there."""
    path = os.path.join(directory, name)
    if os.path.isdir(path) and not os.path.islink(path):
        raise BadInput(f"cannot write the {what} {path}: a folder of that name is in the way")
    try:
        with open(path, "wb") as f:
            f.write(data)
    except OSError as e:
        raise BadInput(f"cannot write the {what} {path}: {e.strerror}")


def make_scratch(directory):
    scratch = os.path.join(directory, SCRATCH)
    if os.path.lexists(scratch) and not os.path.isdir(scratch):
        raise BadInput(f"cannot use {scratch} for GHDL's logs: a file of that name is in the way")
    try:
        os.makedirs(scratch, exist_ok=True)
    except OSError as e:
        raise BadInput(f"cannot create {scratch} for GHDL's logs: {e.strerror}")
    return scratch


def execute(kit, job, settings, cache, simulation=None):
    """Builds and runs job; returns its outcome. simulation, when given,
    replaces the one simulation of the job once the libraries are built:
    simulation(ghdl, design_use, scratch, gcov, kit_use) returns the outcome (the
    parts of --jobs)."""
    directory = settings.directory
    scratch = make_scratch(directory)
    results = os.path.join(directory, job.results_file)
    if os.path.isdir(results) and not os.path.islink(results):
        raise BadInput(f"cannot write the results file {results}:"
                       " a folder of that name is in the way")
    for name, data in job.inputs:
        place(directory, name, data, "input file")
    try:
        os.remove(results)
    except FileNotFoundError:
        pass
    except OSError as e:
        raise BadInput(f"cannot remove the old results file {results}: {e.strerror}")
    try:
        ghdl = Ghdl(settings.backend, find_ghdl(settings.backend), cache, scratch)
        gcov = prepare_coverage(settings, ghdl, scratch) if settings.coverage else None
        kit_use = kit_library(kit, ghdl, cache, settings.deadline, job.kit_units(kit))
        try:
            # A kind that learns its sources and inputs from the design
            # (the generated bench) does so here; its inputs follow.
            placed = len(job.inputs)
            job.prepare(kit, ghdl, cache, kit_use, directory, scratch, settings.deadline)
            for name, data in job.inputs[placed:]:
                place(directory, name, data, "input file")
            design_use = design_library(kit, ghdl, cache, kit_use, job, scratch, settings.deadline,
                                        coverage=gcov is not None)
            try:
                if simulation is not None:
                    return simulation(ghdl, design_use, scratch, gcov, kit_use)
                outcome = simulate(kit, job, settings, ghdl, design_use, scratch)
                if gcov is not None:
                    outcome.coverage = coverage_report(job, settings, gcov, design_use, scratch,
                                                       (kit, ghdl, kit_use), outcome.counters)
                return outcome
            finally:
                design_use.release()
                # Only a new entry can make the cache outgrow its size.
                if cache.built:
                    cache.evict()
        finally:
            kit_use.release()
    except WatchdogExpired:
        # Out of time before the simulation: while building the libraries.
        outcome = job.outcome("", "", settings.stop_time)
        watchdog_expired(outcome, settings.timeout)
        return outcome


def prepare_coverage(settings, ghdl, scratch):
    """The gcov to use, and the report folder made ready, before anything is
    built or run: a folder that cannot be made is refused before the run.
    The report of an earlier run goes first, so that a run that ends without
    one (a design that fails analysis, Ctrl-C) leaves none, and so do the
    half-written files of a run killed while it wrote its report."""
    from .coverage_report import SUMMARY, TRACEFILE, UNFINISHED
    gcov = find_gcov(ghdl.executable, scratch)
    try:
        os.makedirs(settings.coverage, exist_ok=True)
        stale = [name for name in os.listdir(settings.coverage) if name.endswith(UNFINISHED)]
        for name in (SUMMARY, TRACEFILE, *stale):
            try:
                os.remove(os.path.join(settings.coverage, name))
            except FileNotFoundError:
                pass
        probe_writable(settings.coverage)
    except OSError as e:
        raise BadInput(f"cannot use the coverage folder {settings.coverage}: {e.strerror}")
    return gcov


def probe_writable(folder):
    """Writes a file into folder and removes it: a folder that exists but
    takes no new file (read-only, on a read-only mount, full) fails here,
    before the run, not when the report is written after it. Access rights
    alone do not tell: root passes them on a read-only mount."""
    import tempfile
    fd, path = tempfile.mkstemp(prefix=".fsmd-sim-probe-", dir=folder)
    try:
        os.write(fd, b"\n")
    finally:
        os.close(fd)
        os.remove(path)


def simulate(kit, job, settings, ghdl, design_use, scratch):
    run_log = os.path.join(scratch, "simulation.log")
    run_opts = [f"--stop-time={settings.stop_time}"]
    if settings.wave:
        ext = os.path.splitext(settings.wave)[1].lower()
        run_opts.append(f"--wave={settings.wave}" if ext == ".ghw" else f"--vcd={settings.wave}")
    timed_out = False
    env = counters = None
    if settings.coverage:
        env, counters = counters_environment(design_use, scratch)
    verdicts = job.verdict_lines()
    watch = None
    if verdicts:
        from .ghdl import end_group
        from .verdict_watch import VerdictWatch
        watch = VerdictWatch(os.path.join(settings.directory, job.results_file), verdicts,
                             end_group)
    started = watch.started if watch else None
    try:
        if watch:
            watch.__enter__()
        if BACKENDS[ghdl.backend]:
            spawn([os.path.join(design_use.lib, job.top), *run_opts], run_log,
                  cwd=settings.directory, deadline=settings.deadline, env=env, started=started)
        else:
            # GHDL reads the library by a relative path through a link, so the
            # cache's path, whatever it holds, is never a GHDL argument.
            link = os.path.join(scratch, "lib")
            if not os.path.islink(link) or os.readlink(link) != design_use.lib:
                try:
                    os.remove(link)
                except FileNotFoundError:
                    pass
                os.symlink(design_use.lib, link)
            spawn([ghdl.executable, "--elab-run", *kit.flags, f"--workdir={SCRATCH}/lib", job.top,
                   *run_opts], run_log, cwd=settings.directory, deadline=settings.deadline,
                  started=started)
    except WatchdogExpired:
        timed_out = True
    finally:
        if watch:
            watch.__exit__(None, None, None)
            job.ended_after_verdict = watch.ended
    results = read_text(os.path.join(settings.directory, job.results_file))
    outcome = job.outcome(results, read_text(run_log), settings.stop_time)
    show_user_names(job, outcome)
    outcome.run_log = run_log
    outcome.counters = counters
    if timed_out:
        watchdog_expired(outcome, settings.timeout)
    return outcome


def show_user_names(job, outcome):
    """GHDL's run-time messages name the copies of the design's files it
    analysed (design-1.vhd): the user reads the names of their own files
    instead, at the head of a message and wherever else a copy's name
    stands before a colon (the "at design-1.vhd:41" of the backtrace after a
    failed assertion). The line numbers stay: a copy holds its file's bytes
    unchanged. The kit's and the bench's files keep the names they have."""
    names = {copy: shown for copy, shown, _ in job.sources.items
             if copy != shown and job.is_design_source(copy)}
    if not names:
        return
    outcome.messages = user_named_lines(names, outcome.messages)
    if outcome.detail:
        outcome.detail = "\n".join(user_named_lines(names, outcome.detail.split("\n")))


# What may stand before a copy's name inside a line of GHDL's.
BEFORE_NAME = " \t("


def user_named_lines(names, lines):
    """lines (GHDL's) with each copy's name (names: the user's name by the
    copy's) replaced by the user's at the head of a line and wherever else
    it follows a blank or a parenthesis and stands before a colon."""
    def head_named(line):
        head, colon, rest = line.partition(":")
        shown = names.get(head) if colon else None
        return line if shown is None else shown + colon + rest

    # Most messages start with the file's name and hold it nowhere else: a
    # look-up per message, and searches of them all for the rest, keep a
    # million of them quick.
    named = [head_named(line) for line in lines]
    text = "\n".join(lines)
    found = []
    for copy in names:
        for before in BEFORE_NAME:
            marker = before + copy + ":"
            at = text.find(marker)
            while at >= 0:
                found.append(at)
                at = text.find(marker, at + 1)
    if not found:
        return named
    import re
    elsewhere = re.compile(r"(?<=[%s])(%s)(?=:)" % (re.escape(BEFORE_NAME),
                                                     "|".join(map(re.escape, names))))
    # Each copy's name is replaced once, in one pass: a user's name that
    # looks like another copy's stays as it is.
    number, counted = 0, 0
    for at in sorted(found):
        number += text.count("\n", counted, at)
        counted = at
        head, colon, rest = lines[number].partition(":")
        named[number] = (names.get(head, head) + colon
                         + elsewhere.sub(lambda m: names[m.group(1)], rest))
    return named


# In the run's scratch folder: the prefix of the folders of coverage
# counters, one of its own for each run.
COUNTERS = "gcda"


def find_gcov(ghdl_executable, scratch):
    from . import coverage
    log = os.path.join(scratch, "dispconfig.log")
    spawn([ghdl_executable, "--dispconfig"], log)
    try:
        return coverage.find_gcov(coverage.compiler_path(read_text(log)),
                                  lambda argv, out: spawn(argv, out), scratch)
    except coverage.Unavailable as e:
        raise BadInput(str(e))


def counters_environment(design_use, scratch):
    """The environment that sends the run's counters into a folder of its
    own in the scratch folder, and that folder. A bench of an earlier run
    in the same folder that still runs (its fsmd-sim was killed, and its
    guard too) writes into its own run's folder when it ends, never into
    this one: the report is of this run alone, and runs of the same cached
    design never share counter files. The folders of earlier runs go."""
    import tempfile
    from . import coverage
    from .cache import remove_tree
    for name in os.listdir(scratch):
        if name == COUNTERS or name.startswith(COUNTERS + "-"):
            remove_tree(os.path.join(scratch, name))
    counters = tempfile.mkdtemp(prefix=COUNTERS + "-", dir=scratch)
    compiled_in = read_text(os.path.join(design_use.lib, coverage.OBJECTS_RECORD)).strip()
    return coverage.run_environment(compiled_in or design_use.lib, counters), counters


def coverage_report(job, settings, gcov, design_use, scratch, tools, counters):
    """Writes the design's coverage into settings.coverage; returns the
    summary lines. tools: the kit, GHDL and the kit's library, which GHDL's
    tree of the design (its state machines) is read against; counters: the
    run's folder of counters (simulate's outcome.counters)."""
    from . import coverage
    designs = [(os.path.join(design_use.src, copy), os.path.abspath(shown),
                data.decode("utf-8", "replace"))
               for copy, shown, data in job.sources.items if job.is_design_source(copy)]
    kit, ghdl, kit_use = tools
    copies = {copy: os.path.abspath(shown) for copy, shown, _ in job.sources.items
              if job.is_design_source(copy)}
    cases = coverage.case_statements(
        ghdl.executable, kit.flags, kit_use.lib, design_use.src, list(copies), copies,
        os.path.join(scratch, "tree.xml"),
        lambda argv, log, cwd, out: spawn(argv, log, cwd=cwd, out=out, after_watchdog=True))
    try:
        return coverage.design_report(settings.coverage, gcov, design_use.lib,
                                      counters, designs,
                                      lambda argv, out, cwd=None: spawn(argv, out, cwd=cwd,
                                                                        after_watchdog=True),
                                      job.name, cases)
    except coverage.Unavailable as e:
        raise BadInput(str(e))
    except OSError as e:
        raise BadInput(f"cannot write the coverage report into {settings.coverage}: {e.strerror}")
