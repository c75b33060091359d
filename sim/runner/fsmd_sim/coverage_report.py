"""A design's coverage as fsmd-sim reports it, without GHDL or gcov: the
counts of each source file (FileCoverage), the summary table, the sources
annotated with counts, and the lcov tracefile that genhtml reads (written
and read back, so `all` can merge the reports of its benches)."""
import os

from . import fsm_coverage

TRACEFILE = "coverage.info"
SUMMARY = "summary.txt"
# The end of the name of a report file being written, until it is complete.
UNFINISHED = ".fsmd-sim-new"
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
        self.machines = {}  # line of the case -> fsm_coverage.Machine

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
        for line, machine in other.machines.items():
            mine = self.machines.setdefault(line, fsm_coverage.Machine(line, machine.signal))
            mine.merge(machine)

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
        out += fsm_coverage.tracefile_lines(r.machines)
        for number in sorted(r.lines):
            out.append(f"DA:{number},{r.lines[number]}")
        out += [f"LF:{len(r.lines)}", f"LH:{r.executed}", "end_of_record"]
    return "".join(line + "\n" for line in out)


def parse_tracefile(text):
    """The records of an lcov tracefile (as tracefile() writes it; other
    keys are skipped)."""
    records, current, first_lines = [], None, {}
    # A record ends at LF alone: a form feed or U+2028 may be part of a
    # source's path.
    for number, line in enumerate(text.rstrip("\n").split("\n"), 1):
        line = line.removesuffix("\r")
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
            else:
                fsm_coverage.read_tracefile_line(key, value, current.machines)
        except (ValueError, KeyError):
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
    machines = [(r.path, r.machines[line]) for r in records for line in sorted(r.machines)]
    for path, machine in machines:
        text += fsm_coverage.summary_lines(path, machine)
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
    into directory; returns the summary lines, which end with what their
    counts mean. source_texts maps each
    record's path to its text (what was analysed, which may differ from the
    file on disk by now)."""
    os.makedirs(directory, exist_ok=True)
    summary = summary_lines(records) + fsm_coverage.LEGEND
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
    """Writes text into path whole or not at all: into a file beside it,
    renamed over it once complete, and removed on every way out short of
    that (an error, a full disk, Ctrl-C). A design's path that is not UTF-8
    (held as surrogate escapes) is written as the bytes it is, so genhtml
    finds the file the tracefile names."""
    tmp = path + UNFINISHED
    try:
        with open(tmp, "w", encoding="utf-8", errors="surrogateescape") as f:
            f.write(text)
        os.replace(tmp, path)
    except BaseException:
        try:
            os.remove(tmp)
        except OSError:
            pass
        raise


def read_tracefile(path):
    """The records of the tracefile at path, read as _write wrote it."""
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return parse_tracefile(f.read())
