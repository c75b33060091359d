#!/usr/bin/env python3
"""Acceptance: memories and valid/ready streams in the generated bench. An
array sum (read-only memory), an in-place reversal (in-out memory), a
stream filter (one input and one output stream) and a dataflow design
without start pass their models' vectors; a one-line fault in each fails
exactly the tests its model predicts, naming the test, the memory word or
stream index and the values; an address beyond the memory is a failure
naming it; a design that loses a value when ready drops passes at --stall 0
and fails at --stall 30, the same way every time; bad list fields are exit
3 with FILE:LINE:COLUMN; llvm and gcc write the same results files as
mcode.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR, FSMDKIT_CACHE_DIR.
"""
import random
import re
import shutil
import unittest
from dataclasses import dataclass

from asis_support import BACKEND, design, failure_lines, fresh, fsmd_sim, models, summary_counts

hexf, listf = models.hex_field, models.list_field
ARR = ["--memory", "arr:address=arr_addr,read_data=arr_q,enable=arr_en"]
BUF = ["--memory", "buf:address=buf_addr,read_data=buf_q,write_data=buf_d,write_enable=buf_we,enable=buf_en"]
FILTER = ["--stream", "x", "--stream", "y"]
PACKET = ["--stream", "din,last=din_last", "--stream", "dout", "--control", "start=none"]

rng = random.Random(2222)


def words(count):
    return [rng.randrange(1 << 16) for _ in range(count)]


@dataclass
class Case:
    inputs: list    # fields as text
    outputs: list
    failure: list   # ways the fault's failure line of this test may read, each a list of regexes
                    # it matches; [] when the fault passes the test


def value_mismatch(name, index, seen, expected, width):
    """A list whose word or index `index` differs: the name, the index, both
    values (how they are worded is the bench's)."""
    return [rf"\b{name}\b", rf"\b{name}\b\D{{0,20}}\b0*{index:X}\b", rf"\b{hexf(seen, width)}\b",
            rf"\b{hexf(expected, width)}\b"]


def list_failure(name, seen, expected, width):
    """The ways a failure may name a list that differs: the first differing
    index with its values, or the counts when they differ."""
    if seen == expected:
        return []
    ways = []
    for i, (s, e) in enumerate(zip(seen, expected)):
        if s != e:
            ways.append(value_mismatch(name, i, s, e, width))
            break
    if len(seen) != len(expected):
        ways.append([rf"\b{name}\b", rf"expected {len(expected)} values?, got {len(seen)}"])
    return ways


def array_sum_cases():
    # Lists shorter than n read as zeros after their end; longer ones are
    # summed up to n only.
    shapes = [(0, 0), (1, 1), (2, 2), (5, 3), (3, 6), (64, 64), (63, 64), (17, 17)] + [
        (n, n) for n in (rng.randrange(65) for _ in range(30))]
    cases = []
    for n, count in shapes:
        ws = words(count)
        seen, want = models.array_sum_fault(ws, n), models.array_sum(ws, n)
        cases.append(Case([hexf(n, 7), listf(ws, 16)], [hexf(want, 22)],
                          [] if seen == want else [[rf"\bsum={hexf(seen, 22)} sum_expected={hexf(want, 22)}\b"]]))
    return cases


def reverse_cases():
    cases = []
    for n in [0, 1, 3, 5, 4, 16, 15, 2, 9, 6] + [rng.randrange(17) for _ in range(20)]:
        ws = words(16)
        want, seen = models.reverse(ws, n), models.reverse_fault(ws, n)
        cases.append(Case([hexf(n, 5), listf(ws, 16)], [listf(want, 16)], list_failure("buf", seen, want, 16)))
    # Only the first n words checked, and one word left unchecked with '-'.
    ws = words(16)
    want = models.reverse(ws, 8)
    cases.append(Case([hexf(8, 5), listf(ws, 16)], [listf(want[:8], 16)],
                      list_failure("buf", models.reverse_fault(ws, 8)[:8], want[:8], 16)))
    unchecked_first = "[" + " ".join(["-"] + [hexf(w, 16) for w in models.reverse(ws, 3)[1:3]]) + "]"
    cases.append(Case([hexf(3, 5), listf(ws, 16)], [unchecked_first], []))
    return cases


def filter_cases():
    cases = []
    shapes = [(0x0100, [0x0050, 0x0020]), (0, []), (0x8000, words(10)), (0x0100, [0x0050, 0x0100, 0x0200, 0x0300])]
    shapes += [(rng.choice([0, 0x4000, 0xC000]), words(rng.randrange(12))) for _ in range(30)]
    shapes += [(0x1234, [0x1234]), (0x0FFF, [0x0FFF, 0x0FFE, 0x1000])]
    for limit, xs in shapes:
        want, seen = models.stream_filter(limit, xs), models.stream_filter_fault(limit, xs)
        cases.append(Case([hexf(len(xs), 8), hexf(limit, 16), listf(xs, 16)], [listf(want, 16)],
                          list_failure("y", seen, want, 16)))
    return cases


def packet_cases():
    packets = [words(rng.randrange(1, 12)) for _ in range(25)] + [[0xFFFF] * 16, [7]]
    want, seen = models.packet_sums(packets), models.packet_sums_fault(packets)
    return [Case([listf(p, 16)], [listf([w], 20)], list_failure("dout", [s], [w], 20))
            for p, w, s in zip(packets, want, seen)]


@dataclass
class Design:
    label: str
    entity: str
    fault: str
    options: list
    header: str
    cases: list

    def vectors(self):
        return models.vectors_text(self.header, [(c.inputs, c.outputs) for c in self.cases])

    def failing_tests(self):
        return [i for i, c in enumerate(self.cases, 1) if c.failure]


DESIGNS = [
    Design("array sum over a read-only memory", "array_sum", "array_sum_fault.vhd", ARR, "n arr : sum",
           array_sum_cases()),
    Design("in-place reversal of an in-out memory", "reverse_in_place", "reverse_in_place_fault.vhd", BUF,
           "n buf : buf", reverse_cases()),
    Design("stream filter, one input and one output stream", "stream_filter", "stream_filter_fault.vhd", FILTER,
           "n limit x : y", filter_cases()),
    Design("dataflow sum without start, packets marked by last", "packet_sum", "packet_sum_fault.vhd", PACKET,
           "din : dout", packet_cases()),
]


def run(d, item, variant, *extra):
    vectors = d / "v.vectors"
    vectors.write_text(item.vectors())
    return fsmd_sim(item.entity, "--design", design(variant), "--vectors", vectors, "--dir", d / "run",
                    "--quiet", "--max-cycles", "20000", *item.options, *extra)


class ArraysAndStreams(unittest.TestCase):
    """Catches: a memory not loaded or not checked, a stream not driven or
    not collected, a lost or repeated handshake, a fault that passes, or a
    failure that does not say where."""

    def test_each_design_passes_its_models_vectors(self):
        for i, item in enumerate(DESIGNS):
            with self.subTest(item.label):
                status, out, err = run(fresh(f"pass-{i}"), item, f"{item.entity}.vhd")
                self.assertEqual(status, 0, out[-3000:] + err)
                n = len(item.cases)
                self.assertEqual(summary_counts(out, item.entity), (n, n, 0), out[-2000:])

    def test_each_fault_fails_exactly_the_tests_its_model_predicts(self):
        for i, item in enumerate(DESIGNS):
            with self.subTest(item.label):
                expected = item.failing_tests()
                self.assertTrue(expected, "the vectors must reach the fault")
                d = fresh(f"fault-{i}")
                status, out, err = run(d, item, item.fault)
                self.assertEqual(status, 1, out[-3000:] + err)
                lines = failure_lines(out, item.entity)
                self.assertEqual(sorted(lines), expected)
                first = expected[0]
                self.assertRegex(lines[first], rf"^{item.entity} test {first}: FAILED: at \d+ ns")
                ways = item.cases[first - 1].failure
                self.assertTrue(any(all(re.search(p, lines[first]) for p in way) for way in ways),
                                f"{lines[first]}\nmatches none of {ways}")
                results = (d / "run" / f"{item.entity}_test_results.txt").read_text()
                self.assertRegex(results, rf"(?m)^test {first} FAILED at \d+ ns")

    def test_an_address_beyond_the_memory_fails_naming_memory_address_and_cycle(self):
        d = fresh("beyond")
        item = Design("", "array_sum", "", ["--memory", "arr:address=arr_addr,read_data=arr_q,enable=arr_en,depth=16"],
                      "n arr : sum", [])
        for n in (3, 16, 20, 5):
            ws = words(16)
            item.cases.append(Case([hexf(n, 7), listf(ws, 16)], [hexf(models.array_sum(ws, n), 22)], []))
        status, out, err = run(d, item, "array_sum.vhd")
        self.assertEqual(status, 1, out + err)
        lines = failure_lines(out, "array_sum")
        self.assertEqual(sorted(lines), [3])
        # Words 0 to 15 exist; the first address beyond them is 16, 10 in hexadecimal.
        for pattern in (r"\barr\b", r"\b0*10\b", r"cycle"):
            self.assertRegex(lines[3], pattern)
        self.assertEqual(summary_counts(out, "array_sum"), (4, 3, 1))


    @unittest.skipUnless(BACKEND != "mcode" and shutil.which("ghdl-mcode"),
                         "compares this back end with mcode, in the other back ends' runs")
    def test_this_back_end_writes_the_same_results_files_as_mcode(self):
        for i, item in enumerate(DESIGNS):
            with self.subTest(item.label):
                results = []
                for backend in ("mcode", BACKEND):
                    d = fresh(f"same-{i}-{backend}")
                    vectors = d / "v.vectors"
                    vectors.write_text(item.vectors())
                    status, out, err = fsmd_sim(item.entity, "--design", design(item.fault), "--vectors", vectors,
                                                "--dir", d / "run", "--quiet", *item.options, backend=backend)
                    self.assertEqual(status, 1, out[-2000:] + err)
                    results.append((d / "run" / f"{item.entity}_test_results.txt").read_bytes())
                self.assertEqual(results[0], results[1])


class BackPressure(unittest.TestCase):
    """Catches: --stall ignored, a stall pattern that changes from run to
    run, a bench that cannot stall without breaking a correct design."""

    @classmethod
    def setUpClass(cls):
        cases = []
        for _ in range(40):
            xs = words(rng.randrange(4, 12))
            cases.append(Case([hexf(len(xs), 8), hexf(0x1000, 16), listf(xs, 16)],
                              [listf(models.stream_filter(0x1000, xs), 16)], []))
        cls.item = Design("", "stream_filter", "", FILTER, "n limit x : y", cases)

    def test_correct_stream_designs_pass_under_stalls(self):
        packets = next(x for x in DESIGNS if x.entity == "packet_sum")
        for item in (self.item, packets):
            with self.subTest(item.entity):
                status, out, err = run(fresh(f"stall-{item.entity}"), item, f"{item.entity}.vhd",
                                       "--stall", "30", "--seed", "3")
                self.assertEqual(status, 0, out[-3000:] + err)
                self.assertRegex(out, r"(?i)stall[^\n]*\b30\b")

    def test_a_design_that_loses_a_value_when_ready_drops(self):
        status, out, err = run(fresh("lossy-0"), self.item, "stream_filter_lossy.vhd", "--stall", "0")
        self.assertEqual(status, 0, out[-3000:] + err)
        runs = []
        for attempt in (1, 2):
            d = fresh(f"lossy-30-{attempt}")
            status, out, err = run(d, self.item, "stream_filter_lossy.vhd", "--stall", "30", "--seed", "7")
            self.assertEqual(status, 1, out[-3000:] + err)
            lines = failure_lines(out, "stream_filter")
            self.assertTrue(lines)
            for line in lines.values():
                self.assertRegex(line, r"\by\b")
            runs.append((lines, (d / "run" / "stream_filter_test_results.txt").read_text()))
        self.assertEqual(runs[0], runs[1])


class BadListFields(unittest.TestCase):
    """Catches: a malformed list read as something else, or found only
    during the simulation, or reported without where it is."""

    def test_each_is_exit_3_with_file_line_and_column(self):
        d = fresh("bad-lists")
        good = "02 0000 [0001 0002] : [0001 0002]"
        cases = [
            # name, line 3, the columns the report may point at
            ("a missing bracket", "03 0000 [0001 0002 0003 : [0001 0002 0003]", range(9, 44)),
            ("an element too wide", "02 0000 [0001 10000] : [0001 10000]", [15]),
            ("an element not hexadecimal", "02 0000 [0001 00G2] : [0001 0002]", [15, 17]),
            ("a list on a scalar port", "[02] 0000 [0001 0002] : [0001 0002]", [1]),
            ("a scalar on a stream", "01 0000 0001 : [0001]", [9]),
        ]
        for name, line, columns in cases:
            with self.subTest(name):
                vectors = d / f"{name.replace(' ', '_')}.vectors"
                vectors.write_text(f"n limit x : y\n{good}\n{line}\n")
                status, out, err = fsmd_sim("stream_filter", "--design", design("stream_filter.vhd"),
                                            "--vectors", vectors, "--dir", d / "run", *FILTER)
                self.assertEqual(status, 3, out + err)
                m = re.search(rf"{re.escape(str(vectors))}:3:(\d+): ", err)
                self.assertIsNotNone(m, err)
                self.assertIn(int(m.group(1)), columns, err)
                self.assertFalse((d / "run" / "stream_filter_test_results.txt").exists())


if __name__ == "__main__":
    unittest.main(verbosity=2)
