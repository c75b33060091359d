// Radix conversion and printing against an independent model: digits by
// repeated division of a cpp_int, and a direct reading of the parse rules.
#include "child.h"
#include "oracle.h"
#include "text_model.h"
#include "thresholds.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace zbig_test;

namespace
{

std::string to_base(big v, unsigned base)
{
    if (v == 0)
        return "0";
    const bool negative = v < 0;
    v = abs(v);
    std::string s;
    while (v != 0) {
        const unsigned d = static_cast<unsigned>(v % base);
        s.insert(s.begin(), static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10));
        v /= base;
    }
    return negative ? "-" + s : s;
}

std::string get_str(const mpz_rec* x, int base)
{
    char* s = mpz_get_str(nullptr, base, x);
    std::string r(s);
    std::free(s);
    return r;
}

// Significant 30-bit digits of |v|.
uint32_t significant_digits_of(big v)
{
    uint32_t n = 0;
    for (v = abs(v); v != 0; v >>= 30)
        ++n;
    return n;
}

// Reads text (which may hold NUL bytes) through mpz_set_str, which stops at
// the first NUL, and through zbig_read_text, which reads all of it, into
// records of the fewest digits and of 70 digits more (longer than the short
// values, shorter than the long ones), and compares with the model: value,
// result, status and stored length (kept, or grown to exactly the value's
// significant digits; untouched when zbig_read_text reports a failure).
::testing::AssertionResult reads_like_model(const std::string& text, int base)
{
    const std::string shown = '"' + text + "\" base " + std::to_string(base);
    const big before = -(big(1) << 200) + 12345;
    for (uint32_t extra : {0u, 70u}) {
        const std::string c_text = text.c_str();
        const text_model::parsed to_nul = text_model::parse(c_text, base);
        const text_model::parsed whole = text_model::parse(text, base);
        rec x(big(7), extra), y(before, extra);
        const uint32_t x_len = x.r.len, y_len = y.r.len;
        if (mpz_set_str(x.p(), c_text.c_str(), base) != to_nul.result)
            return ::testing::AssertionFailure() << shown << ": mpz_set_str result";
        if (value_of(x.p()) != to_nul.value || !well_formed(x.p()))
            return ::testing::AssertionFailure() << shown << ": mpz_set_str value";
        if (x.r.len != std::max(x_len, significant_digits_of(to_nul.value)))
            return ::testing::AssertionFailure()
                   << shown << ": mpz_set_str stored length " << x.r.len << " from " << x_len;
        if (zbig_read_text(y.p(), text.data(), text.size(), base) != whole.read_status)
            return ::testing::AssertionFailure() << shown << ": zbig_read_text status";
        const bool read = whole.read_status == ZBIG_TEXT_OK;
        if (value_of(y.p()) != (read ? whole.value : before) || !well_formed(y.p()))
            return ::testing::AssertionFailure() << shown << ": zbig_read_text value";
        const uint32_t want_len =
            read ? std::max(y_len, significant_digits_of(whole.value)) : y_len;
        if (y.r.len != want_len)
            return ::testing::AssertionFailure()
                   << shown << ": zbig_read_text stored length " << y.r.len << " from " << y_len;
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Text, SizeInBase)
{
    struct {
        big v;
        int base, want;
    } cases[] = {
        {0, 2, 1},
        {0, 36, 1},
        {5, 2, 31},
        {5, 10, 11},
        {-(big(1) << 100), 16, 31},
        {(big(1) << 119), 16, 31},
        {1, 3, 31},
        {1, 32, 7},
        {1, 36, 7},
    };
    for (const auto& c : cases) {
        rec x(c.v);
        EXPECT_EQ(mpz_sizeinbase(x.p(), c.base), c.want) << hex(c.v) << " base " << c.base;
    }
    rec padded(big(5), 6); // high zero digits do not count
    EXPECT_EQ(mpz_sizeinbase(padded.p(), 10), 11);
}

TEST(Text, GetStrEdgeCases)
{
    struct {
        big v;
        int base;
        const char* want;
    } cases[] = {
        {0, 2, "0"},
        {0, 36, "0"},
        {-255, 16, "-ff"},
        {35, 36, "z"},
        {big(1) << 30, 2, "1000000000000000000000000000000"},
        {-1, 10, "-1"},
        {big("123456789012345678901234567890"), 10, "123456789012345678901234567890"},
    };
    for (const auto& c : cases) {
        rec x(c.v, 3);
        EXPECT_EQ(get_str(x.p(), c.base), c.want);
        // Into a caller's buffer of the documented size.
        std::string buf(static_cast<std::size_t>(mpz_sizeinbase(x.p(), c.base)) + 2, '#');
        EXPECT_EQ(mpz_get_str(buf.data(), c.base, x.p()), buf.data());
        EXPECT_STREQ(buf.c_str(), c.want);
    }
}

TEST(Text, SetStrEdgeCases)
{
    struct {
        const char* text;
        int base;
        big want;
        int result;
    } cases[] = {
        {"  -0x1F", 0, -31, 0},   {"0777", 0, 511, 0},     {"09", 0, 0, -1},
        {"12z34", 10, 34, -1},    {"-12z34", 10, -34, -1}, {"+5", 10, 5, -1},
        {"1 000\n", 10, 1000, 0}, {"", 10, 0, 0},          {"-", 10, 0, 0},
        {"Ab", 16, 171, 0},       {"-0", 10, 0, 0},        {"0x", 0, 0, 0},
        {"0X1f", 0, 31, 0},       {"- 0x1F", 0, 0, -1},    {"-\t12 3", 0, -123, 0},
        {"\t\n 7", 10, 7, 0},     {"1\r2", 10, 2, -1},     {"zZ", 36, 35 * 36 + 35, 0},
        {"102", 2, 0, -1},        {"1 0 1", 2, 5, 0},      {"0", 0, 0, 0},
    };
    for (const auto& c : cases) {
        rec x(big(987654321) << 200);
        const uint32_t len = x.r.len;
        EXPECT_EQ(mpz_set_str(x.p(), c.text, c.base), c.result) << '"' << c.text << '"';
        EXPECT_EQ(value_of(x.p()), c.want) << '"' << c.text << '"';
        EXPECT_TRUE(well_formed(x.p()));
        EXPECT_EQ(x.r.len, len) << "keeps its stored length";
    }
    mpz_rec y;
    EXPECT_EQ(mpz_init_set_str(&y, "-123456789012345678901234567890", 10), 0);
    EXPECT_EQ(value_of(&y), big("-123456789012345678901234567890"));
    EXPECT_EQ(y.len, 4u) << "grows to the value's digits";
    mpz_clear(&y);
}

TEST(Text, RandomRoundTripsInEveryBase)
{
    operands gen(4001);
    for (int i = 0; i < 700; ++i) {
        const int base = 2 + i % 35;
        const big v = gen.value(i % 7 == 0 ? 3000 : 200);
        rec x(v, gen.pick(0, 2));
        const std::string want = to_base(v, static_cast<unsigned>(base));
        ASSERT_EQ(get_str(x.p(), base), want) << "base " << base << " value " << hex(v);
        ASSERT_LE(want.size() - (v < 0), static_cast<std::size_t>(mpz_sizeinbase(x.p(), base)));
        // Back, with letters in upper case half the time.
        std::string text = want;
        if (i % 2)
            for (char& c : text)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        rec y;
        ASSERT_EQ(mpz_set_str(y.p(), text.c_str(), base), 0) << text << " base " << base;
        ASSERT_EQ(value_of(y.p()), v) << text << " base " << base;
        ASSERT_TRUE(well_formed(y.p()));
    }
}

// In bases whose largest 32-bit power is below 2^30 (10, 12, 24 and others)
// a chunk of characters takes fewer bits than a digit holds, so values of all
// ones need more chunks than they have digits; the chunk buffer once had room
// for digits + 2 only.
TEST(Text, AllOnesValuesNeedMoreChunksThanDigits)
{
    for (unsigned digits = 1; digits <= 120; ++digits)
        for (unsigned base = 2; base <= 36; ++base) {
            const big v = (big(1) << (30 * digits)) - 1;
            rec x(v, 0);
            ASSERT_EQ(get_str(x.p(), static_cast<int>(base)), to_base(v, base))
                << "base " << base << ", " << digits << " digits of ones";
        }
}

TEST(Text, RandomTextsWithBlanksAndInvalidCharacters)
{
    operands gen(4002);
    const char pool[] = "0123456789abcdefghijklmnopqrstuvwxyzXYZ \t\n-+#x";
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        const unsigned n = gen.pick(0, 40);
        const unsigned base_kind = gen.pick(0, 3);
        const int base = base_kind == 0 ? 0 : static_cast<int>(gen.pick(2, 36));
        if (gen.pick(0, 1))
            text += gen.pick(0, 1) ? "  " : "\t";
        if (gen.pick(0, 1))
            text += '-';
        if (base == 0 && gen.pick(0, 1))
            text += gen.pick(0, 1) ? "0x" : "0";
        for (unsigned k = 0; k < n; ++k) {
            // Mostly digits valid in the base, sometimes anything.
            if (gen.pick(0, 9) == 0)
                text += pool[gen.pick(0, sizeof pool - 2)];
            else
                text += to_base(gen.pick(0, (base == 0 ? 8 : base) - 1), 36);
        }
        const text_model::parsed want = text_model::parse(text, base);
        const big before = gen.value(100);
        rec x(before), y(before);
        const uint32_t len_before = y.p()->len;
        ASSERT_EQ(mpz_set_str(x.p(), text.c_str(), base), want.result)
            << '"' << text << "\" base " << base;
        ASSERT_EQ(value_of(x.p()), want.value) << '"' << text << "\" base " << base;
        ASSERT_TRUE(well_formed(x.p())) << '"' << text << '"';
        // The reporting reader: the same value and stored length, or nothing
        // written at all.
        ASSERT_EQ(zbig_read_text(y.p(), text.data(), text.size(), base), want.read_status)
            << '"' << text << "\" base " << base;
        if (want.read_status == ZBIG_TEXT_OK) {
            ASSERT_EQ(value_of(y.p()), want.value) << '"' << text << "\" base " << base;
            ASSERT_EQ(y.p()->len, x.p()->len) << '"' << text << "\" base " << base;
        } else {
            ASSERT_EQ(value_of(y.p()), before) << '"' << text << "\" base " << base;
            ASSERT_EQ(y.p()->len, len_before);
        }
    }
}

TEST(Text, TextsAroundTheStackBuffer)
{
    // Texts of 512 digit values and fewer convert on the stack, longer ones
    // on the heap: both sides of the switch in the bases of every path
    // (powers of two, chunks of 19 decimal digits, chunks of 12 in base 36),
    // with blanks that the buffers must not count.
    operands gen(4005);
    for (int base : {2, 10, 16, 36}) {
        for (std::size_t n : {511u, 512u, 513u}) {
            std::string text = "-";
            for (std::size_t k = 0; k < n; ++k)
                text += to_base(gen.pick(k == 0 ? 1 : 0, static_cast<uint32_t>(base) - 1), 36);
            const std::string with_blanks = " \t" + text.substr(0, 1) + " " + text.substr(1) + "\n";
            const big want = text_model::parse(text, base).value;
            rec x, y;
            ASSERT_EQ(mpz_set_str(x.p(), with_blanks.c_str(), base), 0)
                << n << " values, base " << base;
            ASSERT_EQ(value_of(x.p()), want) << n << " values, base " << base;
            ASSERT_EQ(get_str(x.p(), base), text) << n << " values, base " << base;
            ASSERT_EQ(zbig_read_text(y.p(), with_blanks.data(), with_blanks.size(), base),
                      ZBIG_TEXT_OK);
            ASSERT_EQ(value_of(y.p()), want) << n << " values, base " << base;
        }
    }
}

// Texts of plain digits up to 512 characters convert straight from the
// characters: eight decimal digits per word step and chunks of 19 into
// 64-bit limbs, bits gathered into limbs for powers of two, chunks of the
// largest 64-bit power otherwise. Every length around those steps, in every
// base, with the highest digit everywhere, leading zeros, or random digits.
TEST(Text, PlainDigitsAtEveryChunkBoundary)
{
    std::vector<std::size_t> lengths;
    for (std::size_t n = 1; n <= 45; ++n)
        lengths.push_back(n);
    for (std::size_t n :
         {56u, 57u, 63u, 64u, 65u, 76u, 77u, 80u, 81u, 127u, 128u, 129u, 511u, 512u, 513u})
        lengths.push_back(n);
    operands gen(4006);
    for (int base = 2; base <= 36; ++base) {
        const std::string top = to_base(base - 1, 36);
        for (std::size_t n : lengths) {
            const bool long_text = n > 100;
            for (int shape = 0; shape < 3; ++shape) {
                if (long_text && shape == 0 && base % 3 != 1)
                    continue; // long texts of the highest digit: a third of the bases
                std::string digits;
                for (std::size_t k = 0; k < n; ++k) {
                    const bool zero = shape == 1 && k < n / 2;
                    digits += shape == 0 ? top
                              : zero     ? "0"
                                         : to_base(gen.pick(0, uint32_t(base) - 1), 36);
                }
                if (shape == 2 && gen.pick(0, 1))
                    for (char& c : digits)
                        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                const std::string sign = gen.pick(0, 1) ? "-" : "";
                const std::string blanks = gen.pick(0, 1) ? " \t\n" : "";
                const std::string end = gen.pick(0, 2) == 0 ? "\n" : "";
                ASSERT_TRUE(reads_like_model(blanks + sign + digits + end, base)) << n << " digits";
                if (base == 16 && !long_text) {
                    ASSERT_TRUE(reads_like_model(sign + "0x" + digits, 0));
                }
                if (base == 8 && !long_text) {
                    ASSERT_TRUE(reads_like_model(sign + "0" + digits, 0));
                }
                if (base == 10 && !long_text && digits[0] != '0') {
                    ASSERT_TRUE(reads_like_model(sign + digits, 0));
                }
            }
        }
    }
}

// Values where a 30-bit digit, a 64-bit limb or a decimal chunk fills up,
// written in bases that place those edges differently.
TEST(Text, PlainDigitsAtDigitAndLimbEdges)
{
    const big ten19 = pow(big(10), 19), two64 = big(1) << 64;
    const big edges[] = {big(0),
                         big(1),
                         (big(1) << 30) - 1,
                         big(1) << 30,
                         (big(1) << 60) - 1,
                         big(1) << 60,
                         (big(1) << 60) + 1,
                         two64 - 1,
                         two64,
                         two64 + 1,
                         ten19 - 1,
                         ten19,
                         ten19 + 1,
                         ten19 * ten19 - 1,
                         ten19 * ten19,
                         (big(1) << 128) - 1,
                         big(1) << 128,
                         pow(big(10), 100) - 1,
                         (big(1) << 1024) - 1,
                         big(1) << 1500};
    for (const big& v : edges)
        for (int base : {2, 3, 8, 10, 16, 32, 36}) {
            const std::string text = to_base(v, static_cast<unsigned>(base));
            if (text.size() > 513)
                continue;
            ASSERT_TRUE(reads_like_model(text, base));
            ASSERT_TRUE(reads_like_model("-" + text, base));
            ASSERT_TRUE(reads_like_model("000000000" + text, base)) << "leading zeros";
        }
}

// A character that is no digit of the base, at every place of a text of
// plain digits, must stop the reading there: in base 10 each of the 256 byte
// values (eight characters are checked at once, so a byte just outside
// '0'-'9', or one with a digit's low bits, must not pass), in the others the
// characters just outside their digits.
TEST(Text, NonDigitAtEveryPlaceOfPlainDigits)
{
    operands gen(4007);
    for (int base : {10, 2, 8, 16, 32, 7, 36}) {
        std::vector<int> bytes;
        // Past 19 decimal characters a second chunk; 64 binary characters
        // fill a limb.
        std::vector<std::size_t> lengths = {9, 19, 27, 40};
        if (base == 10) {
            for (int b = 0; b < 256; ++b)
                bytes.push_back(b);
        } else {
            const int just_above = base <= 10 ? '0' + base : 'a' + base - 10;
            bytes = {'/',       ':', '@', '[',  '`',        '{',
                     ' ',       '-', 0,   0xb1, just_above, std::toupper(just_above),
                     '1' | 0x80};
            lengths.push_back(64);
        }
        for (std::size_t n : lengths) {
            std::string digits;
            for (std::size_t k = 0; k < n; ++k)
                digits += to_base(gen.pick(0, uint32_t(base) - 1), 36);
            for (std::size_t place = 0; place < n; ++place)
                for (int b : bytes) {
                    std::string text = digits;
                    text[place] = static_cast<char>(b);
                    ASSERT_TRUE(reads_like_model(text, base)) << "byte " << b << " at " << place;
                }
        }
    }
}

// Longer texts of plain digits convert from their characters too: chunks
// read straight from the text, then Horner's rule on pairs of chunks or,
// above the threshold (lowered here to split at two chunks), divide and
// conquer. A character that is no digit anywhere must send the text to the
// general reader (which stops at it, or skips a blank) before any of that;
// blanks at the end are skipped.
TEST(Text, LongPlainTextsAndWhatInterruptsThem)
{
    operands gen(4008);
    for (int split : {0, 2}) {
        std::optional<zbig::threshold_override> low;
        if (split != 0) {
            zbig::threshold_set t = zbig::tuned_thresholds;
            t.radix_divide_and_conquer = 2;
            low.emplace(t);
        }
        for (int base : {10, 16, 2, 8, 7, 36}) {
            for (std::size_t n : {513u, 1000u, 2401u}) {
                std::string digits;
                for (std::size_t k = 0; k < n; ++k)
                    digits += to_base(gen.pick(0, uint32_t(base) - 1), 36);
                ASSERT_TRUE(reads_like_model(digits, base)) << n << " digits";
                ASSERT_TRUE(reads_like_model("-" + digits + " \n", base)) << n << " digits";
                const std::string outside = base == 36 ? "{" : base <= 10 ? "a" : "g";
                for (std::size_t place : {std::size_t(0), std::size_t(1), n % 9, n / 2, n - 1})
                    for (const std::string& c : {outside, std::string(" "), std::string(":")}) {
                        std::string text = digits;
                        text[place] = c[0];
                        ASSERT_TRUE(reads_like_model(text, base))
                            << n << " digits, '" << c << "' at " << place;
                    }
            }
        }
    }
}

TEST(Text, ReadTextReportsWhatSetStrWouldEndOrStopAt)
{
    // Invalid bases, characters and empty numbers come back as a status with
    // the record untouched, where mpz_set_str ends the process or keeps the
    // digits right of the stop; a NUL byte is an ordinary invalid character.
    const std::string long_digits(700, '7'); // beyond the stack buffers
    struct {
        std::string text;
        int base, status;
    } cases[] = {
        {"12", 1, ZBIG_TEXT_INVALID_BASE},
        {"12", 37, ZBIG_TEXT_INVALID_BASE},
        {"12", -1, ZBIG_TEXT_INVALID_BASE},
        {"12z34", 10, ZBIG_TEXT_INVALID_CHARACTER},
        {"+5", 10, ZBIG_TEXT_INVALID_CHARACTER},
        {std::string("1\0"
                     "2",
                     3),
         10, ZBIG_TEXT_INVALID_CHARACTER},
        {"09", 0, ZBIG_TEXT_INVALID_CHARACTER},
        {"- 0x1f", 0, ZBIG_TEXT_INVALID_CHARACTER},
        {"", 10, ZBIG_TEXT_NO_DIGITS},
        {" \t\n", 16, ZBIG_TEXT_NO_DIGITS},
        {"-", 10, ZBIG_TEXT_NO_DIGITS},
        {"0x", 0, ZBIG_TEXT_NO_DIGITS},
        {"0", 0, ZBIG_TEXT_OK},
        {"  -0x1F", 0, ZBIG_TEXT_OK},
        {"1 000\n", 10, ZBIG_TEXT_OK},
        {long_digits, 10, ZBIG_TEXT_OK},
        {long_digits + "x", 10, ZBIG_TEXT_INVALID_CHARACTER},
        {"-" + long_digits, 16, ZBIG_TEXT_OK},
    };
    for (const auto& c : cases) {
        rec x(big(-123456789)), y(big(-123456789));
        EXPECT_EQ(zbig_read_text(x.p(), c.text.data(), c.text.size(), c.base), c.status)
            << '"' << c.text << "\" base " << c.base;
        if (c.status != ZBIG_TEXT_OK) {
            EXPECT_EQ(value_of(x.p()), big(-123456789)) << '"' << c.text << '"';
            EXPECT_EQ(x.p()->len, y.p()->len) << '"' << c.text << '"';
            continue;
        }
        // Success leaves what mpz_set_str leaves.
        EXPECT_EQ(mpz_set_str(y.p(), c.text.c_str(), c.base), 0);
        EXPECT_EQ(value_of(x.p()), value_of(y.p())) << '"' << c.text << '"';
        EXPECT_EQ(value_of(x.p()), text_model::parse(c.text, c.base).value) << '"' << c.text << '"';
        EXPECT_EQ(x.p()->len, y.p()->len) << '"' << c.text << '"';
    }
}

TEST(Text, DivideAndConquerWithShortNumbers)
{
    // The divide-and-conquer conversions, lowered to split at two digits
    // (or chunks), on numbers short enough for every build and valgrind;
    // long texts still take the heap path above the stack buffers.
    const zbig::threshold_override low({.digit_mul = zbig::tuned_thresholds.digit_mul,
                                        .digit_sqr = zbig::tuned_thresholds.digit_sqr,
                                        .karatsuba = 3,
                                        .karatsuba_sqr = 3,
                                        .ntt = 16,
                                        .ntt_sqr = 16,
                                        .div_reciprocal = 3,
                                        .reciprocal_base = 4,
                                        .radix_divide_and_conquer = 2});
    operands gen(4004);
    for (unsigned bits : {1u, 31u, 1170u, 1171u, 1199u, 1200u, 1201u, 2000u, 4100u, 9001u}) {
        for (int shape = 0; shape < 3; ++shape) {
            const big v = shape == 0   ? gen.random_bits(bits) | (big(1) << (bits - 1))
                          : shape == 1 ? (big(1) << bits) - 1
                                       : pow(big(10), bits / 3);
            const big sv = shape == 2 ? -v : v;
            rec x(sv);
            for (int base : {3, 10, 16, 36}) {
                const std::string text = to_base(sv, static_cast<unsigned>(base));
                ASSERT_EQ(get_str(x.p(), base), text)
                    << bits << " bits, base " << base << " shape " << shape;
                rec y;
                ASSERT_EQ(mpz_set_str(y.p(), text.c_str(), base), 0);
                ASSERT_EQ(value_of(y.p()), sv)
                    << bits << " bits, base " << base << " shape " << shape;
            }
        }
    }
}

TEST(Text, LargeNumbersBothWays)
{
    // Long enough for the divide-and-conquer paths, compared with cpp_int's
    // own decimal and hexadecimal text.
    operands gen(4003);
    for (unsigned bits : {1000u, 5000u, 20000u, 70001u}) {
        const big v = gen.random_bits(bits) | (big(1) << (bits - 1));
        rec x(v);
        const std::string dec = v.str(), hexa = to_base(v, 16);
        ASSERT_EQ(get_str(x.p(), 10), dec) << bits << " bits";
        ASSERT_EQ(get_str(x.p(), 16), hexa) << bits << " bits";
        rec y, z;
        ASSERT_EQ(mpz_set_str(y.p(), dec.c_str(), 10), 0);
        ASSERT_EQ(value_of(y.p()), v) << bits << " bits";
        ASSERT_EQ(mpz_set_str(z.p(), hexa.c_str(), 16), 0);
        ASSERT_EQ(value_of(z.p()), v) << bits << " bits";
        // Other bases, where the chunk power and the split points differ.
        if (bits <= 20000) {
            for (int base : {3, 36}) {
                const std::string text = to_base(v, static_cast<unsigned>(base));
                ASSERT_EQ(get_str(x.p(), base), text) << bits << " bits, base " << base;
                rec w;
                ASSERT_EQ(mpz_set_str(w.p(), text.c_str(), base), 0);
                ASSERT_EQ(value_of(w.p()), v) << bits << " bits, base " << base;
            }
        }
        // Powers of the base and their neighbours have long zero runs.
        const big p = pow(big(10), bits / 4);
        for (const big& w : std::initializer_list<big>{p, p - 1, p + 1}) {
            rec t(w);
            ASSERT_EQ(get_str(t.p(), 10), w.str());
            ASSERT_EQ(get_str(t.p(), 7), to_base(w, 7));
        }
    }
}

TEST(Text, Printing)
{
    rec a(big(-42)), b(big(255));
    auto r = in_child([&] { mpz_printd(a.p()); });
    EXPECT_EQ(r.err, "-42\n");
    EXPECT_EQ(r.out, "");
    r = in_child([&] { std::exit(mpz_printf(b.p(), 16) == 2 ? 0 : 1); });
    EXPECT_EQ(r.out, "ff");
    EXPECT_EQ(r.status, 0) << "returns printf's count";
    r = in_child([&] { mpz_printh(b.p()); });
    EXPECT_EQ(r.err, "ff\n");
    r = in_child([&] { std::exit(mpz_fprintf(stdout, a.p(), 10) >= 0 ? 0 : 1); });
    EXPECT_EQ(r.out, "-42");
    EXPECT_EQ(r.status, 0);
}

TEST(TextFatal, InvalidBases)
{
    rec x(big(5));
    struct {
        std::function<void()> body;
        const char* message;
    } cases[] = {
        {[&] { mpz_get_str(nullptr, 1, x.p()); }, "mpz_sizeinbase: invalid base\n"},
        {[&] { mpz_get_str(nullptr, 37, x.p()); }, "mpz_sizeinbase: invalid base\n"},
        {[&] { mpz_sizeinbase(x.p(), 0); }, "mpz_sizeinbase: invalid base\n"},
        {[&] { mpz_printd(x.p()), mpz_printf(x.p(), 40); }, "5\nmpz_sizeinbase: invalid base\n"},
        {[&] { mpz_set_str(x.p(), "1", 1); }, "mpz_set_str: invalid base\n"},
        {[&] { mpz_set_str(x.p(), "1", 37); }, "mpz_set_str: invalid base\n"},
        {[&] {
             mpz_rec y;
             mpz_init_set_str(&y, "1", -1);
         },
         "mpz_set_str: invalid base\n"},
    };
    for (const auto& c : cases) {
        const child_result r = in_child(c.body);
        EXPECT_EQ(r.status, 123) << c.message;
        EXPECT_EQ(r.err, c.message);
    }
}

namespace
{

// 2^k as a record whose digit array comes from calloc: the pages of zeros
// below the top digit are never touched, so even 2^4294967295 (half a
// gigabyte of digits) costs a page. Null when the allocation fails (as it
// may for a 32-bit process).
struct sparse_power_of_two {
    mpz_rec r{nullptr, 1, 0};
    explicit sparse_power_of_two(uint64_t k)
    {
        const uint64_t len = k / 30 + 1;
        r.digits = static_cast<int32_t*>(std::calloc(std::size_t(len), sizeof(int32_t)));
        if (r.digits != nullptr) {
            r.len = uint32_t(len);
            r.digits[len - 1] = int32_t(1) << (k % 30);
        }
    }
    ~sparse_power_of_two() { std::free(r.digits); }
};

} // namespace

// The bound 30 n / floor(log2 base) + 1 used to be cast to int: negative for
// 2^2147483648 in base 2 (a false "cannot allocate memory"), 15 for
// 2^4294967295 (a heap overflow in mpz_get_str). Now a bound that fits is
// returned exactly and one that does not ends the process.
TEST(TextFatal, SizesBeyondAnInt)
{
    const struct {
        uint64_t exponent;
        int base;
        long long size; // -1: does not fit
    } cases[] = {
        {2147483640, 2, -1}, // 71582789 digits: 2147483671 > INT_MAX
        {2147483648, 2, -1},
        {4294967295, 2, -1},         // 30 n wraps 32 bits
        {2147483648, 16, 536870918}, // the same number fits in base 16
        {4294967295, 36, 858993463},
        {2147483639, 2, 2147483641}, // 71582788 digits: the largest that fits in base 2
    };
    for (const auto& c : cases) {
        sparse_power_of_two x(c.exponent);
        if (x.r.digits == nullptr)
            GTEST_SKIP() << "no room for 2^" << c.exponent;
        if (c.size >= 0) {
            EXPECT_EQ(mpz_sizeinbase(&x.r, c.base), c.size)
                << "2^" << c.exponent << " base " << c.base;
            continue;
        }
        const char* message = "mpz_sizeinbase: the number of digits does not fit in an int\n";
        for (const auto& body :
             {std::function<void()>([&] { mpz_sizeinbase(&x.r, c.base); }),
              std::function<void()>([&] { std::free(mpz_get_str(nullptr, c.base, &x.r)); })}) {
            const child_result r = in_child(body);
            EXPECT_EQ(r.status, 123) << "2^" << c.exponent << " base " << c.base;
            EXPECT_EQ(r.err, message) << "2^" << c.exponent;
        }
    }
}
