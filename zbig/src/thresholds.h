// Sizes at which the multiplication, division and radix kernels switch
// algorithm. All were tuned on the development machine, a 2-core AMD
// EPYC virtual machine (2.1 GHz, BMI2/ADX, shared with other jobs, so each
// value is the middle of a range where the two algorithms are within noise),
// with g++ 12 -O3, by zbig/bench (zbig_bench) and by timing the limb kernels
// alone on random operands of the sizes named below.
#ifndef ZBIG_THRESHOLDS_H
#define ZBIG_THRESHOLDS_H

#include <cstddef>

namespace zbig
{

// The switch points of the kernels, in 64-bit limbs unless named otherwise.
// The library runs with tuned_thresholds; the tests lower them through
// threshold_override so that operands of a few limbs cross every switch, and
// zbig/bench/tune_thresholds measures the crossovers on the machine at hand.
struct threshold_set {
    std::size_t digit_mul;                // shorter operand in 30-bit digits: limbs from here
    std::size_t digit_sqr;                // squares in 30-bit digits: limbs from here
    std::size_t karatsuba;                // shorter operand: Karatsuba from here
    std::size_t karatsuba_sqr;            // squaring: Karatsuba from here
    std::size_t ntt;                      // shorter operand: transforms from here
    std::size_t ntt_sqr;                  // squaring: transforms from here
    std::size_t div_reciprocal;           // divisor and quotient: blocks by reciprocal
    std::size_t reciprocal_base;          // reciprocals up to this: schoolbook
    std::size_t radix_divide_and_conquer; // 30-bit digits (to text) or chunks (from text)
};

inline constexpr threshold_set tuned_thresholds{
    // Below this many 30-bit digits in the shorter operand, products are
    // formed digit by digit, a column at a time with 64-bit sums, without
    // regrouping into limbs. zbig_tune_thresholds, n-by-n digit products,
    // digits against limbs: n = 8 35/50 ns, 12 67/68, 13 76/79, 14 90/83,
    // 16 112/80. Unbalanced products (a short operand against one twice its
    // length, as in a 512-by-256-bit product) gain more from the digits.
    .digit_mul = 14,
    // Squares below this many digits are formed by columns that take each
    // cross product once, up to max_sqr_column_digits (24, the longest such
    // kernel: longer ones would add 80 KB of code). zbig_tune_thresholds,
    // squares, columns against limbs: n = 14 31/73 ns, 18 57/82, 24 87/118,
    // and with kernels up to 32 digits built for the measurement, 28
    // 112/137, 31 131/150, 32 139/132 (where the limbs regroup whole
    // 32-digit groups).
    .digit_sqr = 25,
    // Below this many limbs in the shorter operand, schoolbook multiplication
    // (rows of mulx/adcx/adox). zbig_bench mul/10000 and mul/100000: 20 limbs
    // 10.8/406 us, 48 limbs 8.6/368 us, 64 limbs 9.2/368 us, 96 limbs
    // 10.1/381 us.
    .karatsuba = 48,
    // Squaring below this uses the half-product schoolbook; kept equal to the
    // product threshold (zbig_bench sqr/10000 and sqr/100000: 5.6/230 us,
    // against 8.5/325 us for distinct operands), not tuned on its own.
    .karatsuba_sqr = 48,
    // From this many limbs in the shorter operand, number-theoretic
    // transforms. Their cost steps with the power-of-two transform length,
    // Karatsuba's grows smoothly: balanced products at 3000 limbs took
    // 1.81 ms (transform) against 1.36 ms (Karatsuba), at 4000 limbs 1.92
    // against 2.12 ms, at 8000 limbs 4.8 against 9.6 ms.
    .ntt = 4000,
    .ntt_sqr = 4000,
    // Long division switches from schoolbook to blocks divided by a Newton
    // reciprocal when both the divisor and the quotient have this many limbs.
    // 2n-by-n limb divisions: n = 2000 took 9.7 ms by reciprocal against
    // 8.7 ms schoolbook, n = 3000 18.4 against 22.0 ms, n = 5000 41.7
    // against 63.4 ms.
    .div_reciprocal = 2500,
    // Reciprocals of at most this many limbs are computed by schoolbook
    // division.
    .reciprocal_base = 64,
    // Radix conversion: below this many 30-bit digits a number converts by
    // repeated division (or multiplication) by the largest power of the base
    // that fits in 32 bits; above it, by divide and conquer over the squares
    // of that power. Tuned with zbig_number_theory_bench: 20 and 100 were
    // both slower than 40 at 10,000 and 100,000 decimal digits.
    .radix_divide_and_conquer = 40,
};

// The lowest values the algorithms accept: Karatsuba's halves must shrink
// below the switch, a Newton step needs a reciprocal of at least 4 limbs
// and divide and conquer a split of at least 2.
inline constexpr threshold_set lowest_thresholds{
    .digit_mul = 0,
    .digit_sqr = 0,
    .karatsuba = 2,
    .karatsuba_sqr = 2,
    .ntt = 1,
    .ntt_sqr = 1,
    .div_reciprocal = 2,
    .reciprocal_base = 4,
    .radix_divide_and_conquer = 2,
};

// The values in force. Only threshold_override changes them.
inline threshold_set thresholds = tuned_thresholds;

// Sets the thresholds for a scope (raised to lowest_thresholds where below)
// and restores the previous ones when the scope ends.
class threshold_override
{
  public:
    explicit threshold_override(threshold_set t) : saved_(thresholds)
    {
        thresholds = {
            t.digit_mul,
            t.digit_sqr,
            at_least(t.karatsuba, lowest_thresholds.karatsuba),
            at_least(t.karatsuba_sqr, lowest_thresholds.karatsuba_sqr),
            at_least(t.ntt, lowest_thresholds.ntt),
            at_least(t.ntt_sqr, lowest_thresholds.ntt_sqr),
            at_least(t.div_reciprocal, lowest_thresholds.div_reciprocal),
            at_least(t.reciprocal_base, lowest_thresholds.reciprocal_base),
            at_least(t.radix_divide_and_conquer, lowest_thresholds.radix_divide_and_conquer),
        };
    }
    ~threshold_override() { thresholds = saved_; }
    threshold_override(const threshold_override&) = delete;
    threshold_override& operator=(const threshold_override&) = delete;

  private:
    static std::size_t at_least(std::size_t v, std::size_t low) { return v < low ? low : v; }
    threshold_set saved_;
};

} // namespace zbig

#endif
