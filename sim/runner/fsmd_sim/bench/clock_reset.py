"""The clock and the reset at the start of the run. Other pieces know the
period as `names.clk_period` and the end of the reset as `names.reset_time`,
never the reset port itself."""
from .template import lines


def clock(options, names):
    clk = names.control["clk"]
    return {
        "declarations": [f"constant {names.clk_period} : time := {options.clock_period};"],
        "processes": lines(f"""
            -- '1' one delta after time 0, then a rising edge every period until
            -- the verdict is written.
            {names.own('clock')} : process ({clk})
            begin
              if {clk} = 'U' then
                {clk} <= '1';
              elsif not {names.finished} then
                {clk} <= not {clk} after {names.clk_period} / 2;
              end if;
            end process {names.own('clock')};
        """) + [""],
    }


def reset(options, names):
    """Reset is active at the first --reset-cycles rising edges (default 1);
    without a reset port (--control reset=none) those edges are idle.
    --after-reset adds idle edges after them. The first test's start rises
    at `names.reset_time`, after all of them, and the design sees it at the
    next rising edge."""
    cycles = getattr(options, "reset_cycles", 1)
    idle = getattr(options, "after_reset", 0)
    declarations = [
        "-- Reset and the idle cycles after it end here; the first test starts no earlier.",
        f"constant {names.reset_time} : time := {names.clk_period} * {cycles + idle};",
    ]
    if "reset" not in names.control:
        return {"declarations": declarations}
    port = names.control["reset"]
    active, inactive = ("'1'", "'0'") if options.reset_active == "high" else ("'0'", "'1'")
    length = f"{names.clk_period}" if cycles == 1 else f"{names.clk_period} * {cycles}"
    return {
        "declarations": declarations,
        "processes": lines(f"""
            -- reset active at the first {cycles} rising edge{'s' if cycles > 1 else ''}.
            {names.own('reset')} : process
            begin
              {port} <= {active};
              wait for {length};
              {port} <= {inactive};
              wait;
            end process {names.own('reset')};
        """) + [""],
    }
