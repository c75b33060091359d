-- Test design whose outputs show the bits of its inputs, one cycle after
-- start: the vectors file then sets both the value an output takes and the
-- value expected of it, so a test can put any pair side by side. u and s
-- show u_in as unsigned and signed, w and ws show w_in (128 bits), f and fs
-- show f_in (5 bits), h shows h_in, fa shows fa_in (an ascending range).
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity mirror is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    u_in  : in  std_logic_vector(7 downto 0);
    w_in  : in  std_logic_vector(127 downto 0);
    f_in  : in  std_logic_vector(4 downto 0);
    h_in  : in  std_logic_vector(15 downto 0);
    fa_in : in  std_logic_vector(0 to 8);
    u     : out unsigned(7 downto 0);
    s     : out signed(7 downto 0);
    w     : out unsigned(127 downto 0);
    ws    : out signed(127 downto 0);
    f     : out std_logic_vector(4 downto 0);
    fs    : out signed(4 downto 0);
    h     : out std_logic_vector(15 downto 0);
    fa    : out std_logic_vector(0 to 8);
    done  : out std_logic
  );
end entity mirror;

architecture fsmd of mirror is
  signal busy : std_logic;
begin
  -- One cycle to take the inputs, one to show them with done.
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
          u  <= unsigned(u_in);
          s  <= signed(u_in);
          w  <= unsigned(w_in);
          ws <= signed(w_in);
          f  <= f_in;
          fs <= signed(f_in);
          h  <= h_in;
          fa <= fa_in;
        end if;
      end if;
    end if;
  end process control;
end architecture fsmd;
