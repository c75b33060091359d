// mpz_set_str against an independent model of the parsing rules, and
// mpz_get_str / mpz_set_str round trips in every base.
//
// Input: one byte selects the base (0 or 2 to 36), the rest is the text (up
// to its first NUL byte).
#include "zbig.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using big = boost::multiprecision::cpp_int;

struct Parsed {
    big value;
    int result;
};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

int digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return -1;
}

// The rules, written independently of the library: blanks, an optional '-',
// the base prefix for base 0, then digits read from the right; an invalid
// character stops the scan and leaves the value of the digits to its right.
Parsed model_parse(const std::string &text, int base)
{
    std::size_t i = 0;
    while (i < text.size() && blank(text[i]))
        ++i;
    int sign = 1;
    if (i < text.size() && text[i] == '-') {
        sign = -1;
        ++i;
    }
    if (base == 0) {
        if (i < text.size() && text[i] == '0') {
            if (i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
                base = 16;
                i += 2;
            } else {
                base = 8;
                i += 1;
            }
        } else {
            base = 10;
        }
    }
    Parsed p{0, 0};
    big place = 1;
    for (std::size_t j = text.size(); j > i; --j) {
        const char c = text[j - 1];
        if (blank(c))
            continue;
        const int v = digit_value(c);
        if (v < 0 || v >= base) {
            p.result = -1;
            break;
        }
        p.value += place * v;
        place *= base;
    }
    p.value *= sign;
    return p;
}

// The record's value, checking that it is well formed.
big value_of(const mpz_rec &x)
{
    big v = 0;
    for (uint32_t i = x.len; i-- > 0;) {
        if (x.digits[i] < 0 || x.digits[i] >= (1 << 30))
            std::abort();
        v = (v << 30) + x.digits[i];
    }
    if ((v == 0) != (x.sign == 0) || x.sign < -1 || x.sign > 1)
        std::abort();
    return x.sign < 0 ? big(-v) : v;
}

std::string model_text(big v, int base)
{
    if (v == 0)
        return "0";
    const bool negative = v < 0;
    if (negative)
        v = -v;
    std::string s;
    while (v != 0) {
        const int d = static_cast<int>(v % base);
        s.insert(s.begin(), static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10));
        v /= base;
    }
    return negative ? "-" + s : s;
}

void fail(const char *what, const std::string &text, int base)
{
    std::fprintf(stderr, "radix_fuzz: %s (base %d, text \"%s\")\n", what, base, text.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size == 0 || size > 4096)
        return 0;
    const int base = data[0] % 36 == 0 ? 0 : data[0] % 36 + 1; // 0, 2..36
    if (base == 1)
        return 0;
    const std::string text(reinterpret_cast<const char *>(data + 1), strnlen(reinterpret_cast<const char *>(data + 1), size - 1));

    // Start from a stale value: parsing must clear it.
    mpz_rec x;
    mpz_init_set_si(&x, -123456789);
    const Parsed want = model_parse(text, base);
    const int result = mpz_set_str(&x, text.c_str(), base);
    if (result != want.result)
        fail("result differs from the model", text, base);
    const big got = value_of(x);
    if (got != want.value)
        fail("value differs from the model", text, base);

    // Every base for short values, base 10 and the 2^k bases for long ones.
    const int step = text.size() <= 256 ? 1 : 7;
    for (int b = 2; b <= 36; b += step) {
        char *s = mpz_get_str(nullptr, b, &x);
        const std::string printed = s;
        if (printed != model_text(got, b))
            fail("mpz_get_str differs from the model", text, b);
        const std::size_t digits = printed.size() - (printed[0] == '-' ? 1 : 0);
        if (digits > static_cast<std::size_t>(mpz_sizeinbase(&x, b)))
            fail("mpz_sizeinbase is below the digit count", text, b);
        // The caller's buffer of the documented size.
        std::string buf(static_cast<std::size_t>(mpz_sizeinbase(&x, b)) + 2, '\xff');
        if (mpz_get_str(buf.data(), b, &x) != buf.data() || printed != buf.c_str())
            fail("mpz_get_str into a buffer differs", text, b);
        mpz_rec y;
        mpz_init(&y);
        if (mpz_set_str(&y, s, b) != 0 || mpz_cmp(&x, &y) != 0)
            fail("round trip through text changed the value", text, b);
        mpz_clear(&y);
        std::free(s);
    }
    mpz_clear(&x);
    return 0;
}
