-- Entities whose ports cover what the generated bench accepts and rejects;
-- port_kinds.xml.gz is GHDL's tree of this file (see make_port_fixture.sh).
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

package port_kinds_pkg is
  subtype word_t is std_logic_vector(15 downto 0);
  constant half : integer := 4;
  type pair_t is record
    x : std_logic;
    y : std_logic;
  end record;
end package port_kinds_pkg;

library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use work.port_kinds_pkg.all;

entity all_kinds is
  generic (unused : integer := 3);
  port (
    clk, reset : in  std_logic;
    start      : in  std_ulogic;
    a          : in  signed(15 downto 0);
    b          : in  unsigned(0 to 63);
    c          : in  word_t;
    e          : in  std_logic_vector(half * 2 - 1 downto 0);
    f          : in  std_ulogic_vector(255 downto 0);
    g          : in  std_ulogic;
    y          : out std_logic_vector(16 downto 1);
    sat        : buffer std_logic;
    done       : out std_logic;
    ready      : out std_logic
  );
end entity all_kinds;

architecture fsmd of all_kinds is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_inout is
  port (clk : in std_logic; bus_io : inout std_logic_vector(7 downto 0));
end entity has_inout;

architecture fsmd of has_inout is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;
use work.port_kinds_pkg.all;

entity has_record is
  port (clk : in std_logic; p : in pair_t);
end entity has_record;

architecture fsmd of has_record is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_unconstrained is
  port (clk : in std_logic; u : in std_logic_vector);
end entity has_unconstrained;

architecture fsmd of has_unconstrained is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_generic_width is
  generic (n : integer := 8);
  port (clk : in std_logic; v : in std_logic_vector(n - 1 downto 0));
end entity has_generic_width;

architecture fsmd of has_generic_width is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_integer is
  port (clk : in std_logic; count : out integer);
end entity has_integer;

architecture fsmd of has_integer is
begin
end architecture fsmd;

entity has_bit_vector is
  port (clk : in bit; v : in bit_vector(3 downto 0));
end entity has_bit_vector;

architecture fsmd of has_bit_vector is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity no_fsmd is
  port (clk : in std_logic);
end entity no_fsmd;

architecture rtl of no_fsmd is
begin
end architecture rtl;
