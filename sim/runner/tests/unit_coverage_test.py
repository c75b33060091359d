"""Tests of fsmd_sim.coverage and fsmd_sim.coverage_report without GHDL:
gcov's JSON of a real run of data/popcount_shortcut.vhd (its test data never
reaches state st_full), the reports made from it, and the lcov tracefile."""
import json
import os
import pathlib
import tempfile
import unittest

from fsmd_sim import coverage, coverage_report
from fsmd_sim.errors import BadInput

DATA = pathlib.Path(__file__).parent / "data"
DESIGN = DATA / "popcount_shortcut.vhd"
GCOV_JSON = (DATA / "popcount_shortcut.gcov.json").read_text()
# The design was analysed as design-1.vhd in this folder.
GCOV_NAME = "/tmp/covexp/s/design-1.vhd"
SOURCE = DESIGN.read_text()
UNREACHED = [n for n, line in enumerate(SOURCE.splitlines(), 1) if line.endswith("-- unreached")]


def shortcut_record():
    records = coverage.parse_gcov_json(GCOV_JSON, {GCOV_NAME: str(DESIGN)})
    assert len(records) == 1
    return coverage.keep_decisions(records[0], SOURCE)


class FromGcov(unittest.TestCase):
    def test_never_executed_lines_are_exactly_the_unreached_state(self):
        self.assertEqual(len(UNREACHED), 4)
        self.assertEqual(shortcut_record().never_executed(), UNREACHED)

    def test_a_line_is_counted_once_with_the_counts_of_all_its_functions(self):
        # GHDL puts several elaboration functions on the entity's line.
        doc = json.loads(GCOV_JSON)
        per_line = {}
        for entry in doc["files"][0]["lines"]:
            per_line[entry["line_number"]] = per_line.get(entry["line_number"], 0) + entry["count"]
        record = shortcut_record()
        self.assertEqual(record.lines, per_line)
        self.assertGreater(len([e for e in doc["files"][0]["lines"] if e["line_number"] == 8]), 1)

    def test_files_not_named_are_left_out_and_relative_names_resolve(self):
        self.assertEqual(coverage.parse_gcov_json(GCOV_JSON, {"/elsewhere/design-1.vhd": "x"}), [])
        # gcov names the file as GHDL was given it, relative to the folder
        # the analysis ran in.
        records = coverage.parse_gcov_json(GCOV_JSON, {"design-1.vhd": "mine.vhd"})
        self.assertEqual([r.path for r in records], ["mine.vhd"])

    def test_unreadable_json_is_an_error_not_an_empty_report(self):
        with self.assertRaises(ValueError):
            coverage.parse_gcov_json('{"files": [', {})

    def test_only_decisions_keep_branches(self):
        record = shortcut_record()
        lines = SOURCE.splitlines()
        kept = {lines[n - 1].split()[0] for n in record.branches}
        self.assertEqual(kept, {"if", "case"})
        # The if that would enter st_full never took its true arm.
        guard = next(n for n, l in enumerate(lines, 1) if 'x"FFFFFFFF"' in l)
        self.assertIn(0, record.branches[guard])
        # A branch of a line that never ran is unknown, not zero.
        raw = coverage.parse_gcov_json(GCOV_JSON, {GCOV_NAME: "d"})[0]
        self.assertTrue(all(c is None for c in raw.branches[UNREACHED[0]]))

    def test_labelled_and_indented_decisions_match(self):
        cases = [("    if a = '1' then", True), ("  lbl : case s is", True),
                 ("elsif b then", True), ("  ifx <= '1';", False), ("  -- if a then", False),
                 ("  state <= st_idle;", False), ("while n > 0 loop", True),
                 # Extended labels. Fault: a labelled state machine's case
                 # losing its branches, and with them its arms' counts.
                 ("  \\my fsm\\ : case state is", True), ("\\a:b\\: if x then", True),
                 ("  \\a\\\\b\\ : case s is", True), ("  \\x:y\\ <= '1';", False),
                 ("  \\if\\ <= '1';", False), ("  \\case\\ : y <= a;", False)]
        for text, want in cases:
            self.assertEqual(bool(coverage.DECISION.match(text)), want, text)


class Reports(unittest.TestCase):
    def test_summary_names_exactly_the_never_executed_lines(self):
        record = shortcut_record()
        lines = coverage_report.summary_lines([record])
        self.assertEqual(lines[-1], f"never executed: {DESIGN}: lines {UNREACHED[0]}, "
                                    f"{UNREACHED[1]}-{UNREACHED[3]}")
        total = next(l for l in lines if l.startswith("total")).split()
        self.assertEqual(total[1:4], [str(len(record.lines)), str(len(record.lines) - 4),
                                      f"{100 * (len(record.lines) - 4) / len(record.lines):.1f}%"])

    def test_full_coverage_lists_no_lines(self):
        record = coverage_report.FileCoverage("a.vhd")
        record.add_line(3, 1)
        lines = coverage_report.summary_lines([record])
        self.assertFalse(any(l.startswith("never") for l in lines))
        empty = coverage_report.summary_lines([])
        self.assertEqual(empty[-1].split(), ["total", "0", "0", "-", "0", "0", "-"])

    def test_line_ranges(self):
        for numbers, want in [([], ""), ([5], "5"), ([3, 1, 2], "1-3"), ([1, 3], "1, 3"),
                              ([7, 8, 10, 11, 12, 20], "7-8, 10-12, 20")]:
            self.assertEqual(coverage_report.line_ranges(numbers), want)

    def test_annotated_source_marks_every_line(self):
        record = shortcut_record()
        text = coverage_report.annotate(record, SOURCE)
        numbered = [l for l in text.splitlines() if l[9:10] == ":"]
        self.assertEqual(len(numbered), len(SOURCE.splitlines()))
        never = [int(l[10:15]) for l in numbered if l[:9].strip() == coverage_report.NEVER]
        self.assertEqual(never, UNREACHED)
        no_code = [int(l[10:15]) for l in numbered if l[:9].strip() == "-"]
        self.assertEqual(set(no_code) & set(record.lines), set())
        # Each source line follows its marks unchanged.
        self.assertEqual([l[16:] for l in numbered], SOURCE.splitlines())

    def test_report_folder_holds_the_three_outputs(self):
        with tempfile.TemporaryDirectory() as d:
            out = pathlib.Path(d) / "cov"
            summary = coverage_report.write_report(str(out), [shortcut_record()],
                                                   {str(DESIGN): SOURCE})
            self.assertEqual(sorted(os.listdir(out)),
                             ["coverage.info", "popcount_shortcut.vhd.gcov", "summary.txt"])
            self.assertEqual((out / "summary.txt").read_text().splitlines(), summary)

    def test_a_path_that_is_not_utf8_is_written_as_its_bytes_and_read_back(self):
        with tempfile.TemporaryDirectory() as d:
            out = pathlib.Path(d) / "cov"
            design = os.path.join(d, os.fsdecode(b"pop\xffcount.vhd"))
            record = shortcut_record()
            record.path = design
            summary = coverage_report.write_report(str(out), [record], {design: SOURCE})
            self.assertIn(os.fsencode(design), (out / "summary.txt").read_bytes())
            self.assertIn(b"SF:" + os.fsencode(design) + b"\n",
                          (out / "coverage.info").read_bytes())
            self.assertTrue((out / os.fsdecode(b"pop\xffcount.vhd.gcov")).is_file())
            back = coverage_report.read_tracefile(str(out / "coverage.info"))
            self.assertEqual([(r.path, r.lines) for r in back], [(design, record.lines)])
            self.assertTrue(any(design in line for line in summary))

    def test_a_write_that_fails_leaves_the_old_file_and_no_half_written_one(self):
        def raising(error):
            def replace(*args):
                raise error
            return replace

        cases = [
            # how the write fails, the text, what the rename does
            ("text the encoding cannot hold", "SF:\ud800\n", os.replace, UnicodeEncodeError),
            ("the rename fails", "new\n", raising(OSError(28, "No space left on device")),
             OSError),
            ("Ctrl-C before the rename", "new\n", raising(KeyboardInterrupt()), KeyboardInterrupt),
        ]
        for name, text, replace, error in cases:
            with self.subTest(name), tempfile.TemporaryDirectory() as d:
                target = os.path.join(d, coverage_report.TRACEFILE)
                with open(target, "w") as f:
                    f.write("old\n")
                real = coverage_report.os.replace
                coverage_report.os.replace = replace
                try:
                    with self.assertRaises(error):
                        coverage_report._write(target, text)
                finally:
                    coverage_report.os.replace = real
                self.assertEqual(os.listdir(d), [coverage_report.TRACEFILE])
                with open(target) as f:
                    self.assertEqual(f.read(), "old\n")

    def test_annotated_names_do_not_collide(self):
        taken = set()
        names = [coverage_report.annotated_name(p, taken) for p in ("a/x.vhd", "b/x.vhd", "x.vhd")]
        self.assertEqual(len(set(names)), 3)


class Tracefile(unittest.TestCase):
    def test_round_trip_keeps_every_count(self):
        record = shortcut_record()
        back = coverage_report.parse_tracefile(coverage_report.tracefile([record], "popcount"))
        self.assertEqual(len(back), 1)
        self.assertEqual((back[0].path, back[0].lines, back[0].branches, back[0].functions),
                         (record.path, record.lines, record.branches, record.functions))

    def test_counts_of_the_tracefile(self):
        text = coverage_report.tracefile([shortcut_record()])
        fields = dict(l.split(":", 1) for l in text.splitlines()
                      if l.split(":")[0] in ("LF", "LH"))
        record = shortcut_record()
        self.assertEqual((int(fields["LF"]), int(fields["LH"])),
                         (len(record.lines), record.executed))
        self.assertTrue(text.endswith("end_of_record\n"))

    def test_merge_adds_counts_and_keeps_unknown_branches_unknown(self):
        a, b = coverage_report.FileCoverage("f.vhd"), coverage_report.FileCoverage("f.vhd")
        a.add_line(1, 2)
        a.add_branches(1, [None, 3])
        b.add_line(1, 5)
        b.add_line(2, 0)
        b.add_branches(1, [None, 4])
        merged = coverage_report.combine([a, b, coverage_report.FileCoverage("e.vhd")])
        self.assertEqual([r.path for r in merged], ["e.vhd", "f.vhd"])
        self.assertEqual(merged[1].lines, {1: 7, 2: 0})
        self.assertEqual(merged[1].branches, {1: [None, 7]})
        # The records given stay as they were.
        self.assertEqual(a.lines, {1: 2})

    def test_odd_paths_survive_the_tracefile(self):
        # Characters that str.splitlines() takes for line ends, all legal
        # in a path. Fault: a record cut in two on reading, the counts lost
        # or read into a file of another name.
        for odd in ("\x0c", "\x0b", "\x1c", "\x1d", "\x1e", "\x85", "\u2028", "\u2029", ",", ":"):
            with self.subTest(odd=repr(odd)):
                record = coverage_report.FileCoverage(f"/d/a{odd}b.vhd")
                record.add_line(3, 2)
                record.add_branches(3, [1, 0])
                back = coverage_report.parse_tracefile(coverage_report.tracefile([record], "t"))
                self.assertEqual([(r.path, r.lines, r.branches) for r in back],
                                 [(record.path, {3: 2}, {3: [1, 0]})])

    def test_a_path_that_is_no_utf8_is_written_as_its_bytes(self):
        # A file name in Latin-1 (Python keeps its byte as a surrogate).
        # Fault: the report cannot be written (an encoding error ends the
        # run with a traceback), or the name is changed, so genhtml cannot
        # find the file.
        import io
        from fsmd_sim.report import print_coverage
        name = os.fsdecode(b"/d/caf\xe9.vhd")
        record = coverage_report.FileCoverage(name)
        record.add_line(1, 1)
        with tempfile.TemporaryDirectory() as d:
            summary = coverage_report.write_report(d, [record], {name: "x <= y;\n"}, "t")
            info = pathlib.Path(d, coverage_report.TRACEFILE)
            self.assertIn(b"SF:/d/caf\xe9.vhd\n", info.read_bytes())
            self.assertEqual([r.path for r in coverage_report.read_tracefile(info)], [name])
        shown = io.StringIO()
        print_coverage(summary, shown)
        self.assertIn("/d/caf\ufffd.vhd", shown.getvalue())
        shown.getvalue().encode("utf-8")

    def test_a_design_path_with_a_line_break_is_refused_for_coverage(self):
        # A line break cannot be written into the tracefile at all.
        from fsmd_sim import cli
        for path in ("a\nb.vhd", "a\rb.vhd"):
            with self.subTest(path=repr(path)):
                with self.assertRaisesRegex(BadInput, "holds a line break"):
                    cli.parse_args(["e", "--design", path, "--vectors", "v", "--coverage", "c"])
        self.assertEqual(cli.parse_args(["e", "--design", "a\x0cb.vhd", "--vectors", "v"]).designs,
                         ["a\x0cb.vhd"])

    def test_malformed_tracefile_names_the_line(self):
        with self.assertRaisesRegex(ValueError, "line 2"):
            coverage_report.parse_tracefile("SF:x.vhd\nDA:one,2\nend_of_record\n")


class Gcov(unittest.TestCase):
    def test_gcc_release_of_the_back_end_and_of_gcov(self):
        self.assertEqual(coverage.gcc_major_of_ghdl(
            "/usr/lib/ghdl/gcc/lib/gcc/x86_64-linux-gnu/12/ghdl1"), "12")
        self.assertIsNone(coverage.gcc_major_of_ghdl("/opt/ghdl/bin/ghdl1"))
        for text, want in [("gcov (Debian 12.2.0-14+deb12u1) 12.2.0\nCopyright", "12"),
                           ("gcov (GCC) 13.1\n", "13"), ("", None), ("gcov: nonsense", None)]:
            self.assertEqual(coverage.gcov_version_major(text), want, text)
        self.assertEqual(coverage.gcov_candidates("12"), ["gcov-12", "gcov"])

    def test_only_a_gcov_of_the_back_ends_release_is_taken(self):
        import subprocess

        def run(argv, log, cwd=None):
            with open(log, "w") as f:
                return subprocess.run(argv, stdout=f, stderr=subprocess.STDOUT, cwd=cwd).returncode

        ghdl1 = "/usr/lib/ghdl/gcc/lib/gcc/x86_64-linux-gnu/12/ghdl1"
        with tempfile.TemporaryDirectory() as d:
            def fake(name, version):
                path = pathlib.Path(d) / name
                path.write_text(f"#!/bin/sh\necho 'gcov (GCC) {version}'\n")
                path.chmod(0o755)
                return str(path)

            old = os.environ["PATH"]
            os.environ["PATH"] = d
            try:
                fake("gcov", "13.2.0")
                with self.assertRaisesRegex(coverage.Unavailable, "needs gcov-12.*is of GCC 13"):
                    coverage.find_gcov(ghdl1, run, d)
                self.assertEqual(coverage.find_gcov(ghdl1.replace("/12/", "/13/"), run, d),
                                 str(pathlib.Path(d) / "gcov"))
                versioned = fake("gcov-12", "12.2.0")
                self.assertEqual(coverage.find_gcov(ghdl1, run, d), versioned)
            finally:
                os.environ["PATH"] = old

    def test_counters_land_in_the_run_folder(self):
        # libgcov drops GCOV_PREFIX_STRIP leading folders of the path compiled
        # in and puts GCOV_PREFIX before the rest.
        for objects in ("/var/cache/fsmdkit/lib/d-1/", "/a", "/x//y/z"):
            env = coverage.run_environment(objects, "/run/here")
            compiled_in = os.path.join(os.path.abspath(objects), "design-1.gcda")
            parts = [p for p in compiled_in.split("/") if p]
            landed = os.path.join(env["GCOV_PREFIX"], *parts[int(env["GCOV_PREFIX_STRIP"]):])
            self.assertEqual(landed, "/run/here/design-1.gcda", objects)


class CountersOfARun(unittest.TestCase):
    def test_each_run_counts_into_a_folder_no_earlier_run_used(self):
        # A bench of a killed run that still runs writes its counters where
        # its own run told it: never where a later run reads its counts.
        from fsmd_sim import run
        with tempfile.TemporaryDirectory() as d:
            scratch, lib = os.path.join(d, "scratch"), os.path.join(d, "lib")
            os.makedirs(scratch)
            os.makedirs(lib)
            design_use = type("DesignUse", (), {"lib": lib})()
            old_fixed = os.path.join(scratch, run.COUNTERS)  # as earlier releases named it
            os.makedirs(old_fixed)
            seen = [old_fixed]
            for _ in range(3):
                env, counters = run.counters_environment(design_use, scratch)
                self.assertNotIn(counters, seen)
                self.assertEqual(env["GCOV_PREFIX"], counters)
                self.assertTrue(os.path.isdir(counters))
                self.assertEqual(os.listdir(counters), [])
                # The folders of earlier runs are gone.
                self.assertEqual([p for p in seen if os.path.exists(p)], [])
                seen.append(counters)


if __name__ == "__main__":
    unittest.main()
