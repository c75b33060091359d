"""Memories (--memory NAME:address=A[,read_data=Q][,write_data=D]
[,write_enable=WE][,enable=EN][,depth=N][,latency=L]): an array the design
reaches through the ports of a single-port synchronous memory, which the
generated bench models. NAME is a column of the vectors file, holding the
memory's contents when a test starts (input) and those expected when it
ends (output); the memory's ports are not columns."""
from . import port_names
from .errors import BadInput
from .ports import PortError
from .vector_lists import ListColumn

# The ports of a memory by their key in the option, and the direction each
# has on the design's side.
PORT_KEYS = {"address": "out", "read_data": "in", "write_data": "out", "write_enable": "out",
             "enable": "out"}
NUMBER_KEYS = ("depth", "latency")
DEFAULT_LATENCY = 1
# Rising edges from an address to its word: beyond this no memory a flow
# emits waits, and the bench's pipeline stays small.
MAX_LATENCY = 64
# The bench holds a memory's words in a signal, which GHDL keeps per bit:
# 65,536 words of 16 bits take about 400 MB of the simulator's memory. A
# wider address needs depth= to say how many words the array has.
MAX_DEPTH = 1 << 16


class MemorySpec:
    """One --memory option as given: NAME (lower case), the port names by
    key, depth (None: 2^width of the address) and latency."""

    def __init__(self, name, ports, depth=None, latency=DEFAULT_LATENCY):
        self.name = name
        self.ports = dict(ports)
        self.depth = depth
        self.latency = latency

    def port_names(self):
        return set(self.ports.values())


def parse_option(text, is_identifier):
    """A MemorySpec from the text of one --memory option; raises BadInput
    naming what is wrong."""
    usage = ("give NAME:address=A[,read_data=Q][,write_data=D][,write_enable=WE][,enable=EN]"
             "[,depth=N][,latency=L]")
    name, colon, rest = text.partition(":")
    name = name.strip()
    if not colon or not is_identifier(name):
        raise BadInput(f"--memory '{text}': {usage}, NAME a VHDL name (the column of the"
                       " vectors file)")
    ports, numbers = {}, {}
    # A port's extended identifier may hold ',': split outside them.
    for item in port_names.split(rest, ","):
        key, eq, value = (part.strip() for part in item.partition("="))
        if not eq or key not in (*PORT_KEYS, *NUMBER_KEYS):
            raise BadInput(f"--memory '{text}': '{item.strip()}' is not KEY=VALUE with KEY one"
                           f" of {', '.join((*PORT_KEYS, *NUMBER_KEYS))}")
        if key in ports or key in numbers:
            raise BadInput(f"--memory '{text}': {key} is given twice")
        if key in NUMBER_KEYS:
            if not (value.isascii() and value.isdigit()) or not value.strip("0"):
                raise BadInput(f"--memory '{text}': {key} needs a positive decimal number,"
                               f" not '{value}'")
            numbers[key] = int(value.lstrip("0")[:12])
        else:
            port = port_names.key(value)
            if port is None:
                raise BadInput(f"--memory '{text}': {key}={value} is not a port name")
            ports[key] = port
    if "address" not in ports:
        raise BadInput(f"--memory '{text}': address=PORT is required")
    if "read_data" not in ports and "write_data" not in ports:
        raise BadInput(f"--memory '{text}': a memory needs read_data, write_data or both")
    if "write_enable" in ports and "write_data" not in ports:
        raise BadInput(f"--memory '{text}': write_enable without write_data writes nothing")
    if "read_data" in ports and "write_data" in ports and "write_enable" not in ports:
        raise BadInput(f"--memory '{text}': a memory that is read and written needs"
                       " write_enable to tell a write from a read")
    named = list(ports.values())
    for port in named:
        if named.count(port) > 1:
            raise BadInput(f"--memory '{text}': port {port} has two roles")
    latency = numbers.get("latency", DEFAULT_LATENCY)
    if latency > MAX_LATENCY:
        raise BadInput(f"--memory '{text}': latency {latency} is beyond {MAX_LATENCY}")
    depth = numbers.get("depth")
    if depth is not None and depth > MAX_DEPTH:
        raise BadInput(f"--memory '{text}': depth {depth} is beyond the bench's {MAX_DEPTH}"
                       " words")
    return MemorySpec(name.lower(), ports, depth, latency)


def check_distinct(specs):
    """No two memories of one name or sharing a port."""
    names, owners = set(), {}
    for spec in specs:
        if spec.name in names:
            raise BadInput(f"--memory {spec.name} is given twice")
        names.add(spec.name)
        for port in spec.port_names():
            if port in owners:
                raise BadInput(f"port {port} belongs to memories {owners[port]} and {spec.name}")
            owners[port] = spec.name


class Memory:
    """A memory bound to the design's ports: `ports` maps each key to its
    Port; `word` is the port whose width the words have (read_data, else
    write_data); `depth` in words; `latency` in rising edges."""

    def __init__(self, spec, ports, depth):
        self.name = spec.name
        self.ports = ports
        self.depth = depth
        self.latency = spec.latency
        self.word = ports.get("read_data") or ports["write_data"]

    @property
    def width(self):
        return self.word.width

    def columns(self):
        """Its input column (contents at the start of a test, zeros when the
        header does not name it) and its output column (contents expected
        at the end), in the order of the bench's lines."""
        return [ListColumn(self.name, "in", self.word, "memory", self.depth),
                ListColumn(self.name, "out", self.word, "memory", self.depth)]


def bind(specs, ports, control_names, entity):
    """The memories of `specs` over the design's ports; raises PortError
    for a port that is missing, a control port, of the wrong direction or
    type, data ports of two widths, or a depth the address cannot reach."""
    by_name = {p.name: p for p in ports}
    memories = []
    for spec in specs:
        bound = {}
        for key, name in spec.ports.items():
            port = by_name.get(name)
            where = f"memory {spec.name}: {key}={name}"
            if port is None:
                raise PortError(f"{where}: entity {entity} has no port {name}")
            if name in control_names:
                raise PortError(f"{where}: port {name} is a control port")
            if port.mode != PORT_KEYS[key]:
                raise PortError(f"{where}: port {name} must be an {PORT_KEYS[key]} port, not"
                                f" {port.mode}")
            one_bit = key in ("write_enable", "enable")
            if one_bit and (port.is_vector or port.is_integer):
                raise PortError(f"{where}: port {name} must be a std_logic or another one-bit"
                                f" type, not {port.subtype}")
            bound[key] = port
        q, d = bound.get("read_data"), bound.get("write_data")
        if q is not None and d is not None and q.width != d.width:
            raise PortError(f"memory {spec.name}: read_data {q.name} has {q.width} bits and"
                            f" write_data {d.name} {d.width}: the words have one width")
        address = bound["address"]
        if address.is_integer and address.low < 0:
            raise PortError(f"memory {spec.name}: address {address.name} has negative values"
                            f" ({address.range_text})")
        reach = 1 << address.width
        depth = spec.depth
        if depth is None:
            if reach > MAX_DEPTH:
                raise PortError(f"memory {spec.name}: address {address.name} of"
                                f" {address.width} bits reaches {reach} words, beyond the"
                                f" bench's {MAX_DEPTH}: give depth=N, the words of the array")
            depth = reach
        elif depth > reach:
            raise PortError(f"memory {spec.name}: depth {depth} is beyond the {reach} words"
                            f" that address {address.name} of {address.width} bits reaches")
        memories.append(Memory(spec, bound, depth))
    return memories


def check_names(memories, data_ports):
    """A memory's name is a column: no data port may have it."""
    names = {p.name for p in data_ports}
    for memory in memories:
        if memory.name in names:
            raise PortError(f"memory {memory.name} is named like a data port of the design;"
                            " the vectors file could not tell them apart: name the memory"
                            " otherwise")
