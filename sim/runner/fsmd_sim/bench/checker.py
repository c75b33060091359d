"""An output port's checker: the expected value, the comparison, and the
output's part of the test's line of results. The output reaches the
comparison as a std_logic_vector through `Port.as_slv`."""
from .fields import HexField

# The flags of a test's line: the output checked bit for bit, checked where
# its mask says (the mask follows its value), not checked.
CHECKED, MASKED, NOT_CHECKED = "c", "m", "-"


def checked_flags(outputs, names):
    """The first field of a test's line: one character per output, 'c' when
    the test checks it, 'm' when it checks the digits its mask keeps, '-'
    when it does not. Returns the piece and each output's flag, an
    expression that is the output's character."""
    flags = names.own("flags")
    piece = {
        "bench_variables": [f"variable {flags} : string(1 to {len(outputs)});"],
        "read_test": [f"read({names.vector}, {flags});"],
    }
    return piece, [f"{flags}({i})" for i in range(1, len(outputs) + 1)]


def compares_signed(port):
    """Whether a tolerance reads the port's value in two's complement."""
    return port.is_signed


def is_maskable(port, tolerance):
    """Whether the vectors file may leave some digits of the output
    unchecked: not when a tolerance compares it as a number, nor when one
    digit is the whole port."""
    return tolerance is None and port.digits > 1


def output_checker(port, flag, names, tolerance=None):
    """Reads an output's expected value (kept in signals, to be seen in
    waveforms, with '-' in the bits the test does not check), clears
    `names.passed` when `flag` says the output is checked and it differs,
    and shows both values in the test's line of results. Checked bit for
    bit, equal bits pass at once; otherwise to_X01 reads 'L' and 'H' as '0'
    and '1', as numeric_std compares, and any metavalue fails. With a mask,
    std_match skips the '-' bits. With a `tolerance` (a number; the vectors
    file gives such an output no mask), the output passes within it of the
    expected value."""
    field = HexField(port, names)
    expected, checked = names.own(f"expected_{port.name}"), names.own(f"checked_{port.name}")
    actual = port.as_slv(names.signal(port))
    bits, result = field.bits, names.result
    declarations = [
        f"-- {port.name}: its expected value in the current test ('-' in the bits it does",
        "-- not check), and whether the test checks it ('-' in the vectors file).",
        f"signal {expected} : std_logic_vector({port.width - 1} downto 0);",
        f"signal {checked} : boolean;",
    ]
    variables = [field.declaration]
    read = [field.read]
    # The expected value in the test's line of results, by the output's flag.
    shown = [f"if {flag} = '{CHECKED}' then", f"  write({result}, {names.image(bits)});"]
    # One digit is the whole port: its '-' leaves the port unchecked.
    maskable = is_maskable(port, tolerance)
    if tolerance is None:
        check = [
            f"if {flag} = '{CHECKED}' and {actual} /= {bits} and to_X01({actual}) /= {bits} then",
            f"  {names.passed} := false;",
        ]
        if maskable:
            mask = names.own(f"mask_{port.name}")
            variables.append(f"variable {mask} :"
                             f" std_logic_vector({4 * port.digits - 1} downto 0);")
            read += [
                f"if {flag} = '{MASKED}' then",
                f"  hread({names.vector}, {mask});",
                f"  {bits} := {names.own('masked')}({bits}, {mask}({port.width - 1} downto 0));",
                "end if;",
            ]
            check += [
                f"elsif {flag} = '{MASKED}' and not std_match({actual}, {bits}) then",
                f"  {names.passed} := false;",
            ]
            shown += [
                f"elsif {flag} = '{MASKED}' then",
                f"  write({result}, {names.own('expected_image')}({bits}));",
            ]
        check.append("end if;")
    else:
        limit = names.own(f"tolerance_{port.name}")
        # A tolerance beyond the port's range passes the same values as the
        # range itself: it is kept, and shown (in hexadecimal, as every value
        # in the results), as the range.
        value = min(tolerance, (1 << port.width) - 1)
        digits = max(1, (value.bit_length() + 3) // 4)
        declarations += [
            f"-- The tolerance of {port.name} (--tolerance), as a number of its range.",
            f"constant {limit} : unsigned({4 * digits - 1} downto 0) := x\"{value:0{digits}X}\";",
        ]
        signed = "true" if compares_signed(port) else "false"
        check = [
            f"if {flag} = '{CHECKED}' and {actual} /= {bits}",
            f"    and not {names.own('within')}({actual}, {bits}, {limit}, {signed}) then",
            f"  {names.passed} := false;",
            "end if;",
        ]
        shown.append(f"  write({result}, {names.own('plus_minus')} & \"{value:X}\");")
    read += [f"{expected} <= {bits};",
             f"{checked} <= {flag} /= '{NOT_CHECKED}';" if maskable else
             f"{checked} <= {flag} = '{CHECKED}';"]
    return {
        "declarations": declarations,
        "bench_variables": variables,
        "read_test": read,
        "check_outputs": check,
        "result_fields": [
            f"write({result}, string'(\" {names.label(port)}=\"));",
            f"write({result}, {names.image(actual)});",
            f"write({result}, string'(\" {names.label(port)}_expected=\"));",
            *shown,
            "else",
            f"  write({result}, string'(\"-\"));",
            "end if;",
        ],
    }
