"""--memory without GHDL: the option's text, its binding to the design's
ports, and what the memory takes out of the vectors file's columns. What the
modelled memory does is tested end to end (memories_test.py)."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.cli import is_identifier  # noqa: E402
from fsmd_sim.errors import BadInput  # noqa: E402
from fsmd_sim.harness_gen import Options, generate, list_columns, memories_of, split_ports  # noqa: E402
from fsmd_sim.memories import check_distinct, parse_option  # noqa: E402
from fsmd_sim.ports import Port, PortError  # noqa: E402

FULL = "arr:address=a,read_data=q,write_data=d,write_enable=we,enable=en"


def design(*extra):
    return [Port("clk", "in", "std_logic"), Port("reset", "in", "std_logic"), Port("start", "in", "std_logic"),
            Port("done", "out", "std_logic"), Port("n", "in", "unsigned", 3, 0),
            Port("a", "out", "unsigned", 5, 0), Port("q", "in", "std_logic_vector", 11, 0),
            Port("d", "out", "std_logic_vector", 11, 0), Port("we", "out", "boolean"),
            Port("en", "out", "bit"), Port("wide", "out", "unsigned", 20, 0),
            Port("i", "out", "integer", 0, 99, True), *extra]


def options(*specs):
    return Options("e", memories=[parse_option(s, is_identifier) for s in specs])


class OptionText(unittest.TestCase):
    def test_accepted_options_and_their_defaults(self):
        cases = [
            (FULL, "arr", {"address": "a", "read_data": "q", "write_data": "d", "write_enable": "we",
                           "enable": "en"}, None, 1),
            ("ROM: address=A , read_data=Q, depth=0040, latency=3", "rom", {"address": "a", "read_data": "q"},
             40, 3),
            ("out:address=a,write_data=d", "out", {"address": "a", "write_data": "d"}, None, 1),
        ]
        for text, name, ports, depth, latency in cases:
            with self.subTest(text):
                spec = parse_option(text, is_identifier)
                self.assertEqual((spec.name, spec.ports, spec.depth, spec.latency), (name, ports, depth, latency))

    def test_refused_options_name_the_cause(self):
        cases = [
            ("no name", "address=a,read_data=q", "NAME a VHDL name"),
            ("a name that is no VHDL name", "2arr:address=a,read_data=q", "NAME a VHDL name"),
            ("no address", "arr:read_data=q", "address=PORT is required"),
            ("no data port", "arr:address=a", "needs read_data, write_data or both"),
            ("unknown key", "arr:address=a,read_data=q,size=4", "'size=4' is not KEY=VALUE"),
            ("key twice", "arr:address=a,read_data=q,address=b", "address is given twice"),
            ("depth zero", "arr:address=a,read_data=q,depth=0", "depth needs a positive decimal number"),
            ("latency not a number", "arr:address=a,read_data=q,latency=one", "latency needs a positive"),
            ("latency beyond the bound", "arr:address=a,read_data=q,latency=65", "latency 65 is beyond 64"),
            ("depth beyond the bound", "arr:address=a,read_data=q,depth=65537",
             "depth 65537 is beyond the bench's 65536 words"),
            ("write enable without data", "arr:address=a,read_data=q,write_enable=we", "writes nothing"),
            ("read and write without write enable", "arr:address=a,read_data=q,write_data=d",
             "needs write_enable"),
            ("one port in two roles", "arr:address=a,read_data=a", "port a has two roles"),
            ("a port that is no name", "arr:address=a b,read_data=q", "is not a port name"),
        ]
        for name, text, cause in cases:
            with self.subTest(name):
                with self.assertRaisesRegex(BadInput, re.escape(cause)):
                    parse_option(text, is_identifier)

    def test_two_memories_may_share_neither_name_nor_port(self):
        for texts, cause in (([FULL, "arr:address=i,read_data=n"], "--memory arr is given twice"),
                             ([FULL, "b:address=wide,read_data=q"], "port q belongs to memories arr and b")):
            with self.subTest(cause):
                with self.assertRaisesRegex(BadInput, re.escape(cause)):
                    check_distinct([parse_option(t, is_identifier) for t in texts])


class Binding(unittest.TestCase):
    def test_memory_ports_are_no_data_columns_and_the_name_is_one_on_both_sides(self):
        opts = options(FULL)
        _, data = split_ports(design(), opts)
        self.assertEqual([p.name for p in data], ["n", "wide", "i"])
        columns = list_columns(memories_of(design(), opts))
        self.assertEqual([(c.name, c.mode, c.width, c.max_length) for c in columns],
                         [("arr", "in", 12, 64), ("arr", "out", 12, 64)])

    def test_depth_defaults_to_what_the_address_reaches(self):
        for text, depth in (("m:address=a,read_data=q", 64), ("m:address=i,read_data=q", 128),
                            ("m:address=a,read_data=q,depth=40", 40)):
            with self.subTest(text):
                self.assertEqual(memories_of(design(), options(text))[0].depth, depth)

    def test_ports_that_do_not_suit_are_refused(self):
        cases = [
            ("missing port", "m:address=zz,read_data=q", "entity e has no port zz"),
            ("address that is an input", "m:address=n,read_data=q", "must be an out port, not in"),
            ("read data that is an output", "m:address=a,read_data=d", "must be an in port, not out"),
            ("a control port", "m:address=a,read_data=q,enable=done", "port done is a control port"),
            ("a vector as enable", "m:address=a,write_data=d,write_enable=wide", "must be a std_logic"),
            ("words of two widths", "m:address=a,read_data=q,write_data=wide,write_enable=we",
             "read_data q has 12 bits and write_data wide 21"),
            ("a depth beyond the address", "m:address=a,read_data=q,depth=65", "depth 65 is beyond the 64 words"),
            ("an address too wide for a default depth", "m:address=wide,write_data=d",
             "give depth=N"),
            ("a memory named like a data port", "n:address=a,read_data=q", "memory n is named like a data port"),
        ]
        for name, text, cause in cases:
            with self.subTest(name):
                with self.assertRaisesRegex(PortError, re.escape(cause)):
                    memories_of(design(), options(text))


class Generated(unittest.TestCase):
    def test_the_bench_names_no_variable_after_a_port(self):
        # Ports named like the memory process's words would be hidden by
        # variables of those names.
        extra = [Port(name, "in", "std_logic") for name in ("address", "word", "index", "dirty", "stage")]
        text = generate(design(*extra), options(FULL + ",latency=3"))
        declared = set(re.findall(r"^\s*variable (\w+)", text, re.M))
        self.assertFalse(declared & {"address", "word", "index", "dirty", "stage", "i"}, declared)


if __name__ == "__main__":
    unittest.main()
