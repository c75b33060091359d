// Multiplication: record operations against the model, and the limb kernels
// at sizes on both sides of every algorithm threshold.
#include "differential.h"
#include "limb_values.h"
#include "limbs.h"
#include "magnitude.h"
#include "thresholds.h"

using namespace zbig_test;

namespace
{
void mul_op(mpz_rec* p, mpz_rec* q, mpz_rec* r)
{
    mpz_mul(p, q, r);
}
} // namespace

TEST(MulRandom, ProductsMatchTheModel)
{
    operands g(11);
    for (int i = 0; i < 300; ++i) {
        const unsigned bits = i < 200 ? 300 : 5000;
        check_binary(mul_op, model::mul, g.value(bits), g.value(bits), g.pick(0, 3), g.pick(0, 3),
                     g.value(bits), g.pick(0, 200));
        if (HasFatalFailure())
            return;
    }
}

TEST(MulRandom, SmallMultiplierMatchesTheModel)
{
    operands g(12);
    for (int i = 0; i < 300; ++i) {
        const big q = g.value(400);
        const uint32_t u = g.pick(0, 3) == 0 ? g.pick(0, 2) : static_cast<uint32_t>(g.rng()());
        for (bool same : {false, true}) {
            rec p(g.value(64), g.pick(0, 20)), qr(q, g.pick(0, 2));
            mpz_rec* pp = same ? qr.p() : p.p();
            const model::m want = model::mul(model::of(pp), model::of(qr.p()), model::small(u));
            mpz_mul_ui(pp, qr.p(), u);
            ASSERT_TRUE(matches("mpz_mul_ui", pp, want)) << " q = " << hex(q) << " u = " << u;
        }
    }
}

TEST(MulShort, EveryShortShapeMatchesTheModel)
{
    // Products of up to 64 digits are formed on the stack and copied into
    // p: every pair of operand lengths around that size, all-ones operands
    // (the largest column sums) and random ones, with prior values of p
    // shorter and longer than the product and every aliasing.
    operands g(16);
    for (unsigned qd = 1; qd <= 40; ++qd)
        for (unsigned rd = 1; rd <= 40; rd += (qd + rd > 58 && qd + rd < 70) ? 1 : 3)
            for (int shape = 0; shape < 2; ++shape) {
                const big q = shape ? (big(1) << (30 * qd)) - 1
                                    : g.random_bits(30 * qd - 29) | (big(1) << (30 * qd - 30));
                const big r = shape ? -((big(1) << (30 * rd)) - 1)
                                    : g.random_bits(30 * rd - 29) | (big(1) << (30 * rd - 30));
                check_binary(mul_op, model::mul, q, r, g.pick(0, 2), g.pick(0, 2),
                             g.value(30 * g.pick(1, 70)), g.pick(0, 3));
                if (HasFatalFailure())
                    return;
            }
}

TEST(MulSmall, ProductLandsInPWhateverItsRoom)
{
    // Operands of up to nine digits each go through kernels that write into
    // p's own array when p is no operand and has room for all but the top
    // digit, which then lands only if it is nonzero (growing p by one digit
    // when p had no room for it). Every pair of lengths, in both orders; p
    // stored with every length around the product's; all-ones operands
    // (largest column sums, top digit nonzero), powers of 2^30 (top digit
    // zero) and random ones; every aliasing, squares included.
    operands g(18);
    for (unsigned qd = 1; qd <= 9; ++qd)
        for (unsigned rd = 1; rd <= 9; ++rd)
            for (int shape = 0; shape < 3; ++shape) {
                const auto operand = [&](unsigned d) {
                    if (shape == 0)
                        return (big(1) << (30 * d)) - 1;
                    if (shape == 1)
                        return big(1) << (30 * (d - 1));
                    return g.random_bits(30 * d - 29) | (big(1) << (30 * d - 30));
                };
                const big q = operand(qd), r = g.pick(0, 1) ? operand(rd) : -operand(rd);
                const unsigned n = qd + rd;
                for (unsigned room = n - 1 > 2 ? n - 2 : 1; room <= n + 2; ++room) {
                    check_binary(mul_op, model::mul, q, r, g.pick(0, 2), g.pick(0, 2),
                                 big(5) << (30 * (room - 1)), 0);
                    if (HasFatalFailure())
                        return;
                }
            }
}

TEST(MulShort, DigitKernelAgreesAtEveryShortSize)
{
    // The column kernels keep up to 16 digit products (or 8 doubled ones) in
    // one 64-bit sum: all-ones digits give the largest sums, on both sides
    // of 16 and up to the longest square kernel.
    operands g(17);
    for (std::size_t an = 1; an <= 70; ++an)
        for (std::size_t bn = 1; bn <= an && bn <= 20; ++bn)
            for (int shape = 0; shape < 2; ++shape) {
                std::vector<zbig::digit> a(an), b(bn), r(an + bn);
                for (auto& d : a)
                    d = shape ? zbig::digit_mask
                              : static_cast<zbig::digit>(g.rng()()) & zbig::digit_mask;
                for (auto& d : b)
                    d = shape ? zbig::digit_mask
                              : static_cast<zbig::digit>(g.rng()()) & zbig::digit_mask;
                zbig::digits_mul_basecase(r.data(), a.data(), an, b.data(), bn);
                ASSERT_EQ(from_digits(r), from_digits(a) * from_digits(b))
                    << "sizes " << an << " x " << bn << " shape " << shape;
                zbig::digits_mul_basecase(r.data(), b.data(), bn, a.data(), an);
                ASSERT_EQ(from_digits(r), from_digits(a) * from_digits(b))
                    << "sizes " << bn << " x " << an << " shape " << shape;
            }
    // Squares form each cross product once and double it; from 17 digits a
    // column's pairs are summed in groups.
    for (std::size_t n = 1; n <= zbig::max_sqr_column_digits + 1; ++n)
        for (int shape = 0; shape < 2; ++shape) {
            std::vector<zbig::digit> a(n), sq(2 * n);
            for (auto& d : a)
                d = shape ? zbig::digit_mask
                          : static_cast<zbig::digit>(g.rng()()) & zbig::digit_mask;
            zbig::digits_mul_basecase(sq.data(), a.data(), n, a.data(), n);
            ASSERT_EQ(from_digits(sq), from_digits(a) * from_digits(a))
                << "square of size " << n << " shape " << shape;
        }
}

TEST(Mul, EdgeCases)
{
    rec p, zero, neg(big(-3) << 100), neg2(big(-7));
    mpz_mul(p.p(), zero.p(), neg.p());
    EXPECT_TRUE(well_formed(p.p()));
    EXPECT_EQ(p.r.sign, 0);
    EXPECT_EQ(p.r.len, 2u) << "a zero product does not grow p";
    mpz_mul(p.p(), neg.p(), neg2.p());
    EXPECT_EQ(value_of(p.p()), big(21) << 100) << "two negatives give a positive product";
    rec s((big(1) << 150) + 12345);
    mpz_mul(s.p(), s.p(), s.p());
    EXPECT_EQ(value_of(s.p()), ((big(1) << 150) + 12345) * ((big(1) << 150) + 12345))
        << "squaring in place";
}

TEST(MulThresholds, EverySwitchCrossedWithSmallOperands)
{
    // Thresholds lowered to a few limbs: digit products, limb schoolbook,
    // Karatsuba (balanced and sliced) and transforms all run on operands a
    // few hundred bits long, through mpz_mul with every aliasing.
    const zbig::threshold_override low(
        {.digit_mul = 3,
         .digit_sqr = 12,
         .karatsuba = 3,
         .karatsuba_sqr = 4,
         .ntt = 12,
         .ntt_sqr = 14,
         .div_reciprocal = zbig::tuned_thresholds.div_reciprocal,
         .reciprocal_base = zbig::tuned_thresholds.reciprocal_base,
         .radix_divide_and_conquer = zbig::tuned_thresholds.radix_divide_and_conquer});
    ASSERT_EQ(zbig::thresholds.karatsuba, 3u);
    operands g(15);
    const unsigned bits[] = {30,      60,          89,      90,          91,
                             128,     191,         192,     193,         64 * 6 + 7,
                             64 * 11, 64 * 12 + 1, 64 * 14, 64 * 27 + 3, 64 * 40};
    for (unsigned qb : bits) {
        for (unsigned rb : bits) {
            for (int shape = 0; shape < 2; ++shape) {
                const big q = shape ? (big(1) << qb) - 1 : g.random_bits(qb) | (big(1) << (qb - 1));
                const big r =
                    shape ? -((big(1) << rb) - 1) : g.random_bits(rb) | (big(1) << (rb - 1));
                check_binary(mul_op, model::mul, q, r, g.pick(0, 2), g.pick(0, 2), g.value(200),
                             g.pick(0, 40));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST(LargeMul, KernelsAgreeAcrossThresholds)
{
    // Sizes just below and above each switch, balanced and unbalanced, with
    // all-ones operands (maximal carries) and random ones.
    operands g(13);
    const std::size_t k = zbig::thresholds.karatsuba;
    const std::size_t sizes[][2] = {
        {k - 1, k - 1},     {k, k},     {k + 1, k}, {2 * k + 3, k}, {5 * k, 2 * k},
        {7 * k + 1, 7 * k}, {300, 299}, {1000, 31}, {1500, 1400},   {4096, 4096}};
    for (const auto& s : sizes) {
        for (int shape = 0; shape < 2; ++shape) {
            const big a = shape ? (big(1) << (64 * s[0])) - 1 : g.random_bits(64 * unsigned(s[0]));
            const big b = shape ? (big(1) << (64 * s[1])) - 1 : g.random_bits(64 * unsigned(s[1]));
            auto la = to_limbs(a, s[0]), lb = to_limbs(b, s[1]);
            std::vector<zbig::limb> r(s[0] + s[1]);
            zbig::limbs_mul(r.data(), la.data(), s[0], lb.data(), s[1]);
            ASSERT_EQ(from_limbs(r), a * b)
                << "sizes " << s[0] << " x " << s[1] << " shape " << shape;
            std::vector<zbig::limb> sq(2 * s[0]);
            zbig::limbs_sqr(sq.data(), la.data(), s[0]);
            ASSERT_EQ(from_limbs(sq), a * a) << "square of size " << s[0] << " shape " << shape;
        }
    }
}
