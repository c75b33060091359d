-- Composite data types of design fibo: the design needs none.
library ieee;
use ieee.std_logic_1164.all;

package fibo_types is
end package fibo_types;
