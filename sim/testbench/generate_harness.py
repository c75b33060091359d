#!/usr/bin/env python3
"""Produces the four testbenches <design>_harness.vhd from harness.vhd.in and
the per-design table instances.json.

    generate_harness.py            rewrite the testbenches next to this script
    generate_harness.py --check    exit 1 (naming the file) if a testbench
                                   differs from what the table and template give
    generate_harness.py --out DIR  write them into DIR instead
"""
import argparse
import json
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
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


def produce(table_path=HERE / "instances.json", template_path=HERE / "harness.vhd.in"):
    table = json.loads(table_path.read_text())
    template = template_path.read_text()
    return {f"{name}_harness.vhd": render(name, inst, template) for name, inst in table.items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--out", type=pathlib.Path, default=HERE)
    args = parser.parse_args()
    benches = produce()
    if args.check:
        stale = [f for f, text in benches.items()
                 if not (args.out / f).is_file() or (args.out / f).read_text() != text]
        for f in stale:
            print(f"generate_harness: {args.out / f} differs from instances.json + harness.vhd.in;"
                  " run sim/testbench/generate_harness.py", file=sys.stderr)
        return 1 if stale else 0
    args.out.mkdir(parents=True, exist_ok=True)
    for f, text in benches.items():
        (args.out / f).write_text(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
