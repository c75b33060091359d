// The C++ value type of qarith.hpp against the exact big-integer model of the
// C library's tests: operator results and their format, conversions from and
// to double and text, exact comparison across formats, and the errors that
// replace silent results.
#include "qarith.hpp"

#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace {

using fsmdkit::fixed;
using fsmdkit::fixed_format;
using fsmdkit::overflow_mode;
using fsmdkit::quantization_mode;
using namespace qarith_test;

fixed random_fixed(std::mt19937 &rng)
{
    fxp_t r = random_format(rng);
    r.value = random_value(rng, r);
    return fixed::from_c(r);
}

struct operator_case {
    const char *name;
    std::function<fixed(const fixed &, const fixed &)> under_test;
    // The exact value at r's point (r is a's format).
    std::function<cpp_int(const fxp_t &, const fxp_t &)> model;
};

cpp_int exact_sum(const fxp_t &a, const fxp_t &b, int sign)
{
    const cpp_int num = raw_of(a) * pow2(fraction_of(b)) + sign * raw_of(b) * pow2(fraction_of(a));
    return at_point_floor(Rational{num, pow2(fraction_of(a) + fraction_of(b))}, a);
}

const operator_case operator_cases[] = {
    {"+", [](auto &a, auto &b) { return a + b; }, [](auto &a, auto &b) { return exact_sum(a, b, 1); }},
    {"-", [](auto &a, auto &b) { return a - b; }, [](auto &a, auto &b) { return exact_sum(a, b, -1); }},
    {"*", [](auto &a, auto &b) { return a * b; },
     [](auto &a, auto &b) {
         return at_point_floor(Rational{raw_of(a) * raw_of(b), pow2(fraction_of(a) + fraction_of(b))}, a);
     }},
    {"/", [](auto &a, auto &b) { return a / b; },
     [](auto &a, auto &b) {
         // Truncated toward zero at the result's point.
         return cpp_int(raw_of(a) * pow2(fraction_of(b) + a.point) / (raw_of(b) * pow2(fraction_of(a))));
     }},
    {"unary -", [](auto &a, auto &) { return -a; },
     [](auto &a, auto &) { return at_point_floor(Rational{-raw_of(a), pow2(fraction_of(a))}, a); }},
};

TEST(FixedRandom, OperatorsGiveTheLeftFormatAndTheExactNormalisedValue)
{
    std::mt19937 rng(2026);
    for (const operator_case &op : operator_cases) {
        for (int i = 0; i < rounds(4000); ++i) {
            const fixed a = random_fixed(rng);
            const fixed b = i % 3 == 0 ? fixed::from_c(fxp_t{random_value(rng, a.c_rec()), a.c_rec().wl, a.c_rec().iwl,
                                                             a.c_rec().point, a.c_rec().ovf_mode, a.c_rec().q_mode})
                                       : random_fixed(rng);
            if (op.name[0] == '/' && b.raw() == 0) {
                ASSERT_THROW(op.under_test(a, b), std::domain_error) << describe(b.c_rec());
                continue;
            }
            const fixed r = op.under_test(a, b);
            const int32_t expected = normalize_model(op.model(a.c_rec(), b.c_rec()), a.c_rec());
            ASSERT_EQ(r.container(), expected)
                << "a " << describe(a.c_rec()) << " " << op.name << " b " << describe(b.c_rec());
            ASSERT_EQ(r.format(), a.format()) << op.name;
            // The compound form is the same operation.
            fixed c = a;
            if (op.name[0] == '+' && op.name[1] == '\0') {
                c += b;
                ASSERT_EQ(c.container(), expected) << describe(a.c_rec()) << " += " << describe(b.c_rec());
            } else if (op.name[0] == '*') {
                c *= b;
                ASSERT_EQ(c.container(), expected) << describe(a.c_rec()) << " *= " << describe(b.c_rec());
            }
        }
    }
}

// The behaviour a hardware engineer checks first, in the format 15/9/16
// with saturation and truncation unless the row says otherwise.
TEST(FixedArithmetic, TypicalFormatCases)
{
    const fixed_format q96 = fixed_format::make(9, 6, 10);
    const fixed_format q96_wrap = fixed_format::make(9, 6, 10, overflow_mode::wrap);
    const fixed_format q42 = fixed_format::make(4, 2, 14);
    struct row {
        fixed got;
        double expected;
        const char *what;
    };
    const row rows[] = {
        {fixed(10, q96) - fixed(3, q96), 7, "10 - 3"},
        {fixed(3, q96) - fixed(10, q96), -7, "3 - 10"},
        {fixed(20, q96) * fixed(20, q96), 255.984375, "20 * 20 saturates"},
        {fixed(-20, q96) * fixed(20, q96), -256, "-20 * 20 saturates"},
        {fixed(20, q96_wrap) * fixed(20, q96_wrap), -112, "20 * 20 wraps (400 - 512)"},
        {fixed(10, q96) / fixed(3, q96), 3.328125, "10 / 3 truncates to 6 fraction bits"},
        {fixed(-10, q96) / fixed(3, q96), -3.34375, "-10 / 3: toward zero at the point, then down to the lsb"},
        {fixed(3, q96) / fixed(2, q96), 1.5, "3 / 2"},
        {fixed(1.5, q96) + fixed(0.25, q42), 1.75, "mixed fraction widths"},
        {fixed(0.25, q42) + fixed(1.5, q96), 1.75, "result in the left format"},
        {fixed(0.75, q42) * fixed(0.5, q96), 0.25, "0.375 truncated to 2 fraction bits"},
        {-fixed(-256, q96), 255.984375, "negating the smallest value saturates"},
        {-fixed(10, q96), -10, "-10"},
        {abs(fixed(-256, q96)), 255.984375, "abs saturates like negation"},
        {abs(fixed(-0.5, q42)), 0.5, "abs of a fraction"},
    };
    for (const row &r : rows)
        EXPECT_EQ(r.got.to_double(), r.expected) << r.what << ": got " << r.got;
    const fixed_format rounding = fixed_format::make(4, 2, 14, overflow_mode::saturate, quantization_mode::round);
    EXPECT_EQ((fixed(0.75, rounding) * fixed(0.5, q96)).to_double(), 0.5) << "0.375 rounds to 0.5";
    EXPECT_EQ((fixed(-0.75, rounding) * fixed(0.5, q96)).to_double(), -0.25) << "-0.375 rounds to -0.25";
}

TEST(FixedConversion, DoubleMatchesTheCConversionInsideTheRange)
{
    std::mt19937 rng(5);
    for (int i = 0; i < rounds(3000); ++i) {
        fxp_t c = random_format(rng);
        c.value = random_value(rng, c);
        const fixed_format f{c.wl, c.iwl, c.point, overflow_mode(c.ovf_mode), quantization_mode(c.q_mode)};
        // A double within the format's range, with bits below its lsb.
        const double limit = std::ldexp(1.0, c.iwl - 1);
        const double d = std::uniform_real_distribution<double>(-limit, limit)(rng);
        if (std::fabs(d) >= 2147483647.0)
            continue; // beyond the C conversion's integer part
        const fixed x(d, f);
        fxp_t expect = c;
        double_to_fxp(d, &expect);
        fxp_overflow(&expect); // brings -limit + tiny and similar edge words into range
        ASSERT_EQ(x.container(), expect.value) << "d = " << d << " " << describe(c);
        // Cut toward zero: the result lies between zero and d, within one lsb.
        const double lsb = std::ldexp(1.0, -f.fwl());
        ASSERT_LE(std::fabs(x.to_double()), std::fabs(d)) << d << " " << describe(c);
        ASSERT_LT(std::fabs(d - x.to_double()), lsb) << d << " " << describe(c);
    }
}

TEST(FixedConversion, TextRoundTripsAndDecimalIsExact)
{
    std::mt19937 rng(8);
    for (int i = 0; i < rounds(3000); ++i) {
        const fixed x = random_fixed(rng);
        const fixed_format f = x.format();
        if (raw_of(x.c_rec()) < f.min_raw() || raw_of(x.c_rec()) > f.max_raw())
            continue; // a container outside its format has no text form of it
        const std::string decimal = x.to_string();
        const fixed back = fixed::parse(decimal, f);
        ASSERT_EQ(back.raw(), x.raw()) << decimal << " " << describe(x.c_rec());
        ASSERT_EQ(fixed::from_bits(x.to_bits(), f).raw(), x.raw()) << x.to_bits() << " " << describe(x.c_rec());
        // The decimal text is the exact value: raw * 10^F / 2^F as digits.
        const cpp_int scaled = cpp_int(x.raw()) * boost::multiprecision::pow(cpp_int(5), f.fwl());
        std::string digits = (scaled < 0 ? cpp_int(-scaled) : scaled).str();
        if (int(digits.size()) <= f.fwl())
            digits.insert(0, std::size_t(f.fwl() + 1 - int(digits.size())), '0');
        digits.insert(digits.size() - std::size_t(f.fwl()), ".");
        while (digits.back() == '0')
            digits.pop_back();
        if (digits.back() == '.')
            digits.pop_back();
        ASSERT_EQ(decimal, (scaled < 0 ? "-" : "") + digits) << describe(x.c_rec());
    }
}

TEST(FixedConversion, DecimalTextIsCutTowardZero)
{
    std::mt19937 rng(13);
    for (int i = 0; i < rounds(3000); ++i) {
        fxp_t c = random_format(rng);
        const fixed_format f{c.wl, c.iwl, c.point, overflow_mode::saturate, quantization_mode(c.q_mode)};
        const long long whole = std::uniform_int_distribution<long long>(0, (1LL << (c.iwl - 1)) - 1)(rng);
        const int places = std::uniform_int_distribution<int>(0, 6)(rng);
        std::string text = (rng() % 2 ? "-" : "") + std::to_string(whole);
        cpp_int num = whole, den = 1;
        if (places > 0)
            text += '.';
        for (int k = 0; k < places; ++k) {
            const int digit = int(rng() % 10);
            text += char('0' + digit);
            num = num * 10 + digit;
            den *= 10;
        }
        cpp_int raw = num * pow2(f.fwl()) / den; // magnitude cut toward zero
        if (text[0] == '-')
            raw = -raw;
        if (raw < f.min_raw())
            raw = f.min_raw();
        if (raw > f.max_raw())
            raw = f.max_raw();
        ASSERT_EQ(fixed::parse(text, f).raw(), static_cast<int32_t>(raw)) << text << " " << describe(c);
    }
}

TEST(FixedConversion, OutOfRangeValuesFollowTheOverflowMode)
{
    const fixed_format sat = fixed_format::make(9, 6, 10);
    const fixed_format wrap = fixed_format::make(9, 6, 10, overflow_mode::wrap);
    const fixed_format none = fixed_format::make(9, 6, 10, overflow_mode::none);
    EXPECT_EQ(fixed(300.0, sat).to_double(), 255.984375);
    EXPECT_EQ(fixed(-300.0, sat).to_double(), -256.0);
    EXPECT_EQ(fixed(300.0, wrap).to_double(), -212.0);
    EXPECT_EQ(fixed(600.0, wrap).to_double(), 88.0);
    EXPECT_EQ(fixed::parse("300.5", wrap).to_double(), -211.5);
    EXPECT_EQ(fixed(255.984375, none).to_double(), 255.984375);
    EXPECT_THROW(fixed(256.0, none), std::range_error);
    EXPECT_THROW(fixed::parse("-256.02", none), std::range_error);
    EXPECT_THROW(fixed::from_raw(1 << 14, none), std::range_error);
    EXPECT_THROW(fixed(1e300, sat), std::range_error);
    EXPECT_THROW(fixed::parse("99999999999999999999", sat), std::range_error);
    EXPECT_EQ(fixed::parse("1234567890123", sat).to_double(), 255.984375);

    // What the C conversions get wrong for negative values, done right.
    EXPECT_EQ(fixed(-2.5, fixed_format::make(4, 4, 12)).to_double(), -2.5);
    EXPECT_EQ(fixed(-2.5, fixed_format::make(4, 4, 12)).to_int(), -3);
    EXPECT_EQ(fixed::from_bits("110000001.000011", sat).to_double(), -126.953125);
    EXPECT_EQ(fixed::from_bits("000001101.110101", sat).to_string(), "13.828125");
    EXPECT_EQ(fixed(6.125, sat).to_bits(), "000000110.001000");
    EXPECT_EQ(fixed(-0.5, sat).to_string(), "-0.5");
    EXPECT_EQ(fixed(7, fixed_format::make(4, 0, 16)).to_bits(), "0111.");

    std::ostringstream os;
    os << fixed(-3.328125, sat);
    EXPECT_EQ(os.str(), "-3.328125");
}

TEST(FixedComparison, ExactAcrossFormats)
{
    std::mt19937 rng(21);
    for (int i = 0; i < rounds(3000); ++i) {
        const fixed a = random_fixed(rng), b = random_fixed(rng);
        const cpp_int x = raw_of(a.c_rec()) * pow2(fraction_of(b.c_rec()));
        const cpp_int y = raw_of(b.c_rec()) * pow2(fraction_of(a.c_rec()));
        ASSERT_EQ(a < b, x < y) << describe(a.c_rec()) << " " << describe(b.c_rec());
        ASSERT_EQ(a == b, x == y) << describe(a.c_rec()) << " " << describe(b.c_rec());
        ASSERT_EQ(a >= b, x >= y) << describe(a.c_rec()) << " " << describe(b.c_rec());
    }
    EXPECT_EQ(fixed(1.5, fixed_format::make(9, 6, 10)), fixed(1.5, fixed_format::make(2, 1, 0)));
    EXPECT_NE(fixed(1.5, fixed_format::make(9, 6, 10)).format(), fixed(1.5, fixed_format::make(2, 1, 0)).format());
}

TEST(FixedErrors, BadInputThrows)
{
    const fixed_format bad[] = {
        {15, 9, 5},          // fewer point bits than fraction bits
        {15, 9, 24},         // top bit beyond the container
        {8, 0, 8},           // no sign bit
        {4, 9, 16},          // more integer bits than bits
        {40, 20, 20},        // beyond 32 bits
    };
    for (const fixed_format &f : bad) {
        EXPECT_THROW(fixed{f}, std::invalid_argument) << f.wl << "/" << f.iwl << "/" << f.point;
        EXPECT_THROW(fixed::from_c(fxp_t{0, f.wl, f.iwl, f.point, 1, 0}), std::invalid_argument) << f.wl;
    }
    const fixed_format f = fixed_format::make(9, 6, 10);
    EXPECT_THROW(fixed(std::nan(""), f), std::invalid_argument);
    EXPECT_THROW(fixed(INFINITY, f), std::invalid_argument);
    for (const char *text : {"", "-", ".", "1.2.3", "+1", "1e3", "12a", " 1"})
        EXPECT_THROW(fixed::parse(text, f), std::invalid_argument) << '"' << text << '"';
    for (const char *text : {"000000110.00100", "000000110,001000", "000000120.001000", "0000001100010000", ""})
        EXPECT_THROW(fixed::from_bits(text, f), std::invalid_argument) << '"' << text << '"';
    EXPECT_THROW(fixed(1, f) / fixed(0, f), std::domain_error);
    EXPECT_THROW(fixed(1, f) / fixed(0.001, f), std::domain_error) << "a divisor that is zero in its format";
    fixed x(5, f);
    EXPECT_THROW(x /= fixed(0, f), std::domain_error);
    EXPECT_EQ(x.to_double(), 5) << "a failed division leaves the value";
}

} // namespace
