#!/usr/bin/env python3
"""fsmd-sim's split runs end to end on GHDL, on the back end named by
FSMD_BACKEND: --jobs and four shards merged give one run's results file,
report and JUnit (but for the simulation times on failure lines and the
cycles of each part's first test); a hang ends the merged run where one
process would stop; missing, duplicated and foreign shards are refused
by name; with FSMD_COVERAGE=1 (gcc back end installed), merged shards give
one run's coverage summary.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR (a scratch folder of this
test alone), FSMDKIT_CACHE_DIR; FSMD_COVERAGE.
"""
import json
import os
import pathlib
import random
import re
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ["FSMD_BACKEND"]
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
MIXED = pathlib.Path(__file__).resolve().parent / "designs" / "mixed_widths.vhd"
GCD = pathlib.Path(__file__).resolve().parent / "designs" / "gcd_subtract.vhd"
TESTS = 2000
RESULTS = "mixed_widths_test_results.txt"


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args, cwd=None, backend=BACKEND):
    argv = [FSMD_SIM, *map(str, args)]
    if args[0] != "merge":
        argv += ["--backend", backend]
    proc = subprocess.run(argv, capture_output=True, text=True, cwd=cwd)
    return proc.returncode, proc.stdout, proc.stderr


def vectors(count, wrong=(), seed=5):
    """mixed_widths' vectors from a model of its own (y = c +/- a, carry),
    with the outputs of the tests numbered in wrong made wrong, and comment
    lines between, so test numbers and vectors-file lines differ."""
    rng = random.Random(seed)
    lines = ["a add c : y carry"]
    for number in range(1, count + 1):
        a, add, c = rng.randrange(-32768, 32768), rng.randrange(2), rng.randrange(1 << 64)
        wide = (c + (a if add else -a)) % (1 << 65)
        y = wide % (1 << 64) ^ (number in wrong)
        lines.append(f"{a % (1 << 16):04X} {add} {c:016X} : {y:016X} {wide >> 64}")
        if number % 333 == 0:
            lines.append("# a comment")
    return "\n".join(lines) + "\n"


def part_firsts(total, n):
    """The first test of every part but the first, by the guide's rule:
    contiguous parts, the first ones a test smaller when n does not divide
    total."""
    size, larger = divmod(total, n)
    firsts, start = set(), 1
    for k in range(1, n):
        start += size + (k > n - larger)
        firsts.add(start)
    return firsts


def normal(text, firsts):
    """text without what a split may change: failure times, the cycles of
    the first test of every part but the first, and the cycle figures of the
    summary, which follow from them."""
    text = re.sub(r"at \d+ (fs|ps|ns|us|ms|sec)\b", "at T", text)
    for k in firsts:
        text = re.sub(rf"(test {k}: passed, )\d+ cycles", r"\1N cycles", text)
        text = re.sub(rf"(test {k} passed: .*cycles=)\d+", r"\1N", text)
        text = re.sub(rf'(name="test {k}"[^>]*>\s*<system-out>)\d+ cycles', r"\1N cycles", text)
    return re.sub(r"cycles min / mean / max: .*", "cycles", text)


class Split(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("split")
        cls.vectors = cls.dir / "v.vectors"
        cls.vectors.write_text(vectors(TESTS, wrong=(7, 1200, 1999)))
        cls.single = cls.run_single(cls.vectors, cls.dir / "single")

    @classmethod
    def run_single(cls, vectors_path, folder, *extra):
        status, out, err = fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", vectors_path,
                                    "--dir", folder, "--junit", f"{folder}.xml", *extra)
        return status, out, err, folder

    def assert_same_run(self, one, other, firsts, results_dir=None):
        status, out, _, folder = one
        status2, out2, err2, folder2 = other
        results_dir = results_dir or folder2
        self.assertEqual(status2, status, out2[-3000:] + err2)
        self.assertEqual(normal(out2, firsts), normal(out, firsts))
        self.assertEqual(normal((results_dir / RESULTS).read_text(), firsts),
                         normal((folder / RESULTS).read_text(), firsts))
        self.assertEqual(normal(pathlib.Path(f"{folder2}.xml").read_text(), firsts),
                         normal(pathlib.Path(f"{folder}.xml").read_text(), firsts))

    def test_jobs_gives_one_runs_results_report_and_junit(self):
        # Catches tests lost, repeated or numbered per part, a failure shown
        # without its vectors-file line, or a wrong exit status.
        self.assertEqual(self.single[0], 1, self.single[1][-2000:] + self.single[2])
        for jobs in (2, 3):
            with self.subTest(jobs=jobs):
                run = self.run_single(self.vectors, self.dir / f"jobs{jobs}", "--jobs", jobs,
                                      "--independent-tests")
                self.assert_same_run(self.single, run, part_firsts(TESTS, jobs))
                self.assertIn("mixed_widths test 1200: FAILED: at ", run[1])
                self.assertIn("(vectors file line 1204)", run[1])

    def test_jobs_without_independent_tests_says_why(self):
        status, _, err, _ = self.run_single(self.vectors, self.dir / "refused", "--jobs", "2")
        self.assertEqual(status, 3)
        self.assertIn("--jobs needs --independent-tests: each part starts from reset", err)

    def test_stop_time_is_refused_with_a_split(self):
        # Each part counts simulated time from its own reset: a bound on it
        # would stop a split run elsewhere than one run.
        for split in (("--jobs", "2"), ("--shard", "1/2")):
            with self.subTest(split[0]):
                status, _, err, _ = self.run_single(self.vectors, self.dir / "refused", *split,
                                                    "--independent-tests", "--stop-time", "12us")
                self.assertEqual(status, 3)
                self.assertIn(f"--stop-time does not go with {split[0]}: a part starts its"
                              " simulated time at its own reset", err)

    def test_shards_hold_the_tests_the_guide_says(self):
        # 10 tests in 4 shards: the first ones a test smaller, in order. The
        # manifests say so, and so do the shards' results files.
        path = self.dir / "ten.vectors"
        path.write_text(vectors(10, wrong=(6,)))
        folders = []
        for k in range(1, 5):
            folder = self.dir / f"ten{k}"
            status, out, err = fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", path,
                                        "--dir", folder, "--shard", f"{k}/4",
                                        "--independent-tests", "--quiet")
            self.assertEqual(status, 1 if k == 3 else 0, out + err)
            manifest = json.loads((folder / "fsmd-sim-shard.json").read_text())
            numbers = [line.split()[1] for line in (folder / RESULTS).read_text().splitlines()[:-1]]
            folders.append(folder)
            with self.subTest(shard=k):
                first, last = ((1, 2), (3, 4), (5, 7), (8, 10))[k - 1]
                self.assertEqual((manifest["first_test"], manifest["last_test"]), (first, last))
                self.assertEqual(numbers, [str(n) for n in range(first, last + 1)])
        status, out, err = fsmd_sim("merge", *folders, "--dir", self.dir / "ten-merged")
        self.assertEqual(status, 1, out + err)
        self.assertIn("mixed_widths: 10 tests run, 9 passed, 1 failed;", out)

    def test_four_shards_merged_anywhere_give_one_run(self):
        # Catches a merge that depends on the order of its folders, writes
        # elsewhere than the current folder, or differs from one run.
        shards = []
        for k in (3, 1, 4, 2):
            folder = self.dir / f"shard{k}"
            status, out, err = fsmd_sim("mixed_widths", "--design", MIXED, "--vectors",
                                        self.vectors, "--dir", folder, "--shard", f"{k}/4",
                                        "--independent-tests", "--quiet")
            self.assertIn(status, (0, 1), out + err)
            shards.append(folder)
        first_of_shard2 = (self.dir / "shard2" / RESULTS).read_text().split(" ", 2)[1]
        self.assertEqual(first_of_shard2, str(TESTS // 4 + 1))
        out_dir = fresh("split-merged")
        status, out, err = fsmd_sim("merge", *shards, "--junit", out_dir / "m.xml", cwd=out_dir)
        merged = (status, out, err, out_dir / "m")
        os.replace(out_dir / "m.xml", f"{out_dir / 'm'}.xml")
        self.assert_same_run(self.single, merged, part_firsts(TESTS, 4), results_dir=out_dir)
        # Missing, duplicated and foreign shards are refused by name.
        other = self.dir / "other.vectors"
        other.write_text(vectors(TESTS, seed=6))
        foreign = self.dir / "foreign"
        fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", other, "--dir", foreign,
                 "--shard", "4/4", "--independent-tests", "--quiet")
        s1, s2, s3, s4 = (self.dir / f"shard{k}" for k in range(1, 5))
        for folders, message in (([s1, s2, s4], "shard 3 of 4 is missing"),
                                 ([s1, s2, s3, s3, s4], f"shard 3 of 4 is given twice: {s3} and {s3}"),
                                 ([s1, s2, s3, foreign], f"{foreign} and {s1} are shards of different"
                                                         " runs: their vectors file differ"),
                                 ([s1, self.dir], f"{self.dir} holds no shard"),
                                 ([s1, s2, s3, s4, "--dir", s2],
                                  f"the merged results cannot go into {s2}, the folder of shard 2"),
                                 ([s1, s2, s3, s4, "--junit", s1 / RESULTS],
                                  f"--junit cannot write into {s1}, the folder of shard 1"),
                                 ([s1, s2, s3, s4, "--coverage", s3],
                                  f"--coverage cannot write into {s3}, the folder of shard 3")):
            with self.subTest(message):
                if "--dir" not in folders:
                    folders = [*folders, "--dir", self.dir / "refused-merge"]
                status, out, err = fsmd_sim("merge", *folders)
                self.assertEqual(status, 3, out + err)
                self.assertIn(message, err)
        # A shard's results file that is not the one its run wrote (a partial
        # copy, another shard's) is refused by name, not merged into wrong counts.
        text = (s2 / RESULTS).read_text()
        for damaged, message in ((text[: len(text) // 2], "does not end with the verdict line"),
                                 # Shard 1 failed a test: its verdict line is not shard 2's.
                                 ((s1 / RESULTS).read_text(), "verdict line its run wrote")):
            with self.subTest(message):
                (s2 / RESULTS).write_text(damaged)
                status, out, err = fsmd_sim("merge", s1, s2, s3, s4, "--dir", self.dir / "refused-merge")
                self.assertEqual(status, 3, out + err)
                self.assertIn(f"{s2}: the results file {RESULTS} of shard 2 of 4 does not agree", err)
                self.assertIn(message, err)
        (s2 / RESULTS).write_text(text)

    def test_a_shard_that_stops_early_leaves_no_manifest(self):
        # Catches a stale manifest from an earlier run passing that run's
        # results to merge.
        folder = self.dir / "stale"
        fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", self.vectors, "--dir", folder,
                 "--shard", "1/2", "--independent-tests", "--quiet")
        self.assertTrue((folder / "fsmd-sim-shard.json").is_file())
        bad = self.dir / "bad.vectors"
        bad.write_text("a add c : y carry\nXYZ 0 0 : 0 0\n")
        status, _, err = fsmd_sim("mixed_widths", "--design", MIXED, "--vectors", bad, "--dir",
                                  folder, "--shard", "1/2", "--independent-tests")
        self.assertEqual(status, 3, err)
        self.assertFalse((folder / "fsmd-sim-shard.json").exists())

    def test_a_hang_ends_the_merged_run_where_one_process_stops(self):
        # mixed_widths takes up to 7 cycles: with --max-cycles 5 a test of
        # the first part hangs, and one run stops there.
        limit = ("--max-cycles", "5")
        single = self.run_single(self.vectors, self.dir / "hang-single", *limit)
        self.assertEqual(single[0], 2, single[1][-2000:] + single[2])
        jobs = self.run_single(self.vectors, self.dir / "hang-jobs", *limit, "--jobs", "2",
                               "--independent-tests")
        self.assertEqual(jobs[0], 2, jobs[1][-2000:] + jobs[2])
        detail = lambda out: out.rstrip().splitlines()[-1]
        self.assertEqual(detail(jobs[1]), detail(single[1]))
        self.assertIn("tests of later parts are left out: one run stops at this test", jobs[1])

    def test_more_jobs_than_tests_and_no_tests(self):
        for count in (3, 0):
            with self.subTest(count=count):
                path = self.dir / f"small{count}.vectors"
                path.write_text(vectors(count))
                single = self.run_single(path, self.dir / f"small{count}")
                jobs = self.run_single(path, self.dir / f"small{count}-jobs", "--jobs", "8",
                                       "--independent-tests")
                self.assert_same_run(single, jobs, part_firsts(count, min(max(count, 1), 8)))


@unittest.skipUnless(os.environ.get("FSMD_COVERAGE") == "1" and shutil.which("ghdl-gcc"),
                     "FSMD_COVERAGE=1 and the gcc back end are needed")
class Coverage(unittest.TestCase):
    def test_four_shards_merged_give_one_runs_coverage(self):
        # Catches coverage lost or counted only for some parts in the merge.
        d = fresh("split-coverage")
        path = d / "v.vectors"
        path.write_text(vectors(200))
        common = ("mixed_widths", "--design", MIXED, "--vectors", path, "--quiet")
        status, out, err = fsmd_sim(*common, "--dir", d / "single", "--coverage", d / "cov-single",
                                    backend="gcc")
        self.assertEqual(status, 0, out + err)
        shards = []
        for k in range(1, 5):
            status, out, err = fsmd_sim(*common, "--dir", d / f"s{k}", "--coverage", d / f"cov{k}",
                                        "--shard", f"{k}/4", "--independent-tests", backend="gcc")
            self.assertEqual(status, 0, out + err)
            shards.append(d / f"s{k}")
        status, out, err = fsmd_sim("merge", *shards, "--dir", d / "merged", "--coverage",
                                    d / "cov-merged")
        self.assertEqual(status, 0, out + err)
        self.assertEqual((d / "cov-merged" / "summary.txt").read_text(),
                         (d / "cov-single" / "summary.txt").read_text())
        self.assertIn("coverage of the design:", out)
        jobs = fsmd_sim(*common, "--dir", d / "jobs", "--coverage", d / "cov-jobs", "--jobs", "2",
                        "--independent-tests", backend="gcc")
        self.assertEqual(jobs[0], 0, jobs[1] + jobs[2])
        self.assertEqual((d / "cov-jobs" / "summary.txt").read_text(),
                         (d / "cov-single" / "summary.txt").read_text())
        # A shard run without coverage cannot be merged with it.
        fsmd_sim(*common, "--dir", d / "plain", "--shard", "4/4", "--independent-tests",
                 backend="gcc")
        status, _, err = fsmd_sim("merge", *shards[:3], d / "plain", "--dir", d / "merged2",
                                  "--coverage", d / "cov2")
        self.assertEqual(status, 3)
        self.assertIn("ran without --coverage", err)

    def test_after_a_hang_the_coverage_is_that_of_the_tests_run(self):
        # Catches the coverage of a split run adding the counts of later
        # parts, whose tests the report leaves out: here only test 90 (a = 0)
        # reaches state st_zero, and test 30 hangs first.
        d = fresh("split-coverage-hang")
        lines = ["a b : g steps"]
        rng = random.Random(6)
        for number in range(1, 101):
            a, b = (0 if number == 90 else rng.randint(1, 20)), rng.randint(1, 20)
            if number == 30:
                a, b = 255, 1  # 254 subtractions: beyond --max-cycles 100
            x, y, steps = a, b, 0
            while x and y and x != y:
                x, y, steps = (x - y, y, steps + 1) if x > y else (x, y - x, steps + 1)
            lines.append(f"{a:04X} {b:04X} : {x or y:04X} {steps:04X}")
        path = d / "v.vectors"
        path.write_text("\n".join(lines) + "\n")
        common = ("gcd_subtract", "--design", GCD, "--vectors", path, "--quiet", "--max-cycles",
                  "100")
        summaries = {}
        for name, extra in (("single", ()), ("jobs", ("--jobs", "2", "--independent-tests"))):
            status, out, err = fsmd_sim(*common, "--dir", d / name, "--coverage", d / f"cov-{name}",
                                        *extra, backend="gcc")
            self.assertEqual(status, 2, out + err)
            summaries[name] = (d / f"cov-{name}" / "summary.txt").read_text()
        self.assertIn("never: st_zero", summaries["single"])
        self.assertEqual(summaries["jobs"], summaries["single"])


if __name__ == "__main__":
    unittest.main()
