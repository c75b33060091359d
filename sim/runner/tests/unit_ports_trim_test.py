"""Ports read from GHDL's tree without the subprograms' insides: the cut
itself on hand-made text (its edge cases and every layout it must refuse),
and the ports and errors it gives against those of the whole tree, on the
saved port fixture and, where GHDL is installed, on a dump of every design
file of the examples and the tests."""
import gzip
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.ports import (PortError, _ports_of, _Tree, _without_subprogram_insides,  # noqa: E402
                            ports_from_xml)

HERE = os.path.dirname(os.path.abspath(__file__))
SIM = os.path.normpath(os.path.join(HERE, "..", ".."))
TREE = os.path.join(HERE, "data", "port_kinds.xml.gz")


def fixture():
    with gzip.open(TREE) as f:
        return f.read()


def outcome(tree, entity, architecture, generics=None, bench=None):
    """The ports (as stored in the cache) or the message refusing them."""
    try:
        return [p.to_json() for p in _ports_of(tree, entity, architecture, generics or {},
                                               bench, None)]
    except PortError as e:
        return f"PortError: {e}"


def trees(data):
    """The whole tree and the tree without the subprograms' insides."""
    trimmed = _without_subprogram_insides(data)
    assert trimmed is not None and len(trimmed) < len(data), "nothing was cut"
    return _Tree(ElementTree.fromstring(data)), _Tree(ElementTree.fromstring(trimmed))


def whole_tree(data):
    return _Tree(ElementTree.fromstring(data))


def units(tree):
    """(entity, architecture) of every architecture the tree declares, and
    every entity with an architecture it lacks."""
    pairs = []
    for unit in tree.root.iter("library_unit"):
        if unit.get("kind") == "entity_declaration":
            pairs.append((unit.get("identifier"), "no_such_architecture"))
        if unit.get("kind") == "architecture_body":
            name = unit.find("entity_name")
            if name is not None:
                pairs.append((name.get("identifier"), unit.get("identifier")))
    return pairs


def text(*lines):
    return ("\n".join(lines) + "\n").encode()


class Cut(unittest.TestCase):
    """The text cut, on hand-made text laid out as GHDL lays out its dump;
    None wherever the layout is not the one relied on."""

    CASES = [
        ("a body becomes its opening tag, every attribute kept", text(
            '<root>',
            '  <el id="1" kind="function_body" identifier="f"',
            '   line="3">',
            '    <chain>',
            '      <el id="2" kind="variable_declaration"/>',
            '    </chain>',
            '  </el>',
            '  <el id="3" kind="signal_declaration"/>',
            '</root>'), text(
            '<root>',
            '  <el id="1" kind="function_body" identifier="f"',
            '   line="3"/>',
            '  <el id="3" kind="signal_declaration"/>',
            '</root>')),
        ("a self-closing subprogram is left, the next one cut", text(
            '<root>',
            '  <el id="1" kind="procedure_declaration" identifier="p"/>',
            '  <el id="2" kind="procedure_body" identifier="p">',
            '    <x/>',
            '  </el>',
            '</root>'), text(
            '<root>',
            '  <el id="1" kind="procedure_declaration" identifier="p"/>',
            '  <el id="2" kind="procedure_body" identifier="p"/>',
            '</root>')),
        ("'>' and '/>' inside values do not end the tag", text(
            '<root>',
            '  <el id="1" kind="function_declaration" identifier=">"',
            '   note="a/>" col="2" >',
            '    <x/>',
            '  </el>',
            '</root>'), text(
            '<root>',
            '  <el id="1" kind="function_declaration" identifier=">"',
            '   note="a/>" col="2" />',
            '</root>')),
        ("nested subprograms go with the one around them", text(
            '<root>',
            '  <el id="1" kind="function_body" identifier="outer">',
            '    <el id="2" kind="function_body" identifier="inner">',
            '      <x/>',
            '    </el>',
            '    <el id="3" kind="procedure_declaration" identifier="q"/>',
            '  </el>',
            '  <el id="4" kind="function_declaration" identifier="g">',
            '  </el>',
            '</root>'), text(
            '<root>',
            '  <el id="1" kind="function_body" identifier="outer"/>',
            '  <el id="4" kind="function_declaration" identifier="g"/>',
            '</root>')),
        ("other kinds and the kind's text in a value are left", text(
            '<root>',
            '  <el id="1" kind="function_call" note="kind=">',
            '    <x/>',
            '  </el>',
            '</root>'), text(
            '<root>',
            '  <el id="1" kind="function_call" note="kind=">',
            '    <x/>',
            '  </el>',
            '</root>')),
        ("no closing line: the closing tag ends a child's line", text(
            '<root>',
            '  <el id="1" kind="function_body">',
            '    <x/></el>',
            '  <el id="2" kind="signal_declaration">',
            '  </el>',
            '</root>'), None),
        ("no closing line before the text ends", text(
            '<root>',
            '  <el id="1" kind="function_body">',
            '    <x/>'), None),
        ("a closing line of another element", text(
            '<root>',
            '  <el id="1" kind="function_body">',
            '    <x/>',
            '  </chain>',
            '</root>'), None),
        ("an opening tag not alone at the start of its line", text(
            '<root><el id="1" kind="function_body">',
            '  <x/>',
            '</el></root>'), None),
        ("an opening tag not written by the attribute syntax", text(
            '<root>',
            "  <el id='1' kind=\"function_body\">",
            '  </el>',
            '</root>'), None),
        ("the kind's text outside any tag", text(
            '<root>',
            '  <el id="1"/> kind="function_body"',
            '</root>'), None),
        ("an attribute merely ending in kind", text(
            '<root>',
            '  <el id="1" subkind="function_body">',
            '  </el>',
            '</root>'), None),
    ]

    def test_each_layout(self):
        for name, given, expected in self.CASES:
            with self.subTest(name):
                self.assertEqual(_without_subprogram_insides(given), expected)

    def test_a_refused_layout_reads_as_the_whole_text(self):
        # The first subprogram of the fixture laid out otherwise: its closing
        # tag moved onto the line before.
        data = fixture()
        body = re.search(rb'\n( *)<el [^>]*kind="function_declaration"', data)
        closing = data.index(b"\n" + body.group(1) + b"</el>\n", body.end())
        moved = data[:closing] + data[closing + 1:]
        self.assertIsNone(_without_subprogram_insides(moved))
        for entity in ("all_kinds", "called_width", "absent"):
            with self.subTest(entity):
                whole = outcome(whole_tree(data), entity, "fsmd")
                try:
                    got = [p.to_json() for p in ports_from_xml(io.BytesIO(moved), entity, "fsmd")]
                except PortError as e:
                    got = f"PortError: {e}"
                self.assertEqual(got, whole)

    def test_unreadable_text_gives_the_whole_text_s_message(self):
        # Damage outside any subprogram: the cut text fails too, and the
        # message is the one the whole text gives (its line and column).
        data = fixture()
        damaged = data.replace(b'identifier="all_kinds"', b'identifier="all_kinds" <', 1)
        for source in (io.BytesIO(damaged), io.BytesIO(data[:len(data) // 2])):
            with self.subTest(len(source.getvalue())):
                with self.assertRaises(ElementTree.ParseError) as whole:
                    ElementTree.parse(io.BytesIO(source.getvalue()))
                with self.assertRaises(PortError) as caught:
                    ports_from_xml(source, "all_kinds", "fsmd")
                self.assertEqual(str(caught.exception),
                                 f"GHDL's syntax tree is not readable XML: {whole.exception}")


class SameAsWhole(unittest.TestCase):
    """The saved fixture: the cut tree gives the ports and messages the whole
    tree gives, for the cases of unit_ports_test."""

    # (entity, generics, architecture, bench)
    CASES = [
        ("all_kinds", {}, "fsmd", None), ("has_inout", {}, "fsmd", None),
        ("has_record", {}, "fsmd", None), ("has_unconstrained", {}, "fsmd", None),
        ("no_fsmd", {}, "fsmd", None), ("no_fsmd", {}, "rtl", None),
        ("absent", {}, "fsmd", None), ("new_kinds", {}, "fsmd", None),
        ("new_kinds", {"w": "12", "top": "16#64#"}, "fsmd", None),
        ("new_kinds", {"w": "true"}, "fsmd", None), ("new_kinds", {"zz": "1"}, "fsmd", None),
        ("new_kinds", {"w": "0"}, "fsmd", None),
        ("new_kinds", {"w": "2147483648"}, "fsmd", None),
        ("new_kinds", {}, "rtl", None), ("new_kinds", {}, "fsmd", "new_kinds_fsmd_sim_bench"),
        ("expr_widths", {}, "fsmd", None), ("expr_widths", {"w": "13"}, "fsmd", None),
        ("expr_widths", {"w": "2147483647"}, "fsmd", None),
        ("called_width", {}, "fsmd", None), ("called_width", {"w": "16"}, "fsmd", None),
        ("needs_generic", {}, "fsmd", None), ("needs_generic", {"n": "4"}, "fsmd", None),
    ]

    def test_each_case(self):
        whole, trimmed = trees(fixture())
        for entity, generics, architecture, bench in self.CASES:
            with self.subTest(entity=entity, generics=generics, architecture=architecture):
                self.assertEqual(outcome(trimmed, entity, architecture, generics, bench),
                                 outcome(whole, entity, architecture, generics, bench))

    def test_a_width_computed_by_a_call_still_names_the_function(self):
        whole, trimmed = trees(fixture())
        message = outcome(trimmed, "called_width", "fsmd")
        self.assertIn(": it calls clog2, and a width computed by a function call", message)
        # The call's reference to the function still finds its element,
        # every attribute kept, its insides gone.
        calls = [node for node in trimmed.root.iter() if node.get("kind") == "function_call"
                 and node.find("prefix").get("identifier") == "clog2"]
        self.assertTrue(calls)
        for call in calls:
            function = trimmed.deref(call.find("prefix/named_entity"))
            self.assertEqual(function.get("identifier"), "clog2")
            self.assertEqual(function.attrib, whole.by_id[function.get("id")].attrib)
            self.assertEqual(len(function), 0)

    def test_a_text_file_object_is_read_whole(self):
        source = io.StringIO(fixture().decode("utf-8"))
        self.assertEqual([p.to_json() for p in ports_from_xml(source, "all_kinds", "fsmd")],
                         outcome(whole_tree(fixture()), "all_kinds", "fsmd"))


GHDL = shutil.which("ghdl-mcode") or shutil.which("ghdl")
DESIGN_FOLDERS = [os.path.join(SIM, "examples"), os.path.join(HERE, "designs")]
TYPES_FOLDER = os.path.join(SIM, "types")


def kit_flags():
    """The kit's flags for GHDL, for each revision and IEEE library a design
    may need, the default first (as kit.py makes them)."""
    with open(os.path.join(SIM, "runtime", "ghdl-flags.txt")) as f:
        flags = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    rest = [flag for flag in flags if not flag.startswith(("--std=", "--ieee="))]
    return [[f"--std={std}", f"--ieee={ieee}", *rest, *(["-fexplicit"] if ieee == "synopsys" else [])]
            for ieee in ("standard", "synopsys") for std in ("93c", "08")]


def declared(path, kind):
    with open(path, encoding="latin-1") as f:
        return set(re.findall(rf"^\s*{kind}\s+(\w+)\s+is\b", f.read().lower(), re.M))


def needed_files(path, seen=()):
    """The files to analyse before `path`: those declaring the packages of
    work it uses (the kit's type packages first, which the kit's library
    holds for a run, then those beside it) and the entities of its
    architectures."""
    with open(path, encoding="latin-1") as f:
        source = f.read().lower()
    wanted = [("package", name) for name in re.findall(r"\buse\s+work\.(\w+)\.", source)]
    wanted += [("entity", name) for name in re.findall(r"\barchitecture\s+\w+\s+of\s+(\w+)", source)]
    wanted = [(kind, name) for kind, name in wanted if name not in declared(path, kind)]
    files = []
    for kind, name in wanted:
        for folder in (TYPES_FOLDER, os.path.dirname(path)):
            found = sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".vhd")
                           and os.path.join(folder, n) != path
                           and name in declared(os.path.join(folder, n), kind))
            if found:
                if found[0] not in files and found[0] not in seen:
                    files += needed_files(found[0], (*seen, path)) + [found[0]]
                break
    return files


def unit_names(path):
    return declared(path, "entity") | declared(path, "package")


def groups(paths):
    """The design files with what each needs, in as few lists as the names of
    their units allow (no two files of a list declaring a unit of one name),
    so that one dump of GHDL serves many files."""
    lists = []
    for path in paths:
        files = [f for f in needed_files(path) + [path]]
        for group in lists:
            names = {}
            for f in group + [f for f in files if f not in group]:
                for name in unit_names(f):
                    names.setdefault(name, set()).add(f)
            if all(len(owners) == 1 for owners in names.values()):
                group += [f for f in files if f not in group]
                break
        else:
            lists.append(files)
    return lists


@unittest.skipUnless(GHDL, "needs GHDL")
class DesignFiles(unittest.TestCase):
    """Every design file of the examples and the tests, dumped as fsmd-sim
    dumps it, with the first of the kit's revisions and IEEE libraries that
    takes it: the cut tree gives every entity the ports and messages the
    whole tree gives."""

    def design_files(self):
        return sorted(os.path.join(folder, name) for top in DESIGN_FOLDERS
                      for folder, _, names in os.walk(top) for name in names
                      if name.endswith(".vhd"))

    def flags_for(self, path, folder):
        """The first of the kit's flags with which GHDL analyses the file."""
        errors = []
        for flags in kit_flags():
            work = tempfile.mkdtemp(dir=folder)
            run = subprocess.run([GHDL, "-a", *flags, f"--workdir={work}", *needed_files(path),
                                  path], cwd=folder, capture_output=True)
            if run.returncode == 0:
                return tuple(flags)
            errors.append(run.stderr.decode(errors="replace"))
        self.fail(f"GHDL analyses no file of {path}:\n" + "\n".join(errors))

    def dump(self, flags, files, env, folder):
        run = subprocess.run([GHDL, "--file-to-xml", *flags, *files], cwd=folder,
                             env=dict(os.environ, **env), capture_output=True)
        self.assertTrue(run.stdout and b"dump failed" not in run.stderr,
                        run.stderr.decode(errors="replace"))
        return run.stdout

    def test_every_design_file(self):
        from fsmd_sim.cache import Cache
        from fsmd_sim.stdout_buffer import BufferedStdout
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        paths = self.design_files()
        self.assertGreater(len(paths), 50)
        by_flags = {}
        for path in paths:
            by_flags.setdefault(self.flags_for(path, folder), []).append(path)
        dumped, compared = set(), 0
        with BufferedStdout(Cache(os.path.join(folder, "cache")), GHDL) as env:
            for flags, some in by_flags.items():
                for group in groups(some):
                    whole, trimmed = trees(self.dump(flags, group, env, folder))
                    dumped |= {unit.get("file") for unit in whole.root.iter("library_unit")}
                    for entity, architecture in units(whole):
                        compared += 1
                        with self.subTest(entity=entity, architecture=architecture, flags=flags):
                            self.assertEqual(outcome(trimmed, entity, architecture),
                                             outcome(whole, entity, architecture))
        self.assertEqual(sorted(set(paths) - dumped), [])
        self.assertGreater(compared, len(paths))


if __name__ == "__main__":
    unittest.main()
