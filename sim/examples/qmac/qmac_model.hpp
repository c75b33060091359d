// Golden model of the example design qmac, written with fsmdkit::fixed:
// y = c + a * b on Q8.8 operands, computed exactly, rounded once to Q8.8
// (ties toward plus infinity) and saturated; sat tells that it saturated.
#ifndef QMAC_MODEL_HPP
#define QMAC_MODEL_HPP

#include <qarith.hpp>

namespace qmac
{

using fsmdkit::fixed;
using fsmdkit::fixed_format;
using fsmdkit::overflow_mode;
using fsmdkit::quantization_mode;

// The ports' format; Q16.16, which holds the exact product and sum
// (|c + a * b| < 2^15); and Q16.8 with 8 guard bits, whose quantisation
// rounds the exact sum to 8 fraction bits (a format rounds only the guard
// bits below its least significant bit, so it needs them to round at all).
inline constexpr fixed_format q8_8 =
    fixed_format::make(8, 8, 0, overflow_mode::saturate, quantization_mode::round);
inline constexpr fixed_format q16_16 =
    fixed_format::make(16, 16, 0, overflow_mode::saturate, quantization_mode::round);
inline constexpr fixed_format q16_8_rounding =
    fixed_format::make(16, 8, 8, overflow_mode::saturate, quantization_mode::round);

struct result {
    fixed y;
    bool sat;
};

// A sum's format is its left operand's, so `fixed(f) + x` is x brought into
// format f by f's quantisation and overflow modes.
inline result mac(const fixed& a, const fixed& b, const fixed& c)
{
    const fixed exact = (fixed(q16_16) + a) * b + c;
    const fixed rounded = fixed(q16_8_rounding) + exact;
    const fixed y = fixed(q8_8) + rounded;
    return {y, y != rounded};
}

// Operands from the ports' raw 16-bit values.
inline fixed from_port(int raw)
{
    return fixed::from_raw(raw, q8_8);
}

} // namespace qmac

#endif
