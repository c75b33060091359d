// Random values against a model of the construction fed by the same seeded
// rand() sequence: four calls per 30-bit digit, first call most significant.
#include "oracle.h"

#include <cstdlib>

using namespace zbig_test;

namespace
{

uint32_t model_digit()
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | (static_cast<uint32_t>(std::rand()) & 0xff);
    return v & 0x3fffffff;
}

// The value for n words and the digit count.
big model_random(int n, bool binary, uint32_t& count)
{
    const uint32_t bits = n > 0 ? 32u * static_cast<uint32_t>(n) : 0;
    count = bits / 30 + (bits % 30 ? 1 : 0);
    big v = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t d = model_digit();
        if (binary)
            d &= 1;
        if (i + 1 == count && bits % 30)
            d &= (1u << (bits % 30)) - 1;
        v |= big(d) << (30 * i);
    }
    return v;
}

} // namespace

TEST(Random, DigitsFollowTheSeededSequence)
{
    for (bool binary : {false, true}) {
        for (int n : {-3, 0, 1, 2, 14, 15, 16, 40}) {
            for (uint32_t prior : {2u, 5u, 60u}) {
                const unsigned seed =
                    static_cast<unsigned>(n * 131 + static_cast<int>(prior) + binary);
                std::srand(seed);
                uint32_t count = 0;
                const big want = model_random(n, binary, count);
                const int next = std::rand();
                rec x(big(-7), prior - 1);
                std::srand(seed);
                (binary ? mpz_random2 : mpz_random)(x.p(), n);
                ASSERT_EQ(value_of(x.p()), want) << "n " << n << " binary " << binary;
                ASSERT_TRUE(well_formed(x.p()));
                ASSERT_EQ(x.r.len, std::max(prior, count > 1 ? count : 0u)) << "n " << n;
                ASSERT_EQ(std::rand(), next) << "4 calls per digit, n " << n;
            }
        }
    }
}

TEST(Random, RangesAndShapes)
{
    std::srand(12345);
    for (int i = 0; i < 500; ++i) {
        rec x;
        mpz_random(x.p(), 1);
        ASSERT_LE(value_of(x.p()), big(0xffffffffu));
        mpz_random2(x.p(), 1);
        const big v = value_of(x.p());
        ASSERT_TRUE(v == 0 || v == 1 || v == (big(1) << 30) || v == (big(1) << 30) + 1) << v;
        mpz_random(x.p(), 0);
        ASSERT_EQ(x.r.sign, 0);
    }
}
