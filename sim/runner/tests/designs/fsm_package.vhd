-- Test design for state coverage: the state type comes from a package
-- (fsm_package_types.vhd); an arm covers a range of states and holds a case
-- over the same signal; `when others` ends the case. y = a; a(0) = '1' goes
-- through ph_one, else a(1) = '1' through \ph,odd\, else through ph_two.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use work.fsm_package_types.all;

entity fsm_package is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    y     : out unsigned(7 downto 0);
    done  : out std_logic
  );
end entity fsm_package;

architecture fsmd of fsm_package is
  signal phase : phase_t;
begin
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        phase <= ph_idle;
        done  <= '0';
      else
        done <= '0';
        case phase is
          when ph_idle =>
            y <= a;
            if a(0) = '1' then
              phase <= ph_one;
            elsif a(1) = '1' then
              phase <= \ph,odd\;
            else
              phase <= ph_two;
            end if;
          when ph_one to ph_two =>
            case phase is
              when ph_one =>
                phase <= ph_three;
              when others =>
                phase <= ph_four;
            end case;
          when \ph,odd\ =>
            phase <= ph_four;
          when others =>
            done  <= '1';
            phase <= ph_idle;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
