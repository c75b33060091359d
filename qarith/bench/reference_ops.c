#include "reference_ops.h"

#include <stdint.h>

/* Clears the guard bits of a value at r's point, then clamps it to r's range. */
static int32_t truncate_saturate(int64_t v, const fxp_t* r)
{
    const int guard = r->point - (r->wl - r->iwl);
    const int sign = r->point + r->iwl - 1;
    const int64_t largest = ((int64_t)1 << sign) - ((int64_t)1 << guard);
    const int64_t smallest = -((int64_t)1 << sign);
    v &= ~(((int64_t)1 << guard) - 1);
    if (v > largest)
        v = largest;
    else if (v < smallest)
        v = smallest;
    return (int32_t)v;
}

/* x * 2^count for count >= 0, without the undefined left shift of a
   negative number. */
static int64_t shift_left(int64_t x, int count)
{
    return (int64_t)((uint64_t)x << count);
}

static int32_t raw_of(const fxp_t* x)
{
    return x->value >> (x->point - (x->wl - x->iwl));
}

static int64_t aligned(const fxp_t* x, int fraction)
{
    return shift_left(raw_of(x), fraction - (x->wl - x->iwl));
}

static int wider_fraction(const fxp_t* a, const fxp_t* b)
{
    const int fa = a->wl - a->iwl, fb = b->wl - b->iwl;
    return fa > fb ? fa : fb;
}

__attribute__((noinline)) void reference_add(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const int fraction = wider_fraction(a, b);
    const int64_t sum = aligned(a, fraction) + aligned(b, fraction);
    r->value = truncate_saturate(shift_left(sum, r->point - fraction), r);
}

__attribute__((noinline)) void reference_sub(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const int fraction = wider_fraction(a, b);
    const int64_t difference = aligned(a, fraction) - aligned(b, fraction);
    r->value = truncate_saturate(shift_left(difference, r->point - fraction), r);
}

__attribute__((noinline)) void reference_mul(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const int64_t product = (int64_t)raw_of(a) * raw_of(b);
    const int surplus = (a->wl - a->iwl) + (b->wl - b->iwl) - r->point;
    r->value =
        truncate_saturate(surplus >= 0 ? product >> surplus : shift_left(product, -surplus), r);
}

__attribute__((noinline)) void reference_div(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const int32_t divisor = raw_of(b);
    if (divisor == 0)
        return;
    const int scale = r->point + (b->wl - b->iwl) - (a->wl - a->iwl);
    r->value = truncate_saturate(shift_left(raw_of(a), scale) / divisor, r);
}
