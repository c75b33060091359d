// Constructors, integer conversions, fxp_quantize and fxp_overflow.
#include "exact_model.hpp"

#include <gtest/gtest.h>

namespace
{

using namespace qarith_test;

constexpr int kSeed = 20261208;

fxp_t format_9_6(int value, int ovf_mode, int q_mode)
{
    return fxp_t{value, 15, 9, 16, ovf_mode, q_mode};
}

TEST(Constructors, StoreTheirFieldsUnnormalised)
{
    const fxp_t created = fxp_create(7, 9, 6, 1, 0, 4);
    EXPECT_EQ(created.value, 7); // not shifted to the point
    EXPECT_EQ(created.wl, 15);
    EXPECT_EQ(created.iwl, 9);
    EXPECT_EQ(created.point, 10);
    EXPECT_EQ(created.ovf_mode, 1);
    EXPECT_EQ(created.q_mode, 0);

    // A value far outside the format stays as given.
    EXPECT_EQ(fxp_create(-123456789, 4, 4, 1, 0, 0).value, -123456789);

    const struct {
        char mode;
        int q_mode;
    } modes[] = {{'c', 2}, {'f', 5}, {'r', 6}, {'x', 6}, {'\0', 6}};
    for (const auto& m : modes) {
        const fxp_t x = fxp(99, 9, 6, 12345, m.mode);
        EXPECT_EQ(x.q_mode, m.q_mode) << "mode " << int(m.mode);
        EXPECT_EQ(x.ovf_mode, FXP_OVF_SAT);
        EXPECT_EQ(x.point, 10); // fwl + 4 whatever the ignored argument
        EXPECT_EQ(x.wl, 15);
        EXPECT_EQ(x.iwl, 9);
        EXPECT_EQ(x.value, 99);
    }
}

TEST(IntegerConversions, ShiftByThePoint)
{
    const fxp_t five = int32_to_fxp(5, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC);
    EXPECT_EQ(five.value, 327680);
    EXPECT_EQ(fxp_to_int32(&five), 5);
    EXPECT_EQ(five.wl, 15);
    EXPECT_EQ(five.q_mode, FXP_Q_TRUNC);

    const struct {
        int value, point, integer;
    } cases[] = {
        {-32768, 16, -1},    // -0.5 rounds toward minus infinity
        {-65536, 16, -1},    // -1.0
        {-65537, 16, -2},    // just below -1.0
        {65535, 16, 0},      // just below 1.0
        {INT32_MIN, 31, -1}, // the widest point
        {INT32_MAX, 0, INT32_MAX},
    };
    for (const auto& c : cases) {
        const fxp_t x{c.value, 15, 9, c.point, 1, 0};
        EXPECT_EQ(fxp_to_int32(&x), c.integer) << describe(x);
    }
    // High bits that do not fit the container are dropped.
    EXPECT_EQ(int32_to_fxp(0x12345, 15, 9, 16, 1, 0).value, 0x23450000);
    EXPECT_EQ(int32_to_fxp(-1, 32, 1, 31, 1, 0).value, INT32_MIN);
}

TEST(Normalisation, QuantiseAndOverflowInTheNineSixFormat)
{
    const struct {
        int value, ovf_mode, q_mode, quantised, overflowed;
    } cases[] = {
        // truncation clears container bits 0..9
        {1025, 2, FXP_Q_TRUNC, 1024, 1025},
        {-1, 2, FXP_Q_TRUNC, -1024, -1},
        // rounding: ties toward plus infinity
        {512, 2, FXP_Q_ROUND, 1024, 512},
        {511, 2, FXP_Q_ROUND, 0, 511},
        {-512, 2, FXP_Q_ROUND, 0, -512},
        {-513, 2, FXP_Q_ROUND, -1024, -513},
        {1536, 2, FXP_Q_ROUND, 2048, 1536},    // +1.5 LSB
        {-2560, 2, FXP_Q_ROUND, -2048, -2560}, // -2.5 LSB
        // other quantisation codes leave the value
        {1025, 2, 2, 1025, 1025},
        {1025, 2, 6, 1025, 1025},
        // saturation to [-256.0, 255.984375]
        {19660800, FXP_OVF_SAT, 6, 19660800, 16776192},    // 300.0
        {-19660800, FXP_OVF_SAT, 6, -19660800, -16777216}, // -300.0
        {16776192, FXP_OVF_SAT, 6, 16776192, 16776192},
        {-16777216, FXP_OVF_SAT, 6, -16777216, -16777216},
        {16776193, FXP_OVF_SAT, 6, 16776193, 16776192},
        {INT32_MIN, FXP_OVF_SAT, 6, INT32_MIN, -16777216},
        // wrap-around keeps bits 0..24 and extends bit 24
        {16777216, FXP_OVF_WRAP, 6, 16777216, -16777216}, // 256.0 -> -256.0
        {19660800, FXP_OVF_WRAP, 6, 19660800, -13893632}, // 300.0 -> -212.0
        {-16777217, FXP_OVF_WRAP, 6, -16777217, 16777215},
        // other overflow codes leave the value
        {19660800, 3, 6, 19660800, 19660800},
    };
    for (const auto& c : cases) {
        fxp_t x = format_9_6(c.value, c.ovf_mode, c.q_mode);
        EXPECT_EQ(fxp_quantize(&x), &x);
        EXPECT_EQ(x.value, c.quantised) << "quantise " << c.value << " q " << c.q_mode;
        fxp_t y = format_9_6(c.value, c.ovf_mode, c.q_mode);
        EXPECT_EQ(fxp_overflow(&y), &y);
        EXPECT_EQ(y.value, c.overflowed) << "overflow " << c.value << " ovf " << c.ovf_mode;
        EXPECT_EQ(y.wl, 15);
        EXPECT_EQ(y.point, 16);
    }
    EXPECT_EQ(-13893632, -212 * 65536);
}

TEST(Normalisation, EdgeFormats)
{
    // G = 0: rounding has nothing below the least significant bit.
    fxp_t no_guard{7, 16, 8, 8, FXP_OVF_SAT, FXP_Q_ROUND};
    EXPECT_EQ(fxp_quantize(&no_guard)->value, 7);
    // G = 31 and S = 31: the whole container is one bit of format.
    fxp_t one_bit{INT32_MAX, 1, 1, 31, FXP_OVF_SAT, FXP_Q_ROUND};
    EXPECT_EQ(fxp_quantize(&one_bit)->value, INT32_MIN); // the rounding carry wraps
    one_bit.value = INT32_MAX;
    EXPECT_EQ(fxp_overflow(&one_bit)->value, 0); // 2^31 - 2^31 is the largest
    // The full 32-bit format saturates nothing and wraps nothing.
    fxp_t full{INT32_MIN, 32, 32, 0, FXP_OVF_SAT, FXP_Q_TRUNC};
    EXPECT_EQ(fxp_overflow(&full)->value, INT32_MIN);
    full.ovf_mode = FXP_OVF_WRAP;
    full.value = INT32_MAX;
    EXPECT_EQ(fxp_overflow(&full)->value, INT32_MAX);
}

// Differential test against the exact model over random well-formed formats.
TEST(Normalisation, MatchesTheExactModel)
{
    std::mt19937 rng(kSeed);
    for (int i = 0; i < rounds(20000); ++i) {
        fxp_t x = random_format(rng);
        x.value = random_value(rng, x);
        const fxp_t before = x;
        fxp_t only_q_mode = x;
        only_q_mode.ovf_mode = 2;
        fxp_t only_ovf_mode = x;
        only_ovf_mode.q_mode = 6;
        fxp_quantize(&x);
        ASSERT_EQ(x.value, normalize_model(before.value, only_q_mode)) << describe(before);
        x = before;
        fxp_overflow(&x);
        ASSERT_EQ(x.value, normalize_model(before.value, only_ovf_mode)) << describe(before);
    }
}

} // namespace
