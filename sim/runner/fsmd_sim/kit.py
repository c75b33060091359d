"""Where the kit's VHDL, its analysis order and its examples live.

In the sources this package sits in sim/runner/ beside the VHDL folders of
sim/; installed, in share/fsmdkit/python/ beside share/fsmdkit/vhdl/ and
share/fsmdkit/examples/.
"""
import os

from .errors import BadInput


class Kit:
    def __init__(self, root=None):
        here = os.path.dirname(os.path.realpath(__file__))
        share = os.path.normpath(os.path.join(here, "..", ".."))
        if root is not None:
            self.vhdl = root
            self.examples = os.path.join(root, "examples")
        elif os.path.isfile(os.path.join(share, "vhdl", "runtime", "kit-units.txt")):
            self.vhdl = os.path.join(share, "vhdl")
            self.examples = os.path.join(share, "examples")
        else:
            self.vhdl = share  # sim/ of the source tree
            self.examples = os.path.join(share, "examples")
        self.units = read_list(os.path.join(self.vhdl, "runtime", "kit-units.txt"))
        self.flags = read_list(os.path.join(self.vhdl, "runtime", "ghdl-flags.txt"))

    def path(self, rel):
        return os.path.join(self.vhdl, rel)

    def design(self, bench):
        return os.path.join(self.examples, "designs", f"{bench}.vhd")

    def data(self, bench):
        return os.path.join(self.examples, "data", f"{bench}_test_data.txt")


def read_list(path):
    """The non-comment lines of one of the kit's list files."""
    try:
        with open(path) as f:
            return [ln.strip() for ln in f if ln.strip() and not ln.startswith("#")]
    except OSError as e:
        raise BadInput(f"the kit is incomplete: cannot read {path}: {e.strerror}")
    except UnicodeDecodeError:
        raise BadInput(f"the kit is damaged: {path} is not text")
