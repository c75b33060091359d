"""An input port's driver: the test's value onto the port. The conversion
from the field's std_logic_vector to the port's type is the port's
(`Port.from_slv`)."""
from .fields import HexField


def input_driver(port, names):
    """Drives an input with the test's value and shows it in the test's line
    of results."""
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
