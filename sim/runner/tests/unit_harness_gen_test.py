"""The generated bench's text, without GHDL: control ports found by name or
renamed, one driver per signal in both start modes, reset polarity, names
that cannot clash with the design's ports. What the bench does when run is
tested end to end."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.harness_gen import Options, generate, split_ports  # noqa: E402
from fsmd_sim.ports import Port, PortError  # noqa: E402


def design(clk="clk", reset="reset", start="start", done="done", ready="ready", extra=()):
    ports = [Port(clk, "in", "std_logic"), Port(reset, "in", "std_logic"), Port(start, "in", "std_logic"),
             Port("a", "in", "signed", 15, 0), Port("y", "out", "std_logic_vector", 15, 0),
             Port("sat", "out", "std_ulogic"), Port(done, "out", "std_logic")]
    if ready:
        ports.append(Port(ready, "out", "std_logic"))
    return ports + list(extra)


def processes(text):
    """Process label -> body text."""
    return dict(re.findall(r"^  (\w+) : process.*?\n(.*?)^  end process \1;", text, re.S | re.M))


def drivers(text, signal):
    return sorted(label for label, body in processes(text).items()
                  if re.search(rf"^\s*{signal} <=", body, re.M))


class Controls(unittest.TestCase):
    def test_missing_or_unsuitable_control_ports_are_named(self):
        cases = [
            ("no clock", design(clk="clock"), {}, "has no port clk for the role clk (name it with --control clk=PORT)"),
            ("renamed to a missing port", design(), {"clk": "ap_clk"}, "has no port ap_clk for the role clk"),
            ("vector as done", design(done="d") + [Port("done", "out", "std_logic_vector", 1, 0)], {},
             "port done (done) of entity qmac must be a std_logic"),
            ("start as output", design(start="s") + [Port("start", "out", "std_logic")], {},
             "port start (start) of entity qmac must be an in port"),
        ]
        for name, ports, controls, message in cases:
            with self.subTest(name):
                with self.assertRaises(PortError) as caught:
                    generate(ports, Options("qmac", controls=controls))
                self.assertIn(message, str(caught.exception))

    def test_ready_may_be_absent_and_data_ports_are_the_rest(self):
        controls, data = split_ports(design(ready=None), Options("qmac"))
        self.assertEqual(sorted(controls), ["clk", "done", "reset", "start"])
        self.assertEqual([p.name for p in data], ["a", "y", "sat"])

    def test_renamed_control_ports_drive_the_frame(self):
        ports = design(clk="ap_clk", reset="ap_rst_n", start="ap_start", done="ap_done", ready=None)
        text = generate(ports, Options("qmac", controls={"clk": "ap_clk", "reset": "ap_rst_n",
                                                         "start": "ap_start", "done": "ap_done"},
                                       reset_active="low"))
        self.assertIn("wait until ap_done = '1' and tb_done_at_edge = '0' for tb_deadline - now;", text)
        self.assertIn("if now <= tb_reset_time or ap_done = '1' then", text)
        self.assertEqual(drivers(text, "ap_rst_n"), ["tb_reset"])
        self.assertEqual(drivers(text, "ap_clk"), ["tb_clock"])
        code = re.sub(r'--.*|"[^"\n]*"', "", text)
        self.assertNotRegex(code, r"\b(clk|reset|start|done)\b")
        for port in ports:
            self.assertIn(f"      {port.name} => {port.name}", text)


class Frame(unittest.TestCase):
    def test_one_driver_per_signal_in_both_start_modes(self):
        for mode, start_driver in (("level", "tb_start"), ("pulse", "tb_bench")):
            with self.subTest(mode):
                text = generate(design(), Options("qmac", start_mode=mode))
                self.assertEqual(drivers(text, "start"), [start_driver])
                self.assertEqual(drivers(text, "reset"), ["tb_reset"])
                self.assertEqual(drivers(text, "a"), ["tb_bench"])
                self.assertEqual(drivers(text, "y"), [])

    def test_reset_polarity(self):
        for active, inactive in (("high", "'0'"), ("low", "'1'")):
            with self.subTest(active):
                body = processes(generate(design(), Options("qmac", reset_active=active)))["tb_reset"]
                self.assertRegex(body, rf"reset <= {inactive};")

    def test_options_reach_the_constants(self):
        text = generate(design(), Options("qmac", clock_period="4 ns", max_cycles=77))
        self.assertIn("constant tb_clk_period : time := 4 ns;", text)
        self.assertIn("constant tb_max_cycles : integer := 77;", text)

    def test_own_names_never_clash_with_ports(self):
        ports = design(extra=[Port("tb_ncycles", "in", "std_logic"), Port("tb1_x", "in", "std_logic")])
        text = generate(ports, Options("qmac"))
        self.assertIn("signal tb2_ncycles : integer;", text)
        self.assertIn("signal tb_ncycles : std_logic;", text)
        self.assertNotIn("variable tb_", text)

    def test_ports_named_like_the_bench_s_names_get_other_signals(self):
        ports = design(done="write", extra=[Port("line", "in", "std_logic"), Port("now", "out", "std_logic")])
        text = generate(ports, Options("qmac", controls={"done": "write"}))
        self.assertIn("      line => tb_port_line,", text)
        self.assertIn("      write => tb_port_write", text)
        self.assertIn("wait until tb_port_write = '1' and tb_done_at_edge = '0' for tb_deadline - now;", text)
        self.assertIn("tb_port_line <= tb_value_line(0 downto 0)(0);", text)
        self.assertIn('write(tb_result, string\'(" now="));', text)
        self.assertNotRegex(text, r"signal (line|now|write) ")

    def test_scalar_and_vector_ports_are_read_and_compared_at_their_width(self):
        text = generate(design(), Options("qmac"))
        self.assertIn("variable tb_value_sat : std_logic_vector(3 downto 0);", text)
        self.assertIn("to_X01(std_logic_vector'(0 => sat)) /= tb_value_sat(0 downto 0)", text)
        self.assertIn("a <= signed(tb_value_a(15 downto 0));", text)
        self.assertIn("signal tb_expected_y : std_logic_vector(15 downto 0);", text)


if __name__ == "__main__":
    unittest.main()
