// Quantisation and overflow handling of a value under a record's format, in
// one straight pass: the rounding increment and the cleared bits, then the
// wrap-around or the clamp, then the container's 32 bits. The arithmetic
// normalises its exact result, so saturation compares the true sum, product
// or quotient, not one that already lost its high bits.
//
// On a sign-extended 32-bit container these give exactly the 32-bit rules
// (clearing low bits and the sign extension of wrap-around commute with
// reduction modulo 2^32, and saturation compares the container's own value),
// so fxp_quantize, fxp_overflow and the arithmetic share this code.
//
// Int is the width of the value (int64_t or wide_t). Every step is defined
// for any format; a 64-bit value gives the same result as the 128-bit one
// when the format passes fits_narrow and |value| <= 2^kNarrowBits, which
// normalize_narrow states.
#pragma once

#include "bits.hpp"
#include "layout.hpp"
#include "qarith.h"

namespace qarith::detail
{

// The largest magnitude, as a power of two, that the 64-bit path takes:
// rounding adds at most 2^61 to it and stays inside int64_t.
constexpr int64_t kNarrowBits = 62;

// A format whose guard and sign positions lie in 0..62: its limits, masks
// and rounding increment are 64-bit numbers.
constexpr bool fits_narrow(const Layout& format)
{
    return format.guard >= 0 && format.guard <= kNarrowBits && format.sign >= 0 &&
           format.sign <= kNarrowBits;
}

template <typename Int> constexpr Int quantize(Int value, const Layout& format, int32_t q_mode)
{
    const int64_t guard = format.guard;
    if (q_mode == FXP_Q_TRUNC)
        return value & shift<Int>(-1, guard);
    // Adding half a least significant bit and then truncating rounds to
    // nearest with ties toward plus infinity.
    if (q_mode == FXP_Q_ROUND && guard >= 1)
        return wrap_add(value, shift<Int>(1, guard - 1)) & shift<Int>(-1, guard);
    return value;
}

template <typename Int> constexpr Int overflow(Int value, const Layout& format, int32_t ovf_mode)
{
    constexpr int64_t top_bit = Width<Int>::bits - 1;
    if (ovf_mode == FXP_OVF_WRAP) {
        // Keep bits 0..S and copy bit S into everything above it.
        if (format.sign >= top_bit)
            return value;
        if (format.sign < 0)
            return 0;
        const int64_t spare = top_bit - format.sign;
        return shift<Int>(shift<Int>(value, spare), -spare);
    }
    if (ovf_mode == FXP_OVF_SAT) {
        // A bit above top_bit - 1 cannot come from a 32-bit operand; the
        // clamp keeps the range limits of a malformed format representable.
        const int64_t sign = format.sign < top_bit - 1 ? format.sign : top_bit - 1;
        const int64_t guard = format.guard < top_bit - 1 ? format.guard : top_bit - 1;
        const Int top = shift<Int>(1, sign);
        const Int largest = wrap_sub(top, shift<Int>(1, guard));
        const Int smallest = -top;
        if (value > largest)
            return largest;
        if (value < smallest)
            return smallest;
    }
    return value;
}

// Quantise, then handle overflow, then keep the container's 32 bits.
template <typename Int> constexpr int32_t normalize(Int value, const fxp_t& r, const Layout& format)
{
    return low32(overflow(quantize(value, format, r.q_mode), format, r.ovf_mode));
}

// The 64-bit pass for a format that fits_narrow and a value within
// 2^kNarrowBits; the stated facts leave it without range tests.
constexpr int32_t normalize_narrow(int64_t value, const fxp_t& r, const Layout& format)
{
    assume(fits_narrow(format));
    constexpr int64_t limit = int64_t{1} << kNarrowBits;
    assume(value >= -limit && value <= limit);
    return normalize(value, r, format);
}

} // namespace qarith::detail
