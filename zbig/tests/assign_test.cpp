// Creation, assignment, conversion to machine integers and the sign-only
// operations.
#include "differential.h"

using namespace zbig_test;

TEST(Assign, MachineIntegers)
{
    rec x;
    mpz_set_si(x.p(), INT32_MIN);
    EXPECT_EQ(x.r.sign, -1);
    EXPECT_EQ(x.r.digits[0], 0);
    EXPECT_EQ(x.r.digits[1], 2) << "-2^31 keeps its full magnitude";
    EXPECT_EQ(mpz_get_si(x.p()), 0) << "only the low 31 bits of the magnitude count";
    mpz_rec y;
    mpz_init_set_si(&y, INT32_MIN);
    EXPECT_EQ(value_of(&y), big(INT32_MIN));
    EXPECT_EQ(y.len, 2u);
    mpz_clear(&y);

    struct {
        big v;
        uint32_t ui;
        int32_t si;
    } cases[] = {{-7, 7, -7},
                 {(big(1) << 32) + 9, 9, 9},
                 {(big(1) << 31) + 5, 0x80000005u, 5},
                 {-((big(1) << 31) - 1), 0x7fffffffu, -0x7fffffff},
                 {0, 0, 0},
                 {big(0xffffffffu), 0xffffffffu, 0x7fffffff}};
    for (const auto& c : cases) {
        rec r(c.v, 2);
        EXPECT_EQ(mpz_get_ui(r.p()), c.ui) << hex(c.v);
        EXPECT_EQ(mpz_get_si(r.p()), c.si) << hex(c.v);
    }
    for (uint32_t u : {0u, 1u, 0x3fffffffu, 0x40000000u, 0xffffffffu}) {
        rec r(big(1) << 200); // long record: set_ui keeps its length
        const uint32_t len = r.r.len;
        mpz_set_ui(r.p(), u);
        EXPECT_EQ(value_of(r.p()), u);
        EXPECT_EQ(r.r.len, len);
        EXPECT_TRUE(well_formed(r.p()));
        mpz_rec s;
        mpz_init_set_ui(&s, u);
        EXPECT_EQ(value_of(&s), u);
        EXPECT_EQ(s.len, 2u);
        mpz_clear(&s);
    }
}

TEST(Assign, SizeCountsThirtyTwoBitWords)
{
    rec x;
    EXPECT_EQ(mpz_size(x.p()), 2);
    _mpz_realloc(x.p(), 16);
    EXPECT_EQ(mpz_size(x.p()), 15);
    _mpz_realloc(x.p(), 17);
    EXPECT_EQ(mpz_size(x.p()), 16);
}

TEST(Assign, InitSetKeepsTheStoredLength)
{
    rec y(big(-3), 7);
    mpz_rec x;
    mpz_init_set(&x, y.p());
    EXPECT_EQ(x.len, y.r.len);
    EXPECT_EQ(value_of(&x), -3);
    mpz_clear(&x);
}

TEST(Assign, AbsNegInPlaceAndCopied)
{
    operands g(41);
    for (int i = 0; i < 100; ++i) {
        const big v = g.value(200);
        rec src(v, g.pick(0, 3)), dst(g.value(100), g.pick(0, 8));
        const model::m want_abs = model::set(model::of(dst.p()), model::of(src.p()));
        mpz_abs(dst.p(), src.p());
        ASSERT_TRUE(matches("mpz_abs", dst.p(), {abs(v), want_abs.len}));
        mpz_neg(dst.p(), src.p());
        ASSERT_TRUE(matches("mpz_neg", dst.p(), {-v, want_abs.len}));
        mpz_neg(src.p(), src.p());
        ASSERT_EQ(value_of(src.p()), -v);
        mpz_abs(src.p(), src.p());
        ASSERT_EQ(value_of(src.p()), abs(v));
    }
}

TEST(Assign, SwapCopiesThroughAddition)
{
    operands g(42);
    for (int i = 0; i < 200; ++i) {
        const big a = g.pick(0, 4) ? g.value(300) : big(0),
                  b = g.pick(0, 4) ? g.value(300) : big(0);
        rec x(a, g.pick(0, 4)), y(b, g.pick(0, 4));
        model::m t = model::fresh(), mx = model::of(x.p()), my = model::of(y.p());
        t = model::add(t, mx, model::small(0));
        mx = model::add(mx, my, model::small(0));
        my = model::add(my, t, model::small(0));
        int32_t* xd = x.r.digits;
        mpz_swap(x.p(), y.p());
        ASSERT_TRUE(matches("mpz_swap x", x.p(), mx)) << hex(a) << " <-> " << hex(b);
        ASSERT_TRUE(matches("mpz_swap y", y.p(), my)) << hex(a) << " <-> " << hex(b);
        (void)xd;
    }
}

TEST(Assign, MaxAndMinReturnNewCopies)
{
    struct {
        big x, y, max, min;
        bool max_is_x, min_is_x;
    } cases[] = {{3, 5, 5, 3, false, true},
                 {-3, -5, -3, -5, true, false},
                 {7, 7, 7, 7, true, false},
                 {0, -1, 0, -1, true, false}};
    for (const auto& c : cases) {
        rec x(c.x, 3), y(c.y, 1);
        mpz_rec* hi = mpz_max(x.p(), y.p());
        mpz_rec* lo = mpz_min(x.p(), y.p());
        EXPECT_EQ(value_of(hi), c.max);
        EXPECT_EQ(value_of(lo), c.min);
        // A copy into a fresh record has the source's stored length rule:
        // equal values give a copy of x for the maximum and of y for the minimum.
        EXPECT_EQ(hi->len, model::set(model::fresh(), model::of(c.max_is_x ? x.p() : y.p())).len);
        EXPECT_EQ(lo->len, model::set(model::fresh(), model::of(c.min_is_x ? x.p() : y.p())).len);
        EXPECT_NE(hi->digits, x.r.digits);
        mpz_clear(hi);
        free(hi);
        mpz_clear(lo);
        free(lo);
    }
}
