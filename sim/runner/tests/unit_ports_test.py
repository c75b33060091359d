"""Port reading from GHDL's tree, on a tree saved from GHDL (data/
port_kinds.xml.gz, remade by data/make_port_fixture.sh): every accepted
kind of port with its width and range, every rejected kind named with the
port and the cause."""
import gzip
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.ports import Port, PortError, ports_from_xml  # noqa: E402

TREE = os.path.join(os.path.dirname(__file__), "data", "port_kinds.xml.gz")


def read(entity, architecture="fsmd"):
    with gzip.open(TREE) as f:
        return ports_from_xml(f, entity, architecture)


class Accepted(unittest.TestCase):
    def test_every_kind_of_port_with_its_range(self):
        self.assertEqual(read("all_kinds"), [
            Port("clk", "in", "std_logic"),
            Port("reset", "in", "std_logic"),
            Port("start", "in", "std_ulogic"),
            Port("a", "in", "signed", 15, 0, False),
            Port("b", "in", "unsigned", 0, 63, True),
            # a subtype from a package, and a width computed from a constant
            Port("c", "in", "std_logic_vector", 15, 0, False),
            Port("e", "in", "std_logic_vector", 7, 0, False),
            Port("f", "in", "std_ulogic_vector", 255, 0, False),
            Port("g", "in", "std_ulogic"),
            Port("y", "out", "std_logic_vector", 16, 1, False),
            Port("sat", "out", "std_logic"),  # a buffer port is read like an out port
            Port("done", "out", "std_logic"),
            Port("ready", "out", "std_logic"),
        ])

    def test_widths_and_digits(self):
        by_name = {p.name: p for p in read("all_kinds")}
        self.assertEqual([(by_name[n].width, by_name[n].digits) for n in ("a", "b", "y", "sat", "f")],
                         [(16, 4), (64, 16), (16, 4), (1, 1), (256, 64)])
        self.assertEqual(by_name["b"].subtype, "unsigned(0 to 63)")

    def test_entity_names_are_case_insensitive(self):
        self.assertEqual(len(read("ALL_KINDS", "FSMD")), 13)


class Rejected(unittest.TestCase):
    def test_each_port_the_bench_cannot_drive_is_named_with_its_cause(self):
        cases = [
            ("has_inout", "port bus_io of entity has_inout: mode inout"),
            ("has_record", "port p of entity has_record: type pair_t"),
            ("has_unconstrained", "port u of entity has_unconstrained: std_logic_vector without a constraint"),
            ("has_generic_width", "port v of entity has_generic_width: its width is not a constant"),
            ("has_integer", "port count of entity has_integer: type integer"),
            ("has_bit_vector", "port clk of entity has_bit_vector: type bit"),
            ("no_fsmd", "no architecture fsmd of entity no_fsmd"),
            ("absent", "declare no entity absent"),
        ]
        for entity, message in cases:
            with self.subTest(entity):
                with self.assertRaises(PortError) as caught:
                    read(entity)
                self.assertIn(message, str(caught.exception))

    def test_another_architecture_is_found_by_name(self):
        self.assertEqual(read("no_fsmd", "rtl"), [Port("clk", "in", "std_logic")])

    def test_a_tree_that_is_not_xml(self):
        import io
        with self.assertRaises(PortError) as caught:
            ports_from_xml(io.BytesIO(b"<root><el"), "x", "fsmd")
        self.assertIn("not readable XML", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
