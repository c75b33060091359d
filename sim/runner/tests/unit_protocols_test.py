"""How a test starts and ends, without GHDL: the options that describe it,
the control ports they choose, the bench pieces they give, and the pipeline
figures read back from the results file. What the bench does when run is
tested end to end in protocols_test.py."""
import re
import unittest

from fsmd_sim import cli
from fsmd_sim.bench.clock_reset import reset
from fsmd_sim.bench.completion import ending, watch
from fsmd_sim.bench.names import Names
from fsmd_sim.errors import BadInput
from fsmd_sim.harness_gen import Options, generate, split_ports
from fsmd_sim.ports import Port, PortError
from fsmd_sim.report import summary_line
from fsmd_sim.results import Outcome, parse_pipeline_figures

ANY = ["qmac", "--design", "q.vhd", "--vectors", "q.vectors"]


def ports(*names, ready=False):
    """clk, reset, start, a, y and an output std_logic per name."""
    base = [Port("clk", "in", "std_logic"), Port("reset", "in", "std_logic"),
            Port("start", "in", "std_logic"), Port("a", "in", "unsigned", 7, 0),
            Port("y", "out", "unsigned", 7, 0)]
    return base + [Port(n, "out", "std_logic") for n in names] + (
        [Port("ready", "out", "std_logic")] if ready else [])


def processes(text):
    """Process label -> body text."""
    return dict(re.findall(r"^  (\w+) : process.*?\n(.*?)^  end process \1;", text, re.S | re.M))


class CommandLine(unittest.TestCase):
    def test_defaults_and_values(self):
        cases = [
            ([], (1, 0, 0, False, {})),
            (["--reset-cycles", "3", "--after-reset=4", "--output-delay", "2"], (3, 4, 2, False, {})),
            (["--overlap", "--control", "reset=none"], (1, 0, 0, True, {"reset": "none"})),
            (["--control", "busy=Working"], (1, 0, 0, False, {"busy": "working"})),
            # Without start, no completion port unless one is named.
            (["--control", "start=none"], (1, 0, 0, False, {"start": "none", "done": "none"})),
            (["--control", "start=none", "--control", "idle=fin"],
             (1, 0, 0, False, {"start": "none", "idle": "fin"})),
            (["--control", "done=none", "--output-delay", "1"], (1, 0, 1, False, {"done": "none"})),
        ]
        for extra, expected in cases:
            with self.subTest(extra):
                o = cli.parse_args(ANY + extra)
                self.assertEqual((o.reset_cycles, o.after_reset, o.output_delay, o.overlap, o.controls),
                                 expected)

    def test_refusals_name_the_cause(self):
        cases = [
            (["--reset-cycles", "0"], "--reset-cycles must be from 1"),
            (["--after-reset", "-1"], "--after-reset needs a whole number of clock cycles"),
            (["--output-delay", "1000001"], "--output-delay must be from 0 to 1000000"),
            (["--output-delay", "٣"], "--output-delay needs a whole number"),
            (["--control", "done=fin", "--control", "busy=b"], "done and busy: a test ends by one"),
            (["--clock-period", "2ms", "--max-cycles", "1000", "--reset-cycles", "1000000"],
             "too long for a VHDL time"),
            (["--control", "ready=none"], "only reset, start and done may be none"),
            (["--control", "busy=none"], "only reset, start and done may be none"),
            (["--overlap", "--control", "start=none"], "--overlap offers the next test"),
            (["--overlap", "--control", "done=none"], "--overlap offers the next test"),
            (["--overlap", "--stream", "x"], "--memory and --stream load and check one test"),
            (["--overlap", "--memory", "m:address=a,read_data=q"],
             "--memory and --stream load and check one test"),
            (["--control", "done=busy"], None),
            (["--overlap", "--start-mode", "level"], "--overlap drives start itself"),
            (["--overlap", "--jobs", "2", "--independent-tests"], "--overlap needs the whole run in one process"),
        ]
        for extra, message in cases:
            with self.subTest(extra):
                if message is None:
                    cli.parse_args(ANY + extra)
                    continue
                with self.assertRaises(BadInput) as caught:
                    cli.parse_args(ANY + extra)
                self.assertIn(message, str(caught.exception))

    def test_bundled_benches_take_none_of_them(self):
        for option in (["--overlap"], ["--reset-cycles", "2"], ["--after-reset", "1"], ["--output-delay", "1"]):
            with self.subTest(option):
                with self.assertRaises(BadInput) as caught:
                    cli.parse_args(["fibo", *option])
                self.assertIn("any-design mode", str(caught.exception))


class CompletionPort(unittest.TestCase):
    def test_found_by_name_in_order_or_as_named(self):
        cases = [
            # (output ports, --control, the role and port that end a test)
            (("done", "busy", "idle"), {}, ("done", "done")),
            (("busy", "idle"), {}, ("busy", "busy")),
            (("idle",), {}, ("idle", "idle")),
            (("done", "busy"), {"busy": "busy"}, ("busy", "busy")),
            (("fin",), {"idle": "fin"}, ("idle", "fin")),
        ]
        for names, controls, (role, port) in cases:
            with self.subTest(names=names, controls=controls):
                found, data = split_ports(ports(*names), Options("qmac", controls=controls))
                self.assertEqual(found[role].name, port)
                self.assertEqual(len([r for r in ("done", "busy", "idle") if r in found]), 1)
                # The other flags are data outputs.
                self.assertEqual({p.name for p in data}, {"a", "y", *names} - {port})

    def test_none_of_the_three_names_the_three_roles(self):
        with self.assertRaises(PortError) as caught:
            split_ports(ports("free"), Options("qmac"))
        for role in ("done", "busy", "idle"):
            self.assertRegex(str(caught.exception), rf"\b{role}\b")

    def test_reset_none_and_ready_under_overlap(self):
        found, _ = split_ports(ports("done")[:1] + ports("done")[2:], Options("qmac", controls={"reset": "none"}))
        self.assertNotIn("reset", found)
        with self.assertRaises(PortError) as caught:
            split_ports(ports("done"), Options("qmac", overlap=True))
        self.assertIn("--overlap needs a ready port", str(caught.exception))
        found, _ = split_ports(ports("done", ready=True), Options("qmac", overlap=True))
        self.assertEqual(found["ready"].name, "ready")


class Pieces(unittest.TestCase):
    def names(self, *flags, **options):
        options = Options("qmac", **options)
        controls, _ = split_ports(ports(*flags), options)
        return Names(ports(*flags), controls, options), options

    def test_each_role_ends_where_its_port_changes_into_its_finishing_level(self):
        cases = [("done", "done = '1' and tb_done_at_edge = '0'", "done = '1'"),
                 ("busy", "busy = '0' and tb_busy_at_edge = '1'", "busy = '0'"),
                 ("idle", "idle = '1' and tb_idle_at_edge = '0'", "idle = '1'")]
        for role, expression, clears in cases:
            with self.subTest(role):
                names, options = self.names(role)
                self.assertEqual(ending(names), expression)
                body = "\n".join(watch(options, names)["processes"])
                self.assertIn(f"tb_{role}_at_edge <= {role};", body)
                self.assertIn(f"if now <= tb_reset_time or {clears} then", body)

    def test_reset_cycles_idle_cycles_and_no_reset_port(self):
        cases = [
            ({}, "tb_clk_period * 1;", "wait for tb_clk_period;"),
            ({"reset_cycles": 3, "after_reset": 2}, "tb_clk_period * 5;", "wait for tb_clk_period * 3;"),
            ({"controls": {"reset": "none"}, "reset_cycles": 2}, "tb_clk_period * 2;", None),
        ]
        for options, first_start, hold in cases:
            with self.subTest(options):
                names, opts = self.names("done", **options)
                piece = reset(opts, names)
                self.assertIn(f"constant tb_reset_time : time := {first_start}", piece["declarations"][-1])
                body = "\n".join(piece.get("processes", []))
                if hold is None:
                    self.assertEqual(body, "")
                else:
                    self.assertIn(hold, body)

    def test_output_delay_waits_after_the_end_and_before_the_check(self):
        text = generate(ports("done"), Options("qmac", output_delay=3))
        wait, check = text.index("wait for tb_clk_period * 3;"), text.index("tb_passed := true;")
        self.assertLess(text.index("tb_cycles := tb_ncycles;"), wait)
        self.assertLess(wait, check)
        self.assertNotIn("wait for tb_clk_period * 0", generate(ports("done"), Options("qmac")))

    def test_under_overlap_the_bench_process_alone_drives_start_and_inputs_after_the_edge(self):
        text = generate(ports("done", ready=True), Options("qmac", overlap=True))
        bodies = processes(text)
        for signal in ("start", "a"):
            drivers = sorted(label for label, body in bodies.items() if re.search(rf"^\s*{signal} <=", body, re.M))
            self.assertEqual(drivers, ["tb_bench"], signal)
        self.assertIn("a <= transport unsigned(tb_offered_a(7 downto 0)) after inputs_delay;", text)
        self.assertIn("tb_offered_a := tb_from_hex(node.text(at to at + 1));", text)
        self.assertIn("constant tb_handover : time := tb_clk_period / 2 + 1 fs;", text)
        # Offered lines are kept for the check: the file is read once.
        self.assertEqual(text.count("readline(tb_vectors, "), 2)
        # The line of results shows the value read for the test, not the port.
        self.assertIn("write(tb_result, tb_shown_a(2 to 3));", text)

    def test_every_process_has_a_comment(self):
        for flags, options in ((("busy",), {}), (("idle",), {"start_mode": "pulse"}),
                               (("done",), {"controls": {"reset": "none"}}),
                               (("done",), {"overlap": True, "output_delay": 2})):
            with self.subTest(flags=flags, options=options):
                lines = generate(ports(*flags, ready=True), Options("qmac", **options)).splitlines()
                heads = [i for i, line in enumerate(lines) if re.match(r"  \w+ : process", line)]
                self.assertGreaterEqual(len(heads), 3)
                for i in heads:
                    self.assertTrue(lines[i - 1].lstrip().startswith("--"), lines[i])


class PipelineFigures(unittest.TestCase):
    def test_the_results_line_and_the_summary(self):
        cases = [
            ("interval min / mean / max: 2 / 2.0 / 2 cycles; throughput: 493.8 tests per 1,000 cycles",
             ("2 / 2.0 / 2", "493.8")),
            ("interval min / mean / max: - / - / - cycles; throughput: 166.7 tests per 1,000 cycles",
             ("- / - / -", "166.7")),
            ("interval 2 cycles; throughput: 1 tests per 1,000 cycles", None),
            ("interval min / mean / max: 2 / 2.0 / 2 cycles; throughput: 4", None),
        ]
        for text, expected in cases:
            with self.subTest(text):
                outcome = Outcome("p")
                self.assertEqual(parse_pipeline_figures(outcome, text), expected is not None)
                self.assertEqual((outcome.interval, outcome.throughput), expected or (None, None))
                line = summary_line(outcome)
                if expected:
                    self.assertTrue(line.endswith(f"; interval between accepted starts min / mean / max:"
                                                  f" {expected[0]} cycles; throughput: {expected[1]}"
                                                  " tests per 1,000 cycles"), line)
                else:
                    self.assertNotIn("interval", line)


if __name__ == "__main__":
    unittest.main()
