// Sizes, in 64-bit limbs, at which the multiplication and division kernels
// switch algorithm. All were tuned on the development machine, a 2-core AMD
// EPYC virtual machine (2.1 GHz, BMI2/ADX, shared with other jobs, so each
// value is the middle of a range where the two algorithms are within noise),
// with g++ 12 -O3, by zbig/bench (zbig_bench) and by timing the limb kernels
// alone on random operands of the sizes named below.
#ifndef ZBIG_THRESHOLDS_H
#define ZBIG_THRESHOLDS_H

#include <cstddef>

namespace zbig {

// Below this many limbs in the shorter operand, schoolbook multiplication
// (rows of mulx/adcx/adox). zbig_bench mul/10000 and mul/100000: 20 limbs
// 10.8/406 us, 48 limbs 8.6/368 us, 64 limbs 9.2/368 us, 96 limbs 10.1/381 us.
inline constexpr std::size_t karatsuba_threshold = 48;
// Squaring below this uses the half-product schoolbook; kept equal to the
// product threshold (zbig_bench sqr/10000 and sqr/100000: 5.6/230 us, against
// 8.5/325 us for distinct operands), not tuned on its own.
inline constexpr std::size_t karatsuba_sqr_threshold = 48;

// From this many limbs in the shorter operand, number-theoretic transforms.
// Their cost steps with the power-of-two transform length, Karatsuba's grows
// smoothly: balanced products at 3000 limbs took 1.81 ms (transform) against
// 1.36 ms (Karatsuba), at 4000 limbs 1.92 against 2.12 ms, at 8000 limbs 4.8
// against 9.6 ms.
inline constexpr std::size_t ntt_threshold = 4000;
inline constexpr std::size_t ntt_sqr_threshold = 4000;

// Long division switches from schoolbook to blocks divided by a Newton
// reciprocal when both the divisor and the quotient have this many limbs.
// 2n-by-n limb divisions: n = 2000 took 9.7 ms by reciprocal against 8.7 ms
// schoolbook, n = 3000 18.4 against 22.0 ms, n = 5000 41.7 against 63.4 ms.
inline constexpr std::size_t div_reciprocal_threshold = 2500;
// Reciprocals of at most this many limbs are computed by schoolbook division.
inline constexpr std::size_t reciprocal_base_limbs = 64;

// Radix conversion: below this many 30-bit digits a number converts by
// repeated division (or multiplication) by the largest power of the base
// that fits in 32 bits; above it, by divide and conquer over the squares of
// that power. Tuned with zbig_number_theory_bench on the 2-core 2.1 GHz
// build machine: 20 and 100 were both slower than 40 at 10,000 and 100,000
// decimal digits.
inline constexpr std::size_t radix_divide_and_conquer_threshold = 40;

} // namespace zbig

#endif
