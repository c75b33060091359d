// The qmac golden model against plain integer arithmetic on the raw Q8.8
// values (an independent model: no fixed-point library involved), and the
// rows that the vectors-file documentation shows.
#include "../qmac_model.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace
{

struct raw_result {
    int y;
    bool sat;
};

// c + a*b in units of 2^-16, plus half of 2^-8, floored to units of 2^-8.
raw_result integer_model(int a, int b, int c)
{
    const std::int64_t sum = std::int64_t(a) * b + std::int64_t(c) * 256 + 128;
    const std::int64_t rounded = sum >= 0 ? sum / 256 : -((-sum + 255) / 256);
    if (rounded > 32767)
        return {32767, true};
    if (rounded < -32768)
        return {-32768, true};
    return {int(rounded), false};
}

TEST(QmacModel, AgreesWithIntegerArithmetic)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> operand(-32768, 32767);
    for (int i = 0; i < 200000; ++i) {
        const int a = i < 4 ? (i & 1 ? 32767 : -32768) : operand(rng);
        const int b = i < 4 ? (i & 2 ? 32767 : -32768) : operand(rng);
        const int c = operand(rng);
        const raw_result want = integer_model(a, b, c);
        const qmac::result got =
            qmac::mac(qmac::from_port(a), qmac::from_port(b), qmac::from_port(c));
        ASSERT_EQ(got.y.raw(), want.y) << "a=" << a << " b=" << b << " c=" << c;
        ASSERT_EQ(got.sat, want.sat) << "a=" << a << " b=" << b << " c=" << c;
    }
}

TEST(QmacModel, DocumentedRows)
{
    // 1.0 * 1.5 + 0 = 1.5; the largest operands saturate.
    const qmac::result r1 =
        qmac::mac(qmac::from_port(0x0100), qmac::from_port(0x0180), qmac::from_port(0));
    EXPECT_EQ(r1.y.raw(), 0x0180);
    EXPECT_FALSE(r1.sat);
    const qmac::result r2 =
        qmac::mac(qmac::from_port(0x7FFF), qmac::from_port(0x7FFF), qmac::from_port(0x7FFF));
    EXPECT_EQ(r2.y.raw(), 0x7FFF);
    EXPECT_TRUE(r2.sat);
    // A tie: 0x80 * 0x01 = 0.5 LSB rounds up; -0.5 LSB rounds up to 0.
    EXPECT_EQ(qmac::mac(qmac::from_port(0x80), qmac::from_port(1), qmac::from_port(0)).y.raw(), 1);
    EXPECT_EQ(qmac::mac(qmac::from_port(-0x80), qmac::from_port(1), qmac::from_port(0)).y.raw(), 0);
}

} // namespace
