"""An input port's driver: the test's value onto the port. The conversion
from the field's std_logic_vector to the port's type is the port's
(`Port.from_slv`)."""
from .fields import HexField


def input_driver(port, names, drives=True):
    """Drives an input with the test's value and shows it in the test's line
    of results. drives=False (--overlap, where the ports are driven as the
    tests are offered, ahead of the checks): the line shows the field's
    digits as the vectors file has them (the exact digits of the port, what
    the image of the value would be), read with the blank before them as
    one string, which costs less than a hexadecimal reading."""
    if not drives:
        shown = names.own(f"shown_{port.name}")
        return {
            "bench_variables": [f"variable {shown} : string(1 to {port.digits + 1});"],
            "read_test": [f"read({names.vector}, {shown});"],
            "result_fields": [
                f"write({names.result}, string'(\" {names.label(port)}=\"));",
                f"write({names.result}, {shown}(2 to {port.digits + 1}));",
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


def input_offer(port, names, text, at, delay):
    """(declaration, lines) that decode an input's field at index `at` of
    the string `text` and drive the port `delay` later, moving `at` to the
    next field: the share of the driver in offering a test under --overlap,
    which reads the line by index and leaves it whole for the check."""
    field = HexField(port, names, "offered")
    return field.declaration, [
        f"{field.variable} := {names.own('from_hex')}({text}({at} to {at} + {port.digits - 1}));",
        f"{names.signal(port)} <= transport {port.from_slv(field.bits)} after {delay};",
        f"{at} := {at} + {port.digits + 1};",
    ]
