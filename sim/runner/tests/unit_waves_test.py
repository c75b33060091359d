"""Tests of --wave-on-failure's pieces without GHDL: reading and cutting a
VCD (waves.py), the window of a test, the cut inputs of the second run and
the failure's time and label (failure_waves.py), the signals the diagram
draws for each port (failure_signals.py), and the SVG timing diagram
(timing_svg.py), parsed back with xml.etree."""
import pathlib
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from fsmd_sim import failure_signals, failure_waves, results, timing_svg, waves
from fsmd_sim.errors import EXIT_FAILED, EXIT_HANG, BadInput
from fsmd_sim.cli import parse_args
from fsmd_sim.harness_gen import Options, generate
from fsmd_sim.ports import Port

SVG = "{http://www.w3.org/2000/svg}"

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
        self.assertEqual(waves.test_window(trace, 3, "clk", "done", number="tb_test_number"),
                         (10 * 10**6, 100 * 10**6, 40 * 10**6))
        # Without the test number: test 3 starts at the second rise of done.
        del trace.signals["tb_test_number"]
        self.assertEqual(waves.test_window(trace, 3, "clk", "done")[2], 40 * 10**6)
        self.assertEqual(waves.test_window(trace, 1, "clk", "done", before=2)[0], 0)

    def test_odd_names_are_read_whole_and_cut_byte_for_byte(self):
        # Extended identifiers as GHDL writes them: blanks, brackets, '$end'
        # and bytes of Latin-1 inside, a vector's range after them. Faults:
        # a name cut at its first blank or bracket (the port missing from
        # the diagram), or the cut copy's bytes decoded and re-encoded.
        names = [("\\a b\\", 8, "\\a b\\[7:0]"), ("\\x[1]\\", 1, "\\x[1]\\"),
                 ("\\v[2]\\", 4, "\\v[2]\\[3:0]"), ("\\a $end b\\", 1, "\\a $end b\\"),
                 ("\\two  blanks\\", 1, "\\two  blanks\\"), ("q", 2, "q[1:0]"),
                 ("\\caf\xe9\\", 1, "\\caf\xe9\\")]
        header = "$timescale\n  1 fs\n$end\n$scope module bench $end\n"
        header += "".join(f"$var reg {w} {chr(33 + i)} {written} $end\n"
                          for i, (_, w, written) in enumerate(names))
        header += "$upscope $end\n$enddefinitions $end\n"
        body = "#0\n" + "".join(f"b{'1' * w} {chr(33 + i)}\n" if w > 1 else f"1{chr(33 + i)}\n"
                                  for i, (_, w, _) in enumerate(names)) + "#10\n0!\n#20\n1!\n"
        folder = pathlib.Path(tempfile.mkdtemp())
        source = folder / "odd.vcd"
        source.write_bytes((header + body).encode("latin-1"))
        trace = waves.read(source)
        for name, width, _ in names:
            if name.isascii():
                with self.subTest(name=name):
                    self.assertEqual(trace.signals[name].width, width)
                    self.assertEqual(len(trace.signals[name].changes), 1 if name != names[0][0]
                                     else 3)
        target = folder / "cut.vcd"
        waves.cut(source, target, 5, 20)
        self.assertTrue(target.read_bytes().startswith(header.encode("latin-1")))
        self.assertIn("\\caf\xe9\\".encode("latin-1"), target.read_bytes())

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
        # The bench's readline ends a line at LF alone. Fault: a lone CR
        # taken for a line's end, so the second run's tests are others.
        self.assertEqual(failure_waves.cut_data(b"1 2\r 9\n3 4\n5 6\n", 1),
                         b"1 2\r 9\n3 4\n")

    def test_the_second_run_ends_soon_after_the_failing_sample(self):
        # Fault: a second run that goes on through a next test that never
        # ends (the first run hung in it), or one stopped before the window.
        class Test:
            line, cycles = "at 70 ns: y=11 y_expected=12 cycles=1 (vectors file line 4)", 1
        stop = failure_waves.second_run_stop(Test, 10**7)
        self.assertEqual(stop, f"{70 * 10**6 + 2 * 6 * 10**7}fs")
        Test.cycles = None
        self.assertEqual(failure_waves.second_run_stop(Test, 10**7), f"{70 * 10**6 + 10 * 10**7}fs")
        Test.line = f"at {2**62 // 10**6} ns: y=11"
        self.assertIsNone(failure_waves.second_run_stop(Test, 10**7))
        Test.line = "POPCOUNT error: inp=00000003"
        self.assertIsNone(failure_waves.second_run_stop(Test, 10**7))
        # A bundled bench's data: the failing line again in place of the
        # next, which never ended.
        self.assertEqual(failure_waves.cut_data(b"1\n2\n3\n", 2, repeat=True), b"1\n2\n2\n")

    def test_lines_end_where_the_vectors_file_ends_them(self):
        # The vectors file's lines end at LF alone: a form feed, a file
        # separator, a lone CR or U+2028 in a comment ends none. Fault: the
        # cut counting lines otherwise than test_lines do, so the second
        # run holds other tests and its waves are of another test.
        for odd in ("\x0c", "\x1c", "\r", "\u2028", "\x85", "\x0b"):
            with self.subTest(odd=repr(odd)):
                text = f"a : y\n# one{odd}two\n01 : 02\n03 : 04 # x{odd}y\n05 : 06\n07 : 08\n"
                lines = [3, 4, 5, 6]
                self.assertEqual(failure_waves.cut_vectors(text, lines, 2),
                                 f"a : y\n# one{odd}two\n01 : 02\n03 : 04 # x{odd}y\n05 : 06\n")
                self.assertEqual(failure_waves.cut_vectors(text, lines, 4),
                                 text + "07 : 08\n")

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


def design_ports(*data):
    return [Port("clk", "in", "std_logic"), Port("reset", "in", "std_logic"),
            Port("start", "in", "std_logic"), Port("done", "out", "std_logic"), *data]


class GeneratedBenchSignals(unittest.TestCase):
    # Ports named like the bench's own words (read, now), an extended name,
    # one that starts with the bench's prefix (the bench's own names then
    # take another), and ports whose names end like another's expected
    # value or the test number.
    PORTS = design_ports(Port("read", "in", "unsigned", 7, 0),
                         Port("\\y=1\\", "out", "unsigned", 7, 0),
                         Port("\\a b\\", "in", "std_logic"),
                         Port("tb_x", "out", "std_logic_vector", 3, 0),
                         Port("expected_tb_x", "out", "std_logic_vector", 3, 0),
                         Port("test_number", "out", "std_logic_vector", 3, 0),
                         Port("now", "out", "std_logic_vector", 3, 0))

    def test_every_signal_the_diagram_looks_for_is_one_the_bench_declares(self):
        # Fault: the diagram looking for tb_<name> or the port's own name,
        # so that a port is missing, or shows another signal's values.
        options = Options("e", controls={"done": "done"})
        declared = {line.strip()[len("signal "):].split(" : ")[0] for line in
                    generate(self.PORTS, options).splitlines()
                    if line.strip().startswith("signal ")}
        roles = failure_signals.generated_bench_roles(self.PORTS, options)
        self.assertEqual([label for label, _ in roles.ports],
                         ["read", "\\y=1\\", "\\a b\\", "tb_x", "expected_tb_x",
                          "test_number", "now"])
        names = ([n for _, n in roles.controls] + [n for _, n in roles.ports]
                 + [n for pair in roles.expected_signals.values() for n in pair] + [roles.number])
        for name in names:
            with self.subTest(name=name):
                self.assertIn(name, declared)
        self.assertEqual(len(set(names)), len(names))
        self.assertEqual((roles.clock, roles.done), ("clk", "done"))

    def test_done_under_another_name_is_still_done(self):
        # Fault: done looked up by its role's name, the last control taken
        # when the port is called otherwise.
        ports = design_ports(Port("y", "out", "unsigned", 7, 0))
        ports[3] = Port("fin", "out", "std_logic")
        roles = failure_signals.generated_bench_roles(
            ports + [Port("ready", "out", "std_logic")],
            Options("e", controls={"done": "fin"}))
        self.assertEqual((roles.clock, roles.done), ("clk", "fin"))

    def test_the_completion_port_is_found_by_its_role_whatever_the_controls(self):
        # Fault: the completion port taken as the fourth control, which with
        # reset=none is ready or no port at all (an IndexError that ended
        # --wave-on-failure with a traceback).
        y = Port("y", "out", "unsigned", 7, 0)
        clk, reset, start = (Port(n, "in", "std_logic") for n in ("clk", "reset", "start"))
        ready = Port("ready", "out", "std_logic")
        cases = [
            ("done, reset", [clk, reset, start, Port("done", "out", "std_logic"), y], {}, "done"),
            ("busy, reset=none", [clk, start, Port("busy", "out", "std_logic"), y],
             {"reset": "none"}, "busy"),
            ("idle, reset=none, ready", [clk, start, Port("idle", "out", "std_logic"), ready, y],
             {"reset": "none"}, "idle"),
            ("done named otherwise, reset=none, ready", [clk, start, Port("fin", "out", "std_logic"), ready, y],
             {"reset": "none", "done": "fin"}, "fin"),
        ]
        for label, ports, controls, done in cases:
            with self.subTest(label):
                roles = failure_signals.generated_bench_roles(ports, Options("e", controls=controls))
                self.assertEqual((roles.clock, roles.done), ("clk", done))

    def test_rows_show_each_port_its_expected_values_and_what_is_unchecked(self):
        roles = failure_signals.generated_bench_roles(self.PORTS, Options("e"))
        names = dict(roles.ports)
        expected, checked = roles.expected_signals["\\y=1\\"]
        trace = waves.Trace()
        signals = [("clk", 1, [(0, "0"), (5, "1")]),
                   (names["read"], 8, [(0, "b00000001")]),
                   (names["\\y=1\\"], 8, [(0, "bUUUUUUUU"), (20, "b00010010")]),
                   (expected, 8, [(0, "b0001----"), (10, "b00000000"), (30, "b00010011")]),
                   # Checked at first, not in the second test, checked again.
                   (checked, 1, [(0, "1"), (10, "0"), (30, "1")]),
                   (names["test_number"], 4, [(0, "b0111")]),
                   (roles.number, 32, [(0, "b1"), (10, "b10"), (30, "b11")])]
        for name, width, changes in signals:
            signal = waves.Signal(name, width, "reg", name)
            signal.changes = changes
            trace.signals[name] = signal
        rows = {row.label: row for row in failure_signals.diagram_rows(trace, roles, 10)}
        self.assertEqual(list(rows), ["clk", "read", "\\y=1\\", "\\y=1\\ expected",
                                      "test_number", "test"])
        shown = [timing_svg.hex_value(v, 8) for _, v in rows["\\y=1\\ expected"].changes]
        self.assertEqual(shown, ["1-", "--", "13"])
        self.assertEqual([timing_svg.hex_value(v, 32, True) for _, v in rows["test"].changes],
                         ["1", "2", "3"])


class Writing(unittest.TestCase):
    """write() on the sample run, its second run replaced by the sample
    VCD: test 3 failed at 60 ns."""

    def run_write(self, folder, name="w.vcd"):
        class Job:
            vectors_text = "a : y\n1 : 1\n2 : 2\n3 : 3\n4 : 4\n"
            ports = design_ports(Port("y", "out", "unsigned", 7, 0))
            options = Options("e")

            class vectors:
                lines = [2, 3, 4, 5]

        outcome = results.Outcome("e")
        outcome.status = EXIT_FAILED
        outcome.tests = [results.Test(1, True, 1, ""), results.Test(2, True, 1, ""),
                         results.Test(3, False, 1, "at 60 ns: y=0F y_expected=01 cycles=1")]
        source = written(sample_vcd())
        return failure_waves.write(str(folder / name), Job, outcome,
                                   lambda inputs, stop: (outcome, str(source)))

    def test_files_beside_file_are_left_alone(self):
        # Fault: the temporaries written under a fixed name beside FILE
        # (FILE.fsmd-sim-new), over a file of the user's of that name.
        folder = pathlib.Path(tempfile.mkdtemp())
        mine = {name: f"mine {name}" for name in ("w.vcd.fsmd-sim-new", "w.svg.fsmd-sim-new",
                                                   ".fsmd-sim-new", "w.ghw")}
        for name, text in mine.items():
            (folder / name).write_text(text)
        result = self.run_write(folder)
        self.assertIsNone(result.problem)
        for name, text in mine.items():
            self.assertEqual((folder / name).read_text(), text)
        self.assertEqual(sorted(p.name for p in folder.iterdir()),
                         sorted(["w.vcd", "w.svg", *mine]))
        self.assertIn("test 3 failed: y=0F y_expected=01",
                      (folder / "w.svg").read_text(encoding="utf-8"))


class BundledBenchSignals(unittest.TestCase):
    def test_the_expected_value_is_the_field_the_bench_reads(self):
        # Whatever follows the last field is not read by the bench. Fault:
        # the line's last word taken for the expected value (a comment), so
        # the diagram shows none or a wrong one.
        class Job:
            spec = {"inputs": ["in1", "in2"], "output": "out1"}
            data = (b"00000001 00000002 00000003\n"
                    b"\t00000004  00000005 0000000a # five\n"
                    b"00000006 00000007 00000008extra 00000009\n")
        for test, want in [(1, "00000003"), (2, "0000000a"), (3, "00000008")]:
            with self.subTest(test=test):
                roles = failure_signals.signal_roles(Job, test)
                self.assertEqual(roles.expected_texts, {"out1": want})
                self.assertEqual((roles.clock, roles.done, roles.number), ("clk", "done", None))


class SecondRunInputs(unittest.TestCase):
    def test_a_next_test_that_hung_is_not_run_again(self):
        # A bundled bench's test 2 failed; the run then hung in test 3 (or
        # went on to its verdict). Fault: the second run given test 3 after
        # the failing one, so that it hangs as long as the first.
        class Job:
            spec = {"inputs": ["in1"], "output": "out1"}
            data = b"00000001 00000001\n00000002 00000003\n000000FF 00000000\n"
        for status, want in [(EXIT_HANG, b"00000002 00000003\n"), (EXIT_FAILED, b"000000FF 00000000\n")]:
            with self.subTest(status=status):
                outcome = results.Outcome("arraysum")
                outcome.status = status
                outcome.tests = [results.Test(1, True, 2, ""),
                                 results.Test(2, False, None, "ARRAYSUM error: in1=00000002")]
                given = []

                def rerun(inputs, stop):
                    given.append((inputs, stop))
                    return outcome, "/nonexistent/waves.vcd"
                failure_waves.write(tempfile.mkdtemp() + "/w.vcd", Job, outcome, rerun)
                (kind, data), stop = given[0]
                self.assertEqual((kind, stop), ("data", None))
                self.assertEqual(data, b"00000001 00000001\n00000002 00000003\n" + want)


class LastTestOfABundledBench(unittest.TestCase):
    def test_the_summary_says_what_the_waves_lack(self):
        # The bench reads no line after its limit, so the second run cannot
        # go on past the failing check and GHDL's VCD lacks that step.
        # Fault: a diagram without the failing value, named as if complete.
        class Job:
            name, spec = "arraysum", {"ntests_max": 10}
        for test, noted in [(9, False), (10, True)]:
            with self.subTest(test=test):
                line = failure_waves.FailureWaves(test, "/w.vcd", "/w.svg",
                                                  note=failure_waves.last_step_note(Job, test)
                                                  ).summary_line("arraysum")
                self.assertTrue(line.startswith(f"arraysum: waves of failing test {test}: /w.vcd"
                                                " (timing diagram /w.svg)"))
                self.assertEqual("end just before the failing sample" in line, noted, line)
        self.assertIsNone(failure_waves.last_step_note(object(), 10**6))


class SameDesign(unittest.TestCase):
    def test_the_second_run_simulates_the_design_the_first_read(self):
        # Fault: the second run reading the design files again, after the
        # user edited one during a long first run: the waves of another
        # design, which may not even fail.
        from fsmd_sim.anydesign import DesignJob
        folder = pathlib.Path(tempfile.mkdtemp())
        design, other, vectors = folder / "d.vhd", folder / "e.vhd", folder / "v.txt"
        design.write_text("-- as run\n")
        other.write_text("-- package\n")
        vectors.write_text("a : y\n1 : 1\n")
        first = DesignJob(Options("d"), [str(design), str(other)], str(vectors))
        first.sources.reorder(["design-2.vhd", "design-1.vhd"])  # GHDL's order
        design.write_text("-- edited since\n")
        second = failure_waves.with_first_design(
            DesignJob(Options("d"), [str(design), str(other)], str(vectors)), first)
        self.assertEqual([(c, s, d) for c, s, d in second.sources.items],
                         [("design-1.vhd", str(design), b"-- as run\n"),
                          ("design-2.vhd", str(other), b"-- package\n")])


class CommandLine(unittest.TestCase):
    def test_the_files_written_are_none_the_run_reads_or_writes_else(self):
        # Fault: FILE or FILE.svg naming the vectors, a design, the test
        # data or the JUnit file, removed when the run starts and replaced
        # after it.
        folder = pathlib.Path(tempfile.mkdtemp())
        (folder / "t.vcd").write_text("a : y\n")
        (folder / "link.vcd").symlink_to(folder / "t.vcd")
        (folder / "d.svg").write_text("entity e is end;\n")
        any_design = ["e", "--vectors", str(folder / "t.vcd"), "--design", str(folder / "d.svg")]
        for argv, message in [
                (any_design + ["--wave-on-failure", str(folder / "t.vcd")],
                 "would replace the vectors file"),
                (any_design + ["--wave-on-failure", str(folder / "link.vcd")],
                 "would replace the vectors file"),
                (any_design + ["--wave-on-failure", str(folder / "d.vcd")],
                 r"\(its timing diagram .*d.svg\) would replace the design file"),
                (["popcount", "--data", "x.ghw", "--wave-on-failure", "x.ghw"],
                 "would replace the test-data file"),
                (["popcount", "--junit", "w.svg", "--wave-on-failure", "w.vcd"],
                 "would replace the --junit file w.svg"),
                (["popcount", "--junit", "w.vcd", "--wave-on-failure", "w.vcd"],
                 "would replace the --junit file w.vcd")]:
            with self.subTest(argv=argv[-1]):
                with self.assertRaisesRegex(BadInput, message):
                    parse_args(argv)
        self.assertEqual(parse_args(any_design + ["--wave-on-failure", str(folder / "w.vcd")])
                         .wave_on_failure, str(folder / "w.vcd"))

    def test_the_junit_file_is_no_file_the_run_reads_or_writes_else(self):
        # Fault: --junit naming the vectors file or a design (through a link
        # too), replaced by the JUnit text when the run ends.
        folder = pathlib.Path(tempfile.mkdtemp())
        (folder / "t.vectors").write_text("a : y\n")
        (folder / "link.xml").symlink_to(folder / "t.vectors")
        (folder / "d.vhd").write_text("entity e is end;\n")
        any_design = ["e", "--vectors", str(folder / "t.vectors"), "--design", str(folder / "d.vhd")]
        for argv, message in [
                (any_design + ["--junit", str(folder / "t.vectors")], "would replace the vectors file"),
                (any_design + ["--junit", str(folder / "link.xml")], "would replace the vectors file"),
                (any_design + ["--junit", str(folder / "d.vhd")], "would replace the design file"),
                (["popcount", "--data", "x.txt", "--junit", "x.txt"], "would replace the test-data file"),
                (["popcount", "--wave", "w.vcd", "--junit", "w.vcd"], "would replace the --wave file")]:
            with self.subTest(argv=argv[-1]):
                with self.assertRaisesRegex(BadInput, "--junit .*" + message):
                    parse_args(argv)
        self.assertEqual(parse_args(any_design + ["--junit", str(folder / "j.xml")]).junit,
                         str(folder / "j.xml"))

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
    def test_a_long_name_stays_clear_of_the_waves(self):
        # Fault: a name wider than the fixed column drawn under the waves.
        for length in (3, 25, 60):
            with self.subTest(length=length):
                name = "\\" + "n" * (length - 2) + "\\"
                text = timing_svg.render([timing_svg.Row(name, [(0, "b0001"), (5, "b0010")], 4),
                                          timing_svg.Row("clk", [(0, "0"), (5, "1")], wave=True)],
                                         0, 10, 1.0, (5, "x"), "t")
                root = ElementTree.fromstring(text)
                label = next(t for t in root.iter(f"{SVG}text") if t.text == name)
                right = float(label.get("x")) + 7.5 * len(name)
                xs = [float(p.split(",")[0]) for e in root.iter()
                      if e.tag in (f"{SVG}polygon", f"{SVG}polyline")
                      for p in e.get("points").split()]
                self.assertGreater(min(xs), right)
                self.assertGreaterEqual(float(root.get("width")), max(xs))

    def test_values_as_the_port_is_wide(self):
        for bits, width, decimal, want in [
                ("b00000101", 8, False, "05"), ("1", 1, False, "1"), ("b101", 12, False, "005"),
                ("bUUUU", 4, False, "U"), ("bUUUUUUUU", 8, False, "UU"),
                ("b0X01", 4, False, "X"), ("b11", 2, True, "-1"), ("b101", 32, True, "5"),
                # Expected values with unchecked digits ('-' bits). Fault:
                # drawn as unknown ("XX"), or digits counted from the left.
                ("b0001----", 8, False, "1-"), ("b----0100", 8, False, "-4"),
                ("b--0100", 6, False, "-4"), ("b1----0100", 10, False, "1-4"),
                ("b00-1", 4, False, "X"), ("b--------", 8, False, "--"),
                ("b1----", 8, False, "1-")]:
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
