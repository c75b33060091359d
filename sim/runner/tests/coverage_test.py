#!/usr/bin/env python3
"""fsmd-sim --coverage on GHDL's gcc back end, end to end: the lines a
design's test data never reaches are named exactly, by every kind of run
(passing, failing, stopped by either watchdog), concurrent runs of one
cached design keep their counts apart, a report folder that takes no file
is refused before the run, a design path that is not UTF-8 is reported as
its bytes, genhtml takes the tracefile, and the README's example says what
it shows.

Environment: FSMD_SIM, FSMD_EXAMPLES, FSMD_README, FSMD_BUILD_DIR (for the
installed tree), FSMD_TEST_DIR (a scratch folder of this test alone).
"""
import os
import pathlib
import re
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
EXAMPLES = pathlib.Path(os.environ["FSMD_EXAMPLES"])
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
README = pathlib.Path(os.environ["FSMD_README"])
EXAMPLE_SCRIPT = (pathlib.Path(__file__).resolve().parents[3] / "tools" / "examples"
                  / "fsmd-sim-coverage-example.sh")
DATA = pathlib.Path(__file__).parent / "data"
SHORTCUT = DATA / "popcount_shortcut.vhd"
SHORTCUT_DATA = DATA / "popcount_shortcut_data.txt"
SHORTCUT_VECTORS = DATA / "popcount_shortcut.vectors"
DESIGNS = pathlib.Path(__file__).parent / "designs"
UNREACHED = [n for n, line in enumerate(SHORTCUT.read_text().splitlines(), 1)
             if line.endswith("-- unreached")]


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args):
    proc = subprocess.run([FSMD_SIM, *map(str, args)], capture_output=True, text=True)
    return proc.returncode, proc.stdout, proc.stderr


def as_unprivileged_user(folder, *args):
    """fsmd-sim run by the user nobody when the tests run as root (whom no
    folder's permissions stop), with a cache of its own in folder; by the
    current user otherwise. folder and all it holds are handed to that
    user."""
    command = [FSMD_SIM, *map(str, args)]
    env = dict(os.environ)
    if os.geteuid() == 0:
        setpriv = shutil.which("setpriv")
        if setpriv is None:
            raise unittest.SkipTest("running as root without setpriv to become another user")
        env["FSMDKIT_CACHE_DIR"] = str(folder / "cache")
        (folder / "cache").mkdir()
        for top, names, files in os.walk(folder):
            for path in [top] + [os.path.join(top, n) for n in names + files]:
                os.chown(path, 65534, 65534)
        command = [setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", *command]
    proc = subprocess.run(command, capture_output=True, text=True, env=env)
    return proc.returncode, proc.stdout, proc.stderr


def never_executed(text, design):
    """The line numbers a summary names as never executed in design."""
    m = re.search(rf"never executed: {re.escape(str(design))}: lines (.*)", text)
    if not m:
        return []
    numbers = []
    for part in m.group(1).split(", "):
        first, _, last = part.partition("-")
        numbers += range(int(first), int(last or first) + 1)
    return numbers


def annotated_never(path):
    return [int(line[10:15]) for line in path.read_text().splitlines()
            if line[9:10] == ":" and line[:9].strip() == "#####"]


def tracefile_sources(path):
    return [line[3:] for line in path.read_text().splitlines() if line.startswith("SF:")]


class BundledBench(unittest.TestCase):
    def test_the_unreached_state_is_named_exactly(self):
        d = fresh("unreached")
        status, out, err = fsmd_sim("popcount", "--design", SHORTCUT, "--data", SHORTCUT_DATA,
                                    "--dir", d / "run", "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        self.assertEqual(len(UNREACHED), 4)
        # Printed under the run's summary, and the same in the report folder.
        self.assertIn("coverage of the design:", out)
        self.assertEqual(never_executed(out, SHORTCUT), UNREACHED)
        summary = (d / "cov" / "summary.txt").read_text()
        self.assertEqual(never_executed(summary, SHORTCUT), UNREACHED)
        self.assertEqual(annotated_never(d / "cov" / "popcount_shortcut.vhd.gcov"), UNREACHED)
        # The design alone is instrumented: no kit unit is in the tracefile.
        self.assertEqual(tracefile_sources(d / "cov" / "coverage.info"), [str(SHORTCUT)])

    def test_reaching_every_state_leaves_no_line_out_and_runs_do_not_mix(self):
        d = fresh("concurrent")
        everything = d / "all_ones.txt"
        everything.write_text(SHORTCUT_DATA.read_text() + "FFFFFFFF 00000020\n")
        # Build the cache entry first, so both runs use the same objects.
        fsmd_sim("popcount", "--design", SHORTCUT, "--data", SHORTCUT_DATA, "--dir", d / "warm",
                 "--coverage", d / "warm-cov")
        runs = []
        for name, data in (("partial", SHORTCUT_DATA), ("full", everything)) * 2:
            run = d / f"{name}-{len(runs)}"
            argv = [FSMD_SIM, "popcount", "--design", SHORTCUT, "--data", data,
                    "--dir", run, "--coverage", f"{run}-cov"]
            runs.append((name, len(runs), subprocess.Popen(list(map(str, argv)),
                                                         stdout=subprocess.PIPE, text=True)))
        counts = {}
        for name, i, proc in runs:
            out, _ = proc.communicate()
            self.assertEqual(proc.returncode, 0, out)
            want = UNREACHED if name == "partial" else []
            self.assertEqual(never_executed(out, SHORTCUT), want, out)
            annotated = (d / f"{name}-{i}-cov" / "popcount_shortcut.vhd.gcov").read_text()
            line = next(l for l in annotated.splitlines()
                        if l[9:10] == ":" and int(l[10:15]) == UNREACHED[1])
            counts.setdefault(name, []).append(line[:9].strip())
        # Each count is of its own run: equal runs, equal counts (a shared
        # counters file would add them up).
        self.assertEqual(counts["partial"], ["#####", "#####"])
        self.assertEqual(len(set(counts["full"])), 1, counts)
        self.assertNotEqual(counts["full"][0], "#####")

    def test_failing_and_stopped_runs_still_report(self):
        d = fresh("failing")
        wrong = d / "wrong.txt"
        wrong.write_text("00000003 00000009\n")
        cases = [
            ("failing", ["--data", wrong], 1),
            # Two tests pass, the third is cut off by the simulated-time watchdog.
            ("stop-time", ["--data", SHORTCUT_DATA, "--stop-time", "300ns"], 2),
        ]
        for name, extra, expected in cases:
            with self.subTest(name):
                status, out, err = fsmd_sim("popcount", "--design", SHORTCUT, *extra,
                                            "--dir", d / name,
                                            "--coverage", d / f"{name}-cov", "--quiet")
                self.assertEqual(status, expected, out + err)
                self.assertEqual(never_executed(out, SHORTCUT), UNREACHED)

    def test_wall_clock_watchdog_still_writes_the_counters(self):
        # A fibo test of 100 million cycles runs for minutes, far longer than
        # the timeout: the watchdog ends the bench with SIGTERM, on which it
        # writes its counters; without them every line would count as never
        # executed. (The design is built beforehand, so the timeout falls in
        # the simulation even on a loaded machine.)
        d = fresh("timeout")
        data = d / "long.txt"
        data.write_text("05F5E0FE 00000000\n")
        design = EXAMPLES / "designs" / "fibo.vhd"
        fsmd_sim("fibo", "--dir", d / "warm", "--coverage", d / "warm-cov")
        status, out, err = fsmd_sim("fibo", "--data", data, "--stop-time", "10sec",
                                    "--timeout", "6",
                                    "--dir", d / "run", "--coverage", d / "cov")
        self.assertEqual(status, 2, out + err)
        row = next(l for l in out.splitlines() if l.strip().startswith(str(design)))
        executed = int(row.split()[2])
        self.assertGreater(executed, 0, out)

    def test_a_report_folder_that_cannot_be_made_stops_before_the_run(self):
        d = fresh("bad-folder")
        (d / "a-file").write_text("")
        status, out, err = fsmd_sim("popcount", "--dir", d / "run",
                                    "--coverage", d / "a-file" / "cov")
        self.assertEqual(status, 3, out + err)
        self.assertIn(f"cannot use the coverage folder {d / 'a-file' / 'cov'}", err)
        self.assertFalse((d / "run" / "popcount_alg_test_results.txt").exists())

    def test_a_report_folder_that_takes_no_file_stops_before_the_run(self):
        # Each folder exists, so making it succeeds; only writing into it
        # fails. Root writes into a folder without write permission, so the
        # run is made as another user then.
        cases = [
            # name, how the folder is spoiled
            ("read-only folder", lambda cov: cov.chmod(0o555)),
            ("a folder where the tracefile goes", lambda cov: (cov / "coverage.info").mkdir()),
            ("a folder where the summary goes", lambda cov: (cov / "summary.txt").mkdir()),
        ]
        for name, spoil in cases:
            with self.subTest(name):
                d = fresh("unusable-" + name.replace(" ", "-"))
                cov = d / "cov"
                cov.mkdir()
                spoil(cov)
                status, out, err = as_unprivileged_user(
                    d, "popcount", "--dir", d / "run", "--coverage", cov)
                self.assertEqual(status, 3, out + err)
                self.assertIn(f"cannot use the coverage folder {cov}", err)
                self.assertNotIn("Traceback", err)
                self.assertFalse((d / "run" / "popcount_alg_test_results.txt").exists(), out)
                self.assertEqual([p.name for p in cov.iterdir() if p.is_file()], [])
        # all writes its combined report into the folder after the four runs.
        d = fresh("unusable-all")
        cov = d / "cov"
        cov.mkdir()
        cov.chmod(0o555)
        status, out, err = as_unprivileged_user(d, "all", "--dir", d / "run", "--coverage", cov)
        self.assertEqual(status, 3, out + err)
        self.assertIn(f"cannot use the coverage folder {cov}", err)
        self.assertEqual(list((d / "run").glob("*/*_alg_test_results.txt")), [])

    def test_a_design_path_that_is_not_utf8_gets_its_verdict_and_report(self):
        d = fresh("not-utf8")
        design = os.path.join(str(d), os.fsdecode(b"pop\xffcount \xc3(.vhd"))
        shutil.copyfile(EXAMPLES / "designs" / "popcount.vhd", design)
        proc = subprocess.run([FSMD_SIM, "popcount", "--design", design, "--dir", d / "run",
                               "--coverage", d / "cov", "--quiet"], capture_output=True)
        out, err = proc.stdout, proc.stderr
        self.assertEqual(proc.returncode, 0, out + err)
        self.assertNotIn(b"Traceback", err)
        self.assertIn(b"popcount: verdict: passed", out)
        # The path is recorded as the bytes it is, and shown with U+FFFD
        # for the bytes that are not UTF-8.
        named = os.fsencode(design)
        shown = named.decode("utf-8", "replace").encode()
        self.assertIn(b"  " + shown + b" ", out)
        self.assertIn(b"SF:" + named + b"\n", (d / "cov" / "coverage.info").read_bytes())
        self.assertEqual(sorted(os.fsencode(p.name) for p in (d / "cov").iterdir()),
                         sorted([b"coverage.info", b"summary.txt",
                                 os.fsencode(os.path.basename(design)) + b".gcov"]))

    def test_a_run_without_a_report_leaves_no_earlier_one_behind(self):
        d = fresh("stale")
        status, out, err = fsmd_sim("popcount", "--dir", d / "run", "--coverage", d / "cov")
        self.assertEqual(status, 0, out + err)
        broken = d / "broken.vhd"
        broken.write_text("entity popcount is\nend entity;\narchitecture fsmd of popcount is\n")
        # What a run killed while writing its report leaves.
        (d / "cov" / "coverage.info.fsmd-sim-new").write_text("TN:\nSF:/half")
        status, out, err = fsmd_sim("popcount", "--design", broken, "--dir", d / "run",
                                    "--coverage", d / "cov")
        self.assertEqual(status, 3, out + err)
        self.assertEqual(sorted(p.name for p in (d / "cov").iterdir()), ["popcount.vhd.gcov"])

    def test_genhtml_takes_the_tracefile(self):
        if shutil.which("genhtml") is None:
            self.skipTest("genhtml (Debian's lcov) is not installed")
        d = fresh("genhtml")
        status, out, err = fsmd_sim("popcount", "--design", SHORTCUT, "--data", SHORTCUT_DATA,
                                    "--dir", d / "run", "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        proc = subprocess.run(["genhtml", "--branch-coverage", "-q", "-o", str(d / "html"),
                               str(d / "cov" / "coverage.info")], capture_output=True, text=True)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertTrue((d / "html" / "index.html").is_file())


class StateMachines(unittest.TestCase):
    def test_a_state_no_vector_reaches_is_named_with_its_transitions(self):
        # designs/fsm_states.vectors reach every state of fsm_states but
        # st_full. Fault: a state or transition named that did run (an
        # assignment judged by its line's count), or one that did not left out.
        d = fresh("fsm-states")
        design = DESIGNS / "fsm_states.vhd"
        status, out, err = fsmd_sim("fsm_states", "--design", design,
                                    "--vectors", DESIGNS / "fsm_states.vectors",
                                    "--dir", d / "run", "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        want = [f"state machine state (case at line 37 of {design})",
                "  states      5/6 reached   never: st_full (line 53)",
                "  transitions 7/9 taken     never: st_idle -> st_full (line 44),"
                " st_full -> st_idle (line 56)"]
        summary = (d / "cov" / "summary.txt").read_text().splitlines()
        at = summary.index(want[0])
        self.assertEqual(summary[at:at + 3], want)
        self.assertIn("\n".join("  " + line for line in want), out)
        # The tracefile keeps them for `all` and genhtml.
        info = (d / "cov" / "coverage.info").read_text().splitlines()
        self.assertIn("FSMSTATE:37,53,0,st_full", info)
        self.assertIn("FSMTRANS:37,44,0,st_full,st_idle", info)

    def test_a_transition_sharing_its_line_is_not_taken_on_the_line_count(self):
        # designs/fsm_one_line.vhd puts `if ... and ... then st <= st_never;
        # else st <= st_fin; end if;` on line 27; no vector reaches
        # st_never. Fault: st_work -> st_never reported taken because line
        # 27 ran, beside st_never never reached; or st_idle -> st_work (an
        # `if` on the `when` line, the only way into st_work) no longer
        # taken.
        d = fresh("fsm-one-line")
        design = DESIGNS / "fsm_one_line.vhd"
        status, out, err = fsmd_sim("pt", "--design", design,
                                    "--vectors", DESIGNS / "fsm_one_line.vectors",
                                    "--dir", d / "run", "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        want = [f"state machine st (case at line 22 of {design})",
                "  states      3/4 reached   never: st_never (line 30)",
                "  transitions 3/4 taken     never: st_never -> st_idle (line 30)",
                "              not told apart: st_work -> st_never (line 27 shares its count)"]
        summary = (d / "cov" / "summary.txt").read_text().splitlines()
        at = summary.index(want[0])
        self.assertEqual(summary[at:at + 4], want)
        # What "not told apart" means is said under the report.
        self.assertTrue(any("not told apart" in line for line in summary[at + 4:]), summary)
        info = (d / "cov" / "coverage.info").read_text().splitlines()
        self.assertIn("FSMTRANS:22,27,-,st_never,st_work", info)
        taken = [r for r in info if r.startswith("FSMTRANS:22,") and r.split(",")[2] not in "-0"]
        self.assertEqual(sorted(r.split(",", 3)[3] for r in taken),
                         ["st_fin,st_work", "st_idle,st_fin", "st_work,st_idle"])

    def test_a_state_type_from_a_package_and_arms_of_every_form(self):
        # fsm_package takes its states from a package in another file; its
        # arms are a literal, a range (holding a case over the same signal),
        # an extended literal with a comma, and `when others`. The vectors
        # never take the a(1) path through \\ph,odd\\. Faults: no state
        # machine for a type of another file, arms counted by lines that GCC
        # credits with other arms' code, the odd literal cut in the tracefile.
        d = fresh("fsm-package")
        types, design = DESIGNS / "fsm_package_types.vhd", DESIGNS / "fsm_package.vhd"
        vectors = d / "v.txt"
        vectors.write_text("a : y\n01 : 01\n00 : 00\n04 : 04\n")
        status, out, err = fsmd_sim("fsm_package", "--design", types, design, "--vectors", vectors,
                                    "--dir", d / "run", "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        summary = (d / "cov" / "summary.txt").read_text().splitlines()
        outer = summary.index(f"state machine phase (case at line 32 of {design})")
        self.assertEqual(summary[outer + 1:outer + 3], [
            "  states      3/4 reached   never: \\ph,odd\\ (line 49)",
            "  transitions 3/5 taken     never: ph_idle -> \\ph,odd\\ (line 38),"
            " \\ph,odd\\ -> ph_four (line 50)"])
        inner = summary.index(f"state machine phase (case at line 43 of {design})")
        self.assertEqual(summary[inner + 1:inner + 3],
                         ["  states      2/2 reached", "  transitions 2/2 taken"])
        info = (d / "cov" / "coverage.info").read_text().splitlines()
        self.assertIn("FSMTRANS:32,38,0,\\ph,odd\\,ph_idle", info)

    def test_a_case_over_every_state_reaches_full_branch_coverage(self):
        # Fault: the branch GHDL adds for a value matching no arm counted,
        # which no vector can take.
        d = fresh("fsm-full")
        design = DESIGNS / "fsm_full.vhd"
        vectors = d / "v.txt"
        vectors.write_text("a op : y\n03 1 : 06\n08 0 : 04\n")
        status, out, err = fsmd_sim("fsm_full", "--design", design, "--vectors", vectors,
                                    "--dir", d / "run", "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        row = next(l for l in out.splitlines() if l.strip().startswith(str(design))).split()
        self.assertEqual(row[4:], [row[4], row[4], "100.0%"], out)
        case_branches = [l for l in (d / "cov" / "coverage.info").read_text().splitlines()
                         if l.startswith("BRDA:36,")]
        self.assertEqual(len(case_branches), 3)
        self.assertTrue(all(int(b.rsplit(",", 1)[1]) > 0 for b in case_branches), case_branches)
        self.assertIn("  states      3/3 reached", out)
        if shutil.which("genhtml") is not None:
            proc = subprocess.run(["genhtml", "--branch-coverage", "-q", "-o", str(d / "html"),
                                   str(d / "cov" / "coverage.info")],
                                  capture_output=True, text=True)
            self.assertEqual(proc.returncode, 0, proc.stderr)
            self.assertIn("100.0 %", (d / "html" / "index.html").read_text())


class GeneratedBench(unittest.TestCase):
    def test_the_unreached_state_is_named_exactly(self):
        d = fresh("generated")
        status, out, err = fsmd_sim("popcount", "--design", SHORTCUT,
                                    "--vectors", SHORTCUT_VECTORS,
                                    "--dir", d / "run", "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        self.assertEqual(never_executed(out, SHORTCUT), UNREACHED)
        self.assertEqual(annotated_never(d / "cov" / "popcount_shortcut.vhd.gcov"), UNREACHED)
        # The generated bench is not the design: it is not instrumented.
        self.assertEqual(tracefile_sources(d / "cov" / "coverage.info"), [str(SHORTCUT)])

    def test_a_test_that_never_ends_still_reports(self):
        d = fresh("generated-hang")
        vectors = d / "v.txt"
        vectors.write_text("inp : d_1236\n00000001 : 00000001\n7FFFFFFF : 0000001F\n")
        status, out, err = fsmd_sim("popcount", "--design", SHORTCUT, "--vectors", vectors,
                                    "--max-cycles", "10", "--dir", d / "run",
                                    "--coverage", d / "cov", "--quiet")
        self.assertEqual(status, 2, out + err)
        self.assertEqual(never_executed(out, SHORTCUT), UNREACHED)


class GccBackend(unittest.TestCase):
    def test_results_files_equal_those_of_mcode(self):
        d = fresh("same-results")
        for bench in ("eda", "fibo", "arraysum", "popcount"):
            with self.subTest(bench):
                texts = []
                for backend in ("mcode", "gcc"):
                    status, out, err = fsmd_sim(bench, "--backend", backend, "--dir",
                                                d / f"{bench}-{backend}", "--quiet")
                    self.assertEqual(status, 0, out + err)
                    texts.append((d / f"{bench}-{backend}" / f"{bench}_alg_test_results.txt")
                                 .read_bytes())
                self.assertEqual(texts[0], texts[1])
                self.assertGreater(len(texts[0]), 0)


class All(unittest.TestCase):
    def test_one_summary_over_the_four_benches(self):
        d = fresh("all")
        status, out, err = fsmd_sim("all", "-j", "2", "--dir", d / "run", "--coverage", d / "cov")
        self.assertEqual(status, 0, out + err)
        designs = sorted(str(EXAMPLES / "designs" / f"{b}.vhd")
                         for b in ("eda", "fibo", "arraysum", "popcount"))
        self.assertEqual(sorted(tracefile_sources(d / "cov" / "coverage.info")), designs)
        # One table, after the benches' table: four rows and the total.
        table = out[out.index("coverage of the design:"):].splitlines()
        self.assertEqual(out.count("coverage of the design:"), 1)
        self.assertEqual(sorted(l.split()[0] for l in table[2:6]), designs)
        self.assertTrue(table[6].split()[0] == "total", table)
        for bench in ("eda", "fibo", "arraysum", "popcount"):
            self.assertTrue((d / "cov" / bench / "summary.txt").is_file())


class Installed(unittest.TestCase):
    def test_installed_command_builds_coverage_benches(self):
        # The signal handler's C source is installed with the package.
        prefix = fresh("prefix")
        build = os.environ["FSMD_BUILD_DIR"]
        subprocess.run(["cmake", "--install", build, "--prefix", str(prefix)], check=True,
                       capture_output=True)
        proc = subprocess.run([str(prefix / "bin" / "fsmd-sim"), "popcount",
                               "--design", str(SHORTCUT),
                               "--data", str(SHORTCUT_DATA), "--dir", str(prefix / "run"),
                               "--coverage", str(prefix / "cov"), "--quiet"],
                              capture_output=True, text=True)
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        self.assertEqual(never_executed(proc.stdout, SHORTCUT), UNREACHED)


class Readme(unittest.TestCase):
    def test_readme_coverage_example_and_what_it_says(self):
        if shutil.which("genhtml") is None:
            self.skipTest("genhtml (Debian's lcov) is not installed")
        body = EXAMPLE_SCRIPT.read_text().split("\n", 2)[2]
        readme = README.read_text()
        self.assertIn(body, readme)
        # It runs in a copy of the example, as the README's tour has it.
        d = fresh("readme")
        qmac = d / "qmac.vhd"
        shutil.copyfile(EXAMPLES / "qmac" / "qmac.vhd", qmac)
        env = dict(os.environ, PATH=f"{pathlib.Path(FSMD_SIM).parent}:{os.environ['PATH']}")
        proc = subprocess.run(["sh", str(EXAMPLE_SCRIPT)], cwd=d, capture_output=True, text=True,
                              env=env)
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        self.assertTrue((d / "run-qmac" / "html" / "index.html").is_file())
        # The lines the README names are the arm that clamps below the range.
        lines = qmac.read_text().splitlines()
        arm = [n for n, l in enumerate(lines, 1)
               if l.strip() in ("y   <= y_min(15 downto 0);",)]
        arm.append(arm[0] + 1)
        self.assertEqual(never_executed(proc.stdout, qmac), arm)
        self.assertIn(f"lines {arm[0]}-{arm[1]}", readme)
        for line in proc.stdout.splitlines()[:2]:
            self.assertIn(line, readme)
        # The test the README suggests reaches them.
        more = d / "qmac_four.vectors"
        more.write_text((d / "qmac_three.vectors").read_text() + "8000 7FFF 8000 : 8000 1\n")
        self.assertIn("`8000 7FFF 8000 : 8000 1`", readme)
        status, out, err = fsmd_sim("qmac", "--design", qmac, "--vectors", more,
                                    "--dir", d / "four",
                                    "--coverage", d / "four-cov", "--quiet")
        self.assertEqual(status, 0, out + err)
        self.assertEqual(never_executed(out, qmac), [])


if __name__ == "__main__":
    unittest.main()
