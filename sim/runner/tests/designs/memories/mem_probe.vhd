-- One access to a memory per test, then the memory's read data as it
-- stands k rising edges after the edge at which the memory took the
-- address: what a test of the bench's memory model needs to see a read's
-- latency, a write that reads nothing, and read data held between reads.
-- Its memory ports are of other types than std_logic on purpose.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity mem_probe is
  port (
    clk    : in  std_logic;
    reset  : in  std_logic;
    start  : in  std_logic;
    addr   : in  unsigned(3 downto 0);
    wdata  : in  unsigned(7 downto 0);
    we     : in  std_logic;
    k      : in  unsigned(2 downto 0);
    m_addr : out natural range 0 to 15;
    m_en   : out bit;
    m_we   : out boolean;
    m_d    : out unsigned(7 downto 0);
    m_q    : in  std_logic_vector(7 downto 0);
    q_seen : out std_logic_vector(7 downto 0);
    done   : out std_logic
  );
end entity mem_probe;

architecture fsmd of mem_probe is
  type state_t is (st_idle, st_access, st_wait, st_done);
  signal state : state_t;
  signal n     : unsigned(2 downto 0);
begin
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        m_en  <= '0';
        m_we  <= false;
      else
        case state is
          when st_idle =>
            if start = '1' then
              m_addr <= to_integer(addr);
              m_en   <= '1';
              m_we   <= we = '1';
              m_d    <= wdata;
              state  <= st_access;
            end if;
          when st_access =>
            -- The memory takes the address at this edge.
            m_en  <= '0';
            m_we  <= false;
            n     <= "001";
            state <= st_wait;
          when st_wait =>
            if n = k then
              q_seen <= m_q;
              state  <= st_done;
            end if;
            n <= n + 1;
          when st_done =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;

  done <= '1' when state = st_done else '0';
end architecture fsmd;
