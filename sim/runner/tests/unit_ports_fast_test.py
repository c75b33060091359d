"""Ports read from a plain design's text (ports_fast): every file it takes
gives the ports GHDL's tree gives (the oracle: ports_from_xml on GHDL's
dump of that file, for each revision GHDL analyses it with), and every
file beyond it, and every run beyond it, is left to GHDL."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.anydesign import DesignJob, XML_ANCHOR, plain_ports  # noqa: E402
from fsmd_sim.job import Job  # noqa: E402
from fsmd_sim.library import Sources  # noqa: E402
from fsmd_sim.ports import PortError, ports_from_xml  # noqa: E402
from fsmd_sim.ports_fast import read_ports  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SIM = os.path.normpath(os.path.join(HERE, "..", ".."))
HEADER = "library ieee;\nuse ieee.std_logic_1164.all;\nuse ieee.numeric_std.all;\n"
BODY = "architecture rtl of e is\nbegin\nend architecture rtl;\n"


def design(ports, header=HEADER, tail=BODY, entity="e"):
    return f"{header}entity {entity} is\n  port ({ports});\nend entity;\n{tail}"


def fast(text, std="93c", entity="e", architecture="rtl"):
    data = text if isinstance(text, bytes) else text.encode()
    ports = read_ports(data, entity, architecture, f"{entity}_tb", std)
    return None if ports is None else [p.to_json() for p in ports]


def logic(name, mode="in", mark="std_logic"):
    return [name, mode, mark, None, None, False]


def ranged(name, mode, mark, left, right, ascending=False):
    return [name, mode, mark, left, right, ascending]


# (what, text, revision, ports): files the reader takes, with the ports as
# GHDL's tree has them; DesignFiles checks them against GHDL as well.
TAKEN = [
    ("several names per entry, buffer as out", design(
        "a, B ,c: in std_logic; q : buffer bit"), "93c",
     [logic("a"), logic("b"), logic("c"), logic("q", "out", "bit")]),
    ("default values of each literal kind", design(
        "a : in std_logic := '0'; v : in std_logic_vector(3 downto 0) := (others => '0');"
        " w : in unsigned(0 to 2) := \"101\"; x : in bit_vector(1 downto 0) := b\"10\";"
        " n : in integer range 0 to 3 := 2; f : out boolean := true"), "93c",
     [logic("a"), ranged("v", "in", "std_logic_vector", 3, 0),
      ranged("w", "in", "unsigned", 0, 2, True), ranged("x", "in", "bit_vector", 1, 0),
      ranged("n", "in", "integer", 0, 3, True), logic("f", "out", "boolean")]),
    ("odd spacing and case", "LIBRARY IEEE ;USE Ieee . Std_Logic_1164 . ALL;\n"
     "use IEEE.NUMERIC_STD.all;ENTITY E IS PORT(A:IN Std_Logic_Vector ( 7 DownTo 0 );\n"
     "\tY:OUT SIGNED(0 TO 0));END E;ARCHITECTURE RTL OF E IS BEGIN END;", "93c",
     [ranged("a", "in", "std_logic_vector", 7, 0), ranged("y", "out", "signed", 0, 0, True)]),
    ("comments inside the clause", design(
        "-- port (x : inout bit);\n a : in std_logic; -- b : in bit_vector(WIDTH-1 downto 0)\n"
        " b -- the output\n : out std_ulogic -- );\n"), "93c",
     [logic("a"), logic("b", "out", "std_ulogic")]),
    ("integer ranges, negative bounds, both directions", design(
        "n : in integer range -8 to 7; m : out integer range 3 downto -3;"
        " k : in natural range 5 downto 0; p : in positive range 1 to 4"), "93c",
     [ranged("n", "in", "integer", -8, 7, True), ranged("m", "out", "integer", 3, -3),
      ranged("k", "in", "integer", 5, 0), ranged("p", "in", "integer", 1, 4, True)]),
    ("std_ulogic and its vector, ascending", design(
        "u : in std_ulogic; uv : out std_ulogic_vector(1 to 8)"), "93c",
     [logic("u", "in", "std_ulogic"), ranged("uv", "out", "std_ulogic_vector", 1, 8, True)]),
    ("VHDL-2008's std_logic_vector is a std_ulogic_vector", design(
        "v : in std_logic_vector(3 downto 0); s : out signed(7 downto 0)"), "08",
     [ranged("v", "in", "std_ulogic_vector", 3, 0), ranged("s", "out", "signed", 7, 0)]),
    ("std.textio, the architecture's own context, quotes and ticks in its body", design(
        "clk : in bit", header="library ieee; library std;\nuse ieee.std_logic_1164.all;\n"
        "use std.textio.all;\n",
        tail="library ieee;\nuse ieee.numeric_std.all;\narchitecture rtl of e is\n"
        "  constant q : character := '\"';\n  constant d : string := \"-- package p is\";\n"
        "  signal s : std_logic_vector(1 downto 0);\n  constant w : integer := s'length;\n"
        "begin\n  s <= \"01\" when clk = '1' else (others => '-');\nend architecture rtl;\n"),
     "93c", [logic("clk", "in", "bit")]),
    ("the second of two architectures, entity ended without its name", design(
        "done : out std_logic", tail="architecture one of e is begin end;\n"
        "architecture rtl of e is begin end architecture;\n"), "93c",
     [logic("done", "out")]),
    ("bit, boolean and bit_vector need no library", "entity e is port (b : in bit;"
     " ok : out boolean; v : out bit_vector(0 to 1)); end e;\n" + BODY, "93c",
     [logic("b", "in", "bit"), logic("ok", "out", "boolean"),
      ranged("v", "out", "bit_vector", 0, 1, True)]),
]

# (what, text): files left to GHDL, for the entity e and architecture rtl.
REFUSED = [
    ("a generic clause", f"{HEADER}entity e is generic (w : natural := 4); port (a : in bit);"
     f" end;\n{BODY}"),
    ("a Synopsys package", design(
        "a : in std_logic", header=HEADER + "use ieee.std_logic_arith.all;\n")),
    ("a package of work", design("a : in std_logic", header=HEADER + "use work.types.all;\n")),
    ("numeric_bit", design("a : in bit", header="library ieee; use ieee.numeric_bit.all;\n")),
    ("fixed_pkg before the architecture", design(
        "a : in bit", tail="library ieee; use ieee.fixed_pkg.all;\n" + BODY)),
    ("a use clause naming one declaration", design(
        "a : in std_logic", header="library ieee; use ieee.std_logic_1164.std_logic;\n")),
    ("ieee used without its library clause", design(
        "a : in std_logic", header="use ieee.std_logic_1164.all;\n")),
    ("numeric_std's types without numeric_std", design(
        "a : in signed(3 downto 0)", header="library ieee; use ieee.std_logic_1164.all;\n")),
    ("a package in the file", design(
        "a : in std_logic", tail="package p is\nend package;\n" + BODY)),
    ("a configuration in the file", design(
        "a : in std_logic", tail=BODY + "configuration c of e is for rtl end for; end;\n")),
    ("an extended identifier", design("\\A b\\ : in std_logic")),
    ("an expression bound", design("a : in std_logic_vector(8-1 downto 0)")),
    ("a named bound", design("a : in std_logic_vector(w downto 0)")),
    ("an attribute bound", design("a : in std_logic_vector(integer'high downto 0)")),
    ("a literal with an underscore", design("a : in std_logic_vector(1_0 downto 0)")),
    ("a based literal", design("a : in std_logic_vector(16#F# downto 0)")),
    ("an empty range", design("a : in std_logic_vector(0 downto 7)")),
    ("an empty integer range", design("a : in integer range 5 to 1")),
    ("a negative vector bound", design("a : in std_logic_vector(3 downto -1)")),
    ("a negative natural", design("a : in natural range -1 to 3")),
    ("a bound beyond VHDL's integer", design("a : in integer range 0 to 2147483648")),
    ("the lowest integer, whose literal is none", design(
        "a : in integer range -2147483648 to 0")),
    ("a bound of thousands of digits", design(f"a : in integer range 0 to {'9' * 5000}")),
    ("inout", design("a : inout std_logic")),
    ("no mode", design("a : std_logic")),
    ("linkage", design("a : linkage std_logic")),
    ("signal before the names", design("signal a : in std_logic")),
    ("an unconstrained vector", design("a : in std_logic_vector")),
    ("an integer without a range", design("a : in integer")),
    ("a type of the design's own", design("a : in word")),
    ("a selected type name", design("a : in ieee.std_logic_1164.std_logic")),
    ("a default that calls a function", design(
        "a : in unsigned(3 downto 0) := to_unsigned(1, 4)")),
    ("a port named like a type", design("bit : in std_logic")),
    ("a port named like the entity", design("e : in std_logic")),
    ("a reserved word as a port", design("out : in std_logic")),
    ("a port declared twice", design("a : in std_logic; A : out std_logic")),
    ("a trailing underscore", design("a_ : in std_logic")),
    ("two entities", design("a : in bit", tail="entity f is end;\n" + BODY)),
    ("a direct instantiation", design(
        "a : in bit", tail="architecture rtl of e is begin u : entity work.f; end;\n")),
    ("an entity with statements", f"{HEADER}entity e is port (a : in bit); begin end;\n{BODY}"),
    ("no port clause", f"{HEADER}entity e is end;\n{BODY}"),
    ("no architecture rtl", design("a : in bit", tail="architecture other of e is begin end;\n")),
    ("an architecture of another entity", design(
        "a : in bit", tail=BODY + "architecture rtl2 of f is begin end;\n")),
    ("an architecture declared twice", design("a : in bit", tail=BODY + BODY)),
    ("the architecture before the entity", BODY + design("a : in bit", tail="")),
    ("the bench's name, even in a comment", design("a : in bit", tail="-- see e_tb\n" + BODY)),
    ("a block comment", design("a : in bit", tail="/* 2008 */\n" + BODY)),
    ("text that is not ASCII", design("a : in bit", tail="-- caf\u00e9\n" + BODY)),
    ("the kit's textio package", design("a : in bit", tail="-- std_logic_textio\n" + BODY)),
    ("an unterminated string", design("a : in bit", tail=BODY + "\"open\n")),
    ("a character no token holds", design("a : in bit", tail=BODY + "`\n")),
]


class Reader(unittest.TestCase):
    def test_taken(self):
        for what, text, std, ports in TAKEN:
            with self.subTest(what):
                self.assertEqual(fast(text, std), ports)

    def test_refused(self):
        for what, text in REFUSED:
            with self.subTest(what):
                self.assertIsNone(fast(text))

    def test_another_entity_or_architecture_asked(self):
        text = design("a : in bit")
        self.assertIsNone(fast(text, entity="f"))
        self.assertIsNone(fast(text, architecture="other"))
        self.assertEqual(fast(text, entity="E", architecture="RTL"), [logic("a", "in", "bit")])

    def test_damaged_text_is_answered_without_an_error(self):
        # Characters of the file swapped for others that matter to the
        # reader, at random places: ports or None, never an exception.
        import random
        rng = random.Random(5)
        text = TAKEN[1][1]
        for _ in range(2000):
            chars = list(text)
            for _ in range(rng.randrange(1, 4)):
                chars[rng.randrange(len(chars))] = rng.choice("'\";:()-, x0\n\\")
            ports = fast("".join(chars))  # a damaged file may still be a plain one
            self.assertTrue(ports is None or isinstance(ports, list))

    def test_every_cut_of_a_file_is_answered_without_an_error(self):
        # A file cut short anywhere must give ports or None, never raise.
        text = TAKEN[1][1]
        for end in range(len(text)):
            with self.subTest(end=end):
                self.assertIn(fast(text[:end]), (None, TAKEN[1][3]))


class FakeKit:
    def __init__(self, std="93c", ieee="standard", units=()):
        self.std, self.ieee, self.units = std, ieee, list(units)


class FakeJob:
    """What plain_ports reads of a DesignJob: its sources and options."""
    is_design_source = Job.is_design_source
    kit_units = DesignJob.kit_units

    def __init__(self, texts, generics=None):
        self.sources = Sources()
        self.design_copies = set()
        for k, text in enumerate(texts, 1):
            self.design_copies.add(f"design-{k}.vhd")
            self.sources.add(f"design-{k}.vhd", f"d{k}.vhd", text.encode())
        self.options = type("Options", (), {"entity": "e", "architecture": "rtl",
                                            "generics": generics or {}})()


class Runs(unittest.TestCase):
    """The runs whose ports the reader is not asked for at all."""

    PLAIN = design("a : in std_logic; y : out unsigned(3 downto 0)")
    CASES = [
        ("one plain file", FakeJob([PLAIN]), FakeKit(), True),
        ("VHDL-2008", FakeJob([PLAIN]), FakeKit(std="08"), True),
        ("two design files", FakeJob([PLAIN, "-- more\n"]), FakeKit(), False),
        ("a generic given", FakeJob([PLAIN], {"w": "4"}), FakeKit(), False),
        ("--ieee synopsys", FakeJob([PLAIN]), FakeKit(ieee="synopsys"), False),
        ("a kit package named", FakeJob([PLAIN + "-- like popcount_types\n"]),
         FakeKit(units=["types/popcount_types.vhd"]), False),
    ]

    def test_each_run(self):
        for what, job, kit, taken in self.CASES:
            with self.subTest(what):
                ports = plain_ports(kit, job)
                self.assertEqual(ports is not None, taken)


GHDL = shutil.which("ghdl-mcode") or shutil.which("ghdl")
DESIGN_FOLDERS = [os.path.join(SIM, "examples"), os.path.join(HERE, "designs")]


def architectures(data):
    """(entity, architecture) of each architecture header of a file."""
    import re
    return [(e.decode().lower(), a.decode().lower()) for a, e
            in re.findall(rb"(?i)\barchitecture\s+(\w+)\s+of\s+(\w+)\s+is", data)]


@unittest.skipUnless(GHDL, "needs GHDL")
class AgainstGHDL(unittest.TestCase):
    """Every file the reader takes, of the examples, the tests' designs and
    TAKEN, has the ports GHDL's tree gives it, with each revision GHDL
    analyses it with."""

    def setUp(self):
        from fsmd_sim.cache import Cache
        from fsmd_sim.stdout_buffer import BufferedStdout
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)
        with open(os.path.join(self.folder, XML_ANCHOR), "w") as f:
            f.write("library ieee;\nuse ieee.std_logic_1164.all;\n"
                    "package fsmd_sim_ports_anchor is\nend package fsmd_sim_ports_anchor;\n")
        buffered = BufferedStdout(Cache(os.path.join(self.folder, "cache")), GHDL)
        self.env = dict(os.environ, **buffered.__enter__())
        self.addCleanup(buffered.__exit__, None, None, None)

    def ghdl_ports(self, data, std, entity, architecture):
        """ports_from_xml on GHDL's dump of the file, as fsmd-sim dumps it;
        None where GHDL does not analyse it."""
        path = os.path.join(self.folder, "design.vhd")
        with open(path, "wb") as f:
            f.write(data)
        tree = os.path.join(self.folder, "tree.xml")
        with open(tree, "wb") as out:
            run = subprocess.run([GHDL, "--file-to-xml", f"--std={std}", "--ieee=standard",
                                  XML_ANCHOR, "design.vhd"], cwd=self.folder, env=self.env,
                                 stdout=out, stderr=subprocess.PIPE)
        if run.returncode != 0 or b"dump failed" in run.stderr or not os.path.getsize(tree):
            return None
        try:
            return [p.to_json() for p in ports_from_xml(tree, entity, architecture, {},
                                                        f"{entity}_tb")]
        except PortError as e:
            return f"PortError: {e}"

    def files(self):
        for top in DESIGN_FOLDERS:
            for folder, _, names in os.walk(top):
                for name in sorted(names):
                    if name.endswith(".vhd"):
                        with open(os.path.join(folder, name), "rb") as f:
                            yield name, f.read()
        for what, text, _, _ in TAKEN:
            yield what, text.encode()

    def test_every_file_taken(self):
        compared = set()
        for name, data in self.files():
            for entity, architecture in architectures(data):
                for std in ("93c", "08"):
                    ports = read_ports(data, entity, architecture, f"{entity}_tb", std)
                    if ports is None:
                        continue
                    expected = self.ghdl_ports(data, std, entity, architecture)
                    if expected is None:
                        continue  # GHDL's analysis will say why, later in the run
                    with self.subTest(name, std=std, architecture=architecture):
                        self.assertEqual([p.to_json() for p in ports], expected)
                    compared.add((name, std))
        # Most of the examples and of TAKEN, in both revisions.
        self.assertGreater(len(compared), 2 * len(TAKEN) + 40)


if __name__ == "__main__":
    unittest.main()
