// Sum, difference, product, quotient and negation. Each forms its result
// exactly, places it at the result's binary point and normalises it there;
// only the final container keeps 32 bits. So a saturating result clamps the
// true value instead of a wrapped one, while every result whose intermediate
// fits 32 bits is the same as with 32-bit intermediates.
//
// The exact result is formed in 64 bits when the operand and result formats
// bound it by 2^62 (every well-formed format does), and in 128 bits
// otherwise. Both widths run the same code and give the same container: the
// 64-bit one is only the cheaper way to the same bits. Each operation reads
// the layouts of its three records once; r may alias a or b, as every
// operand is read before r's value is written.
#include "qarith.h"

#include "bits.hpp"
#include "layout.hpp"
#include "normalize.hpp"

#include <cstdio>

using namespace qarith::detail;

namespace
{

// The records of one call with their layouts.
struct Call {
    const fxp_t& r;
    const fxp_t& a;
    const fxp_t& b;
    Layout format = layout_of(r);
    Layout x = layout_of(a);
    Layout y = layout_of(b);
};

// A guard count in 0..31 leaves a raw field of at most 31 - G bits besides
// the sign: |raw| <= 2^magnitude_bits.
constexpr bool narrow_operand(const Layout& x)
{
    return x.guard >= 0 && x.guard <= 31;
}

constexpr int64_t magnitude_bits(const Layout& x)
{
    return 31 - x.guard;
}

template <typename Int> Int raw(const fxp_t& x, const Layout& layout)
{
    return static_cast<Int>(raw_field(x, layout));
}

constexpr int64_t positive_part(int64_t x)
{
    return x > 0 ? x : 0;
}

// The 128-bit path runs out of line from the records alone: it serves
// formats the 64-bit path cannot, and inlined it would cost every call
// registers and code.
template <int32_t (*Operation)(const Call&)>
[[gnu::noinline, gnu::cold]] void out_of_line(int32_t* out, const fxp_t* r, const fxp_t* a,
                                              const fxp_t* b)
{
    *out = Operation(Call{*r, *a, *b});
}

enum class Sign { plus, minus };

// Both raw fields aligned to the wider fraction, added or subtracted, and
// the result moved to r's point.
template <typename Int, Sign sign> int32_t aligned_sum(const Call& c)
{
    const int64_t fraction = c.x.fraction > c.y.fraction ? c.x.fraction : c.y.fraction;
    const Int left = shift(raw<Int>(c.a, c.x), fraction - c.x.fraction);
    const Int right = shift(raw<Int>(c.b, c.y), fraction - c.y.fraction);
    const Int exact = sign == Sign::plus ? wrap_add(left, right) : wrap_sub(left, right);
    return normalize(shift(exact, int64_t{c.r.point} - fraction), c.r, c.format);
}

// Each operation writes the container of its result, in r's format, to
// *out: &r->value for the C calls, a local for the operators' entry points.
template <Sign sign>
void add_or_subtract(int32_t* out, const fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const Call c{*r, *a, *b};
    const int64_t fraction = c.x.fraction > c.y.fraction ? c.x.fraction : c.y.fraction;
    // Each aligned term at r's point below 2^61 keeps the sum below 2^62.
    // An operand's term has magnitude_bits + (reach - F) = 31 + reach - point
    // bits, where reach is the larger of r's point and the aligned fraction.
    const int64_t reach = r->point > fraction ? r->point : fraction;
    if (fits_narrow(c.format) && narrow_operand(c.x) && narrow_operand(c.y) &&
        31 + reach - a->point < kNarrowBits && 31 + reach - b->point < kNarrowBits) {
        assume(narrow_operand(c.x) && narrow_operand(c.y) && r->point - fraction < kNarrowBits);
        assume(fraction - c.x.fraction >= 0 && fraction - c.x.fraction < kNarrowBits);
        assume(fraction - c.y.fraction >= 0 && fraction - c.y.fraction < kNarrowBits);
        *out = aligned_sum<int64_t, sign>(c);
        return;
    }
    out_of_line<aligned_sum<wide_t, sign>>(out, r, a, b);
}

// Two 32-bit raw fields: the product is exact in either width. It has
// Fa + Fb fraction bits, `surplus` more than r's point.
template <typename Int> int32_t scaled_product(const Call& c)
{
    const int64_t surplus = c.x.fraction + c.y.fraction - c.r.point;
    const Int product = raw<Int>(c.a, c.x) * raw<Int>(c.b, c.y);
    return normalize(shift(product, -surplus), c.r, c.format);
}

// (x.raw / 2^Fa) / (y.raw / 2^Fb) in units of 2^-point of r is
// x.raw * 2^scale / y.raw with scale = point + Fb - Fa, truncated toward
// zero before quantisation. A negative scale moves to the divisor. Beyond
// +-95 the quotient is zero or meaningless anyway; the bound keeps both
// operands of the division inside 128 bits.
int64_t quotient_scale(const Call& c)
{
    const int64_t scale = int64_t{c.r.point} + c.y.fraction - c.x.fraction;
    return scale > 95 ? 95 : (scale < -95 ? -95 : scale);
}

[[gnu::cold, gnu::noinline]] void report_division_by_zero()
{
    std::fputs("fxp_div: Division by zero.\n", stderr);
}

// A divisor whose container or raw field is zero is refused (and reported
// when Report), and r stays untouched. Both paths test it after their own
// facts about the layouts, so that the 64-bit one reads the raw field with a
// single shift.
template <bool Report> bool refuses_division(const Call& c)
{
    if (c.b.value != 0 && raw_field(c.b, c.y) != 0)
        return false;
    if (Report)
        report_division_by_zero();
    return true;
}

template <typename Int> int32_t scaled_quotient(const Call& c)
{
    const int64_t scale = quotient_scale(c);
    const Int dividend = scale >= 0 ? shift(raw<Int>(c.a, c.x), scale) : raw<Int>(c.a, c.x);
    const Int divisor = scale >= 0 ? raw<Int>(c.b, c.y) : shift(raw<Int>(c.b, c.y), -scale);
    return normalize(dividend / divisor, c.r, c.format);
}

template <typename Int> int32_t negation(const Call& c)
{
    return normalize(shift(-raw<Int>(c.a, c.x), int64_t{c.r.point} - c.x.fraction), c.r, c.format);
}

void multiply(int32_t* out, const fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const Call c{*r, *a, *b};
    const int64_t lift = positive_part(r->point - (c.x.fraction + c.y.fraction));
    if (fits_narrow(c.format) && narrow_operand(c.x) && narrow_operand(c.y) &&
        magnitude_bits(c.x) + magnitude_bits(c.y) + lift <= kNarrowBits) {
        assume(narrow_operand(c.x) && narrow_operand(c.y));
        assume(r->point - (c.x.fraction + c.y.fraction) <= kNarrowBits);
        *out = scaled_product<int64_t>(c);
        return;
    }
    out_of_line<scaled_product<wide_t>>(out, r, a, b);
}

// False, with *out untouched, for a zero divisor (reported when Report).
template <bool Report> bool divide(int32_t* out, const fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    const Call c{*r, *a, *b};
    // The quotient is at most the dividend in magnitude.
    const int64_t scale = quotient_scale(c);
    const int64_t bits = scale >= 0 ? magnitude_bits(c.x) + scale : magnitude_bits(c.y) - scale;
    if (fits_narrow(c.format) && narrow_operand(c.x) && narrow_operand(c.y) &&
        bits <= kNarrowBits) {
        assume(narrow_operand(c.x) && narrow_operand(c.y));
        assume(scale <= kNarrowBits && -scale <= kNarrowBits);
        if (refuses_division<Report>(c))
            return false;
        *out = scaled_quotient<int64_t>(c);
        return true;
    }
    if (refuses_division<Report>(c))
        return false;
    out_of_line<scaled_quotient<wide_t>>(out, r, a, b);
    return true;
}

} // namespace

// Each entry point is one straight piece of code (flatten): the steps of its
// operation are inlined, the 128-bit path and the report stay out of line.
extern "C" {

[[gnu::flatten]] void fxp_add(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    add_or_subtract<Sign::plus>(&r->value, r, a, b);
}

[[gnu::flatten]] void fxp_sub(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    add_or_subtract<Sign::minus>(&r->value, r, a, b);
}

[[gnu::flatten]] void fxp_mul(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    multiply(&r->value, r, a, b);
}

[[gnu::flatten]] void fxp_div(fxp_t* r, const fxp_t* a, const fxp_t* b)
{
    divide<true>(&r->value, r, a, b);
}

[[gnu::flatten]] void fxp_neg(fxp_t* r, const fxp_t* a)
{
    const Call c{*r, *a, *a};
    const int64_t to_point = int64_t{r->point} - c.x.fraction;
    if (fits_narrow(c.format) && narrow_operand(c.x) &&
        magnitude_bits(c.x) + positive_part(to_point) <= kNarrowBits) {
        assume(narrow_operand(c.x) && to_point <= kNarrowBits);
        r->value = negation<int64_t>(c);
        return;
    }
    out_of_line<negation<wide_t>>(&r->value, r, a, a);
}

// The entry points of qarith.hpp's binary operators (declared there): the
// container of a op b in a's format, returned rather than stored. Knowing
// that the result has a's format, each reads that format once, and the
// operator builds its new value without a record for the call to write.
[[gnu::flatten]] int32_t qarith_add_value(const fxp_t* a, const fxp_t* b)
{
    int32_t value;
    add_or_subtract<Sign::plus>(&value, a, a, b);
    return value;
}

[[gnu::flatten]] int32_t qarith_sub_value(const fxp_t* a, const fxp_t* b)
{
    int32_t value;
    add_or_subtract<Sign::minus>(&value, a, a, b);
    return value;
}

[[gnu::flatten]] int32_t qarith_mul_value(const fxp_t* a, const fxp_t* b)
{
    int32_t value;
    multiply(&value, a, a, b);
    return value;
}

// A zero divisor gives INT64_MIN, which no container is, and no report:
// the operator turns it into an exception.
[[gnu::flatten]] int64_t qarith_div_value(const fxp_t* a, const fxp_t* b)
{
    int32_t value;
    return divide<false>(&value, a, a, b) ? value : INT64_MIN;
}

} // extern "C"
