#!/usr/bin/env python3
"""fsmdkit_add_sim_test(... SHARDS N) end to end: a CMake project of its own
registers N shard tests and a merge test; ctest -j 2 runs them; shards with
failing tests pass (they reached a verdict), the merge test fails as one run
would and leaves the merged results; the merge test alone pulls its shards
in; a bad SHARDS is refused at configure time.

Environment: FSMD_SIM, FSMD_TEST_DIR, FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import random
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
HERE = pathlib.Path(__file__).resolve().parent
MODULE = HERE.parent / "cmake" / "FsmdkitSimTest.cmake"
MIXED = HERE / "designs" / "mixed_widths.vhd"


def vectors(count, wrong):
    rng = random.Random(9)
    lines = ["a add c : y carry"]
    for number in range(1, count + 1):
        a, add, c = rng.randrange(-32768, 32768), rng.randrange(2), rng.randrange(1 << 64)
        wide = (c + (a if add else -a)) % (1 << 65)
        lines.append(f"{a % (1 << 16):04X} {add} {c:016X} : {wide % (1 << 64) ^ (number in wrong):016X}"
                     f" {wide >> 64}")
    return "\n".join(lines) + "\n"


def project(folder, call):
    folder.mkdir(parents=True)
    (folder / "CMakeLists.txt").write_text(f"""cmake_minimum_required(VERSION 3.20)
project(shards NONE)
enable_testing()
set(FSMDKIT_SIM_EXECUTABLE "{FSMD_SIM}")
include("{MODULE}")
{call}
""")
    return subprocess.run(["cmake", "-S", folder, "-B", folder / "build"], capture_output=True, text=True)


def ctest(build, *args):
    return subprocess.run(["ctest", "--test-dir", build, "--output-on-failure", *args],
                          capture_output=True, text=True)


class Shards(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = SCRATCH / "cmake-shards"
        shutil.rmtree(cls.dir, ignore_errors=True)
        cls.dir.mkdir(parents=True)
        cls.vectors = cls.dir / "v.vectors"
        cls.vectors.write_text(vectors(300, wrong=(250,)))

    def configure(self, name, extra=""):
        call = (f"fsmdkit_add_sim_test(NAME mw ENTITY mixed_widths DESIGN {MIXED}"
                f" VECTORS {self.vectors} BACKEND mcode {extra})")
        return project(self.dir / name, call), self.dir / name / "build"

    def test_shards_then_merge(self):
        # Catches shards that fail the run before merge has reported it,
        # a merge that runs before its shards, or a verdict lost in between.
        configured, build = self.configure("three", "SHARDS 3 MERGE_ARGS --junit mw.xml --quiet")
        self.assertEqual(configured.returncode, 0, configured.stderr)
        listed = ctest(build, "-N").stdout
        for name in ("mw.shard-1", "mw.shard-2", "mw.shard-3", "mw"):
            self.assertIn(f": {name}\n", listed)
        run = ctest(build, "-j", "2")
        self.assertIn("75% tests passed, 1 tests failed out of 4", run.stdout)
        self.assertIn("mw (Failed)", run.stdout)
        self.assertIn("mixed_widths: 300 tests run, 299 passed, 1 failed", run.stdout)
        results = (build / "mw.sim" / "mixed_widths_test_results.txt").read_text().splitlines()
        self.assertEqual([line.split()[1] for line in results[:-1]], [str(n) for n in range(1, 301)])
        self.assertTrue((build / "mw.xml").is_file())
        # The merge test alone runs its shards first (a fixture).
        shutil.rmtree(build / "mw.sim")
        alone = ctest(build, "-R", "^mw$")
        self.assertIn("mw.shard-3", alone.stdout)
        self.assertTrue((build / "mw.sim" / "mixed_widths_test_results.txt").is_file())

    def test_each_shard_writes_coverage_into_its_own_folder(self):
        # Catches shards running at once that overwrite each other's coverage
        # report (and with it the tracefile that merge adds up).
        for name, args in (("cov", "--coverage shared"), ("cov-eq", "--coverage=shared")):
            with self.subTest(args):
                configured, build = self.configure(name, f"SHARDS 2 ARGS {args} --quiet")
                self.assertEqual(configured.returncode, 0, configured.stderr)
                listed = ctest(build, "-N", "-V").stdout
                for k in (1, 2):
                    self.assertIn(f"mw.sim/shard-{k}/coverage", listed)
                self.assertNotIn("shared", listed)
                self.assertIn("--quiet", listed)

    def test_refused_at_configure_time(self):
        for name, extra, message in (("zero", "SHARDS 0", "SHARDS must be a positive number"),
                                     ("word", "SHARDS many", "SHARDS must be a positive number"),
                                     ("lone", "MERGE_ARGS --quiet", "MERGE_ARGS needs SHARDS")):
            with self.subTest(name):
                configured, _ = self.configure(name, extra)
                self.assertNotEqual(configured.returncode, 0)
                self.assertIn(message, configured.stderr)


if __name__ == "__main__":
    unittest.main()
