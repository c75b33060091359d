// Reads one operation per line from standard input and prints its result, so
// that check_twos_complement.py can hold zbig.hpp's two's complement
// functions against Python's int:
//   wrap_unsigned X W | wrap_signed X W | to_bits X W | shift_right_floor X N
//   bit_and X Y | bit_or X Y | bit_xor X Y | bit_not X
//   from_bits_unsigned BITS | from_bits_signed BITS
// X and Y are decimal, W and N machine integers.
#include "zbig.hpp"

#include <iostream>
#include <sstream>
#include <string>

int main()
{
    using fsmdkit::bigint;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string op, first, second;
        in >> op >> first >> second;
        std::string result;
        if (op == "from_bits_unsigned" || op == "from_bits_signed") {
            // Bits may be the empty string, written as "-".
            const std::string bits = first == "-" ? "" : first;
            result = (op == "from_bits_signed" ? fsmdkit::from_bits_signed(bits)
                                               : fsmdkit::from_bits_unsigned(bits))
                         .to_string();
        } else if (op == "bit_not") {
            result = bit_not(bigint(first)).to_string();
        } else if (op == "bit_and" || op == "bit_or" || op == "bit_xor") {
            const bigint x(first), y(second);
            result = (op == "bit_and"  ? bit_and(x, y)
                      : op == "bit_or" ? bit_or(x, y)
                                       : bit_xor(x, y))
                         .to_string();
        } else {
            const bigint x(first);
            const long long w = std::stoll(second);
            if (op == "wrap_unsigned")
                result = wrap_unsigned(x, w).to_string();
            else if (op == "wrap_signed")
                result = wrap_signed(x, w).to_string();
            else if (op == "to_bits")
                result = to_bits(x, w);
            else if (op == "shift_right_floor")
                result = shift_right_floor(x, w).to_string();
            else
                result = "unknown operation " + op;
        }
        std::cout << (result.empty() ? "-" : result) << '\n';
    }
    return 0;
}
