"""Checks a test-data file of one of the four bundled benches the way the
bench reads it, before the simulation starts.

The bench reads each field with hread into 32 bits: it skips blanks, then
takes 8 characters. A field that is not 8 hexadecimal digits is read as 0
or as garbage and the test may pass on it, so such a file is refused here.
Whatever follows the last field is ignored, as by the bench, even with no
blank before it. Lines beyond the bench's limit are never read by it.
"""
HEX_DIGITS = frozenset(b"0123456789abcdefABCDEF")
# hread skips space, carriage return and horizontal tab before a field.
BLANKS = b" \r\t"
DIGITS_PER_FIELD = 8


class DataError(Exception):
    """The first malformed field of a test-data file: FILE:LINE:COLUMN."""


class DataCheck:
    """The result of a check that found nothing wrong: the number of tests
    the bench will run and the lines it will never read."""

    def __init__(self, tests, ignored_lines):
        self.tests = tests
        self.ignored_lines = ignored_lines  # count of lines beyond the limit


def _lines(data):
    """The lines as the bench's readline sees them: split at LF, a last
    line without LF still a line."""
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return lines


def check(path, data, field_names, limit):
    """Checks `data`, the bytes of the test-data file `path`, for a bench
    whose lines hold `field_names` (inputs, then the expected output) and
    which reads at most `limit` lines. Returns DataCheck; raises DataError
    naming the line, column and field."""
    lines = _lines(data)
    for number, line in enumerate(lines[:limit], 1):
        pos = 0
        for name in field_names:
            while pos < len(line) and line[pos] in BLANKS:
                pos += 1
            field = line[pos:pos + DIGITS_PER_FIELD]
            for offset in range(DIGITS_PER_FIELD):
                if offset >= len(field):
                    if offset == 0:
                        cause = f"field {name} is missing: the line ends before it"
                    else:
                        cause = (f"field {name} has only {offset} hexadecimal digits; the bench"
                                 f" reads {DIGITS_PER_FIELD}")
                    raise DataError(f"{path}:{number}:{pos + offset + 1}: {cause}")
                if field[offset] not in HEX_DIGITS:
                    ch = field[offset]
                    shown = repr(chr(ch)) if 32 <= ch < 127 else f"byte {ch:#04x}"
                    raise DataError(f"{path}:{number}:{pos + offset + 1}: field {name}: {shown}"
                                    " is not a hexadecimal digit (each field is"
                                    f" {DIGITS_PER_FIELD} hexadecimal digits)")
            pos += DIGITS_PER_FIELD
    return DataCheck(min(len(lines), limit), max(0, len(lines) - limit))


def read_fields(line, count):
    """The first count fields of a line (bytes) as the bench reads them:
    blanks skipped, then 8 characters each; what follows is not read."""
    fields, pos = [], 0
    for _ in range(count):
        while pos < len(line) and line[pos] in BLANKS:
            pos += 1
        fields.append(line[pos:pos + DIGITS_PER_FIELD])
        pos += DIGITS_PER_FIELD
    return fields
