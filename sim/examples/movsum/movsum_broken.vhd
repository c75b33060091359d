-- movsum_broken: movsum with a classic fault of stream handling. Once the
-- first value has come it takes a value at every cycle, as if valid could
-- not drop: right while the stream flows without a gap (fsmd-sim's default),
-- wrong when the producer stalls (fsmd-sim --stall).
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity movsum is
  port (
    clk      : in  std_logic;
    reset    : in  std_logic;
    start    : in  std_logic;
    n        : in  unsigned(7 downto 0);
    x        : in  std_logic_vector(15 downto 0);
    x_valid  : in  std_logic;
    x_ready  : out std_logic;
    res_addr : out unsigned(7 downto 0);
    res_en   : out std_logic;
    res_d    : out std_logic_vector(17 downto 0);
    done     : out std_logic
  );
end entity movsum;

architecture fsmd of movsum is
  type state_t is (st_idle, st_run, st_flush, st_done);
  signal state      : state_t;
  signal len, count : unsigned(7 downto 0);
  -- The three values before the current one.
  signal w1, w2, w3 : unsigned(17 downto 0);
  signal take       : std_logic;
  signal flowing    : std_logic;
begin
  take <= '1' when state = st_run and count /= len else '0';

  control : process (clk)
    variable value : unsigned(17 downto 0);
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state  <= st_idle;
        res_en <= '0';
      else
        res_en <= '0';
        case state is
          when st_idle =>
            if start = '1' then
              len   <= n;
              count <= (others => '0');
              w1    <= (others => '0');
              w2    <= (others => '0');
              w3    <= (others => '0');
              flowing <= '0';
              state <= st_run;
            end if;
          when st_run =>
            if take = '1' and (x_valid = '1' or flowing = '1') then
              flowing  <= '1';
              value    := resize(unsigned(x), 18);
              res_addr <= count;
              res_d    <= std_logic_vector(value + w1 + w2 + w3);
              res_en   <= '1';
              w3       <= w2;
              w2       <= w1;
              w1       <= value;
              count    <= count + 1;
            elsif count = len then
              -- The last sum is written at the next edge.
              state <= st_flush;
            end if;
          when st_flush =>
            state <= st_done;
          when st_done =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;

  x_ready <= take;
  done    <= '1' when state = st_done else '0';
end architecture fsmd;
