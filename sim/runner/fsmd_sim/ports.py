"""The ports of a design entity, read from GHDL's own syntax tree.

`ghdl --file-to-xml` analyses the design files and dumps the analysed tree
as XML; this module walks that tree to the entity's port list and resolves
each port's type to one the generated bench can drive or read. No VHDL is
parsed here: widths, type marks and subtypes are what GHDL resolved.
The XML reader is imported where a tree is read: a run whose ports come
from the cache (most runs) never loads it, which saves a tenth of the
start-up of a short run.
"""
import io
import re

# Vector types the bench drives and reads, by their declaring package.
VECTOR_TYPES = {
    ("std_logic_1164", "std_logic_vector"),
    ("std_logic_1164", "std_ulogic_vector"),
    ("numeric_std", "signed"),
    ("numeric_std", "unsigned"),
    ("standard", "bit_vector"),
    # VHDL-2008: signed and unsigned are resolved subtypes of these.
    ("numeric_std", "unresolved_signed"),
    ("numeric_std", "unresolved_unsigned"),
}
# The type mark the bench declares its signal with, where not the base's.
VECTOR_MARK = {"unresolved_signed": "signed", "unresolved_unsigned": "unsigned"}
# The element type of each vector type's base.
VECTOR_ELEMENT = {"bit_vector": ("standard", "bit")}
SCALAR_TYPES = {("std_logic_1164", "std_ulogic"), ("std_logic_1164", "std_logic")}
# In VHDL-93 std_logic is a subtype of std_ulogic: its base type's name.
SCALAR_BASE = ("std_logic_1164", "std_ulogic")
BIT, BOOLEAN, INTEGER = ("standard", "bit"), ("standard", "boolean"), ("standard", "integer")
# GHDL's integer: 32 bits.
INTEGER_LOW, INTEGER_HIGH = -2**31, 2**31 - 1
LOGIC_MARKS = ("std_logic", "std_ulogic", "x01", "x01z", "ux01", "ux01z")


class PortError(Exception):
    """The design or one of its ports cannot be driven by a generated bench."""


def _bits_for(low, high):
    """The fewest bits that hold every integer from low to high: unsigned
    when low >= 0, else two's complement."""
    if low >= 0:
        return max(high.bit_length(), 1)
    return max(high.bit_length(), (-low - 1).bit_length()) + 1


class Port:
    """One port: its name (lower case; an extended identifier as written,
    backslashes included), mode ('in' or 'out'), the type mark of its kind
    (std_logic, std_ulogic, bit, boolean; std_logic_vector,
    std_ulogic_vector, signed, unsigned, bit_vector; integer) and, for a
    vector, its index range, for an integer, its value range (left, right
    as declared). Every port travels through the bench as a
    std_logic_vector of `width` bits: as_slv and from_slv convert."""

    def __init__(self, name, mode, type_mark, left=None, right=None, ascending=False):
        self.name = name
        self.mode = mode
        self.type_mark = type_mark
        self.left = left
        self.right = right
        self.ascending = ascending

    @property
    def is_vector(self):
        return self.left is not None and self.type_mark != "integer"

    @property
    def is_integer(self):
        return self.type_mark == "integer"

    @property
    def low(self):
        return min(self.left, self.right)

    @property
    def high(self):
        return max(self.left, self.right)

    @property
    def width(self):
        if self.is_integer:
            return _bits_for(self.low, self.high)
        return abs(self.left - self.right) + 1 if self.is_vector else 1

    @property
    def digits(self):
        """Hexadecimal digits of a value of this port."""
        return (self.width + 3) // 4

    @property
    def is_signed(self):
        """Its bits are a two's-complement number."""
        return self.type_mark == "signed" or (self.is_integer and self.low < 0)

    def fits(self, bits):
        """Whether `bits` (a value below 2**width) is a value of the port:
        always, except for an integer range that the bits exceed."""
        if not self.is_integer:
            return True
        value = bits - (1 << self.width) if self.low < 0 and bits >> (self.width - 1) else bits
        return self.low <= value <= self.high

    @property
    def range_text(self):
        direction = "to" if self.ascending else "downto"
        return f"{self.left} {direction} {self.right}"

    @property
    def subtype(self):
        """The subtype indication of the bench's signal for this port."""
        if self.is_integer:
            return f"integer range {self.range_text}"
        if self.is_vector:
            return f"{self.type_mark}({self.range_text})"
        if self.type_mark in ("std_logic", "std_ulogic"):
            return "std_logic"
        return self.type_mark

    def as_slv(self, signal):
        """A std_logic_vector expression of the port's width for the value
        of the bench's signal of this port, its leftmost element the most
        significant (its index range may be the port's own, ascending
        included: the bench compares and prints it element by element)."""
        mark = self.type_mark
        if self.is_integer:
            convert = "to_signed" if self.low < 0 else "to_unsigned"
            return f"std_logic_vector({convert}({signal}, {self.width}))"
        if mark == "bit":
            return f"std_logic_vector'(0 => to_stdulogic({signal}))"
        if mark == "boolean":
            # std_ulogic'val(2) is '0', (3) is '1': false and true.
            return f"std_logic_vector'(0 => std_ulogic'val(boolean'pos({signal}) + 2))"
        if not self.is_vector:
            return f"std_logic_vector'(0 => {signal})"
        if mark == "std_logic_vector":
            return signal
        if mark == "bit_vector":
            return f"to_stdlogicvector({signal})"
        return f"std_logic_vector({signal})"

    def from_slv(self, expression):
        """An expression of the port's type for the value in `expression`, a
        std_logic_vector name of the port's width indexed (width - 1 downto
        0): what the bench drives onto the port's signal. A one-bit port
        takes its element (a name can be indexed)."""
        mark = self.type_mark
        if self.is_integer:
            kind = "signed" if self.low < 0 else "unsigned"
            return f"to_integer({kind}({expression}))"
        if mark == "boolean":
            return f"{expression} = \"1\""
        if mark == "bit":
            return f"to_bit({expression}(0))"
        if not self.is_vector:
            return f"{expression}(0)"
        if mark == "std_logic_vector":
            return expression
        if mark == "bit_vector":
            return f"to_bitvector({expression})"
        return f"{mark}({expression})"

    def control_association(self, signal, prefix):
        """The port map's association of this one-bit control port with
        the bench's std_logic signal, and the functions it needs (each a
        tuple of lines): the clock,
        reset, start and completion pieces drive and read std_logic, and a
        bit, boolean or X01 port reaches them through a conversion in the
        port map (which adds no delta cycle)."""
        mark = self.type_mark
        if mark in ("std_logic", "std_ulogic"):
            return f"{self.name} => {signal}", []
        into, out_of = f"{prefix}{mark}_of", f"{prefix}logic_of_{mark}"
        if self.mode == "in":
            function = (f"function {into}(s : std_ulogic) return {mark} is", "begin",
                        f"  return {CONTROL_INTO[mark]};", f"end function {into};")
            return f"{self.name} => {into}({signal})", [function]
        function = (f"function {out_of}(v : {mark}) return std_ulogic is", "begin",
                    f"  {CONTROL_OUT_OF[mark]}", f"end function {out_of};")
        return f"{out_of}({self.name}) => {signal}", [function]

    def to_json(self):
        return [self.name, self.mode, self.type_mark, self.left, self.right, self.ascending]

    @classmethod
    def from_json(cls, item):
        return cls(*item)

    def __eq__(self, other):
        return isinstance(other, Port) and self.to_json() == other.to_json()

    def __repr__(self):
        return f"Port({self.name} : {self.mode} {self.subtype})"


# Control ports of these types reach the bench's std_logic signals through
# these conversions. Into the port: the bench drives 'U' before its first
# assignment, which X01 and X01Z cannot hold (to_X01 gives 'X').
CONTROL_INTO = {"bit": "to_bit(s)", "boolean": "s = '1'", "x01": "to_X01(s)",
                "x01z": "to_X01(s)", "ux01": "s", "ux01z": "s"}
CONTROL_OUT_OF = {
    "bit": "return to_stdulogic(v);",
    "boolean": "if v then return '1'; else return '0'; end if;",
    "x01": "return v;", "x01z": "return v;", "ux01": "return v;", "ux01z": "return v;",
}


class _Tree:
    """The dumped tree with its cross references (ref="id") resolved."""

    def __init__(self, root):
        self.root = root
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


class _Evaluator:
    """The value of a bound expression GHDL left unfolded because it depends
    on generics: integer literals, generics (the value given with --generic,
    else the default), constants, parentheses, unary - + abs and
    + - * / mod rem **. Anything else (a function call, an attribute) raises
    PortError naming the expression's place."""

    DYADIC = {
        "addition_operator": lambda a, b: a + b,
        "substraction_operator": lambda a, b: a - b,
        "multiplication_operator": lambda a, b: a * b,
        "division_operator": lambda a, b: _divide(a, b)[0],
        "remainder_operator": lambda a, b: _divide(a, b)[1],
        "modulus_operator": lambda a, b: _modulus(a, b),
        "exponentiation_operator": lambda a, b: _power(a, b),
    }
    MONADIC = {"negation_operator": lambda a: -a, "identity_operator": lambda a: a,
               "absolute_operator": abs}

    def __init__(self, tree, generics):
        self.tree = tree
        self.generics = generics  # name -> integer given with --generic

    def value(self, node, depth=0):
        tree = self.tree
        node = tree.deref(node)
        kind = node.get("kind") if node is not None else None
        if depth > 64:
            raise _Unknown(node, "nested too deeply")
        if kind == "integer_literal":
            return int(node.get("value", "").strip())
        if kind in self.DYADIC:
            left = self.value(node.find("left"), depth + 1)
            right = self.value(node.find("right"), depth + 1)
            try:
                return self.DYADIC[kind](left, right)
            except ZeroDivisionError:
                raise _Unknown(node, "divides by zero")
            except ValueError as e:
                raise _Unknown(node, str(e))
        if kind in self.MONADIC:
            return self.MONADIC[kind](self.value(node.find("operand"), depth + 1))
        if kind == "parenthesis_expression":
            return self.value(node.find("expression"), depth + 1)
        if kind in ("simple_name", "selected_name"):
            target = tree.child(node, "named_entity")
            target_kind = target.get("kind") if target is not None else None
            if target_kind == "interface_constant_declaration":
                name = target.get("identifier")
                if name in self.generics:
                    if self.generics[name] is None:
                        raise _Unknown(node, f"generic {name} is given no integer")
                    return self.generics[name]
                default = target.find("default_value")
                if default is None:
                    raise _Unknown(node, f"generic {name} has no value")
                return self.value(default, depth + 1)
            if target_kind == "constant_declaration" and target.find("default_value") is not None:
                return self.value(target.find("default_value"), depth + 1)
            raise _Unknown(node, f"{node.get('identifier')} is no generic or constant")
        raise _Unknown(node, (kind or "an unknown expression").replace("_", " "))


def _place(node):
    """ at FILE:LINE:COLUMN of a node of the tree, or nothing."""
    if node is None or not node.get("file"):
        return ""
    return f" at {node.get('file')}:{node.get('line')}:{node.get('col')}"


class _Unknown(Exception):
    def __init__(self, node, why):
        super().__init__(f"the expression{_place(node)} ({why})")
        # The functions the expression calls, in the order written: no value
        # of a generic makes such a bound computable.
        self.calls = []
        for element in node.iter() if node is not None else ():
            if element.get("kind") == "function_call":
                prefix = element.find("prefix")
                name = prefix.get("identifier") if prefix is not None else None
                if name and name not in self.calls:
                    self.calls.append(name)


def _divide(a, b):
    """VHDL's / and rem: the quotient rounds toward zero."""
    q = abs(a) // abs(b)
    q = q if (a < 0) == (b < 0) else -q
    return q, a - q * b


def _modulus(a, b):
    """VHDL's mod: the sign of the right operand, as Python's %."""
    if b == 0:
        raise ZeroDivisionError
    return a % b


def _power(a, b):
    if b < 0:
        raise ValueError("a negative exponent")
    if b > 256:
        raise ValueError(f"an exponent of {b}")
    return a ** b


def _range(tree, evaluator, constraint, where):
    """(left, right, ascending) of a range constraint, its bounds computed
    from the generics where GHDL could not fold them."""
    if constraint is None or constraint.get("kind") != "range_expression":
        raise PortError(f"{where}: GHDL gives its range as no range expression")
    bounds = []
    for side in ("left", "right"):
        node = constraint.find(f"{side}_limit")
        if node is None:
            node = constraint.find(f"{side}_limit_expr")
        try:
            bound = evaluator.value(node)
        except _Unknown as e:
            if e.calls:
                called = " and ".join(e.calls)
                raise PortError(f"{where}: fsmd-sim cannot compute {e}: it calls {called}, and a"
                                " width computed by a function call is out of reach whatever the"
                                " generics; fsmd-sim computes integer literals, generics,"
                                " constants, parentheses and + - * / mod rem ** abs")
            raise PortError(f"{where}: fsmd-sim cannot compute {e}; it computes integer"
                            " literals, generics, constants, parentheses and + - * / mod"
                            " rem ** abs (give the generic with --generic NAME=VALUE)")
        if not INTEGER_LOW <= bound <= INTEGER_HIGH:
            raise PortError(f"{where}: the bound{_place(tree.deref(node))} is {bound},"
                            " beyond VHDL's integer")
        bounds.append(bound)
    return bounds[0], bounds[1], constraint.get("direction") == "to"


def _check_nonempty(where, left, right, ascending):
    if (left > right) if ascending else (left < right):
        direction = "to" if ascending else "downto"
        raise PortError(f"{where}: its range ({left} {direction} {right}) is empty")


ACCEPTED = ("std_logic, std_ulogic and its subtypes, bit, boolean, integer subtypes with a"
            " range, and std_logic_vector, std_ulogic_vector, signed, unsigned or bit_vector"
            " of constant width")


def _classify(tree, evaluator, decl, entity):
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
        if package != "std_logic_1164" or mark is None:
            # A subtype of std_ulogic of the design's own is still one logic
            # element: declared as std_logic in the bench, which cannot see it.
            mark = "std_logic"
        # X01, UX01 ... keep their names: a scalar port's actual must have
        # the port's bounds.
        return Port(name, mode, mark)
    if base_name in (BIT, BOOLEAN):
        return Port(name, mode, base_name[1])
    if base_name == INTEGER:
        constraint = tree.child(type_node, "range_constraint")
        left, right, ascending = _range(tree, evaluator, constraint, where)
        _check_nonempty(where, left, right, ascending)
        return Port(name, mode, "integer", left, right, ascending)
    if base_name in VECTOR_TYPES:
        if kind != "array_subtype_definition":
            raise PortError(f"{where}: {base_name[1]} without a constraint;"
                            " the bench needs a constant width")
        element = tree.base_type(tree.child(type_node, "element_subtype"))
        if tree.declaration_of(element) != VECTOR_ELEMENT.get(base_name[1], SCALAR_BASE):
            raise PortError(f"{where}: its elements are not std_ulogic")
        ranges = type_node.find("index_constraint_list")
        constraint = None
        if ranges is not None and len(ranges):
            constraint = tree.child(tree.deref(ranges[0]), "range_constraint")
        left, right, ascending = _range(tree, evaluator, constraint, where)
        _check_nonempty(where, left, right, ascending)
        mark = VECTOR_MARK.get(base_name[1], base_name[1])
        return Port(name, mode, mark, left, right, ascending)
    described = base_name[1] or base.get("kind", "an anonymous type").replace("_", " ")
    raise PortError(f"{where}: type {described} cannot be driven by the bench ({ACCEPTED})")


def _written(node, source_lines):
    """A declaration's identifier as the source writes it (GHDL's tree has
    it in lower case): found at the declaration's line and column, or
    anywhere on that line; else the tree's."""
    name = node.get("identifier")
    lines = source_lines(node.get("file")) if source_lines else None
    try:
        text = lines[int(node.get("line")) - 1]
        column = int(node.get("col")) - 1
    except (TypeError, ValueError, IndexError):
        return name
    for start in (column, text.lower().find(name)):
        if start >= 0 and text[start:start + len(name)].lower() == name:
            return text[start:start + len(name)]
    return name


def _generic_values(tree, entity, decls, given, source_lines=None):
    """The integer value of each generic given with --generic (None for a
    value of another kind), by the lower-case name; PortError for a NAME the
    entity lacks or a generic without a default that is not given, each
    named as it is written."""
    from .literals import parse_literal
    written = {decl.get("identifier"): _written(decl, source_lines) for decl in decls}
    for name in given:
        if name.lower() not in written:
            listed = ", ".join(written.values()) if written else "none"
            raise PortError(f"entity {entity} has no generic {name} (--generic);"
                            f" its generics: {listed}")
    given_names = {name.lower() for name in given}
    for decl in decls:
        name = decl.get("identifier")
        if decl.find("default_value") is None and name not in given_names:
            raise PortError(f"generic {written[name]} of entity {entity} has no default value:"
                            f" give it with --generic {written[name]}=VALUE")
    values = {}
    for name, text in given.items():
        kind, value = parse_literal(text)
        if kind == "integer" and not INTEGER_LOW <= value <= INTEGER_HIGH:
            raise PortError(f"--generic {name}={text}: {value} is beyond VHDL's integer"
                            f" ({INTEGER_LOW} to {INTEGER_HIGH})")
        values[name.lower()] = value if kind == "integer" else None
    return values


PRIMARY_UNITS = ("entity_declaration", "package_declaration", "configuration_declaration")

# The dump holds every subprogram of std and ieee with its parameters and,
# for the bodies analysed, its statements: most of its text, none of it on
# the way from an entity to its ports' types (ports and generics are declared
# outside any subprogram, and the evaluator stops at a function call, naming
# the function from the call itself). Parsing the text without those insides
# takes a fraction of the time; each subprogram's own element stays, with
# every attribute, for the nodes that refer to it by id. The patterns are
# compiled where a tree is read, as the XML reader is imported there.
SUBPROGRAM_KIND = rb'kind="(?:function|procedure)_(?:declaration|body)"'
# An opening tag read by the attribute syntax GHDL writes: a value holds no
# '"' (written &#x22;) and no '<' (&#x3c;), but may hold '>' as it is (the
# operator functions ">" and ">=", a string literal's "/>").
OPENING_TAG = rb'<([A-Za-z_][\w.-]*)(?:\s+[\w.:-]+="[^"]*")*\s*(/?)>'
_LINE_AT_MOST = {}


def _line_indented_at_most(width):
    """The start of the next line indented by `width` spaces or fewer."""
    pattern = _LINE_AT_MOST.get(width)
    if pattern is None:
        pattern = _LINE_AT_MOST[width] = re.compile(rb"\n(?! {%d})" % (width + 1))
    return pattern


def _subprogram_end(data, tag):
    """Where the element opened by `tag` ends, relying on GHDL's layout: the
    first line after the opening tag that is indented no deeper than it
    starts with its closing tag. None where the text is laid out otherwise."""
    start = tag.start()
    line = data.rfind(b"\n", 0, start) + 1
    indent = data[line:start]
    if indent.strip(b" "):
        return None
    following = _line_indented_at_most(len(indent)).search(data, tag.end())
    closing = indent + b"</" + tag.group(1) + b">"
    if following is None or not data.startswith(closing, following.end()):
        return None
    return following.end() + len(closing)


def _without_subprogram_insides(data):
    """The dump's bytes with each subprogram declaration or body replaced by
    its opening tag made self-closing (nested subprograms go with the one
    around them); None where anything is not laid out as GHDL writes it, for
    the caller to parse the whole text."""
    subprogram_kind, opening_tag = re.compile(SUBPROGRAM_KIND), re.compile(OPENING_TAG)
    pieces, kept, at = [], 0, 0
    while True:
        kind = subprogram_kind.search(data, at)
        if kind is None:
            break
        if data[kind.start() - 1:kind.start()] not in (b" ", b"\n", b"\t", b"\r"):
            return None
        tag = opening_tag.match(data, data.rfind(b"<", 0, kind.start()))
        if tag is None or tag.end() < kind.end():
            return None
        if tag.group(2):  # already self-closing: nothing inside
            at = tag.end()
            continue
        end = _subprogram_end(data, tag)
        if end is None:
            return None
        pieces += [data[kept:tag.end() - 1], b"/>"]
        kept = at = end
    pieces.append(data[kept:])
    return b"".join(pieces)


def _read_root(source):
    """The root of the dumped tree in `source` (a file name or a file
    object), read once; without the subprograms' insides where they can be
    cut as GHDL lays them out, else whole, so that the tree read and any
    error are those of the whole text."""
    import xml.etree.ElementTree as ElementTree
    if hasattr(source, "read"):
        data = source.read()
    else:
        with open(source, "rb") as f:
            data = f.read()
    trimmed = _without_subprogram_insides(data) if isinstance(data, bytes) else None
    if trimmed is not None:
        try:
            return ElementTree.fromstring(trimmed)
        except ElementTree.ParseError:
            pass  # the whole text decides, and names the fault where it is
    whole = io.BytesIO(data) if isinstance(data, bytes) else io.StringIO(data)
    try:
        return ElementTree.parse(whole).getroot()
    except ElementTree.ParseError as e:
        raise PortError(f"GHDL's syntax tree is not readable XML: {e}")


def ports_from_xml(source, entity, architecture, generics=None, bench=None, source_lines=None):
    """The ports of `entity` in declaration order, from the XML that
    `ghdl --file-to-xml` wrote (a file name or a file object); generics
    maps lower-case generic names to the VHDL literals given for them.
    bench is the name of the unit the generated bench declares, which no
    design unit may have. source_lines(file), given, returns the lines of a
    design file, so that messages name generics as written. Raises PortError when the entity or architecture
    is missing, a generic is unknown or lacks a value, a unit takes the
    bench's name, or a port does not suit the bench."""
    return _ports_of(_Tree(_read_root(source)), entity, architecture, generics, bench,
                     source_lines)


def _ports_of(tree, entity, architecture, generics, bench, source_lines):
    """ports_from_xml on the tree read."""
    root = tree.root
    entity = entity.lower()
    architecture = architecture.lower()
    found = None
    architectures = []
    for unit in root.iter("library_unit"):
        kind, ident = unit.get("kind"), unit.get("identifier")
        if kind == "entity_declaration" and ident == entity:
            found = unit
        if kind in PRIMARY_UNITS and ident == bench:
            raise PortError(f"the design files declare {kind.partition('_')[0]} {ident}, the name"
                            f" of the bench fsmd-sim generates for entity {entity}: rename"
                            f" the {kind.partition('_')[0]}")
        if kind == "architecture_body":
            name = unit.find("entity_name")
            if name is not None and name.get("identifier") == entity:
                architectures.append(ident)
    if found is None:
        raise PortError(f"the design files declare no entity {entity}")
    if architecture not in architectures:
        from .library import no_architecture_message
        raise PortError(no_architecture_message(entity, architecture, architectures))
    chain = found.find("generic_chain")
    decls = [tree.deref(decl) for decl in (chain if chain is not None else [])]
    evaluator = _Evaluator(tree, _generic_values(tree, entity, decls, generics or {},
                                                 source_lines))
    ports = []
    chain = found.find("port_chain")
    for decl in (chain if chain is not None else []):
        ports.append(_classify(tree, evaluator, tree.deref(decl), entity))
    return ports

