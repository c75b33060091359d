"""A memory the design reaches through its ports (--memory): a single-port
synchronous memory modelled by a process of its own, loaded with the test's
input list when the test starts and checked against its output list when
it ends.

The words are a signal that only the memory's process drives. The lists
are in two files of the memory's own, a word a line: the memory's process
reads the input list when the bench process starts the test with an event
(in delta cycles, no clock cycle), and the bench process reads the output
list word by word as it checks the words at the test's end. Loading zeros
only the words that a list or a write may have left non-zero, so a test
costs the words it uses, not the memory's depth."""
from .template import lines


def one_bit(port, signal):
    """A std_ulogic expression for a one-bit port's signal."""
    if port.type_mark == "bit":
        return f"to_stdulogic({signal})"
    if port.type_mark == "boolean":
        return f"std_ulogic'val(boolean'pos({signal}) + 2)"
    return signal


class _Names:
    """The memory's own names in the bench: prefixed by its place among the
    memories, so that no two memories' names meet whatever they are called."""

    def __init__(self, index, names):
        own = lambda word: names.own(f"m{index}_{word}")  # noqa: E731
        self.words_type = own("words")
        self.words = own("contents")         # the memory's words (signal)
        self.inputs = own("inputs")          # the file of its input lists
        self.outputs = own("outputs")        # the file of its output lists
        self.load = own("load")              # toggled when a test starts
        self.fault = own("fault")            # an address beyond the memory in this test
        self.fault_address = own("fault_address")
        self.fault_cycle = own("fault_cycle")
        self.fault_unknown = own("fault_unknown")  # a write to an address with metavalues
        self.process = own("memory")
        self.line = own("line")
        self.word = own("word")
        self.mask = own("mask")
        self.check = own("check")
        self.expected_count = own("expected_count")
        self.expected = own("expected")
        self.flag = own("flag")
        self.first = own("first")
        self.first_expected = own("first_expected")
        self.first_masked = own("first_masked")
        self.differ = own("differ")


def memory_model(memory, index, names, inputs_path, outputs_path):
    """The piece of one memory: its words, its process, which loads each
    test's input list from the file inputs_path, the check against the
    output lists of the file outputs_path, and its part of the test's line
    of results."""
    m = _Names(index, names)
    ports = memory.ports
    address = ports["address"]
    aw, w, depth, latency = address.width, memory.width, memory.depth, memory.latency
    digits = (w + 3) // 4
    clk = names.control["clk"]
    declarations = [
        f"-- Memory {memory.name} (--memory): {depth} words of {w} bits, read latency {latency}.",
        f"type {m.words_type} is array (0 to {depth - 1}) of std_logic_vector({w - 1} downto 0);",
        "-- Its words, driven by its process alone, which loads the test's input list",
        "-- when load changes; the files of its input and output lists.",
        f"signal {m.words} : {m.words_type} := (others => (others => '0'));",
        f"signal {m.load} : boolean := false;",
        f"file {m.inputs} : text open read_mode is \"{inputs_path}\";",
        f"file {m.outputs} : text open read_mode is \"{outputs_path}\";",
        "-- The test's first access beyond the memory, or write to an address that is",
        "-- no number: the address and the test's cycle.",
        f"signal {m.fault} : boolean := false;",
        f"signal {m.fault_unknown} : boolean := false;",
        f"signal {m.fault_address} : std_logic_vector({aw - 1} downto 0);",
        f"signal {m.fault_cycle} : natural := 0;",
    ]
    return {
        "declarations": declarations,
        "processes": _process(memory, m, clk, names) + [""],
        "bench_variables": [
            f"variable {m.line} : line;",
            f"variable {m.word} : std_logic_vector({4 * digits - 1} downto 0);",
            f"variable {m.mask} : std_logic_vector({4 * digits - 1} downto 0);",
            f"variable {m.check}, {m.flag} : character;",
            f"variable {m.expected_count} : natural;",
            f"variable {m.expected}, {m.first_expected} : std_logic_vector({w - 1} downto 0);",
            f"variable {m.first} : integer;",
            f"variable {m.first_masked} : boolean;",
            f"variable {m.differ} : natural;",
        ],
        "read_test": [f"-- Memory {memory.name}: its words when the test starts (its process reads them).",
                      f"{m.load} <= not {m.load};"],
        "check_outputs": _check(memory, m, names),
        "result_fields": _show(memory, m, names, aw),
    }


def _process(memory, m, clk, names):
    ports, latency, w = memory.ports, memory.latency, memory.width
    aw = ports["address"].width
    signal = names.signal
    address = ports["address"].as_slv(signal(ports["address"]))
    enable = ports.get("enable")
    if "write_enable" in ports:
        write = f"to_X01({one_bit(ports['write_enable'], signal(ports['write_enable']))})"
    else:
        write = "'1'" if "write_data" in ports else "'0'"
    q = ports.get("read_data")
    data = ports.get("write_data")
    stages = latency - 1
    # The process's own names carry the bench's prefix: a variable named like
    # a port would hide the port's signal.
    dirty, address_now, word, index, writing, reading, stage, staged, i, line, count, read_word = (
        names.own(word) for word in ("dirty", "address", "word", "index", "writing",
                                     "reading", "stage", "staged", "i", "line", "count", "read_word"))
    # The test's cycle as its cycles are counted: the edges since the count
    # last started, this one included.
    cycle = f"{names.own('ncycles')} + 1"
    stage_words, stage_flags = names.own("stage_words"), names.own("stage_flags")
    declarations = [
        "-- The highest word that a list or a write may have left other than zero.",
        f"variable {dirty} : integer := -1;",
        f"variable {address_now} : std_logic_vector({aw - 1} downto 0);",
        f"variable {word} : std_logic_vector({w - 1} downto 0);",
        f"variable {index} : natural;",
        f"variable {writing} : std_ulogic;",
        f"variable {reading} : boolean;",
        f"variable {line} : line;",
        f"variable {count} : natural;",
        f"variable {read_word} : std_logic_vector({4 * ((w + 3) // 4) - 1} downto 0);",
    ]
    if stages and q is not None:
        declarations += [
            f"-- Words read and not yet on {q.name}, the oldest last.",
            f"type {stage_words} is array (1 to {stages}) of std_logic_vector({w - 1} downto 0);",
            f"type {stage_flags} is array (1 to {stages}) of boolean;",
            f"variable {stage} : {stage_words};",
            f"variable {staged} : {stage_flags} := (others => false);",
        ]
    body = lines(f"""
        if {m.load}'event then
          -- The test's input list, then zeros up to the last word that may not be zero.
          readline({m.inputs}, {line});
          read({line}, {count});
          for {i} in 0 to {count} - 1 loop
            readline({m.inputs}, {line});
            hread({line}, {read_word});
            {m.words}({i}) <= {read_word}({w - 1} downto 0);
          end loop;
          for {i} in {count} to {dirty} loop
            {m.words}({i}) <= (others => '0');
          end loop;
          {dirty} := {count} - 1;
          {m.fault} <= false;
          {m.fault_unknown} <= false;
        end if;
        -- Edges during reset are not the design's accesses.
        if rising_edge({clk}) and now > {names.reset_time} then
    """)
    edge = []
    if stages and q is not None:
        edge += lines(f"""
            if {staged}({stages}) then
              {signal(q)} <= {q.from_slv(f"{stage}({stages})")};
            end if;
            for {i} in {stages} downto 2 loop
              {stage}({i}) := {stage}({i} - 1);
              {staged}({i}) := {staged}({i} - 1);
            end loop;
        """)
    enabled = "true" if enable is None else f"to_X01({one_bit(enable, signal(enable))}) = '1'"
    write_word = ("(others => 'X')" if data is None
                  else data.as_slv(signal(data)))
    edge += lines(f"""
        {reading} := false;
        if {enabled} then
          {address_now} := to_X01({address});
          {writing} := {write};
          {word} := (others => 'X');
          if is_x({address_now}) or unsigned({address_now}) >= {memory.depth} then
            -- A read gives an unknown word; a write to an address that is no
            -- number, or any access beyond the memory, fails the test.
            {reading} := {writing} = '0';
            if ({writing} /= '0' or not is_x({address_now})) and not {m.fault} then
              {m.fault} <= true;
              {m.fault_unknown} <= is_x({address_now});
              {m.fault_address} <= {address_now};
              {m.fault_cycle} <= {cycle};
            end if;
          else
            {index} := to_integer(unsigned({address_now}));
            if {writing} = '0' then
              {word} := {m.words}({index});
              {reading} := true;
            else
              -- An unknown write enable leaves the word unknown.
              if {writing} = '1' then
                {m.words}({index}) <= {write_word};
              else
                {m.words}({index}) <= (others => 'X');
              end if;
              if {index} > {dirty} then
                {dirty} := {index};
              end if;
            end if;
          end if;
        end if;
    """)
    if q is not None:
        if stages:
            edge += [f"{stage}(1) := {word};", f"{staged}(1) := {reading};"]
        else:
            edge += lines(f"""
                -- {q.name} holds the last word read until the next read.
                if {reading} then
                  {signal(q)} <= {q.from_slv(word)};
                end if;
            """)
    body += ["  " + line if line else "" for line in edge]
    body.append("end if;")
    return [
        f"-- Memory {memory.name}: a write at a rising edge with enable and write enable '1'",
        f"-- reads nothing; a read's word is on {q.name if q else 'read_data'} from the"
        f" {_ordinal(memory.latency)} edge after its",
        "-- address, and stays there until the next read.",
        f"{m.process} : process ({clk}, {m.load})",
        *["  " + line for line in declarations],
        "begin",
        *["  " + line if line else "" for line in body],
        f"end process {m.process};",
    ]


def _ordinal(n):
    return {1: "first", 2: "second", 3: "third"}.get(n, f"{n}th")


def _check(memory, m, names):
    """Reads the output list word by word and compares each with the
    memory's word; keeps the first that differs and counts them."""
    i, w = names.own("i"), memory.width
    return lines(f"""
        -- Memory {memory.name}: its words against the test's output list, from word 0.
        -- A list not checked ('-') holds no word.
        readline({m.outputs}, {m.line});
        read({m.line}, {m.check});
        read({m.line}, {m.expected_count});
        {m.first} := -1;
        {m.differ} := 0;
        for {i} in 0 to {m.expected_count} - 1 loop
          readline({m.outputs}, {m.line});
          read({m.line}, {m.flag});
          hread({m.line}, {m.word});
          {m.expected} := {m.word}({w - 1} downto 0);
          if {m.flag} = 'm' then
            hread({m.line}, {m.mask});
            {m.expected} := {names.own('masked')}({m.expected}, {m.mask}({w - 1} downto 0));
          end if;
          if ({m.flag} = 'c' and {m.words}({i}) /= {m.expected} and to_X01({m.words}({i})) /= {m.expected})
             or ({m.flag} = 'm' and not std_match({m.words}({i}), {m.expected})) then
            if {m.first} < 0 then
              {m.first} := {i};
              {m.first_expected} := {m.expected};
              {m.first_masked} := {m.flag} = 'm';
            end if;
            {m.differ} := {m.differ} + 1;
          end if;
        end loop;
        if {m.first} >= 0 or {m.fault} then
          {names.passed} := false;
        end if;
    """)


def _show(memory, m, names, aw):
    result, name = names.result, memory.name
    index = f"{names.image(f'std_logic_vector(to_unsigned({m.first}, {aw}))')}"
    last = f"{memory.depth - 1:X}"
    return lines(f"""
        if {m.first} >= 0 then
          write({result}, string'(" {name}["));
          write({result}, {index});
          write({result}, string'("]="));
          write({result}, {names.image(f'{m.words}({m.first})')});
          write({result}, string'(" {name}["));
          write({result}, {index});
          write({result}, string'("]_expected="));
          if {m.first_masked} then
            write({result}, {names.own('expected_image')}({m.first_expected}));
          else
            write({result}, {names.image(m.first_expected)});
          end if;
          if {m.differ} > 1 then
            write({result}, string'(" ({name}: "));
            write({result}, {m.differ});
            write({result}, string'(" words differ)"));
          end if;
        end if;
        if {m.fault} and {m.fault_unknown} then
          write({result}, string'(" {name}: write to address "));
          write({result}, {names.image(m.fault_address)});
          write({result}, string'(", which is no number, at cycle "));
          write({result}, {m.fault_cycle});
        elsif {m.fault} then
          write({result}, string'(" {name}: address "));
          write({result}, {names.image(m.fault_address)});
          write({result}, string'(" at cycle "));
          write({result}, {m.fault_cycle});
          write({result}, string'(" is beyond its last word, {last}"));
        end if;
    """)
