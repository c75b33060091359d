-- Scales a signed integer, adds an offset and clamps it to +/- lim, with
-- the port kinds a hand-written design has: integer ranges (one signed, one
-- sized by a generic), bit and bit_vector, an X01 enable, a boolean flag,
-- an ascending vector and extended identifiers.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity clamp_scale is
  generic (
    N : positive := 6
  );
  port (
    clk            : in  std_logic;
    reset          : in  std_logic;
    start          : in  std_logic;
    a              : in  integer range -100 to 100;
    offset         : in  bit_vector(3 downto 0);
    en             : in  X01;
    \gain factor\  : in  std_logic_vector(0 to 3);
    lim            : in  natural range 0 to 2 ** N - 1;
    y              : out integer range -128 to 127;
    neg            : out bit;
    \sat flag\     : out boolean;
    done           : out std_logic
  );
end entity clamp_scale;

architecture fsmd of clamp_scale is
  signal result  : integer range -128 to 127;
  signal clamped : boolean;
  signal ended   : std_logic;
begin
  -- One cycle of arithmetic on integers; done the cycle after.
  compute : process (clk)
    variable scaled : integer;
  begin
    if rising_edge(clk) then
      ended <= '0';
      if reset = '1' then
        result  <= 0;
        clamped <= false;
      elsif start = '1' and ended = '0' then
        if en = '1' then
          scaled := a * to_integer(unsigned(\gain factor\)) + to_integer(unsigned(to_stdlogicvector(offset)));
        else
          scaled := a;
        end if;
        if scaled > lim then
          result <= lim;
        elsif scaled < -lim then
          result <= -lim;
        else
          result <= scaled;
        end if;
        clamped <= scaled > lim or scaled < -lim;
        ended   <= '1';
      end if;
    end if;
  end process compute;

  y            <= result;
  neg          <= '1' when result < 0 else '0';
  \sat flag\   <= clamped;
  done         <= ended;
end architecture fsmd;
