// The text interface: size in a base, conversion to and from text.
#include "limbs.h"
#include "number_text.h"
#include "radix.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>

using namespace zbig;

namespace
{

constexpr const char* get_str_memory = "cannot allocate memory in mpz_get_str";
constexpr const char* memory_message = "_mpz_realloc: cannot allocate memory";

// The digit values of a text: on the stack when short, else on the heap.
class value_buffer
{
  public:
    explicit value_buffer(std::size_t n)
        : data_(n <= sizeof local_ ? local_ : static_cast<uint8_t*>(std::malloc(n)))
    {
        if (data_ == nullptr)
            fatal(memory_message);
    }
    ~value_buffer()
    {
        if (data_ != local_)
            std::free(data_);
    }
    value_buffer(const value_buffer&) = delete;
    value_buffer& operator=(const value_buffer&) = delete;
    uint8_t* get() { return data_; }

  private:
    uint8_t local_[short_text_values];
    uint8_t* data_;
};

// x's digits, ready for a value of `size` significant digits: x keeps its
// stored length and grows only when the value needs more digits.
std::span<digit> room_for_value(mpz_rec* x, std::size_t size)
{
    if (size > x->len)
        grow(x, static_cast<uint32_t>(size));
    return digits_of(x);
}

// x = sign * value, value its significant digits.
void store_magnitude(mpz_rec* x, std::span<const digit> value, int sign)
{
    const std::span<digit> d = room_for_value(x, value.size());
    std::copy(value.begin(), value.end(), d.begin());
    std::fill(d.begin() + std::ptrdiff_t(value.size()), d.end(), 0);
    x->sign = static_cast<int16_t>(value.empty() ? 0 : sign);
}

// x = sign * the value of the digit values.
void store_values(mpz_rec* x, const uint8_t* values, const number_text& t)
{
    if (t.count > short_text_values) {
        store_magnitude(x, from_digit_values(values, t.count, t.base).view(), t.sign);
        return;
    }
    digit local[short_text_digits];
    const std::size_t size = short_from_digit_values(local, values, t.count, t.base);
    store_magnitude(x, {local, size}, t.sign);
}

// The common text in one pass: after the blanks, sign and prefix nothing but
// digits of the base, up to blanks at the end (which the scan from the right
// skips). Stores its value as store_values would and returns true; returns
// false, x untouched, for any other text, which the general reader then
// takes. Short texts convert on the stack, straight into x's digits.
bool store_plain_text(mpz_rec* x, const char* text, std::size_t n, int base)
{
    number_text t;
    const std::size_t start = read_number_prefix(text, n, base, t);
    while (n > start && text_characters.value[uint8_t(text[n - 1])] == text_blank)
        --n;
    const std::size_t count = n - start;
    if (count == 0)
        return false;
    if (count > short_text_values) {
        natural value;
        if (!from_plain_text(text + start, count, t.base, value))
            return false;
        store_magnitude(x, value.view(), t.sign);
        return true;
    }
    uint64_t value[short_text_limbs];
    std::size_t limbs;
    if (!short_limbs_from_text(text + start, count, t.base, value, limbs))
        return false;
    const std::size_t bits =
        limbs == 0 ? 0 : (limbs - 1) * 64 + unsigned(std::bit_width(value[limbs - 1]));
    const std::size_t size = (bits + digit_bits - 1) / digit_bits;
    unpack_limbs(room_for_value(x, size), {value, limbs});
    x->sign = static_cast<int16_t>(size == 0 ? 0 : t.sign);
    return true;
}

} // namespace

extern "C" ZBIG_API int mpz_sizeinbase(const mpz_rec* x, int base)
{
    const std::size_t n = significant_length(digits_of(x));
    if (base < 2 || base > 36)
        fatal("mpz_sizeinbase: invalid base");
    // digits_upper_bound's 30 n / floor(log2 base) + 1, in 64 bits: n is
    // below 2^32, and 30 n wraps where size_t has 32 bits. The bound must fit
    // the int returned (and so every size_t): a smaller number would size a
    // caller's or mpz_get_str's buffer too short.
    const uint64_t bound =
        uint64_t(digit_bits) * n / unsigned(std::bit_width(unsigned(base)) - 1) + 1;
    if (bound > uint64_t(INT_MAX))
        fatal("mpz_sizeinbase: the number of digits does not fit in an int");
    return static_cast<int>(bound);
}

extern "C" ZBIG_API char* mpz_get_str(char* buf, int base, const mpz_rec* x)
{
    const std::size_t len = static_cast<std::size_t>(mpz_sizeinbase(x, base));
    if (buf == nullptr) {
        buf = static_cast<char*>(std::malloc(len + 2));
        if (buf == nullptr)
            fatal(get_str_memory);
    }
    const std::span<const digit> m = significant_digits(x);
    std::size_t pos = 0;
    if (x->sign < 0 && !m.empty())
        buf[pos++] = '-';
    if (m.size() < short_to_text_digits)
        pos += short_to_characters(m, unsigned(base), buf + pos);
    else
        pos += to_characters(natural::of(m), unsigned(base), buf + pos);
    buf[pos] = '\0';
    return buf;
}

extern "C" ZBIG_API int mpz_set_str(mpz_rec* x, const char* text, int base)
{
    if (!valid_text_base(base))
        fatal("mpz_set_str: invalid base");
    const std::size_t n = std::strlen(text);
    if (store_plain_text(x, text, n, base))
        return 0;
    value_buffer values(n + 1);
    number_text t;
    if (!read_number_text(text, n, base, values.get(), t))
        fatal("mpz_set_str: invalid base");
    store_values(x, values.get() + (n - t.count), t);
    return t.stopped ? -1 : 0;
}

extern "C" ZBIG_API int mpz_init_set_str(mpz_rec* x, const char* text, int base)
{
    mpz_init(x);
    return mpz_set_str(x, text, base);
}

extern "C" ZBIG_API int zbig_read_text(mpz_rec* x, const char* text, size_t length, int base)
{
    if (!valid_text_base(base))
        return ZBIG_TEXT_INVALID_BASE;
    if (store_plain_text(x, text, length, base))
        return ZBIG_TEXT_OK;
    value_buffer values(length + 1);
    number_text t;
    if (!read_number_text(text, length, base, values.get(), t))
        return ZBIG_TEXT_INVALID_BASE;
    if (t.stopped)
        return ZBIG_TEXT_INVALID_CHARACTER;
    if (t.count == 0 && !t.octal_zero)
        return ZBIG_TEXT_NO_DIGITS;
    store_values(x, values.get() + (length - t.count), t);
    return ZBIG_TEXT_OK;
}
