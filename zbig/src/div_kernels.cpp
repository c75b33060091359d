// Division kernels on 64-bit limbs: schoolbook long division, and for long
// operands blocks divided by a Newton reciprocal.
#include "limbs.h"
#include "short_division.h"
#include "thresholds.h"

#include "zbig.h"

#include <algorithm>
#include <bit>

namespace zbig
{
namespace
{

constexpr const char* div_memory = "udiv: cannot allocate memory";

// floor((2^128 - 1) / d) - 2^64 for d with its top bit set: the reciprocal
// divide_2by1_preinv multiplies by.
limb reciprocal_of(limb d)
{
    limb unused;
    return divide_2by1(~d, ~limb(0), d, unused);
}

// (hi 2^64 + lo) / d and its remainder, for hi < d and d with its top bit
// set, from d's reciprocal: two multiplications and at most two
// corrections, shorter than a divq in a loop that divides by the same d.
inline limb divide_2by1_preinv(limb hi, limb lo, limb d, limb inv, limb& remainder)
{
    const wide p = wide(inv) * hi + ((wide(hi + 1) << 64) | lo);
    limb q = limb(p >> 64);
    limb r = lo - q * d;
    if (r > limb(p)) {
        --q;
        r += d;
    }
    if (r >= d) {
        ++q;
        r -= d;
    }
    remainder = r;
    return q;
}

// Divides the normalised u (un + 1 limbs, top limb below v's top) by the
// normalised v (dn >= 2 limbs, top bit set), leaving the quotient's un - dn + 1
// limbs in q and the remainder in u[0, dn).
void divide_normalised(limb* q, limb* u, std::size_t un, const limb* v, std::size_t dn)
{
    const limb v1 = v[dn - 1], v0 = v[dn - 2];
    // The reciprocal costs one division: worth it from four quotient limbs
    // (zbig_small_sizes_bench divmod, 3 quotient limbs: 68 ns by divq, 72
    // ns with the reciprocal; 5 limbs: 115 against 102 ns; 9 limbs: 215
    // against 187 ns).
    const bool by_reciprocal = un - dn + 1 >= 4;
    const limb inv = by_reciprocal ? reciprocal_of(v1) : 0;
    for (std::size_t j = un - dn + 1; j-- > 0;) {
        const limb u2 = u[j + dn], u1 = u[j + dn - 1], u0 = u[j + dn - 2];
        limb qhat, rhat;
        bool rhat_big = false; // rhat >= 2^64: no further correction possible
        if (u2 >= v1) {
            // u2 == v1: the estimate saturates at 2^64 - 1 and
            // rhat = u2 * 2^64 + u1 - (2^64 - 1) * v1 = u1 + v1.
            qhat = ~limb(0);
            rhat = u1 + v1;
            rhat_big = rhat < v1;
        } else {
            qhat = by_reciprocal ? divide_2by1_preinv(u2, u1, v1, inv, rhat)
                                 : divide_2by1(u2, u1, v1, rhat);
        }
        // Two-limb test: the estimate exceeds the true digit by at most 2.
        while (!rhat_big && wide(qhat) * v0 > ((wide(rhat) << 64) | u0)) {
            --qhat;
            rhat += v1;
            rhat_big = rhat < v1;
        }
        const limb borrow = limbs_submul_1(u + j, v, dn, qhat);
        const limb top = u[j + dn];
        u[j + dn] = top - borrow;
        if (top < borrow) {
            // The estimate was one too large (rare): add the divisor back.
            --qhat;
            u[j + dn] += limbs_add(u + j, u + j, dn, v, dn);
        }
        q[j] = qhat;
    }
}

// The bits a limb shifted left by s < 64 pushes into the next one; zero for
// s = 0 without a special case (a shift by 64 is undefined), so the shifts
// below need no separate copy for a divisor already normalised.
inline limb carried_left(limb x, unsigned s)
{
    return (x >> 1) >> (63 - s);
}

void shift_limbs_left(limb* out, const limb* a, std::size_t n, unsigned s)
{
    // out has n + 1 limbs; s < 64.
    limb carry = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = (a[i] << s) | carry;
        carry = carried_left(a[i], s);
    }
    out[n] = carry;
}

void shift_limbs_right(limb* out, const limb* a, std::size_t n, unsigned s)
{
    for (std::size_t i = 0; i + 1 < n; ++i)
        out[i] = (a[i] >> s) | ((a[i + 1] << 1) << (63 - s));
    out[n - 1] = a[n - 1] >> s;
}

// Limb products of any shape (the kernels want the longer operand first).
void multiply_any(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn)
{
    if (an >= bn)
        limbs_mul(r, a, an, b, bn);
    else
        limbs_mul(r, b, bn, a, an);
}

// a[0, n) -= 1 or += 1 with the carry rippling up (n covers the ripple).
void decrement(limb* a, std::size_t n)
{
    for (std::size_t i = 0; i < n && a[i]-- == 0; ++i) {
    }
}
void increment(limb* a, std::size_t n)
{
    for (std::size_t i = 0; i < n && ++a[i] == 0; ++i) {
    }
}

// Compares a[0, an) with b[0, bn), missing limbs reading as zero.
int compare_extended(const limb* a, std::size_t an, const limb* b, std::size_t bn)
{
    for (std::size_t i = an > bn ? an : bn; i-- > 0;) {
        const limb x = i < an ? a[i] : 0, y = i < bn ? b[i] : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace

void limbs_reciprocal(limb* inv, const limb* v, std::size_t p)
{
    if (p <= thresholds.reciprocal_base) {
        // Schoolbook: (B^2p - 1) / v directly.
        limb* u = allocate_limbs(2 * p + 1, div_memory);
        std::fill(u, u + 2 * p, ~limb(0));
        u[2 * p] = 0;
        if (p == 1) {
            const wide num = ~wide(0);
            const wide quo = num / v[0];
            inv[0] = limb(quo);
            inv[1] = limb(quo >> 64);
        } else {
            divide_normalised(inv, u, 2 * p, v, p);
        }
        release_limbs(u);
        return;
    }
    // One Newton step from the reciprocal of the top h limbs, which carries
    // about h correct limbs: X = I_h B^(p-h) + I_h e / B^2h with
    // e = B^(p+h) - v I_h; then the residual B^2p - 1 - v X fixes the last
    // units, so the result is exact.
    const std::size_t h = p / 2 + 1;
    limb* buf = allocate_limbs((h + 1) + (p + h + 1) + (h + 1 + p + h) + (2 * p + 2), div_memory);
    limb *ih = buf, *t = ih + (h + 1), *corr = t + (p + h + 1), *prod = corr + (h + 1 + p + h);
    limbs_reciprocal(ih, v + (p - h), h);
    limbs_mul(t, v, p, ih, h + 1); // p >= h + 1
    // e = B^(p+h) - t, kept as a magnitude in t[0, p + h) and a sign.
    bool e_negative = t[p + h] != 0;
    if (e_negative) {
        --t[p + h]; // t - B^(p+h); t[p + h] was 1
    } else {
        for (std::size_t i = 0; i < p + h; ++i)
            t[i] = ~t[i];
        increment(t, p + h); // two's complement: B^(p+h) - t
    }
    std::size_t en = p + h;
    while (en > 0 && t[en - 1] == 0)
        --en;
    std::fill(inv, inv + p + 1, 0);
    std::copy(ih, ih + h + 1, inv + (p - h));
    if (en > 0) {
        multiply_any(corr, ih, h + 1, t, en);
        const std::size_t cn = h + 1 + en;
        if (cn > 2 * h) {
            const limb* shifted = corr + 2 * h;
            const std::size_t sn = std::min(cn - 2 * h, p + 1);
            if (e_negative)
                limbs_sub(inv, inv, p + 1, shifted, sn);
            else
                limbs_add(inv, inv, p + 1, shifted, sn);
        }
    }
    // Residual: want v inv <= B^2p - 1 < v (inv + 1).
    limbs_mul(prod, inv, p + 1, v, p); // 2p + 1 limbs
    prod[2 * p + 1] = 0;
    while (prod[2 * p] != 0) {
        decrement(inv, p + 1);
        limbs_sub(prod, prod, 2 * p + 1, v, p);
    }
    for (std::size_t i = 0; i < 2 * p; ++i)
        prod[i] = ~prod[i]; // B^2p - 1 - v inv
    prod[2 * p] = 0;
    while (compare_extended(prod, 2 * p, v, p) >= 0) {
        increment(inv, p + 1);
        limbs_sub(prod, prod, 2 * p, v, p);
    }
    release_limbs(buf);
}

namespace
{

// One block of the long division by the approximate reciprocal: w (k + dn
// limbs, its top dn limbs below v) becomes w mod v and q (k limbs) w / v.
// inv is floor((B^2p - 1) / vt) for vt the top p >= min(dn, k + 1) limbs of
// v, so the estimate is off by a few units at most; the remainder is then
// corrected exactly.
void divide_block(limb* q, limb* w, std::size_t k, const limb* v, std::size_t dn, const limb* inv,
                  std::size_t p, limb* scratch)
{
    const limb* wt = w + (dn - p);     // top k + p limbs
    limb* prod = scratch;              // k + 2p + 1 limbs
    limb* qa = prod + (k + 2 * p + 1); // k + 2 limbs
    limb* pv = qa + (k + 2);           // k + 1 + dn + 1 limbs
    multiply_any(prod, wt, k + p, inv, p + 1);
    std::copy(prod + 2 * p, prod + 2 * p + k + 1, qa);
    qa[k + 1] = 0;
    multiply_any(pv, qa, k + 1, v, dn);
    pv[k + 1 + dn] = 0;
    while (compare_extended(pv, k + 2 + dn, w, k + dn) > 0) {
        decrement(qa, k + 2);
        limbs_sub(pv, pv, k + 2 + dn, v, dn);
    }
    limbs_sub(w, w, k + dn, pv, k + dn);
    while (compare_extended(w, k + dn, v, dn) >= 0) {
        increment(qa, k + 2);
        limbs_sub(w, w, k + dn, v, dn);
    }
    std::copy(qa, qa + k, q);
}

// Long division in blocks of up to dn quotient limbs, each by one
// multiplication with a reciprocal of the divisor: the cost follows the
// multiplication's instead of growing with the product of the lengths.
void divide_by_reciprocal(limb* q, limb* u, std::size_t un, const limb* v, std::size_t dn)
{
    const std::size_t qn = un - dn + 1;
    const std::size_t p = std::min(dn, qn + 1);
    const std::size_t kmax = std::min(qn, dn);
    limb* buf =
        allocate_limbs((p + 1) + (kmax + 2 * p + 1) + (kmax + 2) + (kmax + dn + 2), div_memory);
    limb *inv = buf, *scratch = buf + (p + 1);
    limbs_reciprocal(inv, v + (dn - p), p);
    // u has un + 1 limbs and its top dn limbs are below v.
    for (std::size_t pos = qn; pos > 0;) {
        const std::size_t k = std::min(pos, dn);
        divide_block(q + (pos - k), u + (pos - k), k, v, dn, inv, p, scratch);
        pos -= k;
    }
    release_limbs(buf);
}

} // namespace

limb limbs_divrem_1(limb* q, const limb* a, std::size_t n, limb d)
{
    limb rem = 0;
    for (std::size_t i = n; i-- > 0;)
        q[i] = divide_2by1(rem, a[i], d, rem);
    return rem;
}

void limbs_divmod(limb* q, limb* r, const limb* a, std::size_t an, const limb* d, std::size_t dn)
{
    if (dn == 1) {
        r[0] = limbs_divrem_1(q, a, an, d[0]);
        return;
    }
    const unsigned s = std::countl_zero(d[dn - 1]);
    limb local[256];
    limb* buf = an + dn + 2 <= 256 ? local : allocate_limbs(an + 1 + dn + 1, div_memory);
    limb *u = buf, *v = buf + an + 1;
    shift_limbs_left(v, d, dn, s); // v[dn], the zero carry limb, is scratch
    shift_limbs_left(u, a, an, s);
    if (std::min(dn, an - dn + 1) >= thresholds.div_reciprocal)
        divide_by_reciprocal(q, u, an, v, dn);
    else
        divide_normalised(q, u, an, v, dn);
    shift_limbs_right(r, u, dn, s);
    if (buf != local)
        release_limbs(buf);
}

} // namespace zbig
