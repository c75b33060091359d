-- Composite data types of design eda: the control states of its datapath.
library ieee;
use ieee.std_logic_1164.all;

package eda_types is
  -- idle: waiting for start; abs1/abs2: magnitude of each input (skipped when
  -- the input is not negative); order: max and min; blend: 0.875x + 0.5y;
  -- finish: the larger of blend and x, done raised.
  type eda_state_type is (st_idle, st_abs1, st_abs2, st_order, st_blend, st_finish);
end package eda_types;
