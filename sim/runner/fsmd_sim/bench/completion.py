"""How a test starts and ends: start held at '1' from the end of reset on
(level) or raised for one clock cycle per test (pulse); the test ends when
done is '1', or as a hang after --max-cycles rising edges; the rising
edges it took are its cycles."""
from .template import lines

HANG_REPORT = "HANG: done did not rise in test "


def start_and_done(options, names):
    p = names.p
    clk, start, done = (names.control[role] for role in ("clk", "start", "done"))
    ncycles, max_cycles, deadline = f"{p}ncycles", f"{p}max_cycles", f"{p}deadline"
    result, number = names.result, names.number
    piece = {
        "declarations": [
            "-- Rising clock edges since reset or done was last active.",
            f"signal {ncycles} : integer;",
            f"constant {max_cycles} : integer := {options.max_cycles};",
        ],
        "processes": lines(f"""
            -- The clear takes effect one delta later, so the bench reads the count
            -- of the finished test in the delta in which done rises.
            {p}profiling : process ({clk}, {done})
            begin
              if now <= {names.reset_time} or {done} = '1' then
                {ncycles} <= 0;
              elsif {clk} = '1' and {clk}'event then
                {ncycles} <= {ncycles} + 1;
              end if;
            end process {p}profiling;
        """) + [""],
        "bench_variables": [f"variable {deadline} : time;"],
        "run_test": [
            f"-- done within {max_cycles} rising edges of the test.",
            f"{deadline} := {names.clk_period} * {max_cycles} + {names.clk_period} / 2;",
        ],
        "result_measures": [
            "write({0}, string'(\" cycles=\"));".format(result),
            f"write({result}, {ncycles});",
        ],
    }
    if options.start_mode == "pulse":
        piece["before_tests"] = [f"{start} <= '0';"]
        piece["run_test"] += lines(f"""
            if now < {names.reset_time} then
              wait for {names.reset_time} - now;
            end if;
            {start} <= '1';
            wait until {clk} = '1' and {clk}'event;
            {start} <= '0';
        """)
    else:
        piece["processes"] += lines(f"""
            -- start stays '1' from the end of reset on: the tests are paced by
            -- done alone.
            {p}start : process
            begin
              {start} <= '0';
              wait for {names.reset_time};
              {start} <= '1';
              wait;
            end process {p}start;
        """) + [""]
        piece["run_test"] += lines(f"""
            -- The first test also waits out the reset period.
            if now < {names.reset_time} then
              {deadline} := {deadline} + {names.reset_time} - now;
            end if;
        """)
    piece["run_test"] += lines(f"""
        wait until {done} = '1' for {deadline};
        if {done} /= '1' then
          write({result}, string'("test "));
          write({result}, {number});
          write({result}, string'(" HANG at "));
          write({result}, now);
          write({result}, string'(": done did not rise within "));
          write({result}, {max_cycles});
          write({result}, string'(" cycles"));
          writeline({names.results}, {result});
          write({result}, string'("{names.failed_verdict}"));
          writeline({names.results}, {result});
          report "{HANG_REPORT}" & integer'image({number}) severity failure;
          wait;
        end if;
    """)
    return piece
