// Algorithms on magnitudes held as spans of 30-bit digits (least significant
// first). They know nothing of records: callers size the output spans, and
// every function writes all of its outputs, zero above the value.
// Entry points stay stable; faster algorithms go behind them.
#ifndef ZBIG_MAGNITUDE_H
#define ZBIG_MAGNITUDE_H

#include "record.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace zbig
{

// -1, 0 or +1 by magnitude; a missing digit reads as 0.
int compare_magnitudes(std::span<const digit> a, std::span<const digit> b);

// out = a + b; out.size() >= max(a.size(), b.size()). out may be a or b
// (same start), since each digit is read before that index is written.
// Returns the carry out of the top digit when out has no room for it
// (out.size() == max(a.size(), b.size())), otherwise 0.
digit add_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b);

// out = a - b for a >= b; out.size() >= significant length of a. Same
// aliasing as add_magnitudes.
void sub_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b);

// out = a * b; out.size() >= significant lengths of a and b summed. out may
// be a or b (same start): the inputs are read in full before out is written.
void multiply_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b);

// out = a * u; out.size() >= significant length of a + 2. Same aliasing as
// add_magnitudes.
void multiply_by_small(std::span<digit> out, std::span<const digit> a, uint32_t u);

// quotient = a / b and remainder = a % b for b != 0; quotient.size() >=
// max(1, sig(a) - sig(b) + 1), or one less when a's top digit is below b's
// (the quotient then has no more digits), remainder.size() >= sig(b).
// Outputs must not overlap the inputs.
void divide_magnitudes(std::span<digit> quotient, std::span<digit> remainder,
                       std::span<const digit> a, std::span<const digit> b);

// quotient = a / d, returns a % d, for 0 < d < 2^32; quotient.size() >=
// a.size(). quotient may be a.
uint32_t divide_by_small(std::span<digit> quotient, std::span<const digit> a, uint32_t d);

// out = a * 2^bits, truncated to out.size() digits. out must not overlap a.
void shift_left(std::span<digit> out, std::span<const digit> a, uint64_t bits);

// out = floor(a / 2^bits), truncated to out.size() digits. out may be a.
void shift_right(std::span<digit> out, std::span<const digit> a, uint64_t bits);

} // namespace zbig

#endif
