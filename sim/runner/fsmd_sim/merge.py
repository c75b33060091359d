"""Combining the parts of a split run into the outcome, results file and
coverage of one run: the parts of `--jobs` in one process, and the shards
of `fsmd-sim merge DIR...` that ran anywhere.

The parts are taken in order of their tests. A part that failed tests adds
them and the run fails; a part that hung or reached no verdict ends the
merged run there, as one process would have stopped at that test, and the
tests of later parts are left out (a note says how many).
"""
import os

from .errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_HANG, EXIT_PASSED, BadInput
from .results import Outcome
from .shard_manifest import SAME_RUN


class Part:
    """One part: its manifest (shard_manifest.describe), the text of its
    results file with the whole run's test numbers, its tests when already
    parsed (None: parsed here), its coverage tracefile (or None) and its
    folder, which messages name."""

    def __init__(self, manifest, results_text, tests=None, tracefile=None, where=""):
        self.manifest, self.results_text, self.tests = manifest, results_text, tests
        self.tracefile, self.where = tracefile, where


def check_parts(parts):
    """Refuses parts of different runs, and a missing or duplicated shard,
    naming it; returns the parts in order of their shard number."""
    if not parts:
        raise BadInput("merge needs the folders of the shards to merge")
    first = parts[0]
    for part in parts[1:]:
        for field, meaning in SAME_RUN:
            if part.manifest[field] != first.manifest[field]:
                raise BadInput(f"{part.where} and {first.where} are shards of different runs:"
                               f" their {meaning} differ ({part.manifest[field]} and"
                               f" {first.manifest[field]})")
    count = first.manifest["shards"]
    by_number = {}
    for part in parts:
        k = part.manifest["shard"]
        if k in by_number:
            raise BadInput(f"shard {k} of {count} is given twice: {by_number[k].where} and"
                           f" {part.where}")
        by_number[k] = part
    missing = [str(k) for k in range(1, count + 1) if k not in by_number]
    if missing:
        raise BadInput(f"shard{'s' if len(missing) > 1 else ''} {', '.join(missing)} of {count}"
                       f" {'are' if len(missing) > 1 else 'is'} missing")
    ordered = [by_number[k] for k in range(1, count + 1)]
    total = first.manifest["tests_in_file"]
    # The shards must hold the file's tests in order, each once. Their ranges
    # are taken from the manifests, not computed again: shards left by an
    # fsmd-sim that cut the parts at other places merge as well.
    start = 1
    for k, part in enumerate(ordered, 1):
        first_test, last_test = part.manifest["first_test"], part.manifest["last_test"]
        says = f"its manifest says {first_test} to {last_test}"
        if k == count and (first_test, last_test) != (start, total):
            raise BadInput(f"{part.where}: shard {k} of {count} should hold tests {start}"
                           f" to {total}; {says}")
        if first_test != start or last_test < first_test - 1:
            after = f", after those of shard {k - 1}" if k > 1 else ""
            raise BadInput(f"{part.where}: shard {k} of {count} should hold the tests from"
                           f" {start} on{after}; {says}")
        start = last_test + 1
    return ordered


def _split_verdict(text, verdict_line):
    """(the lines of a part's results file before its verdict line, the
    verdict line), the text ending in a newline."""
    body = text if text.endswith("\n") or not text else text + "\n"
    if verdict_line is not None:
        tail = verdict_line + "\n"
        if body.endswith(tail):
            return body[: -len(tail)], verdict_line
    return body, None


def _check_against_manifest(part, tests, failed, verdict):
    """Refuses a shard whose results file is not the one its run wrote, as
    its manifest records it: cut short (a partial copy), another shard's,
    or edited. Merged as it stands, such a file would drop or double tests
    and could turn the verdict."""
    m = part.manifest
    first, last = m["first_test"], m["last_test"]
    numbers = tests.numbers()
    whole = m["status"] in (EXIT_PASSED, EXIT_FAILED)
    expected = list(range(first, last + 1) if whole else range(first, first + len(numbers)))
    if whole and m["verdict_line"] is not None and verdict is None:
        why = f"it does not end with the verdict line its run wrote ({m['verdict_line']!r})"
    elif numbers != expected or len(numbers) > last - first + 1:
        held = f"tests {numbers[0]} to {numbers[-1]}" if numbers else "no test"
        why = (f"it holds {len(numbers)} test{'' if len(numbers) == 1 else 's'} ({held}) where the"
               f" shard ran tests {first} to {last}")
    elif {str(t.number) for t in failed} != set(m["failures"]):
        why = "its failed tests are not those its manifest records"
    else:
        return
    raise BadInput(f"{part.where}: the results file {m['results_file']} of shard {m['shard']} of"
                   f" {m['shards']} does not agree with the shard's manifest: {why}; copy the"
                   " shard's folder whole, or run the shard again")


def merged_part_count(parts):
    """How many of the parts (in order) one run's outcome is made of: all,
    or those up to the first that hung or reached no verdict, where one
    process would have stopped."""
    for k, part in enumerate(parts, 1):
        if part.manifest["status"] in (EXIT_HANG, EXIT_BAD_INPUT):
            return k
    return len(parts)


def merge_parts(parts):
    """(outcome, results text) of one run made of the parts, given in order
    of their tests (check_parts)."""
    from .anydesign import parse_results_text
    m0 = parts[0].manifest
    outcome = Outcome(m0["entity"])
    texts = []
    verdicts = []
    left_out = 0
    stopped = False
    for part in parts:
        m = part.manifest
        if stopped:
            left_out += max(m["last_test"] - m["first_test"] + 1, 0)
            continue
        body, verdict = _split_verdict(part.results_text, m["verdict_line"])
        tests = part.tests
        if tests is None:
            scratch = Outcome(m["entity"])
            # What the part did not understand is in its manifest, renumbered.
            parse_results_text(scratch, body, None)
            tests = scratch.tests
            _check_against_manifest(part, tests, scratch.failed, verdict)
            for t in scratch.failed:
                t.line = m["failures"].get(str(t.number), t.line)
        outcome.tests += tests
        outcome.messages += m["messages"]
        outcome.unexpected += m["unexpected"]
        if m["status"] in (EXIT_HANG, EXIT_BAD_INPUT):
            # One process would have stopped here: the part's results file
            # stays whole, its verdict line included.
            texts.append(part.results_text if part.results_text.endswith("\n")
                         or not part.results_text else part.results_text + "\n")
            outcome.status, outcome.detail = m["status"], m["detail"]
            outcome.verdict_line = m["verdict_line"]
            stopped = True
            continue
        texts.append(body)
        verdicts.append((m["status"], verdict))
        if m["status"] == EXIT_FAILED:
            outcome.status = EXIT_FAILED
    if not stopped:
        if outcome.status != EXIT_FAILED:
            outcome.status = EXIT_PASSED
        wanted = EXIT_FAILED if outcome.status == EXIT_FAILED else EXIT_PASSED
        outcome.verdict_line = next((v for s, v in verdicts if s == wanted and v), None)
        if outcome.verdict_line is not None:
            texts.append(outcome.verdict_line + "\n")
        if m0["tests_in_file"] == 0:
            outcome.note = m0["note"]
    elif left_out:
        outcome.note = (f"{left_out} test{'s' if left_out > 1 else ''} of later parts"
                        f" {'are' if left_out > 1 else 'is'} left out: one run stops at this test")
    return outcome, "".join(texts)


def write_results(directory, name, text):
    from .run import place
    place(directory, name, text.encode("utf-8", "surrogateescape"), "results file")


def merge_coverage(directory, tracefiles, scratch, name):
    """The parts' lcov tracefiles added up by lcov itself (`lcov -a`), the
    state machines (which lcov drops) by fsmd-sim; the report written into
    directory as a single run writes it (summary, annotated sources,
    coverage.info); returns the summary lines."""
    from .coverage_report import combine, read_tracefile, write_report
    from .ghdl import read_text, spawn
    lcov = next((os.path.join(d, "lcov") for d in os.get_exec_path()
                 if os.access(os.path.join(d, "lcov"), os.X_OK)), None)
    if lcov is None:
        raise BadInput("merging coverage needs lcov (Debian's lcov package), which is not on PATH")
    try:
        os.makedirs(directory, exist_ok=True)
    except OSError as e:
        raise BadInput(f"cannot use the coverage folder {directory}: {e.strerror}")
    merged = os.path.join(scratch, "merged-coverage.info")
    log = os.path.join(scratch, "lcov.log")
    argv = [lcov, "--quiet", "--rc", "lcov_branch_coverage=1", "--rc",
            "lcov_function_coverage=1"]
    for path in tracefiles:
        argv += ["-a", path]
    if spawn(argv + ["-o", merged], log, after_watchdog=True) != 0 or not os.path.isfile(merged):
        raise BadInput(f"lcov could not merge the tracefiles:\n{read_text(log).rstrip()}")
    try:
        records = read_tracefile(merged)
        # lcov leaves out the records of state machines, which it does not
        # know: they are added up from the parts' own tracefiles.
        machines = {r.path: r for r in combine([m for path in tracefiles
                                                for m in read_tracefile(path)])}
    except OSError as e:
        raise BadInput(f"cannot read a tracefile to merge: {e.strerror} ({e.filename})")
    except ValueError as e:
        raise BadInput(f"a tracefile to merge: {e}")
    for r in records:
        if r.path in machines:
            r.machines = machines[r.path].machines
    texts = {}
    for r in records:
        try:
            with open(r.path, errors="replace") as f:
                texts[r.path] = f.read()
        except OSError:
            pass  # a shard run on another machine: no annotated copy
    try:
        summary = write_report(directory, records, texts, name)
    except OSError as e:
        raise BadInput(f"cannot write the coverage report into {directory}: {e.strerror}")
    return summary


def merge_command(opts):
    """`fsmd-sim merge DIR... [--dir OUT] [--junit FILE] [--coverage DIR]`:
    the report, results file (into OUT, default the current folder), JUnit
    and coverage of the shards in the folders, and the exit status of one
    run."""
    from .ghdl import read_text
    from .report import print_outcome
    from .run import make_scratch, prepare_dir
    from .shard_manifest import TRACEFILE, read
    import sys
    parts = []
    for folder in opts.merge_dirs:
        if not os.path.isdir(folder):
            raise BadInput(f"{folder} is not a folder (give the --dir of each shard)")
        manifest = read(folder)
        results = os.path.join(folder, manifest["results_file"])
        if not os.path.isfile(results):
            raise BadInput(f"{folder}: shard {manifest['shard']} of {manifest['shards']} has no"
                           f" results file {manifest['results_file']}")
        tracefile = os.path.join(folder, TRACEFILE) if manifest.get("coverage") else None
        parts.append(Part(manifest, read_text(results), None, tracefile, folder))
    ordered = check_parts(parts)
    outcome, text = merge_parts(ordered)
    out = prepare_dir(opts.dir or ".", print)
    for part in ordered:
        # The merged results file has the shard's name: written there, it
        # would replace the shard's own results; the JUnit file or the
        # coverage report written there could replace its results file,
        # manifest or tracefile.
        if os.path.samefile(out, part.where):
            raise BadInput(f"the merged results cannot go into {part.where}, the folder of shard"
                           f" {part.manifest['shard']}: give another --dir")
        for option, path in (("--junit", opts.junit and os.path.dirname(os.path.abspath(opts.junit))),
                             ("--coverage", opts.coverage)):
            if path and os.path.isdir(path) and os.path.samefile(path, part.where):
                raise BadInput(f"{option} cannot write into {part.where}, the folder of shard"
                               f" {part.manifest['shard']}: name a file or folder elsewhere")
    write_results(out, ordered[0].manifest["results_file"], text)
    if opts.coverage:
        # The tests of parts after a hang are left out of the report, and so
        # is their coverage.
        used = ordered[:merged_part_count(ordered)]
        for p in used:
            if p.tracefile is None:
                raise BadInput(f"--coverage: the shard in {p.where} ran without --coverage,"
                               " so it has no coverage to merge")
            if not os.path.isfile(p.tracefile):
                raise BadInput(f"--coverage: the shard in {p.where} ran with --coverage, but its"
                               f" tracefile {p.tracefile} is missing: copy the shard's folder"
                               " whole, or run the shard again")
        outcome.coverage = merge_coverage(opts.coverage, [p.tracefile for p in used],
                                          make_scratch(out), outcome.name)
    if opts.junit:
        from .junit import write_junit
        write_junit(opts.junit, [outcome])
    print_outcome(outcome, per_test=not opts.quiet)
    sys.stdout.flush()
    return outcome.status
