"""Streams (--stream PORT[,valid=V][,ready=R][,last=L]): a data port that
moves a sequence of values per test through a valid/ready handshake. PORT
is a column of the vectors file whose field is a list; its valid, ready and
last ports are not columns. An input port makes an input stream (the bench
drives PORT, valid and last, the design ready), an output port an output
stream (the reverse)."""
from . import port_names
from .errors import BadInput
from .ports import PortError
from .vector_lists import ListColumn

KEYS = ("valid", "ready", "last")
# --stall: the percentage of cycles in which the bench withholds valid and
# ready, 0 to this.
MAX_STALL = 99


class StreamSpec:
    """One --stream option: the data port and the names of its handshake
    ports by key (valid and ready default to PORT_valid and PORT_ready)."""

    def __init__(self, port, ports):
        self.port = port
        self.ports = dict(ports)

    def port_names(self):
        return {self.port, *self.ports.values()}


def parse_option(text, is_identifier=None):
    """A StreamSpec from the text of one --stream option. Port names are
    basic identifiers (any case) or extended ones as written, which may
    hold ',' and '='; raises BadInput naming what is wrong."""
    port, *items = (part.strip() for part in port_names.split(text, ","))
    port = port_names.key(port)
    if port is None:
        raise BadInput(f"--stream '{text}': give PORT[,valid=V][,ready=R][,last=L], PORT the"
                       " name of a data port")
    ports = {"valid": port_names.with_suffix(port, "_valid"),
             "ready": port_names.with_suffix(port, "_ready")}
    given = set()
    for item in items:
        # A key is a plain word: the first '=' ends it.
        key, eq, value = (part.strip() for part in item.partition("="))
        if not eq or key not in KEYS:
            raise BadInput(f"--stream '{text}': '{item}' is not KEY=PORT with KEY one of"
                           f" {', '.join(KEYS)}")
        if key in given:
            raise BadInput(f"--stream '{text}': {key} is given twice")
        name = port_names.key(value)
        if name is None:
            raise BadInput(f"--stream '{text}': {key}={value} is not a port name")
        given.add(key)
        ports[key] = name
    names = [port, *ports.values()]
    for name in names:
        if names.count(name) > 1:
            raise BadInput(f"--stream '{text}': port {name} has two roles")
    return StreamSpec(port, ports)


def check_distinct(specs, memory_specs=()):
    owners, given = {}, set()
    for spec in specs:
        if spec.port in given:
            raise BadInput(f"--stream {spec.port} is given twice")
        given.add(spec.port)
        for name in spec.port_names():
            if name in owners:
                raise BadInput(f"port {name} belongs to {owners[name]} and stream {spec.port}")
            owners[name] = f"stream {spec.port}"
    for spec in memory_specs:
        for name in spec.port_names():
            if name in owners:
                raise BadInput(f"port {name} belongs to {owners[name]} and memory {spec.name}")


def parse_stall(text):
    if text is None:
        return 0
    if not (text.isascii() and text.isdigit()) or int(text[:4]) > MAX_STALL:
        raise BadInput(f"--stall needs a percentage from 0 to {MAX_STALL}, not {text!r}")
    return int(text)


def parse_seed(text):
    if text is None:
        return 1
    if not (text.isascii() and text.isdigit()) or len(text.lstrip("0")) > 9:
        raise BadInput(f"--seed needs a decimal number from 0 to 999999999, not {text!r}")
    return int(text)


class Stream:
    """A stream bound to the design's ports: `port` the data port, `ports`
    its handshake ports by key; `is_input` when the bench drives it."""

    def __init__(self, port, ports):
        self.port = port
        self.ports = ports
        self.is_input = port.mode == "in"

    @property
    def name(self):
        return self.port.name

    def column(self):
        """Its column: an input stream's must be in the header, an output
        stream not named is not checked."""
        return ListColumn(self.name, self.port.mode, self.port, "stream", required=self.is_input)


def bind(specs, ports, control_names, entity):
    by_name = {p.name: p for p in ports}
    streams = []
    for spec in specs:
        port = by_name.get(spec.port)
        if port is None:
            raise PortError(f"stream {spec.port}: entity {entity} has no port {spec.port}")
        if spec.port in control_names:
            raise PortError(f"stream {spec.port}: port {spec.port} is a control port")
        # Input stream: the design takes valid and last, gives ready.
        modes = ({"valid": "in", "ready": "out", "last": "in"} if port.mode == "in"
                 else {"valid": "out", "ready": "in", "last": "out"})
        bound = {}
        for key, name in spec.ports.items():
            other = by_name.get(name)
            where = f"stream {spec.port}: {key}={name}"
            if other is None:
                default = key != "last" and name == port_names.with_suffix(spec.port, f"_{key}")
                hint = f" (name it with --stream {spec.port},{key}=PORT)" if default else ""
                raise PortError(f"{where}: entity {entity} has no port {name}{hint}")
            if name in control_names:
                raise PortError(f"{where}: port {name} is a control port")
            if other.mode != modes[key]:
                raise PortError(f"{where}: port {name} of an {port.mode}put stream must be an"
                                f" {modes[key]} port, not {other.mode}")
            if other.is_vector or other.is_integer:
                raise PortError(f"{where}: port {name} must be a std_logic or another one-bit"
                                f" type, not {other.subtype}")
            bound[key] = other
        streams.append(Stream(port, bound))
    return streams
