// Kernels on 64-bit limbs. The public digits are 30 bits wide; products and
// quotients are computed on the same bits regrouped into 64-bit limbs so each
// machine multiplication does four times the work of a digit product.
#ifndef ZBIG_LIMBS_H
#define ZBIG_LIMBS_H

#include "digit.h"

#include <int128.hpp>

#include <cstddef>
#include <cstdint>
#include <span>

namespace zbig
{

using limb = uint64_t;
using wide = fsmdkit::uint128; // native where the target has it

// Limbs needed for n digits.
inline std::size_t limbs_for_digits(std::size_t n)
{
    return (n * digit_bits + 63) / 64;
}

// Regroups digits into limbs: out.size() >= limbs_for_digits(d.size()), all
// of out is written.
void pack_limbs(std::span<limb> out, std::span<const digit> d);
// Regroups limbs into digits, writing all of out (truncating or zero-padding).
void unpack_limbs(std::span<digit> out, std::span<const limb> l);

// Scratch limbs from the C heap; ends the process with `message` on failure.
limb* allocate_limbs(std::size_t n, const char* message);
void release_limbs(limb* p);

// r[0, an + bn) = a * b for an >= bn >= 1; r must not overlap a or b.
void limbs_mul(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn);
// r[0, 2n) = a * a.
void limbs_sqr(limb* r, const limb* a, std::size_t n);
// r[0, an + bn) = a * b by number-theoretic transforms, any sizes >= 1;
// a == b with an == bn squares.
void limbs_mul_ntt(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn);

// q[0, an - dn + 1) = a / d and r[0, dn) = a % d, for an >= dn >= 1 and
// d[dn - 1] != 0. Outputs must not overlap the inputs.
void limbs_divmod(limb* q, limb* r, const limb* a, std::size_t an, const limb* d, std::size_t dn);

// q[0, n) = a / d, returns a % d, for d != 0; q may be a.
limb limbs_divrem_1(limb* q, const limb* a, std::size_t n, limb d);

// inv[0, p + 1) = floor((B^2p - 1) / v) for v of p limbs with its top bit set
// (B = 2^64): the reciprocal the long division multiplies by.
void limbs_reciprocal(limb* inv, const limb* v, std::size_t p);

// r[0, an + bn) = a * b on 30-bit digits, for short operands (an, bn >= 1);
// r must not overlap a or b. Squares (a == b) of up to max_sqr_column_digits
// form each cross product once.
inline constexpr std::size_t max_sqr_column_digits = 24;
void digits_mul_basecase(digit* r, const digit* a, std::size_t an, const digit* b, std::size_t bn);

// Low-level helpers shared by the kernels.
limb limbs_add(limb* r, const limb* a, std::size_t an, const limb* b,
               std::size_t bn); // an >= bn, returns carry
limb limbs_sub(limb* r, const limb* a, std::size_t an, const limb* b,
               std::size_t bn); // an >= bn, returns borrow
int limbs_cmp(const limb* a, const limb* b, std::size_t n);
limb limbs_addmul_1(limb* r, const limb* a, std::size_t n, limb m); // r += a * m, returns carry
// The same in plain C++, used where the processor lacks BMI2 and ADX.
limb limbs_addmul_1_portable(limb* r, const limb* a, std::size_t n, limb m);
limb limbs_submul_1(limb* r, const limb* a, std::size_t n, limb m); // r -= a * m, returns borrow

} // namespace zbig

#endif
