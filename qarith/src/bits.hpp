// Shifts and wrapping arithmetic that are defined for every operand and
// every shift count. Format fields come straight from the caller's record,
// and a malformed format asks for counts outside 0..31 (or sums beyond 32
// bits): such results are meaningless, but they must never be undefined.
#pragma once

#include <cstdint>

#include <int128.hpp>

namespace qarith::detail
{

using wide_t = fsmdkit::int128;
using uwide_t = fsmdkit::uint128;

// The two widths of exact intermediates: 64 bits wherever the formats bound
// a result well inside them (every well-formed format), 128 bits for the
// rest. The arithmetic is written once for both.
template <typename Int> struct Width;
template <> struct Width<int64_t> {
    using Unsigned = uint64_t;
    static constexpr int64_t bits = 64;
};
template <> struct Width<wide_t> {
    using Unsigned = uwide_t;
    static constexpr int64_t bits = 128;
};

// Tells the compiler a fact that the caller has established, so that it
// can drop the range tests of the shifts below on a path that the fact
// guards. Sanitized builds report a fact that does not hold.
constexpr void assume(bool fact)
{
    if (!fact)
        __builtin_unreachable();
}

// x * 2^count modulo 2^32 for count >= 0, floor(x / 2^-count) for count < 0.
constexpr int32_t shift32(int32_t x, int64_t count)
{
    // A count of 0 takes the right shift: a raw field is a right shift by
    // G >= 0, and there the compiler then keeps a single instruction.
    if (count >= 32)
        return 0;
    if (count > 0)
        return static_cast<int32_t>(static_cast<uint32_t>(x) << count);
    if (count <= -32)
        return x < 0 ? -1 : 0;
    return x >> -count;
}

// The same on an intermediate, modulo 2^64 or 2^128.
template <typename Int> constexpr Int shift(Int x, int64_t count)
{
    using Unsigned = typename Width<Int>::Unsigned;
    constexpr int64_t bits = Width<Int>::bits;
    if (count >= bits)
        return 0;
    if (count >= 0)
        return static_cast<Int>(static_cast<Unsigned>(x) << static_cast<int>(count));
    if (count <= -bits)
        return x < 0 ? -1 : 0;
    return x >> static_cast<int>(-count);
}

constexpr int32_t wrap_add32(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t wrap_neg32(int32_t a)
{
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}

template <typename Int> constexpr Int wrap_add(Int a, Int b)
{
    using Unsigned = typename Width<Int>::Unsigned;
    return static_cast<Int>(static_cast<Unsigned>(a) + static_cast<Unsigned>(b));
}

template <typename Int> constexpr Int wrap_sub(Int a, Int b)
{
    using Unsigned = typename Width<Int>::Unsigned;
    return static_cast<Int>(static_cast<Unsigned>(a) - static_cast<Unsigned>(b));
}

// The container word that holds the low 32 bits of an intermediate.
template <typename Int> constexpr int32_t low32(Int x)
{
    using Unsigned = typename Width<Int>::Unsigned;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<Unsigned>(x)));
}

} // namespace qarith::detail
