-- Check counting, failure reports and vector construction for the textutil test benches.
library ieee;
use ieee.std_logic_1164.all;

package body textutil_test_support is

  -- A broken conversion can fail thousands of exhaustive cases; the first
  -- few reports are enough to replay it.
  constant reported_failures_max : natural := 20;

  procedure check(tally : inout tally_type; ok : boolean; what : string) is
  begin
    tally.checks := tally.checks + 1;
    if not ok then
      tally.failures := tally.failures + 1;
      if tally.failures <= reported_failures_max then
        report "FAILED: " & what severity error;
      end if;
    end if;
  end procedure check;

  function range_image(text : string) return string is
  begin
    if text'ascending then
      return "(" & integer'image(text'left) & " to "
        & integer'image(text'right) & ")";
    end if;
    return "(" & integer'image(text'left) & " downto "
      & integer'image(text'right) & ")";
  end function range_image;

  procedure check_result(tally : inout tally_type; actual : string;
                         expected : string; what : string) is
    variable left : integer := 1;
  begin
    if expected'length = 0 then
      left := 2;
    end if;
    check(tally,
          actual = expected and actual'ascending and actual'left = left
            and actual'right = left + expected'length - 1,
          what & ": got """ & actual & """ " & range_image(actual)
            & ", expected """ & expected & """ (" & integer'image(left)
            & " to " & integer'image(left + expected'length - 1) & ")");
  end procedure check_result;

  procedure finish(tally : tally_type; bench : string) is
    constant summary : string := bench & ": "
      & integer'image(tally.checks) & " checks, "
      & integer'image(tally.failures) & " failed";
  begin
    if tally.failures = 0 then
      report summary severity note;
    else
      report summary severity failure;
    end if;
  end procedure finish;

  function literals_to_vector(literals : string; ascending : boolean;
                              low : natural) return std_ulogic_vector is
    alias chars : string(1 to literals'length) is literals;
    variable up : std_ulogic_vector(low to low + literals'length - 1);
    variable down : std_ulogic_vector(low + literals'length - 1 downto low);
  begin
    for i in chars'range loop
      up(low + i - 1) := std_ulogic'value("'" & chars(i) & "'");
      down(low + literals'length - i) := up(low + i - 1);
    end loop;
    if ascending then
      return up;
    else
      return down;
    end if;
  end function literals_to_vector;

  function describe(literals : string; ascending : boolean;
                    low : natural) return string is
    constant high : integer := low + literals'length - 1;
  begin
    if ascending then
      return "(" & integer'image(low) & " to " & integer'image(high) & ") "
        & literals;
    else
      return "(" & integer'image(high) & " downto " & integer'image(low)
        & ") " & literals;
    end if;
  end function describe;

end package body textutil_test_support;
