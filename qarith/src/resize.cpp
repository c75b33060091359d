// fxp_resize: adds integer and fraction bits around a fixed binary point.
#include "qarith.h"

#include "bits.hpp"
#include "layout.hpp"

#include <cstdio>

using namespace qarith::detail;

namespace
{

// Bit `index` of x, reading bits above 31 as copies of the sign bit.
bool bit_of(int32_t x, int64_t index)
{
    if (index < 0)
        return false;
    return (shift32(x, -index) & 1) != 0;
}

// Ones in bits first..first+count-1, clipped to the 32-bit word.
uint32_t bit_range(int64_t first, int64_t count)
{
    if (count <= 0)
        return 0;
    const int64_t end = first + count; // one past the last bit
    const uint32_t below_end = static_cast<uint32_t>(shift32(-1, end)) ^ 0xffffffffu;
    const uint32_t below_first = static_cast<uint32_t>(shift32(-1, first)) ^ 0xffffffffu;
    return first < 0 ? below_end : below_end & ~below_first;
}

} // namespace

extern "C" void fxp_resize(fxp_t* x, int n, int m, char sign)
{
    if (sign != 's' && sign != 'u') {
        std::fprintf(stderr, "fxp_resize: Specified an invalid sign value (%c).\n", sign);
        return;
    }
    const Layout old = layout_of(*x);
    // Everything above the point, the container's extension included.
    int32_t integer = shift32(x->value, -int64_t{x->point});
    // With 'u' the integer part stays as it is: no bit is cleared.
    if (sign == 's' && bit_of(integer, int64_t{x->iwl} - 1))
        integer = static_cast<int32_t>(static_cast<uint32_t>(integer) | bit_range(x->iwl, n));
    // The F fraction bits (none when F < 0, all when F > 31).
    const uint32_t fraction_mask = static_cast<uint32_t>(~shift32(-1, old.fraction));
    const uint32_t fraction = static_cast<uint32_t>(shift32(x->value, -old.guard)) & fraction_mask;

    x->iwl = wrap_add32(x->iwl, n);
    x->wl = wrap_add32(x->wl, wrap_add32(n, m));
    // The old guard bits are dropped; the new fraction bits below the old
    // ones start at zero.
    x->value = static_cast<int32_t>(
        static_cast<uint32_t>(shift32(integer, x->point)) |
        static_cast<uint32_t>(shift32(static_cast<int32_t>(fraction), old.guard)));
}
