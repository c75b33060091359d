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

  procedure check_text(tally : inout tally_type; actual : string;
                       expected : string; what : string) is
  begin
    check(tally, actual = expected,
          what & ": got """ & actual & """, expected """ & expected & """");
  end procedure check_text;

  procedure check_bounds(tally : inout tally_type; actual : string;
                         left : integer; right : integer;
                         ascending : boolean; what : string) is
    function direction(is_ascending : boolean) return string is
    begin
      if is_ascending then
        return " to ";
      else
        return " downto ";
      end if;
    end function direction;
  begin
    check(tally,
          actual'left = left and actual'right = right
            and actual'ascending = ascending,
          what & ": bounds (" & integer'image(actual'left)
            & direction(actual'ascending) & integer'image(actual'right)
            & "), expected (" & integer'image(left) & direction(ascending)
            & integer'image(right) & ")");
  end procedure check_bounds;

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

  function literals_to_logic_vector(literals : string; ascending : boolean;
                                    low : natural) return std_logic_vector is
    constant elements : std_ulogic_vector
      := literals_to_vector(literals, ascending, low);
    variable result : std_logic_vector(elements'range);
  begin
    for i in elements'range loop
      result(i) := elements(i);
    end loop;
    return result;
  end function literals_to_logic_vector;

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
