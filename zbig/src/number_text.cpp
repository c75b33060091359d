// The one reading of mpz_set_str's grammar; see number_text.h.
#include "number_text.h"

namespace zbig
{
namespace
{

bool blank(char c)
{
    return text_characters.value[uint8_t(c)] == text_blank;
}

} // namespace

std::size_t read_number_prefix(const char* text, std::size_t n, int base, number_text& out)
{
    out = number_text{};
    std::size_t i = 0;
    while (i < n && blank(text[i]))
        ++i;
    if (i < n && text[i] == '-') {
        out.sign = -1;
        ++i;
    }
    if (base == 0) {
        if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            base = 16;
            i += 2;
        } else if (i < n && text[i] == '0') {
            base = 8;
            i += 1;
            out.octal_zero = true;
        } else {
            base = 10;
        }
    }
    out.base = unsigned(base);
    return i;
}

bool read_number_text(const char* text, std::size_t n, int base, uint8_t* values, number_text& out)
{
    if (!valid_text_base(base))
        return false;
    const std::size_t i = read_number_prefix(text, n, base, out);
    // From the right: the digits right of the first invalid character met
    // make the value.
    const auto* begin = reinterpret_cast<const unsigned char*>(text) + i;
    const auto* p = reinterpret_cast<const unsigned char*>(text) + n;
    uint8_t* w = values + n;
    while (p > begin) {
        const uint8_t v = text_characters.value[*--p];
        if (v < out.base) {
            *--w = v;
        } else if (v != text_blank) {
            out.stopped = true;
            break;
        }
    }
    out.count = std::size_t(values + n - w);
    return true;
}

} // namespace zbig
