// The Jacobi symbol against Euler's criterion for prime b and the product
// over the prime factors for composite b.
#include "child.h"
#include "oracle.h"

#include <functional>

using namespace zbig_test;

namespace
{

// (a / p) for an odd prime p: a^((p - 1) / 2) mod p is 1, p - 1 or 0.
int euler(const big& a, const big& p)
{
    big r = a % p;
    if (r < 0)
        r += p;
    const big e = powm(r, (p - 1) / 2, p);
    return e == 0 ? 0 : e == 1 ? 1 : -1;
}

int jacobi(const big& a, const big& b)
{
    rec x(a), y(b);
    return mpz_jacobi(x.p(), y.p());
}

const int odd_primes[] = {3,  5,  7,  11, 13, 17, 19, 23, 29, 31, 37, 41,
                          43, 47, 53, 59, 61, 67, 71, 73, 79, 83, 89, 97};

} // namespace

TEST(Jacobi, EdgeCases)
{
    struct {
        big a, b;
        int want;
    } cases[] = {
        {2, 7, 1}, {3, 7, -1}, {6, 9, 0},  {-1, 7, -1},           {1, 1, 1}, {7, 1, 1}, {0, 1, 0},
        {0, 3, 0}, {-1, 5, 1}, {-3, 7, 1}, {big(1) << 100, 3, 1}, {21, 7, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(jacobi(c.a, c.b), c.want) << "(" << c.a << " / " << c.b << ")";
}

TEST(Jacobi, RandomAgainstEulersCriterion)
{
    operands gen(7001);
    const big large_primes[] = {(big(1) << 61) - 1, (big(1) << 89) - 1, (big(1) << 127) - 1,
                                big(1000000007)};
    for (int i = 0; i < 2000; ++i) {
        const big p = i % 4 == 0 ? large_primes[gen.pick(0, 3)] : big(odd_primes[gen.pick(0, 23)]);
        const big a = gen.value(i % 4 == 0 ? 300 : 40);
        ASSERT_EQ(jacobi(a, p), euler(a, p)) << "(" << a << " / " << p << ")";
    }
}

TEST(Jacobi, RandomCompositeDenominators)
{
    operands gen(7002);
    for (int i = 0; i < 1500; ++i) {
        big b = 1;
        int want_product = 1;
        const big a = gen.value(200);
        for (unsigned k = gen.pick(1, 4); k > 0; --k) {
            const big p = odd_primes[gen.pick(0, 23)];
            b *= p;
            want_product *= euler(a, p);
        }
        // x = 0 after the loop gives 0 even for b = 1 only when a is 0;
        // here b > 1.
        ASSERT_EQ(jacobi(a, b), want_product) << "(" << a << " / " << b << ")";
    }
}

TEST(JacobiFatal, InvalidDenominators)
{
    struct {
        big b;
        const char* message;
    } cases[] = {{0, "mpz_jacobi call with b <= 0\n"},
                 {-3, "mpz_jacobi call with b <= 0\n"},
                 {8, "mpz_jacobi call with b even\n"},
                 {big(1) << 64, "mpz_jacobi call with b even\n"}};
    for (const auto& c : cases) {
        const child_result r = in_child([&] { jacobi(5, c.b); });
        EXPECT_EQ(r.status, 123) << c.b;
        EXPECT_EQ(r.err, c.message);
    }
}
