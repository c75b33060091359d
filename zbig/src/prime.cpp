// Probabilistic primality: trial division by small primes, then random
// Fermat trials that also watch every squaring for a square root of 1 other
// than 1 and m - 1, which proves m composite.
#include "montgomery.h"
#include "random_digits.h"

#include <cstring>

using namespace zbig;

extern "C" ZBIG_API const int32_t smallp[7] = {2, 3, 5, 7, 11, 13, 17};

namespace
{

uint32_t remainder_small(const natural& m, uint32_t p)
{
    uint64_t r = 0;
    for (std::size_t i = m.size(); i-- > 0;)
        r = ((r << digit_bits) | m[i]) % p;
    return uint32_t(r);
}

// One trial with witness a (0 < a < m); true when m passes.
bool passes_trial(montgomery& ctx, const natural& witness, const natural& d, const limb* one,
                  const limb* minus_one)
{
    const std::size_t n = ctx.limbs();
    limb *a = ctx.element(), *z = ctx.element();
    ctx.to_form(a, witness);
    std::memcpy(z, a, n * sizeof(limb));
    bool pass = true;
    for (int64_t i = int64_t(d.bit_length()) - 2; i >= 0 && pass; --i) {
        const bool watch = !ctx.equal(z, one) && !ctx.equal(z, minus_one);
        ctx.sqr(z, z);
        if (watch && ctx.equal(z, one)) {
            pass = false;
            break;
        }
        if ((d[std::size_t(i) / digit_bits] >> (std::size_t(i) % digit_bits)) & 1)
            ctx.mul(z, z, a);
    }
    pass = pass && ctx.equal(z, one);
    release_limbs(z);
    release_limbs(a);
    return pass;
}

} // namespace

extern "C" ZBIG_API int mpz_probab_prime_p(const mpz_rec* x, int reps)
{
    const natural m = natural::of(x);
    if (m.is_zero() || m.equals_small(1))
        return 0;
    for (const int32_t p : smallp)
        if (remainder_small(m, uint32_t(p)) == 0)
            return m.equals_small(digit(p)) ? 1 : 0;
    // The witness has as many random digits as the copy of abs(x) stores.
    const std::size_t witness_digits = m.size() < 2 ? 2 : m.size();
    montgomery ctx(m);
    const natural d = sub_small(m, 1);
    limb *one = ctx.element(), *minus_one = ctx.element();
    ctx.to_form(one, natural(1));
    ctx.to_form(minus_one, d);
    natural drawn;
    int result = 1;
    for (int rep = 0; rep < reps && result == 1; ++rep) {
        digit* w = drawn.prepare(witness_digits);
        for (std::size_t i = 0; i < witness_digits; ++i)
            w[i] = random_digit();
        drawn.trim(witness_digits);
        const natural witness = mod(drawn, m);
        // A zero witness proves nothing either way and counts as passed.
        if (!witness.is_zero() && !passes_trial(ctx, witness, d, one, minus_one))
            result = 0;
    }
    release_limbs(minus_one);
    release_limbs(one);
    return result;
}
