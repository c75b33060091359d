-- Bit-serial CRC-8 (polynomial x^8 + x^2 + x + 1, initial value 0) of a
-- 16-bit word, most significant bit first. It says idle while it waits for
-- a start, and has neither done nor busy.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity crc8_serial is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    data  : in  std_logic_vector(15 downto 0);
    crc   : out std_logic_vector(7 downto 0);
    idle  : out std_logic
  );
end entity crc8_serial;

architecture fsmd of crc8_serial is
  constant poly : std_logic_vector(7 downto 0) := x"07";
  signal shifter : std_logic_vector(15 downto 0);
  signal rem_r   : std_logic_vector(7 downto 0);
  signal left    : natural range 0 to 16;
begin
  -- One data bit per cycle into the remainder; idle again after the
  -- sixteenth.
  divide : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        left <= 0;
        idle <= '1';
      elsif left = 0 then
        if start = '1' then
          shifter <= data;
          rem_r   <= (others => '0');
          left    <= 16;
          idle    <= '0';
        end if;
      else
        if (rem_r(7) xor shifter(15)) = '1' then
          rem_r <= (rem_r(6 downto 0) & '0') xor poly;
        else
          rem_r <= rem_r(6 downto 0) & '0';
        end if;
        shifter <= shifter(14 downto 0) & '0';
        left    <= left - 1;
        if left = 1 then
          idle <= '1';
        end if;
      end if;
    end if;
  end process divide;

  crc <= rem_r;
end architecture fsmd;
