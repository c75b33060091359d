#!/usr/bin/env python3
"""Checks the benches' clock, reset, start and cycle counting with a probe
design (timing_probe.vhd) bound to the arraysum bench: the probe checks the
start-of-run sequence itself and raises done at chosen clock edges, so every
cycle count follows from the data alone.

Environment as for bench_behaviour_test.py.
"""
import os
import pathlib
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
DESIGNS = pathlib.Path(os.environ["FSMD_TEST_DESIGNS"])
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")

# (edge, hold): done rises at the rising edge at edge * 10 ns and stays '1'
# over hold edges. The first edge with reset at '0' is the one at 20 ns.
SCHEDULE = [(2, 1), (5, 1), (7, 3), (15, 2), (18, 1), (40, 1), (43, 5), (49, 1)]


def predicted_counts(schedule):
    """Rising edges that the bench counts for each test: every edge from the
    first one after reset (edge 2) or after done has fallen, up to and
    including the edge at which done rises."""
    counts, first_countable = [], 2
    for edge, hold in schedule:
        counts.append(edge - first_countable + 1)
        # done is still '1' at the edge edge + hold - 1 and falls after it;
        # the edge edge + hold sees done at '1' too (it falls one delta later).
        first_countable = edge + hold + 1
    return counts


class ProbeTiming(unittest.TestCase):
    def test_counts_and_start_sequence_match_the_clock(self):
        directory = SCRATCH / "timing"
        directory.mkdir(parents=True, exist_ok=True)
        data = directory / "schedule.txt"
        words = [f"{hold << 16 | edge:08X}" for edge, hold in SCHEDULE]
        data.write_text("".join(f"{w} {w}\n" for w in words))
        proc = subprocess.run([FSMD_SIM, "arraysum", "--dir", str(directory), "--backend", BACKEND,
                               "--data", str(data), "--design", str(DESIGNS / "timing_probe.vhd")],
                              capture_output=True, text=True)
        lines = (directory / "arraysum_alg_test_results.txt").read_text().splitlines()
        # A probe that saw a wrong start sequence answers x"BAD000nn": the
        # tests would then fail and name the observation.
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr + "\n".join(lines))
        expected = []
        for w, n in zip(words, predicted_counts(SCHEDULE)):
            expected += [f" in1={w} out1={w} out1_ref={w}", f"ARRAYSUM OK: Number of cycles={n}"]
        expected.append("ARRAYSUM algorithm test has passed")
        self.assertEqual(lines, expected)

    def test_prediction_rules(self):
        # The first test counts edges 2..edge; a hold of h edges leaves h
        # edges uncounted after the rise (the rise itself is counted).
        self.assertEqual(predicted_counts([(2, 1)]), [1])
        self.assertEqual(predicted_counts([(2, 1), (4, 1)]), [1, 1])
        self.assertEqual(predicted_counts([(3, 4), (10, 1)]), [2, 3])


if __name__ == "__main__":
    unittest.main(verbosity=2)
