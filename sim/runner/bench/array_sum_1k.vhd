-- The array sum of the acceptance designs over a memory of 1,024 words
-- (tests/designs/asis/array_sum.vhd, wider): the memory benchmark's design.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity array_sum_1k is
  port (
    clk      : in  std_logic;
    reset    : in  std_logic;
    start    : in  std_logic;
    n        : in  unsigned(10 downto 0);
    arr_addr : out unsigned(9 downto 0);
    arr_en   : out std_logic;
    arr_q    : in  std_logic_vector(15 downto 0);
    sum      : out unsigned(25 downto 0);
    done     : out std_logic
  );
end entity array_sum_1k;

architecture fsmd of array_sum_1k is
  type state_t is (st_idle, st_read, st_done, st_rest);
  signal state    : state_t;
  signal len      : unsigned(10 downto 0);
  signal issued   : unsigned(10 downto 0);
  signal received : unsigned(10 downto 0);
  -- in_flight(1): an address went out at the last edge; in_flight(2): its
  -- word is on arr_q now.
  signal in_flight : std_logic_vector(1 to 2);
  signal acc       : unsigned(25 downto 0);
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
              arr_addr     <= issued(9 downto 0);
              arr_en       <= '1';
              in_flight(1) <= '1';
              issued       <= issued + 1;
            end if;
            if in_flight(2) = '1' then
              acc      <= acc + unsigned(arr_q);
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
