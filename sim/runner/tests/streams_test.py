#!/usr/bin/env python3
"""End to end: what the acceptance of streams leaves out. last on an output
stream checked, values the design leaves untaken or sends beyond the list
named with their counts, a start-less test with no input ending at once,
--stall seeds that change the timing and never the results of a correct
design, and streams under --tests and --jobs. Without done: a test that
lasts until its input values are all taken, and hangs that say what each
stream moved. Ports with extended identifiers named in the options.

Environment: FSMD_SIM, FSMD_BACKEND (default mcode), FSMD_TEST_DIR,
FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import random
import re
import shutil
import subprocess
import unittest
import unittest.mock

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"]) / "streams"
HERE = pathlib.Path(__file__).resolve().parent
ECHO = HERE / "designs" / "streams" / "stream_echo.vhd"
TYPED = HERE / "designs" / "streams" / "stream_echo_typed.vhd"
FILTER = HERE / "designs" / "asis" / "stream_filter.vhd"
KEEP = HERE / "designs" / "streams" / "keep_nonmult3.vhd"
EXTENDED = HERE / "designs" / "streams" / "keep_extended.vhd"
ECHO_OPTIONS = ["--stream", "x,last=x_last", "--stream", "y,last=y_last", "--control", "start=none"]
FILTER_OPTIONS = ["--stream", "x", "--stream", "y"]
KEEP_OPTIONS = ["--stream", "x", "--stream", "y", "--control", "start=none", "--control", "done=none"]

rng = random.Random(2207)


def lst(values, digits):
    return "[" + " ".join(f"{v:0{digits}X}" for v in values) + "]"


def fsmd_sim(name, entity, design, text, *options):
    folder = SCRATCH / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    (folder / "v.vectors").write_text(text)
    proc = subprocess.run([FSMD_SIM, entity, "--design", design, "--vectors", folder / "v.vectors",
                           "--dir", folder / "run", "--backend", BACKEND, *options],
                          capture_output=True, encoding="utf-8", errors="replace")
    return proc.returncode, proc.stdout, proc.stderr, folder


def failures(out, entity):
    return {int(m.group(1)): m.group(2) for m in re.finditer(rf"^{entity} test (\d+): FAILED: (.*)$", out, re.M)}


def echo_vectors(packets):
    return "x : y\n" + "".join(f"{lst(p, 3)} : {lst(p, 3)}\n" for p in packets)


def keep_vectors(lists):
    """keep_nonmult3 passes x + 1 for each x not a multiple of 3."""
    return "x : y\n" + "".join(f"{lst(xs, 2)} : {lst([x + 1 for x in xs if x % 3], 3)}\n"
                                for xs in lists)


def keep_variant(name, ready):
    """keep_nonmult3 with another x_ready, in a folder of its own."""
    folder = SCRATCH / "designs"
    folder.mkdir(parents=True, exist_ok=True)
    text = KEEP.read_text()
    old = "  take    <= x_valid and (not full or y_ready);\n  x_ready <= not full or y_ready;\n"
    assert old in text
    path = folder / f"{name}.vhd"
    path.write_text(text.replace(old, f"  take    <= x_valid and {ready};\n  x_ready <= {ready};\n"))
    return path


def filter_vectors(cases):
    """(n, limit, values, expected) per test."""
    return "n limit x : y\n" + "".join(f"{n:02X} {limit:04X} {lst(xs, 4)} : {lst(want, 4)}\n"
                                      for n, limit, xs, want in cases)


class Streams(unittest.TestCase):
    def test_last_is_checked_on_an_output_stream(self):
        packets = [[rng.randrange(4096) for _ in range(rng.randrange(1, 6))] for _ in range(8)]
        status, out, err, _ = fsmd_sim("last-kept", "stream_echo", ECHO, echo_vectors(packets), *ECHO_OPTIONS)
        self.assertEqual(status, 0, out + err)
        status, out, err, _ = fsmd_sim("last-dropped", "stream_echo", ECHO, echo_vectors(packets), *ECHO_OPTIONS,
                                       "--generic", "keep_last=false")
        self.assertEqual(status, 1, out + err)
        lines = failures(out, "stream_echo")
        self.assertEqual(sorted(lines), list(range(1, 9)))
        # The final value of packet 1 is the first whose last is wrong.
        self.assertIn(f"y: last wrong with value {len(packets[0]) - 1:X}", lines[1])

    def test_handshake_ports_of_bit_and_boolean_type(self):
        packets = [[rng.randrange(4096) for _ in range(rng.randrange(1, 6))] for _ in range(10)]
        status, out, err, _ = fsmd_sim("typed", "stream_echo_typed", TYPED, echo_vectors(packets), *ECHO_OPTIONS,
                                       "--stall", "40")
        self.assertEqual(status, 0, out + err)
        self.assertRegex(out, r"stream_echo_typed: 10 tests run, 10 passed")

    def test_values_left_untaken_or_sent_beyond_the_list_are_counted(self):
        cases = [
            # n says 2 of the 4 values: 2 are never taken.
            (2, 0x0100, [0x0200, 0x0300, 0x0400, 0x0500], [0x0200, 0x0300]),
            # Three pass the limit; the list expects two.
            (3, 0x0100, [0x0200, 0x0300, 0x0400], [0x0200, 0x0300]),
            (1, 0x0100, [0x0200], [0x0200]),
        ]
        status, out, err, _ = fsmd_sim("counts", "stream_filter", FILTER, filter_vectors(cases), *FILTER_OPTIONS)
        self.assertEqual(status, 1, out + err)
        lines = failures(out, "stream_filter")
        self.assertEqual(sorted(lines), [1, 2])
        self.assertIn("x: 2 of 4 values not taken", lines[1])
        self.assertIn("y: expected 2 values, got 3", lines[2])

    def test_an_output_stream_the_header_leaves_out_is_taken_unchecked(self):
        text = "n limit x :\n03 0000 [0001 0002 0003] :\n01 0000 [0004] :\n"
        status, out, err, _ = fsmd_sim("unnamed-output", "stream_filter", FILTER, text, *FILTER_OPTIONS,
                                       "--max-cycles", "100")
        self.assertEqual(status, 0, out + err)
        self.assertRegex(out, r"stream_filter: 2 tests run, 2 passed")

    def test_without_start_a_test_with_no_input_ends_at_once(self):
        text = "x : y\n[001] : [001]\n[] : []\n[] : [005]\n[002] : [002]\n"
        status, out, err, _ = fsmd_sim("no-input", "stream_echo", ECHO, text, *ECHO_OPTIONS, "--max-cycles", "50")
        self.assertEqual(status, 1, out + err)
        lines = failures(out, "stream_echo")
        self.assertEqual(sorted(lines), [3])
        self.assertIn("y: expected 1 value, got 0", lines[3])
        self.assertRegex(out, r"stream_echo: 4 tests run, 3 passed, 1 failed")

    def test_without_done_a_pulsed_test_that_expects_nothing_ends_at_its_first_edge(self):
        # (A test after one that ended at once would find the design still
        # busy with it: without done the bench cannot know.)
        text = "n limit x : y\n02 0100 [0150 0020] : [0150]\n00 0000 [] : []\n"
        status, out, err, _ = fsmd_sim("pulse-no-done", "stream_filter", FILTER, text, *FILTER_OPTIONS,
                                       "--control", "done=none", "--start-mode", "pulse", "--max-cycles", "50")
        self.assertEqual(status, 0, out + err)
        self.assertRegex(out, r"stream_filter: 2 tests run, 2 passed")
        # One edge: not a wait for a done already high through --max-cycles.
        self.assertIn("stream_filter test 2: passed, 1 cycles", out)

    def test_without_start_and_done_each_test_ends_by_its_own_streams(self):
        # A test that offers and expects nothing ends at once, the first one
        # too (not after --max-cycles), and the one after it is ended by its
        # own values, not by the delivery of the test before.
        text = ("x : y\n[] : []\n[001] : [001]\n[] : []\n[002] : [003]\n"
                "[004 005] : [004 005]\n[] : []\n")
        status, out, err, _ = fsmd_sim("ends-own", "stream_echo", ECHO, text, *ECHO_OPTIONS,
                                       "--max-cycles", "50")
        self.assertEqual(status, 1, out + err)
        self.assertEqual(failures(out, "stream_echo"), {4: unittest.mock.ANY})
        self.assertIn("y[0]=002 y[0]_expected=003", failures(out, "stream_echo")[4])
        cycles = {int(n): int(c) for n, c in
                  re.findall(r"^stream_echo test (\d+): passed, (\d+) cycles$", out, re.M)}
        # One value: taken at the first edge, echoed at the second; two values
        # one edge more; nothing at all: no edge (the first test waits for the
        # first edge after reset).
        self.assertEqual(cycles, {1: 1, 2: 2, 3: 0, 5: 3, 6: 0})

    def test_a_start_less_test_whose_values_never_come_is_a_hang_naming_it(self):
        # The echo takes values but never delivers more than it was given.
        text = "x : y\n[001] : [001]\n[002] : [002 003]\n"
        status, out, err, _ = fsmd_sim("short", "stream_echo", ECHO, text, *ECHO_OPTIONS, "--max-cycles", "40")
        self.assertEqual(status, 2, out + err)
        self.assertIn("test 2 did not get every value its output streams expect within 40 cycles", out)
        # The bench's own line says why: the design has no done to rise.
        self.assertRegex(out, r"the bench says: test 2 HANG at \d+ ns: the output streams did not"
                              r" deliver every value the test expects within 40 cycles")
        self.assertNotIn("done", out)

    def test_without_done_a_test_ends_when_its_input_values_are_all_taken_too(self):
        # A filter that drops a test's last values delivers all it owes before
        # it has taken them: the test goes on until it has.
        trailing = [[0x03, 0x06, 0x09], [0x01, 0x03], [0x01, 0x02], [0x01, 0x03, 0x06, 0x09, 0x0C],
                    [], [0x04], [0x30, 0x33, 0x36, 0x39, 0x3C, 0x3F, 0x05, 0x42]]
        trailing += [[rng.randrange(256) for _ in range(rng.randrange(8))] for _ in range(20)]
        for label, extra in (("plain", []), ("stalls", ["--stall", "40", "--seed", "5"])):
            with self.subTest(label):
                status, out, err, _ = fsmd_sim(f"trailing-{label}", "keep_nonmult3", KEEP,
                                               keep_vectors(trailing), *KEEP_OPTIONS, *extra)
                self.assertEqual(status, 0, out[-2000:] + err)
                self.assertRegex(out, rf"keep_nonmult3: {len(trailing)} tests run, {len(trailing)} passed")
        # Nothing to deliver: the test lasts until its three values are taken.
        status, out, err, _ = fsmd_sim("trailing-extra", "keep_nonmult3", KEEP,
                                       "x : y\n[03 06 09] : []\n[01 03] : [002]\n", *KEEP_OPTIONS)
        self.assertEqual(status, 0, out + err)
        cycles = {int(n): int(c) for n, c in
                  re.findall(r"^keep_nonmult3 test (\d+): passed, (\d+) cycles$", out, re.M)}
        # One value taken an edge; the test ends at the edge after the last.
        self.assertEqual(cycles[1], 3)
        # A value the design sends after its test ended is the next test's.
        status, out, err, _ = fsmd_sim("trailing-late", "keep_nonmult3", KEEP,
                                       "x : y\n[01 02] : [002]\n[04] : [005]\n", *KEEP_OPTIONS)
        self.assertEqual(status, 1, out + err)
        self.assertEqual(sorted(failures(out, "keep_nonmult3")), [2])
        self.assertIn("y[0]=003 y[0]_expected=005", failures(out, "keep_nonmult3")[2])

    def test_without_done_a_design_that_never_takes_its_inputs_is_a_hang_saying_so(self):
        stuck = keep_variant("keep_stuck", "'0'")
        status, out, err, _ = fsmd_sim("never-taken", "keep_nonmult3", stuck,
                                       "x : y\n[03 06 09] : []\n", *KEEP_OPTIONS, "--max-cycles", "30")
        self.assertEqual(status, 2, out + err)
        self.assertIn("test 1 did not have every value of its input streams taken within 30 cycles", out)
        self.assertRegex(out, r"the bench says: test 1 HANG at \d+ ns: the design did not take every value"
                              r" its input streams offer within 30 cycles; y: 0 of 0 values delivered;"
                              r" x: 3 of 3 values not taken")

    def test_a_hang_without_done_shows_what_each_output_stream_delivered(self):
        # x_ready '1' while the skid register is full: under back-pressure the
        # value waiting in it is overwritten and lost.
        lossy = keep_variant("keep_lossy", "'1'")
        lists = [[0x01, 0x02, 0x04, 0x05, 0x07, 0x08, 0x0A, 0x0B]] * 3
        status, out, err, _ = fsmd_sim("lossy", "keep_nonmult3", lossy, keep_vectors(lists), *KEEP_OPTIONS,
                                       "--stall", "30", "--seed", "3", "--max-cycles", "200")
        self.assertEqual(status, 2, out + err)
        said = re.search(r"the bench says: test (\d+) HANG at \d+ ns: the output streams did not deliver"
                         r" every value the test expects within 200 cycles; y: (\d+) of 8 values delivered"
                         r"(?:, y\[(\w+)\]=(\w+) y\[\w+\]_expected=(\w+))?", out)
        self.assertIsNotNone(said, out)
        delivered = int(said.group(2))
        self.assertLess(delivered, 8)
        # A lost value shifts the ones after it: the first that differs is named
        # with what the list expects there.
        if said.group(3) is not None:
            index = int(said.group(3), 16)
            self.assertLess(index, delivered)
            self.assertEqual(int(said.group(5), 16), [2, 3, 5, 6, 8, 9, 0xB, 0xC][index])
            self.assertNotEqual(said.group(4), said.group(5))
        # The correct design under the same stalls passes.
        status, out, err, _ = fsmd_sim("lossless", "keep_nonmult3", KEEP, keep_vectors(lists), *KEEP_OPTIONS,
                                       "--stall", "30", "--seed", "3", "--max-cycles", "200")
        self.assertEqual(status, 0, out + err)

    def test_ports_with_extended_identifiers_are_named_as_written(self):
        lists = [[0x01, 0x02, 0x03], [0x03, 0x06], [0x10, 0x11, 0x12, 0x13], []]
        text = keep_vectors(lists).replace("x : y", 'x : \\y"!\\')
        options = ["--control", "clk=\\Clk\\", "--stream", "x,valid=\\x valid\\",
                   "--stream", '\\y"!\\,valid=y_valid,ready=\\y ready,=1\\',
                   "--control", "start=none", "--stall", "30"]
        status, out, err, _ = fsmd_sim("extended", "keep_extended", EXTENDED, text, *options)
        self.assertEqual(status, 0, out + err)
        self.assertRegex(out, r"keep_extended: 4 tests run, 4 passed")
        # A failing test names the stream as written.
        status, out, err, _ = fsmd_sim("extended-fails", "keep_extended", EXTENDED,
                                       text + "[04 05] : [005 007]\n", *options)
        self.assertEqual(status, 1, out + err)
        self.assertIn('\\y"!\\[1]=006 \\y"!\\[1]_expected=007', failures(out, "keep_extended")[5])
        # An extended identifier is case-sensitive: \CLK\ is no port of it.
        status, out, err, _ = fsmd_sim("extended-case", "keep_extended", EXTENDED, text,
                                       "--control", "clk=\\CLK\\", *options[2:])
        self.assertEqual(status, 3, out + err)
        self.assertIn("entity keep_extended has no port \\CLK\\ for the role clk", err)

    def test_stalls_change_the_timing_of_a_correct_design_and_never_its_results(self):
        packets = [[rng.randrange(4096) for _ in range(rng.randrange(1, 9))] for _ in range(30)]
        runs = {}
        for label, extra in (("none", []), ("seed-1", ["--stall", "40", "--seed", "1"]),
                             ("seed-2", ["--stall", "40", "--seed", "2"]), ("seed-2-again", ["--stall", "40", "--seed", "2"])):
            status, out, err, folder = fsmd_sim(f"stall-{label}", "stream_echo", ECHO, echo_vectors(packets),
                                                *ECHO_OPTIONS, *extra)
            self.assertEqual(status, 0, out[-2000:] + err)
            runs[label] = re.findall(r"cycles=(\d+)", (folder / "run" / "stream_echo_test_results.txt").read_text())
            if extra:
                self.assertIn("stall rate 40% (--stall 40 --seed", out)
        self.assertEqual(runs["seed-2"], runs["seed-2-again"])
        self.assertNotEqual(runs["seed-1"], runs["seed-2"])
        self.assertGreater(sum(map(int, runs["seed-1"])), sum(map(int, runs["none"])))

    def test_streams_follow_the_tests_chosen_and_the_parts_of_a_split_run(self):
        cases = []
        for _ in range(9):
            limit = rng.choice([0, 0x4000, 0x8000])
            xs = [rng.randrange(1 << 16) for _ in range(rng.randrange(6))]
            cases.append((len(xs), limit, xs, [v for v in xs if v >= limit]))
        # Test 5 expects one value too many: it alone fails, however the
        # tests are run.
        n, limit, xs, want = cases[4]
        cases[4] = (n, limit, xs, want + [0x1234])
        text = filter_vectors(cases)
        for label, extra, tests in (("tests", ["--tests", "2,5-6,9"], [2, 5, 6, 9]),
                                    ("jobs", ["--jobs", "2", "--independent-tests"], list(range(1, 10)))):
            with self.subTest(label):
                status, out, err, _ = fsmd_sim(f"chosen-{label}", "stream_filter", FILTER, text, *FILTER_OPTIONS,
                                               *extra)
                self.assertEqual(status, 1, out[-2000:] + err)
                reported = [int(t) for t in re.findall(r"^stream_filter test (\d+): ", out, re.M)]
                self.assertEqual(reported, tests)
                self.assertEqual(sorted(failures(out, "stream_filter")), [5])
                self.assertRegex(failures(out, "stream_filter")[5],
                                 rf"y: expected {len(want) + 1} values?, got {len(want)}\b")


if __name__ == "__main__":
    unittest.main(verbosity=2)
