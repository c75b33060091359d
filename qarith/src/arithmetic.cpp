// Sum, difference, product, quotient and negation. Each forms its result
// exactly in a wide integer, places it at the result's binary point and
// normalises it there; only the final container keeps 32 bits. So a
// saturating result clamps the true value instead of a wrapped one, while
// every result whose intermediate fits 32 bits is the same as with 32-bit
// intermediates.
#include "qarith.h"

#include "bits.hpp"
#include "layout.hpp"
#include "normalize.hpp"

#include <cstdio>

using namespace qarith::detail;

namespace
{

// An operand as a raw field with its fraction width: raw * 2^-fraction.
struct Operand {
    wide_t raw;
    int64_t fraction;
};

Operand operand_of(const fxp_t& x)
{
    return {raw_field(x), layout_of(x).fraction};
}

enum class Sign { plus, minus };

// Aligns both operands to the wider fraction, adds or subtracts them, and
// normalises the result at r's point. r may alias a or b: both are read first.
void add_or_subtract(fxp_t* r, const fxp_t* a, const fxp_t* b, Sign sign)
{
    const Operand x = operand_of(*a);
    const Operand y = operand_of(*b);
    const int64_t fraction = x.fraction > y.fraction ? x.fraction : y.fraction;
    const wide_t left = shift_wide(x.raw, fraction - x.fraction);
    const wide_t right = shift_wide(y.raw, fraction - y.fraction);
    const wide_t exact =
        sign == Sign::plus ? wrap_add_wide(left, right) : wrap_sub_wide(left, right);
    r->value = normalize_exact(shift_wide(exact, int64_t{r->point} - fraction), *r);
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
    // Two 32-bit raw fields: the product is exact in the wide type.
    const wide_t product = x.raw * y.raw;
    const int64_t surplus = x.fraction + y.fraction - r->point;
    r->value = normalize_exact(shift_wide(product, -surplus), *r);
}

void fxp_div(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const Operand x = operand_of(*a);
    const Operand y = operand_of(*b);
    if (b->value == 0 || y.raw == 0) {
        std::fputs("fxp_div: Division by zero.\n", stderr);
        return;
    }
    // (x.raw / 2^Fa) / (y.raw / 2^Fb) in units of 2^-point of r is
    // x.raw * 2^(point + Fb - Fa) / y.raw. With equal operand fractions and
    // r's point equal to a's, the dividend is a's raw field shifted by a's
    // point. The quotient truncates toward zero before quantisation.
    int64_t scale = int64_t{r->point} + y.fraction - x.fraction;
    // Beyond these bounds the quotient is zero or meaningless anyway; they
    // keep both operands of the division inside the wide type.
    scale = scale > 95 ? 95 : (scale < -95 ? -95 : scale);
    const wide_t dividend = scale >= 0 ? shift_wide(x.raw, scale) : x.raw;
    const wide_t divisor = scale >= 0 ? y.raw : shift_wide(y.raw, -scale);
    r->value = normalize_exact(dividend / divisor, *r);
}

void fxp_neg(fxp_t* r, const fxp_t* a)
{
    const Operand x = operand_of(*a);
    r->value = normalize_exact(shift_wide(-x.raw, int64_t{r->point} - x.fraction), *r);
}

} // extern "C"
