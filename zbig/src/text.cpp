// The text interface: size in a base, conversion to and from text.
#include "radix.h"

#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>

using namespace zbig;

namespace {

constexpr const char *get_str_memory = "cannot allocate memory in mpz_get_str";

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

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

extern "C" ZBIG_API int mpz_sizeinbase(const mpz_rec *x, int base)
{
    const std::size_t n = significant_length(digits_of(x));
    if (base < 2 || base > 36)
        fatal("mpz_sizeinbase: invalid base");
    // digits_upper_bound's 30 n / floor(log2 base) + 1, in 64 bits: n is
    // below 2^32, and 30 n wraps where size_t has 32 bits. The bound must fit
    // the int returned (and so every size_t): a smaller number would size a
    // caller's or mpz_get_str's buffer too short.
    const uint64_t bound = uint64_t(digit_bits) * n / unsigned(std::bit_width(unsigned(base)) - 1) + 1;
    if (bound > uint64_t(INT_MAX))
        fatal("mpz_sizeinbase: the number of digits does not fit in an int");
    return static_cast<int>(bound);
}

extern "C" ZBIG_API char *mpz_get_str(char *buf, int base, const mpz_rec *x)
{
    const std::size_t len = static_cast<std::size_t>(mpz_sizeinbase(x, base));
    if (buf == nullptr) {
        buf = static_cast<char *>(std::malloc(len + 2));
        if (buf == nullptr)
            fatal(get_str_memory);
    }
    const natural m = natural::of(x);
    std::size_t pos = 0;
    if (x->sign < 0 && !m.is_zero())
        buf[pos++] = '-';
    pos += to_characters(m, unsigned(base), buf + pos);
    buf[pos] = '\0';
    return buf;
}

extern "C" ZBIG_API int mpz_set_str(mpz_rec *x, const char *text, int base)
{
    clear_value(x);
    const char *s = text;
    while (blank(*s))
        ++s;
    int sign = 1;
    if (*s == '-') {
        sign = -1;
        ++s;
    }
    if (base != 0 && (base < 2 || base > 36))
        fatal("mpz_set_str: invalid base");
    if (base == 0) {
        if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            base = 16;
            s += 2;
        } else if (s[0] == '0') {
            base = 8;
            s += 1;
        } else {
            base = 10;
        }
    }
    // Scanning from the right: the digits right of the first invalid
    // character met make the value. Their values are stored from the end of
    // the buffer backwards, so they end up most significant first.
    const std::size_t n = std::strlen(s);
    uint8_t *values = static_cast<uint8_t *>(std::malloc(n + 1));
    if (values == nullptr)
        fatal("_mpz_realloc: cannot allocate memory");
    std::size_t first = n, count = 0;
    int result = 0;
    while (first > 0) {
        const uint8_t v = characters.value[static_cast<unsigned char>(s[first - 1])];
        if (v != skip) {
            if (v >= unsigned(base)) {
                result = -1;
                break;
            }
            values[n - 1 - count] = v;
            ++count;
        }
        --first;
    }
    const natural value = from_digit_values(values + (n - count), count, unsigned(base));
    std::free(values);
    // x keeps its stored length, growing only when the value needs more.
    if (value.size() > x->len)
        grow(x, static_cast<uint32_t>(value.size()));
    if (!value.is_zero())
        std::memcpy(x->digits, value.view().data(), value.size() * sizeof(digit));
    x->sign = static_cast<int16_t>(value.is_zero() ? 0 : sign);
    return result;
}

extern "C" ZBIG_API int mpz_init_set_str(mpz_rec *x, const char *text, int base)
{
    mpz_init(x);
    return mpz_set_str(x, text, base);
}
