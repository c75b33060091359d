// The text interface: size in a base, conversion to and from text.
#include "radix.h"

#include <cstdlib>
#include <cstring>

using namespace zbig;

namespace {

constexpr const char *get_str_memory = "cannot allocate memory in mpz_get_str";

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// 0 to 35 for an alphanumeric character, 36 for anything else.
unsigned digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return unsigned(c - '0');
    if (c >= 'a' && c <= 'z')
        return unsigned(c - 'a') + 10;
    if (c >= 'A' && c <= 'Z')
        return unsigned(c - 'A') + 10;
    return 36;
}

} // namespace

extern "C" ZBIG_API int mpz_sizeinbase(const mpz_rec *x, int base)
{
    const std::size_t n = significant_length(digits_of(x));
    if (base < 2 || base > 36)
        fatal("mpz_sizeinbase: invalid base");
    return static_cast<int>(digits_upper_bound(n, unsigned(base)));
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
    // character met make the value.
    const std::size_t n = std::strlen(s);
    std::size_t first = n, count = 0;
    int result = 0;
    while (first > 0) {
        const char c = s[first - 1];
        if (!blank(c)) {
            if (digit_value(c) >= unsigned(base)) {
                result = -1;
                break;
            }
            ++count;
        }
        --first;
    }
    uint8_t *values = static_cast<uint8_t *>(std::malloc(count + 1));
    if (values == nullptr)
        fatal("_mpz_realloc: cannot allocate memory");
    std::size_t k = 0;
    for (std::size_t i = first; i < n; ++i)
        if (!blank(s[i]))
            values[k++] = static_cast<uint8_t>(digit_value(s[i]));
    const natural value = from_digit_values(values, count, unsigned(base));
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
