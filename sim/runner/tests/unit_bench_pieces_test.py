"""The pieces of the generated bench, each alone on its text, and the
template they fill. Whether the bench behaves is tested end to end in
anydesign_test.py; here, that each piece says what it owns and nothing
else, and that the template puts every line where its slot is."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.bench.checker import checked_flags, output_checker  # noqa: E402
from fsmd_sim.bench.clock_reset import clock, reset  # noqa: E402
from fsmd_sim.bench.completion import HANG_REPORT, wait_for_end, watch  # noqa: E402
from fsmd_sim.bench.start import start  # noqa: E402
from fsmd_sim.bench.driver import input_driver  # noqa: E402
from fsmd_sim.bench.names import Names  # noqa: E402
from fsmd_sim.bench.template import TemplateError, bench_template, block_slots, dedent, fill  # noqa: E402
from fsmd_sim.bench.verdict import FAILED_REPORT, FINAL_REPORT_KIND, PASSED_REPORT, results_and_verdict  # noqa: E402
from fsmd_sim.harness_gen import Options, generate, split_ports  # noqa: E402
from fsmd_sim.ports import Port  # noqa: E402

CONTROLS = [Port("clk", "in", "std_logic"), Port("rst_n", "in", "std_logic"),
            Port("go", "in", "std_logic"), Port("fin", "out", "std_logic")]
RENAMED = {"clk": "clk", "reset": "rst_n", "start": "go", "done": "fin"}


def names_of(ports=(), **options):
    options = Options("qmac", controls=RENAMED, **options)
    controls, _ = split_ports(CONTROLS + list(ports), options)
    return Names(CONTROLS + list(ports), controls, options), options


def text(piece, slot):
    return "\n".join(piece.get(slot, []))


def assigned(piece):
    """Signals a piece drives (`name <=`), over all its slots."""
    return sorted(set(re.findall(r"^\s*(\w+) <=", "\n".join(sum(piece.values(), [])), re.M)))


class Template(unittest.TestCase):
    TEMPLATE = "head @p@x\n  @one@\nmid\n    @two@\nend @p@\n"

    def test_block_slots_take_the_pieces_lines_in_order_indented_as_the_slot(self):
        cases = [
            # (pieces, expected text, fault it would catch)
            ([{"one": ["a", "", "b"]}, {"one": ["c"], "two": ["d"]}],
             "head tb_x\n  a\n\n  b\n  c\nmid\n    d\nend tb_\n",
             "lines out of piece order, or blank lines indented into trailing blanks"),
            ([], "head tb_x\nmid\nend tb_\n", "an empty slot left as a line or as @one@"),
            ([{"two": ["  if x then", "  end if;"]}],
             "head tb_x\nmid\n      if x then\n      end if;\nend tb_\n",
             "the piece's own indent lost"),
        ]
        for pieces, expected, fault in cases:
            with self.subTest(fault):
                self.assertEqual(fill(self.TEMPLATE, {"p": "tb_"}, pieces), expected)

    def test_blocks_lose_their_common_indent_as_textwrap_takes_it(self):
        import textwrap
        cases = ["\n    a\n      b\n    c\n", "  a\n\n  b", "    a\n  \n      b\n   ", "a\n  b",
                 "", "\n\n", "      x <= y;  \n        z;\n", "  \\odd name\\ <= 1;\n   q"]
        for text in cases:
            with self.subTest(text=text):
                self.assertEqual(dedent(text), textwrap.dedent(text))

    def test_a_misspelt_slot_or_a_word_without_value_is_an_error(self):
        cases = [("slot the template lacks", {"p": "tb_"}, [{"onne": ["x"]}], "@onne@"),
                 ("word without value", {}, [], "@p@"),
                 ("two lines in one item, the second not indented", {"p": "tb_"},
                  [{"one": ["a\nb"]}], "@one@ holds a line break")]
        for fault, words, pieces, message in cases:
            with self.subTest(fault):
                with self.assertRaises(TemplateError) as caught:
                    fill(self.TEMPLATE, words, pieces)
                self.assertIn(message, str(caught.exception))

    def test_the_bench_template_has_the_slots_the_pieces_fill(self):
        expected = {"declarations", "functions", "instance", "processes", "bench_variables",
                    "before_tests", "next_test", "read_test", "run_test", "check_outputs", "result_head",
                    "result_fields", "result_measures", "after_test", "after_tests"}
        self.assertEqual(set(block_slots(bench_template())), expected)


    def test_port_values_are_written_for_failing_tests_or_on_request_only(self):
        ports = CONTROLS + [Port("a", "in", "signed", 7, 0), Port("y", "out", "std_logic", None, None)]
        lines = [line.strip() for line in generate(ports, Options("qmac", controls=RENAMED)).splitlines()]
        guard = lines.index("if not tb_passed or tb_passing_values then")
        end = lines.index("end if;", guard)
        fields = [i for i, line in enumerate(lines) if line.startswith("write(tb_result, string'(\" ")
                  and ("a=" in line or "y=" in line or "y_expected=" in line)]
        self.assertEqual(len(fields), 3)
        self.assertTrue(all(guard < i < end for i in fields), (guard, end, fields))
        # The cycles follow on every test's line.
        self.assertGreater(lines.index("write(tb_result, string'(\" cycles=\"));"), end)


class PortConversions(unittest.TestCase):
    def test_each_port_type_converts_to_and_from_std_logic_vector(self):
        cases = [
            # (port, as_slv("s"), from_slv("v(7 downto 0)"))
            (Port("s", "in", "std_logic"), "std_logic_vector'(0 => s)", "v(7 downto 0)(0)"),
            (Port("s", "in", "std_logic_vector", 7, 0), "s", "v(7 downto 0)"),
            (Port("s", "in", "signed", 7, 0), "std_logic_vector(s)", "signed(v(7 downto 0))"),
            (Port("s", "in", "unsigned", 7, 0), "std_logic_vector(s)", "unsigned(v(7 downto 0))"),
            (Port("s", "in", "std_ulogic_vector", 0, 7, True), "std_logic_vector(s)",
             "std_ulogic_vector(v(7 downto 0))"),
        ]
        for port, to_slv, from_slv in cases:
            with self.subTest(port):
                self.assertEqual(port.as_slv("s"), to_slv)
                self.assertEqual(port.from_slv("v(7 downto 0)"), from_slv)

    def test_the_bench_uses_the_port_s_own_conversions(self):
        # A new port kind brings its conversions; the driver and checker
        # must not convert on their own.
        class Odd(Port):
            def as_slv(self, signal_name):
                return f"odd_to_slv({signal_name})"

            def from_slv(self, expression):
                return f"odd_from_slv({expression})"

        ports = CONTROLS + [Odd("a", "in", "std_logic_vector", 3, 0),
                            Odd("y", "out", "std_logic_vector", 3, 0)]
        bench = generate(ports, Options("qmac", controls=RENAMED))
        self.assertIn("a <= odd_from_slv(tb_value_a(3 downto 0));", bench)
        self.assertIn("and to_X01(odd_to_slv(y)) /= tb_value_y(3 downto 0) then", bench)
        self.assertIn("write(tb_result, tb_image(odd_to_slv(a)));", bench)


class Pieces(unittest.TestCase):
    def test_each_frame_piece_drives_only_its_own_signals(self):
        names, level = names_of()
        _, pulse = names_of(start_mode="pulse")
        cases = [
            ("clock", clock(level, names), ["clk"]),
            ("reset", reset(level, names), ["rst_n"]),
            ("level start", start(level, names), ["go"]),
            ("pulsed start", start(pulse, names), ["go"]),
            ("completion watch", watch(level, names), ["tb_done_at_edge", "tb_done_low_at", "tb_ncycles"]),
            ("wait for the end", wait_for_end(level, names), ["tb_tests_ended"]),
            ("verdict", results_and_verdict(names), []),
        ]
        for what, piece, signals in cases:
            with self.subTest(what):
                self.assertEqual(assigned(piece), signals)

    def test_reset_polarity_and_length(self):
        for active, first, then in (("high", "'1'", "'0'"), ("low", "'0'", "'1'")):
            with self.subTest(active):
                names, options = names_of(reset_active=active)
                body = text(reset(options, names), "processes")
                self.assertRegex(body, rf"rst_n <= {first};\n\s*wait for tb_clk_period;"
                                       rf"\n\s*rst_n <= {then};")

    def test_start_and_completion_never_read_the_reset_port(self):
        # Another reset scheme (none, several cycles) changes the reset piece
        # alone; the others know only reset_time.
        for mode in ("level", "pulse"):
            with self.subTest(mode):
                names, options = names_of(start_mode=mode)
                for piece in (start(options, names), watch(options, names), wait_for_end(options, names)):
                    self.assertNotIn("rst_n", "\n".join(sum(piece.values(), [])))
                    self.assertIn("tb_reset_time", text(piece, "processes") + text(piece, "run_test"))

    def test_start_modes(self):
        wait = "wait until clk = '1' and clk'event;"
        pulse = ["go <= '1';", wait, "go <= '0';"]
        cases = [
            # (options, slot, lines that must be there in this order, how many
            # edges the bench waits for in the slot)
            ({}, "processes", ["go <= '0';", "wait for tb_reset_time;", "go <= '1';"], 0),
            ({"start_mode": "pulse"}, "before_tests", ["go <= '0';"], 0),
            # Caught fault: the next test's pulse at the edge at which done ended
            # the test before, so that a design done in one cycle kept done at
            # '1' and its next test was a hang.
            ({"start_mode": "pulse"}, "run_test", ["if tb_pulsed then", wait, "end if;", "tb_pulsed := true;"]
             + pulse, 2),
            # The edge that ended the test before is past when the next is read.
            ({"start_mode": "pulse", "output_delay": 1}, "run_test", pulse, 1),
        ]
        for options, slot, wanted, edges in cases:
            with self.subTest(options=options, slot=slot):
                names, opts = names_of(**options)
                body = [line.strip() for line in start(opts, names)[slot]]
                at = 0
                for line in wanted:
                    at = body.index(line, at) + 1
                self.assertEqual(body.count(wait), edges)
        # busy and idle: the end's level is the one a new start leaves.
        for role in ("busy", "idle"):
            with self.subTest(role):
                controls = [Port("clk", "in", "std_logic"), Port("rst_n", "in", "std_logic"),
                            Port("go", "in", "std_logic"), Port(role, "out", "std_logic")]
                options = Options("qmac", controls={"reset": "rst_n", "start": "go"}, start_mode="pulse")
                found, _ = split_ports(controls, options)
                body = [line.strip() for line in start(options, Names(controls, found, options))["run_test"]]
                self.assertEqual(body.count(wait), 1)

    def test_a_hang_writes_its_line_and_the_failed_verdict_and_reports_the_test(self):
        names, options = names_of(max_cycles=77)
        run = text(wait_for_end(options, names), "run_test")
        self.assertIn(f'report "{HANG_REPORT}" & integer\'image(tb_number) severity failure;', run)
        self.assertIn('string\'("QMAC test has not passed")', run)
        self.assertIn("constant tb_max_cycles : integer := 77;",
                      text(watch(options, names), "declarations"))

    def test_verdict_reports_are_the_texts_fsmd_sim_looks_for(self):
        names, _ = names_of()
        after = text(results_and_verdict(names), "after_tests")
        for report in (PASSED_REPORT, FAILED_REPORT):
            self.assertIn(f'report "{report}" severity note;', after)
        # A failing assertion would make GHDL's gcc back end print a backtrace.
        self.assertNotIn("severity failure", after)
        self.assertEqual(FINAL_REPORT_KIND, "report note")

    def test_passing_values_only_on_request(self):
        cases = [
            # (option, constant, fault it would catch)
            ({}, "false", "values of passing tests written by default"),
            ({"passing_values": True}, "true", "--passing-values ignored"),
        ]
        for option, value, fault in cases:
            with self.subTest(fault):
                names, options = names_of(**option)
                declarations = text(results_and_verdict(names, options), "declarations")
                self.assertIn(f"constant tb_passing_values : boolean := {value};", declarations)

    def test_the_clock_stops_once_the_verdict_is_written(self):
        names, options = names_of()
        body = [line.strip() for line in clock(options, names)["processes"]]
        self.assertIn("elsif not tb_finished then", body)
        self.assertLess(body.index("elsif not tb_finished then"),
                        body.index("clk <= not clk after tb_clk_period / 2;"))

    def test_driver_and_checker_read_one_field_each_at_the_port_s_width(self):
        a, y = Port("a", "in", "signed", 9, 0), Port("y", "out", "std_ulogic", None, None)
        names, _ = names_of([a, y])
        cases = [
            ("driver", input_driver(a, names),
             ["hread(tb_vector, tb_value_a);", "a <= signed(tb_value_a(9 downto 0));"],
             "variable tb_value_a : std_logic_vector(11 downto 0);", ['" a="']),
            ("checker", output_checker(y, "tb_flags(2)", names),
             ["hread(tb_vector, tb_value_y);", "tb_expected_y <= tb_value_y(0 downto 0);",
              "tb_checked_y <= tb_flags(2) = 'c';"],
             "variable tb_value_y : std_logic_vector(3 downto 0);", ['" y="', '" y_expected="']),
        ]
        for what, piece, read, variable, labels in cases:
            with self.subTest(what):
                self.assertEqual(piece["read_test"], read)
                self.assertEqual(piece["bench_variables"], [variable])
                fields = text(piece, "result_fields")
                self.assertEqual([label for label in labels if label in fields], labels)

    def test_a_checker_compares_only_when_its_flag_says_so(self):
        y = Port("y", "out", "std_logic_vector", 7, 0)
        names, _ = names_of([y])
        check = text(output_checker(y, "tb_flags(3)", names), "check_outputs")
        self.assertIn("if tb_flags(3) = 'c' and y /= tb_value_y(7 downto 0)", check)
        self.assertIn("tb_passed := false;", check)

    def test_flags_one_character_per_output(self):
        names, _ = names_of()
        for count in (1, 3):
            with self.subTest(count):
                piece, flags = checked_flags([None] * count, names)
                self.assertEqual(piece["bench_variables"], [f"variable tb_flags : string(1 to {count});"])
                self.assertEqual(flags, [f"tb_flags({i})" for i in range(1, count + 1)])


class Readable(unittest.TestCase):
    def test_every_process_has_a_comment(self):
        ports = CONTROLS + [Port("a", "in", "signed", 7, 0), Port("y", "out", "std_logic", None, None)]
        for mode in ("level", "pulse"):
            with self.subTest(mode):
                lines = generate(ports, Options("qmac", controls=RENAMED, start_mode=mode)).splitlines()
                heads = [i for i, line in enumerate(lines) if re.match(r"  \w+ : process", line)]
                self.assertGreaterEqual(len(heads), 4)
                for i in heads:
                    self.assertTrue(lines[i - 1].lstrip().startswith("--"), lines[i])


if __name__ == "__main__":
    unittest.main()
