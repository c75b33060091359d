// The vectors writer: fields at the ports' widths in two's complement, every
// value that does not fit refused, the header and the ':' in place.
#include "fsmdkit/vectors.hpp"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <random>
#include <sstream>

using fsmdkit::input;
using fsmdkit::is_signed;
using fsmdkit::not_checked;
using fsmdkit::output;

namespace
{

std::string field(const fsmdkit::vector_value& v, int width, bool signed_port)
{
    return v.field(fsmdkit::vector_port{"p", fsmdkit::port_dir::in, width, signed_port});
}

// Independent of the writer's digit loop: mask, then printf.
std::string masked_hex(std::int64_t v, int width)
{
    const std::uint64_t mask = width >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << width) - 1;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*" PRIX64, (width + 3) / 4, std::uint64_t(v) & mask);
    return buf;
}

TEST(VectorsWriter, HeaderNamesInputsThenOutputsAndRowsFollowIt)
{
    std::ostringstream text;
    fsmdkit::vectors_writer w(text, {output("y", 16, is_signed), input("a", 16, is_signed),
                                     output("sat", 1), input("b", 5)});
    w.row({-1, 2, 1, 31});
    w.row({not_checked, -32768, 0, 0});
    w.comment("done");
    EXPECT_EQ(text.str(), "a b : y sat\n0002 1F : FFFF 1\n8000 00 : - 0\n# done\n");
    EXPECT_EQ(w.rows(), 2u);
}

TEST(VectorsWriter, NoOutputsOrNoInputs)
{
    std::ostringstream a, b;
    fsmdkit::vectors_writer(a, {input("x", 4)}).row({7});
    fsmdkit::vectors_writer(b, {output("x", 4)}).row({not_checked});
    EXPECT_EQ(a.str(), "x :\n7 :\n");
    EXPECT_EQ(b.str(), ": x\n: -\n");
}

TEST(VectorsValue, MachineIntegersAtEveryWidthMatchMaskedBits)
{
    std::mt19937_64 rng(13);
    for (int width = 1; width <= 64; ++width) {
        for (int k = 0; k < 200; ++k) {
            const std::int64_t lo = width == 64 ? INT64_MIN : -(std::int64_t(1) << (width - 1));
            const std::int64_t hi = width == 64 ? INT64_MAX : (std::int64_t(1) << (width - 1)) - 1;
            const std::int64_t v = k == 0 ? lo
                                   : k == 1
                                       ? hi
                                       : std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
            ASSERT_EQ(field(v, width, true), masked_hex(v, width))
                << "width " << width << " value " << v;
            if (v >= 0) {
                ASSERT_EQ(field(std::uint64_t(v), width, false), masked_hex(v, width));
            }
        }
    }
}

TEST(VectorsValue, WidePortsExtendTheSign)
{
    EXPECT_EQ(field(-1, 66, true), "3" + std::string(16, 'F'));
    EXPECT_EQ(field(INT64_MIN, 72, true), "FF8" + std::string(15, '0'));
    EXPECT_EQ(field(UINT64_MAX, 65, false), "0" + std::string(16, 'F'));
    EXPECT_EQ(field(UINT64_MAX, 64, false), std::string(16, 'F'));
}

TEST(VectorsValue, ValuesThatDoNotFitAreRefusedNotWrapped)
{
    struct Case {
        fsmdkit::vector_value v;
        int width;
        bool signed_port;
    };
    const Case cases[] = {
        {32768, 16, true},
        {-32769, 16, true},
        {65536, 16, false},
        {-1, 16, false},
        {2, 1, false},
        {1, 1, true},
        {-2, 1, true},
        {UINT64_MAX, 64, true},
        {-1, 200, false},
        {std::uint64_t(1) << 63, 64, true},
        {fsmdkit::bigint(1) << 256, 256, false},
        {-(fsmdkit::bigint(1) << 255) - 1, 256, true},
        {fsmdkit::bigint(1) << 255, 256, true},
        {fsmdkit::bigint(-1), 256, false},
    };
    for (const Case& c : cases)
        EXPECT_THROW(field(c.v, c.width, c.signed_port), std::out_of_range) << c.width;
    EXPECT_EQ(field(-1, 1, true), "1");
    EXPECT_EQ(field(true, 1, false), "1");
}

TEST(VectorsValue, BigIntegersTakeTheirTwosComplementBits)
{
    const fsmdkit::bigint top = (fsmdkit::bigint(1) << 255);
    EXPECT_EQ(field(top, 256, false), "8" + std::string(63, '0'));
    EXPECT_EQ(field(-top, 256, true), "8" + std::string(63, '0'));
    EXPECT_EQ(field(fsmdkit::bigint(-1), 70, true), "3" + std::string(17, 'F'));
    EXPECT_EQ(field(fsmdkit::bigint("123456789abcdef0123", 16), 80, false), "0123456789ABCDEF0123");
    // Agrees with the machine path wherever both apply.
    for (std::int64_t v : {std::int64_t(-5), std::int64_t(0), INT64_MIN, INT64_MAX})
        EXPECT_EQ(field(fsmdkit::bigint(v), 64, true), field(v, 64, true));
}

TEST(VectorsValue, FixedValuesAreWrittenAsTheirRawInteger)
{
    const auto q8_8 = fsmdkit::fixed_format::make(8, 8);
    EXPECT_EQ(field(fsmdkit::fixed(1.5, q8_8), 16, true), "0180");
    EXPECT_EQ(field(fsmdkit::fixed(-1.5, q8_8), 16, true), "FE80");
    EXPECT_EQ(field(fsmdkit::fixed(-128.0, q8_8), 16, true), "8000");
    EXPECT_THROW(field(fsmdkit::fixed(-1.5, q8_8), 16, false), std::out_of_range);
    EXPECT_THROW(field(fsmdkit::fixed(127.0, q8_8), 15, true), std::out_of_range);
}

TEST(VectorsWriter, BadRowsThrowAndWriteNothing)
{
    std::ostringstream text;
    fsmdkit::vectors_writer w(text, {input("a", 8), output("y", 8)});
    const std::string header = text.str();
    EXPECT_THROW(w.row({1}), std::invalid_argument);
    EXPECT_THROW(w.row({1, 2, 3}), std::invalid_argument);
    EXPECT_THROW(w.row({not_checked, 2}), std::invalid_argument);
    EXPECT_THROW(w.row({1, 256}), std::out_of_range);
    EXPECT_THROW(w.comment("two\nlines"), std::invalid_argument);
    EXPECT_EQ(text.str(), header);
    EXPECT_EQ(w.rows(), 0u);
    try {
        w.row({1, 2});
        w.row({1, 999});
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "row 2: value 999 does not fit unsigned port y of 8 bits");
    }
}

#ifdef __SIZEOF_INT128__
__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

// Independent of the writer: the hexadecimal digits of the low `width` bits
// of a 128-bit value, from two 64-bit halves and printf.
std::string masked_hex_128(u128 v, int width)
{
    if (width < 128)
        v &= (u128(1) << width) - 1;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%016" PRIX64 "%016" PRIX64, std::uint64_t(v >> 64),
                  std::uint64_t(v));
    const std::string all(buf);
    return all.substr(all.size() - std::size_t((width + 3) / 4));
}

// Caught fault: under -std=gnu++20 (std::integral takes __int128 in) the
// value went through 64 bits and lost its top half; under -std=c++20 a
// 128-bit value did not convert at all.
TEST(VectorsValue, IntegersOf128BitsAreNeverNarrowed)
{
    std::mt19937_64 rng(128);
    for (int width : {65, 100, 127, 128}) {
        for (int k = 0; k < 200; ++k) {
            const u128 bits = (u128(rng()) << 64) | rng();
            const u128 unsigned_value = width == 128 ? bits : bits & ((u128(1) << width) - 1);
            ASSERT_EQ(field(unsigned_value, width, false), masked_hex_128(unsigned_value, width))
                << "width " << width;
            // A signed value within the width: the bits shifted down to it.
            const i128 signed_value = i128(bits) >> (128 - width);
            ASSERT_EQ(field(signed_value, width, true), masked_hex_128(u128(signed_value), width))
                << "width " << width;
        }
    }
    EXPECT_EQ(field(u128(1) << 100, 101, false), "1" + std::string(25, '0'));
    EXPECT_EQ(field(i128(-1), 130, true), "3" + std::string(32, 'F'));
    EXPECT_THROW(field(u128(1) << 100, 100, false), std::out_of_range);
    EXPECT_THROW(field(~u128(0), 128, true), std::out_of_range);
    EXPECT_THROW(field(i128(-1), 128, false), std::out_of_range);
    try {
        field(u128(1) << 100, 64, false);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(
            e.what(),
            "value 1267650600228229401496703205376 does not fit unsigned port p of 64 bits");
    }
}
#endif

TEST(VectorsPorts, IntegerRangesTakeTheFewestBitsAndRefuseValuesOutsideThem)
{
    struct Case {
        std::int64_t low, high;
        int width;
        bool signed_port;
    };
    // natural and integer as GHDL has them, and ranges around each power of two.
    const Case cases[] = {
        {0, 0, 1, false},
        {0, 1, 1, false},
        {0, 15, 4, false},
        {0, 16, 5, false},
        {-8, 7, 4, true},
        {-9, 7, 5, true},
        {-8, 8, 5, true},
        {-1, 0, 1, true},
        {-5, 5, 4, true},
        {5, 10, 4, false},
        {-10, -5, 5, true},
        {0, 2147483647, 31, false},
        {-2147483647 - 1, 2147483647, 32, true},
    };
    for (const Case& c : cases) {
        const fsmdkit::vector_port p = fsmdkit::input_integer("n", c.low, c.high);
        EXPECT_EQ(p.width, c.width) << c.low << " to " << c.high;
        EXPECT_EQ(p.is_signed, c.signed_port) << c.low << " to " << c.high;
        EXPECT_EQ(p.dir, fsmdkit::port_dir::in);
        EXPECT_EQ(fsmdkit::output_integer("n", c.low, c.high).dir, fsmdkit::port_dir::out);
        // Both ends are written as their two's complement bits; one beyond
        // each end is refused, as a machine integer and as a bigint.
        EXPECT_EQ(fsmdkit::vector_value(c.low).field(p), masked_hex(c.low, c.width));
        EXPECT_EQ(fsmdkit::vector_value(c.high).field(p), masked_hex(c.high, c.width));
        EXPECT_THROW(fsmdkit::vector_value(c.low - 1).field(p), std::out_of_range);
        EXPECT_THROW(fsmdkit::vector_value(c.high + 1).field(p), std::out_of_range);
        EXPECT_THROW(fsmdkit::vector_value(fsmdkit::bigint(c.high) + 1).field(p),
                     std::out_of_range);
        EXPECT_THROW(fsmdkit::vector_value(fsmdkit::bigint(c.low) - 1).field(p), std::out_of_range);
        EXPECT_EQ(fsmdkit::vector_value(fsmdkit::bigint(c.low)).field(p),
                  masked_hex(c.low, c.width));
    }
    // Within the width but outside the range: 12 fits 4 bits, not 0 to 10.
    try {
        fsmdkit::vector_value(12).field(fsmdkit::input_integer("n", 0, 10));
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "value 12 is outside the range 0 to 10 of port n");
    }
    EXPECT_THROW(fsmdkit::input_integer("n", 1, 0), std::invalid_argument);
}

TEST(VectorsPorts, BooleanPortsTakeTrueAsOne)
{
    std::ostringstream text;
    fsmdkit::vectors_writer w(text, {fsmdkit::input_boolean("go"), fsmdkit::output_boolean("ok")});
    w.row({true, false});
    w.row({false, not_checked});
    EXPECT_EQ(text.str(), "go : ok\n1 : 0\n0 : -\n");
    EXPECT_THROW(w.row({2, 0}), std::out_of_range);
}

TEST(VectorsWriter, ExtendedIdentifiersMayHoldBlanksButNotHalfAPair)
{
    std::ostringstream text;
    fsmdkit::vectors_writer w(text, {input("\\my port\\", 4), output("\\a:b#c\\\\d\\", 4)});
    w.row({1, 2});
    EXPECT_EQ(text.str(), "\\my port\\ : \\a:b#c\\\\d\\\n1 : 2\n");
    using ports = std::vector<fsmdkit::vector_port>;
    for (const char* bad : {"\\a\\b\\", "\\ab\\\\", "\\\\", "\\a\nb\\", "a\\b", "\\x"})
        EXPECT_THROW(fsmdkit::vectors_writer(text, ports{input(bad, 4)}), std::invalid_argument)
            << bad;
}

TEST(VectorsWriter, MalformedPortListsAreRefused)
{
    std::ostringstream text;
    using ports = std::vector<fsmdkit::vector_port>;
    for (const ports& p : {ports{input("a", 8), output("a", 8)}, ports{input("", 8)},
                           ports{input("a b", 8)}, ports{input("a:", 8)}, ports{input("a", 0)}})
        EXPECT_THROW(fsmdkit::vectors_writer(text, p), std::invalid_argument);
    EXPECT_EQ(text.str(), "");
}

} // namespace
