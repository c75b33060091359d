"""What an input option (--design, --data, --vectors) may name: a regular
file, or a pipe or character device that is read once to its end, such as
`--vectors <(generator)` or a named pipe. fsmd-sim reads each input once,
keeps its bytes and copies them where the run needs them, so it never asks
a pipe for its text twice."""
import os
import stat


def is_input_file(path):
    """False for a missing path, a folder, a socket or a block device."""
    try:
        mode = os.stat(path).st_mode
    except (OSError, ValueError):
        return False
    return stat.S_ISREG(mode) or stat.S_ISFIFO(mode) or stat.S_ISCHR(mode)
