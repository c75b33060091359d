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
// that power. Tuned with zbig_number_theory_bench on the 2-core 2.1 GHz
// build machine: 20 and 100 were both slower than 40 at 10,000 and 100,000
// decimal digits.
inline constexpr std::size_t radix_divide_and_conquer_threshold = 40;

} // namespace zbig

#endif
