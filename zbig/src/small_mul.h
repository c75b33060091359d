// Products of operands of at most nine digits each (270 bits: the widths of
// a model's datapath), by kernels that know both lengths at compile time:
// no loop bounds, no length dispatch beyond one table look-up.
#ifndef ZBIG_SMALL_MUL_H
#define ZBIG_SMALL_MUL_H

#include "digit.h"

#include <array>
#include <cstddef>
#include <span>

namespace zbig
{

inline constexpr std::size_t small_product_side = 9;

// kernel(r, a, b) for the an and bn of its table place: writes the low
// an + bn - 1 digits of a * b to r and returns the top one, so that a
// result whose top digit is zero needs no room for it. r must not overlap
// a or b.
using small_mul_kernel = digit (*)(digit* r, const digit* a, const digit* b);

// [an][bn] for an, bn from 1 to small_product_side; [n][0] is a * a for
// n >= 2 (each cross product formed once).
// (Hidden: read without a trip through the global offset table.)
extern const std::array<std::array<small_mul_kernel, small_product_side + 1>,
                        small_product_side + 1>
    small_mul_kernels [[gnu::visibility("hidden")]];

// The kernel for nonempty operands of at most small_product_side digits.
inline small_mul_kernel small_mul_kernel_for(std::span<const digit> a, std::span<const digit> b)
{
    if (a.data() == b.data() && a.size() == b.size() && a.size() >= 2)
        return small_mul_kernels[a.size()][0];
    return small_mul_kernels[a.size()][b.size()];
}

// out[0, a.size() + b.size()) = a * b for nonempty operands of at most
// small_product_side digits; out must not overlap a or b.
inline void multiply_small(digit* out, std::span<const digit> a, std::span<const digit> b)
{
    out[a.size() + b.size() - 1] = small_mul_kernel_for(a, b)(out, a.data(), b.data());
}

} // namespace zbig

#endif
