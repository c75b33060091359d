#!/usr/bin/env python3
"""Runs fsmd-sim in this process and writes the processor time of that
process alone (user + system, from the interpreter's start; the GHDL
processes it starts are not in it) in seconds to a file:

    python3 -S own_time.py OUT LAUNCHER fsmd-sim's arguments...

The speed bench compares this with a plain ghdl run of the same bench: the
difference between two runs of one simulation on a busy machine is often
larger than fsmd-sim's whole share. LAUNCHER is tools/fsmd-sim, whose
Python code runs here as it would under its own interpreter."""
import resource
import runpy
import sys

out, launcher = sys.argv[1], sys.argv[2]
sys.argv = [launcher] + sys.argv[3:]
status = 0
try:
    runpy.run_path(launcher, run_name="__main__")
except SystemExit as e:
    status = e.code
finally:
    used = resource.getrusage(resource.RUSAGE_SELF)
    with open(out, "w") as f:
        f.write(f"{used.ru_utime + used.ru_stime}\n")
sys.exit(status)
