// The golden models of the example designs; see golden_models.hpp.
#include "golden_models.hpp"

#include <algorithm>
#include <bit>

namespace fsmd_golden
{
namespace
{

// Two's-complement wrap-around, which the designs' numeric_std arithmetic
// has and which signed overflow in C++ does not: compute in uint32_t.
std::int32_t wrap_add(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t wrap_neg(std::int32_t a)
{
    return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(a));
}

std::int32_t wrap_abs(std::int32_t a)
{
    return a < 0 ? wrap_neg(a) : a;
}

} // namespace

std::int32_t eda(std::int32_t in1, std::int32_t in2)
{
    // |INT32_MIN| wraps to INT32_MIN and stays the smaller value: the design
    // compares the magnitudes as signed numbers too.
    const std::int32_t a = wrap_abs(in1);
    const std::int32_t b = wrap_abs(in2);
    const std::int32_t x = std::max(a, b);
    const std::int32_t y = std::min(a, b);
    // C++20 defines >> of a negative value as an arithmetic shift.
    const std::int32_t blend = wrap_add(wrap_add(x, wrap_neg(x >> 3)), y >> 1);
    return std::max(blend, x);
}

std::uint32_t fibo(std::uint32_t x)
{
    std::uint32_t lo = 0;
    std::uint32_t hi = 1;
    for (std::uint32_t k = 0; k < x; ++k) {
        const std::uint32_t next = lo + hi;
        lo = hi;
        hi = next;
    }
    return lo;
}

std::int32_t arraysum(std::int32_t in1)
{
    std::int32_t total = 0;
    for (int i = 0; i < 10; ++i) {
        total = wrap_add(total, in1 >> i);
    }
    return total;
}

std::int32_t popcount(std::uint32_t inp)
{
    return std::popcount(inp);
}

} // namespace fsmd_golden
