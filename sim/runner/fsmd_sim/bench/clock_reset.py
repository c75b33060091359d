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
    """Reset is active for the first clock period; the first test starts
    when it ends."""
    port = names.control["reset"]
    active, inactive = ("'1'", "'0'") if options.reset_active == "high" else ("'0'", "'1'")
    return {
        "declarations": [
            "-- Reset ends here; the first test starts no earlier.",
            f"constant {names.reset_time} : time := {names.clk_period};",
        ],
        "processes": lines(f"""
            -- reset for the first period.
            {names.own('reset')} : process
            begin
              {port} <= {active};
              wait for {names.reset_time};
              {port} <= {inactive};
              wait;
            end process {names.own('reset')};
        """) + [""],
    }
