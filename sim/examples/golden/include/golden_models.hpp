// The functions the example designs compute, bit for bit: the one model from
// which the test data and its expected values are generated.
#pragma once

#include <cstdint>

namespace fsmd_golden
{

// max(0.875x + 0.5y, x) with x = max(|in1|, |in2|), y = min(|in1|, |in2|),
// computed as x - (x >> 3) + (y >> 1). Every step wraps at 32 bits and the
// shifts are arithmetic, as in the design's signed(31 downto 0) datapath:
// eda(3, 4) == 5, eda(-2147483648, 0) == 0 (|INT32_MIN| wraps to INT32_MIN).
std::int32_t eda(std::int32_t in1, std::int32_t in2);

// The Fibonacci number F(x), F(0) = 0, F(1) = 1, modulo 2^32:
// fibo(10) == 55, fibo(47) == 2971215073.
std::uint32_t fibo(std::uint32_t x);

// The sum, modulo 2^32, of the ten words in1 >> i (arithmetic) for i = 0..9:
// arraysum(1023) == 2036, arraysum(-1) == -10.
std::int32_t arraysum(std::int32_t in1);

// The number of set bits: popcount(0xF0F0) == 8.
std::int32_t popcount(std::uint32_t inp);

} // namespace fsmd_golden
