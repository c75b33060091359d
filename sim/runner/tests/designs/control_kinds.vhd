-- Test design with control ports of other types than std_logic (a bit clock
-- and start, a boolean reset and done) that uses no IEEE package at all:
-- y = not a one cycle after start, then done.
entity control_kinds is
  port (
    clk   : in  bit;
    reset : in  boolean;
    start : in  bit;
    a     : in  bit_vector(3 downto 0);
    y     : out bit_vector(3 downto 0);
    done  : out boolean
  );
end entity control_kinds;

architecture fsmd of control_kinds is
  signal busy : boolean;
begin
  control : process (clk)
  begin
    if clk'event and clk = '1' then
      done <= false;
      if reset then
        busy <= false;
      elsif start = '1' and not busy then
        busy <= true;
      elsif busy then
        y <= not a;
        done <= true;
        busy <= false;
      end if;
    end if;
  end process control;
end architecture fsmd;
