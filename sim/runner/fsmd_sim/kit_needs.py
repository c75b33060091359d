"""Which of the kit's units a generated bench's run needs in its library.

The generated bench itself uses std_logic_textio alone, which every kit
library holds. A design may use the kit's packages too (its data types,
the text utilities), and the bundled benches need them all: a run whose
design files name a kit unit anywhere gets the whole kit, as before; any
other gets std_logic_textio alone, which is analysed in a fraction of the
time on a first run. The two are separate cache entries (their lists of
units differ, and so do their keys).
"""
import os


def unit_name(path):
    """The unit a kit file holds: each file is named after its unit (a
    package body's file after its package, with _body)."""
    return os.path.splitext(os.path.basename(path))[0].lower()


def units_needed(units, design_texts):
    """units (the kit's list) when any of design_texts names one of them,
    else none. A name found inside a longer word or in a comment counts
    too: at worst the run gets the whole kit, as every run did before."""
    names = [unit_name(path) for path in units]
    for text in design_texts:
        lowered = text.lower()
        if any(name in lowered for name in names):
            return list(units)
    return []
