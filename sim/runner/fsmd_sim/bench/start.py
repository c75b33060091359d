"""How a test starts: start held at '1' from the end of reset on (level, as
the four bundled benches do) or raised for one clock cycle per test (pulse).
With --overlap, overlap.py drives start as it offers the tests.

A pulse reaches the design at the first rising edge after the test's
reading, except where done ends the tests and the outputs are read at once
(no --output-delay): the test before ends at that edge, with done at '1',
and the pulse follows it by one edge. A design that completes in one cycle
raises done again at the edge that sees start; had that been the edge at
which done stood at '1', done would never be seen at '0' between the two
tests, and the rule of done (completion.py) could not tell its new rise
from a done held high. With busy or idle the end's level is the one a new
start leaves, and with --output-delay the edge that ended the test before
is past when the next one is read."""
from .template import lines


def start(options, names):
    p, clk, start_port = names.p, names.control["clk"], names.control["start"]
    if options.start_mode == "pulse":
        after_end, variables = [], []
        if names.completion == "done" and not options.output_delay:
            pulsed = f"{p}pulsed"
            variables = [f"variable {pulsed} : boolean := false;"]
            after_end = lines(f"""
                -- After the first test, the test before ends at the coming rising
                -- edge, with done at '1': the start follows that edge.
                if {pulsed} then
                  wait until {clk} = '1' and {clk}'event;
                end if;
                {pulsed} := true;
            """)
        return {
            "bench_variables": variables,
            "before_tests": [f"{start_port} <= '0';"],
            "run_test": lines(f"""
                -- One rising edge with start at '1': the test's start.
                if now < {names.reset_time} then
                  wait for {names.reset_time} - now;
                end if;
            """) + after_end + lines(f"""
                {start_port} <= '1';
                wait until {clk} = '1' and {clk}'event;
                {start_port} <= '0';
            """),
        }
    return {
        "processes": lines(f"""
            -- start stays '1' from the end of reset on: the tests are paced by
            -- their completion alone.
            {p}start : process
            begin
              {start_port} <= '0';
              wait for {names.reset_time};
              {start_port} <= '1';
              wait;
            end process {p}start;
        """) + [""],
    }
