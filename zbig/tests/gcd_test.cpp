// Greatest common divisors: against cpp_int's gcd, and the cofactors against
// the recursive definition run literally on cpp_int.
#include "child.h"
#include "oracle.h"

#include <functional>
#include <tuple>
#include <utility>
#include <vector>

using namespace zbig_test;

namespace
{

struct extended {
    big g, s, t;
};

// Recursive extended Euclid with truncating division (cpp_int's / and %).
extended model_gcdext(const big& a, const big& b)
{
    if (b == 0)
        return {a, 1, 0};
    const big q = a / b, r = a % b;
    const extended e = model_gcdext(b, r);
    return {e.g, e.t, e.s - q * e.t};
}

// The same chain iterated forward with both cofactors carried along; checked
// against the recursive form on small operands, used on long ones.
extended model_gcdext_forward(const big& a, const big& b)
{
    big r0 = a, r1 = b, s0 = 1, s1 = 0, t0 = 0, t1 = 1;
    while (r1 != 0) {
        const big q = r0 / r1;
        big r2 = r0 - q * r1, s2 = s0 - q * s1, t2 = t0 - q * t1;
        r0.swap(r1);
        r1.swap(r2);
        s0.swap(s1);
        s1.swap(s2);
        t0.swap(t1);
        t1.swap(t2);
    }
    return {r0, s0, t0};
}

} // namespace

TEST(Gcd, EdgeCases)
{
    struct {
        big a, b, want;
    } cases[] = {{0, 0, 0},
                 {-12, 18, 6},
                 {-12, 0, 12},
                 {0, -7, 7},
                 {1, big(1) << 100, 1},
                 {(big(1) << 100) * 6, (big(1) << 90) * 9, (big(1) << 90) * 3}};
    for (const auto& c : cases) {
        rec g(big(5)), a(c.a), b(c.b);
        mpz_gcd(g.p(), a.p(), b.p());
        EXPECT_EQ(value_of(g.p()), c.want) << hex(c.a) << ", " << hex(c.b);
        EXPECT_TRUE(well_formed(g.p()));
    }
}

TEST(Gcd, RandomAgainstCppInt)
{
    operands gen(6001);
    for (int i = 0; i < 500; ++i) {
        const big common = gen.magnitude(i % 3 == 0 ? 200 : 10) + 1;
        const big a = gen.value(400) * common, b = gen.value(400) * common;
        rec g, x(a, gen.pick(0, 2)), y(b);
        mpz_gcd(g.p(), x.p(), y.p());
        ASSERT_EQ(value_of(g.p()), gcd(abs(a), abs(b))) << hex(a) << ", " << hex(b);
        mpz_gcd(x.p(), x.p(), y.p()); // aliased
        ASSERT_EQ(value_of(x.p()), gcd(abs(a), abs(b))) << hex(a) << ", " << hex(b);
    }
}

TEST(Gcdext, EdgeCases)
{
    struct {
        big a, b, g, s, t;
    } cases[] = {
        {240, 46, 2, -9, 47}, {5, 0, 5, 1, 0},   {-4, 0, -4, 1, 0},
        {4, -6, -2, 1, 1},    {-4, 6, 2, 1, 1},  {0, 0, 0, 1, 0},
        {0, 7, 7, 0, 1},      {0, -7, -7, 0, 1}, {6, 3, 3, 0, 1},
    };
    for (const auto& c : cases) {
        rec g(big(9)), s(big(9)), t(big(9)), a(c.a), b(c.b);
        mpz_gcdext(g.p(), s.p(), t.p(), a.p(), b.p());
        EXPECT_EQ(std::make_tuple(value_of(g.p()), value_of(s.p()), value_of(t.p())),
                  std::make_tuple(c.g, c.s, c.t))
            << hex(c.a) << ", " << hex(c.b);
        rec g2, s2, t2(big(77));
        mpz_gcdext(g2.p(), s2.p(), nullptr, a.p(), b.p());
        EXPECT_EQ(value_of(g2.p()), c.g);
        EXPECT_EQ(value_of(s2.p()), c.s);
        EXPECT_EQ(value_of(t2.p()), 77);
    }
}

TEST(Gcdext, RandomAgainstTheRecursiveDefinition)
{
    operands gen(6002);
    for (int i = 0; i < 400; ++i) {
        const big common = gen.magnitude(40) + 1;
        const big a = gen.value(300) * (i % 2 ? common : 1),
                  b = gen.value(300) * (i % 2 ? common : 1);
        const extended want = model_gcdext(a, b);
        const extended forward = model_gcdext_forward(a, b);
        ASSERT_TRUE(forward.g == want.g && forward.s == want.s && forward.t == want.t)
            << hex(a) << ", " << hex(b);
        rec g, s, t, x(a, gen.pick(0, 2)), y(b, gen.pick(0, 2));
        mpz_gcdext(g.p(), s.p(), t.p(), x.p(), y.p());
        ASSERT_EQ(value_of(g.p()), want.g) << hex(a) << ", " << hex(b);
        ASSERT_EQ(value_of(s.p()), want.s) << hex(a) << ", " << hex(b);
        ASSERT_EQ(value_of(t.p()), want.t) << hex(a) << ", " << hex(b);
        ASSERT_EQ(a * want.s + b * want.t, want.g);
        ASSERT_TRUE(well_formed(g.p()) && well_formed(s.p()) && well_formed(t.p()));
        // Results written into the operands.
        rec a2(a), b2(b), t3;
        mpz_gcdext(a2.p(), b2.p(), t3.p(), a2.p(), b2.p());
        ASSERT_EQ(value_of(a2.p()), want.g) << hex(a) << ", " << hex(b);
        ASSERT_EQ(value_of(b2.p()), want.s) << hex(a) << ", " << hex(b);
        ASSERT_EQ(value_of(t3.p()), want.t) << hex(a) << ", " << hex(b);
    }
}

TEST(Gcdext, RandomLongOperandsAgainstTheForwardChain)
{
    // Long enough for many runs of quotients predicted from leading bits,
    // with operand shapes (runs of ones, powers of two) that give long
    // quotients and equal leading bits.
    operands gen(6004);
    for (int i = 0; i < 150; ++i) {
        const big common = gen.magnitude(i % 4 == 0 ? 500 : 30) + 1;
        const big a = gen.value(3000) * common, b = gen.value(3000) * common;
        const extended want = model_gcdext_forward(a, b);
        rec g, s, t, x(a), y(b), g2;
        mpz_gcdext(g.p(), s.p(), t.p(), x.p(), y.p());
        ASSERT_EQ(value_of(g.p()), want.g) << hex(a) << ", " << hex(b);
        ASSERT_EQ(value_of(s.p()), want.s) << hex(a) << ", " << hex(b);
        ASSERT_EQ(value_of(t.p()), want.t) << hex(a) << ", " << hex(b);
        mpz_gcd(g2.p(), x.p(), y.p());
        ASSERT_EQ(value_of(g2.p()), abs(want.g)) << hex(a) << ", " << hex(b);
    }
}

TEST(Gcdext, ChainsOfExtremeShape)
{
    // Consecutive Fibonacci numbers give the longest chain (every quotient
    // 1); equal operands, multiples and neighbours give one-step chains or
    // huge quotients.
    big f0 = 0, f1 = 1;
    std::vector<std::pair<big, big>> pairs;
    for (int i = 0; i < 3000; ++i) {
        const big f2 = f0 + f1;
        f0 = f1;
        f1 = f2;
        if (i % 97 == 0)
            pairs.emplace_back(f1, f0);
    }
    const big p = (big(1) << 1000) - 1;
    for (const big& q :
         std::initializer_list<big>{1, 3, p, p - 1, p + 1, big(1) << 500, (big(1) << 999) + 7})
        pairs.emplace_back(p * 12345, q);
    pairs.emplace_back(p, p);
    pairs.emplace_back(p, p * p);
    for (const auto& [x0, y0] : pairs) {
        for (int signs = 0; signs < 4; ++signs) {
            const big a = signs & 1 ? big(-x0) : x0, b = signs & 2 ? big(-y0) : y0;
            for (const auto& [x, y] : {std::pair<big, big>{a, b}, std::pair<big, big>{b, a}}) {
                const extended want = model_gcdext_forward(x, y);
                rec g, s, t, xr(x), yr(y);
                mpz_gcdext(g.p(), s.p(), t.p(), xr.p(), yr.p());
                ASSERT_EQ(value_of(g.p()), want.g) << hex(x) << ", " << hex(y);
                ASSERT_EQ(value_of(s.p()), want.s) << hex(x) << ", " << hex(y);
                ASSERT_EQ(value_of(t.p()), want.t) << hex(x) << ", " << hex(y);
            }
        }
    }
}

TEST(Gcdext, LargeOperandsKeepTheIdentity)
{
    // About 58,000 division steps at 100,000 bits: the chain must not cost
    // a stack frame per step.
    operands gen(6003);
    for (unsigned bits : {10000u, 100000u}) {
        const big a = gen.random_bits(bits), b = -gen.random_bits(bits - 7);
        rec g, s, t, x(a), y(b);
        mpz_gcdext(g.p(), s.p(), t.p(), x.p(), y.p());
        const big gv = value_of(g.p());
        ASSERT_EQ(abs(gv), gcd(a, abs(b)));
        ASSERT_EQ(a * value_of(s.p()) + b * value_of(t.p()), gv);
    }
}

// Two of g, s and t in one record: ended with a message naming the slip.
TEST(GcdextFatal, OutputsInOneRecord)
{
    rec a(big(240)), b(big(46)), x, y;
    const std::function<void()> slips[] = {
        [&] { mpz_gcdext(x.p(), x.p(), y.p(), a.p(), b.p()); },
        [&] { mpz_gcdext(x.p(), y.p(), x.p(), a.p(), b.p()); },
        [&] { mpz_gcdext(y.p(), x.p(), x.p(), a.p(), b.p()); },
        [&] { mpz_gcdext(x.p(), x.p(), nullptr, a.p(), b.p()); },
        [&] { mpz_gcdext(x.p(), x.p(), x.p(), a.p(), a.p()); },
    };
    for (std::size_t i = 0; i < std::size(slips); ++i) {
        const child_result r = in_child(slips[i]);
        EXPECT_EQ(r.status, 123) << "case " << i;
        EXPECT_EQ(r.err, "mpz_gcdext: g, s and t must be different records\n") << "case " << i;
    }
}
