// Sum, difference, product, quotient and negation.
#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{

using namespace qarith_test;

constexpr int kUnit = 65536; // 1.0 in the nine-six format

fxp_t nine_six(double number)
{
    return fxp_t{static_cast<int32_t>(number * kUnit), 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
}

using Binary = void (*)(fxp_t*, const fxp_t*, const fxp_t*);

TEST(Arithmetic, ExamplesInTheNineSixFormat)
{
    const struct {
        const char* name;
        Binary op;
        double a, b;
        int32_t result;
    } cases[] = {
        {"add", fxp_add, 10, 3, 13 * kUnit},
        {"add", fxp_add, 200, 100, 16776192},    // saturates at 255.984375
        {"add", fxp_add, -200, -100, -16777216}, // and at -256.0
        {"sub", fxp_sub, 10, 3, 7 * kUnit},
        {"sub", fxp_sub, 3, 10, -458752},
        {"mul", fxp_mul, 10, 10, 100 * kUnit},
        {"mul", fxp_mul, 20, 20, 16776192},
        {"mul", fxp_mul, -20, 20, -16777216},
        {"mul", fxp_mul, 1.5, -2.25, static_cast<int32_t>(-3.375 * kUnit)},
        {"mul", fxp_mul, 0.015625, 0.015625, 0},      // 2^-12 truncates to 0
        {"mul", fxp_mul, -0.015625, 0.015625, -1024}, // toward minus infinity
        {"div", fxp_div, 10, 3, 218112},              // 218453 truncated to 1024s
        {"div", fxp_div, 3, 2, static_cast<int32_t>(1.5 * kUnit)},
        {"div", fxp_div, 7, 2, static_cast<int32_t>(3.5 * kUnit)},
        {"div", fxp_div, -7, 2, static_cast<int32_t>(-3.5 * kUnit)},
        {"div", fxp_div, 200, 0.5, 16776192},
        {"min", fxp_min, 4, 7, 4 * kUnit},
        {"max", fxp_max, 4, 7, 7 * kUnit},
        {"min", fxp_min, -4, 7, -4 * kUnit},
        {"max", fxp_max, -4, -7, -4 * kUnit},
    };
    for (const auto& c : cases) {
        const fxp_t a = nine_six(c.a);
        const fxp_t b = nine_six(c.b);
        fxp_t r = nine_six(0);
        c.op(&r, &a, &b);
        EXPECT_EQ(r.value, c.result) << c.a << " " << c.name << " " << c.b;
        EXPECT_EQ(r.wl, 15);
        EXPECT_EQ(r.point, 16);
    }
    fxp_t r = nine_six(0);
    const fxp_t ten = nine_six(10);
    const fxp_t three = nine_six(3);
    fxp_div(&r, &ten, &three);
    EXPECT_EQ(fxp_to_int32(&r), 3);
}

TEST(Arithmetic, Negation)
{
    const struct {
        fxp_t a, r;
        int32_t result;
    } cases[] = {
        {nine_six(0), nine_six(0), 0},
        {nine_six(10), nine_six(0), -10 * kUnit},
        {nine_six(-256), nine_six(0), 16776192}, // +256 saturates
        {nine_six(1.5), fxp_t{0, 8, 4, 8, FXP_OVF_SAT, FXP_Q_TRUNC}, -384},
        {nine_six(-256), fxp_t{0, 15, 9, 16, FXP_OVF_WRAP, FXP_Q_TRUNC}, -256 * kUnit},
    };
    for (const auto& c : cases) {
        fxp_t r = c.r;
        fxp_neg(&r, &c.a);
        EXPECT_EQ(r.value, c.result) << describe(c.a) << " into " << describe(c.r);
    }
}

TEST(Arithmetic, MixedOperandFormats)
{
    // 1.5 with six fraction bits plus 0.25 with four.
    const fxp_t a{static_cast<int32_t>(1.5 * 1024), 15, 9, 10, FXP_OVF_SAT, FXP_Q_TRUNC};
    const fxp_t b{static_cast<int32_t>(0.25 * 256), 12, 8, 8, FXP_OVF_SAT, FXP_Q_TRUNC};
    fxp_t r = nine_six(0);
    fxp_add(&r, &a, &b);
    EXPECT_EQ(r.value, static_cast<int32_t>(1.75 * kUnit));
    fxp_sub(&r, &a, &b);
    EXPECT_EQ(r.value, static_cast<int32_t>(1.25 * kUnit));
    fxp_mul(&r, &a, &b);
    EXPECT_EQ(r.value, static_cast<int32_t>(0.375 * kUnit));
    // The quotient lands at r's point whatever the operand formats.
    fxp_div(&r, &a, &b);
    EXPECT_EQ(r.value, 6 * kUnit);
    fxp_div(&r, &b, &a);
    EXPECT_EQ(r.value, 10240); // 1/6 = 0.166..., truncated to 0.15625
}

// A result record may be one of its operands.
TEST(Arithmetic, ResultMayAliasAnOperand)
{
    fxp_t a = nine_six(6);
    fxp_mul(&a, &a, &a);
    EXPECT_EQ(a.value, 36 * kUnit);
    fxp_sub(&a, &a, &a);
    EXPECT_EQ(a.value, 0);
    fxp_t b = nine_six(-5);
    fxp_neg(&b, &b);
    EXPECT_EQ(b.value, 5 * kUnit);
    const fxp_t two = nine_six(2);
    fxp_div(&b, &b, &two);
    EXPECT_EQ(b.value, static_cast<int32_t>(2.5 * kUnit));
}

TEST(Arithmetic, DivisionByZeroLeavesTheResultUntouched)
{
    const fxp_t seven = nine_six(7);
    // A zero container, and a nonzero container whose raw field is zero
    // (only guard bits set).
    const fxp_t zeros[] = {nine_six(0), fxp_t{1023, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC}};
    for (const fxp_t& zero : zeros) {
        fxp_t r{4242, 8, 4, 12, 2, 6};
        testing::internal::CaptureStderr();
        fxp_div(&r, &seven, &zero);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "fxp_div: Division by zero.\n");
        EXPECT_EQ(r.value, 4242);
        EXPECT_EQ(r.wl, 8);
        EXPECT_EQ(r.iwl, 4);
        EXPECT_EQ(r.point, 12);
        EXPECT_EQ(r.ovf_mode, 2);
        EXPECT_EQ(r.q_mode, 6);
    }
}

// Saturation sees the true result even where it leaves 32 bits: 200 x 200
// with fifteen fraction bits is a product of 2^45 scale, and 32-bit
// intermediates would hand a wrapped, wrong value to the saturation.
TEST(Arithmetic, SaturationSeesResultsBeyondThirtyTwoBits)
{
    const fxp_t fine{200 << 16, 24, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC}; // F 15, G 1
    fxp_t r = fine;
    fxp_mul(&r, &fine, &fine);
    EXPECT_EQ(r.value, (256 << 16) - 2) << "largest value of the format";
    const fxp_t minus = {-(200 << 16), 24, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    fxp_mul(&r, &minus, &fine);
    EXPECT_EQ(r.value, -(256 << 16));

    // Sum of two near-limit raw fields in the full-width format.
    const fxp_t big{INT32_MAX, 32, 32, 0, FXP_OVF_SAT, FXP_Q_TRUNC};
    const fxp_t small{INT32_MIN, 32, 32, 0, FXP_OVF_SAT, FXP_Q_TRUNC};
    r = big;
    fxp_add(&r, &big, &big);
    EXPECT_EQ(r.value, INT32_MAX);
    fxp_sub(&r, &small, &big);
    EXPECT_EQ(r.value, INT32_MIN);
    fxp_neg(&r, &small);
    EXPECT_EQ(r.value, INT32_MAX);

    // Quotients by 2^-31 in a format of 31 fraction bits need 63 bits.
    const fxp_t minus_one{INT32_MIN, 32, 1, 31, FXP_OVF_SAT, FXP_Q_TRUNC};
    const fxp_t half{1 << 30, 32, 1, 31, FXP_OVF_SAT, FXP_Q_TRUNC};
    const fxp_t tiny{1, 32, 1, 31, FXP_OVF_SAT, FXP_Q_TRUNC};
    r = tiny;
    fxp_div(&r, &minus_one, &tiny);
    EXPECT_EQ(r.value, INT32_MIN);
    fxp_div(&r, &half, &tiny);
    EXPECT_EQ(r.value, INT32_MAX);

    // Without overflow handling the container keeps the low 32 bits.
    fxp_t plain = big;
    plain.ovf_mode = 2;
    fxp_add(&plain, &big, &big);
    EXPECT_EQ(plain.value, -2);
}

struct Operation {
    const char* name;
    std::function<void(fxp_t*, const fxp_t*, const fxp_t*)> run;
    // The exact value at r's point, or nothing for a refused division.
    std::function<bool(const fxp_t&, const fxp_t&, const fxp_t&, cpp_int&)> model;
};

bool exact_sum(const fxp_t& a, const fxp_t& b, const fxp_t& r, cpp_int& v, int sign)
{
    const cpp_int num = raw_of(a) * pow2(fraction_of(b)) + sign * raw_of(b) * pow2(fraction_of(a));
    v = at_point_floor(Rational{num, pow2(fraction_of(a) + fraction_of(b))}, r);
    return true;
}

const Operation kOperations[] = {
    {"add", fxp_add,
     [](const fxp_t& a, const fxp_t& b, const fxp_t& r, cpp_int& v) {
         return exact_sum(a, b, r, v, 1);
     }},
    {"sub", fxp_sub,
     [](const fxp_t& a, const fxp_t& b, const fxp_t& r, cpp_int& v) {
         return exact_sum(a, b, r, v, -1);
     }},
    {"mul", fxp_mul,
     [](const fxp_t& a, const fxp_t& b, const fxp_t& r, cpp_int& v) {
         v = at_point_floor(Rational{raw_of(a) * raw_of(b), pow2(fraction_of(a) + fraction_of(b))},
                            r);
         return true;
     }},
    {"div", fxp_div,
     [](const fxp_t& a, const fxp_t& b, const fxp_t& r, cpp_int& v) {
         if (b.value == 0 || raw_of(b) == 0)
             return false;
         // (Ra / 2^Fa) / (Rb / 2^Fb) * 2^point, truncated toward zero.
         v = raw_of(a) * pow2(fraction_of(b) + r.point) / (raw_of(b) * pow2(fraction_of(a)));
         return true;
     }},
    {"neg", [](fxp_t* r, const fxp_t* a, const fxp_t*) { fxp_neg(r, a); },
     [](const fxp_t& a, const fxp_t&, const fxp_t& r, cpp_int& v) {
         v = at_point_floor(Rational{-raw_of(a), pow2(fraction_of(a))}, r);
         return true;
     }},
};

// Differential test over random well-formed and mixed formats, against exact
// big-integer results normalised by the model.
TEST(Arithmetic, MatchesTheExactModel)
{
    std::mt19937 rng(4711);
    for (const Operation& op : kOperations) {
        for (int i = 0; i < rounds(6000); ++i) {
            fxp_t a = random_format(rng);
            fxp_t b = (i % 3 == 0) ? a : random_format(rng);
            fxp_t r = (i % 3 == 0) ? a : random_format(rng);
            a.value = random_value(rng, a);
            b.value = random_value(rng, b);
            r.value = random_value(rng, r);
            const fxp_t r_before = r;
            cpp_int exact;
            const bool defined = op.model(a, b, r, exact);
            testing::internal::CaptureStderr();
            op.run(&r, &a, &b);
            const std::string messages = testing::internal::GetCapturedStderr();
            const int32_t expected = defined ? normalize_model(exact, r) : r_before.value;
            ASSERT_EQ(r.value, expected) << op.name << " a " << describe(a) << " b " << describe(b)
                                         << " r " << describe(r_before);
            ASSERT_EQ(messages, defined ? "" : "fxp_div: Division by zero.\n");
        }
    }
}

} // namespace
