// Powers, modular powers and the factorial against literal models on cpp_int
// (square and multiply with a truncating remainder after every product).
#include "child.h"
#include "oracle.h"

using namespace zbig_test;

namespace
{

big model_pow(const big& b, uint32_t e)
{
    big r = 1;
    for (uint32_t i = 0; i < e; ++i)
        r *= b;
    return r;
}

// The defined modular power: bits most significant first, truncating
// remainders (cpp_int's % truncates like C), multiplying by the unreduced b.
big model_powm(const big& b, const big& e, const big& m)
{
    if (e == 0)
        return 1;
    big r = b % m;
    for (int i = static_cast<int>(msb(e)) - 1; i >= 0; --i) {
        r = r * r % m;
        if (bit_test(e, static_cast<unsigned>(i)))
            r = r * b % m;
    }
    return r;
}

} // namespace

TEST(Pow, EdgeCases)
{
    struct {
        big b;
        uint32_t e;
        big want;
    } cases[] = {
        {0, 0, 1},
        {5, 0, 1},
        {-7, 1, -7},
        {-3, 3, -27},
        {-1, 0x80000001u, -1},
        {-1, 0x80000000u, 1},
        {2, 100, big(1) << 100},
        {0, 5, 0},
        {big(1) << 40, 3, big(1) << 120},
    };
    for (const auto& c : cases) {
        rec p(big(99)), b(c.b);
        mpz_pow_ui(p.p(), b.p(), c.e);
        EXPECT_EQ(value_of(p.p()), c.want) << hex(c.b) << "^" << c.e;
        EXPECT_TRUE(well_formed(p.p()));
        mpz_pow_ui(b.p(), b.p(), c.e); // result record is the base
        EXPECT_EQ(value_of(b.p()), c.want);
    }
}

TEST(Pow, RandomPowers)
{
    operands gen(5001);
    for (int i = 0; i < 300; ++i) {
        const big b = gen.value(i % 10 == 0 ? 2000 : 130);
        const uint32_t e = gen.pick(0, i % 10 == 0 ? 5 : 60);
        rec p, x(b, gen.pick(0, 2));
        mpz_pow_ui(p.p(), x.p(), e);
        ASSERT_EQ(value_of(p.p()), model_pow(b, e)) << hex(b) << "^" << e;
        ASSERT_TRUE(well_formed(p.p()));
    }
}

TEST(Powm, EdgeCases)
{
    struct {
        big b, e, m, want;
    } cases[] = {
        {7, 0, 1, 1},
        {7, 0, 0, 1},
        {3, 200, 1000, 1},
        {-2, 3, 5, -3},
        {-2, 2, 5, 4},
        {-2, 3, -5, -3},
        {2, 10, 1, 0},
        {-5, 1, 3, -2},
        {10, 3, 0, 0},
        {0, 5, 7, 0},
        {4, 1, 2, 0},
        {big(1) << 200, 3, (big(1) << 64) + 1, model_powm(big(1) << 200, 3, (big(1) << 64) + 1)},
    };
    for (const auto& c : cases) {
        rec p(big(12345)), b(c.b), e(c.e), m(c.m);
        mpz_powm(p.p(), b.p(), e.p(), m.p());
        EXPECT_EQ(value_of(p.p()), c.want) << hex(c.b) << "^" << hex(c.e) << " mod " << hex(c.m);
        EXPECT_TRUE(well_formed(p.p()));
    }
    // A negative exponent leaves the result untouched.
    rec p(big(12345), 4), b(big(3)), e(big(-1)), m(big(7));
    mpz_powm(p.p(), b.p(), e.p(), m.p());
    EXPECT_EQ(value_of(p.p()), 12345);
    EXPECT_EQ(p.r.len, 5u);
    rec q(big(1));
    mpz_powm_ui(q.p(), b.p(), 4, m.p());
    EXPECT_EQ(value_of(q.p()), 81 % 7);
}

TEST(Powm, RandomAgainstTheModel)
{
    operands gen(5002);
    for (int i = 0; i < 400; ++i) {
        const unsigned size = i % 20 == 0 ? 1500 : 300;
        big m = gen.value(size);
        if (i % 3 == 0)
            m |= 1; // odd moduli take the Montgomery path
        const big b = gen.value(size + 40), e = gen.magnitude(i % 20 == 0 ? 200 : 120);
        rec p, x(b, gen.pick(0, 2)), y(e), z(m, gen.pick(0, 2));
        const big want = m == 0 ? (e == 0 ? big(1) : big(0)) : model_powm(b, e, m);
        mpz_powm(p.p(), x.p(), y.p(), z.p());
        ASSERT_EQ(value_of(p.p()), want) << hex(b) << " ^ " << hex(e) << " mod " << hex(m);
        ASSERT_TRUE(well_formed(p.p()));
        // Every record the same as the result in turn.
        for (int which = 0; which < 3; ++which) {
            rec xb(b), ye(e), zm(m);
            mpz_rec* target = which == 0 ? xb.p() : which == 1 ? ye.p() : zm.p();
            mpz_powm(target, xb.p(), ye.p(), zm.p());
            ASSERT_EQ(value_of(target), want) << "aliased operand " << which << ": " << hex(b)
                                              << " ^ " << hex(e) << " mod " << hex(m);
        }
    }
}

TEST(Factorial, SmallAndLarge)
{
    big f = 1;
    for (uint32_t n = 0; n <= 400; ++n) {
        if (n > 1)
            f *= n;
        if (n > 25 && n % 50 != 0)
            continue;
        rec p(big(7));
        mpz_fac_ui(p.p(), n);
        ASSERT_EQ(value_of(p.p()), f) << n << "!";
        ASSERT_TRUE(well_formed(p.p()));
    }
    rec p;
    mpz_fac_ui(p.p(), 20);
    EXPECT_EQ(value_of(p.p()), big("2432902008176640000"));
}
