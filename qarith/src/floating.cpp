// Conversions between records and double.
#include "qarith.h"

#include "bits.hpp"
#include "layout.hpp"

#include <cmath>
#include <cstdio>

using namespace qarith::detail;

namespace
{

void report_incomplete()
{
    std::fputs("double_to_fxp: integer part conversion is incomplete.\n", stderr);
}

// The low `count` bits of x (none for count <= 0, all for count >= 32).
uint32_t low_bits(uint32_t x, int64_t count)
{
    if (count <= 0)
        return 0;
    if (count >= 32)
        return x;
    return x & ((1u << count) - 1u);
}

} // namespace

extern "C" {

void double_to_fxp(double d, fxp_t* x)
{
    x->value = 0;
    // No integer part to take from NaN or an infinity: report, keep zero.
    if (!std::isfinite(d)) {
        report_incomplete();
        return;
    }
    const Layout layout = layout_of(*x);
    const double whole = std::trunc(d);
    // An integer part beyond 32 bits keeps none of its bits; the check comes
    // before any conversion, which would be undefined out of range.
    const bool fits = whole >= -2147483648.0 && whole <= 2147483647.0;
    const auto integer = fits ? static_cast<int64_t>(whole) : 0;
    const auto magnitude = static_cast<uint32_t>(integer < 0 ? -integer : integer);
    const uint32_t integer_bits = low_bits(magnitude, x->iwl);
    if (!fits || integer_bits != magnitude)
        report_incomplete();

    // The binary expansion of the fraction's magnitude, cut after F digits.
    // Every step is exact; a double's fraction has at most 1074 binary
    // digits, so the loop ends early for any F.
    uint32_t fraction_bits = 0;
    double rest = d - whole;
    for (int64_t digit = 1; digit <= layout.fraction && rest != 0.0; ++digit) {
        rest *= 2.0;
        const double carry = std::trunc(rest);
        const int64_t position = layout.fraction - digit;
        if (carry != 0.0 && position < 32)
            fraction_bits |= 1u << position;
        rest -= carry;
    }

    int32_t magnitude_field = static_cast<int32_t>(
        static_cast<uint32_t>(shift32(static_cast<int32_t>(integer_bits), layout.fraction)) |
        fraction_bits);
    if (d < 0)
        magnitude_field = wrap_neg32(magnitude_field);
    x->value = shift32(magnitude_field, layout.guard);
}

double fxp_to_double(const fxp_t* x)
{
    // Sign and magnitude: the format's top bit is the sign, the wl - 1 bits
    // below it the magnitude in units of 2^-F.
    const Layout layout = layout_of(*x);
    const auto raw = static_cast<uint32_t>(raw_field(*x));
    const int64_t top = int64_t{x->wl} - 1;
    const double magnitude = static_cast<double>(low_bits(raw, top)) *
                             std::pow(2.0, static_cast<double>(-layout.fraction));
    const bool negative = top >= 0 && top < 32 && ((raw >> top) & 1u) != 0;
    return negative ? -magnitude : magnitude;
}

} // extern "C"
