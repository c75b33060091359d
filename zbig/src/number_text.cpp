// The one reading of mpz_set_str's grammar; see number_text.h.
#include "number_text.h"

namespace zbig
{
namespace
{

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// Character classes for the scan: 0 to 35 a digit value, 36 a character
// that stops the scan, 37 a blank that is skipped.
constexpr uint8_t stop = 36, skip = 37;
struct character_table {
    uint8_t value[256];
    constexpr character_table() : value()
    {
        for (int c = 0; c < 256; ++c)
            value[c] = stop;
        for (int c = '0'; c <= '9'; ++c)
            value[c] = uint8_t(c - '0');
        for (int c = 'a'; c <= 'z'; ++c)
            value[c] = uint8_t(c - 'a' + 10);
        for (int c = 'A'; c <= 'Z'; ++c)
            value[c] = uint8_t(c - 'A' + 10);
        value[int(' ')] = value[int('\t')] = value[int('\n')] = skip;
    }
};
constexpr character_table characters;

} // namespace

bool read_number_text(const char* text, std::size_t n, int base, uint8_t* values, number_text& out)
{
    if (base != 0 && (base < 2 || base > 36))
        return false;
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
    // From the right: the digits right of the first invalid character met
    // make the value.
    const auto* begin = reinterpret_cast<const unsigned char*>(text) + i;
    const auto* p = reinterpret_cast<const unsigned char*>(text) + n;
    uint8_t* w = values + n;
    while (p > begin) {
        const uint8_t v = characters.value[*--p];
        if (v < unsigned(base)) {
            *--w = v;
        } else if (v != skip) {
            out.stopped = true;
            break;
        }
    }
    out.count = std::size_t(values + n - w);
    return true;
}

} // namespace zbig
