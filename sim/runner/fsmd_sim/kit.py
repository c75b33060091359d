"""Where the kit's VHDL, its analysis order and its examples live.

In the sources this package sits in sim/runner/ beside the VHDL folders of
sim/; installed, in share/fsmdkit/python/ beside share/fsmdkit/vhdl/ and
share/fsmdkit/examples/.
"""
import os

from .errors import BadInput


# Per VHDL revision: the list of the kit's units analysed, and the source of
# std_logic_textio (None: the one GHDL ships).
UNITS_LIST = {"93c": "kit-units.txt", "08": "kit-units-08.txt"}
TEXTIO_SOURCE = {"93c": None, "08": "std_logic_textio_08.vhd"}


class Kit:
    """The kit's VHDL for one VHDL revision (std, 93c or 08) and IEEE
    library (standard or synopsys): the units, their order and the flags of
    every GHDL command."""

    def __init__(self, root=None, std="93c", ieee="standard"):
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
        self.std, self.ieee = std, ieee
        runtime = os.path.join(self.vhdl, "runtime")
        self.units = read_list(os.path.join(runtime, UNITS_LIST[std]))
        self.textio = (os.path.join(runtime, TEXTIO_SOURCE[std]) if TEXTIO_SOURCE[std]
                       else None)
        # The flags file fixes the defaults; a run's revision and library
        # replace its --std and --ieee.
        self.flags = [flag for flag in read_list(os.path.join(runtime, "ghdl-flags.txt"))
                      if not flag.startswith(("--std=", "--ieee="))]
        self.flags[:0] = [f"--std={std}", f"--ieee={ieee}"]
        if ieee == "synopsys":
            # Designs written for the Synopsys packages compare vectors with
            # = and /=, which std_logic_unsigned declares beside
            # std_logic_1164: -fexplicit lets the explicit one win, as
            # those tools do.
            self.flags.append("-fexplicit")

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
