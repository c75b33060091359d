// Quantisation and overflow handling of a value under a record's format.
// Both work on a wide value so that the arithmetic can normalise its exact
// result: saturation must compare the true sum, product or quotient, not
// one that already lost its high bits.
#pragma once

#include "bits.hpp"
#include "qarith.h"

namespace qarith::detail
{

wide_t quantize_wide(wide_t value, const fxp_t& format);
wide_t overflow_wide(wide_t value, const fxp_t& format);

// Quantise, then handle overflow, then keep the container's 32 bits.
int32_t normalize_exact(wide_t value, const fxp_t& format);

} // namespace qarith::detail
