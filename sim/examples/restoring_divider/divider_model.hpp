// Golden model of the example design restoring_divider: unsigned division
// of W-bit operands (W from 1 to 32), written with C++'s own / and %. A zero
// divisor gives a quotient of all ones and the dividend as remainder, which
// is what the hardware's restoring steps produce when every trial
// subtraction of 0 succeeds.
#ifndef DIVIDER_MODEL_HPP
#define DIVIDER_MODEL_HPP

#include <cstdint>

namespace divider
{

struct result {
    std::uint64_t quotient;
    std::uint64_t remainder;
};

// The largest W-bit value.
inline std::uint64_t all_ones(int width)
{
    return (std::uint64_t(1) << width) - 1;
}

inline result divide(std::uint64_t dividend, std::uint64_t divisor, int width)
{
    if (divisor == 0)
        return {all_ones(width), dividend};
    return {dividend / divisor, dividend % divisor};
}

} // namespace divider

#endif
