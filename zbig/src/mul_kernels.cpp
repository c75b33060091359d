// Multiplication kernels on 64-bit limbs: schoolbook rows, squaring by half
// products, Karatsuba, and the dispatch among them and the transforms.
#include "digit_columns.h"
#include "limbs.h"
#include "thresholds.h"

#include "zbig.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace zbig
{
namespace
{

constexpr const char* mul_memory = "_mpz_realloc: cannot allocate memory";

void mul_basecase(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn)
{
    std::fill(r, r + an, 0);
    for (std::size_t j = 0; j < bn; ++j)
        r[an + j] = limbs_addmul_1(r + j, a, an, b[j]);
}

// a^2 from the products a_i a_j with i < j, doubled, plus the squares a_i^2:
// half the multiplications of the general case.
void sqr_basecase(limb* r, const limb* a, std::size_t n)
{
    std::fill(r, r + 2 * n, 0);
    // Row i adds a_i (a_{i+1} .. a_{n-1}) at 2i + 1; its carry lands in
    // r[i + n], which no earlier row reached.
    for (std::size_t i = 0; i + 1 < n; ++i)
        r[i + n] = limbs_addmul_1(r + 2 * i + 1, a + i + 1, n - i - 1, a[i]);
    limb top = 0;
    for (std::size_t k = 0; k < 2 * n; ++k) {
        const limb v = r[k];
        r[k] = (v << 1) | top;
        top = v >> 63;
    }
    limb carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const wide sq = wide(a[i]) * a[i];
        const wide lo = wide(r[2 * i]) + limb(sq) + carry;
        r[2 * i] = limb(lo);
        const wide hi = wide(r[2 * i + 1]) + limb(sq >> 64) + limb(lo >> 64);
        r[2 * i + 1] = limb(hi);
        carry = limb(hi >> 64);
    }
}

// Scratch limbs that mul_dispatch and sqr_dispatch need for n limbs: each
// Karatsuba level takes 4 * ceil(n / 2) and recurses on ceil(n / 2).
// (The ceilings add a few limbs per level, hence the margin.)
std::size_t scratch_limbs(std::size_t n)
{
    return 5 * n + 1024;
}

void mul_dispatch(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn, limb* ws);
void sqr_dispatch(limb* r, const limb* a, std::size_t n, limb* ws);

// r[0, n) = |x - y| over n limbs; returns true when x < y.
bool abs_diff(limb* r, const limb* x, std::size_t xn, const limb* y, std::size_t yn, std::size_t n)
{
    // x has xn <= n limbs, y has yn <= n limbs; both zero-extended to n.
    std::size_t xs = xn, ys = yn;
    while (xs > 0 && x[xs - 1] == 0)
        --xs;
    while (ys > 0 && y[ys - 1] == 0)
        --ys;
    bool x_less = xs < ys || (xs == ys && limbs_cmp(x, y, xs) < 0);
    if (x_less) {
        limbs_sub(r, y, ys, x, xs);
        std::fill(r + ys, r + n, 0);
    } else {
        limbs_sub(r, x, xs, y, ys);
        std::fill(r + xs, r + n, 0);
    }
    return x_less;
}

// Adds the middle term m (mn limbs) plus a signed top carry into r at offset
// h; the true middle product is never negative, so the sum fits r.
void add_middle(limb* r, std::size_t rn, std::size_t h, const limb* m, std::size_t mn, limb top)
{
    limb carry = limbs_add(r + h, r + h, mn, m, mn) + top;
    for (std::size_t i = h + mn; carry != 0 && i < rn; ++i) {
        r[i] += carry;
        carry = r[i] < carry;
    }
}

// Balanced Karatsuba for ceil(an / 2) < bn <= an: with a = a1 B^h + a0 and
// b = b1 B^h + b0, a b = z2 B^2h + (z0 + z2 - (a0 - a1)(b0 - b1)) B^h + z0.
void mul_karatsuba(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn, limb* ws)
{
    const std::size_t h = (an + 1) / 2;
    const std::size_t a1n = an - h, b1n = bn - h;
    limb *da = ws, *db = ws + h, *t = ws + 2 * h, *rest = ws + 4 * h;
    const bool a_neg = abs_diff(da, a, h, a + h, a1n, h);
    const bool b_neg = abs_diff(db, b, h, b + h, b1n, h);
    mul_dispatch(t, da, h, db, h, rest);
    mul_dispatch(r, a, h, b, h, rest);
    if (a1n >= b1n)
        mul_dispatch(r + 2 * h, a + h, a1n, b + h, b1n, rest);
    else
        mul_dispatch(r + 2 * h, b + h, b1n, a + h, a1n, rest);
    // m = z0 + z2 -+ t over 2h limbs with a signed carry.
    limb* m = ws; // da and db are no longer needed
    const std::size_t z2n = an + bn - 2 * h;
    limb top = limbs_add(m, r, 2 * h, r + 2 * h, z2n);
    if (a_neg == b_neg)
        top -= limbs_sub(m, m, 2 * h, t, 2 * h);
    else
        top += limbs_add(m, m, 2 * h, t, 2 * h);
    add_middle(r, an + bn, h, m, 2 * h, top);
}

void sqr_karatsuba(limb* r, const limb* a, std::size_t n, limb* ws)
{
    const std::size_t h = (n + 1) / 2;
    const std::size_t a1n = n - h;
    limb *da = ws, *t = ws + 2 * h, *rest = ws + 4 * h;
    abs_diff(da, a, h, a + h, a1n, h);
    sqr_dispatch(t, da, h, rest);
    sqr_dispatch(r, a, h, rest);
    sqr_dispatch(r + 2 * h, a + h, a1n, rest);
    limb* m = ws;
    limb top = limbs_add(m, r, 2 * h, r + 2 * h, 2 * a1n);
    top -= limbs_sub(m, m, 2 * h, t, 2 * h);
    add_middle(r, 2 * n, h, m, 2 * h, top);
}

void mul_dispatch(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn, limb* ws)
{
    if (bn < thresholds.karatsuba) {
        mul_basecase(r, a, an, b, bn);
    } else if (2 * bn <= an + 1) {
        // Unbalanced: multiply b by slices of a as long as b and add them up.
        limb *part = ws, *rest = ws + an + bn; // part holds at most 2 bn limbs
        mul_dispatch(r, a, bn, b, bn, rest);
        std::size_t done = bn;
        std::fill(r + 2 * bn, r + an + bn, 0);
        while (done < an) {
            const std::size_t k = std::min(bn, an - done);
            if (k >= bn)
                mul_dispatch(part, a + done, k, b, bn, rest);
            else
                mul_dispatch(part, b, bn, a + done, k, rest);
            limbs_add(r + done, r + done, an + bn - done, part, k + bn);
            done += k;
        }
    } else {
        mul_karatsuba(r, a, an, b, bn, ws);
    }
}

void sqr_dispatch(limb* r, const limb* a, std::size_t n, limb* ws)
{
    if (n < thresholds.karatsuba_sqr)
        sqr_basecase(r, a, n);
    else
        sqr_karatsuba(r, a, n, ws);
}

} // namespace

namespace
{

// Products by a short operand of B <= an digits (B known at compile time),
// column by column: the products of one column are independent of each
// other and of the carry, so they add without waiting, and b's digits stay
// in registers. A digit product is below 2^60 - 2^31 + 2: a column of up to
// 16 of them plus the carry from the column below (under 2^35) fits 64 bits.
template <std::size_t B> void mul_columns(digit* r, const digit* a, std::size_t an, const digit* b)
{
    static_assert(B >= 2 && B <= 16);
    uint64_t m[B];
    for (std::size_t j = 0; j < B; ++j)
        m[j] = b[j];
    uint64_t column = 0;
    std::size_t k = 0;
    // Columns below B - 1 miss the products of b's upper digits, columns
    // from an on those of its lower ones.
    for (; k + 1 < B; ++k) {
        ZBIG_UNROLL
        for (std::size_t j = 0; j < B; ++j)
            if (j <= k)
                column += a[k - j] * m[j];
        r[k] = digit(column) & digit_mask;
        column >>= digit_bits;
    }
    for (; k < an; ++k) {
        ZBIG_UNROLL
        for (std::size_t j = 0; j < B; ++j)
            column += a[k - j] * m[j];
        r[k] = digit(column) & digit_mask;
        column >>= digit_bits;
    }
    for (; k + 1 < an + B; ++k) {
        ZBIG_UNROLL
        for (std::size_t j = 0; j < B; ++j)
            if (k - j < an)
                column += a[k - j] * m[j];
        r[k] = digit(column) & digit_mask;
        column >>= digit_bits;
    }
    r[an + B - 1] = digit(column);
}
// a^2 for N digits, the top digit stored too.
template <std::size_t N> void sqr_columns(digit* r, const digit* a)
{
    static_assert(N <= max_sqr_column_digits);
    r[2 * N - 1] = square_columns<N>(r, a);
}

// The kernels by the short operand's length, 2 to 16 digits, and by the
// square's length, 2 to max_sqr_column_digits.
using mul_kernel = void (*)(digit*, const digit*, std::size_t, const digit*);
using sqr_kernel = void (*)(digit*, const digit*);
template <std::size_t... B>
constexpr std::array<mul_kernel, 17> mul_kernels(std::index_sequence<B...>)
{
    return {nullptr, nullptr, &mul_columns<B + 2>...};
}
template <std::size_t... N>
constexpr std::array<sqr_kernel, max_sqr_column_digits + 1> sqr_kernels(std::index_sequence<N...>)
{
    return {nullptr, nullptr, &sqr_columns<N + 2>...};
}
constexpr auto mul_by_length = mul_kernels(std::make_index_sequence<15>());
constexpr auto sqr_by_length = sqr_kernels(std::make_index_sequence<max_sqr_column_digits - 1>());

} // namespace

void digits_mul_basecase(digit* r, const digit* a, std::size_t an, const digit* b, std::size_t bn)
{
    if (a == b && an == bn && an >= 2 && an <= max_sqr_column_digits) {
        sqr_by_length[an](r, a);
        return;
    }
    if (an < bn) {
        std::swap(a, b);
        std::swap(an, bn);
    }
    if (bn >= 2 && bn <= 16 && an <= 64) {
        mul_by_length[bn](r, a, an, b);
        return;
    }
    // Rows: product + digit + carry fits 64 bits at any length.
    uint64_t carry = 0;
    for (std::size_t i = 0; i < an; ++i) {
        const uint64_t t = uint64_t(a[i]) * b[0] + carry;
        r[i] = digit(t) & digit_mask;
        carry = t >> digit_bits;
    }
    r[an] = digit(carry);
    for (std::size_t j = 1; j < bn; ++j) {
        const uint64_t m = b[j];
        carry = 0;
        for (std::size_t i = 0; i < an; ++i) {
            const uint64_t t = uint64_t(a[i]) * m + r[i + j] + carry;
            r[i + j] = digit(t) & digit_mask;
            carry = t >> digit_bits;
        }
        r[an + j] = digit(carry);
    }
}

void limbs_mul(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn)
{
    if (bn >= thresholds.ntt) {
        limbs_mul_ntt(r, a, an, b, bn);
        return;
    }
    if (bn < thresholds.karatsuba) {
        mul_basecase(r, a, an, b, bn);
        return;
    }
    limb* ws = allocate_limbs(scratch_limbs(an), mul_memory);
    mul_dispatch(r, a, an, b, bn, ws);
    release_limbs(ws);
}

void limbs_sqr(limb* r, const limb* a, std::size_t n)
{
    if (n >= thresholds.ntt_sqr) {
        limbs_mul_ntt(r, a, n, a, n);
        return;
    }
    if (n < thresholds.karatsuba_sqr) {
        sqr_basecase(r, a, n);
        return;
    }
    limb* ws = allocate_limbs(scratch_limbs(n), mul_memory);
    sqr_dispatch(r, a, n, ws);
    release_limbs(ws);
}

} // namespace zbig
