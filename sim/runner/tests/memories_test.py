#!/usr/bin/env python3
"""End to end: the generated bench's memory model (--memory) against an
exact model of a single-port synchronous memory, through mem_probe, which
makes one access per test and reports the read data k edges later.

Catches: a read latency other than the one asked for, a write that also
reads, read data not held between reads, words of a previous test left in
the memory, contents not loaded from the input list or not checked against
the output list, '-' words checked, and an address beyond the memory not
reported with its memory, address and cycle; ports with extended
identifiers (holding "," and "=") not found by --memory.

Environment: FSMD_SIM, FSMD_BACKEND (default mcode), FSMD_TEST_DIR,
FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import random
import re
import shutil
import subprocess
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
DESIGN = pathlib.Path(__file__).resolve().parent / "designs" / "memories" / "mem_probe.vhd"
DEPTH = 12


def memory_option(latency, depth=DEPTH):
    return ["--memory", f"m:address=m_addr,read_data=m_q,write_data=m_d,write_enable=m_we,"
                        f"enable=m_en,depth={depth},latency={latency}"]


def random_tests(seed, count=40):
    """(addr, wdata, we, k, initial words, words checked at the end: None for
    not checked, '-' entries for unchecked words); the first test reads, so
    that the read data is known from the start."""
    rng = random.Random(seed)
    tests = []
    for i in range(count):
        init = [rng.randrange(256) for _ in range(rng.choice([0, 1, 5, DEPTH]))]
        we = i > 0 and rng.random() < 0.4
        check = rng.choice(["all", "all", "short", "dashes", None])
        tests.append((rng.randrange(DEPTH), rng.randrange(256), we,
                      3 if i == 0 else rng.randrange(1, 5), init, check))
    return tests


def model(tests, latency):
    """Per test: the read data the probe sees and the memory's words at the
    end. The memory is loaded afresh from each test's list (zeros after
    it); a read's word reaches the probe reading k >= latency edges after
    the memory took the address, and stays until the next read; a write
    reads nothing."""
    q, results = None, []
    for addr, wdata, we, k, init, _ in tests:
        words = init + [0] * (DEPTH - len(init))
        if we:
            words[addr] = wdata
            seen = q
        else:
            seen = words[addr] if k >= latency else q
            q = words[addr]
        results.append((seen, words))
    return results


def vectors(tests, results):
    lines = ["addr wdata we k m : q_seen m"]
    for (addr, wdata, we, k, init, check), (seen, words) in zip(tests, results):
        if check is None:
            expected = "-"
        else:
            shown = [f"{w:02X}" for w in words]
            if check == "short":
                shown = shown[:4]
            elif check == "dashes":
                shown = [s if i % 3 else "-" for i, s in enumerate(shown)]
            expected = "[" + " ".join(shown) + "]"
        lines.append(f"{addr:X} {wdata:02X} {int(we)} {k} [{' '.join(f'{w:02X}' for w in init)}]"
                     f" : {'-' if seen is None else f'{seen:02X}'} {expected}")
    return "\n".join(lines) + "\n"


def fsmd_sim(folder, text, *options, design=DESIGN):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "v.vectors").write_text(text)
    proc = subprocess.run([FSMD_SIM, "mem_probe", "--design", design, "--vectors", folder / "v.vectors",
                           "--dir", folder / "run", "--backend", BACKEND, "--quiet", *options],
                          capture_output=True, encoding="utf-8", errors="replace")
    return proc.returncode, proc.stdout, proc.stderr


def failures(out):
    return {int(m.group(1)): m.group(0) for m in re.finditer(r"^mem_probe test (\d+): FAILED: .*$", out, re.M)}


class MemoryModel(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(SCRATCH / "memories", ignore_errors=True)

    def test_reads_writes_and_contents_match_the_model_at_each_latency(self):
        for latency in (1, 2, 3):
            with self.subTest(latency=latency):
                tests = random_tests(latency)
                status, out, err = fsmd_sim(SCRATCH / "memories" / f"latency-{latency}",
                                            vectors(tests, model(tests, latency)), *memory_option(latency))
                self.assertEqual(status, 0, out[-2000:] + err)
                self.assertRegex(out, rf"mem_probe: {len(tests)} tests run, {len(tests)} passed")

    def test_a_bench_of_another_latency_fails_exactly_where_the_read_data_differs(self):
        tests = random_tests(7)
        # Reads whose k lies between the two latencies see different data.
        for made_for, modelled in ((1, 2), (3, 1)):
            with self.subTest(vectors_for=made_for, bench=modelled):
                wanted, got = model(tests, made_for), model(tests, modelled)
                differ = [i for i, (w, g) in enumerate(zip(wanted, got), 1) if w[0] != g[0]]
                self.assertTrue(differ, "the tests must reach the difference")
                status, out, err = fsmd_sim(SCRATCH / "memories" / f"wrong-{made_for}-{modelled}",
                                            vectors(tests, wanted), *memory_option(modelled))
                self.assertEqual(status, 1, out[-2000:] + err)
                self.assertEqual(sorted(failures(out)), differ)
                first = differ[0]
                seen, expected = got[first - 1][0], wanted[first - 1][0]
                self.assertIn(f"q_seen={seen:02X} q_seen_expected={expected:02X}", failures(out)[first])

    def test_a_wrong_word_names_test_memory_index_and_both_values(self):
        tests = random_tests(11, count=6)
        tests[3] = tests[3][:5] + ("all",)
        results = model(tests, 1)
        text = vectors(tests, results).splitlines()
        # Test 4 expects word 9 one higher than the memory holds.
        addr, wdata, we, k, init, _ = tests[3]
        words = results[3][1]
        wrong = list(words)
        wrong[9] = (wrong[9] + 1) % 256
        wrong[11] = (wrong[11] + 1) % 256
        head, _, _ = text[4].rpartition("[")
        text[4] = head.rstrip() + " [" + " ".join(f"{w:02X}" for w in wrong) + "]"
        status, out, err = fsmd_sim(SCRATCH / "memories" / "wrong-word", "\n".join(text) + "\n",
                                    *memory_option(1))
        self.assertEqual(status, 1, out + err)
        self.assertEqual(sorted(failures(out)), [4])
        self.assertRegex(failures(out)[4], rf"\bm\[9\]={words[9]:02X} m\[9\]_expected={wrong[9]:02X}"
                                           rf" \(m: 2 words differ\)")

    def test_words_after_the_list_and_words_a_previous_test_wrote_are_zero(self):
        text = ("addr wdata we k m : q_seen m\n"
                "A 77 1 1 [01 02] : - [01 02 00 00 00 00 00 00 00 00 77 00]\n"
                # Word A was written in test 1: the short list of test 2 leaves it zero.
                "A 00 0 1 [05] : 00 [05 00 00 00 00 00 00 00 00 00 00 00]\n"
                # No input column for m: every word zero.
                )
        status, out, err = fsmd_sim(SCRATCH / "memories" / "zeros", text, *memory_option(1))
        self.assertEqual(status, 0, out + err)
        zeros = "addr wdata we k : q_seen m\n3 00 0 2 : 00 [00 00 00 00 00 00 00 00 00 00 00 00]\n"
        status, out, err = fsmd_sim(SCRATCH / "memories" / "no-input", zeros, *memory_option(2))
        self.assertEqual(status, 0, out + err)

    def test_an_access_beyond_the_depth_fails_naming_memory_address_and_cycle(self):
        for we in (0, 1):
            with self.subTest(write=bool(we)):
                text = (f"addr wdata we k m : m\n"
                        f"1 11 1 1 [] : [00 11]\n"
                        f"D 22 {we} 1 [] : -\n"
                        f"2 33 1 1 [] : [00 00 33]\n")
                status, out, err = fsmd_sim(SCRATCH / "memories" / f"beyond-{we}", text,
                                            *memory_option(1, depth=13))
                self.assertEqual(status, 1, out + err)
                self.assertEqual(sorted(failures(out)), [2])
                if not we:
                    self.assertIn('q_seen="XXXXXXXX"', failures(out)[2])
                # Counted as the test's cycles are: the probe sets the address
                # at the test's first edge, the memory takes it at its second.
                self.assertRegex(failures(out)[2], r"\bm: address D at cycle 2 is beyond its last word, C\b")
                self.assertRegex(failures(out)[2], r"\bcycles=3\b")

    def test_without_enable_every_edge_reads_the_address(self):
        # The probe's enable is then a data output the vectors leave
        # unchecked; its address stays out after the access, so the read
        # data follows the word at that address on every edge.
        option = ["--memory", f"m:address=m_addr,read_data=m_q,depth={DEPTH}"]
        text = "addr wdata we k m : q_seen\n" + "".join(
            f"{a:X} 00 0 {k} [{' '.join(f'{10 * a + i:02X}' for i in range(DEPTH))}] : {11 * a:02X}\n"
            for a, k in ((3, 1), (7, 2), (0, 4), (11, 1)))
        status, out, err = fsmd_sim(SCRATCH / "memories" / "always", text, *option)
        self.assertEqual(status, 0, out + err)

    def test_memory_ports_with_extended_identifiers_are_named_as_written(self):
        # The probe with its address and write enable renamed: a ',' and an
        # '=' inside them split nothing.
        folder = SCRATCH / "memories" / "extended"
        folder.mkdir(parents=True, exist_ok=True)
        design = folder / "mem_probe.vhd"
        text = DESIGN.read_text()
        design.write_text(re.sub(r"\bm_we\b", r"\\M we=\\", re.sub(r"\bm_addr\b", r"\\m,addr\\", text)))
        vectors = ("addr wdata we k m : q_seen m\n"
                   "A 77 1 1 [01 02] : - [01 02 00 00 00 00 00 00 00 00 77 00]\n"
                   "A 00 0 1 [05] : 00 [05 00 00 00 00 00 00 00 00 00 00 00]\n")
        option = ["--memory", "m:address=\\m,addr\\,read_data=m_q,write_data=m_d,write_enable=\\M we=\\,"
                              f"enable=m_en,depth={DEPTH},latency=1"]
        status, out, err = fsmd_sim(folder, vectors, *option, design=design)
        self.assertEqual(status, 0, out + err)
        # Extended identifiers are case-sensitive: \m we=\ is another port.
        status, out, err = fsmd_sim(folder, vectors, option[0], option[1].replace("M we=", "m we="),
                                    design=design)
        self.assertEqual(status, 3, out + err)
        self.assertIn("no port \\m we=\\", err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
