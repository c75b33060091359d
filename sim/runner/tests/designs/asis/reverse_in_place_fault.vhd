-- Reverses the first n words of an array in place, through one port of a
-- synchronous memory. It holds each read address for three cycles before
-- it takes the word, so any read latency up to two cycles works.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity reverse_in_place is
  port (
    clk      : in  std_logic;
    reset    : in  std_logic;
    start    : in  std_logic;
    n        : in  unsigned(4 downto 0);
    buf_addr : out unsigned(3 downto 0);
    buf_en   : out std_logic;
    buf_we   : out std_logic;
    buf_d    : out std_logic_vector(15 downto 0);
    buf_q    : in  std_logic_vector(15 downto 0);
    done     : out std_logic
  );
end entity reverse_in_place;

architecture fsmd of reverse_in_place is
  type state_t is (st_idle, st_check, st_read_lo, st_wait_lo, st_take_lo, st_wait_hi, st_take_hi,
                   st_write_hi, st_next, st_done, st_rest);
  signal state : state_t;
  signal lo    : unsigned(4 downto 0);
  signal hi    : unsigned(4 downto 0);
  signal low_word : std_logic_vector(15 downto 0);
  signal wait_count : unsigned(1 downto 0);
begin
  -- Swaps words lo and hi, moving inwards: read lo, read hi, write hi's word
  -- at lo, then lo's word at hi.
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state  <= st_idle;
        buf_en <= '0';
        buf_we <= '0';
      else
        case state is
          when st_idle =>
            if start = '1' then
              lo    <= (others => '0');
              hi    <= n - 1;
              state <= st_check;
            end if;
          when st_check =>
            if n /= 0 and lo + 1 < hi then
              state <= st_read_lo;
            else
              state <= st_done;
            end if;
          when st_read_lo =>
            buf_addr   <= lo(3 downto 0);
            buf_en     <= '1';
            wait_count <= "10";
            state      <= st_wait_lo;
          when st_wait_lo =>
            buf_en     <= '0';
            wait_count <= wait_count - 1;
            if wait_count = 1 then
              state <= st_take_lo;
            end if;
          when st_take_lo =>
            low_word   <= buf_q;
            buf_addr   <= hi(3 downto 0);
            buf_en     <= '1';
            wait_count <= "10";
            state      <= st_wait_hi;
          when st_wait_hi =>
            buf_en     <= '0';
            wait_count <= wait_count - 1;
            if wait_count = 1 then
              state <= st_take_hi;
            end if;
          when st_take_hi =>
            buf_addr <= lo(3 downto 0);
            buf_d    <= buf_q;
            buf_en   <= '1';
            buf_we   <= '1';
            state    <= st_write_hi;
          when st_write_hi =>
            buf_addr <= hi(3 downto 0);
            buf_d    <= low_word;
            state    <= st_next;
          when st_next =>
            buf_en <= '0';
            buf_we <= '0';
            lo     <= lo + 1;
            hi     <= hi - 1;
            state  <= st_check;
          when st_done =>
            state <= st_rest;
          when st_rest =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;

  done <= '1' when state = st_done else '0';
end architecture fsmd;
