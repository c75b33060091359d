-- Sums the first n words of an array held in a synchronous memory (one
-- cycle from address to data), issuing one address per cycle.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity array_sum is
  port (
    clk      : in  std_logic;
    reset    : in  std_logic;
    start    : in  std_logic;
    n        : in  unsigned(6 downto 0);
    arr_addr : out unsigned(5 downto 0);
    arr_en   : out std_logic;
    arr_q    : in  std_logic_vector(15 downto 0);
    sum      : out unsigned(21 downto 0);
    done     : out std_logic
  );
end entity array_sum;

architecture fsmd of array_sum is
  type state_t is (st_idle, st_read, st_done, st_rest);
  signal state    : state_t;
  signal len      : unsigned(6 downto 0);
  signal issued   : unsigned(6 downto 0);
  signal received : unsigned(6 downto 0);
  -- in_flight(1): an address went out at the last edge; in_flight(2): its
  -- word is on arr_q now.
  signal in_flight : std_logic_vector(1 to 2);
  signal acc       : unsigned(21 downto 0);
begin
  -- Issues addresses 0 .. n - 1 back to back and adds each word two edges
  -- after its address left.
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state     <= st_idle;
        arr_en    <= '0';
        in_flight <= "00";
      else
        arr_en    <= '0';
        in_flight <= '0' & in_flight(1);
        case state is
          when st_idle =>
            if start = '1' then
              len      <= n;
              issued   <= (others => '0');
              received <= (others => '0');
              acc      <= (others => '0');
              state    <= st_read;
            end if;
          when st_read =>
            if issued < len then
              arr_addr     <= issued(5 downto 0);
              arr_en       <= '1';
              in_flight(1) <= '1';
              issued       <= issued + 1;
            end if;
            if in_flight(2) = '1' then
              acc      <= acc + unsigned(arr_q(14 downto 0));
              received <= received + 1;
            end if;
            if received = len then
              state <= st_done;
            end if;
          when st_done =>
            state <= st_rest;
          when st_rest =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;

  sum  <= acc;
  done <= '1' when state = st_done else '0';
end architecture fsmd;
