-- The interface of the non-restoring divider; its architecture is in
-- nonrestoring_divider.vhd, as some teams keep them.
library ieee;
use ieee.std_logic_1164.all;

entity nonrestoring_divider is
  port (
    clk       : in  std_logic;
    reset     : in  std_logic;
    start     : in  std_logic;
    dividend  : in  std_logic_vector(15 downto 0);
    divisor   : in  std_logic_vector(15 downto 0);
    quotient  : out std_logic_vector(15 downto 0);
    remainder : out std_logic_vector(15 downto 0);
    done      : out std_logic
  );
end entity nonrestoring_divider;
