"""Tests of --wave-on-failure's pieces without GHDL: reading and cutting a
VCD (waves.py), the window of a test, the cut inputs of the second run and
the failure's time and label (failure_waves.py), and the SVG timing diagram
(timing_svg.py), parsed back with xml.etree."""
import pathlib
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from fsmd_sim import failure_waves, timing_svg, waves
from fsmd_sim.errors import BadInput
from fsmd_sim.cli import parse_args

# A run as GHDL writes it: packages' empty scopes, the bench's top scope with
# the design inside, a clock of 10 ns period (in fs), three tests that start
# when tb_test_number changes (at 20, 40 and 70 ns).
HEADER = """$date
  Tue Dec  8 2026
$end
$version
  GHDL v0
$end
$timescale
  1 fs
$end
$scope module standard $end
$upscope $end
$scope module bench $end
$var reg 1 ! clk $end
$var reg 1 " done $end
$var reg 8 # y[7:0] $end
$var reg 8 $ tb_expected_y[7:0] $end
$var integer 32 % tb_test_number $end
$scope module uut $end
$var reg 1 & clk $end
$upscope $end
$upscope $end
$enddefinitions $end
"""


def sample_vcd():
    body = ["#0", "0!", "0\"", "bUUUUUUUU #", "b00000001 $", "b1 %"]
    for ns in range(5, 101, 5):
        body.append(f"#{ns * 10**6}")
        body.append(f"{1 if ns % 10 == 0 else 0}!")
        if ns in (20, 40, 70):
            body += [f"b{ {20: 2, 40: 3, 70: 4}[ns]:b} %", '1"']
        if ns in (30, 50, 80):
            body.append('0"')
        if ns == 60:
            body.append("b00001111 #")
    return HEADER + "\n".join(body) + "\n"


def written(text):
    folder = tempfile.mkdtemp()
    path = pathlib.Path(folder, "w.vcd")
    path.write_text(text)
    return path


class ReadAndCut(unittest.TestCase):
    def test_only_the_top_scope_is_read_by_plain_name(self):
        trace = waves.read(written(sample_vcd()))
        self.assertEqual(list(trace.signals), ["clk", "done", "y", "tb_expected_y",
                                               "tb_test_number"])
        self.assertEqual(trace.signals["y"].width, 8)
        self.assertEqual(trace.end, 100 * 10**6)
        self.assertEqual(trace.unit_fs, 1)

    def test_the_cut_gives_every_value_of_the_whole_file_inside_its_window(self):
        # Fault: a value set before the window (y, tb_expected_y) missing at
        # its start, a change outside the window kept, or times shifted.
        source = written(sample_vcd())
        whole = waves.read(source)
        for start, end in [(25 * 10**6, 65 * 10**6), (0, 10**8), (60 * 10**6, 60 * 10**6)]:
            with self.subTest(window=(start, end)):
                target = source.with_name(f"cut-{start}-{end}.vcd")
                waves.cut(source, target, start, end)
                cut = waves.read(target)
                for name, signal in whole.signals.items():
                    for t in range(start, end + 1, 10**6):
                        self.assertEqual(cut.signals[name].value_at(t), signal.value_at(t),
                                         (name, t))
                    self.assertTrue(all(start <= t <= end for t, _ in cut.signals[name].changes))
                self.assertTrue(target.read_text().startswith(HEADER))

    def test_window_from_the_test_number_and_from_done(self):
        trace = waves.read(written(sample_vcd()))
        # Test 3 starts at 40 ns; three rising edges before: 10, 20, 30 ns.
        self.assertEqual(waves.test_window(trace, 3, "clk", "done"),
                         (10 * 10**6, 100 * 10**6, 40 * 10**6))
        # Without the test number: test 3 starts at the second rise of done.
        del trace.signals["tb_test_number"]
        self.assertEqual(waves.test_window(trace, 3, "clk", "done")[2], 40 * 10**6)
        self.assertEqual(waves.test_window(trace, 1, "clk", "done", before=2)[0], 0)

    def test_timescale_units(self):
        text = sample_vcd().replace("  1 fs\n", "  10 ps\n")
        self.assertEqual(waves.read(written(text)).unit_fs, 10**4)


class SecondRun(unittest.TestCase):
    def test_cut_vectors_keep_the_tests_up_to_the_failing_one_and_one_more(self):
        # Fault: the failing test's values left out of the VCD (the bench
        # ends inside the time step of its last check) or tests dropped.
        text = "a : y\n# a comment\n01 : 02\n\n03 : 04\n05 : 06"
        lines = [3, 5, 6]
        cases = [(1, "a : y\n# a comment\n01 : 02\n03 : 04\n"),
                 (2, "a : y\n# a comment\n01 : 02\n\n03 : 04\n05 : 06"),
                 (3, "a : y\n# a comment\n01 : 02\n\n03 : 04\n05 : 06\n05 : 06")]
        for test, want in cases:
            with self.subTest(test=test):
                self.assertEqual(failure_waves.cut_vectors(text, lines, test), want)

    def test_the_second_run_chooses_the_first_runs_tests_up_to_the_failing_one_and_one_more(self):
        # Fault: the second run limited to the failing test alone (--tests),
        # so it ends inside the step of the failing check and the waves lose
        # the failing value; or a chosen later test that the cut file lacks.
        cases = [(None, 66, None),
                 ([66], 66, "66-67"),
                 ([4, 5, 6, 9, 20], 6, "4-7"),
                 ([1, 2, 3, 9, 20], 9, "1-3,9-10"),
                 ([2, 4, 6], 6, "2,4,6-7")]
        for numbers, test, want in cases:
            with self.subTest(numbers=numbers, test=test):
                self.assertEqual(failure_waves.second_run_choice(numbers, test), want)

    def test_cut_data(self):
        data = b"1 2\n3 4\n5 6"
        self.assertEqual(failure_waves.cut_data(data, 1), b"1 2\n3 4\n")
        self.assertEqual(failure_waves.cut_data(data, 3), b"1 2\n3 4\n5 6\n5 6\n")

    def test_failure_time_and_label(self):
        line = "at 89200 ns: a=B6 op=0 y=5B y_expected=5A cycles=2 (vectors file line 2974)"
        self.assertEqual(failure_waves.failure_time(line, 1), 89200 * 10**6)
        self.assertEqual(failure_waves.failure_time(line, 1000), 89200 * 10**3)
        self.assertEqual(failure_waves.failure_time("at 1.5 us: y=1", 1), 15 * 10**8)
        self.assertIsNone(failure_waves.failure_time("POPCOUNT error: inp=3", 1))

        class Test:
            number, line = 7, "at 89200 ns: y=5B y_expected=5A (vectors file line 2974)"
        self.assertEqual(failure_waves.marker_text(Test), "test 7 failed: y=5B y_expected=5A")

    def test_svg_lies_beside_the_wave_file(self):
        self.assertEqual(failure_waves.svg_path("/a b/w.x/f.vcd"), "/a b/w.x/f.svg")
        self.assertEqual(failure_waves.svg_path("/d/f.GHW"), "/d/f.svg")


class CommandLine(unittest.TestCase):
    def test_wave_on_failure_options(self):
        opts = parse_args(["popcount", "--wave-on-failure", "f.vcd"])
        self.assertEqual(opts.wave_on_failure, "f.vcd")
        for argv, message in [
                (["popcount", "--wave-on-failure", "f.txt"], "must end in .ghw or .vcd"),
                (["popcount", "--wave", "f.vcd", "--wave-on-failure", "./f.vcd"],
                 "another file than --wave"),
                (["all", "--wave-on-failure", "f.vcd"], "applies to a single bench")]:
            with self.subTest(argv=argv):
                with self.assertRaisesRegex(BadInput, message):
                    parse_args(argv)


class Diagram(unittest.TestCase):
    def test_values_as_the_port_is_wide(self):
        for bits, width, decimal, want in [
                ("b00000101", 8, False, "05"), ("1", 1, False, "1"), ("b101", 12, False, "005"),
                ("bUUUU", 4, False, "U"), ("bUUUUUUUU", 8, False, "UU"),
                ("b0X01", 4, False, "X"), ("b11", 2, True, "-1"), ("b101", 32, True, "5")]:
            with self.subTest(bits=bits):
                self.assertEqual(timing_svg.hex_value(bits, width, decimal), want)

    def test_every_row_is_named_and_its_values_shown(self):
        # Fault: a label or a value missing, or a name that breaks the XML.
        rows = [timing_svg.Row("clk", [(0, "0"), (5, "1"), (10, "0"), (15, "1")], wave=True),
                timing_svg.Row("a<&>\"b", [(0, "b00000011"), (10, "b00001000")], 8),
                timing_svg.Row("y expected", [(10, "b00000101")], 8, expected=True)]
        text = timing_svg.render(rows, 0, 20, 1.0, (15, "test 2 failed: y=04"), "title")
        root = ElementTree.fromstring(text)
        texts = [t.text for t in root.iter("{http://www.w3.org/2000/svg}text")]
        for want in ("clk", "a<&>\"b", "y expected", "03", "08", "05", "test 2 failed: y=04",
                     "15 ns: test 2 failed: y=04"):
            with self.subTest(want=want):
                self.assertTrue(any(want in (t or "") for t in texts), texts)
        # A value too wide for its segment is still there, as its tooltip.
        narrow = timing_svg.render([timing_svg.Row("w", [(0, "b" + "1" * 64), (1, "b0")], 64)],
                                   0, 1000, 1.0, None, "t")
        titles = [t.text for t in ElementTree.fromstring(narrow).iter(
            "{http://www.w3.org/2000/svg}title")]
        self.assertIn("w = FFFFFFFFFFFFFFFF", titles)
        lines = [l for l in root.iter("{http://www.w3.org/2000/svg}line")
                 if l.get("stroke") == timing_svg.UNKNOWN_COLOUR]
        self.assertEqual(len(lines), 1)


if __name__ == "__main__":
    unittest.main()
