// Checks the golden models against values worked out by hand and against
// straightforward restatements in wider arithmetic, where a fault in the
// 32-bit wrap-around or in the shifts would show.
#include "golden_models.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace
{

using namespace fsmd_golden;

// Wide-arithmetic oracle for inputs whose magnitudes stay below 2^30, where
// no step of the 32-bit datapath overflows: 0.875x + 0.5y with the design's
// rounding toward minus infinity on each shifted term.
std::int64_t eda_wide(std::int64_t in1, std::int64_t in2)
{
    const std::int64_t a = in1 < 0 ? -in1 : in1;
    const std::int64_t b = in2 < 0 ? -in2 : in2;
    const std::int64_t x = a > b ? a : b;
    const std::int64_t y = a > b ? b : a;
    const std::int64_t blend = x - x / 8 + y / 2;
    return blend > x ? blend : x;
}

TEST(GoldenModels, EdaMatchesHandValues)
{
    struct Case {
        std::int32_t in1, in2, out;
    };
    const Case cases[] = {
        {0, 0, 0},
        {3, 4, 5},
        {-3, 4, 5},
        {4, -3, 5},
        {-5, -12, 13},
        // 0.875 * 8 + 0.5 * 0 = 7 < 8: the max keeps x.
        {8, 0, 8},
        // |INT32_MIN| wraps to INT32_MIN, the smaller signed value: x = 0.
        {INT32_MIN, 0, 0},
        // The blend overflows and wraps negative, so x wins.
        {INT32_MAX, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(eda(c.in1, c.in2), c.out) << "in1=" << c.in1 << " in2=" << c.in2;
    }
}

TEST(GoldenModels, EdaAgreesWithWideArithmeticBelowOverflow)
{
    std::uint32_t s = 12345u;
    for (int i = 0; i < 20000; ++i) {
        s = s * 1664525u + 1013904223u;
        const std::int32_t a = static_cast<std::int32_t>(s) >> 2;
        s = s * 1664525u + 1013904223u;
        const std::int32_t b = static_cast<std::int32_t>(s) >> 2;
        ASSERT_EQ(eda(a, b), eda_wide(a, b)) << "in1=" << a << " in2=" << b;
    }
}

TEST(GoldenModels, FiboFollowsTheRecurrenceAndWraps)
{
    EXPECT_EQ(fibo(0), 0u);
    EXPECT_EQ(fibo(1), 1u);
    EXPECT_EQ(fibo(10), 55u);
    EXPECT_EQ(fibo(46), 1836311903u);
    EXPECT_EQ(fibo(47), 2971215073u);
    // F(48) = 4807526976 does not fit 32 bits.
    EXPECT_EQ(fibo(48), static_cast<std::uint32_t>(4807526976ull));
    // Binet's formula for n < 70 in double precision, rounded.
    for (std::uint32_t n = 0; n < 48; ++n) {
        const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
        const auto binet =
            static_cast<std::uint64_t>(std::llround(std::pow(phi, n) / std::sqrt(5.0)));
        EXPECT_EQ(fibo(n), binet) << "n=" << n;
    }
}

TEST(GoldenModels, ArraysumSumsArithmeticShifts)
{
    EXPECT_EQ(arraysum(0), 0);
    EXPECT_EQ(arraysum(1), 1);
    EXPECT_EQ(arraysum(1023), 2036);
    // -1 >> i stays -1: ten words of -1.
    EXPECT_EQ(arraysum(-1), -10);
    for (std::int32_t v : {-1000000, -7, 5, 999999, 123456789}) {
        std::int64_t wide = 0;
        for (int i = 0; i < 10; ++i) {
            wide += static_cast<std::int64_t>(std::floor(static_cast<double>(v) / (1 << i)));
        }
        EXPECT_EQ(arraysum(v), wide) << "in1=" << v;
    }
    // The sum of INT32_MAX's shifts exceeds 32 bits and wraps.
    EXPECT_EQ(arraysum(INT32_MAX), static_cast<std::int32_t>(0xFFBFFFF6u));
}

TEST(GoldenModels, PopcountCountsBits)
{
    EXPECT_EQ(popcount(0), 0);
    EXPECT_EQ(popcount(0xFFFFFFFFu), 32);
    EXPECT_EQ(popcount(0x80000000u), 1);
    EXPECT_EQ(popcount(0xF0F0u), 8);
    for (std::uint32_t v = 1; v != 0; v <<= 1) {
        EXPECT_EQ(popcount(v - 1),
                  static_cast<std::int32_t>(std::log2(static_cast<double>(v)) + 0.5));
    }
}

} // namespace
