// mpz_set_str and zbig_read_text against the independent model of the
// parsing rules that the unit tests use (zbig/tests/text_model.h), and
// mpz_get_str / mpz_set_str round trips in every base.
//
// Input: one byte selects the base (0 or 2 to 36), the rest is the text: up
// to its first NUL byte for mpz_set_str, all of it for zbig_read_text.
#include "text_model.h"
#include "zbig.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

using big = boost::multiprecision::cpp_int;

// The record's value, checking that it is well formed.
big value_of(const mpz_rec& x)
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

void fail(const char* what, const std::string& text, int base)
{
    std::fprintf(stderr, "radix_fuzz: %s (base %d, text \"%s\")\n", what, base, text.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 4096)
        return 0;
    const int base = data[0] % 36 == 0 ? 0 : data[0] % 36 + 1; // 0, 2..36
    if (base == 1)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1),
                           strnlen(reinterpret_cast<const char*>(data + 1), size - 1));

    // Start from a stale value: parsing must clear it.
    mpz_rec x;
    mpz_init_set_si(&x, -123456789);
    const text_model::parsed want = text_model::parse(text, base);
    const int result = mpz_set_str(&x, text.c_str(), base);
    if (result != want.result)
        fail("result differs from the model", text, base);
    const big got = value_of(x);
    if (got != want.value)
        fail("value differs from the model", text, base);

    // The reporting reader on every byte, NUL bytes included: the model's
    // status, and the record untouched unless the text was a whole number.
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const text_model::parsed whole = text_model::parse(bytes, base);
    mpz_rec w;
    mpz_init_set_si(&w, -123456789);
    if (zbig_read_text(&w, bytes.data(), bytes.size(), base) != whole.read_status)
        fail("zbig_read_text status differs from the model", bytes, base);
    if (value_of(w) != (whole.read_status == ZBIG_TEXT_OK ? whole.value : big(-123456789)))
        fail("zbig_read_text value differs from the model", bytes, base);
    mpz_clear(&w);

    // Every base for short values, base 10 and the 2^k bases for long ones.
    const int step = text.size() <= 256 ? 1 : 7;
    for (int b = 2; b <= 36; b += step) {
        char* s = mpz_get_str(nullptr, b, &x);
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
