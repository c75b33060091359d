#!/usr/bin/env python3
"""What the generated bench assumes about a design, as the simulation guide
states it under "What the bench assumes": each test runs the probe design
designs/bench_probe.vhd, which reports what it saw of reset, start and
done (or, for a design without start or done, the stream echo
designs/streams/stream_echo.vhd), and pins one point of that section. A change of the bench's timing
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
    def test_level_start_reset_settled_outputs_and_cycles(self):
        # Catches: reset active at more or fewer than one rising edge, start
        # not held through the tests, outputs read before a concurrent copy
        # of a register written with done (ylate) has settled, or cycles
        # counted from elsewhere.
        status, out, lines = run("level", "a  : nreset nstart y  ylate in_reset\n"
                                          "05 : 01     03     05 05    0\n"
                                          "07 : 01     03     07 07    0\n")
        self.assertEqual(status, 0, out)
        self.assertTrue(lines[0].endswith(" cycles=3"), lines)
        self.assertTrue(lines[1].endswith(" cycles=2"), lines)

    def test_reset_cycles_hold_reset_for_that_many_edges(self):
        # Catches --reset-cycles ignored or off by one.
        for cycles in ("1", "3"):
            with self.subTest(cycles):
                status, out, _ = run(f"reset-{cycles}", f"a  : nreset y\n05 : 0{cycles}     05\n",
                                     "--reset-cycles", cycles)
                self.assertEqual(status, 0, out)

    def test_pulse_start_is_one_at_one_edge_per_test(self):
        # Catches: a pulse that spans more or fewer than one rising edge.
        status, out, _ = run("pulse", "a  : nstart y\n05 : 01     05\n07 : 01     07\n",
                             "--start-mode", "pulse")
        self.assertEqual(status, 0, out)

    def test_a_next_pulse_follows_the_edge_that_ended_the_test_before(self):
        # Catches a next test's pulse raised at the falling edge before the
        # edge at which done ended the test before, as under a held start: the
        # probe then took it at that edge and its later tests had 2 cycles
        # where the first had 3. With --output-delay 1 the next test is read
        # half a period after that edge and its pulse is seen at the next
        # edge, as is: one more edge of waiting would make 4 cycles.
        vectors = "a  : nstart y\n05 : 01     05\n07 : 01     07\n09 : 01     09\n"
        for options, cycles in ((["--start-mode", "pulse"], [3, 3, 3]),
                                (["--start-mode", "pulse", "--output-delay", "1"], [3, 3, 3])):
            with self.subTest(options):
                status, out, lines = run("pulse-after-end-" + "-".join(options), vectors, *options)
                self.assertEqual(status, 0, out)
                self.assertEqual([int(line.rpartition(" cycles=")[2]) for line in lines[:3]], cycles)

    def test_idle_cycles_start_again_at_the_edge_that_ended_the_test_before(self):
        # Catches cycles that added up from test to test (3, 6, 9) where idle
        # falls with start, half a period before the edge that takes it, and
        # so never stands at '1' at a rising edge.
        design = PROBE.parent / "protocols" / "step_hls.vhd"
        vectors = "x : ap_return\n01 : 04\n02 : 07\n03 : 0A\n"
        status, out, lines = run("idle-hls", vectors, "--architecture", "behav", "--control", "clk=ap_clk",
                                 "--control", "reset=ap_rst", "--control", "start=ap_start",
                                 "--control", "idle=ap_idle", "--start-mode", "pulse",
                                 design=design, entity="step_hls")
        self.assertEqual(status, 0, out)
        results = (SCRATCH / "idle-hls" / "run" / "step_hls_test_results.txt").read_text()
        self.assertEqual(results.count(" cycles=3\n"), 3, results)

    def test_done_during_reset_does_not_end_the_first_test(self):
        # Catches a bench that takes a done seen before the test's start for
        # its end: the first test starts after reset, and done never rises
        # after that, so it is a hang naming test 1.
        status, out, lines = run("in-reset", "a  : y  in_reset\n05 : 05 1\n",
                                 "--architecture", "done_in_reset", "--max-cycles", "20")
        self.assertEqual(status, 2, out)
        self.assertTrue(lines[0].startswith("test 1 HANG at "), lines)

    def test_done_held_high_is_a_hang_of_the_next_test(self):
        # Catches a done still '1' from the test before taken as the end of
        # the next test (which then passed or failed with 0 cycles).
        status, out, lines = run("held", "a  : y\n05 : 05\n07 : 07\n",
                                 "--architecture", "done_high", "--max-cycles", "50")
        self.assertEqual(status, 2, out)
        self.assertTrue(lines[0].startswith("test 1 passed:"), lines)
        self.assertTrue(lines[1].startswith("test 2 HANG at "), lines)
        self.assertIn("test 2 never raised done within 50 cycles", out)
        self.assertTrue(lines[1].endswith(": done did not rise within 50 cycles; done stayed '1' from the"
                                          " test before (a design that completes in one cycle needs"
                                          " --start-mode pulse)"), lines)


ECHO = pathlib.Path(__file__).resolve().parent / "designs" / "streams" / "stream_echo.vhd"


class WithoutStartOrDone(unittest.TestCase):
    def test_values_offered_from_the_reading_and_the_end_one_edge_after_the_last(self):
        # Catches: an input stream offered later than the falling edge at
        # which its test is read, an edge during reset taking a value, or
        # the end and the reading of the outputs at the delivery edge itself
        # or later than the falling edge after it. The echo takes x at the
        # first edge after reset (20 ns) and gives it at the next (30 ns); the
        # test ends at 40 ns, read at 35 ns, and the next one's value is
        # offered then, taken at 40 ns and given at 50 ns.
        status, out, lines = run("no-start-done", "x : y\n[001] : [002]\n[003] : [004]\n",
                                 "--stream", "x,last=x_last", "--stream", "y,last=y_last",
                                 "--control", "start=none", design=ECHO, entity="stream_echo")
        self.assertEqual(status, 1, out)
        results = (SCRATCH / "no-start-done" / "run" / "stream_echo_test_results.txt").read_text()
        self.assertIn("test 1 FAILED at 35 ns:", results)
        self.assertIn("test 2 FAILED at 55 ns:", results)
        self.assertRegex(results, r"test 1 FAILED .* cycles=2\n")
        self.assertRegex(results, r"test 2 FAILED .* cycles=2\n")

    def test_nothing_is_offered_in_the_idle_cycles_after_reset(self):
        # Catches a first value offered while the design, out of reset in the
        # --after-reset cycles, takes it and the bench does not count it: the
        # echo then gave it twice (y: expected 1 value, got 2).
        status, out, lines = run("after-reset-stream", "x : y\n[001] : [001]\n[002 003] : [002 003]\n",
                                 "--stream", "x,last=x_last", "--stream", "y,last=y_last",
                                 "--control", "start=none", "--reset-cycles", "2", "--after-reset", "3",
                                 design=ECHO, entity="stream_echo")
        self.assertEqual(status, 0, out)
        self.assertIn("stream_echo test 1: passed, 2 cycles", out)
        self.assertIn("stream_echo test 2: passed, 3 cycles", out)


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
