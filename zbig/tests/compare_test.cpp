// Comparison of values and magnitudes.
#include "differential.h"
#include "magnitude.h"

#include <vector>

using namespace zbig_test;

TEST(Compare, EdgeCases)
{
    struct {
        big x, y;
        int want;
    } cases[] = {
        {0, 0, 0}, {0, -1, 1}, {-5, -3, -1}, {-1, 0, -1}, {big(1) << 90, (big(1) << 90) - 1, 1}};
    for (const auto& c : cases) {
        rec x(c.x, 2), y(c.y);
        EXPECT_EQ(mpz_cmp(x.p(), y.p()), c.want) << hex(c.x) << " vs " << hex(c.y);
    }
}

TEST(CompareRandom, AgreesWithTheOracleWhateverTheStoredLengths)
{
    operands g(51);
    for (int i = 0; i < 2000; ++i) {
        const big x = g.value(120);
        const big y = g.pick(0, 3) == 0 ? x : g.value(120);
        rec xr(x, g.pick(0, 3)), yr(y, g.pick(0, 3));
        const int want = x < y ? -1 : x > y ? 1 : 0;
        ASSERT_EQ(mpz_cmp(xr.p(), yr.p()), want) << hex(x) << " vs " << hex(y);
        const uint32_t u = static_cast<uint32_t>(g.rng()()) >> g.pick(0, 31);
        ASSERT_EQ(mpz_cmp_ui(xr.p(), u), x < u ? -1 : x > u ? 1 : 0) << hex(x) << " vs " << u;
        const int32_t s = static_cast<int32_t>(g.rng()()) >> g.pick(0, 31);
        ASSERT_EQ(mpz_cmp_si(xr.p(), s), x < s ? -1 : x > s ? 1 : 0) << hex(x) << " vs " << s;
    }
    rec m(big(INT32_MIN));
    EXPECT_EQ(mpz_cmp_si(m.p(), INT32_MIN), 0);
}

// zbig.h answers most comparisons inline from the signs and top digits; it
// must give the function's answer for every record, including stored
// lengths above the value, equal top digits, and records whose sign
// disagrees with their digits.
TEST(Compare, TheInlineComparisonAgreesWithTheFunction)
{
    struct raw {
        int32_t d[4];
        mpz_rec r;
    };
    std::vector<raw> records;
    const int32_t values[] = {0, 1, 0x3fffffff};
    for (uint32_t len = 2; len <= 4; ++len) {
        uint32_t patterns = 1;
        for (uint32_t i = 0; i < len; ++i)
            patterns *= 3;
        for (uint32_t p = 0; p < patterns; ++p)
            for (int16_t sign = -1; sign <= 1; ++sign) {
                raw x{};
                for (uint32_t i = 0, q = p; i < len; ++i, q /= 3)
                    x.d[i] = values[q % 3];
                x.r = {nullptr, sign, len};
                records.push_back(x);
            }
    }
    for (auto& x : records)
        x.r.digits = x.d;
    for (const auto& x : records)
        for (const auto& y : records)
            ASSERT_EQ(zbig_cmp_inline(&x.r, &y.r), (mpz_cmp)(&x.r, &y.r))
                << "lengths " << x.r.len << ", " << y.r.len << " signs " << x.r.sign << ", "
                << y.r.sign << " top digits " << x.d[x.r.len - 1] << ", " << y.d[y.r.len - 1];
}
