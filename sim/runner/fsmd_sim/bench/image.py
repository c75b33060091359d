"""The results file's text of a value, `names.image(expression)`: hexadecimal
digits when every element is '0' or '1', else every element as its own
character in double quotes, so that 'U', 'X', 'Z' and the other metavalues
show as such and never as 0."""
from .template import lines


def image_function(names):
    return {"functions": lines(f"""
        -- Hexadecimal digits when every element is '0' or '1', else every element
        -- as its own character in double quotes, so that 'U', 'X', 'Z' and the
        -- other metavalues show as such and never as 0.
        function {names.own('image')}(v : std_logic_vector) return string is
          type weights is array (std_ulogic) of natural;
          -- An element's value as a bit; 16 marks a metavalue, which makes any
          -- digit holding it greater than 15.
          constant bit_of : weights := ('0' => 0, '1' => 1, others => 16);
          constant digits : string(1 to 16) := "0123456789ABCDEF";
          constant chars  : string(1 to 9) := "UX01ZWLH-";
          alias    bits   : std_logic_vector(v'length - 1 downto 0) is v;
          variable hex    : string(1 to (v'length + 3) / 4);
          -- The value widened to whole digits with '0' on the left.
          variable padded : std_logic_vector(4 * hex'length - 1 downto 0) := (others => '0');
          variable raw    : string(1 to v'length + 2);
          variable digit  : natural;
          variable low    : natural;
        begin
          padded(bits'range) := bits;
          -- One digit (four elements) at a time, from the right.
          for pos in hex'high downto 1 loop
            low := 4 * (hex'high - pos);
            digit := 8 * bit_of(padded(low + 3)) + 4 * bit_of(padded(low + 2))
                     + 2 * bit_of(padded(low + 1)) + bit_of(padded(low));
            if digit > 15 then
              raw(1) := '"';
              raw(raw'high) := '"';
              for j in bits'range loop
                raw(bits'high - j + 2) := chars(std_ulogic'pos(bits(j)) + 1);
              end loop;
              return raw;
            end if;
            hex(pos) := digits(digit + 1);
          end loop;
          return hex;
        end function;
    """)}
