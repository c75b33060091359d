"""Port names in the values of --control, --stream and --memory, without
GHDL: extended identifiers (\\Go!\\) as written and case-sensitive, basic
names in any case, splitting at ',' outside extended identifiers, and
refusals that show the option as the user typed it."""
import unittest

from fsmd_sim import cli, memories, port_names, streams
from fsmd_sim.errors import BadInput

BASE = ["e", "--design", "e.vhd", "--vectors", "v.txt"]


class Splitting(unittest.TestCase):
    def test_parts_split_outside_extended_identifiers_only(self):
        cases = [
            ("x,valid=v", ["x", "valid=v"]),
            ("\\a,b\\,ready=r", ["\\a,b\\", "ready=r"]),
            # A doubled backslash stays inside: the ',' after it is still in.
            ("\\a\\\\,b\\,last=l", ["\\a\\\\,b\\", "last=l"]),
            ("x,valid=\\v,=:\\", ["x", "valid=\\v,=:\\"]),
            # Left open: the rest is one part, which no port name matches.
            ("x,valid=\\v,w", ["x", "valid=\\v,w"]),
            ("", [""]),
        ]
        for text, parts in cases:
            with self.subTest(text):
                self.assertEqual(port_names.split(text, ","), parts)

    def test_keys_match_basic_names_in_any_case_and_extended_ones_as_written(self):
        cases = [
            ("Go", "go"), ("\\Go!\\", "\\Go!\\"), ("\\GO!\\", "\\GO!\\"), ("\\a\\\\b\\", "\\a\\\\b\\"),
            ("\\none\\", "\\none\\"),
            ("\\a\\b\\", None), ("\\\\", None), ("\\open", None), ("a b", None), ("_a", None),
            ("a__b", None), ("", None),
        ]
        for text, key in cases:
            with self.subTest(text):
                self.assertEqual(port_names.key(text), key)


class Options(unittest.TestCase):
    def test_control_ports_with_extended_identifiers(self):
        cases = [
            ("start=\\Go!\\", "start", "\\Go!\\"),
            ("done=\\a=b\\", "done", "\\a=b\\"),
            ("start=GO", "start", "go"),
            ("clk=\\Clk\\", "clk", "\\Clk\\"),
        ]
        for item, role, port in cases:
            with self.subTest(item):
                self.assertEqual(cli.parse_args(BASE + ["--control", item]).controls[role], port)

    def test_stream_ports_with_extended_identifiers(self):
        cases = [
            ("\\y!\\", "\\y!\\", {"valid": "\\y!_valid\\", "ready": "\\y!_ready\\"}),
            ("x,valid=\\x valid\\", "x", {"valid": "\\x valid\\", "ready": "x_ready"}),
            ("\\a,b\\, ready=\\r=1\\ ,last=\\L,\\", "\\a,b\\",
             {"valid": "\\a,b_valid\\", "ready": "\\r=1\\", "last": "\\L,\\"}),
            ("X,VALID=V", None, None),
            ("X,valid=V", "x", {"valid": "v", "ready": "x_ready"}),
        ]
        for text, port, ports in cases:
            with self.subTest(text):
                if port is None:
                    with self.assertRaises(BadInput):
                        streams.parse_option(text)
                    continue
                spec = streams.parse_option(text)
                self.assertEqual((spec.port, spec.ports), (port, ports))

    def test_memory_ports_with_extended_identifiers(self):
        spec = memories.parse_option("m:address=\\A,1\\,read_data=\\q:x\\,depth=4", cli.is_identifier)
        self.assertEqual(spec.ports, {"address": "\\A,1\\", "read_data": "\\q:x\\"})
        self.assertEqual(spec.depth, 4)

    def test_refusals_show_the_option_as_typed(self):
        cases = [
            (["--control", "start=\\Go!"], "--control 'start=\\Go!': give ROLE=PORT"),
            (["--control", "start=\\a\\b\\"], "--control 'start=\\a\\b\\': give ROLE=PORT"),
            (["--control", "clk=none"], "--control 'clk=none': only reset, start and done may be none"),
            (["--stream", "x,valid=\\v"], "--stream 'x,valid=\\v': valid=\\v is not a port name"),
            (["--stream", "\\y"], "--stream '\\y': give PORT"),
            (["--stream", "\\y\\,valid=\\y\\"], "--stream '\\y\\,valid=\\y\\': port \\y\\ has two roles"),
            (["--memory", "m:address=\\a"], "--memory 'm:address=\\a': address=\\a is not a port name"),
            (["--tolerance", "\\sum\\=x"], "--tolerance '\\sum\\=x': N must be a decimal number"),
        ]
        for extra, message in cases:
            with self.subTest(extra):
                with self.assertRaises(BadInput) as caught:
                    cli.parse_args(BASE + extra)
                self.assertIn(message, str(caught.exception))

    def test_extended_names_differing_in_case_are_different_ports(self):
        # \X\ and \x\ are two ports: a stream may use one and name the other.
        spec = streams.parse_option("\\X\\,valid=\\x\\")
        self.assertEqual((spec.port, spec.ports["valid"]), ("\\X\\", "\\x\\"))
        # Basic names are one port in any case.
        with self.assertRaisesRegex(BadInput, "port x has two roles"):
            streams.parse_option("X,valid=x")


if __name__ == "__main__":
    unittest.main()
