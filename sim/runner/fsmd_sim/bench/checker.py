"""An output port's checker: the expected value, the comparison, and the
output's part of the test's line of results. The output reaches the
comparison as a std_logic_vector through `Port.as_slv`."""
from .fields import HexField


def checked_flags(outputs, names):
    """The first field of a test's line: one character per output, 'c' when
    the test checks it, '-' when it does not. Returns the piece and each
    output's flag, an expression that is 'c' when the output is checked."""
    flags = names.own("flags")
    piece = {
        "bench_variables": [f"variable {flags} : string(1 to {len(outputs)});"],
        "read_test": [f"read({names.vector}, {flags});"],
    }
    return piece, [f"{flags}({i})" for i in range(1, len(outputs) + 1)]


def output_checker(port, flag, names):
    """Reads an output's expected value (kept in signals, to be seen in
    waveforms), clears `names.passed` when `flag` is 'c' and the output
    differs, and shows both values in the test's line of results. Equal
    bits pass at once; otherwise to_X01 reads 'L' and 'H' as '0' and '1',
    as numeric_std compares, and any metavalue fails."""
    field = HexField(port, names)
    expected, checked = names.own(f"expected_{port.name}"), names.own(f"checked_{port.name}")
    actual = port.as_slv(names.signal(port))
    bits, result = field.bits, names.result
    return {
        "declarations": [
            f"-- {port.name}: its expected value in the current test, and whether the test",
            "-- checks it ('-' in the vectors file leaves it unchecked).",
            f"signal {expected} : std_logic_vector({port.width - 1} downto 0);",
            f"signal {checked} : boolean;",
        ],
        "bench_variables": [field.declaration],
        "read_test": [field.read, f"{expected} <= {bits};", f"{checked} <= {flag} = 'c';"],
        "check_outputs": [
            f"if {flag} = 'c' and {actual} /= {bits} and to_X01({actual}) /= {bits} then",
            f"  {names.passed} := false;",
            "end if;",
        ],
        "result_fields": [
            f"write({result}, string'(\" {port.name}=\"));",
            f"write({result}, {names.image(actual)});",
            f"write({result}, string'(\" {port.name}_expected=\"));",
            f"if {flag} = 'c' then",
            f"  write({result}, {names.image(bits)});",
            "else",
            f"  write({result}, string'(\"-\"));",
            "end if;",
        ],
    }
