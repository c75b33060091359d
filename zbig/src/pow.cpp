// Powers: integer powers, modular powers and the factorial.
#include "montgomery.h"

#include <bit>

using namespace zbig;

namespace
{

bool exponent_bit(const natural& e, uint64_t i)
{
    return (e[std::size_t(i / digit_bits)] >> (i % digit_bits)) & 1;
}

// Bits per window of the sliding-window exponentiation, by exponent length.
unsigned window_bits(uint64_t bits)
{
    return bits > 768 ? 5 : bits > 192 ? 4 : bits > 24 ? 3 : 1;
}

// base^e mod m for odd m > 1 and e > 0, by sliding windows of odd powers in
// Montgomery form.
natural power_mod_odd(const natural& base, const natural& e, const natural& m)
{
    montgomery ctx(m);
    const std::size_t n = ctx.limbs();
    const uint64_t bits = e.bit_length();
    const unsigned k = window_bits(bits);
    const std::size_t table_size = std::size_t(1) << (k - 1);
    limb* table = allocate_limbs(table_size * n, "_mpz_realloc: cannot allocate memory");
    limb* acc = ctx.element();
    ctx.to_form(table, base);
    if (table_size > 1) {
        ctx.sqr(acc, table); // base^2
        for (std::size_t i = 1; i < table_size; ++i)
            ctx.mul(table + i * n, table + (i - 1) * n, acc);
    }
    bool started = false;
    for (int64_t i = int64_t(bits) - 1; i >= 0;) {
        if (!exponent_bit(e, uint64_t(i))) {
            ctx.sqr(acc, acc);
            --i;
            continue;
        }
        int64_t low = i - int64_t(k) + 1 > 0 ? i - int64_t(k) + 1 : 0;
        while (!exponent_bit(e, uint64_t(low)))
            ++low;
        uint32_t w = 0;
        for (int64_t j = i; j >= low; --j)
            w = (w << 1) | uint32_t(exponent_bit(e, uint64_t(j)));
        const limb* entry = table + std::size_t(w >> 1) * n;
        if (!started) {
            for (std::size_t j = 0; j < n; ++j)
                acc[j] = entry[j];
            started = true;
        } else {
            for (int64_t j = i; j >= low; --j)
                ctx.sqr(acc, acc);
            ctx.mul(acc, acc, entry);
        }
        i = low - 1;
    }
    natural r = ctx.from_form(acc);
    release_limbs(acc);
    release_limbs(table);
    return r;
}

// base^e mod m for any m > 1 and e > 0: square and multiply with a long
// division after each product.
natural power_mod_plain(const natural& base, const natural& e, const natural& m)
{
    const natural b = mod(base, m);
    natural acc = b.copy();
    for (int64_t i = int64_t(e.bit_length()) - 2; i >= 0; --i) {
        acc = mod(mul(acc, acc), m);
        if (exponent_bit(e, uint64_t(i)))
            acc = mod(mul(acc, b), m);
    }
    return acc;
}

} // namespace

extern "C" ZBIG_API void mpz_pow_ui(mpz_rec* p, const mpz_rec* b, uint32_t e)
{
    if (e == 0) {
        mpz_set_ui(p, 1);
        return;
    }
    const natural base = natural::of(b);
    natural acc = base.copy();
    for (int i = std::bit_width(e) - 2; i >= 0; --i) {
        acc = mul(acc, acc);
        if ((e >> i) & 1)
            acc = mul(acc, base);
    }
    store(p, acc, b->sign < 0 && (e & 1) ? -1 : 1);
}

extern "C" ZBIG_API void mpz_powm(mpz_rec* p, const mpz_rec* b, const mpz_rec* e, const mpz_rec* m)
{
    const natural exponent = natural::of(e);
    if (exponent.is_zero()) {
        mpz_set_ui(p, 1);
        return;
    }
    if (e->sign < 0)
        return;
    const natural modulus = natural::of(m);
    if (modulus.is_zero()) {
        // The reduction divides by zero, which is silent and gives 0.
        clear_value(p);
        return;
    }
    // Truncating remainders keep the magnitude |b|^e mod |m| and give it
    // the sign of the last factor: b's sign when the exponent is odd.
    const int sign = b->sign < 0 && exponent_bit(exponent, 0) ? -1 : 1;
    const natural base = natural::of(b);
    natural r;
    if (!modulus.equals_small(1))
        r = modulus[0] & 1 ? power_mod_odd(base, exponent, modulus)
                           : power_mod_plain(base, exponent, modulus);
    store(p, r, sign);
}

extern "C" ZBIG_API void mpz_powm_ui(mpz_rec* p, const mpz_rec* b, uint32_t e, const mpz_rec* m)
{
    small_record exponent(e);
    mpz_powm(p, b, exponent.get(), m);
}

namespace
{

// The product lo * (lo + 1) * ... * hi, split in halves so that the
// multiplications see operands of similar size.
natural range_product(uint32_t lo, uint32_t hi)
{
    if (hi - lo < 16) {
        natural r(lo);
        for (uint64_t k = uint64_t(lo) + 1; k <= hi; ++k)
            r = mul_small(r, uint32_t(k));
        return r;
    }
    const uint32_t mid = lo + (hi - lo) / 2;
    return mul(range_product(lo, mid), range_product(mid + 1, hi));
}

} // namespace

extern "C" ZBIG_API void mpz_fac_ui(mpz_rec* p, uint32_t n)
{
    if (n < 2) {
        mpz_set_ui(p, 1);
        return;
    }
    store(p, range_product(2, n), 1);
}
