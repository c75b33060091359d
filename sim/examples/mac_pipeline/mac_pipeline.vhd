-- Example design mac_pipeline: y = a * b + c on signed operands, exact
-- (33 bits hold every result). One 16 x 9-bit multiplier does the work of a
-- 16 x 16 one in two cycles, the low byte of b in the first, the high byte
-- in the second, so the pipeline takes a new input every second cycle:
-- ready is '1' when the next rising edge with start at '1' takes a, b and c.
-- done is '1' for one cycle with each result in y, in the order the inputs
-- were taken; the result of an input taken at one edge comes with the fifth
-- edge that follows.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity mac_pipeline is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  signed(15 downto 0);
    b     : in  signed(15 downto 0);
    c     : in  signed(31 downto 0);
    y     : out signed(32 downto 0);
    ready : out std_logic;
    done  : out std_logic
  );
end entity mac_pipeline;

architecture fsmd of mac_pipeline is
  signal ready_r  : std_logic;
  -- Which stage holds an input: taken, low product, high product, the
  -- whole product, the sum.
  signal taken      : std_logic;
  signal low_done   : std_logic;
  signal high_done  : std_logic;
  signal multiplied : std_logic;
  signal summed     : std_logic;
  signal a_r      : signed(15 downto 0);
  signal b_r      : signed(15 downto 0);
  signal c_r      : signed(31 downto 0);
  -- The multiplier's second operand: the low byte of b as a positive
  -- 9-bit number, or the high byte sign-extended.
  signal operand  : signed(8 downto 0);
  signal product  : signed(24 downto 0);
  signal low      : signed(24 downto 0);
  signal low_2    : signed(24 downto 0);
  signal high     : signed(24 downto 0);
  signal c_2      : signed(31 downto 0);
  signal whole    : signed(32 downto 0);
  signal c_3      : signed(31 downto 0);
  signal sum      : signed(32 downto 0);
begin
  operand <= signed('0' & b_r(7 downto 0)) when taken = '1' else resize(b_r(15 downto 8), 9);
  product <= a_r * operand;

  stages : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        ready_r    <= '1';
        taken      <= '0';
        low_done   <= '0';
        high_done  <= '0';
        multiplied <= '0';
        summed     <= '0';
        done       <= '0';
      else
        -- An input taken now keeps the multiplier for two cycles: the
        -- next edge takes none.
        taken      <= start and ready_r;
        ready_r    <= not (start and ready_r);
        low_done   <= taken;
        high_done  <= low_done;
        multiplied <= high_done;
        summed     <= multiplied;
        done       <= summed;
      end if;
      if start = '1' and ready_r = '1' then
        a_r <= a;
        b_r <= b;
        c_r <= c;
      end if;
      if taken = '1' then
        low <= product;
      end if;
      if low_done = '1' then
        -- a_r, b_r and c_r still hold this input: the next one, if any,
        -- is taken at this same edge.
        high  <= product;
        low_2 <= low;
        c_2   <= c_r;
      end if;
      if high_done = '1' then
        whole <= shift_left(resize(high, 33), 8) + resize(low_2, 33);
        c_3   <= c_2;
      end if;
      if multiplied = '1' then
        sum <= whole + resize(c_3, 33);
      end if;
      if summed = '1' then
        y <= sum;
      end if;
    end if;
  end process stages;

  ready <= ready_r;
end architecture fsmd;
