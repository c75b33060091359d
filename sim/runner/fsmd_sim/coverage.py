"""Design coverage on GHDL's GCC back end.

The design's files are analysed with gcov instrumentation and the bench is
linked with libgcov; the kit's own units never are, so the counts speak of
the design alone. A run writes its counters (.gcda) when the simulation
ends, normally or through the watchdog. gcov turns them into JSON, which
this module reads into FileCoverage records and writes out as a summary
table, sources annotated with counts and an lcov tracefile for genhtml.

The counters' place is compiled into the design's objects (beside them, in
the cache); GCOV_PREFIX and GCOV_PREFIX_STRIP send them into the run's own
folder instead, so two runs of one cached design never add to each other's
counts.
"""
import json
import os
import re

from .errors import BadInput

ANALYSIS_FLAGS = ("-Wc,-fprofile-arcs", "-Wc,-ftest-coverage")
ELABORATION_FLAGS = ("-Wl,-lgcov",)
TRACEFILE = "coverage.info"
# In a design library built for coverage: the folder its objects were
# compiled in, which is the folder of their counters' compiled-in path.
OBJECTS_RECORD = "coverage-objects.txt"
SUMMARY = "summary.txt"
# Marks of the annotated sources, as gcov writes them: a line holding code
# that never ran, and a line without code of its own.
NEVER = "#####"
NO_CODE = "-"


class FileCoverage:
    """Counts of one source file: executions per line that holds code, the
    counts of the branches gcov found on each line, and the functions
    (GHDL makes one per process and per elaboration step) with their first
    line and number of calls."""

    def __init__(self, path):
        self.path = path
        self.lines = {}  # line number -> count
        self.branches = {}  # line number -> [taken count or None (line never ran), ...]
        self.functions = {}  # name -> [first line, calls]

    def add_line(self, number, count):
        self.lines[number] = self.lines.get(number, 0) + count

    def add_branches(self, number, counts):
        self.branches.setdefault(number, []).extend(counts)

    def add_function(self, name, first_line, calls):
        entry = self.functions.setdefault(name, [first_line, 0])
        entry[1] += calls

    def merge(self, other):
        for number, count in other.lines.items():
            self.add_line(number, count)
        for number, counts in other.branches.items():
            mine = self.branches.get(number)
            if mine is None or len(mine) != len(counts):
                self.branches[number] = list(counts)
            else:
                self.branches[number] = [None if a is None and b is None else (a or 0) + (b or 0)
                                         for a, b in zip(mine, counts)]
        for name, (first, calls) in other.functions.items():
            self.add_function(name, first, calls)

    @property
    def executed(self):
        return sum(1 for c in self.lines.values() if c > 0)

    def never_executed(self):
        return sorted(n for n, c in self.lines.items() if c == 0)

    @property
    def branch_total(self):
        return sum(len(b) for b in self.branches.values())

    @property
    def branches_taken(self):
        return sum(1 for b in self.branches.values() for c in b if c)


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
        path = _on_path(name)
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
    cc = _on_path("cc") or _on_path("gcc")
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


def _on_path(name):
    for d in os.get_exec_path():
        path = os.path.join(d, name)
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    return None


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
DECISION = re.compile(r"^\s*(?:\w+\s*:\s*)?(?:if|elsif|case|while)\b", re.I)


def keep_decisions(record, source_text):
    """Keeps the branches of the lines that begin an if, elsif, case or
    while statement (after an optional label)."""
    lines = source_text.splitlines()
    record.branches = {n: b for n, b in record.branches.items()
                       if 0 < n <= len(lines) and DECISION.match(lines[n - 1])}
    return record


def combine(records):
    """One record per file, counts added."""
    merged = {}
    for r in records:
        if r.path in merged:
            merged[r.path].merge(r)
        else:
            copy = FileCoverage(r.path)
            copy.merge(r)
            merged[r.path] = copy
    return [merged[p] for p in sorted(merged)]


# ---------------------------------------------------------------- lcov


def tracefile(records, test_name=""):
    """The lcov tracefile of the records (geninfo's format, read by genhtml
    and lcov). A branch on a line that never ran is '-', as geninfo writes."""
    out = []
    for r in records:
        out += [f"TN:{test_name}", f"SF:{r.path}"]
        for name, (first, _) in sorted(r.functions.items(), key=lambda f: (f[1][0], f[0])):
            out.append(f"FN:{first},{name}")
        for name, (_, calls) in sorted(r.functions.items(), key=lambda f: (f[1][0], f[0])):
            out.append(f"FNDA:{calls},{name}")
        out += [f"FNF:{len(r.functions)}", f"FNH:{sum(1 for f in r.functions.values() if f[1])}"]
        for number in sorted(r.branches):
            for index, taken in enumerate(r.branches[number]):
                out.append(f"BRDA:{number},0,{index},{'-' if taken is None else taken}")
        out += [f"BRF:{r.branch_total}", f"BRH:{r.branches_taken}"]
        for number in sorted(r.lines):
            out.append(f"DA:{number},{r.lines[number]}")
        out += [f"LF:{len(r.lines)}", f"LH:{r.executed}", "end_of_record"]
    return "".join(line + "\n" for line in out)


def parse_tracefile(text):
    """The records of an lcov tracefile (as tracefile() writes it; other
    keys are skipped)."""
    records, current, first_lines = [], None, {}
    for number, line in enumerate(text.splitlines(), 1):
        key, _, value = line.partition(":")
        try:
            if key == "SF":
                current, first_lines = FileCoverage(value), {}
                records.append(current)
            elif line == "end_of_record":
                current = None
            elif current is None:
                continue
            elif key == "DA":
                n, count = value.split(",")[:2]
                current.add_line(int(n), int(count))
            elif key == "BRDA":
                n, _, _, taken = value.split(",")
                current.add_branches(int(n), [None if taken == "-" else int(taken)])
            elif key == "FN":
                first, name = value.split(",", 1)
                first_lines[name] = int(first)
            elif key == "FNDA":
                calls, name = value.split(",", 1)
                current.add_function(name, first_lines.get(name, 0), int(calls))
        except ValueError:
            raise ValueError(f"line {number} of the tracefile is malformed: {line}")
    return combine(records)


# ---------------------------------------------------------------- reports


def line_ranges(numbers):
    """'12-14, 20' from [12, 13, 14, 20]."""
    parts, start, prev = [], None, None
    for n in sorted(numbers):
        if start is None:
            start = prev = n
        elif n == prev + 1:
            prev = n
        else:
            parts.append(f"{start}-{prev}" if prev > start else f"{start}")
            start = prev = n
    if start is not None:
        parts.append(f"{start}-{prev}" if prev > start else f"{start}")
    return ", ".join(parts)


def percent(part, whole):
    return f"{100.0 * part / whole:.1f}%" if whole else "-"


def summary_lines(records):
    """The per-file table (lines with code, executed, percent, and gcov's
    branches), a total row, and the never-executed lines of every file."""
    rows = [("file", "lines", "executed", "percent", "branches", "taken", "percent")]
    for r in records:
        rows.append((r.path, str(len(r.lines)), str(r.executed), percent(r.executed, len(r.lines)),
                     str(r.branch_total), str(r.branches_taken),
                     percent(r.branches_taken, r.branch_total)))
    lines = sum(len(r.lines) for r in records)
    executed = sum(r.executed for r in records)
    branches = sum(r.branch_total for r in records)
    taken = sum(r.branches_taken for r in records)
    rows.append(("total", str(lines), str(executed), percent(executed, lines), str(branches),
                 str(taken), percent(taken, branches)))
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    text = ["  ".join(c.ljust(w) if i == 0 else c.rjust(w)
                      for i, (c, w) in enumerate(zip(row, widths))).rstrip() for row in rows]
    for r in records:
        missed = r.never_executed()
        if missed:
            text.append(f"never executed: {r.path}: lines {line_ranges(missed)}")
    return text


def annotate(record, source_text):
    """The source with gcov's marks before each line: the execution count,
    '#####' for code that never ran, '-' for a line without code; after a
    line with branches, how often each was taken ('never' for none)."""
    out = []
    for number, text in enumerate(source_text.splitlines(), 1):
        count = record.lines.get(number)
        mark = NO_CODE if count is None else (NEVER if count == 0 else str(count))
        out.append(f"{mark:>9}:{number:>5}:{text}")
        branches = record.branches.get(number)
        if branches:
            shown = ", ".join("never" if not c else str(c) for c in branches)
            out.append(f"{'':>9} {'':>5} branches taken {sum(1 for c in branches if c)}"
                       f" of {len(branches)}: {shown}")
    return "".join(line + "\n" for line in out)


def annotated_name(path, taken):
    """The annotated copy's name in the report folder: the source's name
    with .gcov added, numbered when two sources share a name."""
    base = os.path.basename(path) + ".gcov"
    name, n = base, 1
    while name in taken:
        n += 1
        name = f"{os.path.basename(path)}.{n}.gcov"
    taken.add(name)
    return name


def write_report(directory, records, source_texts, test_name=""):
    """Writes summary.txt, one annotated source per file and coverage.info
    into directory; returns the summary lines. source_texts maps each
    record's path to its text (what was analysed, which may differ from the
    file on disk by now)."""
    os.makedirs(directory, exist_ok=True)
    summary = summary_lines(records)
    taken = set()
    for r in records:
        text = source_texts.get(r.path)
        if text is None:
            continue
        _write(os.path.join(directory, annotated_name(r.path, taken)), annotate(r, text))
    _write(os.path.join(directory, TRACEFILE), tracefile(records, test_name))
    _write(os.path.join(directory, SUMMARY), "".join(line + "\n" for line in summary))
    return summary


def _write(path, text):
    tmp = path + ".fsmd-sim-new"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def design_report(directory, gcov, objects, counters, design_files, run, test_name):
    """The coverage of one run, written into directory; returns the summary
    lines. objects: the design library's folder (the .gcno files);
    counters: the run's .gcda folder; design_files: (name GHDL analysed,
    absolute or relative to the analysis folder; name shown; text)."""
    shown = {name: path for name, path, _ in design_files}
    texts = {path: text for _, path, text in design_files}
    records = collect(gcov, objects, counters, shown, run)
    for r in records:
        keep_decisions(r, texts.get(r.path, ""))
    return write_report(directory, records, texts, test_name)


def combined_report(directory, parts):
    """One report over the reports in the folders parts (`all`): their
    tracefiles merged, the sources read from their files; returns the
    summary lines."""
    records = []
    for part in parts:
        records += parse_tracefile(_read(os.path.join(part, TRACEFILE)))
    records = combine(records)
    texts = {}
    for r in records:
        try:
            with open(r.path, errors="replace") as f:
                texts[r.path] = f.read()
        except OSError:
            pass
    return write_report(directory, records, texts, "all")
