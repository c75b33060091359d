// The portable 128-bit classes against the compiler's native type, on edge
// values and on random operands; a failure prints the operands.
#define FSMDKIT_PORTABLE_INT128 1
#include <int128.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#if defined(__SIZEOF_INT128__)

namespace
{

using native_u = unsigned __int128;
using native_s = __int128;
using fsmdkit::int128;
using fsmdkit::uint128;

native_u to_native(uint128 v)
{
    return (native_u(v.high()) << 64) | v.low();
}
native_s to_native(int128 v)
{
    return native_s(to_native(v.bits()));
}
uint128 from_native(native_u v)
{
    return uint128::from_parts(uint64_t(v >> 64), uint64_t(v));
}

std::vector<native_u> operands()
{
    std::vector<native_u> v = {0,
                               1,
                               2,
                               3,
                               0xffffffffu,
                               0x100000000u,
                               ~uint64_t{0},
                               native_u(1) << 64,
                               (native_u(1) << 64) + 1,
                               native_u(1) << 127,
                               ~native_u(0),
                               ~native_u(0) - 1,
                               (native_u(1) << 127) - 1,
                               native_u(0x123456789abcdefULL) << 37};
    std::mt19937_64 rng(20261208);
    for (int i = 0; i < 400; ++i) {
        const native_u r = (native_u(rng()) << 64) | rng();
        // Mixed lengths exercise the short-quotient and 64-bit paths.
        v.push_back(r >> (rng() % 128));
    }
    return v;
}

std::string hex(native_u v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%016llx%016llx", static_cast<unsigned long long>(v >> 64),
                  static_cast<unsigned long long>(v));
    return buf;
}

TEST(Int128, UnsignedMatchesNative)
{
    const auto ops = operands();
    for (native_u a : ops)
        for (native_u b : ops) {
            SCOPED_TRACE("a=" + hex(a) + " b=" + hex(b));
            const uint128 x = from_native(a), y = from_native(b);
            ASSERT_EQ(to_native(x + y), a + b);
            ASSERT_EQ(to_native(x - y), a - b);
            ASSERT_EQ(to_native(x * y), a * b);
            ASSERT_EQ(to_native(x | y), a | b);
            ASSERT_EQ(to_native(x & y), a & b);
            ASSERT_EQ(to_native(x ^ y), a ^ b);
            ASSERT_EQ(x < y, a < b);
            ASSERT_EQ(x == y, a == b);
            if (b != 0) {
                ASSERT_EQ(to_native(x / y), a / b);
                ASSERT_EQ(to_native(x % y), a % b);
            }
            const int n = int(b % 128);
            ASSERT_EQ(to_native(x << n), a << n);
            ASSERT_EQ(to_native(x >> n), a >> n);
        }
}

TEST(Int128, SignedMatchesNative)
{
    const auto ops = operands();
    for (native_u ua : ops)
        for (native_u ub : ops) {
            const native_s a = native_s(ua), b = native_s(ub);
            SCOPED_TRACE("a=" + hex(ua) + " b=" + hex(ub));
            const int128 x = int128(from_native(ua)), y = int128(from_native(ub));
            ASSERT_EQ(to_native(x + y), native_s(ua + ub));
            ASSERT_EQ(to_native(x - y), native_s(ua - ub));
            ASSERT_EQ(to_native(x * y), native_s(ua * ub));
            ASSERT_EQ(to_native(-x), native_s(-ua));
            ASSERT_EQ(x < y, a < b);
            ASSERT_EQ(x >= y, a >= b);
            // The native quotient overflows for the most negative value / -1.
            if (b != 0 && !(ua == native_u(1) << 127 && b == -1)) {
                ASSERT_EQ(to_native(x / y), a / b);
                ASSERT_EQ(to_native(x % y), a % b);
            }
            const int n = int(ub % 128);
            ASSERT_EQ(to_native(x >> n), a >> n);
            ASSERT_EQ(to_native(x << n), native_s(ua << n));
        }
}

TEST(Int128, ConversionsFromAndToBuiltInIntegers)
{
    EXPECT_EQ(to_native(int128(-5)), native_s(-5));
    EXPECT_EQ(to_native(uint128(-1)), ~native_u(0));
    EXPECT_EQ(to_native(uint128(uint32_t{0xffffffffu})), native_u(0xffffffffu));
    EXPECT_EQ(static_cast<int32_t>(int128(-7) * int128(3)), -21);
    EXPECT_EQ(static_cast<uint64_t>(uint128::mul_64x64(~uint64_t{0}, ~uint64_t{0}) >> 64),
              ~uint64_t{0} - 1);
    EXPECT_TRUE(static_cast<bool>(uint128(1) << 100));
    EXPECT_FALSE(static_cast<bool>(uint128(0)));
}

} // namespace

#endif
