-- Test design whose data ports have names that break naive tools: extended
-- identifiers with a blank, XML's special characters and an equals sign, a
-- port called like a word of the bench (read) and one that starts with the
-- bench's prefix (tb_x). One cycle after start: \y=1\ = \a b\ + 1 and
-- tb_x = read, or read + 1 when \x<&>"y\ is '1'.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity odd_names is
  port (
    clk        : in  std_logic;
    reset      : in  std_logic;
    start      : in  std_logic;
    \a b\      : in  unsigned(7 downto 0);
    \x<&>"y\   : in  std_logic;
    read       : in  unsigned(7 downto 0);
    \y=1\      : out unsigned(7 downto 0);
    tb_x       : out unsigned(7 downto 0);
    done       : out std_logic
  );
end entity odd_names;

architecture fsmd of odd_names is
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
          busy  <= '0';
          done  <= '1';
          \y=1\ <= \a b\ + 1;
          if \x<&>"y\ = '1' then
            tb_x <= read + 1;
          else
            tb_x <= read;
          end if;
        end if;
      end if;
    end if;
  end process control;
end architecture fsmd;
