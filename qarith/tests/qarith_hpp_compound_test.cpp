// The compound assignments of qarith.hpp work in place on their left
// operand; they must give what the binary operators give, also when the
// right operand is the left one, and a refused division must leave the
// left operand as it was.
#include "qarith.hpp"

#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>

namespace
{

using fsmdkit::fixed;
using fsmdkit::fixed_format;
using namespace qarith_test;

struct Compound {
    const char* name;
    std::function<fixed(const fixed&, const fixed&)> binary;
    std::function<void(fixed&, const fixed&)> in_place;
};

const Compound kCompounds[] = {
    {"+", [](auto& a, auto& b) { return a + b; }, [](auto& r, auto& b) { r += b; }},
    {"-", [](auto& a, auto& b) { return a - b; }, [](auto& r, auto& b) { r -= b; }},
    {"*", [](auto& a, auto& b) { return a * b; }, [](auto& r, auto& b) { r *= b; }},
    {"/", [](auto& a, auto& b) { return a / b; }, [](auto& r, auto& b) { r /= b; }},
};

void expect_same_record(const fixed& x, const fixed& y, const char* what)
{
    EXPECT_EQ(x.container(), y.container()) << what;
    EXPECT_TRUE(x.format() == y.format()) << what;
}

TEST(FixedCompound, InPlaceEqualsTheBinaryOperator)
{
    std::mt19937 rng(1208);
    for (const Compound& op : kCompounds) {
        for (int i = 0; i < rounds(3000); ++i) {
            fxp_t fa = random_format(rng), fb = random_format(rng);
            fa.value = random_value(rng, fa);
            fb.value = random_value(rng, fb);
            const fixed a = fixed::from_c(fa), b = fixed::from_c(fb);
            if (op.name[0] == '/' && b.raw() == 0)
                continue;
            fixed r = a;
            op.in_place(r, b);
            expect_same_record(r, op.binary(a, b), op.name);
            if (a.raw() == 0 && op.name[0] == '/')
                continue;
            // The right operand is the left one.
            fixed s = a;
            op.in_place(s, s);
            expect_same_record(s, op.binary(a, a), op.name);
        }
    }
}

TEST(FixedCompound, DivisionByZeroLeavesTheLeftOperand)
{
    const fixed_format format = fixed_format::make(9, 6, 10);
    fixed r(2.5, format);
    const fixed zero(format);
    // Only guard bits set: the raw field is zero as well.
    const fixed guard_only = fixed::from_c(fxp_t{1023, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC});
    for (const fixed& divisor : {zero, guard_only}) {
        EXPECT_THROW(r /= divisor, std::domain_error);
        EXPECT_EQ(r.container(), static_cast<int32_t>(2.5 * 65536));
    }
    fixed z(format);
    EXPECT_THROW(z /= z, std::domain_error);
}

// The library entry point behind operator/ tells a zero divisor (container
// or raw field zero) apart by a result no container can have, and reports
// nothing: the operator throws instead, as it always did.
TEST(FixedCompound, ValueEntryPointRefusesAZeroDivisorSilently)
{
    const fxp_t a{int32_t(2.5 * 65536), 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    for (const fxp_t& divisor : {fxp_t{0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC},
                                 fxp_t{1023, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC}}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(qarith_div_value(&a, &divisor), INT64_MIN);
        EXPECT_THROW(fixed::from_c(a) / fixed::from_c(divisor), std::domain_error);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    const fxp_t two{2 << 16, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
    EXPECT_EQ(qarith_div_value(&a, &two), int32_t(1.25 * 65536));
}

} // namespace
