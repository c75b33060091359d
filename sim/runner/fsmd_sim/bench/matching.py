"""The bench's functions for outputs checked other than bit for bit: digits
left unchecked by the vectors file ('12-4'), and a tolerance (--tolerance
PORT=N) that compares values as numbers."""
from .template import lines


def masks(names):
    """An expected value with '-' in its unchecked bits, which numeric_std's
    std_match skips, and its text for the results file ('12-4')."""
    return {"functions": lines(f"""
        -- v with '-' (don't care) in every bit where mask is '0'.
        function {names.own('masked')}(v, mask : std_logic_vector) return std_logic_vector is
          alias    m      : std_logic_vector(mask'length - 1 downto 0) is mask;
          variable result : std_logic_vector(v'length - 1 downto 0) := v;
        begin
          for i in result'range loop
            if m(i) = '0' then
              result(i) := '-';
            end if;
          end loop;
          return result;
        end function;

        -- An expected value in hexadecimal, '-' for each digit that is not
        -- checked (its bits are '-'): 12-4.
        function {names.own('expected_image')}(v : std_logic_vector) return string is
          alias    bits  : std_logic_vector(v'length - 1 downto 0) is v;
          variable clean : std_logic_vector(bits'range) := bits;
          variable text  : string(1 to (v'length + 3) / 4);
        begin
          for i in clean'range loop
            if clean(i) = '-' then
              clean(i) := '0';
            end if;
          end loop;
          text := {names.image('clean')};
          for digit in 0 to text'length - 1 loop
            if bits(4 * digit) = '-' then
              text(text'high - digit) := '-';
            end if;
          end loop;
          return text;
        end function;
    """)}


def tolerance(names):
    """Whether an output is within a tolerance of its expected value, in
    numeric_std arithmetic on vectors two bits wider than the port, so that
    any width works and no difference wraps around (0 and all ones differ by
    2**width - 1, never by 1); and the '±' of the results file."""
    return {"functions": lines(f"""
        -- True when actual, read as a number (two's complement when is_signed),
        -- differs from expected by at most tolerance. 'L' and 'H' read as '0'
        -- and '1'; any other metavalue fails.
        function {names.own('within')}(actual, expected : std_logic_vector; tolerance : unsigned;
                                       is_signed : boolean) return boolean is
          alias    actual_bits : std_logic_vector(actual'length - 1 downto 0) is actual;
          alias    expected_bits : std_logic_vector(expected'length - 1 downto 0) is expected;
          constant actual_01 : std_logic_vector(actual_bits'range) := to_X01(actual_bits);
          variable a, e : signed(actual'length + 1 downto 0);
        begin
          if is_x(actual_01) then
            return false;
          end if;
          if is_signed then
            a := resize(signed(actual_01), a'length);
            e := resize(signed(expected_bits), e'length);
          else
            a := signed(resize(unsigned(actual_01), a'length));
            e := signed(resize(unsigned(expected_bits), e'length));
          end if;
          return unsigned(abs(a - e)) <= tolerance;
        end function;

        -- '±' in UTF-8, as the rest of the results file.
        constant {names.own('plus_minus')} : string(1 to 2) := (character'val(16#C2#), character'val(16#B1#));
    """)}
