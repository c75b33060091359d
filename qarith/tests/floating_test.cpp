// double_to_fxp and fxp_to_double.
#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace
{

using namespace qarith_test;

constexpr const char* kIncomplete = "double_to_fxp: integer part conversion is incomplete.\n";

struct Converted {
    int32_t value;
    std::string messages;
};

Converted convert(double d, fxp_t x)
{
    x.value = 0x5a5a5a5a;
    testing::internal::CaptureStderr();
    double_to_fxp(d, &x);
    return {x.value, testing::internal::GetCapturedStderr()};
}

TEST(DoubleToFxp, TruncatesTowardZero)
{
    const fxp_t nine_six{0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    const fxp_t four_four{0, 8, 4, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    const struct {
        double d;
        fxp_t format;
        int32_t value;
        bool incomplete;
    } cases[] = {
        {6.125, nine_six, 401408, false},
        {0.111, nine_six, 7 << 10, false}, // 0.109375
        {0.99, nine_six, 63 << 10, false}, // 0.984375
        {1.0, nine_six, 1 << 16, false},
        {1.02, nine_six, 65 << 10, false},     // 1.015625
        {-0.99, nine_six, -(63 << 10), false}, // toward zero, not minus infinity
        {600.0, nine_six, 88 << 16, true},     // the low nine bits of 600
        {-600.5, nine_six, -((88 << 16) + (1 << 15)), true},
        {511.999, nine_six, 0x7fff << 10, false},
        {512.0, nine_six, 0, true},
        {-2.5, four_four, -163840, false},
        {-0.0, nine_six, 0, false},
        {1e-300, nine_six, 0, false},
        {2147483647.75, fxp_t{0, 32, 31, 1, 1, 0}, -1, false}, // all 32 bits in use
        {-2147483648.0, nine_six, 0, true},
        {2147483648.0, nine_six, 0, true}, // beyond 32 bits: no integer bits
        {1e300, nine_six, 0, true},
        {-1e19 - 0.5, nine_six, 0, true},
    };
    for (const auto& c : cases) {
        const Converted got = convert(c.d, c.format);
        EXPECT_EQ(got.value, c.value) << c.d << " into " << describe(c.format);
        EXPECT_EQ(got.messages, c.incomplete ? kIncomplete : "") << c.d;
    }
    EXPECT_EQ(-163840 >> 16, -3); // fxp_to_int32 of -2.5 rounds toward minus infinity
}

TEST(DoubleToFxp, NonFiniteGivesZeroAndTheMessage)
{
    const fxp_t format{0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    for (const double d :
         {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        const Converted got = convert(d, format);
        EXPECT_EQ(got.value, 0) << d;
        EXPECT_EQ(got.messages, kIncomplete) << d;
    }
}

// Against the exact definition: the magnitude truncated to F fraction bits,
// reduced to wl bits, negated for negative d, placed at the guard count.
TEST(DoubleToFxp, MatchesTheTruncationModel)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < rounds(20000); ++i) {
        const fxp_t format = random_format(rng);
        const double d = std::ldexp(unit(rng), std::uniform_int_distribution<int>(-8, 34)(rng));
        const Converted got = convert(d, format);
        const double whole = std::trunc(std::fabs(d));
        cpp_int expected = 0;
        bool incomplete = whole >= 2147483648.0;
        if (!incomplete) {
            const cpp_int scaled_magnitude(
                std::floor(std::ldexp(std::fabs(d), static_cast<int>(fraction_of(format)))));
            expected = scaled_magnitude % pow2(format.wl);
            incomplete = cpp_int(whole) >= pow2(format.iwl);
        } else {
            // No integer bits at all: only the fraction remains.
            const cpp_int fraction(std::floor(
                std::ldexp(std::fabs(d) - whole, static_cast<int>(fraction_of(format)))));
            expected = fraction;
        }
        if (d < 0)
            expected = -expected;
        expected *= pow2(guard_of(format));
        ASSERT_EQ(got.value, normalize_model(expected, fxp_t{0, 64, 64, 0, 2, 6}))
            << d << " into " << describe(format);
        ASSERT_EQ(got.messages, incomplete ? kIncomplete : "") << d << " into " << describe(format);
    }
}

TEST(FxpToDouble, ReadsSignAndMagnitude)
{
    const struct {
        fxp_t x;
        double number;
    } cases[] = {
        {{(13 << 16) | (0x35 << 10), 15, 9, 16, 1, 0}, 13.828125},
        {{(0x181 << 16) | (0x03 << 10), 15, 9, 16, 1, 0}, -129.046875},
        {{(0x155 << 16) | (0x0e << 10), 15, 9, 16, 1, 0}, -85.21875},
        {{-163840, 8, 4, 16, 1, 0}, -5.5}, // -2.5 in two's complement, read as sign and magnitude
        {{5 << 16, 4, 4, 16, 1, 0}, 5.0},  // F = 0
        {{INT32_MIN, 32, 32, 0, 1, 0}, -0.0},
        {{-1, 32, 1, 31, 1, 0}, -(1.0 - std::ldexp(1.0, -31))},
        {{0x3ff, 15, 9, 16, 1, 0}, 0.0}, // guard bits do not count
    };
    for (const auto& c : cases) {
        const double got = fxp_to_double(&c.x);
        EXPECT_EQ(got, c.number) << describe(c.x);
        EXPECT_EQ(std::signbit(got), std::signbit(c.number)) << describe(c.x);
    }
}

} // namespace
