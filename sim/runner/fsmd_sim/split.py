"""Splitting a vectors file's tests into contiguous parts (`--jobs`,
`--shard`), and numbering a part's tests as the whole run numbers them.

A part's bench counts its tests from 1, as every bench does; the part's
results, its outcome and anything shown to the user carry the numbers of
the whole vectors file, so part 2 of a split after test k starts at k+1.
"""
import re
from itertools import repeat

from .errors import BadInput
from .results import results_pieces


def parse_shard(text):
    """(K, N) of `--shard K/N`, 1 <= K <= N."""
    k, slash, n = text.partition("/")
    if (slash and k.isascii() and k.isdigit() and n.isascii() and n.isdigit()
            and 1 <= int(k) <= int(n)):
        return int(k), int(n)
    raise BadInput(f"--shard {text!r}: give K/N, the K-th of N parts, with 1 <= K <= N")


def part_range(total, k, n):
    """The tests of part k of n as (first, end), 0-based and end excluded:
    contiguous, in order, sizes differing by one at most, the smaller parts
    first (as the guide says, so that a user can tell from it which shard
    holds a test); with more parts than tests, the first parts are empty.
    Every run that splits the same number of tests the same way computes
    the same ranges, wherever it runs."""
    size, larger = divmod(total, n)
    smaller = n - larger  # parts 1..smaller hold size tests, the rest size + 1

    def end(j):
        return j * size + max(0, j - smaller)
    return end(k - 1), end(k)


def renumber_results(text, offset):
    """A part's results file with every test line ('test N passed: ...',
    'test N FAILED at ...', 'test N HANG at ...') numbered N + offset;
    other lines (the verdict) as they are."""
    if not offset:
        return text
    out = []
    for numbers, piece in results_pieces(text):
        if numbers is not None:
            # A million lines of a split run: renumbered without a Python
            # step a line.
            numbers = map(str, map(offset.__add__, map(int, numbers)))
            out.append("".join(map("".join, zip(repeat("test "), numbers, repeat(" passed: cycles="),
                                                piece, repeat("\n")))))
            continue
        if piece.startswith("test "):
            number, blank, rest = piece[5:].partition(" ")
            if blank and number.isdigit():
                piece = f"test {int(number) + offset} {rest}"
        out.append(piece)
    return "".join(out)


_TEST_NUMBER = re.compile(r"\btest (\d+)\b")
# Where a hang's detail quotes the bench's own results line.
_QUOTED = "; the bench says: "


def renumber_outcome(outcome, offset):
    """A part's outcome with its tests, the lines of its results file it did
    not understand (a line cut short), and the test its detail names (a
    hang: 'test 7 never raised done ...'), numbered as in the whole run.
    Only the first 'test N' of the detail and of the bench's line quoted in
    it are the test's number: a path in between may hold such words."""
    if not offset:
        return outcome
    outcome.tests.renumber(offset)
    outcome.unexpected = [renumber_results(line, offset) for line in outcome.unexpected]

    def shift(text):
        return _TEST_NUMBER.sub(lambda m: f"test {int(m.group(1)) + offset}", text, count=1)

    head, quoted, rest = outcome.detail.partition(_QUOTED)
    outcome.detail = shift(head) + (quoted + shift(rest) if quoted else "")
    return outcome
