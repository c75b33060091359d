#!/usr/bin/env python3
"""What the generated bench assumes about a design, as the simulation guide
states it under "What the bench assumes": each test runs the probe design
designs/bench_probe.vhd, which reports what it saw of reset, start and
done, and pins one point of that section. A change of the bench's timing
that the guide does not follow fails here.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR (a scratch folder of
this test alone), FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ["FSMD_BACKEND"]
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
PROBE = pathlib.Path(__file__).resolve().parent / "designs" / "bench_probe.vhd"
RESULTS = "bench_probe_test_results.txt"


def run(name, vectors, *options, design=PROBE, entity="bench_probe"):
    """fsmd-sim on the probe with these vectors: (exit status, output, results lines)."""
    d = SCRATCH / name
    shutil.rmtree(d, ignore_errors=True)
    d.mkdir(parents=True)
    (d / "probe.vectors").write_text(vectors)
    proc = subprocess.run([FSMD_SIM, entity, "--design", str(design), "--vectors",
                           str(d / "probe.vectors"), "--dir", str(d / "run"),
                           "--backend", BACKEND, *options],
                          capture_output=True, text=True)
    results = d / "run" / RESULTS
    lines = results.read_text().splitlines() if results.is_file() else []
    return proc.returncode, proc.stdout + proc.stderr, lines


class Handshake(unittest.TestCase):
    def test_level_start_reset_outputs_and_cycles(self):
        # Catches: reset active at more or fewer than one rising edge, start
        # not held through the tests, outputs read after done instead of in
        # its simulation cycle, or cycles counted from elsewhere.
        status, out, lines = run("level", "a  : nreset nstart y  ylate in_reset\n"
                                          "05 : 01     03     05 00    0\n"
                                          "07 : 01     03     07 05    0\n")
        self.assertEqual(status, 0, out)
        self.assertTrue(lines[0].endswith(" cycles=3"), lines)
        self.assertTrue(lines[1].endswith(" cycles=2"), lines)

    def test_pulse_start_is_one_at_one_edge_per_test(self):
        # Catches: a pulse that spans more or fewer than one rising edge.
        status, out, _ = run("pulse", "a  : nstart y\n05 : 01     05\n07 : 01     07\n",
                             "--start-mode", "pulse")
        self.assertEqual(status, 0, out)

    def test_done_during_reset_ends_the_first_test_with_its_inputs(self):
        # Catches: a bench that waits out reset before watching done, or
        # drives the first test's inputs only after reset.
        status, out, lines = run("in-reset", "a  : y  in_reset\n05 : 05 1\n",
                                 "--architecture", "done_in_reset")
        self.assertEqual(status, 0, out)
        self.assertTrue(lines[0].endswith(" cycles=0"), lines)

    def test_done_held_high_ends_the_next_test_at_the_cycle_limit(self):
        # Catches a change of how a done still '1' from the test before is
        # treated: today the next test ends at --max-cycles with its outputs
        # compared (no hang), 50 periods and a half after it began at 40 ns.
        status, out, lines = run("held", "a  : y\n05 : 05\n07 : 07\n",
                                 "--architecture", "done_high", "--max-cycles", "50")
        self.assertEqual(status, 1, out)
        self.assertTrue(lines[0].startswith("test 1 passed:"), lines)
        self.assertTrue(lines[1].startswith("test 2 FAILED at 545 ns:"), lines)
        self.assertTrue(lines[1].endswith(" cycles=0"), lines)
        self.assertNotIn("HANG", "\n".join(lines))


class Standard(unittest.TestCase):
    def test_design_is_analysed_as_vhdl_93(self):
        # Catches a bench run in another standard than the guide says:
        # process (all) exists from VHDL-2008 on, so analysis must fail.
        d = SCRATCH / "std-design"
        d.mkdir(parents=True, exist_ok=True)
        design = d / "vhdl2008_probe.vhd"
        design.write_text(PROBE.read_text().replace("bench_probe", "vhdl2008_probe")
                          .replace("machine : process (clk)\n    variable seen",
                                   "machine : process (all)\n    variable seen"))
        self.assertIn("process (all)", design.read_text())
        status, out, _ = run("std", "a : y\n05 : 05\n", design=design, entity="vhdl2008_probe")
        self.assertEqual(status, 3, out)
        self.assertIn(f"{design}:", out)


if __name__ == "__main__":
    unittest.main(verbosity=2)
