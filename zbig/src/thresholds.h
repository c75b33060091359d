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

// From this many limbs in the shorter operand (and not too unbalanced),
// number-theoretic transforms.
inline constexpr std::size_t ntt_threshold = 1200;
inline constexpr std::size_t ntt_sqr_threshold = 1200;

} // namespace zbig

#endif
