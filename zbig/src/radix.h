// Conversion of magnitudes to and from digit values in a base 2 to 36.
#ifndef ZBIG_RADIX_H
#define ZBIG_RADIX_H

#include "natural.h"

#include <cstddef>
#include <cstdint>

namespace zbig
{

// Upper bound used for buffer sizes: (30 * significant digits) / floor(log2
// base) + 1.
std::size_t digits_upper_bound(std::size_t significant_digits, unsigned base);

// Writes the digits of a (most significant first, no leading zeros, "0" for
// zero) as characters '0'-'9', 'a'-'z' to out, which must hold
// digits_upper_bound(a.size(), base) characters; returns how many it wrote.
std::size_t to_characters(const natural& a, unsigned base, char* out);

// The value of n digit values (each below base), most significant first.
natural from_digit_values(const uint8_t* values, std::size_t n, unsigned base);

// The value of text[0, n), characters that are all digits of the base (no
// blanks), most significant first, into out; false, out meaningless, when
// some character is no digit of the base.
bool from_plain_text(const char* text, std::size_t n, unsigned base, natural& out);

// Texts of at most this many digit values convert on the stack, without
// the heap (short_from_digit_values).
inline constexpr std::size_t short_text_values = 512;
// Digits short_from_digit_values may write for n <= short_text_values values.
inline constexpr std::size_t short_text_digits = short_text_values * 6 / digit_bits + 4;
// The value of n <= short_text_values digit values, most significant first,
// into out (short_text_digits digits); returns its significant length.
std::size_t short_from_digit_values(digit* out, const uint8_t* values, std::size_t n,
                                    unsigned base);

// The common text: n <= short_text_values characters, every one a digit of
// the base (no blanks), most significant first. Converts it in one pass into
// out (short_text_limbs 64-bit limbs), sets `count` to its significant limbs
// and returns true; returns false, with out and count meaningless, when some
// character is no digit of the base.
inline constexpr std::size_t short_text_limbs = short_text_values * 6 / 64 + 2;
bool short_limbs_from_text(const char* text, std::size_t n, unsigned base, uint64_t* out,
                           std::size_t& count);

// Writes the digits of the magnitude m (significant digits only) like
// to_characters, for m of fewer than short_to_text_digits digits, with no
// heap at all.
inline constexpr std::size_t short_to_text_digits = 40;
std::size_t short_to_characters(std::span<const digit> m, unsigned base, char* out);

} // namespace zbig

#endif
