#!/usr/bin/env python3
"""Produces every file that holds facts about the four benches from the bench
manifest instances.json (with harness.vhd.in for the testbenches):

    testbench/<design>_harness.vhd   the self-checking testbenches
    elab/<design>_harness_cfg.vhd    the configurations binding each to its design
    runtime/kit-units.txt            the bench lines of the kit's analysis order
    runner/fsmd_sim/benches.py       fsmd-sim's bench table

The paths are relative to sim/. The tests of the benches read the manifest.

    generate_harness.py            rewrite the files in sim/
    generate_harness.py --check    exit 1 (naming the file) if a file differs
                                   from what the manifest and template give
    generate_harness.py --out DIR  write them into DIR (same sub-folders) instead
"""
import argparse
import json
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
SIM = HERE.parent
NUMERIC_TYPES = ("signed", "unsigned")


def indent(lines, depth):
    return "\n".join(" " * depth + line for line in lines)


def check_instance(name, inst):
    """Rejects table entries the template cannot express, so a typo in the
    table fails here instead of producing a bench that does not analyse."""
    n_in = len(inst["inputs"])
    if n_in not in (1, 2):
        raise ValueError(f"{name}: one or two data inputs, not {n_in}")
    for key in ("error_prefixes", "input_labels"):
        if len(inst[key]) != n_in:
            raise ValueError(f"{name}: {key} needs one text per data input")
    if inst["numeric_type"] not in NUMERIC_TYPES:
        raise ValueError(f"{name}: numeric_type must be one of {NUMERIC_TYPES}")
    for key, value in inst.items():
        if isinstance(value, str) and '"' in value:
            raise ValueError(f"{name}: {key} holds a double quote")


def render(name, inst, template):
    check_instance(name, inst)
    inputs, out = inst["inputs"], inst["output"]
    vec = "std_logic_vector(31 downto 0)"
    numeric = inst["numeric_type"]
    var_names = [f"{p}_v_vec" for p in inputs] + [f"{out}_v", f"{out}_ref", f"{out}_ref_vec"]
    var_width = max(len(v) for v in var_names + ["ntests_max"])

    def var(v, typ):
        return f"variable {v.ljust(var_width)} : {typ};"

    # ntests_v counts from 1, so the test numbered ntests_max is the last; passed
    # drops to '0' at the first mismatch and never returns to '1'.
    common_variables = [var("ncycles_v", "integer"), var("ntests_v", "integer := 1"),
                        var("ntests_max", f"integer := {inst['ntests_max']}"),
                        var("testdata", "line"), var("bufline", "line"),
                        var("passed", "std_logic := '1'")]

    fragments = {
        "design": name,
        "component_data_ports": indent(
            [f"{p.ljust(5)} : in  {vec};" for p in inputs] + [f"{out.ljust(5)} : out {vec};"], 6),
        "data_signals": indent([f"signal {p.ljust(5)} : {vec};" for p in inputs + [out]], 2),
        "uut_data_map": indent([f"{p.ljust(5)} => {p}," for p in inputs + [out]], 6),
        "bench_variables": indent(
            [var(f"{p}_v_vec", vec) for p in inputs]
            + [var(f"{out}_v", f"{numeric}(31 downto 0)"),
               var(f"{out}_ref", f"{numeric}(31 downto 0)"),
               var(f"{out}_ref_vec", vec)] + common_variables, 4),
        # Each input is assigned before the next field is read.
        "read_inputs": indent(
            sum([[f"hread(testdata, {p}_v_vec);", f"{p} <= {p}_v_vec;"] for p in inputs], []), 6),
        "failing_line": indent(
            sum([[f'write(bufline, string\'("{text}"));', f"hwrite(bufline, {p});"]
                 for p, text in zip(inputs, inst["error_prefixes"])], []), 8),
        "passing_line": indent(
            sum([[f'write(bufline, string\'("{text}"));', f"hwrite(bufline, {p});"]
                 for p, text in zip(inputs, inst["input_labels"])], []), 8),
        "output": out,
        "numeric": numeric,
    }
    for key in ("output_label", "reference_label", "cycles_text", "passed_verdict", "failed_verdict"):
        fragments[key] = inst[key]

    def substitute(match):
        key = match.group(1)
        if key not in fragments:
            raise KeyError(f"template placeholder @{key}@ has no value")
        return fragments[key]

    return re.sub(r"@([a-z_]+)@", substitute, template)


def render_configuration(name):
    return (f"-- Binds the design instance of testbench {name}_harness to entity {name},"
            f" architecture fsmd.\n"
            f"configuration {name}_harness_cfg of {name}_harness is\n"
            f"  for tb_arch\n"
            f"    for uut : {name}\n"
            f"      use entity work.{name}(fsmd);\n"
            f"    end for;\n"
            f"  end for;\n"
            f"end configuration {name}_harness_cfg;\n")


def bench_unit_line(line):
    return re.fullmatch(r"(types/\w+_types|testbench/\w+_harness)\.vhd", line.strip()) is not None


def render_unit_list(names, current):
    """kit-units.txt: its comments and other units as they stand, then each
    bench's data-type package and testbench (a testbench needs the packages)."""
    kept = [line for line in current.splitlines() if not bench_unit_line(line)]
    return "\n".join(kept + [f"types/{n}_types.vhd" for n in names]
                     + [f"testbench/{n}_harness.vhd" for n in names]) + "\n"


def final_report_lines(harness_text):
    """Line numbers of the bench's two final assertions in a testbench."""
    found = {}
    for number, line in enumerate(harness_text.splitlines(), 1):
        for key, words in (("passed", "NONE. End simulation time reached"),
                           ("failed", "ERRORS. End simulation time reached")):
            if line.strip() == f'assert false report "{words}" severity failure;':
                found[key] = number
    if sorted(found) != ["failed", "passed"]:
        raise ValueError("the template lost one of its final assertions")
    return found["passed"], found["failed"]


def render_bench_table(table, harnesses):
    lines = ["# fsmd-sim's table of the four bundled benches. Written by",
             "# sim/testbench/generate_harness.py from instances.json; edit those, not this file.",
             f"BENCHES = {tuple(table)!r}",
             "TABLE = {"]
    for name, inst in table.items():
        harness = f"testbench/{name}_harness.vhd"
        passed_at, failed_at = final_report_lines(harnesses[harness])
        entry = {
            "harness": harness,
            "types": f"types/{name}_types.vhd",
            "configuration": f"elab/{name}_harness_cfg.vhd",
            "top": f"{name}_harness_cfg",
            "data_file": f"{name}_test_data.txt",
            "results_file": f"{name}_alg_test_results.txt",
            "inputs": tuple(inst["inputs"]),
            "output": inst["output"],
            "ntests_max": inst["ntests_max"],
            "error_text": inst["error_prefixes"][0].partition(":")[0] + ": ",
            "cycles_text": inst["cycles_text"],
            "passed_verdict": inst["passed_verdict"],
            "failed_verdict": inst["failed_verdict"],
            # Where GHDL places the bench's final report: the testbench's
            # file, as analysed, and the line of each final assertion.
            "passed_report_at": f"{harness}:{passed_at}",
            "failed_report_at": f"{harness}:{failed_at}",
        }
        lines.append(f"    {name!r}: {{")
        lines += [f"        {k!r}: {v!r}," for k, v in entry.items()]
        lines.append("    },")
    lines.append("}")
    return "\n".join(lines) + "\n"


def produce(table_path=HERE / "instances.json", template_path=HERE / "harness.vhd.in",
            units_path=SIM / "runtime" / "kit-units.txt"):
    """Every generated file, by its path relative to sim/."""
    table = json.loads(table_path.read_text())
    template = template_path.read_text()
    files = {f"testbench/{name}_harness.vhd": render(name, inst, template)
             for name, inst in table.items()}
    harnesses = dict(files)
    for name in table:
        files[f"elab/{name}_harness_cfg.vhd"] = render_configuration(name)
    files["runtime/kit-units.txt"] = render_unit_list(list(table), units_path.read_text())
    files["runner/fsmd_sim/benches.py"] = render_bench_table(table, harnesses)
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--out", type=pathlib.Path, default=SIM)
    args = parser.parse_args()
    benches = produce()
    if args.check:
        stale = [f for f, text in benches.items()
                 if not (args.out / f).is_file() or (args.out / f).read_text() != text]
        for f in stale:
            print(f"generate_harness: {args.out / f} differs from instances.json + harness.vhd.in;"
                  " run sim/testbench/generate_harness.py", file=sys.stderr)
        return 1 if stale else 0
    for f, text in benches.items():
        (args.out / f).parent.mkdir(parents=True, exist_ok=True)
        (args.out / f).write_text(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
