"""An input port's driver: the test's value onto the port. The conversion
from the field's std_logic_vector to the port's type is the port's
(`Port.from_slv`)."""
from .fields import HexField


def input_driver(port, names, drives=True):
    """Drives an input with the test's value and shows it in the test's line
    of results. drives=False (--overlap, where the ports are driven as the
    tests are offered, ahead of the checks): the line shows the field's
    digits as the vectors file has them (one blank before each, the exact
    digits of the port, what the image of the value would be), read as a
    string, which costs less than a second hexadecimal reading."""
    if not drives:
        shown = names.own(f"shown_{port.name}")
        return {
            "bench_variables": [f"variable {shown} : string(1 to {port.digits});"],
            "read_test": [f"read({names.vector}, {names.own('blank')});",
                          f"read({names.vector}, {shown});"],
            "result_fields": [
                f"write({names.result}, string'(\" {names.label(port)}=\"));",
                f"write({names.result}, {shown});",
            ],
        }
    field = HexField(port, names)
    signal = names.signal(port)
    return {
        "bench_variables": [field.declaration],
        "read_test": [field.read, f"{signal} <= {port.from_slv(field.bits)};"],
        "result_fields": [
            f"write({names.result}, string'(\" {names.label(port)}=\"));",
            f"write({names.result}, {names.image(port.as_slv(signal))});",
        ],
    }


def input_feed(port, names, line, delay):
    """(declaration, lines) that read an input's field from `line` and drive
    the port `delay` later: the share of the driver in offering the next
    test under --overlap."""
    field = HexField(port, names, "offered")
    return field.declaration, [f"hread({line}, {field.variable});",
                               f"{names.signal(port)} <= transport {port.from_slv(field.bits)} after {delay};"]
