// fxp_abs, fxp_min, fxp_max and fxp_ceil: container words without
// normalisation.
#include "qarith.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{

constexpr int kUnit = 65536; // 1.0 at point 16

fxp_t nine_six(int32_t value)
{
    return fxp_t{value, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
}

TEST(ContainerOperations, AbsMinMaxCeil)
{
    const struct {
        int32_t value, abs, ceil;
    } cases[] = {
        {2 * kUnit, 2 * kUnit, 3 * kUnit}, // a whole positive number still steps up
        {static_cast<int32_t>(2.5 * kUnit), static_cast<int32_t>(2.5 * kUnit), 3 * kUnit},
        {kUnit / 2, kUnit / 2, 0},
        {-kUnit / 2, kUnit / 2, -kUnit},
        {static_cast<int32_t>(-2.5 * kUnit), static_cast<int32_t>(2.5 * kUnit), -3 * kUnit},
        {0, 0, 0},
        {INT32_MIN, INT32_MIN, INT32_MIN}, // the most negative container stays
    };
    for (const auto& c : cases) {
        const fxp_t a{c.value, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
        fxp_t r = nine_six(77);
        fxp_abs(&r, &a);
        EXPECT_EQ(r.value, c.abs) << c.value;
        EXPECT_EQ(fxp_ceil(&r, &a), c.ceil) << c.value;
        EXPECT_EQ(r.value, c.ceil);
    }
    // The step past the largest integer wraps instead of overflowing.
    const fxp_t top{INT32_MAX, 32, 32, 0, FXP_OVF_SAT, FXP_Q_TRUNC};
    fxp_t r = top;
    EXPECT_EQ(fxp_ceil(&r, &top), INT32_MIN);
}

} // namespace
