"""What an input option (--design, --data, --vectors) may name: a regular
file, or a pipe that is read once to its end, such as
`--vectors <(generator)` or a named pipe. fsmd-sim reads each input once,
keeps its bytes and copies them where the run needs them, so it never asks
a pipe for its text twice."""
import os
import stat


def is_input_file(path):
    """False for a missing path, a folder, a socket or a device (a device
    such as /dev/zero never ends)."""
    try:
        mode = os.stat(path).st_mode
    except (OSError, ValueError):
        return False
    return stat.S_ISREG(mode) or stat.S_ISFIFO(mode)
