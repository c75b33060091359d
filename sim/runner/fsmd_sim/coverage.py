"""Design coverage on GHDL's GCC back end.

The design's files are analysed with gcov instrumentation and the bench is
linked with libgcov; the kit's own units never are, so the counts speak of
the design alone. A run writes its counters (.gcda) when the simulation
ends, normally or through the watchdog. gcov turns them into JSON, which
this module reads into FileCoverage records; coverage_report.py writes them
out as a summary table, sources annotated with counts and an lcov
tracefile for genhtml.

The counters' place is compiled into the design's objects (beside them, in
the cache); GCOV_PREFIX and GCOV_PREFIX_STRIP send them into the run's own
folder instead, so two runs of one cached design never add to each other's
counts.
"""
import json
import os
import re

from .coverage_report import TRACEFILE, FileCoverage, combine, read_tracefile, write_report
from . import fsm_coverage
from .errors import BadInput
from .ghdl import on_path

ANALYSIS_FLAGS = ("-Wc,-fprofile-arcs", "-Wc,-ftest-coverage")
ELABORATION_FLAGS = ("-Wl,-lgcov",)
# In a design library built for coverage: the folder its objects were
# compiled in, which is the folder of their counters' compiled-in path.
OBJECTS_RECORD = "coverage-objects.txt"


# ---------------------------------------------------------------- gcov


def gcc_major_of_ghdl(compiler_path):
    """The GCC release of the back end, from the path of its compiler
    (…/gcc/x86_64-linux-gnu/12/ghdl1 in --dispconfig's "compiler path")."""
    parts = compiler_path.replace("\\", "/").split("/")
    for part in reversed(parts[:-1]):
        if part.isdigit():
            return part
    return None


def gcov_candidates(major):
    """gcov reads only the counter files of its own GCC release: the
    versioned program first, the plain one if it is of the same release."""
    return ([f"gcov-{major}"] if major else []) + ["gcov"]


def gcov_version_major(version_text):
    """12 from 'gcov (Debian 12.2.0-14) 12.2.0'."""
    first = version_text.splitlines()[0] if version_text else ""
    m = re.search(r"(\d+)\.\d+(?:\.\d+)?\s*$", first)
    return m.group(1) if m else None


class Unavailable(BadInput):
    """Coverage cannot be had here: no gcov of the back end's GCC release,
    no C compiler, or gcov failed (exit status 3, as for any missing tool)."""


def find_gcov(compiler_path, run, scratch):
    """The gcov of the back end's GCC release. run(argv, log) -> status runs
    a program with its output into the file log."""
    major = gcc_major_of_ghdl(compiler_path)
    seen = []
    for name in gcov_candidates(major):
        path = on_path(name)
        if path is None:
            continue
        log = os.path.join(scratch, "gcov-version.log")
        run([path, "--version"], log)
        found = gcov_version_major(_read(log))
        if major is None or found == major:
            return path
        seen.append(f"{path} is of GCC {found or 'unknown'}")
    wanted, release = (f"gcov-{major}", f"GCC {major}") if major else ("gcov", "GCC")
    raise Unavailable(f"--coverage needs {wanted}, the gcov of the {release} that GHDL's gcc back"
                      f" end is built with ({'; '.join(seen) or 'none is on PATH'}); it comes with"
                      f" Debian's gcc{'-' + major if major else ''} package")


def compiler_path(dispconfig_text):
    """The "compiler path" of ghdl --dispconfig."""
    for line in dispconfig_text.splitlines():
        if line.startswith("compiler path:"):
            return line.split(":", 1)[1].strip()
    return ""


def flush_object(c_source, folder, run):
    """Compiles gcov_flush.c into folder with the C compiler that GHDL's gcc
    back end links with (cc); returns the object's path."""
    target = os.path.join(folder, "gcov_flush.o")
    cc = on_path("cc") or on_path("gcc")
    if cc is None:
        raise Unavailable("--coverage needs a C compiler (cc), which GHDL's gcc back end"
                          " links with")
    log = os.path.join(folder, "gcov_flush.log")
    if run([cc, "-c", "-O2", "-o", target, c_source], log) != 0:
        raise Unavailable(f"cannot compile {c_source}:\n{_read(log).rstrip()}")
    return target


def collect(gcov, object_dir, data_dir, shown, run):
    """The FileCoverage records of a run whose counters are in data_dir:
    the notes files (.gcno) of object_dir are copied beside them, and gcov
    reads each pair. A design whose counters were never written (the run
    was killed) counts as never executed."""
    records = []
    os.makedirs(data_dir, exist_ok=True)
    for name in sorted(os.listdir(object_dir)):
        if not name.endswith(".gcno"):
            continue
        with open(os.path.join(object_dir, name), "rb") as f:
            notes = f.read()
        with open(os.path.join(data_dir, name), "wb") as f:
            f.write(notes)
        counters = name[: -len(".gcno")] + ".gcda"
        out = os.path.join(data_dir, counters + ".json")
        if run([gcov, "--json-format", "--stdout", "--branch-probabilities", counters], out,
               cwd=data_dir) not in (0, 1):
            raise Unavailable(f"{gcov} fails on {os.path.join(data_dir, counters)}")
        text = _read(out)
        # gcov writes its JSON on one line; complaints (a missing counters
        # file) go to the same log on lines of their own.
        document = next((line for line in text.splitlines() if line.startswith("{")), None)
        if document is None:
            raise Unavailable(f"{gcov} wrote no report for {counters}:\n{text.rstrip()}")
        records += parse_gcov_json(document, shown)
    return combine(records)


def _read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def run_environment(object_dir, data_dir):
    """The environment that makes the counters of objects compiled in
    object_dir land in data_dir: libgcov strips the leading folders of the
    compiled-in path and puts GCOV_PREFIX before the rest."""
    depth = len([p for p in os.path.abspath(object_dir).split(os.sep) if p])
    return {"GCOV_PREFIX": os.path.abspath(data_dir), "GCOV_PREFIX_STRIP": str(depth)}


def parse_gcov_json(text, shown=None):
    """The FileCoverage records in one gcov --json-format document. shown
    maps the files GHDL analysed (names relative to the folder of the
    analysis, or absolute) to the names the user knows; other files are left
    out when shown is given."""
    try:
        doc = json.loads(text)
    except ValueError as e:
        raise ValueError(f"gcov's JSON output is not readable: {e}")
    cwd = doc.get("current_working_directory", "")

    def resolved(name):
        return os.path.normpath(os.path.join(cwd, name))

    known = None if shown is None else {resolved(k): v for k, v in shown.items()}
    records = {}
    for entry in doc.get("files", []):
        name = entry["file"]
        if known is not None:
            if resolved(name) not in known:
                continue
            name = known[resolved(name)]
        record = records.setdefault(name, FileCoverage(name))
        for line in entry.get("lines", []):
            count = line["count"]
            record.add_line(line["line_number"], count)
            taken = [b["count"] if count else None for b in line.get("branches", [])
                     if not b.get("throw")]
            if taken:
                record.add_branches(line["line_number"], taken)
        for function in entry.get("functions", []):
            record.add_function(function["name"], function["start_line"],
                                function["execution_count"])
    return list(records.values())


# A statement that chooses between arms: its branches are the arms taken.
# gcov also reports branches on other lines, which are GHDL's own generated
# code (the bookkeeping of signal assignments, range checks): no test vector
# aims at those, so they are left out of the counts.
# The label may be an extended identifier (\my fsm\, a backslash inside
# doubled), which may hold blanks and colons.
DECISION = re.compile(r"^\s*(?:(?:\w+|\\(?:[^\\]|\\\\)+\\)\s*:\s*)?(?:if|elsif|case|while)\b",
                      re.I)


def keep_decisions(record, source_text):
    """Keeps the branches of the lines that begin an if, elsif, case or
    while statement (after an optional label)."""
    lines = source_text.splitlines()
    record.branches = {n: b for n, b in record.branches.items()
                       if 0 < n <= len(lines) and DECISION.match(lines[n - 1])}
    return record


def design_report(directory, gcov, objects, counters, design_files, run, test_name,
                  cases=None):
    """The coverage of one run, written into directory; returns the summary
    lines. objects: the design library's folder (the .gcno files);
    counters: the run's .gcda folder; design_files: (name GHDL analysed,
    absolute or relative to the analysis folder; name shown; text); cases:
    the fsm_coverage.CaseStatements of each name shown."""
    shown = {name: path for name, path, _ in design_files}
    texts = {path: text for _, path, text in design_files}
    records = collect(gcov, objects, counters, shown, run)
    for r in records:
        every_line = dict(r.branches)
        keep_decisions(r, texts.get(r.path, ""))
        fsm_coverage.apply((cases or {}).get(r.path, []), r, every_line)
    return write_report(directory, records, texts, test_name)


def case_statements(ghdl_executable, flags, kit_lib, src, copies, shown, tree, run):
    """The case statements of the design files (copies, named relative to
    src, where the design library's sources are), from the tree `ghdl
    --file-to-xml` dumps into the file tree; keyed by the names shown
    (shown[copy]). The files have been analysed already, so a dump that
    fails costs the state report alone, never the run.
    run(argv, log, cwd, out) -> status."""
    log = tree + ".log"
    status = run([ghdl_executable, "--file-to-xml", *flags,
                  f"--workdir={os.path.relpath(kit_lib, src)}", *copies], log, src, tree)
    found = {}
    try:
        if status != 0 or "dump failed" in _read(log) or not os.path.getsize(tree):
            return found
        for case in fsm_coverage.cases_from_xml(tree, copies):
            found.setdefault(shown[case.file], []).append(case)
    except (OSError, ValueError, SyntaxError, KeyError, TypeError, AttributeError):
        return {}
    finally:
        try:
            os.remove(tree)
        except OSError:
            pass
    return found


def combined_report(directory, parts):
    """One report over the reports in the folders parts (`all`): their
    tracefiles merged, the sources read from their files; returns the
    summary lines."""
    records = []
    for part in parts:
        try:
            records += read_tracefile(os.path.join(part, TRACEFILE))
        except OSError:
            pass
    records = combine(records)
    texts = {}
    for r in records:
        try:
            with open(r.path, errors="replace") as f:
                texts[r.path] = f.read()
        except OSError:
            pass
    return write_report(directory, records, texts, "all")
