// The primality test: known primes and composites, and the exact answer and
// rand() consumption of a model that runs the same construction on cpp_int.
#include "oracle.h"

#include <cstdlib>

using namespace zbig_test;

namespace
{

int probab_prime(const big& v, int reps, uint32_t extra = 0)
{
    rec x(v, extra);
    const int r = mpz_probab_prime_p(x.p(), reps);
    EXPECT_EQ(value_of(x.p()), v) << "x is not modified";
    return r;
}

uint32_t model_digit()
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | (static_cast<uint32_t>(std::rand()) & 0xff);
    return v & 0x3fffffff;
}

// Trial division, then per trial a witness of max(2, digits of m) random
// digits reduced mod m and the binary exponentiation of m - 1 watching each
// squaring for a nontrivial square root of 1.
int model_probab_prime(const big& x, int reps)
{
    const big m = abs(x);
    if (m <= 1)
        return 0;
    for (int p : {2, 3, 5, 7, 11, 13, 17})
        if (m % p == 0)
            return m == p ? 1 : 0;
    uint32_t digits = 0;
    for (big t = m; t != 0; t >>= 30)
        ++digits;
    digits = std::max(digits, 2u);
    const big d = m - 1;
    for (int rep = 0; rep < reps; ++rep) {
        big a = 0;
        for (uint32_t i = 0; i < digits; ++i)
            a |= big(model_digit()) << (30 * i);
        a %= m;
        if (a == 0)
            continue;
        big z = a;
        for (int i = static_cast<int>(msb(d)) - 1; i >= 0; --i) {
            const bool watch = z != 1 && z != d;
            z = z * z % m;
            if (watch && z == 1)
                return 0;
            if (bit_test(d, static_cast<unsigned>(i)))
                z = z * a % m;
        }
        if (z != 1)
            return 0;
    }
    return 1;
}

} // namespace

TEST(Prime, TrialDivisionAndTablePrimes)
{
    for (int v : {0, 1, -1, 4, 9, 15, 21, 289, 561, 1105, 1729, -4})
        EXPECT_EQ(probab_prime(v, 10), 0) << v;
    for (int v : {2, 3, 5, 7, 11, 13, 17, -2, -17})
        EXPECT_EQ(probab_prime(v, 10), 1) << v << " is a table prime";
    // No trial at all: survivors of trial division pass.
    EXPECT_EQ(probab_prime(361, 0), 1);
    EXPECT_EQ(probab_prime(437, 0), 1);
    EXPECT_EQ(smallp[0], 2);
    EXPECT_EQ(smallp[6], 17);
}

TEST(Prime, PrimesPassAndPseudoprimesFail)
{
    std::srand(1);
    const big primes[] = {19,
                          23,
                          (big(1) << 31) - 1,
                          -((big(1) << 31) - 1),
                          (big(1) << 61) - 1,
                          (big(1) << 127) - 1,
                          (big(1) << 521) - 1,
                          big(1000000007)};
    for (const big& p : primes)
        for (int round = 0; round < 20; ++round)
            ASSERT_EQ(probab_prime(p, 10, round % 3), 1) << p << " is prime";
    // Composites that fool weaker tests: Carmichael numbers past the table,
    // strong pseudoprimes to small bases, squares of primes.
    const big composites[] = {252601,
                              361,
                              437,
                              2047,
                              3277,
                              4033,
                              8321,
                              3215031751,
                              2152302898747,
                              big("3825123056546413051"),
                              big("318665857834031151167461"),
                              ((big(1) << 61) - 1) * ((big(1) << 31) - 1),
                              29341,
                              46657,
                              75361};
    for (const big& c : composites)
        for (int round = 0; round < 5; ++round)
            ASSERT_EQ(probab_prime(c, 10), 0) << c << " is composite";
}

TEST(Prime, RandomAgainstTheModel)
{
    // Small odd numbers pass or fail by the drawn witnesses; the answer and
    // the number of rand() calls must match the model exactly.
    operands gen(9001);
    for (int i = 0; i < 1500; ++i) {
        const big x = i % 3 == 0 ? big(gen.pick(0, 2000)) : gen.value(i % 10 == 0 ? 300 : 64);
        const int reps = static_cast<int>(gen.pick(0, 4));
        const unsigned seed = static_cast<unsigned>(i) * 7919u + 1u;
        std::srand(seed);
        const int want = model_probab_prime(x, reps);
        const int next = std::rand();
        std::srand(seed);
        ASSERT_EQ(probab_prime(x, reps, gen.pick(0, 2)), want)
            << hex(x) << " reps " << reps << " seed " << seed;
        ASSERT_EQ(std::rand(), next) << hex(x) << " reps " << reps << " seed " << seed;
    }
}
