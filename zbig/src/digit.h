// The digit of zbig's records: 30 bits of the magnitude in a 32-bit word.
// Kernels and the span layer need only this, not the record or the C
// interface.
#ifndef ZBIG_DIGIT_H
#define ZBIG_DIGIT_H

#include <cstdint>

namespace zbig
{

using digit = uint32_t;
inline constexpr unsigned digit_bits = 30;
inline constexpr digit digit_mask = 0x3fffffff;

} // namespace zbig

#endif
