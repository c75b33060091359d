-- The architecture of port_kinds (port_kinds_entity.vhd): outputs copy the
-- inputs one cycle after start, the small integer negated (so a sign error
-- shows), then done rises.
architecture fsmd of port_kinds is
  signal busy : std_logic;
begin
  copy : process (clk)
  begin
    if clk = '1' and clk'event then
      done <= '0';
      if reset = '1' then
        busy <= '0';
      elsif start = '1' and busy = '0' then
        busy <= '1';
      elsif busy = '1' then
        flag_o <= not flag;
        b_o <= b;
        x_o <= x;
        bv_o <= bv;
        asc_o <= asc;
        if small = -8 then
          small_o <= 7;
        else
          small_o <= -small;
        end if;
        ranged_o <= ranged;
        nat_o <= nat;
        whole_o <= whole;
        \Out"Put\ <= \in put\;
        done <= '1';
        busy <= '0';
      end if;
    end if;
  end process copy;
end architecture fsmd;
