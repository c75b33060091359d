// fxp_resize: new integer and fraction bits around a fixed binary point.
#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace qarith_test;

std::string text_of(const fxp_t& x)
{
    std::string buf(static_cast<size_t>(x.wl) + 2, '#');
    fxp_to_string(&x, 2, buf.data());
    return buf.c_str();
}

TEST(Resize, SignExtendsATextValue)
{
    fxp_t r{0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    string_to_fxp("101010101.001110", 2, &r);
    ASSERT_GT(r.value, 0); // container not extended
    fxp_resize(&r, 1, 2, 's');
    EXPECT_EQ(r.wl, 18);
    EXPECT_EQ(r.iwl, 10);
    EXPECT_EQ(r.point, 16);
    EXPECT_EQ(r.ovf_mode, FXP_OVF_SAT);
    EXPECT_EQ(r.q_mode, FXP_Q_TRUNC);
    EXPECT_EQ(text_of(r), "1101010101.00111000");
    // Exactly one bit is set above the old format; the rest stays clear.
    EXPECT_EQ(r.value, (0x355 << 16) | (0x0e << 10));
}

TEST(Resize, SignCharacters)
{
    const struct {
        const char* text;
        int n, m;
        char sign;
        const char* resized;
    } cases[] = {
        {"101010101.001110", 3, 0, 's', "111101010101.001110"},
        {"101010101.001110", 3, 0, 'u', "000101010101.001110"},  // nothing set above
        {"001010101.001110", 3, 1, 's', "000001010101.0011100"}, // positive: nothing set
        {"101010101.001110", 0, 4, 's', "101010101.0011100000"},
    };
    for (const auto& c : cases) {
        fxp_t r{0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
        string_to_fxp(c.text, 2, &r);
        fxp_resize(&r, c.n, c.m, c.sign);
        EXPECT_EQ(text_of(r), c.resized) << c.text << " n " << c.n << " m " << c.m << " " << c.sign;
    }
}

TEST(Resize, InvalidSignIsReportedAndChangesNothing)
{
    fxp_t r{12345678, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    const fxp_t before = r;
    testing::internal::CaptureStderr();
    fxp_resize(&r, 1, 2, 'x');
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "fxp_resize: Specified an invalid sign value (x).\n");
    EXPECT_EQ(r.value, before.value);
    EXPECT_EQ(r.wl, before.wl);
    EXPECT_EQ(r.iwl, before.iwl);
}

// On a sign-extended container (as the arithmetic leaves it) a signed resize
// keeps the number and only drops the old guard bits; the new low fraction
// bits are zero.
TEST(Resize, KeepsTheValueOfExtendedContainers)
{
    std::mt19937 rng(7);
    for (int i = 0; i < rounds(20000); ++i) {
        fxp_t x = random_format(rng);
        const int64_t guard = guard_of(x);
        const int n =
            std::uniform_int_distribution<int>(0, static_cast<int>(31 - sign_bit_of(x)))(rng);
        const int m = std::uniform_int_distribution<int>(0, static_cast<int>(guard))(rng);
        x.ovf_mode = FXP_OVF_WRAP;
        x.value = random_value(rng, x);
        fxp_overflow(&x); // extend the sign bit through the container
        const fxp_t before = x;
        const char sign = (i & 1) ? 's' : 'u';
        fxp_resize(&x, n, m, sign);
        const cpp_int expected = floor_div(before.value, pow2(guard)) * pow2(guard);
        ASSERT_EQ(cpp_int(x.value), expected)
            << describe(before) << " n " << n << " m " << m << sign;
        ASSERT_EQ(x.wl, before.wl + n + m);
        ASSERT_EQ(x.iwl, before.iwl + n);
        ASSERT_EQ(guard_of(x), guard - m);
    }
}

} // namespace
