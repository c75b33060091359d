// Quantisation and overflow handling, shared by fxp_quantize/fxp_overflow
// and by every normalising arithmetic operation.
//
// On a sign-extended 32-bit container these give exactly the 32-bit rules
// (clearing low bits and the sign extension of wrap-around commute with
// reduction modulo 2^32, and saturation compares the container's own value),
// so the record functions and the arithmetic share one implementation.
#include "normalize.hpp"

#include "layout.hpp"

namespace qarith::detail
{
namespace
{

// Container units beyond 2^126 cannot come from a 32-bit operand; clamping
// keeps the range limits of a malformed format representable.
constexpr int64_t kMaxWideBit = 126;

wide_t clear_below(wide_t value, int64_t guard)
{
    return static_cast<wide_t>(static_cast<uwide_t>(value) &
                               static_cast<uwide_t>(shift_wide(-1, guard)));
}

} // namespace

wide_t quantize_wide(wide_t value, const fxp_t& format)
{
    const int64_t guard = layout_of(format).guard;
    switch (format.q_mode) {
    case FXP_Q_TRUNC:
        return clear_below(value, guard);
    case FXP_Q_ROUND:
        // Adding half a least significant bit and then truncating rounds to
        // nearest with ties toward plus infinity.
        if (guard < 1)
            return value;
        return clear_below(wrap_add_wide(value, shift_wide(1, guard - 1)), guard);
    default:
        return value;
    }
}

wide_t overflow_wide(wide_t value, const fxp_t& format)
{
    const Layout layout = layout_of(format);
    switch (format.ovf_mode) {
    case FXP_OVF_WRAP: {
        // Keep bits 0..S and copy bit S into everything above it.
        if (layout.sign >= 127)
            return value;
        if (layout.sign < 0)
            return 0;
        const int64_t spare = 127 - layout.sign;
        return shift_wide(shift_wide(value, spare), -spare);
    }
    case FXP_OVF_SAT: {
        const int64_t sign = layout.sign < kMaxWideBit ? layout.sign : kMaxWideBit;
        const int64_t guard = layout.guard < kMaxWideBit ? layout.guard : kMaxWideBit;
        const wide_t top = shift_wide(1, sign);
        const wide_t largest = wrap_sub_wide(top, shift_wide(1, guard));
        const wide_t smallest = -top;
        if (value > largest)
            return largest;
        if (value < smallest)
            return smallest;
        return value;
    }
    default:
        return value;
    }
}

int32_t normalize_exact(wide_t value, const fxp_t& format)
{
    return low32(overflow_wide(quantize_wide(value, format), format));
}

} // namespace qarith::detail
