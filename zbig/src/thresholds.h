// Sizes, in 64-bit limbs, at which the multiplication and division kernels
// switch algorithm.
#ifndef ZBIG_THRESHOLDS_H
#define ZBIG_THRESHOLDS_H

#include <cstddef>

namespace zbig {

// Below this many limbs in the shorter operand, schoolbook multiplication.
inline constexpr std::size_t karatsuba_threshold = 48;
// Below this many limbs, schoolbook squaring.
inline constexpr std::size_t karatsuba_sqr_threshold = 32;

// From this many limbs in the shorter operand (and not too unbalanced),
// number-theoretic transforms.
inline constexpr std::size_t ntt_threshold = 2000;
inline constexpr std::size_t ntt_sqr_threshold = 2000;

// Long division switches from schoolbook to blocks divided by a Newton
// reciprocal when both the divisor and the quotient have this many limbs.
inline constexpr std::size_t div_reciprocal_threshold = 1400;
// Reciprocals of at most this many limbs are computed by schoolbook division.
inline constexpr std::size_t reciprocal_base_limbs = 64;

} // namespace zbig

#endif
