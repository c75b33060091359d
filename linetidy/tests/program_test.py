#!/usr/bin/env python3
"""Runs the built linetidy the way shells do: through pipes, files and
devices, checking its output, exit status and standard error.

usage: program_test.py PATH_TO_LINETIDY [unittest options]
"""
import os
import random
import signal
import subprocess
import sys
import threading
import time
import unittest

LINETIDY = None
HANG_LIMIT = 60  # seconds; a run still going by then has hung

OPTION_SETS = [([], False, False), (["-noprecspaces"], True, False),
               (["-notabs"], False, True), (["-notabs", "-noprecspaces"], True, True)]


def model(data, noprecspaces, notabs):
    """The filter's rules one byte at a time, written apart from the C++."""
    out = bytearray()
    seen_nonwhite, previous = False, ord("\n")
    for c in data:
        if c not in b" \t\n\v\f\r":
            seen_nonwhite = True
        if c == ord("\t"):
            if not notabs:
                out.append(c)
            elif previous != ord("\n"):
                out.append(ord(" "))
        elif not noprecspaces or seen_nonwhite:
            out.append(c)
        if c == ord("\n"):
            seen_nonwhite = False
        previous = c
    return bytes(out)


def random_bytes(rng, size):
    """Bytes weighted towards blanks, tabs, newlines, other white space, NUL
    and high bytes."""
    pool = b"    \t\t\t\n\n\n\v\f\r\0\x80\xa0\xffabcxyz;"
    return bytes(rng.choice(pool) if rng.random() < 0.95 else rng.randrange(256)
                 for _ in range(size))


def run(args, data=b"", pieces=(1 << 16,), **popen):
    """Feeds data in pieces of the given sizes (cycled), from a thread, and
    returns (exit status, stdout, stderr)."""
    proc = subprocess.Popen([LINETIDY] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, bufsize=0, **popen)

    def feed():
        pos, i = 0, 0
        try:
            while pos < len(data):
                size = pieces[i % len(pieces)]
                proc.stdin.write(data[pos:pos + size])
                pos, i = pos + size, i + 1
        except BrokenPipeError:
            pass  # the exit status tells why it stopped reading
        proc.stdin.close()

    feeder = threading.Thread(target=feed)
    feeder.start()
    out = proc.stdout.read()
    err = proc.stderr.read()
    feeder.join()
    return proc.wait(timeout=HANG_LIMIT), out, err


class LinetidyProgram(unittest.TestCase):
    def test_options_from_the_command_line(self):
        """Whole-string matches in any order and number; anything else, even
        a near miss, is ignored without a message."""
        data = b"  \t\tx\ty\n\n\tz \n"
        cases = [([], data),
                 (["-notabs"], b"    x y\n\nz \n"),
                 (["-noprecspaces"], b"\t\tx\ty\n\tz \n"),
                 (["-notabs", "-noprecspaces"], b"  x y\nz \n"),
                 (["-noprecspaces", "x.vhd", "-notabs", "-notabs"], b"  x y\nz \n"),
                 (["-NOTABS", "-noprecspace", "--notabs", "-notabsx", "-notabs ", ""], data),
                 (["-noprecspaces-notabs", "notabs", "-"], data)]
        for args, expected in cases:
            with self.subTest(args=args):
                self.assertEqual(run(args, data), (0, expected, b""))

    def test_matches_model_through_pipe_in_odd_pieces(self):
        """Short reads, lines straddling reads and blocks; some inputs span
        several of the program's blocks."""
        for seed in range(1, 25):
            rng = random.Random(seed)
            args, noprecspaces, notabs = OPTION_SETS[seed % 4]
            data = random_bytes(rng, 300000 if seed % 6 == 0 else rng.randrange(20000))
            pieces = [rng.randint(1, 7) if i % 3 == 0 else rng.randint(1, 9000) for i in range(16)]
            status, out, err = run(args, data, pieces)
            expected = model(data, noprecspaces, notabs)
            self.assertEqual((status, err), (0, b""), "seed %d" % seed)
            if out != expected:
                self.fail("linetidy %s, seed %d, input %r...: got %r..., expected %r..."
                          % (" ".join(args), seed, data[:200], out[:200], expected[:200]))

    def test_empty_input_gives_empty_output(self):
        self.assertEqual(run(["-noprecspaces", "-notabs"]), (0, b"", b""))

    def test_write_error_is_reported(self):
        """A full disk is reported, not taken for success."""
        with open("/dev/full", "wb") as full:
            proc = subprocess.run([LINETIDY, "-notabs"], input=b"\tint x;\n", stdout=full,
                                  stderr=subprocess.PIPE, timeout=HANG_LIMIT)
        self.assertEqual((proc.returncode, proc.stderr),
                         (1, b"linetidy: write error: No space left on device\n"))

    def test_read_error_is_reported(self):
        directory = os.open(".", os.O_RDONLY)  # reading it fails with EISDIR
        try:
            proc = subprocess.run([LINETIDY], stdin=directory, capture_output=True,
                                  timeout=HANG_LIMIT)
        finally:
            os.close(directory)
        self.assertEqual((proc.returncode, proc.stdout, proc.stderr),
                         (1, b"", b"linetidy: read error: Is a directory\n"))

    def test_closed_output_pipe_ends_the_run(self):
        """`linetidy < endless | head` ends once head has gone: by SIGPIPE as
        filters do, or, where SIGPIPE is ignored, with a message and status 1."""
        for ignore_sigpipe in (False, True):
            for read_some_first in (False, True):
                with self.subTest(ignore_sigpipe=ignore_sigpipe, read_some_first=read_some_first):
                    read_end, write_end = os.pipe()
                    if not read_some_first:
                        os.close(read_end)
                    with open("/dev/zero", "rb") as endless:
                        proc = subprocess.Popen(
                            [LINETIDY, "-noprecspaces"], stdin=endless, stdout=write_end,
                            stderr=subprocess.PIPE, restore_signals=not ignore_sigpipe)
                    os.close(write_end)
                    if read_some_first:
                        self.assertTrue(os.read(read_end, 1000))
                        os.close(read_end)
                    err = proc.stderr.read()
                    status = proc.wait(timeout=HANG_LIMIT)
                    if ignore_sigpipe:
                        self.assertEqual((status, err),
                                         (1, b"linetidy: write error: Broken pipe\n"))
                    else:
                        self.assertEqual((status, err), (-signal.SIGPIPE, b""))

    def test_non_blocking_descriptors_are_waited_on(self):
        """Descriptors inherited in non-blocking mode answer "try again" when a
        pipe is empty or full: that is waiting, not an error. The pauses make
        both happen; the outcome does not depend on them."""
        data = random_bytes(random.Random(2024), 1 << 20)
        in_read, in_write = os.pipe()
        out_read, out_write = os.pipe()
        os.set_blocking(in_read, False)
        os.set_blocking(out_write, False)
        proc = subprocess.Popen([LINETIDY, "-noprecspaces", "-notabs"], stdin=in_read,
                                stdout=out_write, stderr=subprocess.PIPE)
        os.close(in_read)
        os.close(out_write)

        def feed():
            time.sleep(0.1)  # the program finds its input empty
            with open(in_write, "wb") as sink:
                try:
                    sink.write(data)
                except BrokenPipeError:
                    pass  # the program gave up; its exit status says so

        feeder = threading.Thread(target=feed)
        feeder.start()
        time.sleep(0.3)  # the program finds its output full
        with open(out_read, "rb") as source:
            out = source.read()
        err = proc.stderr.read()
        feeder.join()
        self.assertEqual((proc.wait(timeout=HANG_LIMIT), err), (0, b""))
        self.assertTrue(out == model(data, True, True), "output differs from the model")


if __name__ == "__main__":
    LINETIDY = os.path.abspath(sys.argv.pop(1))
    unittest.main()
