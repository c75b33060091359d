"""--stream, --stall, --seed and --control start=none/done=none without
GHDL: the options' text, the binding to the design's ports, and the first
states of the bench's pseudo-random sequences. What the streams do is tested end to end
(streams_test.py)."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.bench.streams import RANDOM_MODULUS, seed_of  # noqa: E402
from fsmd_sim.cli import is_identifier, parse_args  # noqa: E402
from fsmd_sim.errors import BadInput  # noqa: E402
from fsmd_sim.harness_gen import Options, generate, split_ports, streams_of  # noqa: E402
from fsmd_sim.ports import Port, PortError  # noqa: E402
from fsmd_sim.streams import parse_option  # noqa: E402


def design(*extra, start=True, done=True):
    ports = [Port("clk", "in", "std_logic"), Port("reset", "in", "std_logic"),
             Port("x", "in", "unsigned", 15, 0), Port("x_valid", "in", "std_logic"),
             Port("x_ready", "out", "std_logic"), Port("x_end", "in", "bit"),
             Port("y", "out", "signed", 7, 0), Port("y_valid", "out", "boolean"),
             Port("y_ready", "in", "std_logic"), Port("n", "in", "unsigned", 3, 0), *extra]
    if start:
        ports.append(Port("start", "in", "std_logic"))
    if done:
        ports.append(Port("done", "out", "std_logic"))
    return ports


def options(*specs, **controls):
    return Options("e", controls=controls, streams=[parse_option(s, is_identifier) for s in specs])


class OptionText(unittest.TestCase):
    def test_accepted_streams_and_their_default_ports(self):
        cases = [
            ("x", "x", {"valid": "x_valid", "ready": "x_ready"}),
            ("X, last=X_END", "x", {"valid": "x_valid", "ready": "x_ready", "last": "x_end"}),
            ("y,valid=v,ready=r", "y", {"valid": "v", "ready": "r"}),
        ]
        for text, port, ports in cases:
            with self.subTest(text):
                spec = parse_option(text, is_identifier)
                self.assertEqual((spec.port, spec.ports), (port, ports))

    def test_refused_options_name_the_cause(self):
        cases = [
            ("no port", ",valid=v", "PORT the name of a data port"),
            ("unknown key", "x,data=d", "'data=d' is not KEY=PORT"),
            ("key twice", "x,last=a,last=b", "last is given twice"),
            ("a port in two roles", "x,valid=r,ready=r", "port r has two roles"),
        ]
        for name, text, cause in cases:
            with self.subTest(name):
                with self.assertRaisesRegex(BadInput, re.escape(cause)):
                    parse_option(text, is_identifier)

    def test_command_lines_refused_before_any_design_is_read(self):
        base = ["e", "--design", "e.vhd", "--vectors", "v.txt"]
        cases = [
            (["--stall", "100", "--stream", "x"], "--stall needs a percentage from 0 to 99"),
            (["--stall", "-1", "--stream", "x"], "--stall needs a percentage"),
            (["--seed", "x1", "--stream", "x"], "--seed needs a decimal number"),
            (["--stall", "30"], "give the streams with --stream PORT"),
            (["--stream", "y", "--control", "start=none", "--start-mode", "pulse"],
             "--start-mode pulse needs a start port"),
            (["--stream", "x", "--stream", "x"], "--stream x is given twice"),
            (["--stream", "x", "--stream", "n,valid=x_valid"], "port x_valid belongs to stream x and stream n"),
            (["--stream", "x", "--memory", "m:address=x_ready,read_data=q"],
             "port x_ready belongs to stream x and memory m"),
        ]
        for extra, cause in cases:
            with self.subTest(extra):
                with self.assertRaisesRegex(BadInput, re.escape(cause)):
                    parse_args(base + extra)

    def test_no_start_means_no_done_unless_one_is_named(self):
        base = ["e", "--design", "e.vhd", "--vectors", "v.txt", "--stream", "y"]
        self.assertEqual(parse_args(base + ["--control", "start=none"]).controls,
                         {"start": "none", "done": "none"})
        self.assertEqual(parse_args(base + ["--control", "start=none", "--control", "done=fin"]).controls,
                         {"start": "none", "done": "fin"})


class Binding(unittest.TestCase):
    def test_stream_ports_are_no_scalar_columns(self):
        opts = options("x,last=x_end", "y")
        _, data = split_ports(design(), opts)
        self.assertEqual([p.name for p in data], ["n"])
        columns = [s.column() for s in streams_of(design(), opts)]
        self.assertEqual([(c.name, c.mode, c.kind, c.required, c.max_length) for c in columns],
                         [("x", "in", "stream", True, None), ("y", "out", "stream", False, None)])

    def test_ports_that_do_not_suit_are_refused(self):
        cases = [
            ("missing data port", ["z"], {}, "entity e has no port z"),
            ("missing default valid", ["n"], {}, "no port n_valid (name it with --stream n,valid=PORT)"),
            ("valid of the wrong direction", ["x,valid=x_ready,ready=x_valid"], {},
             "port x_ready of an input stream must be an in port, not out"),
            ("a vector as last", ["x,last=n"], {}, "must be a std_logic or another one-bit type"),
            ("a control port", ["x,last=reset"], {}, "port reset is a control port"),
            ("done=none without an output stream", ["x"], {"done": "none"}, "there is no output stream"),
        ]
        for name, specs, controls, cause in cases:
            with self.subTest(name):
                with self.assertRaisesRegex(PortError, re.escape(cause)):
                    streams_of(design(), options(*specs, **controls))

    def test_a_design_without_start_or_done_gets_a_bench(self):
        # The bench drives a signal of its own in start's place and ends a
        # test once the output streams delivered and the input streams' values
        # were all taken.
        text = generate(design(start=False, done=False), options("x", "y", start="none", done="none"))
        self.assertIn("signal tb_no_start : std_logic;", text)
        self.assertRegex(text, r"tb_delivered <= '1' when \(tb_s0_taken = tb_test_number and"
                               r" tb_s1_delivered = tb_test_number\) or"
                               r" \(tb_s0_empty = tb_test_number\) else '0';")


class FailureDiagram(unittest.TestCase):
    def test_a_role_the_design_lacks_is_drawn_as_the_benchs_signal_in_its_place(self):
        # The diagram takes the clock first and done fourth.
        from fsmd_sim.failure_signals import generated_bench_roles
        roles = generated_bench_roles(design(start=False, done=False),
                                      options("x", "y", start="none", done="none"))
        self.assertEqual(roles.controls, [("clk", "clk"), ("reset", "reset"), ("start", "tb_no_start"),
                                          ("done", "tb_delivered")])
        # The streams' ports are drawn with the data ports.
        self.assertEqual([label for label, _ in roles.ports],
                         ["x", "x_valid", "x_ready", "x_end", "y", "y_valid", "y_ready", "n"])


class Sequence(unittest.TestCase):
    def test_each_stream_starts_from_its_own_valid_state(self):
        # A state of 0 (or the modulus) would repeat forever: a stream that
        # never, or always, stalls.
        starts = {seed_of(seed, k) for seed in (0, 1, 7, 999999999) for k in range(4)}
        self.assertEqual(len(starts), 16)
        self.assertTrue(all(0 < s < RANDOM_MODULUS for s in starts))


if __name__ == "__main__":
    unittest.main()
