"""--overlap: pipelined designs, which take a new test before the earlier
ones have ended.

The bench process offers the tests ahead of its checks: it reads a test's
line when it offers the test, drives the inputs from it, and keeps the line
for the check, which takes the lines in the same order. It looks at every
falling edge, where the ports stand as they will at the next rising edge: a
completion there (the rule of completion.py) ends the oldest test in
flight, and start and ready both '1' mean the design takes the offered test
there; the next test's inputs then follow one femtosecond after that edge,
when the design has taken the current ones. A test's cycles are its
latency: the rising edges after the one that took it, up to the one that
gave its completion. The run's line OVERLAP_PREFIX... in the results file
gives the interval between accepted starts and the throughput."""
from .completion import ending, hang
from .driver import input_offer
from .template import lines

OVERLAP_PREFIX = "overlap: "


def tests_follow(names):
    """The VHDL condition under which a test comes after the one just
    checked: one offered and in flight, or a line of the vectors file not
    yet offered."""
    return f"{names.p}waiting_first /= null or not endfile({names.vectors})"


def offering(options, names, inputs, outputs):
    """The procedure that offers the next test (its inputs and start, at
    given delays), the lines offered and not yet checked, the next test of
    the check, and the offer of the first test; `inputs` the input ports,
    `outputs` how many data outputs the vectors file flags."""
    p, vectors, vector = names.p, names.vectors, names.vector
    start = names.control["start"]
    node, text, at = "node", "node.text", "at"
    declarations, drives = [], []
    for port in inputs:
        declaration, drive = input_offer(port, names, text, at, "inputs_delay")
        declarations.append(declaration)
        drives += drive
    procedure = lines(f"""
        -- The lines of the tests offered and not yet checked, oldest first.
        type {p}line_node;
        type {p}line_node_access is access {p}line_node;
        type {p}line_node is record
          text  : line;
          later : {p}line_node_access;
        end record;
        variable {p}waiting_first, {p}waiting_last, {p}checked : {p}line_node_access;
        """) + declarations + lines(f"""
        -- Offers the next test of the vectors file: its inputs inputs_delay
        -- from now and start at '1' start_delay from now; start '0' when no
        -- test is left. Transport delays: an earlier value of start still due
        -- stays. The inputs' fields follow the test's number and a blank
        -- (where the line has them: a run of chosen tests), the outputs' flags
        -- and a blank, each field its digits and a blank.
        procedure {p}offer(inputs_delay, start_delay : time) is
          variable {node} : {p}line_node_access;
          variable {at} : positive;
        begin
          if endfile({vectors}) then
            {start} <= transport '0' after start_delay;
            return;
          end if;
          {node} := new {p}line_node;
          readline({vectors}, {text});
          {at} := {text}'left;
          if {text}({at}) >= '0' and {text}({at}) <= '9' then
            while {text}({at}) /= ' ' loop
              {at} := {at} + 1;
            end loop;
            {at} := {at} + 1;
          end if;
          {at} := {at} + {outputs + 1};
        """) + ["  " + d for d in drives] + lines(f"""
          {start} <= transport '1' after start_delay;
          if {p}waiting_last = null then
            {p}waiting_first := {node};
          else
            {p}waiting_last.later := {node};
          end if;
          {p}waiting_last := {node};
        end procedure;
        """)
    return {
        "declarations": [
            "-- When the next test's inputs follow a falling edge (--overlap): just after",
            "-- the rising edge after it, where the design has taken the current ones.",
            f"constant {p}handover : time := {names.clk_period} / 2 + 1 fs;",
        ],
        "functions": lines(f"""
            -- The bits of hexadecimal digits (0-9, A-F: the vectors file as fsmd-sim
            -- writes it for the bench).
            function {p}from_hex(digits : string) return std_logic_vector is
              variable bits  : std_logic_vector(4 * digits'length - 1 downto 0);
              variable digit : natural;
            begin
              for i in 0 to digits'length - 1 loop
                digit := character'pos(digits(digits'left + i));
                if digit >= character'pos('A') then
                  digit := digit - character'pos('A') + 10;
                else
                  digit := digit - character'pos('0');
                end if;
                bits(bits'high - 4 * i downto bits'high - 4 * i - 3) :=
                  std_logic_vector(to_unsigned(digit, 4));
              end loop;
              return bits;
            end function;
        """),
        "bench_variables": procedure,
        "before_tests": lines(f"""
            -- The first test is offered from time 0, start from the end of reset on.
            {start} <= '0';
            {p}offer(0 ns, {names.reset_time});
        """),
        "next_test": lines(f"""
            -- The oldest test offered and not yet checked; none left: all are checked.
            exit when {p}waiting_first = null;
            deallocate({vector});
            {vector} := {p}waiting_first.text;
            {p}checked := {p}waiting_first;
            {p}waiting_first := {p}waiting_first.later;
            if {p}waiting_first = null then
              {p}waiting_last := null;
            end if;
            deallocate({p}checked);
        """),
    }


def collector(options, names):
    """The bench process's wait for each test's end under --overlap, the
    latency of each test and the run's interval and throughput."""
    p, period = names.p, names.clk_period
    start, ready = names.control["start"], names.control["ready"]
    delay = options.output_delay
    result = names.result
    variables = lines(f"""
        -- The rising edges that took the tests in flight, oldest first: a ring
        -- that doubles when full.
        type {p}edge_list is array (natural range <>) of natural;
        type {p}edge_list_access is access {p}edge_list;
        variable {p}taken : {p}edge_list_access := new {p}edge_list(0 to 15);
        variable {p}taken_first : natural := 0;
        variable {p}taken_count : natural := 0;
        variable {p}taken_edge : natural;
        -- Tests taken and not yet ended; per falling edge of the last
        -- --output-delay cycles, whether a test ended there.
        variable {p}in_flight : natural := 0;
        type {p}flag_list is array (natural range <>) of boolean;
        variable {p}ends : {p}flag_list(0 to {delay}) := (others => false);
        variable {p}read_now : boolean;
        -- The next falling edge to look at, and the number of the rising edge
        -- after the last one looked at (the first is edge 1).
        variable {p}next_look : time := {period} / 2;
        variable {p}edge : natural := 0;
        -- Accepted starts: how many, the first, the last, the shortest and
        -- longest interval; and the rising edge of the last end.
        variable {p}accepted : natural := 0;
        variable {p}first_accept, {p}last_accept, {p}last_end : natural := 0;
        -- Tests ended and checked: the throughput's (a run stopped at
        -- --max-failures leaves tests in flight).
        variable {p}ended_count : natural := 0;
        variable {p}interval_min : natural := natural'high;
        variable {p}interval_max : natural := 0;

        -- A test taken at rising edge number edge.
        procedure {p}push_taken(edge : natural) is
          variable grown : {p}edge_list_access;
        begin
          if {p}taken_count = {p}taken.all'length then
            grown := new {p}edge_list(0 to 2 * {p}taken.all'length - 1);
            for i in 0 to {p}taken_count - 1 loop
              grown(i) := {p}taken(({p}taken_first + i) mod {p}taken.all'length);
            end loop;
            deallocate({p}taken);
            {p}taken := grown;
            {p}taken_first := 0;
          end if;
          {p}taken(({p}taken_first + {p}taken_count) mod {p}taken.all'length) := edge;
          {p}taken_count := {p}taken_count + 1;
          if {p}accepted = 0 then
            {p}first_accept := edge;
          else
            if edge - {p}last_accept < {p}interval_min then
              {p}interval_min := edge - {p}last_accept;
            end if;
            if edge - {p}last_accept > {p}interval_max then
              {p}interval_max := edge - {p}last_accept;
            end if;
          end if;
          {p}last_accept := edge;
          {p}accepted := {p}accepted + 1;
        end procedure;

        -- The edge that took the oldest test in flight, which leaves the ring.
        procedure {p}pop_taken(edge : out natural) is
        begin
          edge := {p}taken({p}taken_first);
          {p}taken_first := ({p}taken_first + 1) mod {p}taken.all'length;
          {p}taken_count := {p}taken_count - 1;
        end procedure;
    """)
    run = lines(f"""
        -- At every falling edge: a completion at the coming rising edge ends the
        -- oldest test in flight; start and ready at '1' mean the design takes
        -- the offered test there, and the next one is offered. The oldest
        -- test's outputs are read --output-delay cycles after its end.
        {p}deadline := now + {period} * {p}max_cycles + {period} / 2;
        loop
          if now >= {p}deadline then
        """) + ["    " + line for line in hang(names)] + lines(f"""
          end if;
          wait for {p}next_look - now;
          {p}next_look := {p}next_look + 2 * ({period} / 2);
          {p}edge := {p}edge + 1;
          {p}ends(0) := {ending(names)} and {p}in_flight > 0;
          if {p}ends(0) then
            {p}in_flight := {p}in_flight - 1;
          end if;
          if {start} = '1' and {ready} = '1' then
            {p}push_taken({p}edge);
            {p}in_flight := {p}in_flight + 1;
            {p}offer({p}handover, {p}handover);
          end if;
          {p}read_now := {p}ends({delay});
          for i in {delay} downto 1 loop
            {p}ends(i) := {p}ends(i - 1);
          end loop;
          exit when {p}read_now;
        end loop;
        {p}pop_taken({p}taken_edge);
        {p}last_end := {p}edge - {delay};
        {p}ended_count := {p}ended_count + 1;
        {p}cycles := {p}last_end - 1 - {p}taken_edge;
    """)
    summary = lines(f"""
        -- The interval between accepted starts and the throughput (--overlap).
        if {p}accepted > 0 then
          write({result}, string'("{OVERLAP_PREFIX}interval min / mean / max: "));
          if {p}accepted > 1 then
            write({result}, {p}interval_min);
            write({result}, string'(" / "));
            write({result}, real({p}last_accept - {p}first_accept) / real({p}accepted - 1), right, 0, 1);
            write({result}, string'(" / "));
            write({result}, {p}interval_max);
          else
            write({result}, string'("- / - / -"));
          end if;
          write({result}, string'(" cycles; throughput: "));
          write({result}, 1000.0 * real({p}ended_count) / real({p}last_end - {p}first_accept), right, 0, 1);
          write({result}, string'(" tests per 1,000 cycles"));
          writeline({names.results}, {result});
        end if;
    """)
    return {"bench_variables": variables, "run_test": run, "after_tests": summary}
