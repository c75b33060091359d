-- Composite data types of design popcount: the control states of its datapath.
library ieee;
use ieee.std_logic_1164.all;

package popcount_types is
  -- idle: waiting for start; scan: one bit per cycle until no set bit is
  -- left, then the count goes to the output with done.
  type popcount_state_type is (st_idle, st_scan);
end package popcount_types;
