// The library against its earlier 128-bit algorithm (wide_reference.hpp),
// bit for bit: every arithmetic result, fxp_quantize, fxp_overflow, the
// division message and the text form, for well-formed formats and for
// malformed ones. The formats are drawn around the limits where the library
// switches between its 64-bit and 128-bit paths (results near 2^62, guard
// and sign positions near 62 and 126, shift counts near 64 and 128).
#include "exact_model.hpp"
#include "wide_reference.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

using namespace qarith_test;

int pick(std::mt19937& rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

int32_t random_field(std::mt19937& rng)
{
    static constexpr int32_t kCorners[] = {INT32_MIN, INT32_MIN + 1,
                                           -1000,     -129,
                                           -128,      -65,
                                           -64,       -63,
                                           -33,       -32,
                                           -1,        0,
                                           1,         31,
                                           32,        33,
                                           61,        62,
                                           63,        64,
                                           65,        95,
                                           96,        125,
                                           126,       127,
                                           128,       129,
                                           INT32_MAX};
    switch (pick(rng, 0, 3)) {
    case 0:
        return kCorners[rng() % std::size(kCorners)];
    case 1:
        return static_cast<int32_t>(rng());
    default:
        return pick(rng, -40, 140);
    }
}

int32_t random_mode(std::mt19937& rng, int codes)
{
    return pick(rng, 0, 7) == 0 ? random_field(rng) : pick(rng, 0, codes);
}

// Half well-formed formats with values inside and outside them, half
// formats with each field anywhere.
fxp_t random_record(std::mt19937& rng)
{
    if (pick(rng, 0, 1) == 0) {
        fxp_t x = random_format(rng);
        x.value = random_value(rng, x);
        return x;
    }
    fxp_t x{};
    // Point, fraction and integer widths in the ranges where results cross
    // 2^62 and 2^126, sometimes any field at all.
    x.point = pick(rng, 0, 3) == 0 ? random_field(rng) : pick(rng, -8, 100);
    const int32_t fraction = pick(rng, 0, 3) == 0 ? random_field(rng) : pick(rng, -8, 100);
    x.iwl = pick(rng, 0, 3) == 0 ? random_field(rng) : pick(rng, -70, 100);
    x.wl = static_cast<int32_t>(static_cast<uint32_t>(x.iwl) + static_cast<uint32_t>(fraction));
    x.ovf_mode = random_mode(rng, 3);
    x.q_mode = random_mode(rng, 5);
    // Any word, or a small one shifted anywhere (random_value needs a
    // format with its sign bit inside the container).
    static constexpr int32_t kExtremes[] = {INT32_MIN, INT32_MAX, INT32_MIN + 1, -1};
    switch (pick(rng, 0, 3)) {
    case 0:
        x.value = static_cast<int32_t>(rng());
        break;
    case 1:
        x.value = kExtremes[rng() % std::size(kExtremes)];
        break;
    default:
        x.value = static_cast<int32_t>(static_cast<uint32_t>(pick(rng, -3, 3)) << pick(rng, 0, 31));
    }
    return x;
}

std::string context(const fxp_t& r, const fxp_t& a, const fxp_t& b)
{
    return "r " + describe(r) + " a " + describe(a) + " b " + describe(b);
}

TEST(WideReference, ArithmeticIsBitForBitTheSame)
{
    namespace ref = qarith_reference;
    std::mt19937 rng(20261208);
    for (int i = 0; i < rounds(60000); ++i) {
        const fxp_t a = random_record(rng);
        const fxp_t b = pick(rng, 0, 3) == 0 ? a : random_record(rng);
        const fxp_t r0 = pick(rng, 0, 3) == 0 ? a : random_record(rng);
        const std::string where = context(r0, a, b);
        fxp_t r = r0;

        fxp_add(&r, &a, &b);
        ASSERT_EQ(r.value, ref::add_or_subtract(r0, a, b, false)) << "add " << where;
        fxp_sub(&r, &a, &b);
        ASSERT_EQ(r.value, ref::add_or_subtract(r0, a, b, true)) << "sub " << where;
        fxp_mul(&r, &a, &b);
        ASSERT_EQ(r.value, ref::multiply(r0, a, b)) << "mul " << where;
        fxp_neg(&r, &a);
        ASSERT_EQ(r.value, ref::negate(r0, a)) << "neg " << where;

        r = r0;
        int32_t quotient = r0.value;
        const bool divides = ref::divide(r0, a, b, quotient);
        testing::internal::CaptureStderr();
        fxp_div(&r, &a, &b);
        ASSERT_EQ(testing::internal::GetCapturedStderr(),
                  divides ? "" : "fxp_div: Division by zero.\n")
            << where;
        ASSERT_EQ(r.value, quotient) << "div " << where;
        ASSERT_EQ(std::memcmp(&r.wl, &r0.wl, sizeof r - sizeof r.value), 0) << where;

        fxp_t q = a;
        ASSERT_EQ(fxp_quantize(&q)->value, ref::quantize_record(a)) << "quantize " << describe(a);
        q = a;
        ASSERT_EQ(fxp_overflow(&q)->value, ref::overflow_record(a)) << "overflow " << describe(a);
    }
}

// Results at the edge of the 64-bit path, where rounding adds up to 2^61 to
// a value near 2^62 or 2^63 and a saturating format of sign bit 5 makes
// the low word of the clamped result tell both limits apart.
TEST(WideReference, ResultsAtTheEdgeOfSixtyFourBits)
{
    namespace ref = qarith_reference;
    const fxp_t whole_max{INT32_MAX, 32, 32, 0, FXP_OVF_SAT, FXP_Q_TRUNC}; // F 0, G 0
    const fxp_t whole_min{INT32_MIN, 32, 32, 0, FXP_OVF_SAT, FXP_Q_TRUNC};
    const fxp_t fine_min{INT32_MIN, 32, 1, 31, FXP_OVF_SAT, FXP_Q_TRUNC}; // F 31, G 0
    const struct {
        fxp_t r, a, b;
    } cases[] = {
        // Sum 2^63 - 2^32 at r's point 31; G 62, S 5.
        {{0, -56, -25, 31, FXP_OVF_SAT, FXP_Q_ROUND}, whole_max, whole_max},
        {{0, -56, -25, 31, FXP_OVF_SAT, FXP_Q_ROUND}, whole_min, whole_min},
        {{0, -56, -25, 30, FXP_OVF_SAT, FXP_Q_ROUND}, whole_max, whole_max},
        {{0, -55, -25, 31, FXP_OVF_WRAP, FXP_Q_ROUND}, whole_max, whole_min},
        // Products of 2^62 and quotients of 2^62, with G and S near 62.
        {{0, -56, -25, 31, FXP_OVF_SAT, FXP_Q_ROUND}, whole_min, whole_min},
        {{0, -31, 0, 31, FXP_OVF_SAT, FXP_Q_ROUND}, fine_min, whole_min},
        {{0, 1, 32, 31, FXP_OVF_SAT, FXP_Q_ROUND}, whole_min, whole_min},
        {{0, 1, 32, 30, FXP_OVF_WRAP, FXP_Q_TRUNC}, whole_max, fine_min},
        {{0, 0, 0, 62, FXP_OVF_SAT, FXP_Q_ROUND}, fine_min, whole_max},
        {{0, 0, 0, 63, FXP_OVF_SAT, FXP_Q_ROUND}, whole_min, fine_min},
        // A product of 2^63 at r's point, G 63, S 5.
        {{0, -57, 5, 1, FXP_OVF_SAT, FXP_Q_TRUNC}, whole_min, whole_min},
        {{0, -57, 5, 1, FXP_OVF_WRAP, FXP_Q_ROUND}, whole_min, whole_min},
    };
    for (const auto& c : cases) {
        const std::string where = context(c.r, c.a, c.b);
        fxp_t r = c.r;
        fxp_add(&r, &c.a, &c.b);
        EXPECT_EQ(r.value, ref::add_or_subtract(c.r, c.a, c.b, false)) << "add " << where;
        fxp_sub(&r, &c.a, &c.b);
        EXPECT_EQ(r.value, ref::add_or_subtract(c.r, c.a, c.b, true)) << "sub " << where;
        fxp_mul(&r, &c.a, &c.b);
        EXPECT_EQ(r.value, ref::multiply(c.r, c.a, c.b)) << "mul " << where;
        int32_t quotient = 0;
        ASSERT_TRUE(ref::divide(c.r, c.a, c.b, quotient));
        fxp_div(&r, &c.a, &c.b);
        EXPECT_EQ(r.value, quotient) << "div " << where;
        fxp_neg(&r, &c.a);
        EXPECT_EQ(r.value, ref::negate(c.r, c.a)) << "neg " << where;
    }
}

// Aliasing: the result record is an operand, as the reference reads every
// operand before it writes.
TEST(WideReference, AliasedResultsAreTheSame)
{
    namespace ref = qarith_reference;
    std::mt19937 rng(7);
    for (int i = 0; i < rounds(20000); ++i) {
        const fxp_t a0 = random_record(rng);
        const fxp_t b = random_record(rng);
        fxp_t a = a0;
        fxp_add(&a, &a, &b);
        ASSERT_EQ(a.value, ref::add_or_subtract(a0, a0, b, false)) << context(a0, a0, b);
        a = a0;
        fxp_mul(&a, &a, &a);
        ASSERT_EQ(a.value, ref::multiply(a0, a0, a0)) << describe(a0);
        a = a0;
        fxp_neg(&a, &a);
        ASSERT_EQ(a.value, ref::negate(a0, a0)) << describe(a0);
    }
}

TEST(WideReference, TextIsTheSameInEveryBase)
{
    std::mt19937 rng(99);
    static constexpr int kBases[] = {INT32_MIN, -10, -1, 0,  1,   2,   3,     7,
                                     8,         10,  16, 36, 255, 256, 65536, INT32_MAX};
    for (int i = 0; i < rounds(20000); ++i) {
        fxp_t x = random_record(rng);
        // Text only for word lengths whose text is small enough to hold.
        x.wl = pick(rng, -3, 80);
        if (pick(rng, 0, 1) == 0)
            x.iwl = pick(rng, -2, x.wl + 1);
        const int base =
            pick(rng, 0, 3) == 0 ? random_field(rng) : kBases[rng() % std::size(kBases)];
        const std::string expected = qarith_reference::text(x, base);
        // Exactly wl + 2 bytes, as the interface asks; at least one.
        std::vector<char> buf(static_cast<size_t>(x.wl + 2 > 0 ? x.wl + 2 : 1), '#');
        fxp_to_string(&x, base, buf.data());
        ASSERT_EQ(std::string(buf.data(), expected.size()), expected)
            << describe(x) << " base " << base;
        testing::internal::CaptureStdout();
        fxp_print(&x, base);
        ASSERT_EQ(testing::internal::GetCapturedStdout(), expected.c_str())
            << describe(x) << " base " << base;
    }
}

} // namespace
