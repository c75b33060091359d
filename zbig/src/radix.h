// Conversion of magnitudes to and from digit values in a base 2 to 36.
#ifndef ZBIG_RADIX_H
#define ZBIG_RADIX_H

#include "natural.h"

#include <cstddef>
#include <cstdint>

namespace zbig {

// Upper bound used for buffer sizes: (30 * significant digits) / floor(log2
// base) + 1.
std::size_t digits_upper_bound(std::size_t significant_digits, unsigned base);

// Writes the digits of a (most significant first, no leading zeros, "0" for
// zero) as characters '0'-'9', 'a'-'z' to out, which must hold
// digits_upper_bound(a.size(), base) characters; returns how many it wrote.
std::size_t to_characters(const natural &a, unsigned base, char *out);

// The value of n digit values (each below base), most significant first.
natural from_digit_values(const uint8_t *values, std::size_t n, unsigned base);

} // namespace zbig

#endif
