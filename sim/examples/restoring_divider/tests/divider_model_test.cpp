// The restoring_divider golden model against the restoring steps the design
// takes (a shift and a trial subtraction per quotient bit, written here in
// C++ as the VHDL does them), on every pair of operands up to 8 bits and on
// random ones up to 32: the model's answer for a zero divisor is the
// hardware's own, and every other answer divides.
#include "../divider_model.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace
{

divider::result restoring_steps(std::uint64_t dividend, std::uint64_t divisor, int width)
{
    std::uint64_t partial = 0;
    std::uint64_t bits = dividend;
    for (int step = 0; step < width; ++step) {
        const std::uint64_t shifted = (partial << 1) | (bits >> (width - 1));
        bits = (bits << 1) & divider::all_ones(width);
        if (shifted >= divisor) {
            partial = shifted - divisor;
            bits |= 1;
        } else {
            partial = shifted;
        }
    }
    return {bits, partial};
}

void expect_steps_agree(std::uint64_t n, std::uint64_t d, int width)
{
    const divider::result want = restoring_steps(n, d, width);
    const divider::result got = divider::divide(n, d, width);
    ASSERT_EQ(got.quotient, want.quotient) << n << " / " << d << " at W = " << width;
    ASSERT_EQ(got.remainder, want.remainder) << n << " / " << d << " at W = " << width;
    if (d != 0) {
        ASSERT_EQ(got.quotient * d + got.remainder, n);
        ASSERT_LT(got.remainder, d);
    }
}

TEST(DividerModel, EveryPairUpToEightBits)
{
    for (int width = 1; width <= 8; ++width)
        for (std::uint64_t n = 0; n <= divider::all_ones(width); ++n)
            for (std::uint64_t d = 0; d <= divider::all_ones(width); ++d)
                expect_steps_agree(n, d, width);
}

TEST(DividerModel, RandomPairsUpToThirtyTwoBits)
{
    std::mt19937_64 rng(21);
    for (int width : {9, 16, 31, 32})
        for (int i = 0; i < 20000; ++i) {
            const std::uint64_t n = rng() & divider::all_ones(width);
            const std::uint64_t d =
                i % 4 == 0 ? 0 : rng() & divider::all_ones(1 + int(rng() % width));
            expect_steps_agree(n, d, width);
        }
}

} // namespace
