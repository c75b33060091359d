"""State and transition coverage of a design's state machines, from the
counts gcov already gives.

Where the states and transitions are comes from GHDL's own syntax tree
(`ghdl --file-to-xml`): every `case` statement over a signal or variable
whose type is an enumeration declared in the design is a state machine;
each `when` arm is a state, and each assignment of one of the type's
literals to an object of that type inside an arm is a transition from that
arm's state to the literal. No VHDL is parsed here.

How often each ran comes from gcov's branch counts, which count the edges
of the compiled code: the branches of a `case` line are its arms in the
order written, then the one GHDL adds for a value that matches no arm
(absent with `when others`); those of an `if` or `elsif` line are "true",
then "false". An arm or a branch of an `if` ran as often as the edge into
it was taken. Line counts alone would mislead: GCC puts the code that joins
the arms of an `if` on the last line of its `else` arm, so an assignment
there shows a count even when it never ran. Where a line's branches are
not the expected number (a condition with `and`/`or` has more), the count
of the region's first line stands in, but only when that line holds the
region's code alone: where it also holds the condition or another arm (an
`if ... then st <= a; else st <= b; end if;` on one line), its count stands
for all of them, and the transition is reported as not told apart rather
than taken on the line's count.
"""
import xml.etree.ElementTree as ElementTree

ENUMERATION_KINDS = ("enumeration_type_definition", "enumeration_subtype_definition")
ASSIGNMENTS = ("simple_signal_assignment_statement", "variable_assignment_statement")


class CaseStatement:
    """One `case` in a design file: its line, its arms (label, line of the
    `when`, the region that counts its runs), whether it has `when others`,
    and, when it is over an enumeration of the design, the signal's name and
    the transitions found in its arms (from, to, line, region)."""

    def __init__(self, file, line, signal=None):
        self.file, self.line, self.signal = file, line, signal
        self.arms = []  # [label, when line, region]
        self.has_others = False
        self.transitions = []  # [from label, to literal, line, region]
        # line -> the regions, as (decision line, branch index), whose
        # statements start on it: a line of more than one shares its count.
        self.owners = {}

    @property
    def branch_count(self):
        """The branches gcov shows on the case line: one per arm, and one
        more for a value matching no arm when there is no `when others`."""
        return len(self.arms) + (0 if self.has_others else 1)


# A region is where a statement sits: the branch whose edge enters it, as
# (decision line, branch index, branches expected on that line), and the
# line of its first statement (None for an empty arm).


def cases_from_xml(source, design_files):
    """The CaseStatements of the design files in the tree `ghdl
    --file-to-xml` wrote (a file name or a file object). design_files: the
    file names as GHDL was given them."""
    root = ElementTree.parse(source).getroot()
    by_id = {e.get("id"): e for e in root.iter() if e.get("id") is not None}
    wanted = set(design_files)
    found = []
    for case in root.iter():
        if case.get("kind") == "case_statement" and case.get("file") in wanted:
            found.append(_read_case(case, by_id, wanted))
    # Transitions inside an inner case over the same type belong to it. An
    # assignment is known by its file and line: two files may hold the same
    # machine, line for line.
    owners = {}
    for c in found:
        for t in c.transitions:
            owners[c.file, t[2], t[1]] = c
    for c in found:
        c.transitions = [t for t in c.transitions if owners[c.file, t[2], t[1]] is c]
    return found


def _ref(element, child, by_id):
    node = element.find(child)
    if node is None:
        return None
    return by_id.get(node.get("ref") or node.get("id"))


def _base_type(type_element, by_id):
    seen = 0
    while type_element is not None and seen < 16:
        if type_element.get("kind") == "enumeration_type_definition":
            return type_element
        parent = _ref(type_element, "parent_type", by_id) or _ref(type_element, "type", by_id)
        if parent is type_element:
            break
        type_element, seen = parent, seen + 1
    return type_element


def _design_enumeration(expression, by_id, design_files):
    """The enumeration type of a case's expression when one of the design
    files declares it (in the architecture, or in a package of its own), or
    None: a case over std_logic or an integer is no state machine."""
    if expression is None or expression.get("kind") != "simple_name":
        return None
    t = _ref(expression, "type", by_id)
    if t is None or t.get("kind") not in ENUMERATION_KINDS:
        return None
    base = _base_type(t, by_id)
    if base is None or base.get("kind") != "enumeration_type_definition":
        return None
    return base if base.get("file") in design_files else None


def _read_case(case, by_id, design_files):
    file = case.get("file")
    line = int(case.get("line"))
    expression = case.find("expression")
    enum = _design_enumeration(expression, by_id, design_files)
    result = CaseStatement(file, line, expression.get("identifier") if enum is not None else None)
    chain = case.find("case_statement_alternative_chain")
    alternatives = []  # [labels, when line, statements]
    for choice in (chain if chain is not None else []):
        kind = choice.get("kind")
        if kind == "choice_by_others":
            result.has_others = True
            label = "others"
        elif kind == "choice_by_expression":
            label = _name(choice.find("choice_expression").get("identifier") or "?")
        else:
            label = _range_label(choice.find("choice_range"))
        if choice.get("same_alternative_flag") == "true" and alternatives:
            alternatives[-1][0].append(label)
            continue
        alternatives.append([[label], int(choice.get("line")), _children(choice, "associated_chain")])
    # Every arm's region expects the branches of the whole case, known only
    # once all its arms are read.
    branches = len(alternatives) + (0 if result.has_others else 1)
    for index, (labels, when_line, statements) in enumerate(alternatives):
        label = " | ".join(labels)
        region = ((line, index, branches), _first_line(statements))
        result.arms.append([label, when_line, region])
        if enum is not None:
            _transitions(statements, region, label, enum, by_id, result.transitions,
                         result.owners)
    return result


def _range_label(choice_range):
    """The label of an arm over a range of states ("st_a to st_c"), or
    "range" for one not written with two literals (a subtype's name)."""
    if choice_range is not None and choice_range.get("kind") == "range_expression":
        left = choice_range.find("left_limit_expr")
        right = choice_range.find("right_limit_expr")
        if left is not None and right is not None and left.get("identifier") and \
                right.get("identifier"):
            return (f"{_name(left.get('identifier'))} {choice_range.get('direction', 'to')}"
                    f" {_name(right.get('identifier'))}")
    return "range"


def _children(element, name):
    node = element.find(name)
    return list(node) if node is not None else []


def _first_line(statements):
    return int(statements[0].get("line")) if statements else None


def _transitions(statements, region, source, enum, by_id, out, owners):
    """Appends the transitions among statements (and the statements nested
    in them) with the region each sits in; notes in owners which regions
    have statements on which lines."""
    for s in statements:
        kind = s.get("kind")
        owners.setdefault(int(s.get("line")), set()).add(region[0][:2])
        if kind in ASSIGNMENTS:
            literal = _assigned_literal(s, enum, by_id)
            if literal is not None:
                out.append([source, literal, int(s.get("line")), region])
        elif kind == "if_statement":
            clause, previous_line = s, None
            while clause is not None:
                body = _children(clause, "sequential_statement_chain")
                line = int(clause.get("line"))
                if clause.find("condition") is not None:
                    inner = ((line, 0, 2), _first_line(body))
                    previous_line = line
                else:  # else: the "false" branch of the last condition
                    inner = ((previous_line, 1, 2), _first_line(body))
                _transitions(body, inner, source, enum, by_id, out, owners)
                clause = clause.find("else_clause")
        elif kind == "case_statement":
            chain = s.find("case_statement_alternative_chain")
            alternatives = [c for c in (chain if chain is not None else [])
                            if c.get("same_alternative_flag") != "true"]
            has_others = any(c.get("kind") == "choice_by_others" for c in alternatives)
            n = len(alternatives) + (0 if has_others else 1)
            for index, choice in enumerate(alternatives):
                body = _children(choice, "associated_chain")
                inner = ((int(s.get("line")), index, n), _first_line(body))
                _transitions(body, inner, source, enum, by_id, out, owners)
        else:
            # Loops and other compound statements: their bodies count as
            # the region around them.
            for child in ("sequential_statement_chain",):
                body = s.find(child)
                if body is not None:
                    _transitions(list(body), region, source, enum, by_id, out, owners)


def _assigned_literal(statement, enum, by_id):
    """The literal of enum that statement assigns to an object of enum's
    type, or None."""
    target = statement.find("target")
    if target is None or _base_type(_ref(target, "type", by_id), by_id) is not enum:
        return None
    if statement.get("kind") == "variable_assignment_statement":
        value = statement.find("expression")
    else:
        element = statement.find("waveform_chain/el")
        value = element.find("we_value") if element is not None else None
    if value is None or value.get("kind") != "simple_name":
        return None
    literal = _ref(value, "named_entity", by_id)
    if literal is None or literal.get("kind") != "enumeration_literal":
        return None
    return _name(literal.get("identifier") or value.get("identifier"))


def _name(identifier):
    """A basic identifier in lower case, as GHDL keeps it; an extended one
    (\\My State\\) as written."""
    return identifier if identifier.startswith("\\") else identifier.lower()


# ---------------------------------------------------------------- counts


def region_count(region, lines, branches):
    """How often the code of a region ran: the count of the branch into it
    when its decision line shows the expected branches, else the count of
    its first line (0 for a line without counts)."""
    (line, index, expected), first = region
    counts = branches.get(line)
    if counts is not None and len(counts) == expected:
        return counts[index] or 0
    if first is None:
        return 0
    return lines.get(first, 0)


def transition_count(region, lines, branches, owners):
    """How often the code of a transition's region ran, as region_count, or
    None when it cannot be told: the branches of its decision line are not
    the expected ones and the region's first line ran but also holds code of
    another region (its condition, the other arm of a one-line `if`), so
    that line's count does not say whether this region ran. owners: line ->
    the (decision line, branch index) of the regions with statements on
    it."""
    (line, index, expected), first = region
    counts = branches.get(line)
    if counts is not None and len(counts) == expected:
        return counts[index] or 0
    if first is None or not lines.get(first, 0):
        return 0
    if owners.get(first, set()) - {(line, index)}:
        return None
    return lines[first]


def add_counts(a, b):
    """The sum of two transition counts, None standing for "not told
    apart": a count that is known to be taken wins over it, a never does
    not."""
    if a is None or b is None:
        known = a if b is None else b
        return known if known else None
    return a + b


class Machine:
    """A state machine's counts in one file: the `case` line, the signal,
    the states [label, when line, count] and the transitions [from, to,
    line, count]; a transition's count is None when it was not told apart
    from the other code on its line."""

    def __init__(self, line, signal):
        self.line, self.signal = line, signal
        self.states = []
        self.transitions = []

    def merge(self, other):
        for mine, theirs in ((self.states, other.states), (self.transitions, other.transitions)):
            index = {tuple(item[:-1]): item for item in mine}
            for item in theirs:
                key = tuple(item[:-1])
                if key in index:
                    index[key][-1] = add_counts(index[key][-1], item[-1])
                else:
                    mine.append(list(item))
                    index[key] = mine[-1]


def apply(cases, record, all_branches=None):
    """Gives record (a FileCoverage with gcov's branches still whole) its
    state machines, and takes out of its branches the one GHDL adds to each
    `case` without `when others`, which no value of the type can take.
    all_branches: gcov's branches of every line, where record keeps only
    those of lines that begin a decision; an `if` after `when st_a =>` on
    the same line shows its two branches there alone."""
    decisions = record.branches if all_branches is None else all_branches
    for case in cases:
        if case.signal is not None:
            machine = Machine(case.line, case.signal)
            reached = {}
            for label, when_line, region in case.arms:
                count = region_count(region, record.lines, record.branches)
                machine.states.append([label, when_line, count])
                reached[label] = count
            for source, target, line, region in case.transitions:
                count = transition_count(region, record.lines, decisions, case.owners)
                # An assignment inside an arm that never ran never ran
                # either, whatever its line's count says.
                if not reached.get(source, 1):
                    count = 0
                machine.transitions.append([source, target, line, count])
            _entered_only_here(machine, record.lines)
            record.machines[case.line] = machine
    for case in cases:
        counts = record.branches.get(case.line)
        if not case.has_others and counts is not None and len(counts) == case.branch_count:
            record.branches[case.line] = counts[:-1]


def _entered_only_here(machine, lines):
    """Counts as taken a transition not told apart whose line ran and whose
    target state was reached while no other transition into that state was
    taken or is unknown: nothing else in the machine led there. It stays
    unknown when its target was never reached, since its assignment may have
    run at the end of a test."""
    entered = {}
    for label, _, count in machine.states:
        for literal in label.split(" | "):
            entered[literal] = count
    for t in machine.transitions:
        source, target, line, count = t
        if count is not None or not entered.get(target) or not lines.get(line, 0):
            continue
        others = [u for u in machine.transitions if u is not t and u[1] == target
                  and (u[3] is None or u[3])]
        if not others:
            t[3] = min(lines[line], entered[target])


# ---------------------------------------------------------------- reports


def summary_lines(path, machine):
    """The report of one machine, in the shape

        state machine state (case at line 35 of FILE)
          states      5/6 reached   never: st_full (line 52)
          transitions 8/10 taken    never: st_idle -> st_full (line 43)
                      not told apart: st_a -> st_b (line 47 shares its count)

    The last row, only when there are such transitions, names those whose
    count is not known (None); the figures leave them out.
    """
    reached = [s for s in machine.states if s[2]]
    told = [t for t in machine.transitions if t[3] is not None]
    taken = [t for t in told if t[3]]
    states = f"{len(reached)}/{len(machine.states)} reached"
    moves = f"{len(taken)}/{len(told)} taken"
    never_states = ", ".join(f"{label} (line {line})" for label, line, count in machine.states
                             if not count)
    never_moves = ", ".join(f"{a} -> {b} (line {line})" for a, b, line, count in
                            machine.transitions if count == 0)
    untold = ", ".join(f"{a} -> {b} (line {line} shares its count)" for a, b, line, count in
                       machine.transitions if count is None)
    def row(name, figure, never):
        return f"  {name:<11} {figure:<13} never: {never}" if never else f"  {name:<11} {figure}"

    out = [f"state machine {machine.signal} (case at line {machine.line} of {path})",
           row("states", states, never_states), row("transitions", moves, never_moves)]
    if untold:
        out.append(f"  {'':<11} not told apart: {untold}")
    return out


# What the counts mean, under the report.
LEGEND = [
    "A line's count is how often the code GCC attributed to it ran, not how often the",
    "statement ran: a vector assignment loops over its elements. A state is reached when",
    "its `when` arm ran; a transition is taken when its assignment ran. The branches of a",
    "`case` are its arms; the one GHDL adds for a value matching no arm is left out.",
    "A transition taken into a state never reached was overridden by a later assignment,",
    "a reset or the end of a test. A transition on a line that also holds its condition",
    "or another arm counts as taken there only when its state was reached and no other",
    "transition into it was taken or unknown; otherwise it is named as not told apart,",
    "left out of the taken and never figures: the line's count cannot say whether it ran.",
]


# Records of the tracefile beside lcov's own (genhtml skips keys it does
# not know): a machine, its states and its transitions.
MACHINE_KEY, STATE_KEY, TRANSITION_KEY = "FSM", "FSMSTATE", "FSMTRANS"


def tracefile_lines(machines):
    out = []
    for line in sorted(machines):
        m = machines[line]
        out.append(f"{MACHINE_KEY}:{line},{m.signal}")
        for label, when_line, count in m.states:
            out.append(f"{STATE_KEY}:{line},{when_line},{count},{label}")
        for source, target, at, count in m.transitions:
            shown = "-" if count is None else count
            out.append(f"{TRANSITION_KEY}:{line},{at},{shown},{target},{source}")
    return out


def read_tracefile_line(key, value, machines):
    """Reads one of the records above into machines (case line ->
    Machine); False when key is not one of them."""
    if key == MACHINE_KEY:
        line, signal = value.split(",", 1)
        machines.setdefault(int(line), Machine(int(line), signal))
    elif key == STATE_KEY:
        line, when_line, count, label = value.split(",", 3)
        machines[int(line)].states.append([label, int(when_line), int(count)])
    elif key == TRANSITION_KEY:
        line, at, count, rest = value.split(",", 3)
        target, comma, source = _split_literal(rest)
        if not comma:
            raise ValueError(f"no source state in {value!r}")
        # "-" (as lcov writes a branch it cannot count): not told apart.
        known = None if count == "-" else int(count)
        machines[int(line)].transitions.append([source, target, int(at), known])
    else:
        return False
    return True


def _split_literal(text):
    """(literal, ",", the rest) of text that starts with an enumeration
    literal followed by a comma. An extended literal (\\st,a\\, a doubled
    backslash standing for one) may hold commas itself."""
    if not text.startswith("\\"):
        return text.partition(",")
    i = 1
    while i < len(text):
        if text[i] == "\\":
            if text[i + 1:i + 2] != "\\":
                if text[i + 1:i + 2] != ",":
                    break
                return text[:i + 1], ",", text[i + 2:]
            i += 1
        i += 1
    return text, "", ""
