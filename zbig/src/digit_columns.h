// Squares of 30-bit digit strings of a length known at compile time, column
// by column: the kernel behind both the small products (small_mul.cpp) and
// the short squares of the span layer (mul_kernels.cpp).
#ifndef ZBIG_DIGIT_COLUMNS_H
#define ZBIG_DIGIT_COLUMNS_H

#include "digit.h"

#include <cstddef>
#include <cstdint>

// Kernels of a fixed length are unrolled in full, so that every index is a
// constant and the digits stay in registers.
#if defined(__GNUC__) && !defined(__clang__)
#define ZBIG_UNROLL _Pragma("GCC unroll 64")
#else
#define ZBIG_UNROLL _Pragma("unroll")
#endif

namespace zbig
{

// r[0, 2N - 1) = the low digits of a^2 for N digits; returns the top digit
// (so that a caller can leave it out where it is zero). Each product a_i a_j
// with i < j is formed once and doubled: about half the products of a
// general product. Up to N = 16 a column holds at most 8 such pairs, doubled
// below 2^64 - 2^35 + 17, or 7 pairs and a square; with the carry from below
// (under 2^34) it fits 64 bits. Longer operands (from 17 digits a column can
// hold 8 pairs and a square) sum the pairs of a column in groups of 8 and
// carry each group's bits above the digit apart.
template <std::size_t N> digit square_columns(digit* r, const digit* a)
{
    static_assert(N >= 2 && N <= 128);              // the carries stay below 2^40
    constexpr std::size_t groups = (N / 2 + 7) / 8; // pairs in a column: at most N / 2
    uint64_t x[N];
    ZBIG_UNROLL
    for (std::size_t i = 0; i < N; ++i)
        x[i] = a[i];
    uint64_t column = 0;
    ZBIG_UNROLL
    for (std::size_t k = 0; k + 1 < 2 * N; ++k) {
        const std::size_t lowest = k + 1 > N ? k + 1 - N : 0;
        uint64_t pairs[groups] = {};
        ZBIG_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            if (i < k - i && k - i < N && i <= k)
                pairs[(i - lowest) / 8] += x[i] * x[k - i];
        const uint64_t square = k % 2 == 0 ? x[k / 2] * x[k / 2] : 0;
        if constexpr (N <= 16) {
            column += 2 * pairs[0] + square;
            r[k] = digit(column) & digit_mask;
            column >>= digit_bits;
        } else {
            uint64_t low = column + (square & digit_mask), high = square >> digit_bits;
            for (std::size_t g = 0; g < groups; ++g) {
                low += (2 * pairs[g]) & digit_mask;
                high += (2 * pairs[g]) >> digit_bits;
            }
            r[k] = digit(low) & digit_mask;
            column = high + (low >> digit_bits);
        }
    }
    return digit(column);
}

} // namespace zbig

#endif
