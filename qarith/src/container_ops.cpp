// Operations on the container word alone: absolute value, minimum, maximum
// and the integer step. They do not normalise; operands are expected to
// share r's binary point.
#include "qarith.h"

#include "bits.hpp"

using namespace qarith::detail;

extern "C" {

void fxp_abs(fxp_t* r, const fxp_t* a)
{
    // Two's complement: the most negative container stays as it is.
    r->value = a->value < 0 ? wrap_neg32(a->value) : a->value;
}

void fxp_min(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    r->value = b->value < a->value ? b->value : a->value;
}

void fxp_max(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    r->value = b->value > a->value ? b->value : a->value;
}

int fxp_ceil(fxp_t* r, const fxp_t* a)
{
    const int64_t point = a->point;
    int32_t integer = shift32(a->value, -point);
    // A positive integer part steps up even when there is no fraction:
    // 2.0 gives 3.0, 0.5 gives 0.0, -0.5 gives -1.0.
    if (integer > 0)
        integer = wrap_add32(integer, 1);
    r->value = shift32(integer, point);
    return r->value;
}

} // extern "C"
