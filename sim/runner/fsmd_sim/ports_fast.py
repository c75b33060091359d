"""The ports of a plain entity, read from the design's text without GHDL.

Asking GHDL for its syntax tree (ports.py) is most of the processor time
of a design's first run. Most designs are one file holding one entity of
std_logic, bit and vector ports with literal bounds; for such a file the
port list can be read from the text itself. This reader takes a file only
when nothing in it could make GHDL see the ports otherwise: one entity,
no generics, no package that could declare a type of a known name, no
block comments, plain identifiers, literal bounds. Any doubt and it
answers None, and the caller asks GHDL as before, which also gives the
messages for every fault. It never raises on the text it is given.

The Port list it gives is the one ports_from_xml gives on GHDL's tree:
names in lower case, buffer as out, VHDL-2008's std_logic_vector as the
std_ulogic_vector it is a subtype of.
"""
import re

from .ports import INTEGER_HIGH, INTEGER_LOW, Port

# A token of VHDL text; the groups are tried in this order. A "'" is a
# character literal or an attribute's tick, which the tokens before it
# decide (see _tokens). Text no group matches ends the reading.
TOKEN = re.compile(r"""
    (?P<space>[ \t\r\n\f\v]+)
  | (?P<comment>--[^\n]*)
  | (?P<word>[A-Za-z][A-Za-z0-9_]*)
  | (?P<number>[0-9][0-9A-Za-z_#.]*(?:[Ee][+-]?[0-9_]+)?)
  | (?P<string>"(?:[^"\n]|"")*")
  | (?P<tick>')
  | (?P<extended>\\)
  | (?P<delimiter>=>|:=|<=|>=|/=|\*\*|<>|\?\?|\?/=|\?<=|\?>=|\?=|\?<|\?>|<<|>>
                 |[&()*+,\-./:;<=>|\[\]^@?])
""", re.X)
CHARACTER = re.compile(r"'[ -~]'")

# VHDL-2008's reserved words (a superset of VHDL-93's): a "'" after one of
# them starts a character literal, and none names a port.
RESERVED = frozenset("""
    abs access after alias all and architecture array assert assume assume_guarantee
    attribute begin block body buffer bus case component configuration constant context
    cover default disconnect downto else elsif end entity exit fairness file for force
    function generate generic group guarded if impure in inertial inout is label library
    linkage loop map mod nand new next nor not null of on open or others out
    package parameter port postponed procedure process property protected pure range
    record register reject release rem report restrict restrict_guarantee return rol
    ror select sequence severity shared signal sla sll sra srl strong subtype then to
    transport type unaffected units until use variable vmode vprop vunit wait when while
    with xnor xor
""".split())

# The packages a context clause may use, and the library each is in. Any
# other (a package of the kit or of work, the Synopsys ones) may declare a
# type named like one below: GHDL decides.
ALLOWED_USES = {("ieee", "std_logic_1164"), ("ieee", "numeric_std"), ("std", "textio")}
ALLOWED_LIBRARIES = {"ieee", "std", "work"}
# Scalar types by name, and the package a design must use for each (None:
# std.standard, always visible).
SCALARS = {"std_logic": "std_logic_1164", "std_ulogic": "std_logic_1164",
           "bit": None, "boolean": None}
VECTORS = {"std_logic_vector": "std_logic_1164", "std_ulogic_vector": "std_logic_1164",
           "signed": "numeric_std", "unsigned": "numeric_std", "bit_vector": None}
# Integer subtypes taking a range, with the lowest bound each allows.
INTEGERS = {"integer": INTEGER_LOW, "natural": 0, "positive": 1}
# Every name of the above and the libraries: a port so named would hide one.
KNOWN_NAMES = frozenset(SCALARS) | frozenset(VECTORS) | frozenset(INTEGERS) | ALLOWED_LIBRARIES
# Units a design file may not hold for this reader: a package may declare
# types; a configuration or context may bind or make visible anything.
OTHER_UNITS = ("package", "configuration", "context")
# The kit's text package, which every run's library holds: a design that
# names it is left to GHDL and to the check for units the kit provides.
KIT_TEXTIO = b"std_logic_textio"


class _NotPlain(Exception):
    """The text is beyond this reader: GHDL is to read it."""


def read_ports(data, entity, architecture, bench, std):
    """The ports of `entity` (lower-cased Port names, in declaration order)
    in the design file's bytes `data`, with ARCHITECTURE declared for it,
    under VHDL revision std ("93c" or "08"); or None wherever GHDL's tree
    is needed. bench is the name of the generated bench's entity."""
    try:
        return _read(data, entity.lower(), architecture.lower(), bench.lower(), std)
    except _NotPlain:
        return None


def _read(data, entity, architecture, bench, std):
    """read_ports on lower-case names; raises _NotPlain."""
    if not data.isascii() or b"/*" in data:
        raise _NotPlain
    lowered = data.lower()
    if bench.encode() in lowered or KIT_TEXTIO in lowered:
        raise _NotPlain
    tokens = _tokens(data.decode("ascii"))
    if any(word in OTHER_UNITS for word in tokens):
        raise _NotPlain
    _check_context_items(tokens)
    start = _entity_declaration(tokens, entity)
    _check_architecture(tokens, entity, architecture)
    visible = _used_packages(tokens[:start])
    ports, end = _entity_ports(tokens, start + 3, entity, std, visible)
    # Between the entity and the first architecture: context items alone.
    first = tokens.index("architecture")
    if first < end or not _context_only(tokens[end:first]):
        raise _NotPlain
    return ports


def _tokens(text):
    """The text's tokens, lower case, without spaces and comments; a
    character literal is one token ("'x'" as written)."""
    tokens, at, end = [], 0, len(text)
    while at < end:
        match = TOKEN.match(text, at)
        if match is None:
            raise _NotPlain
        kind = match.lastgroup
        if kind == "extended":
            raise _NotPlain
        if kind == "tick":
            # A tick follows a name or a closing parenthesis; anywhere else
            # (after a reserved word, an operator, a comma) "'" opens a
            # character literal, which may hold "-" or '"'.
            previous = tokens[-1] if tokens else ""
            after_name = previous[:1].isalpha() and previous not in RESERVED
            if not (after_name or previous in (")", "]")):
                literal = CHARACTER.match(text, at)
                if literal is None:
                    raise _NotPlain
                tokens.append(literal.group())
                at = literal.end()
                continue
        if kind not in ("space", "comment"):
            tokens.append(match.group().lower() if kind != "string" else match.group())
        at = match.end()
    return tokens


def _check_context_items(tokens):
    """Every library and use clause in the file, the architecture's own
    included, names only what ALLOWED_LIBRARIES and ALLOWED_USES hold."""
    for at, word in enumerate(tokens):
        if word == "library":
            clause = tokens[at + 1:at + 3]
            if len(clause) < 2 or clause[1] != ";" or clause[0] not in ALLOWED_LIBRARIES:
                raise _NotPlain
        elif word == "use":
            clause = tokens[at + 1:at + 7]
            if (len(clause) < 6 or clause[1] != "." or clause[3:] != [".", "all", ";"]
                    or (clause[0], clause[2]) not in ALLOWED_USES):
                raise _NotPlain


def _context_only(tokens):
    """Whether the tokens are library and use clauses and nothing else
    (their form checked by _check_context_items)."""
    at = 0
    while at < len(tokens):
        if tokens[at] == "library":
            at += 3
        elif tokens[at] == "use":
            at += 7
        else:
            return False
    return at == len(tokens)


def _used_packages(context):
    """The packages the entity's context clause makes visible: a use clause
    of ieee counts after a library clause of ieee only."""
    if not _context_only(context):
        raise _NotPlain
    libraries, visible = {"std", "work"}, set()
    at = 0
    while at < len(context):
        if context[at] == "library":
            libraries.add(context[at + 1])
            at += 3
        else:
            library, package = context[at + 1], context[at + 3]
            if library not in libraries:
                raise _NotPlain
            visible.add(package)
            at += 7
    return visible


def _entity_declaration(tokens, entity):
    """Where the one entity declaration of the file starts; it must be
    ENTITY's. Every other use of the word (an instantiation, an attribute's
    entity class) is left to GHDL, as is a second entity."""
    found = [at for at, word in enumerate(tokens)
             if word == "entity" and (at == 0 or tokens[at - 1] != "end")]
    if len(found) != 1 or tokens[found[0] + 1:found[0] + 3] != [entity, "is"]:
        raise _NotPlain
    return found[0]


def _check_architecture(tokens, entity, architecture):
    """Every architecture of the file is one of ENTITY's, each name once,
    ARCHITECTURE among them."""
    names = []
    for at, word in enumerate(tokens):
        if word == "architecture" and (at == 0 or tokens[at - 1] != "end"):
            header = tokens[at + 1:at + 5]
            if len(header) < 4 or header[1:] != ["of", entity, "is"] or not _plain_name(header[0]):
                raise _NotPlain
            names.append(header[0])
    if architecture not in names or len(set(names)) != len(names):
        raise _NotPlain


def _plain_name(word):
    """A basic identifier that is no reserved word: letters, digits and
    single underscores between them."""
    return (bool(re.fullmatch(r"[a-z](?:_?[a-z0-9])*", word)) and word not in RESERVED)


def _entity_ports(tokens, at, entity, std, visible):
    """The ports of `entity is port (...); end [entity] [ENTITY];` from the
    token after "is", and the index after the declaration's ";". A generic
    clause, declarations or statements in the entity: GHDL's."""
    if tokens[at:at + 2] != ["port", "("]:
        raise _NotPlain
    at += 2
    ports, names = [], set()
    while True:
        entry, at = _port_entry(tokens, at, entity, std, visible)
        for port in entry:
            if port.name in names:
                raise _NotPlain
            names.add(port.name)
        ports += entry
        if tokens[at:at + 1] == [";"]:
            at += 1
            continue
        if tokens[at:at + 2] != [")", ";"]:
            raise _NotPlain
        at += 2
        break
    if tokens[at:at + 1] != ["end"]:
        raise _NotPlain
    at += 1
    for optional in ("entity", entity):
        if tokens[at:at + 1] == [optional]:
            at += 1
    if tokens[at:at + 1] != [";"]:
        raise _NotPlain
    return ports, at + 1


def _port_entry(tokens, at, entity, std, visible):
    """`name {, name} : mode subtype [:= literal]`: its Ports and the index
    after it."""
    names = []
    while True:
        name = tokens[at] if at < len(tokens) else ""
        if not _plain_name(name) or name in KNOWN_NAMES or name == entity:
            raise _NotPlain
        names.append(name)
        at += 1
        if tokens[at:at + 1] == [","]:
            at += 1
            continue
        if tokens[at:at + 1] != [":"]:
            raise _NotPlain
        at += 1
        break
    mode = tokens[at] if at < len(tokens) else ""
    if mode not in ("in", "out", "buffer"):
        raise _NotPlain
    kind, at = _subtype(tokens, at + 1, std, visible)
    if tokens[at:at + 1] == [":="]:
        at = _literal_end(tokens, at + 1)
    mode = "out" if mode == "buffer" else mode
    return [Port(name, mode, *kind) for name in names], at


def _subtype(tokens, at, std, visible):
    """(type_mark, left, right, ascending) of a subtype indication the
    reader knows, and the index after it."""
    mark = tokens[at] if at < len(tokens) else ""
    if mark in SCALARS:
        _check_visible(SCALARS[mark], visible)
        return (mark, None, None, False), at + 1
    if mark in VECTORS:
        _check_visible(VECTORS[mark], visible)
        if tokens[at + 1:at + 2] != ["("]:
            raise _NotPlain
        left, right, ascending, at = _range(tokens, at + 2, 0)
        if tokens[at:at + 1] != [")"]:
            raise _NotPlain
        if std == "08" and mark == "std_logic_vector":
            # In VHDL-2008 std_logic_vector is a resolved subtype of
            # std_ulogic_vector, and GHDL's tree names the latter.
            mark = "std_ulogic_vector"
        return (mark, left, right, ascending), at + 1
    if mark in INTEGERS:
        if tokens[at + 1:at + 2] != ["range"]:
            raise _NotPlain
        left, right, ascending, at = _range(tokens, at + 2, INTEGERS[mark])
        return ("integer", left, right, ascending), at
    raise _NotPlain


def _check_visible(package, visible):
    if package is not None and package not in visible:
        raise _NotPlain


def _range(tokens, at, lowest):
    """`L to R` or `L downto R` of decimal literals (a leading "-" where
    lowest allows negative values), not empty and within lowest and
    VHDL's integer: (left, right, ascending, index after it)."""
    left, at = _bound(tokens, at, lowest)
    direction = tokens[at] if at < len(tokens) else ""
    if direction not in ("to", "downto"):
        raise _NotPlain
    right, at = _bound(tokens, at + 1, lowest)
    ascending = direction == "to"
    if (left > right) if ascending else (left < right):
        raise _NotPlain
    return left, right, ascending, at


def _bound(tokens, at, lowest):
    negative = tokens[at:at + 1] == ["-"] and lowest < 0
    at += negative
    digits = tokens[at] if at < len(tokens) else ""
    # Ten digits at most: int() refuses thousands of them, and no bound
    # beyond VHDL's integer is taken, -2**31 included (its literal is not
    # an integer).
    if not digits.isdigit() or not digits.isascii() or len(digits) > 10:
        raise _NotPlain
    magnitude = int(digits)
    value = -magnitude if negative else magnitude
    if magnitude > INTEGER_HIGH or not max(lowest, INTEGER_LOW) <= value:
        raise _NotPlain
    return value, at + 1


def _literal_end(tokens, at):
    """The index after a port's default value, which does not change the
    port: a character or string literal (a bit string's base before it),
    a decimal literal with an optional sign, true or false, or
    (others => literal)."""
    if tokens[at:at + 3] == ["(", "others", "=>"]:
        if tokens[at + 4:at + 5] != [")"] or not _simple_literal(tokens[at + 3]):
            raise _NotPlain
        return at + 5
    if tokens[at:at + 1] == ["-"]:
        at += 1
        if not tokens[at:at + 1] or not tokens[at].isdigit():
            raise _NotPlain
    if tokens[at:at + 1] in (["b"], ["o"], ["x"]) and tokens[at + 1:at + 2] \
            and tokens[at + 1].startswith('"'):
        at += 1
    if at >= len(tokens) or not _simple_literal(tokens[at]):
        raise _NotPlain
    return at + 1


def _simple_literal(token):
    """A character, string or decimal literal, or true or false."""
    return (token.startswith(("'", '"')) or token in ("true", "false")
            or (token.isdigit() and token.isascii()))
