-- Test design whose outputs carry metavalues: when mode is "01" y is all 'X'
-- and z is 'Z'; when "10" y is 'U' in its top half; when "11" y and z are
-- weak values ("HHHHLLLL", 'H'); otherwise y = x, z = '1'.
library ieee;
use ieee.std_logic_1164.all;

entity metavalues is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    mode  : in  std_logic_vector(1 downto 0);
    x     : in  std_logic_vector(7 downto 0);
    y     : out std_logic_vector(7 downto 0);
    z     : out std_logic;
    done  : out std_logic
  );
end entity metavalues;

architecture fsmd of metavalues is
  signal busy : std_logic;
begin
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        busy <= '0';
        done <= '0';
      else
        done <= '0';
        if busy = '0' and start = '1' then
          busy <= '1';
        elsif busy = '1' then
          busy <= '0';
          done <= '1';
          case mode is
            when "01" =>
              y <= (others => 'X');
              z <= 'Z';
            when "10" =>
              y <= "UUUU" & x(3 downto 0);
              z <= '1';
            when "11" =>
              y <= "HHHHLLLL";
              z <= 'H';
            when others =>
              y <= x;
              z <= '1';
          end case;
        end if;
      end if;
    end if;
  end process control;
end architecture fsmd;
