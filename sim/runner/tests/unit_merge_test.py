"""Merging the parts of a split run, and the shard manifest, without GHDL:
parts of different runs refused, missing and duplicated shards named, the
merged outcome and results file as one run would give them."""
import json
import os
import tempfile
import unittest

from fsmd_sim import shard_manifest
from fsmd_sim.errors import BadInput
from fsmd_sim.merge import Part, check_parts, merge_parts, merged_part_count
from fsmd_sim.split import part_range

PASSED, FAILED = "E test has passed", "E test has not passed"


def manifest(k, n, total, status=0, **changes):
    first, end = part_range(total, k, n)
    m = {"format": 1, "shard": k, "shards": n, "first_test": first + 1, "last_test": end,
         "tests_in_file": total, "entity": "e", "vectors_file": "/v", "vectors_sha256": "aa",
         "options_sha256": "bb", "backend": "mcode", "results_file": "e_test_results.txt",
         "status": status, "detail": "", "note": "", "messages": [], "unexpected": [],
         "verdict_line": FAILED if status else PASSED, "failures": {}, "coverage": None}
    m.update(changes)
    return m


def part(k, n, total, failed=(), hang=None, **changes):
    """Part k of n of total tests; failed: the whole run's numbers of its
    failing tests; hang: the test at which it hung."""
    first, end = part_range(total, k, n)
    lines, failures = [], {}
    for number in range(first + 1, end + 1):
        if number == hang:
            lines += [f"test {number} HANG at 9 ns: done did not rise within 5 cycles", FAILED]
            break
        if number in failed:
            lines.append(f"test {number} FAILED at 5 ns: y=1 y_expected=0 cycles=2")
            failures[str(number)] = f"at 5 ns: y=1 y_expected=0 cycles=2 (vectors file line {number + 1})"
        else:
            lines.append(f"test {number} passed: y=0 y_expected=0 cycles=2")
    status = 2 if hang else (1 if failed else 0)
    if not hang:
        lines.append(FAILED if failed else PASSED)
    m = manifest(k, n, total, status, failures=failures,
                 detail=f"test {hang} never raised done" if hang else "", **changes)
    return Part(m, "\n".join(lines) + "\n", where=f"dir{k}")


class Refused(unittest.TestCase):
    def test_parts_of_different_runs(self):
        # Catches merging shards of another vectors file, design or split.
        for field, value, meaning in (("vectors_sha256", "cc", "vectors file"),
                                      ("options_sha256", "dd", "design or options"),
                                      ("entity", "f", "entity"), ("shards", 3, "number of shards"),
                                      ("tests_in_file", 9, "number of tests")):
            with self.subTest(field):
                parts = [part(1, 2, 8), part(2, 2, 8, **{field: value})]
                with self.assertRaisesRegex(BadInput, f"dir2 and dir1 are shards of different runs:"
                                                      f" their {meaning}"):
                    check_parts(parts)

    def test_missing_and_duplicated_shards_are_named(self):
        cases = [([1, 2, 4], "shard 3 of 4 is missing"),
                 ([1, 4], "shards 2, 3 of 4 are missing"),
                 ([1, 2, 3, 3, 4], "shard 3 of 4 is given twice: dir3 and dir3")]
        for ks, message in cases:
            with self.subTest(ks):
                with self.assertRaisesRegex(BadInput, message):
                    check_parts([part(k, 4, 20) for k in ks])

    def test_a_manifest_whose_range_is_not_its_shards(self):
        p = part(2, 2, 10)
        p.manifest["first_test"] = 5
        with self.assertRaisesRegex(BadInput, "shard 2 of 2 should hold tests 6 to 10"):
            check_parts([part(1, 2, 10), p])

    def test_shards_cut_at_other_places_merge_if_they_hold_every_test_once(self):
        # Shards left by an fsmd-sim that put the larger parts elsewhere
        # (10 tests in 4: 1-2, 3-5, 6-7, 8-10) carry their ranges in their
        # manifests and still merge; a gap or an overlap between shards is
        # refused, naming the shard. Catches a merge that loses or repeats
        # tests, or refuses stored shards that are whole.
        def cut(ranges, total=10):
            parts = []
            for k, (first, last) in enumerate(ranges, 1):
                p = part(1, 1, total)
                lines = [f"test {t} passed: y=0 y_expected=0 cycles=2" for t in range(first, last + 1)]
                p.results_text = "\n".join(lines + [PASSED]) + "\n"
                p.manifest.update(shard=k, shards=len(ranges), first_test=first, last_test=last)
                p.where = f"dir{k}"
                parts.append(p)
            return parts
        outcome, text = merge_parts(check_parts(cut([(1, 2), (3, 5), (6, 7), (8, 10)])))
        self.assertEqual([line.split()[1] for line in text.splitlines()[:-1]],
                         [str(t) for t in range(1, 11)])
        self.assertEqual(outcome.status, 0)
        for ranges, message in (
                ([(1, 2), (4, 5), (6, 7), (8, 10)],
                 "dir2: shard 2 of 4 should hold the tests from 3 on, after those of shard 1;"
                 " its manifest says 4 to 5"),
                ([(1, 3), (3, 5), (6, 7), (8, 10)], "shard 2 of 4 should hold the tests from 4 on"),
                ([(2, 3), (4, 10)], "dir1: shard 1 of 2 should hold the tests from 1 on"),
                ([(1, 5), (6, 9)], "dir2: shard 2 of 2 should hold tests 6 to 10; its manifest"
                                   " says 6 to 9"),
                ([(1, 5), (6, 4), (5, 10)], "shard 2 of 3 should hold the tests from 6 on")):
            with self.subTest(ranges):
                with self.assertRaisesRegex(BadInput, message):
                    check_parts(cut(ranges))

    def test_no_part(self):
        with self.assertRaisesRegex(BadInput, "folders of the shards"):
            check_parts([])


class Merged(unittest.TestCase):
    def merge(self, parts):
        return merge_parts(check_parts(parts))

    def test_all_passed_is_one_runs_file_and_outcome(self):
        # Catches a verdict line per part, or tests out of order.
        outcome, text = self.merge([part(3, 3, 10), part(1, 3, 10), part(2, 3, 10)])
        self.assertEqual(text, "".join(f"test {n} passed: y=0 y_expected=0 cycles=2\n"
                                       for n in range(1, 11)) + PASSED + "\n")
        self.assertEqual((outcome.status, outcome.verdict_line, len(outcome.tests)), (0, PASSED, 10))
        self.assertEqual([t.number for t in outcome.tests], list(range(1, 11)))

    def test_failures_in_one_part_fail_the_run_with_their_vectors_lines(self):
        # Catches a failure that merge loses, or one shown without the line
        # of the vectors file that holds it.
        outcome, text = self.merge([part(1, 2, 6), part(2, 2, 6, failed=(5,))])
        self.assertEqual((outcome.status, outcome.verdict_line), (1, FAILED))
        self.assertTrue(text.endswith("test 5 FAILED at 5 ns: y=1 y_expected=0 cycles=2\n"
                                      "test 6 passed: y=0 y_expected=0 cycles=2\n" + FAILED + "\n"))
        self.assertEqual(text.count("test has"), 1)
        self.assertEqual([(t.number, t.line) for t in outcome.failed],
                         [(5, "at 5 ns: y=1 y_expected=0 cycles=2 (vectors file line 6)")])

    def test_a_hang_ends_the_run_there(self):
        # Catches a merged run that reports tests one process never reached,
        # or reports a hang as a failure.
        outcome, text = self.merge([part(1, 3, 9), part(2, 3, 9, hang=5), part(3, 3, 9, failed=(8,))])
        self.assertEqual((outcome.status, outcome.detail), (2, "test 5 never raised done"))
        self.assertEqual(len(outcome.tests), 4)
        self.assertTrue(text.endswith("test 5 HANG at 9 ns: done did not rise within 5 cycles\n"
                                      + FAILED + "\n"))
        self.assertIn("3 tests of later parts are left out", outcome.note)

    def test_a_file_without_tests(self):
        note = "the vectors file v holds no test; nothing was checked"
        parts = [part(k, 2, 0, note=note) for k in (1, 2)]
        outcome, text = self.merge(parts)
        self.assertEqual((outcome.status, outcome.note, text), (0, note, PASSED + "\n"))

    def test_simulation_messages_and_odd_lines_of_every_part_in_order(self):
        parts = [part(1, 2, 4, messages=["m1"], unexpected=["u1"]),
                 part(2, 2, 4, messages=["m2", "m3"], unexpected=["u2"])]
        outcome = self.merge(parts)[0]
        self.assertEqual((outcome.messages, outcome.unexpected), (["m1", "m2", "m3"], ["u1", "u2"]))


class AgainstTheManifest(unittest.TestCase):
    """A shard's results file that is not the one its run wrote is refused,
    naming the shard: merged as it stands it drops or doubles tests."""

    def test_a_results_file_that_is_not_the_shard_s_own_is_refused(self):
        def cut(p):
            p.results_text = "".join(p.results_text.splitlines(True)[:2])

        def foreign(p):
            p.results_text = part(1, 2, 10, failed=(3,)).results_text

        def edited(p):
            p.results_text = p.results_text.replace("test 8 FAILED at 5 ns: y=1 y_expected=0 cycles=2",
                                                    "test 8 passed: cycles=2")

        def dropped_line(p):
            lines = p.results_text.splitlines(True)
            p.results_text = "".join(lines[:1] + lines[2:])

        def doubled_line(p):
            lines = p.results_text.splitlines(True)
            p.results_text = "".join(lines[:1] + lines[:1] + lines[1:])

        cases = [
            (cut, "does not end with the verdict line"),
            (foreign, "holds 5 tests (tests 1 to 5) where the shard ran tests 6 to 10"),
            (edited, "its failed tests are not those its manifest records"),
            (dropped_line, "holds 4 tests (tests 6 to 10) where the shard ran tests 6 to 10"),
            (doubled_line, "holds 6 tests (tests 6 to 10) where the shard ran tests 6 to 10"),
        ]
        for damage, why in cases:
            with self.subTest(damage.__name__):
                second = part(2, 2, 10, failed=(8,))
                damage(second)
                with self.assertRaises(BadInput) as caught:
                    merge_parts(check_parts([part(1, 2, 10, failed=(3,)), second]))
                self.assertIn("dir2: the results file e_test_results.txt of shard 2 of 2 does not"
                              " agree with the shard's manifest: ", str(caught.exception))
                self.assertIn(why, str(caught.exception))

    def test_a_hung_shard_holds_the_tests_up_to_its_hang(self):
        # Catches the check taking a hung shard's fewer tests for a cut file.
        outcome, _ = merge_parts(check_parts([part(1, 2, 10), part(2, 2, 10, hang=8)]))
        self.assertEqual((outcome.status, len(outcome.tests)), (2, 7))

    def test_the_parts_one_run_is_made_of_end_at_the_first_hang(self):
        cases = [((0, 0, 0), 3), ((0, 2, 0), 2), ((3, 0, 2), 1), ((1, 1, 1), 3)]
        for statuses, count in cases:
            with self.subTest(statuses):
                parts = [Part({"status": s}, "") for s in statuses]
                self.assertEqual(merged_part_count(parts), count)


class Manifest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def test_written_and_read_back(self):
        m = manifest(2, 4, 100)
        shard_manifest.write(self.dir, m)
        self.assertEqual(shard_manifest.read(self.dir), m)

    def test_refusals(self):
        # Catches a folder that is no shard, or a damaged or hostile
        # manifest (a results file outside the folder) taken at its word.
        path = os.path.join(self.dir, shard_manifest.MANIFEST)
        cases = [(None, "holds no shard"), ("{", "is damaged"), ("[]", "not a shard manifest"),
                 (json.dumps(dict(manifest(1, 2, 4), format=2)), "not a shard manifest")]
        for field, value in (("shard", "1"), ("status", True), ("failures", []), ("entity", None),
                             ("unexpected", None)):
            cases.append((json.dumps(dict(manifest(1, 2, 4), **{field: value})),
                          f"field '{field}' is missing"))
        for field, value in (("shard", 3), ("status", 7), ("results_file", "../x"),
                             ("results_file", ".."), ("coverage", "/etc/passwd"),
                             ("failures", {"x": "y"})):
            cases.append((json.dumps(dict(manifest(1, 2, 4), **{field: value})), "out of range"))
        for text, message in cases:
            with self.subTest(text=text):
                if text is None:
                    if os.path.exists(path):
                        os.remove(path)
                else:
                    with open(path, "w") as f:
                        f.write(text)
                with self.assertRaisesRegex(BadInput, message):
                    shard_manifest.read(self.dir)


if __name__ == "__main__":
    unittest.main()


class OptionsDigest(unittest.TestCase):
    """Two shards of one run must agree on their options' digest, whatever
    objects their options are held in; other options must not."""

    class Job:
        def __init__(self, **options):
            import types
            self.options = types.SimpleNamespace(**options)
            self.sources = types.SimpleNamespace(items=[])

    def test_equal_options_held_in_distinct_objects_agree(self):
        from fsmd_sim.memories import MemorySpec
        from fsmd_sim.shard_manifest import options_digest
        from fsmd_sim.streams import StreamSpec

        def options(latency=2, names=("a", "b")):
            return dict(memories=[MemorySpec("arr", {"address": "a_addr"}, latency=latency)],
                        streams=[StreamSpec("x", {"valid": "x_valid", "ready": "x_ready"})],
                        names=set(names))

        same = options_digest(self.Job(**options()), "mcode")
        for other, expected_equal in ((options(), True), (options(names=("b", "a")), True),
                                      (options(latency=3), False), (options(names=("a",)), False)):
            with self.subTest(other=other):
                self.assertEqual(options_digest(self.Job(**other), "mcode") == same, expected_equal)
        self.assertNotEqual(options_digest(self.Job(**options()), "llvm"), same)
