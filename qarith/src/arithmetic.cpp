// Sum, difference, product, quotient and negation. Each forms its result
// exactly, places it at the result's binary point and normalises it there;
// only the final container keeps 32 bits. So a saturating result clamps the
// true value instead of a wrapped one, while every result whose intermediate
// fits 32 bits is the same as with 32-bit intermediates.
//
// The exact result is formed in 64 bits when the operand and result formats
// bound it by 2^62 (every well-formed format does), and in 128 bits
// otherwise. Both widths run the same code and give the same container: the
// 64-bit one is only the cheaper way to the same bits.
#include "qarith.h"

#include "bits.hpp"
#include "layout.hpp"
#include "normalize.hpp"

#include <cstdio>

using namespace qarith::detail;

namespace
{

// An operand as a raw field with its fraction width: raw * 2^-fraction.
// |raw| <= 2^magnitude_bits, because raw is the 32-bit container shifted
// right by G.
struct Operand {
    int32_t raw;
    int64_t fraction;
    int64_t magnitude_bits;
};

Operand operand_of(const fxp_t& x)
{
    const Layout layout = layout_of(x);
    const int64_t guard = layout.guard < 0 ? 0 : (layout.guard > 31 ? 31 : layout.guard);
    return {raw_field(x, layout), layout.fraction, 31 - guard};
}

constexpr int64_t positive_part(int64_t x)
{
    return x > 0 ? x : 0;
}

template <typename Int> Int widen(int32_t x)
{
    return static_cast<Int>(x);
}

enum class Sign { plus, minus };

// Both raw fields aligned to `fraction` bits, added or subtracted, and the
// result moved to r's point (to_point = r's point - fraction).
template <typename Int>
Int aligned_sum(const Operand& x, const Operand& y, int64_t fraction, int64_t to_point, Sign sign)
{
    const Int left = shift(widen<Int>(x.raw), fraction - x.fraction);
    const Int right = shift(widen<Int>(y.raw), fraction - y.fraction);
    const Int exact = sign == Sign::plus ? wrap_add(left, right) : wrap_sub(left, right);
    return shift(exact, to_point);
}

// r may alias a or b: both are read before r's value is written.
void add_or_subtract(fxp_t* r, const fxp_t* a, const fxp_t* b, Sign sign)
{
    const Operand x = operand_of(*a);
    const Operand y = operand_of(*b);
    const Layout format = layout_of(*r);
    const int64_t fraction = x.fraction > y.fraction ? x.fraction : y.fraction;
    const int64_t to_point = int64_t{r->point} - fraction;
    // Each aligned term below 2^61 keeps the sum below 2^62.
    const int64_t lift = positive_part(to_point);
    const bool narrow = fits_narrow(format) &&
                        x.magnitude_bits + (fraction - x.fraction) + lift < kNarrowBits &&
                        y.magnitude_bits + (fraction - y.fraction) + lift < kNarrowBits;
    r->value = narrow
                   ? normalize(aligned_sum<int64_t>(x, y, fraction, to_point, sign), *r, format)
                   : normalize(aligned_sum<wide_t>(x, y, fraction, to_point, sign), *r, format);
}

// Two 32-bit raw fields: the product is exact in either width. It has
// Fa + Fb fraction bits, `surplus` more than r's point.
template <typename Int> Int scaled_product(const Operand& x, const Operand& y, int64_t surplus)
{
    return shift(widen<Int>(x.raw) * widen<Int>(y.raw), -surplus);
}

// (x.raw / 2^Fa) / (y.raw / 2^Fb) in units of 2^-point of r is
// x.raw * 2^scale / y.raw with scale = point + Fb - Fa, truncated toward
// zero before quantisation. A negative scale moves to the divisor.
template <typename Int> Int scaled_quotient(const Operand& x, const Operand& y, int64_t scale)
{
    const Int dividend = scale >= 0 ? shift(widen<Int>(x.raw), scale) : widen<Int>(x.raw);
    const Int divisor = scale >= 0 ? widen<Int>(y.raw) : shift(widen<Int>(y.raw), -scale);
    return dividend / divisor;
}

} // namespace

extern "C" {

void fxp_add(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    add_or_subtract(r, a, b, Sign::plus);
}

void fxp_sub(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    add_or_subtract(r, a, b, Sign::minus);
}

void fxp_mul(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const Operand x = operand_of(*a);
    const Operand y = operand_of(*b);
    const Layout format = layout_of(*r);
    const int64_t surplus = x.fraction + y.fraction - r->point;
    const bool narrow = fits_narrow(format) &&
                        x.magnitude_bits + y.magnitude_bits + positive_part(-surplus) <= kNarrowBits;
    r->value = narrow ? normalize(scaled_product<int64_t>(x, y, surplus), *r, format)
                      : normalize(scaled_product<wide_t>(x, y, surplus), *r, format);
}

void fxp_div(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const Operand x = operand_of(*a);
    const Operand y = operand_of(*b);
    if (b->value == 0 || y.raw == 0) {
        std::fputs("fxp_div: Division by zero.\n", stderr);
        return;
    }
    const Layout format = layout_of(*r);
    int64_t scale = int64_t{r->point} + y.fraction - x.fraction;
    // Beyond these bounds the quotient is zero or meaningless anyway; they
    // keep both operands of the division inside 128 bits.
    scale = scale > 95 ? 95 : (scale < -95 ? -95 : scale);
    // The quotient is at most the dividend in magnitude.
    const bool narrow = fits_narrow(format) && (scale >= 0 ? x.magnitude_bits + scale
                                                           : y.magnitude_bits - scale) <= kNarrowBits;
    r->value = narrow ? normalize(scaled_quotient<int64_t>(x, y, scale), *r, format)
                      : normalize(scaled_quotient<wide_t>(x, y, scale), *r, format);
}

void fxp_neg(fxp_t* r, const fxp_t* a)
{
    const Operand x = operand_of(*a);
    const Layout format = layout_of(*r);
    const int64_t to_point = int64_t{r->point} - x.fraction;
    const bool narrow =
        fits_narrow(format) && x.magnitude_bits + positive_part(to_point) <= kNarrowBits;
    r->value = narrow ? normalize(shift(-widen<int64_t>(x.raw), to_point), *r, format)
                      : normalize(shift(-widen<wide_t>(x.raw), to_point), *r, format);
}

} // extern "C"
