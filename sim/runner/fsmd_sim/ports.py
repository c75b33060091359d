"""The ports of a design entity, read from GHDL's own syntax tree.

`ghdl --file-to-xml` analyses the design files and dumps the analysed tree
as XML; this module walks that tree to the entity's port list and resolves
each port's type to one the generated bench can drive or read. No VHDL is
parsed here: widths, type marks and subtypes are what GHDL resolved.
"""
import xml.etree.ElementTree as ElementTree

# Vector types the bench drives and reads, by their declaring package.
VECTOR_TYPES = {
    ("std_logic_1164", "std_logic_vector"),
    ("std_logic_1164", "std_ulogic_vector"),
    ("numeric_std", "signed"),
    ("numeric_std", "unsigned"),
}
SCALAR_TYPES = {("std_logic_1164", "std_ulogic"), ("std_logic_1164", "std_logic")}
# In VHDL-93 std_logic is a subtype of std_ulogic: its base type's name.
SCALAR_BASE = ("std_logic_1164", "std_ulogic")


class PortError(Exception):
    """The design or one of its ports cannot be driven by a generated bench."""


class Port:
    """One port: lower-case name, mode ('in' or 'out'), the type mark the
    bench declares its signal with, and for a vector its range."""

    def __init__(self, name, mode, type_mark, left=None, right=None, ascending=False):
        self.name = name
        self.mode = mode
        self.type_mark = type_mark
        self.left = left
        self.right = right
        self.ascending = ascending

    @property
    def is_vector(self):
        return self.left is not None

    @property
    def width(self):
        return abs(self.left - self.right) + 1 if self.is_vector else 1

    @property
    def digits(self):
        """Hexadecimal digits of a value of this port."""
        return (self.width + 3) // 4

    @property
    def subtype(self):
        """The subtype indication of the bench's signal for this port."""
        if not self.is_vector:
            return "std_logic"
        direction = "to" if self.ascending else "downto"
        return f"{self.type_mark}({self.left} {direction} {self.right})"

    def as_slv(self, signal_name):
        """A std_logic_vector expression of the port's width for the value of
        the port's signal `signal_name`, its leftmost element the most
        significant (its index range may be the port's own: the bench
        compares and prints it element by element): what the bench compares
        and prints."""
        if not self.is_vector:
            return f"std_logic_vector'(0 => {signal_name})"
        if self.type_mark == "std_logic_vector":
            return signal_name
        return f"std_logic_vector({signal_name})"

    def from_slv(self, expression):
        """An expression of the port's type for the value in `expression`, a
        std_logic_vector name of the port's width indexed (width - 1 downto
        0) (an element of it can be selected): what the bench drives onto
        the port's signal."""
        if not self.is_vector:
            return f"{expression}(0)"
        if self.type_mark == "std_logic_vector":
            return expression
        return f"{self.type_mark}({expression})"

    def to_json(self):
        return [self.name, self.mode, self.type_mark, self.left, self.right, self.ascending]

    @classmethod
    def from_json(cls, item):
        return cls(*item)

    def __eq__(self, other):
        return isinstance(other, Port) and self.to_json() == other.to_json()

    def __repr__(self):
        return f"Port({self.name} : {self.mode} {self.subtype})"


class _Tree:
    """The dumped tree with its cross references (ref="id") resolved."""

    def __init__(self, root):
        self.by_id = {}
        self.parent = {}
        for node in root.iter():
            for child in node:
                self.parent[child] = node
            ident = node.get("id")
            if ident is not None:
                self.by_id[ident] = node

    def deref(self, node):
        """A node given as <x ref="id"/> stands for the node with that id."""
        if node is not None and node.get("ref") is not None:
            return self.by_id.get(node.get("ref"))
        return node

    def child(self, node, tag):
        return self.deref(node.find(tag)) if node is not None else None

    def declaration_of(self, type_node):
        """The (package, name) that declares a type or subtype node, or
        (None, None) for an anonymous one."""
        decl = self.parent.get(type_node)
        if decl is None or decl.get("kind") not in ("type_declaration", "subtype_declaration"):
            declarator = self.child(type_node, "type_declarator")
            if declarator is None:
                return None, None
            decl = declarator
        unit = decl
        while unit is not None and unit.get("kind") not in ("package_declaration",):
            unit = self.parent.get(unit)
        package = unit.get("identifier") if unit is not None else None
        return package, decl.get("identifier")

    def base_type(self, type_node):
        """Follows parent types up to the base type."""
        seen = 0
        while type_node is not None and seen < 64:
            parent = self.child(type_node, "parent_type")
            if parent is None:
                return type_node
            type_node = parent
            seen += 1
        return type_node


def _literal(tree, node):
    """The value of a bound GHDL folded to an integer literal, else None."""
    node = tree.deref(node)
    if node is None or node.get("kind") != "integer_literal":
        return None
    try:
        return int(node.get("value", "").strip())
    except ValueError:
        return None


def _bound(constraint, side):
    """The folded bound of a range (GHDL keeps both it and the written
    expression)."""
    node = constraint.find(f"{side}_limit")
    return node if node is not None else constraint.find(f"{side}_limit_expr")


def _classify(tree, decl, entity):
    name = decl.get("identifier")
    where = f"port {name} of entity {entity}"
    mode = decl.get("mode")
    if mode == "buffer":
        mode = "out"
    if mode not in ("in", "out"):
        raise PortError(f"{where}: mode {mode} cannot be driven by the bench"
                        " (only in and out ports)")
    type_node = tree.child(decl, "type")
    if type_node is None:
        raise PortError(f"{where}: GHDL's tree gives the port no type")
    base = tree.base_type(type_node)
    base_name = tree.declaration_of(base)
    kind = type_node.get("kind")
    if base_name == SCALAR_BASE:
        package, mark = tree.declaration_of(type_node)
        if (package, mark) not in SCALAR_TYPES:
            # A subtype of std_ulogic such as X01 (or a resolved variant) is
            # still one logic element: declared as std_logic in the bench.
            mark = "std_logic"
        return Port(name, mode, mark)
    if base_name in VECTOR_TYPES:
        if kind != "array_subtype_definition":
            raise PortError(f"{where}: {base_name[1]} without a constraint;"
                            " the bench needs a constant width")
        element = tree.base_type(tree.child(type_node, "element_subtype"))
        if tree.declaration_of(element) != SCALAR_BASE:
            raise PortError(f"{where}: its elements are not std_ulogic")
        ranges = type_node.find("index_constraint_list")
        constraint = None
        if ranges is not None and len(ranges):
            constraint = tree.child(tree.deref(ranges[0]), "range_constraint")
        if constraint is None or constraint.get("kind") != "range_expression":
            raise PortError(f"{where}: GHDL gives its range as no constant expression")
        left = _literal(tree, _bound(constraint, "left"))
        right = _literal(tree, _bound(constraint, "right"))
        if left is None or right is None:
            raise PortError(f"{where}: its width is not a constant (it depends on a generic or on"
                            " a value known only at elaboration)")
        ascending = constraint.get("direction") == "to"
        if (left > right) if ascending else (left < right):
            direction = "to" if ascending else "downto"
            raise PortError(f"{where}: its range ({left} {direction} {right}) is empty")
        return Port(name, mode, base_name[1], left, right, ascending)
    described = base_name[1] or base.get("kind", "an anonymous type").replace("_", " ")
    raise PortError(f"{where}: type {described} cannot be driven by the bench"
                    " (std_logic, std_ulogic,"
                    " std_logic_vector, std_ulogic_vector, signed or unsigned of constant width)")


def ports_from_xml(source, entity, architecture):
    """The ports of `entity` in declaration order, from the XML that
    `ghdl --file-to-xml` wrote (a file name or a file object). Raises
    PortError when the entity or architecture is missing or a port does not
    suit the bench."""
    try:
        root = ElementTree.parse(source).getroot()
    except ElementTree.ParseError as e:
        raise PortError(f"GHDL's syntax tree is not readable XML: {e}")
    tree = _Tree(root)
    entity = entity.lower()
    architecture = architecture.lower()
    found = None
    has_architecture = False
    for unit in root.iter("library_unit"):
        kind, ident = unit.get("kind"), unit.get("identifier")
        if kind == "entity_declaration" and ident == entity:
            found = unit
        elif kind == "architecture_body" and ident == architecture:
            name = unit.find("entity_name")
            if name is not None and name.get("identifier") == entity:
                has_architecture = True
    if found is None:
        raise PortError(f"the design files declare no entity {entity}")
    if not has_architecture:
        raise PortError(f"the design files declare no architecture {architecture}"
                        f" of entity {entity}"
                        " (choose another with --architecture)")
    ports = []
    chain = found.find("port_chain")
    for decl in (chain if chain is not None else []):
        ports.append(_classify(tree, tree.deref(decl), entity))
    generics = found.find("generic_chain")
    if generics is not None:
        for decl in generics:
            decl = tree.deref(decl)
            if decl.find("default_value") is None:
                raise PortError(f"generic {decl.get('identifier')} of entity {entity}"
                                " has no default value,"
                                " which the bench would need to instantiate it")
    return ports
