// A literal model of the record rules: values are exact (cpp_int) and each
// operation walks through the same temporaries, with the same stored lengths,
// as the operation's definition; only the digit arithmetic is left to cpp_int.
// Differential tests compare value AND stored length against it.
#ifndef ZBIG_TEST_MODEL_H
#define ZBIG_TEST_MODEL_H

#include "oracle.h"

#include <algorithm>

namespace zbig_test::model
{

struct m {
    big v;
    uint32_t len;
};

inline m of(const mpz_rec* x)
{
    return {value_of(x), x->len};
}

inline uint32_t significant(const big& v)
{
    uint32_t n = 0;
    for (big a = abs(v); a != 0; a >>= 30)
        ++n;
    return n;
}

inline big sgn(const big& v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// _mpz_realloc on the stored length alone.
inline uint32_t grown(uint32_t len, uint32_t n)
{
    return n > 1 && n > len ? n : len;
}

// mpz_set(x, y).
inline m set(m x, const m& y)
{
    if (y.len > x.len)
        x.len = grown(x.len, significant(y.v));
    else if (y.len < x.len)
        x.len = grown(2, y.len);
    x.v = y.v;
    return x;
}

inline m fresh()
{
    return {0, 2};
}
inline m small(uint32_t u)
{
    return {u, 2};
}

inline m add(m p, const m& q, const m& r)
{
    if (q.v == 0)
        return set(p, r);
    if (r.v == 0)
        return set(p, q);
    m t = fresh();
    if (sgn(q.v) == sgn(r.v))
        t.len = grown(t.len, std::max(q.len, r.len) + 1); // uadd
    else if (abs(q.v) == abs(r.v))
        ; // all digits of t zeroed
    else
        t.len = grown(t.len, abs(q.v) > abs(r.v) ? q.len : r.len); // usub
    t.v = q.v + r.v;
    return set(p, t);
}

inline m sub(m p, const m& q, const m& r)
{
    return add(p, q, m{-r.v, r.len});
}

inline m mul(m p, const m& q, const m& r)
{
    m t = fresh();
    t.len = grown(t.len, q.len + r.len);
    t.v = q.v * r.v;
    return set(p, t);
}

// ulshift / urshift by n bits (1 to 29): through a fresh temporary.
inline m ulshift(m dst, const m& src, unsigned n)
{
    m t = fresh();
    t.len = grown(t.len, src.len + 1);
    t.v = abs(src.v) << n;
    return set(dst, t);
}
inline m urshift(m dst, const m& src, unsigned n)
{
    m t = fresh();
    t.len = grown(t.len, src.len);
    t.v = abs(src.v) >> n;
    return set(dst, t);
}

inline m mul_2exp(m p, const m& q, uint32_t n)
{
    if (n == 0)
        return set(p, q);
    const uint32_t w = n / 30, b = n % 30;
    m t = fresh();
    t.len = grown(t.len, q.len + w);
    t.v = abs(q.v) << (30 * w);
    p = b > 0 ? ulshift(p, t, b) : set(p, t);
    p.v = sgn(q.v) * (abs(q.v) << n);
    return p;
}

inline m div_2exp(m p, const m& q, uint32_t n)
{
    if (n == 0)
        return set(p, q);
    const uint32_t w = n / 30, b = n % 30;
    m t = fresh();
    if (w < q.len)
        t.len = grown(t.len, q.len - w);
    t.v = abs(q.v) >> (30 * w);
    p = b > 0 ? urshift(p, t, b) : set(p, t);
    p.v = sgn(q.v) * (abs(q.v) >> n);
    return p;
}

inline m mod_2exp(m p, const m& q, uint32_t n)
{
    if (n == 0)
        return {0, p.len};
    const uint32_t w = n / 30, b = n % 30;
    if (w > q.len || (w == q.len && b > 0))
        return set(p, q);
    m t = fresh();
    t.len = grown(t.len, w + (b > 0 ? 1 : 0));
    t.v = sgn(q.v) * (abs(q.v) & ((big(1) << n) - 1));
    return set(p, t);
}

enum class logic { and_, or_, xor_ };
inline m bitwise(m p, const m& q, const m& r, logic op)
{
    p.len = grown(p.len, std::max(q.len, r.len));
    const big x = abs(q.v), y = abs(r.v);
    const bool qn = q.v < 0, rn = r.v < 0;
    big v;
    bool neg;
    switch (op) {
    case logic::and_:
        v = x & y;
        neg = qn && rn;
        break;
    case logic::or_:
        v = x | y;
        neg = qn || rn;
        break;
    default:
        v = x ^ y;
        neg = qn != rn;
        break;
    }
    p.v = neg ? big(-v) : v;
    return p;
}

// udiv(Q, R, a, b) for b != 0, with its four temporaries.
inline void udiv(m& q_out, m& r_out, const m& a, const m& b)
{
    m x = fresh(), w = fresh(), z = fresh();
    x.len = grown(x.len, a.len + 1);
    uint32_t top = 0; // b's top digit
    for (big v = abs(b.v); v != 0; v >>= 30)
        top = static_cast<uint32_t>(v & 0x3fffffff);
    unsigned k = 0;
    while (!(top & (0x20000000u >> k)))
        ++k;
    x = k == 0 ? set(x, a) : ulshift(x, a, k);
    x.v = abs(a.v) << k;
    const uint32_t l1 = significant(x.v); // index of the top digit + 1
    w.len = grown(w.len, l1);
    z.len = grown(z.len, b.len);
    const big rem = abs(a.v) % abs(b.v);
    m xr{rem << k, x.len}; // X after the long division: the remainder, shifted
    z = k == 0 ? set(z, xr) : urshift(z, xr, k);
    r_out = set(r_out, z);
    w.v = abs(a.v) / abs(b.v);
    q_out = set(q_out, w);
}

// Truncating and floor division; a zero divisor zeroes every output.
inline m div(m p, const m& a, const m& b)
{
    if (b.v == 0)
        return {0, p.len};
    m r = fresh();
    udiv(p, r, a, b);
    p.v *= sgn(a.v) * sgn(b.v);
    return p;
}

inline m mdiv(m p, const m& a, const m& b)
{
    if (b.v == 0)
        return {0, p.len};
    m r = fresh();
    udiv(p, r, a, b);
    p.v *= sgn(a.v) * sgn(b.v);
    if (r.v != 0 && sgn(a.v) * sgn(b.v) < 0)
        p = sub(p, p, small(1));
    return p;
}

inline m mod(m p, const m& a, const m& b)
{
    if (a.v == 0 || b.v == 0)
        return {0, p.len};
    m q = fresh();
    udiv(q, p, a, b);
    p.v *= sgn(a.v);
    return p;
}

inline void divmod(m& p, m& r, const m& a, const m& b)
{
    if (a.v == 0 || b.v == 0) {
        p.v = 0;
        r.v = 0;
        return;
    }
    udiv(p, r, a, b);
    p.v *= sgn(a.v) * sgn(b.v);
    r.v *= sgn(a.v);
}

inline void floor_adjust(m& r, const m& a, const m& b)
{
    if (sgn(a.v) * sgn(b.v) > 0)
        r.v *= sgn(a.v);
    else if (b.v > 0)
        r = sub(r, b, r);
    else
        r = add(r, b, r);
}

inline m mmod(m p, const m& a, const m& b)
{
    if (a.v == 0 || b.v == 0)
        return {0, p.len};
    m q = fresh();
    udiv(q, p, a, b);
    if (p.v != 0)
        floor_adjust(p, a, b);
    return p;
}

inline void mdivmod(m& p, m& r, const m& a, const m& b)
{
    if (a.v == 0 || b.v == 0) {
        p.v = 0;
        r.v = 0;
        return;
    }
    udiv(p, r, a, b);
    p.v *= sgn(a.v) * sgn(b.v);
    if (r.v == 0)
        return;
    floor_adjust(r, a, b);
    if (sgn(a.v) * sgn(b.v) < 0)
        p = sub(p, p, small(1));
}

} // namespace zbig_test::model

#endif
