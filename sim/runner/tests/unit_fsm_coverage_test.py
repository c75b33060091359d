"""Tests of fsmd_sim.fsm_coverage without GHDL: the state machines found in
the trees GHDL dumped for designs/fsm_states.vhd, designs/fsm_full.vhd,
designs/fsm_two_process.vhd and designs/fsm_package.vhd (with its package),
their counts from gcov's JSON of a real run of fsm_states on
data/fsm_states_partial.vectors (st_idle, st_add and st_sub only), the report
lines and the tracefile records. data/make_fsm_fixture.sh remakes the
fixtures."""
import gzip
import pathlib
import unittest

from fsmd_sim import coverage, coverage_report, fsm_coverage

DATA = pathlib.Path(__file__).parent / "data"


def cases(design, files=None):
    with gzip.open(DATA / f"{design}.xml.gz") as tree:
        return fsm_coverage.cases_from_xml(tree, files or [f"{design}.vhd"])


def partial_run():
    """fsm_states' coverage record after the partial run, with its state
    machines and without the branch GHDL adds to the case."""
    records = coverage.parse_gcov_json((DATA / "fsm_states.gcov.json").read_text())
    record = records[0]
    fsm_coverage.apply(cases("fsm_states"), record)
    return record


class FromTheTree(unittest.TestCase):
    def test_states_are_the_arms_in_the_order_written_with_their_when_lines(self):
        # Fault: arms read in the type's order, or the case's line given
        # instead of the when's.
        found = [c for c in cases("fsm_states") if c.signal]
        self.assertEqual(len(found), 1)
        machine = found[0]
        self.assertEqual((machine.signal, machine.line), ("state", 37))
        self.assertEqual([(label, line) for label, line, _ in machine.arms],
                         [("st_wait", 38), ("st_idle", 41), ("st_full", 53), ("st_sub", 57),
                          ("st_add", 61), ("st_mix", 65)])
        self.assertFalse(machine.has_others)
        self.assertEqual(machine.branch_count, 7)

    def test_transitions_are_the_literals_assigned_in_each_arm(self):
        # Fault: the reset assignment (line 33, in no arm) taken for a
        # transition, or an assignment inside an if/elsif/else missed.
        machine = next(c for c in cases("fsm_states") if c.signal)
        self.assertEqual([tuple(t[:3]) for t in machine.transitions],
                         [("st_wait", "st_idle", 39), ("st_idle", "st_full", 44),
                          ("st_idle", "st_add", 46), ("st_idle", "st_sub", 48),
                          ("st_idle", "st_mix", 50), ("st_full", "st_idle", 56),
                          ("st_sub", "st_idle", 60), ("st_add", "st_idle", 64),
                          ("st_mix", "st_wait", 67)])

    def test_a_case_over_a_vector_is_no_state_machine(self):
        # Fault: every case taken for a state machine (std_logic is an
        # enumeration too, but not the design's).
        vector_case = next(c for c in cases("fsm_states") if c.line == 76)
        self.assertIsNone(vector_case.signal)
        self.assertTrue(vector_case.has_others)
        self.assertEqual(vector_case.branch_count, 2)

    def test_states_sharing_an_arm_are_one_state(self):
        # Fault: `when a | b` read as two arms, which shifts every later
        # arm's branch by one.
        machine = next(c for c in cases("fsm_full") if c.signal)
        self.assertEqual([label for label, _, _ in machine.arms],
                         ["st_idle", "st_double | st_halve", "st_out"])
        self.assertEqual(machine.branch_count, 4)
        self.assertEqual([tuple(t[:3]) for t in machine.transitions],
                         [("st_idle", "st_double", 40), ("st_idle", "st_halve", 42),
                          ("st_double | st_halve", "st_out", 50), ("st_out", "st_idle", 54)])

    def test_next_state_and_variable_machines_are_found(self):
        # Fault: only assignments to the case's own signal taken (a
        # two-process machine assigns next_state), or variables left out.
        found = {c.signal: c for c in cases("fsm_two_process") if c.signal}
        self.assertEqual(sorted(found), ["phase", "state"])
        self.assertEqual([tuple(t[:3]) for t in found["state"].transitions],
                         [("ph_idle", "ph_run", 44), ("ph_run", "ph_done", 47),
                          ("ph_done", "ph_idle", 50)])
        self.assertEqual([tuple(t[:3]) for t in found["phase"].transitions],
                         [("w_low", "w_high", 63), ("w_high", "w_low", 67)])

    def test_a_state_type_from_a_package_of_the_design_and_arms_of_every_form(self):
        # fsm_package takes phase_t from fsm_package_types.vhd; its arms are a
        # literal, a range, an extended literal and `when others`, and the
        # range's arm holds a case over the same signal. Faults: a type
        # declared outside the case's file not taken for a state machine, a
        # range labelled without its states, the inner case's transitions
        # counted in the outer one too.
        found = {c.line: c for c in cases("fsm_package", ["fsm_package_types.vhd",
                                                         "fsm_package.vhd"])}
        outer, inner = found[32], found[43]
        self.assertEqual((outer.signal, inner.signal), ("phase", "phase"))
        self.assertEqual([(label, line) for label, line, _ in outer.arms],
                         [("ph_idle", 33), ("ph_one to ph_two", 42), ("\\ph,odd\\", 49),
                          ("others", 51)])
        self.assertEqual((outer.has_others, outer.branch_count), (True, 4))
        self.assertEqual([tuple(t[:3]) for t in outer.transitions],
                         [("ph_idle", "ph_one", 36), ("ph_idle", "\\ph,odd\\", 38),
                          ("ph_idle", "ph_two", 40), ("\\ph,odd\\", "ph_four", 50),
                          ("others", "ph_idle", 53)])
        self.assertEqual([label for label, _, _ in inner.arms], ["ph_one", "others"])
        self.assertEqual([tuple(t[:3]) for t in inner.transitions],
                         [("ph_one", "ph_three", 45), ("others", "ph_four", 47)])
        self.assertEqual(inner.transitions[0][3][0], (43, 0, 2))

    def test_every_arm_is_counted_by_its_branch_of_the_whole_case(self):
        # Fault: an arm's region expecting the branches read so far (arm i of
        # a case without `when others`: i + 1), so that only the last arm
        # is counted by its branch and the others by their first line, which
        # GCC may credit with code of another arm.
        for design, files, line, branches in [
                ("fsm_states", None, 37, 7), ("fsm_full", None, 36, 4),
                ("fsm_package", ["fsm_package_types.vhd", "fsm_package.vhd"], 32, 4),
                ("fsm_package", ["fsm_package_types.vhd", "fsm_package.vhd"], 43, 2)]:
            with self.subTest(design=design, line=line):
                case = next(c for c in cases(design, files) if c.line == line)
                self.assertEqual([region[0] for _, _, region in case.arms],
                                 [(line, i, branches) for i in range(len(case.arms))])
                record = coverage_report.FileCoverage(design)
                counts = [3 * i + 1 for i in range(branches)]
                record.branches[line] = list(counts)
                # Every line counted 99: a count that is no arm's.
                record.lines = {n: 99 for n in range(1, 80)}
                fsm_coverage.apply([case], record)
                self.assertEqual([count for _, _, count in record.machines[line].states],
                                 counts[:len(case.arms)])

    def test_a_type_of_a_file_that_is_not_the_designs_is_no_state_machine(self):
        # The package's file left out of the design files: its type is as
        # foreign as std_logic's.
        found = cases("fsm_package", ["fsm_package.vhd"])
        self.assertEqual([c.signal for c in found], [None, None])


def machine_tree(files):
    """A tree as `ghdl --file-to-xml` writes it, reduced to what is read:
    in each file, a type (st_a, st_b) and at line 10 a case over a signal of
    it whose arms (lines 11 and 13) assign the other state (lines 12, 14)."""
    out = []
    for n, file in enumerate(files):
        t, a, b, sig = (f"{n}{k}" for k in "tabs")
        out.append(f"""
<el kind="design_file" file="{file}">
 <type_definition id="{t}" kind="enumeration_type_definition" file="{file}" line="2"/>
 <el id="{a}" kind="enumeration_literal" file="{file}" line="2" identifier="st_a"/>
 <el id="{b}" kind="enumeration_literal" file="{file}" line="2" identifier="st_b"/>
 <el kind="case_statement" file="{file}" line="10">
  <expression kind="simple_name" identifier="state"><type ref="{t}"/></expression>
  <case_statement_alternative_chain>""")
        for line, (when, to) in ((11, (a, b)), (13, (b, a))):
            name = {a: "st_a", b: "st_b"}
            out.append(f"""
   <el kind="choice_by_expression" file="{file}" line="{line}" same_alternative_flag="false">
    <choice_expression kind="simple_name" identifier="{name[when]}"/>
    <associated_chain>
     <el kind="simple_signal_assignment_statement" file="{file}" line="{line + 1}">
      <target kind="simple_name" identifier="state"><type ref="{t}"/></target>
      <waveform_chain><el kind="waveform_element">
       <we_value kind="simple_name" identifier="{name[to]}"><named_entity ref="{to}"/></we_value>
      </el></waveform_chain>
     </el>
    </associated_chain>
   </el>""")
        out.append("\n  </case_statement_alternative_chain>\n </el>\n</el>")
    return "<root>" + "".join(out) + "\n</root>"


class TwoFiles(unittest.TestCase):
    def test_the_same_machine_in_two_files_keeps_its_transitions_in_each(self):
        # Fault: an assignment known by its line alone, so that the second
        # file's machine takes the first's transitions on the same lines
        # and the first is left with none.
        import io
        found = fsm_coverage.cases_from_xml(io.StringIO(machine_tree(["a.vhd", "b.vhd"])),
                                            ["a.vhd", "b.vhd"])
        self.assertEqual([c.file for c in found], ["a.vhd", "b.vhd"])
        for case in found:
            with self.subTest(file=case.file):
                self.assertEqual([tuple(t[:3]) for t in case.transitions],
                                 [("st_a", "st_b", 12), ("st_b", "st_a", 14)])


class Counts(unittest.TestCase):
    def test_reached_states_are_those_whose_arm_ran(self):
        machine = partial_run().machines[37]
        reached = {label: count for label, _, count in machine.states}
        self.assertEqual({label for label, count in reached.items() if count},
                         {"st_idle", "st_add", "st_sub"})

    def test_an_assignment_at_the_end_of_an_else_is_not_taken_for_its_join(self):
        # GCC puts the join of the if on line 50, the last line of its
        # else: that line has a count, yet st_mix was never entered. Fault:
        # transitions judged by their line's count.
        record = partial_run()
        self.assertGreater(record.lines[50], 0)
        taken = {(a, b) for a, b, _, count in record.machines[37].transitions if count}
        self.assertEqual(taken, {("st_idle", "st_add"), ("st_idle", "st_sub"),
                                 ("st_add", "st_idle"), ("st_sub", "st_idle")})

    def test_the_branch_for_no_arm_is_left_out_and_others_keeps_its_own(self):
        # Fault: the case's extra branch left in (100% out of reach), or a
        # branch dropped from a case that has `when others`.
        raw = coverage.parse_gcov_json((DATA / "fsm_states.gcov.json").read_text())[0]
        before = {line: list(counts) for line, counts in raw.branches.items()}
        record = partial_run()
        self.assertEqual(len(before[37]), 7)
        self.assertEqual(record.branches[37], before[37][:6])
        self.assertEqual(record.branches.get(76), before.get(76))

    def test_a_region_whose_line_shows_other_branches_uses_its_first_line(self):
        # A condition with `and` has more branches than two: the count of
        # the region's first line stands in. Fault: an index into a list
        # of other meaning, or an error.
        lines = {10: 4, 12: 0}
        region = ((9, 0, 2), 10)
        self.assertEqual(fsm_coverage.region_count(region, lines, {9: [3, 1, 0, 2]}), 4)
        self.assertEqual(fsm_coverage.region_count(((9, 1, 2), 12), lines, {9: [3, 1, 0, 2]}), 0)
        self.assertEqual(fsm_coverage.region_count(region, lines, {9: [None, None]}), 0)
        self.assertEqual(fsm_coverage.region_count(((9, 1, 2), None), lines, {}), 0)


def one_line_machine(lines, branches):
    """The machine of designs/fsm_one_line.vhd as the tree gives it, with
    the counts of a run: line 23 is `when st_idle => if start = '1' then
    st <= st_work; end if;`, line 27 `if x = ... and a = ... then st <=
    st_never; else st <= st_fin; end if;` (four branches for its `and`)."""
    case = fsm_coverage.CaseStatement("fsm_one_line.vhd", 22, "st")
    case.arms = [["st_idle", 23, ((22, 0, 5), 23)], ["st_work", 24, ((22, 1, 5), 25)],
                 ["st_fin", 29, ((22, 2, 5), 29)], ["st_never", 30, ((22, 3, 5), 30)]]
    case.transitions = [["st_idle", "st_work", 23, ((23, 0, 2), 23)],
                        ["st_work", "st_never", 27, ((27, 0, 2), 27)],
                        ["st_work", "st_fin", 27, ((27, 1, 2), 27)],
                        ["st_fin", "st_idle", 29, ((22, 2, 5), 29)],
                        ["st_never", "st_idle", 30, ((22, 3, 5), 30)]]
    case.owners = {23: {(22, 0), (23, 0)}, 25: {(22, 1)}, 26: {(22, 1)},
                   27: {(22, 1), (27, 0), (27, 1)}, 28: {(22, 1)}, 29: {(22, 2)},
                   30: {(22, 3)}}
    record = coverage_report.FileCoverage("fsm_one_line.vhd")
    for number, count in lines.items():
        record.add_line(number, count)
    for number, counts in branches.items():
        record.add_branches(number, counts)
    fsm_coverage.apply([case], record)
    return {(a, b): count for a, b, _, count in record.machines[22].transitions}


class SharedLines(unittest.TestCase):
    def test_a_region_counts_only_when_its_line_is_its_own(self):
        # Fault: the count of a line that also holds the condition or the
        # other arm taken for the assignment's (a transition that never ran
        # reported as taken).
        lines = {10: 4, 11: 6, 12: 0}
        table = [
            # name, region, branches, owners, count
            ("the decision's branches", ((9, 1, 2), 11), {9: [4, 2]}, {11: {(9, 1), (9, 0)}}, 2),
            ("a line of its own", ((9, 0, 2), 10), {9: [3, 1, 0, 2]}, {10: {(9, 0)}}, 4),
            ("a line with the condition", ((9, 0, 2), 11), {}, {11: {(9, 0), (5, 0)}}, None),
            ("a line with the other arm", ((9, 1, 2), 11), {}, {11: {(9, 0), (9, 1)}}, None),
            ("a shared line that never ran", ((9, 1, 2), 12), {}, {12: {(9, 0), (9, 1)}}, 0),
            ("an empty arm", ((9, 1, 2), None), {}, {}, 0),
        ]
        for name, region, branches, owners, want in table:
            with self.subTest(name):
                self.assertEqual(fsm_coverage.transition_count(region, lines, branches, owners),
                                 want)

    def test_transitions_of_one_line_arms(self):
        ran = {22: 36, 23: 12, 25: 396, 26: 108, 27: 12, 29: 12, 30: 0}
        arms = {22: [12, 12, 12, 0, 0], 23: [12, 0, 0, 12, 12, 0], 27: [0, 12, 0, 12]}
        table = [
            # name, line counts, branches, transition, count
            # Fault: st_never, never reached, shown as entered from line 27.
            ("into a state never reached", ran, arms, ("st_work", "st_never"), None),
            # Nothing else leads into st_fin, which was reached.
            ("the only way into a state reached", ran, arms, ("st_work", "st_fin"), 12),
            # Its count: the smaller of its line's (a vector assignment
            # loops there) and its state's.
            ("the only way in, a line after `when`", {**ran, 23: 195}, arms,
             ("st_idle", "st_work"), 12),
            # Fault: a transition of an arm that never ran counted as taken.
            ("out of a state never reached", {**ran, 30: 5}, arms,
             ("st_never", "st_idle"), 0),
            ("a line that never ran", {**ran, 27: 0}, arms, ("st_work", "st_never"), 0),
            ("the decision told apart", ran, {**arms, 27: [0, 12]},
             ("st_work", "st_never"), 0),
            # Told apart, it ran, though st_never's arm never did (the end
            # of a test): taken stays taken.
            ("the decision told apart, into a state never reached", ran,
             {**arms, 27: [12, 0]}, ("st_work", "st_never"), 12),
        ]
        for name, lines, branches, transition, want in table:
            with self.subTest(name):
                self.assertEqual(one_line_machine(lines, branches)[transition], want)

    def test_a_state_with_another_way_in_stays_not_told_apart(self):
        # st_a -> st_c on a shared line 4; st_b -> st_c on line 6, told
        # apart by line 5's branches or shared too. Fault: st_a -> st_c
        # taken because st_c was reached through st_b.
        table = [
            # name, line 5's branches, owners of line 6, st_a -> st_c, st_b -> st_c
            ("the other way taken", [2, 0], {(5, 0)}, None, 2),
            # Whether st_c was reached through st_a or is where the machine
            # starts, the counts cannot say: the guide's doubt.
            ("the other way never taken", [0, 2], {(5, 0)}, 2, 0),
            ("the other way not told apart", [1, 1, 0, 0], {(5, 0), (3, 1)}, None, None),
        ]
        for name, branches, owners, a_to_c, b_to_c in table:
            with self.subTest(name):
                case = fsm_coverage.CaseStatement("f.vhd", 3, "st")
                case.arms = [["st_a", 4, ((3, 0, 3), 4)], ["st_b", 5, ((3, 1, 3), 5)],
                             ["st_c", 7, ((3, 2, 3), 7)]]
                case.transitions = [["st_a", "st_c", 4, ((4, 0, 2), 4)],
                                    ["st_b", "st_c", 6, ((5, 0, 2), 6)]]
                case.owners = {4: {(3, 0), (4, 0)}, 5: {(3, 1)}, 6: owners, 7: {(3, 2)}}
                record = coverage_report.FileCoverage("f.vhd")
                for number, count in {3: 6, 4: 2, 5: 2, 6: 2, 7: 2}.items():
                    record.add_line(number, count)
                record.add_branches(3, [2, 2, 2])
                record.add_branches(5, branches)
                fsm_coverage.apply([case], record)
                self.assertEqual([t[3] for t in record.machines[3].transitions],
                                 [a_to_c, b_to_c])

    def test_counts_not_told_apart_merge(self):
        # Fault: a run that took a transition lost to one that could not
        # tell, or "not told apart" turned into never.
        table = [((None, None), None), ((None, 0), None), ((0, None), None), ((None, 3), 3),
                 ((2, None), 2), ((2, 3), 5), ((0, 0), 0)]
        for (a, b), want in table:
            with self.subTest(a=a, b=b):
                self.assertEqual(fsm_coverage.add_counts(a, b), want)

    def test_the_report_names_them_apart_from_the_figures(self):
        machine = fsm_coverage.Machine(22, "st")
        machine.states = [["st_idle", 23, 1], ["st_work", 24, 1], ["st_never", 30, 0]]
        machine.transitions = [["st_idle", "st_work", 23, 1], ["st_work", "st_never", 27, None],
                               ["st_never", "st_idle", 30, 0]]
        self.assertEqual(fsm_coverage.summary_lines("f.vhd", machine)[1:], [
            "  states      2/3 reached   never: st_never (line 30)",
            "  transitions 1/2 taken     never: st_never -> st_idle (line 30)",
            "              not told apart: st_work -> st_never (line 27 shares its count)"])

    def test_not_told_apart_survives_the_tracefile(self):
        # Fault: the unknown count written as 0 (never) or as taken.
        record = coverage_report.FileCoverage("d.vhd")
        machine = fsm_coverage.Machine(3, "st")
        machine.states = [["st_a", 4, 2]]
        machine.transitions = [["st_a", "st_b", 5, None], ["st_a", "st_a", 6, 2]]
        record.machines[3] = machine
        text = coverage_report.tracefile([record])
        self.assertIn("FSMTRANS:3,5,-,st_b,st_a", text.splitlines())
        self.assertEqual(vars(coverage_report.parse_tracefile(text)[0].machines[3]), vars(machine))


class Report(unittest.TestCase):
    def test_lines_have_the_documented_shape(self):
        machine = fsm_coverage.Machine(35, "state")
        machine.states = [[f"st_{n}", 40 + n, 1] for n in range(5)] + [["st_full", 52, 0]]
        machine.transitions = ([["st_a", "st_b", 50 + n, 2] for n in range(8)]
                               + [["st_idle", "st_full", 43, 0], ["st_sum", "st_idle", 61, 0]])
        self.assertEqual(fsm_coverage.summary_lines("f.vhd", machine), [
            "state machine state (case at line 35 of f.vhd)",
            "  states      5/6 reached   never: st_full (line 52)",
            "  transitions 8/10 taken    never: st_idle -> st_full (line 43),"
            " st_sum -> st_idle (line 61)"])

    def test_a_machine_fully_covered_names_nothing_never(self):
        machine = fsm_coverage.Machine(3, "s")
        machine.states = [["st_a", 4, 1]]
        machine.transitions = [["st_a", "st_a", 5, 1]]
        lines = fsm_coverage.summary_lines("f.vhd", machine)
        self.assertEqual(lines[1:], ["  states      1/1 reached", "  transitions 1/1 taken"])

    def test_the_report_written_says_what_its_counts_mean(self):
        import tempfile
        with tempfile.TemporaryDirectory() as d:
            summary = coverage_report.write_report(d, [partial_run()], {})
            written = pathlib.Path(d, coverage_report.SUMMARY).read_text().splitlines()
        self.assertEqual(summary, written)
        self.assertEqual(written[-len(fsm_coverage.LEGEND):], fsm_coverage.LEGEND)
        self.assertIn("  states      3/6 reached   never: st_wait (line 38), st_full (line 53),"
                      " st_mix (line 65)", written)


class Tracefile(unittest.TestCase):
    def test_machines_survive_the_tracefile_and_merge_by_adding(self):
        # Fault: `all` (which merges the benches' tracefiles) losing the
        # machines, or counting a state twice instead of adding.
        record = partial_run()
        text = coverage_report.tracefile([record], "t")
        back = coverage_report.parse_tracefile(text)[0]
        self.assertEqual(vars(back.machines[37]), vars(record.machines[37]))
        twice = coverage_report.combine([back, coverage_report.parse_tracefile(text)[0]])[0]
        self.assertEqual([s[2] for s in twice.machines[37].states],
                         [2 * s[2] for s in record.machines[37].states])
        self.assertEqual(len(twice.machines[37].transitions), 9)

    def test_odd_state_names_survive_the_tracefile(self):
        # Extended identifiers may hold commas, backslashes (doubled) and
        # blanks. Fault: a transition's target cut at its first comma, so
        # that its source reads as the rest.
        names = ["st_a", "\\st,a\\", "\\a\\\\,b\\", "\\,\\", "\\x y | z\\", "\\q\\\\\\"]
        for target in names:
            for source in names + ["st_a | \\b,c\\", "others"]:
                with self.subTest(target=target, source=source):
                    record = coverage_report.FileCoverage("d.vhd")
                    machine = fsm_coverage.Machine(3, "\\my,state\\")
                    machine.states = [[source, 4, 2]]
                    machine.transitions = [[source, target, 5, 1], [source, "st_b", 6, 0]]
                    record.machines[3] = machine
                    back = coverage_report.parse_tracefile(
                        coverage_report.tracefile([record]))[0].machines[3]
                    self.assertEqual(vars(back), vars(machine))

    def test_a_malformed_machine_record_names_its_line(self):
        for record in ("FSMSTATE:9,4,1,st_a", "FSMTRANS:3,5,1,\\st,a\\", "FSMTRANS:3,5,1,\\st\\x,a",
                       "FSMTRANS:3,5,1,st_a"):
            with self.subTest(record=record):
                with self.assertRaisesRegex(ValueError, "line 3"):
                    coverage_report.parse_tracefile(f"SF:a.vhd\nFSM:3,state\n{record}\n")


if __name__ == "__main__":
    unittest.main()
