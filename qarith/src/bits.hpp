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

// x * 2^count modulo 2^32 for count >= 0, floor(x / 2^-count) for count < 0.
constexpr int32_t shift32(int32_t x, int64_t count)
{
    if (count >= 32)
        return 0;
    if (count >= 0)
        return static_cast<int32_t>(static_cast<uint32_t>(x) << count);
    if (count <= -32)
        return x < 0 ? -1 : 0;
    return x >> -count;
}

// The same on the wide intermediates of the arithmetic, modulo 2^128.
constexpr wide_t shift_wide(wide_t x, int64_t count)
{
    if (count >= 128)
        return 0;
    if (count >= 0)
        return static_cast<wide_t>(static_cast<uwide_t>(x) << count);
    if (count <= -128)
        return x < 0 ? -1 : 0;
    return x >> -count;
}

constexpr int32_t wrap_add32(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t wrap_neg32(int32_t a)
{
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}

constexpr wide_t wrap_add_wide(wide_t a, wide_t b)
{
    return static_cast<wide_t>(static_cast<uwide_t>(a) + static_cast<uwide_t>(b));
}

constexpr wide_t wrap_sub_wide(wide_t a, wide_t b)
{
    return static_cast<wide_t>(static_cast<uwide_t>(a) - static_cast<uwide_t>(b));
}

// The container word that holds the low 32 bits of a wide value.
constexpr int32_t low32(wide_t x)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uwide_t>(x)));
}

} // namespace qarith::detail
