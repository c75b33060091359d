// The C++ value type of qarith.hpp against the exact big-integer model of the
// C library's tests: operator results and their format, conversions from and
// to double and text, exact comparison across formats, and the errors that
// replace silent results.
#include "qarith.hpp"

#include "exact_model.hpp"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace
{

using fsmdkit::fixed;
using fsmdkit::fixed_format;
using fsmdkit::overflow_mode;
using fsmdkit::quantization_mode;
using namespace qarith_test;

fixed random_fixed(std::mt19937& rng)
{
    fxp_t r = random_format(rng);
    r.value = random_value(rng, r);
    return fixed::from_c(r);
}

struct operator_case {
    const char* name;
    std::function<fixed(const fixed&, const fixed&)> under_test;
    // The exact value at r's point (r is a's format).
    std::function<cpp_int(const fxp_t&, const fxp_t&)> model;
};

cpp_int exact_sum(const fxp_t& a, const fxp_t& b, int sign)
{
    const cpp_int num = raw_of(a) * pow2(fraction_of(b)) + sign * raw_of(b) * pow2(fraction_of(a));
    return at_point_floor(Rational{num, pow2(fraction_of(a) + fraction_of(b))}, a);
}

const operator_case operator_cases[] = {
    {"+", [](auto& a, auto& b) { return a + b; },
     [](auto& a, auto& b) { return exact_sum(a, b, 1); }},
    {"-", [](auto& a, auto& b) { return a - b; },
     [](auto& a, auto& b) { return exact_sum(a, b, -1); }},
    {"*", [](auto& a, auto& b) { return a * b; },
     [](auto& a, auto& b) {
         return at_point_floor(
             Rational{raw_of(a) * raw_of(b), pow2(fraction_of(a) + fraction_of(b))}, a);
     }},
    {"/", [](auto& a, auto& b) { return a / b; },
     [](auto& a, auto& b) {
         // Truncated toward zero at the result's point.
         return cpp_int(raw_of(a) * pow2(fraction_of(b) + a.point) /
                        (raw_of(b) * pow2(fraction_of(a))));
     }},
    {"unary -", [](auto& a, auto&) { return -a; },
     [](auto& a, auto&) {
         return at_point_floor(Rational{-raw_of(a), pow2(fraction_of(a))}, a);
     }},
};

TEST(FixedRandom, OperatorsGiveTheLeftFormatAndTheExactNormalisedValue)
{
    std::mt19937 rng(2026);
    for (const operator_case& op : operator_cases) {
        for (int i = 0; i < rounds(4000); ++i) {
            const fixed a = random_fixed(rng);
            const fixed b =
                i % 3 == 0
                    ? fixed::from_c(fxp_t{random_value(rng, a.c_rec()), a.c_rec().wl, a.c_rec().iwl,
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
                ASSERT_EQ(c.container(), expected)
                    << describe(a.c_rec()) << " += " << describe(b.c_rec());
            } else if (op.name[0] == '*') {
                c *= b;
                ASSERT_EQ(c.container(), expected)
                    << describe(a.c_rec()) << " *= " << describe(b.c_rec());
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
        const char* what;
    };
    const row rows[] = {
        {fixed(10, q96) - fixed(3, q96), 7, "10 - 3"},
        {fixed(3, q96) - fixed(10, q96), -7, "3 - 10"},
        {fixed(20, q96) * fixed(20, q96), 255.984375, "20 * 20 saturates"},
        {fixed(-20, q96) * fixed(20, q96), -256, "-20 * 20 saturates"},
        {fixed(20, q96_wrap) * fixed(20, q96_wrap), -112, "20 * 20 wraps (400 - 512)"},
        {fixed(10, q96) / fixed(3, q96), 3.328125, "10 / 3 truncates to 6 fraction bits"},
        {fixed(-10, q96) / fixed(3, q96), -3.34375,
         "-10 / 3: toward zero at the point, then down to the lsb"},
        {fixed(3, q96) / fixed(2, q96), 1.5, "3 / 2"},
        {fixed(1.5, q96) + fixed(0.25, q42), 1.75, "mixed fraction widths"},
        {fixed(0.25, q42) + fixed(1.5, q96), 1.75, "result in the left format"},
        {fixed(0.75, q42) * fixed(0.5, q96), 0.25, "0.375 truncated to 2 fraction bits"},
        {-fixed(-256, q96), 255.984375, "negating the smallest value saturates"},
        {-fixed(10, q96), -10, "-10"},
        {abs(fixed(-256, q96)), 255.984375, "abs saturates like negation"},
        {abs(fixed(-0.5, q42)), 0.5, "abs of a fraction"},
    };
    for (const row& r : rows)
        EXPECT_EQ(r.got.to_double(), r.expected) << r.what << ": got " << r.got;
    const fixed_format rounding =
        fixed_format::make(4, 2, 14, overflow_mode::saturate, quantization_mode::round);
    EXPECT_EQ((fixed(0.75, rounding) * fixed(0.5, q96)).to_double(), 0.5) << "0.375 rounds to 0.5";
    EXPECT_EQ((fixed(-0.75, rounding) * fixed(0.5, q96)).to_double(), -0.25)
        << "-0.375 rounds to -0.25";

    // Rounding acts on the guard bits the result is placed into; without
    // any, the cut at the binary point is all there is, as in the C calls.
    const fixed_format round_no_guard =
        fixed_format::make(4, 2, 0, overflow_mode::saturate, quantization_mode::round);
    const fixed_format int8_round =
        fixed_format::make(8, 0, 0, overflow_mode::saturate, quantization_mode::round);
    const fixed half(0.5, fixed_format::make(8, 1, 0));
    const row no_guard_rows[] = {
        {fixed(0.75, round_no_guard) * fixed(0.5, round_no_guard), 0.25,
         "4.2, no guard bits: 0.375 is cut"},
        {fixed(1, int8_round) + half, 1, "8.0 with rounding: 1 + 0.5 is cut to 1"},
        {fixed(1, int8_round) * half, 0, "8.0 with rounding: 1 * 0.5 is cut to 0"},
        {fixed(-1, int8_round) * half, -1, "8.0 with rounding: -1 * 0.5 is cut to -1"},
    };
    for (const row& r : no_guard_rows)
        EXPECT_EQ(r.got.to_double(), r.expected) << r.what << ": got " << r.got;
}

// Every operator gives the container the C function computes, bit for bit,
// guard bits and all, for any formats and modes.
TEST(FixedRandom, OperatorsAreTheCFunctions)
{
    std::mt19937 rng(77);
    using c_binary = void (*)(fxp_t*, const fxp_t*, const fxp_t*);
    const struct {
        const char* name;
        std::function<fixed(const fixed&, const fixed&)> op;
        c_binary c_call;
    } cases[] = {
        {"+", [](auto& a, auto& b) { return a + b; }, fxp_add},
        {"-", [](auto& a, auto& b) { return a - b; }, fxp_sub},
        {"*", [](auto& a, auto& b) { return a * b; }, fxp_mul},
        {"/", [](auto& a, auto& b) { return a / b; }, fxp_div},
        {"unary -", [](auto& a, auto&) { return -a; },
         [](fxp_t* r, const fxp_t* a, const fxp_t*) { fxp_neg(r, a); }},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < rounds(3000); ++i) {
            const fixed a = random_fixed(rng), b = random_fixed(rng);
            if (c.name[0] == '/' && b.raw() == 0)
                continue;
            fxp_t r = a.c_rec();
            r.value = int32_t(rng()); // every result bit must be written
            c.c_call(&r, &a.c_rec(), &b.c_rec());
            ASSERT_EQ(c.op(a, b).container(), r.value)
                << describe(a.c_rec()) << " " << c.name << " " << describe(b.c_rec());
        }
    }
}

TEST(FixedConversion, DoubleMatchesTheCConversionInsideTheRange)
{
    std::mt19937 rng(5);
    for (int i = 0; i < rounds(3000); ++i) {
        fxp_t c = random_format(rng);
        c.value = random_value(rng, c);
        const fixed_format f{c.wl, c.iwl, c.point, overflow_mode(c.ovf_mode),
                             quantization_mode(c.q_mode)};
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
        ASSERT_EQ(fixed::from_bits(x.to_bits(), f).raw(), x.raw())
            << x.to_bits() << " " << describe(x.c_rec());
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
        const fixed_format f{c.wl, c.iwl, c.point, overflow_mode::saturate,
                             quantization_mode(c.q_mode)};
        const long long whole =
            std::uniform_int_distribution<long long>(0, (1LL << (c.iwl - 1)) - 1)(rng);
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
        ASSERT_EQ(fixed::parse(text, f).raw(), static_cast<int32_t>(raw))
            << text << " " << describe(c);
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
    EXPECT_EQ(fixed(1e300, sat).to_double(), 255.984375);
    EXPECT_EQ(fixed::parse("99999999999999999999", sat).to_double(), 255.984375);
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

// The raw field a conversion into f must give for the exact raw value: kept
// when it is in range, else saturated or wrapped by f's overflow mode;
// nothing (std::range_error) when the mode does neither.
std::optional<cpp_int> ranged_raw(const cpp_int& raw, const fixed_format& f)
{
    const cpp_int lo = f.min_raw(), hi = f.max_raw();
    if (raw >= lo && raw <= hi)
        return raw;
    switch (f.overflow) {
    case overflow_mode::saturate:
        return raw < lo ? lo : hi;
    case overflow_mode::wrap: {
        const cpp_int span = pow2(f.wl);
        return raw - lo - floor_div(raw - lo, span) * span + lo;
    }
    default:
        return std::nullopt;
    }
}

fixed_format random_fixed_format(std::mt19937& rng, overflow_mode o)
{
    const fxp_t c = random_format(rng);
    return fixed_format{c.wl, c.iwl, c.point, o, quantization_mode(c.q_mode)};
}

constexpr overflow_mode all_overflow_modes[] = {overflow_mode::saturate, overflow_mode::wrap,
                                                overflow_mode::none};

// Checks one conversion against the model; `what` says what was converted.
void expect_conversion(const std::function<fixed()>& convert, const cpp_int& exact_raw,
                       const fixed_format& f, const std::string& what)
{
    const std::optional<cpp_int> expected = ranged_raw(exact_raw, f);
    if (!expected) {
        EXPECT_THROW(convert(), std::range_error) << what;
        return;
    }
    const fixed x = convert();
    EXPECT_EQ(cpp_int(x.raw()), *expected) << what;
    EXPECT_EQ(x.container(), static_cast<int32_t>(*expected * pow2(f.guard_bits())))
        << what << ": guard bits";
    EXPECT_EQ(x.format(), f) << what;
}

// Integer parts of any length, up to far beyond 64 bits: the text's exact
// value cut toward zero, then the overflow mode, never a wrapped
// intermediate.
TEST(FixedConversion, LongDecimalTextFollowsTheOverflowMode)
{
    const struct {
        const char* text;
        fixed_format format;
        double expected; // NaN: std::range_error
    } rows[] = {
        {"12345678901234567890", fixed_format::make(32, 0, 0), 2147483647.0},
        {"-12345678901234567890", fixed_format::make(32, 0, 0), -2147483648.0},
        {"18446744073709551617", fixed_format::make(23, 1, 0), 4194303.5},
        {"9223372036854775808.75", fixed_format::make(31, 1, 0), 1073741823.5},
        {"-9223372036854775808", fixed_format::make(32, 0, 0), -2147483648.0},
        {"-9223372036854775808", fixed_format::make(32, 0, 0, overflow_mode::wrap), 0.0},
        {"18446744073709551617", fixed_format::make(32, 0, 0, overflow_mode::wrap), 1.0},
        {"18446744073709551615", fixed_format::make(32, 0, 0, overflow_mode::none), std::nan("")},
        {"-9223372036854775808", fixed_format::make(32, 0, 0, overflow_mode::none), std::nan("")},
        {"4294967296", fixed_format::make(2, 30, 0, overflow_mode::none), std::nan("")},
    };
    for (const auto& r : rows) {
        if (std::isnan(r.expected))
            EXPECT_THROW(fixed::parse(r.text, r.format), std::range_error) << r.text;
        else
            EXPECT_EQ(fixed::parse(r.text, r.format).to_double(), r.expected) << r.text;
    }

    std::mt19937 rng(31);
    for (int i = 0; i < rounds(3000); ++i) {
        const fixed_format f = random_fixed_format(rng, all_overflow_modes[i % 3]);
        std::string text = rng() % 2 ? "-" : "";
        cpp_int num = 0, den = 1;
        const int whole_digits = std::uniform_int_distribution<int>(1, 45)(rng);
        const int fraction_digits = std::uniform_int_distribution<int>(0, 6)(rng);
        for (int k = 0; k < whole_digits; ++k) {
            const int digit = k == 0 && rng() % 2 ? 9 : int(rng() % 10);
            text += char('0' + digit);
            num = num * 10 + digit;
        }
        if (fraction_digits > 0)
            text += '.';
        for (int k = 0; k < fraction_digits; ++k) {
            const int digit = int(rng() % 10);
            text += char('0' + digit);
            num = num * 10 + digit;
            den *= 10;
        }
        cpp_int raw = num * pow2(f.fwl()) / den;
        if (text[0] == '-')
            raw = -raw;
        expect_conversion([&] { return fixed::parse(text, f); }, raw, f,
                          text + " into " + std::to_string(f.wl) + "/" + std::to_string(f.iwl) +
                              "/" + std::to_string(f.point));
    }
}

// Doubles of any magnitude: cut toward zero, then the overflow mode, even
// where the number of units is far beyond 64 bits.
TEST(FixedConversion, FarOutOfRangeDoublesFollowTheOverflowMode)
{
    const fixed_format q96 = fixed_format::make(9, 6, 10);
    EXPECT_EQ(fixed(1e30, q96).to_double(), 255.984375);
    EXPECT_EQ(fixed(-1e30, q96).to_double(), -256.0);
    EXPECT_EQ(fixed(1e30, fixed_format::make(9, 6, 10, overflow_mode::wrap)).to_double(), 0.0);
    EXPECT_EQ(fixed(std::ldexp(1.0, 64) + std::ldexp(1.0, 20),
                    fixed_format::make(32, 0, 0, overflow_mode::wrap))
                  .to_double(),
              1048576.0);
    EXPECT_THROW(fixed(1e30, fixed_format::make(9, 6, 10, overflow_mode::none)), std::range_error);
    EXPECT_EQ(fixed(-std::numeric_limits<double>::max(), q96).to_double(), -256.0);

    std::mt19937 rng(37);
    for (int i = 0; i < rounds(3000); ++i) {
        const fixed_format f = random_fixed_format(rng, all_overflow_modes[i % 3]);
        // 53 random bits at a random binary exponent: inside the range,
        // near 2^63 units and far beyond.
        const std::int64_t mantissa =
            std::int64_t(rng() >> 11 | std::uint64_t(rng()) << 21 | (std::uint64_t(1) << 52));
        const int exponent = std::uniform_int_distribution<int>(-80, 1000)(rng);
        const double d = std::ldexp(double(mantissa), exponent - 52) * (rng() % 2 ? -1 : 1);
        // |d| * 2^fwl = mantissa * 2^(exponent - 52 + fwl), cut toward zero.
        const int k = exponent - 52 + f.fwl();
        cpp_int raw = k >= 0 ? cpp_int(mantissa) * pow2(k) : cpp_int(mantissa) / pow2(-k);
        if (d < 0)
            raw = -raw;
        std::ostringstream what;
        what.precision(17);
        what << d << " into " << f.wl << "/" << f.iwl << "/" << f.point;
        expect_conversion([&] { return fixed(d, f); }, raw, f, what.str());
    }
}

// to_format: the exact value quantised by the target's mode (nearest with
// ties up for round, toward minus infinity otherwise), then the overflow
// mode.
TEST(FixedConversion, ToFormatQuantisesAndHandlesOverflowByTheTarget)
{
    const fixed_format q44 = fixed_format::make(4, 4, 12);
    const auto q42 = [](quantization_mode q, overflow_mode o = overflow_mode::saturate) {
        return fixed_format::make(4, 2, 0, o, q);
    };
    const struct {
        fixed got;
        double expected;
        const char* what;
    } rows[] = {
        {fixed(0.375, q44).to_format(q42(quantization_mode::round)), 0.5, "0.375 rounds up"},
        {fixed(0.375, q44).to_format(q42(quantization_mode::truncate)), 0.25, "0.375 truncates"},
        {fixed(-0.375, q44).to_format(q42(quantization_mode::round)), -0.25,
         "a tie rounds toward plus infinity"},
        {fixed(-0.375, q44).to_format(q42(quantization_mode::truncate)), -0.5,
         "toward minus infinity"},
        {fixed(-0.3125, q44).to_format(q42(quantization_mode::round)), -0.25,
         "nearest below a tie"},
        {fixed(7.9375, q44).to_format(q42(quantization_mode::round)), 7.75,
         "rounding up past the top saturates"},
        {fixed(7.9375, q44).to_format(q42(quantization_mode::round, overflow_mode::wrap)), -8,
         "or wraps"},
        {fixed(300, fixed_format::make(10, 6, 10))
             .to_format(fixed_format::make(8, 2, 0, overflow_mode::wrap)),
         44, "300 wraps to 44 in 8 integer bits"},
        {fixed(-2.6875, fixed_format::make(9, 6, 10)).to_format(fixed_format::make(9, 6, 10)),
         -2.6875, "same format"},
        {fixed(1.5, fixed_format::make(2, 1, 0)).to_format(fixed_format::make(16, 0, 0)), 1,
         "to an integer format"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.got.to_double(), r.expected) << r.what << ": got " << r.got;
    EXPECT_THROW(fixed(300, fixed_format::make(10, 6, 10))
                     .to_format(fixed_format::make(8, 2, 0, overflow_mode::none)),
                 std::range_error);

    std::mt19937 rng(41);
    for (int i = 0; i < rounds(3000); ++i) {
        const fixed x = random_fixed(rng);
        const fixed_format f = random_fixed_format(rng, all_overflow_modes[i % 3]);
        const int shift = f.fwl() - x.format().fwl();
        cpp_int raw = cpp_int(x.raw());
        if (shift >= 0)
            raw *= pow2(shift);
        else if (f.quantization == quantization_mode::round)
            raw = floor_div(2 * raw + pow2(-shift), pow2(-shift + 1));
        else
            raw = floor_div(raw, pow2(-shift));
        expect_conversion([&] { return x.to_format(f); }, raw, f,
                          describe(x.c_rec()) + " to " + std::to_string(f.wl) + "/" +
                              std::to_string(f.iwl) + "/" + std::to_string(f.point));
    }
}

TEST(FixedValue, DefaultConstructedIsZeroInTheDefaultFormat)
{
    static_assert(std::is_nothrow_default_constructible_v<fixed>);
    std::vector<fixed> v(3);
    const std::array<fixed, 2> a{};
    for (const fixed& x : {v[0], v[2], a[1]}) {
        EXPECT_EQ(x.format(), fixed_format{});
        EXPECT_EQ(x.container(), 0);
        EXPECT_EQ(x.to_string(), "0");
    }
    EXPECT_EQ(fixed().format().wl, 32) << "a 32-bit integer";
    const fixed_format q96 = fixed_format::make(9, 6, 10);
    v[1] = fixed(1.5, q96);
    EXPECT_EQ(v[1].format(), q96) << "assignment brings the value's format";
    EXPECT_EQ((v[1] + v[1]).to_double(), 3.0);
}

// The value is the format's bits; guard bits left by a mode that does not
// quantise are not part of it, as the arithmetic does not read them.
TEST(FixedValue, GuardBitsAreNotPartOfTheValue)
{
    const fixed_format q96 = fixed_format::make(9, 6, 10);
    const fixed with_guard = fixed::from_c(fxp_t{(3 << 16) | 0x3ff, 15, 9, 16, FXP_OVF_SAT, 2});
    EXPECT_EQ(with_guard.container(), (3 << 16) | 0x3ff) << "the container keeps them";
    EXPECT_EQ(with_guard.to_double(), 3.0);
    EXPECT_EQ(with_guard.to_string(), "3");
    EXPECT_EQ(with_guard, fixed(3, q96));
    EXPECT_EQ((with_guard * fixed(2, q96)).to_double(), 6.0);
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
    EXPECT_NE(fixed(1.5, fixed_format::make(9, 6, 10)).format(),
              fixed(1.5, fixed_format::make(2, 1, 0)).format());
}

TEST(FixedErrors, BadInputThrows)
{
    const fixed_format bad[] = {
        {15, 9, 5},      // fewer point bits than fraction bits
        {15, 9, 24},     // top bit beyond the container
        {8, 0, 8},       // no sign bit
        {4, 9, 16},      // more integer bits than bits
        {40, 20, 20},    // beyond 32 bits
        {1, 1, INT_MAX}, // point + iwl beyond int
        {INT_MAX, INT_MAX, 0},
        {INT_MIN, 1, 0},
        {2, 1, INT_MIN},
        fixed_format::make(INT_MAX, 1),          // iwl + fwl beyond int
        fixed_format::make(1, INT_MAX, INT_MAX), // fwl + guard bits beyond int
        fixed_format::make(1, INT_MIN, INT_MIN),
        fixed_format::make(INT_MIN, 0),
    };
    for (const fixed_format& f : bad) {
        EXPECT_THROW(fixed{f}, std::invalid_argument) << f.wl << "/" << f.iwl << "/" << f.point;
        EXPECT_THROW(fixed::from_c(fxp_t{0, f.wl, f.iwl, f.point, 1, 0}), std::invalid_argument)
            << f.wl;
    }
    const fixed_format f = fixed_format::make(9, 6, 10);
    EXPECT_THROW(fixed(std::nan(""), f), std::invalid_argument);
    EXPECT_THROW(fixed(INFINITY, f), std::invalid_argument);
    for (const char* text : {"", "-", ".", "1.2.3", "+1", "1e3", "12a", " 1"})
        EXPECT_THROW(fixed::parse(text, f), std::invalid_argument) << '"' << text << '"';
    for (const char* text :
         {"000000110.00100", "000000110,001000", "000000120.001000", "0000001100010000", ""})
        EXPECT_THROW(fixed::from_bits(text, f), std::invalid_argument) << '"' << text << '"';
    EXPECT_THROW(fixed(1, f) / fixed(0, f), std::domain_error);
    EXPECT_THROW(fixed(1, f) / fixed(0.001, f), std::domain_error)
        << "a divisor that is zero in its format";
    fixed x(5, f);
    EXPECT_THROW(x /= fixed(0, f), std::domain_error);
    EXPECT_EQ(x.to_double(), 5) << "a failed division leaves the value";
}

} // namespace
