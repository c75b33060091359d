"""What the acceptance tests of designs brought as they are share: running
fsmd-sim on the back end of FSMD_BACKEND, scratch folders, the designs and
their models (designs/asis), and reading failure lines.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR (a scratch folder of the
test file alone), FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
ASIS = pathlib.Path(__file__).resolve().parent / "designs" / "asis"
sys.path.insert(0, str(ASIS))
import models  # noqa: E402  (the designs' own folder)


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args, backend=None, cwd=None):
    """fsmd-sim's exit status, standard output and standard error."""
    proc = subprocess.run([FSMD_SIM, *map(str, args), "--backend", backend or BACKEND], capture_output=True,
                          encoding="utf-8", errors="replace", cwd=cwd)
    return proc.returncode, proc.stdout, proc.stderr


def design(name):
    return ASIS / name


def failure_lines(out, entity):
    """Console lines of failed tests, by test number."""
    lines = {}
    for line in out.splitlines():
        m = re.match(rf"^{entity} test (\d+): FAILED: ", line)
        if m:
            lines[int(m.group(1))] = line
    return lines


def reported_tests(out, entity):
    """The numbers of the tests the console reports, passed or failed, in order."""
    return [int(m.group(1)) for m in re.finditer(rf"^{entity} test (\d+): (?:passed|FAILED)", out, re.M)]


def summary_counts(out, entity):
    """(run, passed, failed) from the summary line, or None."""
    m = re.search(rf"^{entity}: (\d+) tests? run, (\d+) passed, (\d+) failed", out, re.M)
    return tuple(int(g) for g in m.groups()) if m else None


def result_fields(results_text, ports):
    """Per test of a results file: its number, passed or not, and the
    name=value fields of the given ports and their expected values; what two
    runs of one design on one vectors file must agree on, however the tests
    were fed (cycle counts and timing figures aside)."""
    names = set(ports) | {f"{p}_expected" for p in ports}
    tests = {}
    for line in results_text.splitlines():
        m = re.match(r"^test (\d+) (passed|FAILED)[^:]*: (.*)$", line)
        if m:
            fields = tuple(f for f in m.group(3).split() if f.partition("=")[0] in names)
            tests[int(m.group(1))] = (m.group(2), fields)
    return tests


def field_text(name, value, width):
    """How a failure line shows an output: name=SEEN name_expected=EXPECTED."""
    return f"{name}={models.hex_field(value[0], width)} {name}_expected={models.hex_field(value[1], width)}"
