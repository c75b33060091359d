// Text conversions: the positional text form of a record (integer digits in
// any base, fraction digits always binary) and reading binary digit strings.
#include "qarith.h"

#include "bits.hpp"
#include "layout.hpp"

#include <cstddef>
#include <cstdio>
#include <type_traits>

using namespace qarith::detail;

namespace
{

// A 32-bit magnitude has at most 32 digits in base 2 or higher; one more
// position leaves room for the carry of the radix complement.
constexpr int kStoredDigits = 33;

// The integer digits of a record: those of its integer part I taken modulo
// base^iwl as a non-negative number, i.e. the radix complement of |I| when I
// is negative. In base 2 these are the two's-complement bits of the format's
// integer part, consistent with the fraction bits that follow.
class IntegerDigits
{
  public:
    IntegerDigits(int32_t integer, int base)
    {
        // The common bases get a constant divisor, which the compiler turns
        // into a multiplication or a shift instead of a division per digit.
        switch (base) {
        case 2:
            compute(integer, std::integral_constant<uint32_t, 2>{});
            break;
        case 10:
            compute(integer, std::integral_constant<uint32_t, 10>{});
            break;
        case 16:
            compute(integer, std::integral_constant<uint32_t, 16>{});
            break;
        default:
            if (base >= 2) // below 2 no meaningful base: every digit reads 0
                compute(integer, static_cast<uint32_t>(base));
        }
    }

    // The digit of weight base^k as a character ('0' + digit).
    char at(int64_t k) const
    {
        const uint32_t digit = k < used_ ? low_[static_cast<std::size_t>(k)] : high_;
        return static_cast<char>(48u + digit);
    }

  private:
    // Stores the digits up to the magnitude's highest nonzero one. Above it
    // a positive number has zeros and a negative one base - 1: the carry of
    // the complement stopped at the magnitude's lowest nonzero digit.
    template <typename Radix> void compute(int32_t integer, Radix radix)
    {
        const bool negative = integer < 0;
        uint32_t magnitude =
            negative ? 0u - static_cast<uint32_t>(integer) : static_cast<uint32_t>(integer);
        uint32_t carry = 1;
        for (; magnitude != 0 && used_ < kStoredDigits; ++used_) {
            uint32_t digit = magnitude % radix;
            magnitude /= radix;
            if (negative) {
                const uint32_t complement = (radix - 1 - digit) + carry;
                digit = complement % radix;
                carry = complement / radix;
            }
            low_[used_] = digit;
        }
        high_ = negative ? radix - 1 : 0;
    }

    uint32_t low_[kStoredDigits];
    int used_ = 0;
    uint32_t high_ = 0;
};

// Produces the text form character by character, terminating zero included,
// so that a caller's buffer and standard output share one layout. A format
// without integer or fraction digits to show (iwl < 0 or F < 0) gives the
// empty text, and a buffer too small even for that (wl < -1) gets nothing.
template <typename Emit> void emit_text(const fxp_t& x, int base, Emit&& emit)
{
    const Layout layout = layout_of(x);
    if (x.iwl < 0 || layout.fraction < 0) {
        if (x.wl >= -1)
            emit('\0');
        return;
    }
    const IntegerDigits digits(shift32(x.value, -int64_t{x.point}), base);
    for (int64_t k = int64_t{x.iwl} - 1; k >= 0; --k)
        emit(digits.at(k));
    emit('.');
    // Fraction digits are the raw field's low F bits, most significant first.
    // Positions above bit 31 repeat the sign bit.
    const int32_t raw = raw_field(x, layout);
    for (int64_t bit = layout.fraction - 1; bit >= 0; --bit)
        emit(((raw >> (bit < 31 ? bit : 31)) & 1) != 0 ? '1' : '0');
    emit('\0');
}

// Standard output in chunks: printing needs no heap whatever the format. It
// stops at the first zero byte, as printing the text as a C string does.
class StdoutWriter
{
  public:
    void operator()(char c)
    {
        if (ended_)
            return;
        if (c == '\0') {
            ended_ = true;
            flush();
            return;
        }
        chunk_[used_++] = c;
        if (used_ == sizeof chunk_)
            flush();
    }

  private:
    void flush()
    {
        std::fwrite(chunk_, 1, used_, stdout);
        used_ = 0;
    }

    char chunk_[64];
    std::size_t used_ = 0;
    bool ended_ = false;
};

// Bit `position` of a 32-bit word; positions outside the word hold nothing.
uint32_t bit_at(uint32_t bit, int64_t position)
{
    return position >= 0 && position < 32 ? bit << position : 0u;
}

} // namespace

extern "C" {

void fxp_to_string(const fxp_t* x, int base, char* buf)
{
    emit_text(*x, base, [&buf](char c) { *buf++ = c; });
}

void fxp_print(const fxp_t* x, int base)
{
    emit_text(*x, base, StdoutWriter{});
}

void string_to_fxp(const char* s, int /*base: the text is always binary*/, fxp_t* x)
{
    const Layout layout = layout_of(*x);
    const int64_t point_index = x->iwl;
    uint32_t integer_bits = 0;
    uint32_t fraction_bits = 0;
    for (int64_t i = 0; s != nullptr && s[i] != '\0'; ++i) {
        // The position of the point is fixed: whatever stands there, and any
        // '.' elsewhere, is skipped (and leaves its bit at zero).
        if (s[i] == '.' || i == point_index)
            continue;
        // A character gives the lowest bit of its code minus '0'.
        const uint32_t bit = (static_cast<unsigned char>(s[i]) - 48u) & 1u;
        if (i < point_index) {
            integer_bits |= bit_at(bit, point_index - 1 - i);
        } else {
            // Fraction digit k (1 for the first) is bit F - k; digits beyond
            // the format's F fraction bits fall below bit 0 and are ignored.
            const int64_t k = i - point_index;
            fraction_bits |= bit_at(bit, layout.fraction - k);
        }
    }
    x->value = static_cast<int32_t>(
        static_cast<uint32_t>(shift32(static_cast<int32_t>(integer_bits), x->point)) |
        static_cast<uint32_t>(shift32(static_cast<int32_t>(fraction_bits), layout.guard)));
}

} // extern "C"
