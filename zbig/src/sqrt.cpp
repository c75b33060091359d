// Integer square root with remainder.
#include "natural.h"

using namespace zbig;

namespace
{

uint64_t isqrt64(uint64_t n)
{
    uint64_t r = 0, bit = uint64_t(1) << 62;
    while (bit > n)
        bit >>= 2;
    while (bit != 0) {
        if (n >= r + bit) {
            n -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return r;
}

// floor(sqrt(n)): the root of the top half of the bits, scaled up, lies
// just above the root with about half the bits right, and Newton's
// iteration from above, g = (g + n / g) / 2 while it decreases, then doubles
// the correct bits per step and ends exactly at the floor of the root.
natural isqrt(const natural& n)
{
    const uint64_t bits = n.bit_length();
    if (bits <= 64) {
        const uint64_t v =
            uint64_t(n[0]) | uint64_t(n[1]) << digit_bits | uint64_t(n[2]) << (2 * digit_bits);
        return natural(isqrt64(v));
    }
    const uint64_t k = bits / 4;
    natural g = shl(add_small(isqrt(shr(n, 2 * k)), 1), k);
    for (;;) {
        natural q;
        divmod(&q, nullptr, n, g);
        natural y = shr(add(g, q), 1);
        if (y.compare(g) >= 0)
            return g;
        g = static_cast<natural&&>(y);
    }
}

} // namespace

extern "C" ZBIG_API void mpz_sqrtrem(mpz_rec* root, mpz_rec* rem, const mpz_rec* x)
{
    if (root == rem)
        fatal("mpz_sqrtrem: root and remainder must be different records");
    if (x->sign < 0)
        return;
    const natural n = natural::of(x);
    const natural r = isqrt(n);
    const natural remainder = sub(n, mul(r, r));
    store(root, r, 1);
    if (rem != nullptr)
        store(rem, remainder, 1);
}

extern "C" ZBIG_API void mpz_sqrt(mpz_rec* root, const mpz_rec* x)
{
    mpz_sqrtrem(root, nullptr, x);
}
