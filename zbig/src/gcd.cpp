// Greatest common divisors: plain and with cofactors.
#include "euclid.h"

using namespace zbig;

extern "C" ZBIG_API void mpz_gcd(mpz_rec* g, const mpz_rec* a, const mpz_rec* b)
{
    const euclid_chain chain = run_euclid(natural::of(a), natural::of(b), false, false);
    store(g, chain.last, 1);
}

// The chain of truncating remainders a, b, r1, r2, ... has the magnitudes of
// Euclid's chain on |a|, |b|, each remainder taking the sign of its dividend,
// so the sign of r_i is that of a for even i and of b for odd i. Carrying
// that through the cofactor recurrence gives the cofactors of the recursive
// definition from those of the unsigned chain: with sigma the sign of the
// last remainder r_n, g = sigma |r_n|, s = sigma sign(a) U_n and
// t = sigma sign(b) V_n. The chain is iterated, so the stack stays flat for
// operands of any length.
extern "C" ZBIG_API void mpz_gcdext(mpz_rec* g, mpz_rec* s, mpz_rec* t, const mpz_rec* a,
                                    const mpz_rec* b)
{
    // One record cannot hold two results: a caller's slip ends here, named.
    if (g == s || g == t || s == t)
        fatal("mpz_gcdext: g, s and t must be different records");
    const natural x = natural::of(a), y = natural::of(b);
    const int sa = x.is_zero() ? 0 : a->sign, sb = y.is_zero() ? 0 : b->sign;
    if (y.is_zero()) {
        if (t != nullptr)
            store(t, natural(), 0);
        store(s, natural(1), 1);
        store(g, x, sa);
        return;
    }
    const euclid_chain chain = run_euclid(x, y, true, t != nullptr);
    const bool even = chain.steps % 2 == 0;
    const int sigma = even ? sa : sb;
    // Written in the order the recursive form writes them: t, s, g.
    if (t != nullptr)
        store(t, chain.v, sigma * sb * (even ? -1 : 1));
    store(s, chain.u, sigma * sa * (even ? 1 : -1));
    store(g, chain.last, sigma);
}
