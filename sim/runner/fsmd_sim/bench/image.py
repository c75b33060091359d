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
          constant digits : string(1 to 16) := "0123456789ABCDEF";
          constant chars  : string(1 to 9) := "UX01ZWLH-";
          alias    bits   : std_logic_vector(v'length - 1 downto 0) is v;
          variable hex    : string(1 to (v'length + 3) / 4);
          variable raw    : string(1 to v'length + 2);
          variable digit  : natural := 0;
          variable weight : natural := 1;
          variable pos    : natural := hex'high;
        begin
          for i in bits'range loop
            if bits(i) /= '0' and bits(i) /= '1' then
              raw(1) := '"';
              raw(raw'high) := '"';
              for j in bits'range loop
                raw(bits'high - j + 2) := chars(std_ulogic'pos(bits(j)) + 1);
              end loop;
              return raw;
            end if;
          end loop;
          -- Four bits a digit from the right; the leftmost digit may have fewer.
          for i in 0 to bits'high loop
            if bits(i) = '1' then
              digit := digit + weight;
            end if;
            if weight = 8 or i = bits'high then
              hex(pos) := digits(digit + 1);
              pos := pos - 1;
              digit := 0;
              weight := 1;
            else
              weight := weight * 2;
            end if;
          end loop;
          return hex;
        end function;
    """)}
