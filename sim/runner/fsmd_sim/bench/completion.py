"""How a test ends, by one of three completion roles: done rising, busy
falling or idle rising again. Each is read as it stands at a rising clock
edge (the value an earlier edge gave it, as synchronous logic reads it), and
a test ends only where the port changes into its finishing level: at a
rising edge where it stands at that level and stood at the other one at the
edge before. So a done still '1' from the test before never ends the next
test, and busy rising at the start never ends it either.

The bench acts on that edge half a period before it, at the falling edge:
the outputs the design wrote with the completion have settled there
(concurrent copies included), and the next test's inputs reach the design
at the completion edge itself, as in the four bundled benches. A test that
does not end within --max-cycles is a hang naming it.

A design without done (--control done=none) ends its tests by its output
streams: the bench's own signal in done's place (DELIVERED) is '1' while
every output stream has delivered the current test's values and every input
stream has had all of them taken, and another
holds that test's number, which the bench compares with the number of the
test it waits for: so it is read as a level and is never left over from
the test before. The test ends at the rising edge after the one at which
the last value moved (in or out), as if the design had raised done at that edge, or at
once where it expects nothing and (without start) offers nothing. Its
cycles are the rising edges from its reading through that edge."""
from .streams import HANG_OUTPUTS
from .template import lines

HANG_REPORT = "HANG: no end of test "

# The completion of a design without done: the bench's own signal.
DELIVERED = "delivered"

# Per role: the level that ends a test, and what a hang says of it.
FINISHING_LEVEL = {"done": "1", "busy": "0", "idle": "1", DELIVERED: "1"}
HANG_TEXT = {"done": "done did not rise", "busy": "busy did not fall",
             "idle": "idle did not rise again",
             DELIVERED: HANG_OUTPUTS}
# How fsmd-sim's verdict names a hang: "test N never ...".
# (A design without done: "test N did not get every value its output
# streams expect", or "... did not have every value of its input streams
# taken" where the bench's line says the inputs stopped.)
NEVER_TEXT = {"done": "raised done", "busy": "lowered busy", "idle": "raised idle again"}
# What a hang's line adds when done stood at '1' at every edge since the test
# before ended; under a held start, why that may be.
STAYED_HIGH = "; done stayed '1' from the test before"
ONE_CYCLE_HINT = " (a design that completes in one cycle needs --start-mode pulse)"


def at_edge(names):
    """The signal holding the completion port as it stood at the last rising edge."""
    return names.own(f"{names.completion}_at_edge")


def ending(names):
    """True from the falling edge before a rising edge at which the test
    ends: the port stands at its finishing level and stood at the other one
    at the edge before."""
    level = FINISHING_LEVEL[names.completion]
    if names.completion == DELIVERED:
        return f"{names.own('delivered_test')} = {names.number}"
    other = "0" if level == "1" else "1"
    return f"{names.control[names.completion]} = '{level}' and {at_edge(names)} = '{other}'"


def watch_process(names, port, count, variables=()):
    p, clk = names.p, names.control["clk"]
    if names.completion == DELIVERED:
        # The bench's own signal falls as soon as the next test is read, before
        # any rising edge sees it: the count starts again when a test is read.
        number = names.own("test_number")
        return lines(f"""
            -- Counts the test's cycles: the rising edges since it was read.
            {p}watch : process ({clk}, {number})
            begin
              if now <= {names.reset_time} or {number}'event then
                {p}ncycles <= 0;
              elsif {clk} = '1' and {clk}'event then
                {p}ncycles <= {p}ncycles + 1;
              end if;
            end process {p}watch;
        """) + [""]
    return lines(f"""
        -- Samples {port} at each rising edge and counts the test's cycles.
        {p}watch : process ({clk})
    """) + ["  " + x for x in variables] + lines(f"""
        begin
          if {clk} = '1' and {clk}'event then
            {at_edge(names)} <= {port};
    """) + ["    " + x for x in count] + lines(f"""
          end if;
        end process {p}watch;
    """) + [""]


def tests_ended(names):
    """The signal counting the tests the bench saw end, one at a time."""
    return names.own("tests_ended")


def low_at(names):
    """The signal holding when done last stood at '0' at a rising edge."""
    return names.own("done_low_at")


def watch(options, names):
    """The completion port at each rising edge, and the cycles of a test:
    the rising edges since the port last stood at its finishing level (or
    since reset, or since the edge at which the test before ended), the
    count the four bundled benches make of done.

    The count starts again at the edge at which the test before ended even
    where the port does not stand at its finishing level there: a port that
    follows start at once (an idle that is '0' while start is '1', as
    high-level synthesis writes it) leaves that level when the bench raises
    start for the next test, half a period before that edge, and without
    the restart the counts of the tests would add up. That edge is then the
    test's first when the port stands at the other level there. Under
    --overlap the collector counts the cycles itself."""
    p, clk = names.p, names.control["clk"]
    port, level = names.control[names.completion], FINISHING_LEVEL[names.completion]
    ncycles = f"{p}ncycles"
    restart, variables = [], []
    if not getattr(options, "overlap", False):
        seen = f"{p}ends_seen"
        variables = [f"-- The tests ended by the last rising edge: one more, a test ended since.",
                     f"variable {seen} : natural := 0;"]
        restart = lines(f"""
            elsif {tests_ended(names)} /= {seen} then
              {ncycles} <= 1;
        """)
    count = lines(f"""
        if now <= {names.reset_time} or {port} = '{level}' then
          {ncycles} <= 0;
    """) + restart + lines(f"""
        else
          {ncycles} <= {ncycles} + 1;
        end if;
    """)
    if restart:
        count.append(f"{seen} := {tests_ended(names)};")
    declarations = [
        f"-- {port} as it stood at the last rising edge.",
        f"signal {at_edge(names)} : std_logic := '{level}';",
        f"-- Rising edges since reset or since {port} was last '{level}'.",
        f"signal {ncycles} : integer;",
        f"constant {p}max_cycles : integer := {options.max_cycles};",
    ]
    if names.completion == "done":
        # A hang says whether done never fell since the test before.
        count += lines(f"""
            if {port} = '0' then
              {low_at(names)} <= now;
            end if;
        """)
        declarations += [f"-- The last rising edge at which {port} stood at '0'.",
                         f"signal {low_at(names)} : time := 0 ns;"]
    return {
        "declarations": declarations,
        "processes": watch_process(names, port, count, variables),
        "bench_variables": [f"variable {p}deadline : time;", f"variable {p}cycles : integer;"],
        "result_measures": [
            f"write({names.result}, string'(\" cycles=\"));",
            f"write({names.result}, {p}cycles);",
        ],
    }


def hang(names, note=()):
    """The lines that end the run when the current test did not end in time;
    `note`: lines that may add to the hang's line of results before it is
    written."""
    result = names.result
    why = [f"write({result}, string'(\"{HANG_TEXT[names.completion]}\"));"]
    where = []
    if names.completion == DELIVERED:
        # The streams' procedures (bench/streams.py): which of them stopped,
        # and how many values each moved.
        why = [f"{names.own('hang_reason')}({result});"]
        where = [f"{names.own('hang_state')}({result});"]
    return lines(f"""
        write({result}, string'("test "));
        write({result}, {names.number});
        write({result}, string'(" HANG at "));
        write({result}, now);
        write({result}, string'(": "));
    """) + why + lines(f"""
        write({result}, string'(" within "));
        write({result}, {names.p}max_cycles);
        write({result}, string'(" cycles"));
    """) + where + list(note) + lines(f"""
        writeline({names.results}, {result});
        write({result}, string'("{names.failed_verdict}"));
        writeline({names.results}, {result});
        report "{HANG_REPORT}" & integer'image({names.number}) severity failure;
        wait;
    """)


def stayed_high(options, names, began):
    """The lines that say, on a hang's line, that done stood at '1' at every
    rising edge since the test before ended: a done held high, or, under a
    held start, a design that completes in one cycle and raises done again
    at the edge that ended the test before, which the rule of done cannot
    tell from a done held high."""
    if names.completion != "done":
        return []
    text = STAYED_HIGH + (ONE_CYCLE_HINT if options.start_mode == "level" else "")
    return lines(f"""
        if {tests_ended(names)} > 0 and {low_at(names)} < {began} then
          write({names.result}, string'("{text}"));
        end if;
    """)


def wait_for_ending(names):
    """The wait, in the loop of wait_for_end, for the port to say the test
    ends. `wait until` wakes only on an event: a done still '1' from the test
    before must not end this one. The bench's own signal of a design without
    done names its test, so where it is '1' already (a test that expects
    nothing, read before reset is over) the test ends without an event; a
    wait for one would last to the deadline, and the test would then pass
    or hang by chance."""
    wait = [f"  wait until {ending(names)} for {names.p}deadline - now;"]
    if names.completion != DELIVERED:
        return wait
    return [f"  if not ({ending(names)}) then", "  " + wait[0], "  end if;"]


def wait_for_end(options, names):
    """One test at a time: waits for the test's end, then --output-delay
    clock cycles more, before the outputs are read."""
    p, clk, period = names.p, names.control["clk"], names.clk_period
    ended, deadline, began = f"{p}ended", f"{p}deadline", f"{p}began"
    run = lines(f"""
        -- The first test starts at the first rising edge after reset.
        if now < {names.reset_time} + {period} then
          wait for {names.reset_time} + {period} - now;
        end if;
        -- Events of the port or of its value at the last edge wake the bench;
        -- where the test ends at the next rising edge, it goes on at the falling
        -- edge before it, with the outputs settled.
        {began} := now;
        {deadline} := now + {period} * {p}max_cycles + {period} / 2;
        {ended} := false;
        while not {ended} and now < {deadline} loop
    """) + wait_for_ending(names) + lines(f"""
          if {ending(names)} then
            if {clk} = '1' then
              wait until {clk} = '0';
            end if;
            {ended} := {ending(names)};
          end if;
        end loop;
        if not {ended} then
    """) + ["  " + line for line in hang(names, stayed_high(options, names, began))] + lines(f"""
        end if;
        {tests_ended(names)} <= {tests_ended(names)} + 1;
        {p}cycles := {p}ncycles;
    """)
    if options.output_delay:
        run += [f"-- The outputs come {options.output_delay} clock cycles after the end (--output-delay).",
                f"wait for {period} * {options.output_delay};"]
    return {
        "declarations": [
            "-- The tests that ended: the cycles of the next one count from the edge",
            "-- at which the last one ended.",
            f"signal {tests_ended(names)} : natural := 0;",
        ],
        "bench_variables": [f"variable {ended} : boolean;", f"variable {began} : time;"],
        "run_test": run,
    }
