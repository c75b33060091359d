// Products of magnitudes held as digit spans: operands are regrouped into
// limbs for the kernels, or multiplied digit by digit when they are short.
#include "limbs.h"
#include "magnitude.h"
#include "small_mul.h"
#include "thresholds.h"

#include <algorithm>

namespace zbig
{

constexpr const char* mul_memory = "_mpz_realloc: cannot allocate memory";

namespace
{

// out = a * b by 64-bit limbs; out.size() >= a.size() + b.size(), out may
// be a or b.
void multiply_by_limbs(std::span<digit> out, std::span<const digit> a, std::span<const digit> b,
                       bool square)
{
    const std::size_t an = limbs_for_digits(a.size()), bn = limbs_for_digits(b.size());
    // Small operands are regrouped on the stack: no allocation at all.
    limb local[256];
    limb* buf = 2 * (an + bn) <= 256 ? local : allocate_limbs(an + bn + an + bn, mul_memory);
    limb *la = buf, *lb = buf + an, *lr = buf + an + bn;
    pack_limbs({la, an}, a);
    if (square) {
        limbs_sqr(lr, la, an);
    } else {
        pack_limbs({lb, bn}, b);
        limbs_mul(lr, la, an, lb, bn);
    }
    unpack_limbs(out, {lr, an + bn});
    if (buf != local)
        release_limbs(buf);
}

} // namespace

void multiply_short(digit* out, std::span<const digit> a, std::span<const digit> b)
{
    const bool square = a.data() == b.data() && a.size() == b.size();
    if (a.size() < b.size())
        std::swap(a, b);
    if (a.size() <= small_product_side)
        multiply_small(out, a, b);
    else if (b.size() == 1)
        multiply_by_small({out, a.size() + 1}, a, b[0]);
    else if (b.size() < thresholds.digit_mul ||
             (square && a.size() < thresholds.digit_sqr && a.size() <= max_sqr_column_digits))
        digits_mul_basecase(out, a.data(), a.size(), b.data(), b.size());
    else
        multiply_by_limbs({out, a.size() + b.size()}, a, b, square);
}

void multiply_magnitudes(std::span<digit> out, std::span<const digit> a, std::span<const digit> b)
{
    const bool square = a.data() == b.data() && a.size() == b.size();
    a = a.first(significant_length(a));
    b = b.first(significant_length(b));
    if (a.size() < b.size())
        std::swap(a, b);
    if (b.empty()) {
        std::fill(out.begin(), out.end(), 0);
        return;
    }
    if (b.size() == 1) {
        multiply_by_small(out, a, b[0]);
        return;
    }
    if (a.size() + b.size() <= short_product_digits) {
        // Formed aside: out may be a or b.
        digit product[short_product_digits];
        const std::size_t n = a.size() + b.size();
        multiply_short(product, a, b);
        std::copy(product, product + n, out.begin());
        std::fill(out.begin() + n, out.end(), 0);
        return;
    }
    multiply_by_limbs(out, a, b, square);
}

void multiply_by_small(std::span<digit> out, std::span<const digit> a, uint32_t u)
{
    uint64_t carry = 0;
    std::size_t i = 0;
    for (; i < a.size(); ++i) {
        const uint64_t t = uint64_t(a[i]) * u + carry;
        out[i] = digit(t) & digit_mask;
        carry = t >> digit_bits;
    }
    for (; i < out.size(); ++i) {
        out[i] = digit(carry) & digit_mask;
        carry >>= digit_bits;
    }
}

} // namespace zbig
