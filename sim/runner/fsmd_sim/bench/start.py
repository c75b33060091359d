"""How a test starts: start held at '1' from the end of reset on (level, as
the four bundled benches do) or raised for one clock cycle per test (pulse).
With --overlap, overlap.py drives start as it offers the tests."""
from .template import lines


def start(options, names):
    p, clk, start_port = names.p, names.control["clk"], names.control["start"]
    if options.start_mode == "pulse":
        return {
            "before_tests": [f"{start_port} <= '0';"],
            "run_test": lines(f"""
                -- One rising edge with start at '1': the test's start.
                if now < {names.reset_time} then
                  wait for {names.reset_time} - now;
                end if;
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
