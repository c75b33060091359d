-- A constant that port_kinds takes a port width from.
package port_kinds_pkg is
  constant word_bits : integer := 2 * 3;
end package port_kinds_pkg;
