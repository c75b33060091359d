"""The list of `--tests`: which tests of a vectors file run, by their
numbers in it ('57', '10-20,57').

The list is read in two steps: its form when the command line is read, its
numbers against the vectors file once that is parsed. Items may come in any
order and overlap; the tests run once each, in the order of the file.
"""
from .errors import BadInput

FORM = "numbers and ranges such as 57 or 10-20,57 (tests count from 1)"
# Digits beyond these name no test of any file; they are not converted.
MAX_DIGITS = 19


def _number(text, whole):
    text = text.strip()
    if not (text.isascii() and text.isdigit()):
        raise BadInput(f"--tests {whole!r}: {text!r} is not a test number; give {FORM}")
    if len(text) > MAX_DIGITS:
        return 10**MAX_DIGITS
    number = int(text)
    if number < 1:
        raise BadInput(f"--tests {whole!r}: there is no test 0; give {FORM}")
    return number


def parse(text):
    """The ranges (first, last) of a --tests list; raises BadInput for an
    empty, malformed or reversed one."""
    if not text.strip():
        raise BadInput(f"--tests is empty; give {FORM}")
    ranges = []
    for item in text.split(","):
        first, dash, last = item.partition("-")
        first = _number(first, text)
        last = _number(last, text) if dash else first
        if last < first:
            raise BadInput(f"--tests {text!r}: the range {item.strip()} is reversed;"
                           f" write {last}-{first}")
        ranges.append((first, last))
    return ranges


def numbers(ranges, count, text):
    """The numbers of the tests to run, ascending, once each; raises
    BadInput when the list names a test the vectors file (of `count`
    tests) does not hold."""
    beyond = max(last for _, last in ranges)
    if beyond > count:
        first_beyond = min(max(first, count + 1) for first, last in ranges if last > count)
        held = f"holds {count} test{'s' if count != 1 else ''}" if count else "holds no test"
        raise BadInput(f"--tests {text}: the vectors file {held}; test {first_beyond}"
                       " is beyond it")
    chosen = set()
    for first, last in ranges:
        chosen.update(range(first, last + 1))
    return sorted(chosen)


def skipped_before(numbers):
    """How many tests before the last one chosen do not run: those whose
    effect on a design that keeps state from test to test is missing."""
    return numbers[-1] - len(numbers) if numbers else 0
