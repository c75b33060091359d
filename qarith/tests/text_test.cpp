// fxp_to_string, fxp_print and string_to_fxp.
#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace qarith_test;

// The text of x in an exactly sized buffer (wl + 2 bytes), so that a write
// past it is caught (by AddressSanitizer, and by the length check).
std::string to_string(const fxp_t& x, int base)
{
    std::vector<char> buf(static_cast<size_t>(x.wl) + 2, '#');
    fxp_to_string(&x, base, buf.data());
    EXPECT_EQ(buf.back(), '\0') << describe(x);
    return buf.data();
}

std::string printed(const fxp_t& x, int base)
{
    testing::internal::CaptureStdout();
    fxp_print(&x, base);
    return testing::internal::GetCapturedStdout();
}

TEST(Text, WritesIntegerDigitsInTheBaseAndFractionBitsInBinary)
{
    const struct {
        fxp_t x;
        int base;
        const char* text;
    } cases[] = {
        {{401408, 15, 9, 16, 1, 0}, 2, "000000110.001000"}, // 6.125
        {{7 << 16 | 1 << 15, 8, 4, 16, 1, 0}, 10, "0007.1000"},
        {{1234 << 16, 16, 8, 16, 1, 0}, 10, "00001234.00000000"},
        {{12345 << 16, 12, 4, 16, 1, 0}, 10, "2345.00000000"}, // higher digits dropped
        {{0xab << 16, 8, 4, 16, 1, 0}, 16, "00:;.0000"},       // digits go on past '9'
        {{5 << 16, 4, 4, 16, 1, 0}, 2, "0101."},               // F = 0
        {{1 << 15, 3, 0, 16, 1, 0}, 2, ".100"},                // iwl = 0
        {{-163840, 8, 4, 16, 1, 0}, 2, "1101.1000"},           // -2.5
        {{-114688, 8, 4, 16, 1, 0}, 2, "1110.0100"},           // -1.75
        {{-81920, 8, 4, 16, 1, 0}, 2, "1110.1100"},            // -1.25
        {{-32768, 8, 4, 16, 1, 0}, 2, "1111.1000"},            // -0.5
        {{-1 * 65536, 8, 4, 16, 1, 0}, 10, "9999.0000"},       // -1 mod 10^4
        {{-1000 * 65536, 8, 4, 16, 1, 0}, 10, "9000.0000"},
        {{-3 * 65536, 6, 3, 16, 1, 0}, 8, "775.000"}, // 8^3 - 3
        {{INT32_MIN, 32, 32, 0, 1, 0}, 2, "10000000000000000000000000000000."},
        {{INT32_MIN, 32, 1, 31, 1, 0}, 2, "1.0000000000000000000000000000000"},
        {{INT32_MIN, 40, 40, 0, 1, 0}, 2, "1111111110000000000000000000000000000000."},
        {{7 << 16, 8, 4, 16, 1, 0}, 1, "0000.0000"}, // no meaningful base
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_string(c.x, c.base), c.text) << describe(c.x) << " base " << c.base;
        EXPECT_EQ(printed(c.x, c.base), c.text) << describe(c.x) << " base " << c.base;
    }
}

// The integer digits are those of floor(value / 2^point) modulo base^iwl.
TEST(Text, IntegerDigitsMatchTheModularModel)
{
    std::mt19937 rng(99);
    for (int i = 0; i < rounds(20000); ++i) {
        fxp_t x = random_format(rng);
        x.value = random_value(rng, x);
        const int base = std::uniform_int_distribution<int>(2, 36)(rng);
        const std::string text = to_string(x, base);
        ASSERT_EQ(text.size(), static_cast<size_t>(x.wl) + 1) << describe(x);
        const cpp_int span = boost::multiprecision::pow(cpp_int(base), x.iwl);
        cpp_int rest = floor_div(x.value, pow2(x.point));
        rest -= floor_div(rest, span) * span;
        for (int k = x.iwl - 1; k >= 0; --k) {
            const int digit = static_cast<int>(rest % base);
            rest /= base;
            ASSERT_EQ(text[static_cast<size_t>(k)], static_cast<char>('0' + digit))
                << describe(x) << " base " << base << " text " << text;
        }
        ASSERT_EQ(text[static_cast<size_t>(x.iwl)], '.');
        const cpp_int raw = raw_of(x);
        for (int64_t j = 0; j < fraction_of(x); ++j) {
            const bool bit = ((raw >> static_cast<unsigned>(fraction_of(x) - 1 - j)) & 1) != 0;
            ASSERT_EQ(text[static_cast<size_t>(x.iwl + 1 + j)], bit ? '1' : '0') << describe(x);
        }
    }
}

TEST(Text, ReadsDigitStringsByPosition)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"000001101.110101", (13 << 16) | (0x35 << 10)},
        {"110000001.000011", (0x181 << 16) | (0x03 << 10)}, // container not extended
        {"101010101.001110", (0x155 << 16) | (0x0e << 10)},
        {"000000001", 1 << 16},                             // no point, no fraction
        {"1", 0x100 << 16},                                 // text shorter than iwl
        {"000000001x111111", (1 << 16) | (0x3f << 10)},     // the point's index is skipped
        {"0000.0001.000001", (1 << 16) | (1 << 10)},        // a '.' leaves its bit at zero
        {"000000000.1111111111", 0x3f << 10},               // surplus digits ignored
        {"qpqpqpqpq.aaaaaa", (0x155 << 16) | (0x3f << 10)}, // lowest bit of code - '0'
        {"", 0},
    };
    for (const auto& c : cases) {
        fxp_t x{-1, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
        string_to_fxp(c.text, 16, &x); // the base has no effect
        EXPECT_EQ(x.value, c.value) << c.text;
        EXPECT_EQ(x.wl, 15);
    }
}

// string_to_fxp and fxp_to_string in base 2 are inverse on the format's bits.
TEST(Text, BinaryRoundTrip)
{
    std::mt19937 rng(5);
    for (int i = 0; i < rounds(20000); ++i) {
        fxp_t x = random_format(rng);
        std::string text;
        for (int k = 0; k < x.wl; ++k) {
            if (k == x.iwl)
                text += '.';
            text += static_cast<char>('0' + (rng() & 1));
        }
        if (x.iwl == x.wl)
            text += '.';
        string_to_fxp(text.c_str(), 2, &x);
        ASSERT_EQ(to_string(x, 2), text) << describe(x);
        // Only the format's bits are set.
        const int64_t s = sign_bit_of(x);
        if (s < 31) {
            ASSERT_EQ(floor_div(x.value, pow2(s + 1)), 0) << describe(x);
        }
        ASSERT_EQ(x.value & ((1ll << guard_of(x)) - 1), 0) << describe(x);
    }
}

} // namespace
