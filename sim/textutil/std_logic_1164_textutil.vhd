-- Text conversions of IEEE 1164 logic values and vectors for test benches.
library ieee;
use ieee.std_logic_1164.all;
library std;
use std.textio.all;

package std_logic_1164_textutil is
end package std_logic_1164_textutil;
