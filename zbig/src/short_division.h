// Division of magnitudes below 2^128 as single 128-bit values. Inline, so
// that the record forms divide the short operands hardware models use
// without calls, buffers or regrouping loops; the long division's kernels
// use the same one-limb step.
#ifndef ZBIG_SHORT_DIVISION_H
#define ZBIG_SHORT_DIVISION_H

#include "digit.h"
#include "limbs.h"

#include <bit>
#include <cstddef>
#include <span>

namespace zbig
{

// (hi 2^64 + lo) / d and its remainder, for hi < d: one divq where the
// processor has it, instead of the general 128-bit division routine.
inline limb divide_2by1(limb hi, limb lo, limb d, limb& remainder)
{
#if defined(__x86_64__) && defined(__GNUC__)
    limb q;
    __asm__("divq %[d]" : "=a"(q), "=d"(remainder) : "a"(lo), "d"(hi), [d] "rm"(d) : "cc");
    return q;
#else
    const wide num = (wide(hi) << 64) | lo;
    const limb q = limb(num / d);
    remainder = limb(num - wide(q) * d);
    return q;
#endif
}

// a / b, and a % b in remainder, for b != 0.
inline wide divide_wide(wide a, wide b, wide& remainder)
{
    const limb ah = limb(a >> 64), al = limb(a), bh = limb(b >> 64), bl = limb(b);
    if (bh == 0) {
        // The quotient may need both limbs: its top limb first, then the
        // rest from what that leaves, which is below the divisor.
        const limb qh = ah >= bl ? ah / bl : 0;
        limb r;
        const limb ql = divide_2by1(ah - qh * bl, al, bl, r);
        remainder = r;
        return (wide(qh) << 64) | ql;
    }
    if (a < b) {
        remainder = a;
        return 0;
    }
    // A divisor of two limbs leaves a quotient of one. It is estimated from
    // a / 2 and the divisor's top 64 bits, normalised: the estimate minus
    // one is at most one below the true quotient, which a single comparison
    // of the remainder then settles.
    const unsigned n = unsigned(std::countl_zero(bh));
    const limb top = n == 0 ? bh : (bh << n) | (bl >> (64 - n));
    limb unused;
    const limb estimate = divide_2by1(ah >> 1, (al >> 1) | (ah << 63), top, unused);
    limb q = estimate >> (63 - n);
    if (q != 0)
        --q;
    wide r = a - wide(q) * b;
    if (r >= b) {
        ++q;
        r -= b;
    }
    remainder = r;
    return q;
}

// Magnitudes below 2^128: up to five digits, the fifth below 2^8.
inline bool fits_wide(std::span<const digit> d)
{
    return d.size() <= 4 || (d.size() == 5 && d[4] < (digit(1) << (128 - 4 * digit_bits)));
}

// The value of up to five digits, its two limbs assembled directly (one
// jump on the length rather than a loop or a test per digit).
inline wide wide_of(std::span<const digit> d)
{
    limb lo = 0, hi = 0;
    switch (d.size()) {
    case 5:
        hi = limb(d[4]) << (4 * digit_bits - 64);
        [[fallthrough]];
    case 4:
        hi |= limb(d[3]) << (3 * digit_bits - 64);
        [[fallthrough]];
    case 3:
        hi |= limb(d[2]) >> (64 - 2 * digit_bits);
        lo = limb(d[2]) << 2 * digit_bits;
        [[fallthrough]];
    case 2:
        lo |= limb(d[1]) << digit_bits;
        [[fallthrough]];
    case 1:
        lo |= d[0];
        break;
    default:
        break;
    }
    return (wide(hi) << 64) | lo;
}

// Number of significant bits of v.
inline unsigned wide_bits(wide v)
{
    const limb lo = limb(v), hi = limb(v >> 64);
    return hi != 0 ? 64 + unsigned(std::bit_width(hi)) : unsigned(std::bit_width(lo));
}

// The digits [0, count) of v < 2^128 into out (zero above the value).
inline void put_wide(digit* out, std::size_t count, wide v)
{
    const limb lo = limb(v), hi = limb(v >> 64);
    const digit d[5] = {
        digit(lo) & digit_mask,
        digit(lo >> digit_bits) & digit_mask,
        digit((lo >> 2 * digit_bits) | (hi << (64 - 2 * digit_bits))) & digit_mask,
        digit(hi >> (3 * digit_bits - 64)) & digit_mask,
        digit(hi >> (4 * digit_bits - 64)),
    };
    for (std::size_t i = 0; i < 5; ++i) {
        if (i < count)
            out[i] = d[i];
    }
    for (std::size_t i = 5; i < count; ++i)
        out[i] = 0;
}

} // namespace zbig

#endif
