// Greatest common divisors: plain and with cofactors.
#include "natural.h"

using namespace zbig;

namespace {

// A signed value for the cofactor chain.
struct signed_natural {
    natural magnitude;
    int sign = 0; // -1, 0 or +1; 0 exactly when the magnitude is zero
};

signed_natural from_record(const mpz_rec *x)
{
    signed_natural r{natural::of(x), 0};
    r.sign = r.magnitude.is_zero() ? 0 : x->sign;
    return r;
}

// a - b * c with signs.
signed_natural sub_product(const signed_natural &a, const signed_natural &b, const signed_natural &c)
{
    const int product_sign = -b.sign * c.sign; // the sign of -(b * c)
    if (product_sign == 0)
        return {a.magnitude.copy(), a.sign};
    natural p = mul(b.magnitude, c.magnitude);
    if (a.sign == 0)
        return {static_cast<natural &&>(p), product_sign};
    if (a.sign == product_sign)
        return {add(a.magnitude, p), a.sign};
    const int cmp = a.magnitude.compare(p);
    if (cmp == 0)
        return {natural(), 0};
    if (cmp > 0)
        return {sub(a.magnitude, p), a.sign};
    return {sub(p, a.magnitude), product_sign};
}

void store_signed(mpz_rec *dst, const signed_natural &v) { store(dst, v.magnitude, v.sign); }

} // namespace

extern "C" ZBIG_API void mpz_gcd(mpz_rec *g, const mpz_rec *a, const mpz_rec *b)
{
    natural x = natural::of(a), y = natural::of(b);
    while (!y.is_zero()) {
        natural r = mod(x, y);
        x = static_cast<natural &&>(y);
        y = static_cast<natural &&>(r);
    }
    store(g, x, 1);
}

// Euclid's chain of truncating remainders a, b, r1, r2, ... with the
// cofactors carried forward: each r_i = a * s_i + b * t_i. The cofactors of
// the last nonzero remainder are the ones the recursive definition builds
// backward from the same quotients, and iterating keeps the stack flat for
// operands of any length.
extern "C" ZBIG_API void mpz_gcdext(mpz_rec *g, mpz_rec *s, mpz_rec *t, const mpz_rec *a, const mpz_rec *b)
{
    signed_natural r0 = from_record(a), r1 = from_record(b);
    signed_natural s0{natural(1), 1}, s1{};
    signed_natural t0{}, t1{natural(1), 1};
    while (r1.sign != 0) {
        signed_natural q, r;
        divmod(&q.magnitude, &r.magnitude, r0.magnitude, r1.magnitude);
        q.sign = q.magnitude.is_zero() ? 0 : r0.sign * r1.sign;
        r.sign = r.magnitude.is_zero() ? 0 : r0.sign;
        signed_natural s2 = sub_product(s0, q, s1);
        if (t != nullptr) {
            signed_natural t2 = sub_product(t0, q, t1);
            t0 = static_cast<signed_natural &&>(t1);
            t1 = static_cast<signed_natural &&>(t2);
        }
        s0 = static_cast<signed_natural &&>(s1);
        s1 = static_cast<signed_natural &&>(s2);
        r0 = static_cast<signed_natural &&>(r1);
        r1 = static_cast<signed_natural &&>(r);
    }
    // Written in the order the recursive form writes them: t, s, g.
    if (t != nullptr)
        store_signed(t, t0);
    store_signed(s, s0);
    store_signed(g, r0);
}
