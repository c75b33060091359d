-- Mixes a word with a key that it builds itself after reset, one nibble per
-- cycle for four cycles; start is not looked at before the key is whole.
-- Its author's bench waited four cycles after reset before the first start.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity keyed_mix is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    x     : in  unsigned(15 downto 0);
    y     : out unsigned(15 downto 0);
    done  : out std_logic
  );
end entity keyed_mix;

architecture fsmd of keyed_mix is
  constant key_value : unsigned(15 downto 0) := x"C3A5";
  signal key     : unsigned(15 downto 0);
  signal warming : natural range 0 to 4;
  signal step    : natural range 0 to 2;
  signal acc     : unsigned(15 downto 0);
begin
  -- Warm-up builds the key C3A5; a computation takes two cycles:
  -- y = (x xor key) rotated left by 3, plus x.
  control : process (clk)
  begin
    if rising_edge(clk) then
      done <= '0';
      if reset = '1' then
        warming <= 4;
        step    <= 0;
        key     <= (others => '0');
      elsif warming /= 0 then
        key     <= key(11 downto 0) & key_value(4 * warming - 1 downto 4 * warming - 4);
        warming <= warming - 1;
      elsif step = 0 then
        if start = '1' then
          acc  <= x xor key;
          step <= 1;
        end if;
      elsif step = 1 then
        acc  <= rotate_left(acc, 3);
        step <= 2;
      else
        y    <= acc + x;
        done <= '1';
        step <= 0;
      end if;
    end if;
  end process control;
end architecture fsmd;
