// The library's earlier arithmetic, frozen: every result formed exactly in a
// 128-bit integer with shifts that are defined for any count, normalised
// there, and only then cut to the 32-bit container. The library now takes a
// 64-bit path wherever the formats bound the result well inside 64 bits and
// builds its digit text differently; the tests hold both to this copy bit
// for bit, malformed formats included, so that callers see no change.
#pragma once

#include "qarith.h"

#include <int128.hpp>

#include <cstdint>
#include <string>

namespace qarith_reference
{

using wide = fsmdkit::int128;
using uwide = fsmdkit::uint128;

inline int32_t shift32(int32_t x, int64_t count)
{
    if (count >= 32)
        return 0;
    if (count >= 0)
        return static_cast<int32_t>(static_cast<uint32_t>(x) << count);
    if (count <= -32)
        return x < 0 ? -1 : 0;
    return x >> -count;
}

inline wide shift_wide(wide x, int64_t count)
{
    if (count >= 128)
        return 0;
    if (count >= 0)
        return static_cast<wide>(static_cast<uwide>(x) << static_cast<int>(count));
    if (count <= -128)
        return x < 0 ? -1 : 0;
    return x >> static_cast<int>(-count);
}

inline wide add_wide(wide a, wide b)
{
    return static_cast<wide>(static_cast<uwide>(a) + static_cast<uwide>(b));
}

inline wide sub_wide(wide a, wide b)
{
    return static_cast<wide>(static_cast<uwide>(a) - static_cast<uwide>(b));
}

inline int32_t low32(wide x)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uwide>(x)));
}

struct Layout {
    int64_t fraction, guard, sign;
};

inline Layout layout_of(const fxp_t& x)
{
    const int64_t fraction = int64_t{x.wl} - x.iwl;
    return {fraction, int64_t{x.point} - fraction, int64_t{x.point} + x.iwl - 1};
}

inline int32_t raw_field(const fxp_t& x)
{
    return shift32(x.value, -layout_of(x).guard);
}

inline wide clear_below(wide value, int64_t guard)
{
    return static_cast<wide>(static_cast<uwide>(value) & static_cast<uwide>(shift_wide(-1, guard)));
}

inline wide quantize(wide value, const fxp_t& format)
{
    const int64_t guard = layout_of(format).guard;
    if (format.q_mode == FXP_Q_TRUNC)
        return clear_below(value, guard);
    if (format.q_mode == FXP_Q_ROUND && guard >= 1)
        return clear_below(add_wide(value, shift_wide(1, guard - 1)), guard);
    return value;
}

inline wide overflow(wide value, const fxp_t& format)
{
    const Layout layout = layout_of(format);
    if (format.ovf_mode == FXP_OVF_WRAP) {
        if (layout.sign >= 127)
            return value;
        if (layout.sign < 0)
            return 0;
        const int64_t spare = 127 - layout.sign;
        return shift_wide(shift_wide(value, spare), -spare);
    }
    if (format.ovf_mode == FXP_OVF_SAT) {
        const int64_t sign = layout.sign < 126 ? layout.sign : 126;
        const int64_t guard = layout.guard < 126 ? layout.guard : 126;
        const wide top = shift_wide(1, sign);
        const wide largest = sub_wide(top, shift_wide(1, guard));
        const wide smallest = -top;
        if (value > largest)
            return largest;
        if (value < smallest)
            return smallest;
    }
    return value;
}

inline int32_t normalize(wide value, const fxp_t& format)
{
    return low32(overflow(quantize(value, format), format));
}

// The results below are r's new container value; `divide` returns false
// where the library refuses the division and leaves r alone.
inline int32_t add_or_subtract(const fxp_t& r, const fxp_t& a, const fxp_t& b, bool subtract)
{
    const Layout la = layout_of(a), lb = layout_of(b);
    const int64_t fraction = la.fraction > lb.fraction ? la.fraction : lb.fraction;
    const wide left = shift_wide(raw_field(a), fraction - la.fraction);
    const wide right = shift_wide(raw_field(b), fraction - lb.fraction);
    const wide exact = subtract ? sub_wide(left, right) : add_wide(left, right);
    return normalize(shift_wide(exact, int64_t{r.point} - fraction), r);
}

inline int32_t multiply(const fxp_t& r, const fxp_t& a, const fxp_t& b)
{
    const wide product = wide(raw_field(a)) * wide(raw_field(b));
    const int64_t surplus = layout_of(a).fraction + layout_of(b).fraction - r.point;
    return normalize(shift_wide(product, -surplus), r);
}

inline bool divide(const fxp_t& r, const fxp_t& a, const fxp_t& b, int32_t& result)
{
    if (b.value == 0 || raw_field(b) == 0)
        return false;
    int64_t scale = int64_t{r.point} + layout_of(b).fraction - layout_of(a).fraction;
    scale = scale > 95 ? 95 : (scale < -95 ? -95 : scale);
    const wide dividend = scale >= 0 ? shift_wide(raw_field(a), scale) : wide(raw_field(a));
    const wide divisor = scale >= 0 ? wide(raw_field(b)) : shift_wide(raw_field(b), -scale);
    result = normalize(dividend / divisor, r);
    return true;
}

inline int32_t negate(const fxp_t& r, const fxp_t& a)
{
    return normalize(shift_wide(-wide(raw_field(a)), int64_t{r.point} - layout_of(a).fraction), r);
}

inline int32_t quantize_record(const fxp_t& x)
{
    return low32(quantize(x.value, x));
}

inline int32_t overflow_record(const fxp_t& x)
{
    return low32(overflow(x.value, x));
}

// The text form as fxp_to_string wrote it, terminating zero included (an
// empty string for no bytes at all).
inline std::string text(const fxp_t& x, int base)
{
    const Layout layout = layout_of(x);
    std::string out;
    if (x.iwl < 0 || layout.fraction < 0) {
        if (x.wl >= -1)
            out += '\0';
        return out;
    }
    uint32_t low[33] = {};
    uint32_t high = 0;
    const int32_t integer = shift32(x.value, -int64_t{x.point});
    if (base >= 2) {
        const auto radix = static_cast<uint32_t>(base);
        const bool negative = integer < 0;
        uint32_t magnitude =
            negative ? 0u - static_cast<uint32_t>(integer) : static_cast<uint32_t>(integer);
        uint32_t carry = 1;
        for (uint32_t& digit : low) {
            digit = magnitude % radix;
            magnitude /= radix;
            if (negative) {
                const uint32_t complement = (radix - 1 - digit) + carry;
                digit = complement % radix;
                carry = complement / radix;
            }
        }
        high = negative ? radix - 1 : 0;
    }
    for (int64_t k = int64_t{x.iwl} - 1; k >= 0; --k)
        out += static_cast<char>(48u + (k < 33 ? low[k] : high));
    out += '.';
    const int32_t raw = raw_field(x);
    for (int64_t bit = layout.fraction - 1; bit >= 0; --bit)
        out += (shift32(raw, -bit) & 1) != 0 ? '1' : '0';
    out += '\0';
    return out;
}

} // namespace qarith_reference
