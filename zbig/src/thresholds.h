// Sizes, in 64-bit limbs, at which the multiplication and division kernels
// switch algorithm.
#ifndef ZBIG_THRESHOLDS_H
#define ZBIG_THRESHOLDS_H

#include <cstddef>

namespace zbig {

// Below this many limbs in the shorter operand, schoolbook multiplication.
inline constexpr std::size_t karatsuba_threshold = 32;
// Below this many limbs, schoolbook squaring.
inline constexpr std::size_t karatsuba_sqr_threshold = 32;

// Radix conversion: below this many 30-bit digits a number converts by
// repeated division (or multiplication) by the largest power of the base
// that fits in 32 bits; above it, by divide and conquer over the squares of
// that power. Tuned on the build machine with bench/radix_bench.
inline constexpr std::size_t radix_divide_and_conquer_threshold = 40;

} // namespace zbig

#endif
