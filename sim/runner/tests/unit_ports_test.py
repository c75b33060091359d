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
            ("no_fsmd", "no architecture fsmd of entity no_fsmd: they declare only rtl"),
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


def read_with(entity, generics=None, architecture="fsmd", bench=None):
    with gzip.open(TREE) as f:
        return ports_from_xml(f, entity, architecture, generics or {}, bench)


class NewKinds(unittest.TestCase):
    """Ports that were refused before: each kind with the width and range the
    bench gives it."""

    def test_every_kind_with_its_width(self):
        # (name, type mark, left, right, width, signed)
        expected = [
            ("flag", "boolean", None, None, 1, False),
            ("b", "bit", None, None, 1, False),
            ("x", "x01", None, None, 1, False),
            ("ux", "ux01", None, None, 1, False),
            ("small", "integer", -8, 7, 4, True),
            ("nat", "integer", 0, 2**31 - 1, 31, False),
            ("whole", "integer", -2**31, 2**31 - 1, 32, True),
            ("ranged", "integer", 0, 15, 4, False),
            ("down", "integer", 5, -5, 4, True),
            ("bv", "bit_vector", 0, 3, 4, False),
            ("asc", "std_logic_vector", 0, 7, 8, False),
            ("\\my port\\", "std_logic", None, None, 1, False),
            ("\\A\\\\B\\", "std_logic_vector", 3, 0, 4, False),
        ]
        got = [(p.name, p.type_mark, p.left, p.right, p.width, p.is_signed)
               for p in read_with("new_kinds")]
        self.assertEqual(got, expected)

    def test_the_integer_widths_and_a_binary_oracle(self):
        # The fewest bits, checked against Python's own formatting.
        from fsmd_sim.ports import Port as P
        for low, high in [(0, 0), (0, 1), (0, 255), (0, 256), (-1, 0), (-128, 127), (-129, 0),
                          (0, 2**31 - 1), (-2**31, 2**31 - 1), (3, 5), (-7, -3)]:
            with self.subTest(low=low, high=high):
                width = P("n", "in", "integer", low, high, True).width
                fits = all((-(1 << (width - 1)) <= v < (1 << (width - 1))) if low < 0
                           else v < (1 << width) for v in (low, high))
                narrower = width - 1
                fits_narrower = narrower > 0 and all(
                    (-(1 << (narrower - 1)) <= v < (1 << (narrower - 1))) if low < 0
                    else v < (1 << narrower) for v in (low, high))
                self.assertTrue(fits)
                self.assertFalse(fits_narrower)

    def test_generics_given_set_the_widths_and_ranges(self):
        by_name = {p.name: p for p in read_with("new_kinds", {"w": "12", "top": "16#64#"})}
        self.assertEqual((by_name["asc"].left, by_name["asc"].right), (0, 11))
        self.assertEqual((by_name["ranged"].high, by_name["ranged"].width), (100, 7))

    def test_bounds_computed_by_each_operator(self):
        # w = 8 (the default) and w = 13: VHDL's / and rem round toward zero,
        # mod takes the sign of its right operand (Python's // and % do not
        # both agree with them for negative operands).
        def vhdl_div(a, b):
            q = abs(a) // abs(b)
            return q if (a < 0) == (b < 0) else -q

        for w in (8, 13):
            with self.subTest(w=w):
                expected = {
                    "sum": (w + 1) * 2,
                    "quotient": -vhdl_div(-w, 3) + 1,
                    "modulus": (-w) % 3 + 1,
                    "rest": -((-w) - vhdl_div(-w, 3) * 3) + 1,
                    "power": 2 ** (w // 4),
                    "absolute": w,
                    "constant_mix": 4 + w,
                }
                got = {p.name: p.width for p in read_with("expr_widths", {"w": str(w)})}
                self.assertEqual(got, expected)

    def test_refusals_name_the_generic_or_the_expression(self):
        cases = [
            ("called_width", {}, "port v of entity called_width: fsmd-sim cannot compute the"
             " expression at port_kinds.vhd:"),
            ("called_width", {}, "(function call)"),
            # Caught fault: a width that calls a function asked for the
            # generic even where it was given; no value makes it computable.
            ("called_width", {}, ": it calls clog2, and a width computed by a function call is out of"
             " reach whatever the generics; fsmd-sim computes integer literals"),
            ("called_width", {"w": "16"}, "is out of reach whatever the generics"),
            ("new_kinds", {"w": "true"}, "(give the generic with --generic NAME=VALUE)"),
            ("new_kinds", {"zz": "1"}, "entity new_kinds has no generic zz (--generic);"
             " its generics: w, top, name"),
            ("new_kinds", {"w": "true"}, "port asc of entity new_kinds: fsmd-sim cannot compute"),
            ("new_kinds", {"w": "true"}, "(generic w is given no integer)"),
            ("new_kinds", {"w": "0"}, "port asc of entity new_kinds: its range (0 to -1) is empty"),
            ("needs_generic", {}, "generic n of entity needs_generic has no default value:"
             " give it with --generic n=VALUE"),
            ("new_kinds", {"WIDTH": "1"}, "entity new_kinds has no generic WIDTH (--generic)"),
            # Caught fault: a huge value made widths that no bench could hold.
            ("new_kinds", {"w": "2147483648"}, "--generic w=2147483648: 2147483648 is beyond"
             " VHDL's integer"),
            ("expr_widths", {"w": "2147483647"}, "port sum of entity expr_widths: the bound at"
             " port_kinds.vhd:"),
            ("expr_widths", {"w": "2147483647"}, " is 4294967295, beyond VHDL's integer"),
        ]
        for entity, generics, message in cases:
            with self.subTest(entity=entity, generics=generics, message=message):
                with self.assertRaises(PortError) as caught:
                    read_with(entity, generics)
                self.assertIn(message, str(caught.exception))
                if entity == "called_width":
                    self.assertNotIn("--generic", str(caught.exception))
        self.assertEqual([p.width for p in read_with("needs_generic", {"n": "4"})], [5])

    def test_generics_are_named_as_the_source_writes_them(self):
        # Caught fault: GHDL's tree has every name in lower case, and the
        # message named generic n where the source says N.
        source = os.path.join(os.path.dirname(__file__), "data", "port_kinds.vhd")
        with open(source) as f:
            lines = f.read().splitlines()
        with self.assertRaises(PortError) as caught:
            with gzip.open(TREE) as f:
                ports_from_xml(f, "needs_generic", "fsmd", {}, None,
                               lambda name: lines if name == "port_kinds.vhd" else None)
        self.assertIn("generic N of entity needs_generic has no default value: give it with"
                      " --generic N=VALUE", str(caught.exception))
        self.assertEqual([p.width for p in read_with("needs_generic", {"N": "2"})], [3])

    def test_a_unit_named_as_the_bench_is_refused(self):
        # Caught fault: the bench replaced the design's unit of that name,
        # and GHDL ended with "architecture ... has been obsoleted".
        with self.assertRaises(PortError) as caught:
            read_with("new_kinds", bench="new_kinds_fsmd_sim_bench")
        self.assertIn("declare entity new_kinds_fsmd_sim_bench, the name of the bench"
                      " fsmd-sim generates for entity new_kinds", str(caught.exception))
        self.assertEqual(len(read_with("new_kinds", bench="all_kinds_fsmd_sim_bench")), 13)

    def test_a_missing_architecture_lists_those_declared(self):
        with self.assertRaises(PortError) as caught:
            read_with("new_kinds", architecture="rtl")
        self.assertIn("no architecture rtl of entity new_kinds: they declare only fsmd, other",
                      str(caught.exception))


if __name__ == "__main__":
    unittest.main()
