-- Shift-and-add multiplier in VHDL-2008: the next state comes from a
-- process(all), and the product is registered one cycle after done.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity serial_multiplier is
  port (
    clk     : in  std_logic;
    reset   : in  std_logic;
    start   : in  std_logic;
    a       : in  unsigned(15 downto 0);
    b       : in  unsigned(15 downto 0);
    product : out unsigned(31 downto 0);
    done    : out std_logic
  );
end entity serial_multiplier;

architecture fsmd of serial_multiplier is
  type state_t is (idle, run, finish, rest);
  signal state, state_next : state_t;
  signal acc               : unsigned(31 downto 0);
  signal mcand             : unsigned(31 downto 0);
  signal mplier            : unsigned(15 downto 0);
begin
  -- The controller: run until no multiplier bit is left, then one cycle of
  -- done, then one cycle of rest before a new start is taken.
  next_state : process (all)
  begin
    state_next <= state;
    case state is
      when idle   => if start = '1' then state_next <= run; end if;
      when run    => if mplier = 0 then state_next <= finish; end if;
      when finish => state_next <= rest;
      when rest   => state_next <= idle;
    end case;
  end process next_state;

  -- The datapath: adds the shifted multiplicand for each set multiplier bit;
  -- the output register takes the sum in the cycle after done.
  datapath : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state   <= idle;
        product <= (others => '0');
      else
        state <= state_next;
        case state is
          when idle =>
            acc    <= (others => '0');
            mcand  <= resize(a, 32);
            mplier <= b;
          when run =>
            if mplier(0) = '1' then
              acc <= acc + mcand;
            end if;
            mcand  <= shift_left(mcand, 1);
            mplier <= mplier srl 2;
          when finish =>
            assert mplier = 0
              report "serial_multiplier: multiplier bits left: " & to_hstring(mplier) severity error;
            product <= acc;
          when rest =>
            null;
        end case;
      end if;
    end if;
  end process datapath;

  done <= '1' when state = finish else '0';
end architecture fsmd;
