#!/usr/bin/env python3
"""What the simulation guide's "What is still out of reach" says, point by
point: each design it names is refused with the cause it gives, or fails
the way it says, never passes.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR (a scratch folder of
this test alone), FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import re
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
DESIGN = pathlib.Path(__file__).resolve().parent / "designs" / "out_of_reach.vhd"


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args):
    proc = subprocess.run([FSMD_SIM, *map(str, args), "--backend", BACKEND], capture_output=True,
                          encoding="utf-8", errors="replace")
    return proc.returncode, proc.stdout, proc.stderr


# (the guide's point, entity, vectors, options, exit status, patterns the
# output must hold)
CASES = [
    ("no completion port: the three roles named", "no_completion", "x : y\n01 : 02\n", [], 3,
     [r"\bdone\b", r"\bbusy\b", r"\bidle\b", r"--control done=none where output streams"]),
    ("a second clock is a data port: its column is required", "two_clocks", "x : y\n01 : 02\n", [], 3,
     [r"missing column for input clk_out"]),
    ("a second clock is a data port: the logic it clocks never runs", "two_clocks",
     "x clk_out : y\n01 0 : 02\n01 1 : 02\n", [], 1, [r'y="UUUUUUUU" y_expected=02']),
    ("a pipeline whose done stays high: the second test is a hang", "every_cycle",
     "x : y\n01 : 02\n02 : 03\n03 : 04\n", ["--overlap"], 2, [r"HANG: test 2\b"]),
    ("--overlap with --jobs", "every_cycle", "x : y\n01 : 02\n02 : 03\n",
     ["--overlap", "--independent-tests", "--jobs", "2"], 3, [r"--overlap"]),
    ("an inout port", "shared_bus", "data :\n01 :\n", [], 3, [r"port data of entity shared_bus: mode inout"]),
    ("a real port", "real_gain", "x : y\n01 : 02\n", [], 3, [r"port x of entity real_gain: type real"]),
    ("a width computed by functions", "log_width", "x : index\n0001 : 0\n", [], 3,
     [r"port index of entity log_width: fsmd-sim cannot compute", r"\blog2\b"]),
    # Caught fault: the refusal asked for the generic that the run gave.
    ("a width computed by functions, the generic given", "log_width", "x : index\n0001 : 0\n",
     ["--generic", "N=16"], 3,
     [r"it calls ceil and log2, and a width computed by a function call is out of reach whatever the generics",
      r"^(?![\s\S]*give the generic)"]),
]


class OutOfReach(unittest.TestCase):
    """Catches: a design the bench cannot check reported as passed, or
    refused without the cause the guide gives."""

    def test_each_point_of_the_guide(self):
        for label, entity, vectors, options, status, patterns in CASES:
            with self.subTest(label):
                d = fresh(re.sub(r"\W+", "-", label))
                (d / "v.vectors").write_text(vectors)
                got, out, err = fsmd_sim(entity, "--design", DESIGN, "--vectors", d / "v.vectors", "--dir",
                                         d / "run", "--max-cycles", "100", *options)
                self.assertEqual(got, status, out + err)
                for pattern in patterns:
                    self.assertRegex(out + err, pattern)
                self.assertNotRegex(out, r"verdict: passed")


if __name__ == "__main__":
    unittest.main(verbosity=2)
