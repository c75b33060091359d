// The derived quantities of a record's format. They are computed in 64 bits
// so that fields near the 32-bit limits cannot overflow the arithmetic. An
// operation computes the layout of each record once and passes it on.
#pragma once

#include "bits.hpp"
#include "qarith.h"

#include <cstdint>

namespace qarith::detail
{

struct Layout {
    int64_t fraction; // F: fraction bits of the format
    int64_t guard;    // G: container bits below the format's least significant bit
    int64_t sign;     // S: container bit of the format's top (sign) bit
};

constexpr Layout layout_of(const fxp_t& x)
{
    const int64_t fraction = int64_t{x.wl} - x.iwl;
    return {fraction, int64_t{x.point} - fraction, int64_t{x.point} + x.iwl - 1};
}

// The number in units of the format's least significant bit.
constexpr int32_t raw_field(const fxp_t& x, const Layout& layout)
{
    return shift32(x.value, -layout.guard);
}

constexpr int32_t raw_field(const fxp_t& x)
{
    return raw_field(x, layout_of(x));
}

} // namespace qarith::detail
