-- Probe design bound to the arraysum bench: checks the bench's clock, reset and start against the expected start-of-run sequence, and raises done at rising edges chosen by its input, so the bench's cycle counts can be predicted from the data alone.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity arraysum is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    in1   : in  std_logic_vector(31 downto 0);
    out1  : out std_logic_vector(31 downto 0);
    done  : out std_logic;
    ready : out std_logic
  );
end entity arraysum;

-- in1 = hold * 2**16 + edge: done rises at the rising clock edge at
-- edge * 10 ns and stays '1' for hold edges. out1 echoes in1 while every
-- observation matched, else it carries x"BAD000" and the number of the first
-- observation that did not.
architecture fsmd of arraysum is
  type observation is record
    at    : time;
    clk   : std_logic;
    reset : std_logic;
    start : std_logic;
  end record;
  type observation_list is array (positive range <>) of observation;
  -- One entry per wake-up on an event of clk, reset or start.
  constant expected : observation_list := (
    (0 ns,  '1', '1', '0'),
    (5 ns,  '0', '1', '0'),
    (10 ns, '1', '1', '0'),
    (10 ns, '1', '0', '1'),
    (15 ns, '0', '0', '1'),
    (20 ns, '1', '0', '1'));
  signal fault : natural := 0;
begin
  ready <= '1';

  observer : process
  begin
    -- Initialisation, time 0 delta 0: the bench has driven nothing yet.
    if clk /= 'U' or reset /= 'U' or start /= 'U' then
      fault <= 99;
      wait;
    end if;
    for i in expected'range loop
      wait on clk, reset, start;
      if now /= expected(i).at or clk /= expected(i).clk or reset /= expected(i).reset
         or start /= expected(i).start then
        fault <= i;
        wait;
      end if;
      -- The first test's inputs arrive in the same delta as clk, reset and start.
      if i = 1 and in1(0) = 'U' then
        fault <= 98;
        wait;
      end if;
    end loop;
    wait;
  end process observer;

  control : process (clk)
    variable edge     : natural;
    variable hold_end : natural := 0;
  begin
    if rising_edge(clk) then
      edge := now / 10 ns;
      if edge < hold_end then
        done <= '1';
      elsif reset = '0' and edge = to_integer(unsigned(in1(15 downto 0))) then
        done     <= '1';
        hold_end := edge + to_integer(unsigned(in1(31 downto 16)));
        if fault = 0 then
          out1 <= in1;
        else
          out1 <= x"BAD000" & std_logic_vector(to_unsigned(fault, 8));
        end if;
      else
        done <= '0';
      end if;
    end if;
  end process control;
end architecture fsmd;
