"""Standard output whose reader goes away: fsmd_sim.output without GHDL."""
import errno
import io
import os
import unittest

from fsmd_sim import output


class FailingStream(io.StringIO):
    """A text stream whose writes fail with errno once `fail` is set."""

    def __init__(self):
        super().__init__()
        self.fail = None

    def write(self, text):
        if self.fail is not None:
            raise OSError(self.fail, os.strerror(self.fail))
        return super().write(text)

    def flush(self):
        if self.fail is not None:
            raise OSError(self.fail, os.strerror(self.fail))


class ReaderGone(unittest.TestCase):
    def test_a_gone_reader_drops_the_output_and_other_errors_stay_errors(self):
        cases = [
            # errno of the failing write, whether fsmd-sim goes on
            (errno.EPIPE, True),  # | head has exited
            (errno.EBADF, True),  # the descriptor was closed
            (errno.ENOSPC, False),  # > file on a full disk: a real failure
            (errno.EIO, False),
        ]
        for number, forgiven in cases:
            with self.subTest(errno.errorcode[number]):
                read_end, write_end = os.pipe()
                try:
                    stream = FailingStream()
                    guarded = output.ForgivingStream(stream, write_end)
                    guarded.write("shown\n")
                    stream.fail = number
                    if forgiven:
                        self.assertEqual(guarded.write("lost\n"), 5)
                        guarded.flush()
                        self.assertTrue(guarded.reader_gone)
                        self.assertFalse(guarded.isatty())
                        # The descriptor now leads nowhere, so the flush at
                        # the interpreter's exit succeeds too.
                        self.assertEqual(os.write(write_end, b"x"), 1)
                        self.assertEqual(os.path.realpath(f"/proc/self/fd/{write_end}"),
                                         os.devnull)
                    else:
                        with self.assertRaises(OSError):
                            guarded.write("lost\n")
                        self.assertFalse(guarded.reader_gone)
                    self.assertEqual(stream.getvalue(), "shown\n")
                finally:
                    os.close(read_end)
                    os.close(write_end)


class Encoding(unittest.TestCase):
    def test_a_path_that_is_not_utf8_shows_as_the_replacement_character(self):
        path = os.fsdecode(b"/tmp/pop\xff\xfecount.vhd")
        cases = [
            # encoding of the stream, text, bytes written
            ("utf-8", f"design {path}\n", "design /tmp/pop\ufffd\ufffdcount.vhd\n".encode()),
            ("utf-8", "ok \u2713\n", "ok \u2713\n".encode()),
            ("ascii", f"{path} \u2713\n", b"/tmp/pop??count.vhd \\u2713\n"),
        ]
        for encoding, text, expected in cases:
            with self.subTest(encoding=encoding, text=text):
                raw = io.BytesIO()
                stream = io.TextIOWrapper(raw, encoding=encoding, errors=output.SHOWN)
                stream.write(text)
                stream.flush()
                self.assertEqual(raw.getvalue(), expected)


if __name__ == "__main__":
    unittest.main()
