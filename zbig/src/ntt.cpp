// Multiplication of long operands by number-theoretic transforms: the limbs
// are convolved modulo three primes below 2^62 (each 2^42 divides p - 1, so
// power-of-two transforms up to 2^42 points exist) and the exact coefficients,
// below n 2^128 < p0 p1 p2, are rebuilt by the Chinese remainder theorem.
#include "limbs.h"

#include <bit>

namespace zbig
{
namespace
{

constexpr const char* ntt_memory = "_mpz_realloc: cannot allocate memory";

constexpr limb inverse_mod_2_64(limb p)
{
    limb x = p; // Newton's iteration doubles the correct low bits (p odd)
    for (int i = 0; i < 6; ++i)
        x *= 2 - p * x;
    return x;
}

constexpr limb pow_mod(limb b, limb e, limb p)
{
    limb r = 1;
    for (b %= p; e != 0; e >>= 1, b = limb(wide(b) * b % p))
        if (e & 1)
            r = limb(wide(r) * b % p);
    return r;
}

// Arithmetic modulo p in Montgomery form with R = 2^64.
struct field {
    limb p, p_inv, r1, r2, generator;

    constexpr field(limb prime, limb g)
        : p(prime), p_inv(inverse_mod_2_64(prime)), r1(limb((wide(1) << 64) % prime)),
          r2(limb(wide(r1) * r1 % prime)), generator(g)
    {
    }
    // a b / R mod p in [0, p), for a b < p 2^64.
    limb mul(limb a, limb b) const
    {
        const wide t = wide(a) * b;
        const limb m = limb(t) * p_inv;
        const limb hi = limb(t >> 64), mp = limb((wide(m) * p) >> 64);
        return wrap(hi - mp);
    }
    // Values stay below p < 2^62, so a difference in (-p, p) is negative
    // exactly when its top bit is set; adding p by mask keeps the butterflies
    // free of unpredictable branches.
    limb wrap(limb d) const { return d + (p & limb(int64_t(d) >> 63)); }
    limb add(limb a, limb b) const { return wrap(a + b - p); }
    limb sub(limb a, limb b) const { return wrap(a - b); }
    limb reduce(limb a) const { return mul(a, r1); }  // a mod p, any a < 2^64
    limb to_mont(limb a) const { return mul(a, r2); } // a R mod p
    limb mont_pow(limb base_mont, limb e) const
    {
        limb r = r1; // 1 in Montgomery form
        for (; e != 0; e >>= 1, base_mont = mul(base_mont, base_mont))
            if (e & 1)
                r = mul(r, base_mont);
        return r;
    }
};

constexpr field fields[3] = {
    {0x3fffc00000000001, 11}, {0x3fff840000000001, 19}, {0x3fff540000000001, 5}};

// Twiddles of every level in one table: entries [len, 2 len) hold the powers
// 0 .. len - 1 of a root of order 2 len, in Montgomery form.
void make_twiddles(const field& f, limb* table, std::size_t n, bool inverse)
{
    limb w = f.mont_pow(f.to_mont(f.generator), (f.p - 1) / n);
    if (inverse)
        w = f.mont_pow(w, n - 1);
    const std::size_t half = n / 2;
    if (half == 0)
        return;
    table[half] = f.r1;
    for (std::size_t j = 1; j < half; ++j)
        table[half + j] = f.mul(table[half + j - 1], w);
    for (std::size_t len = half / 2; len >= 1; len /= 2)
        for (std::size_t j = 0; j < len; ++j)
            table[len + j] = table[2 * len + 2 * j];
}

// Decimation in frequency: natural order in, bit-reversed order out.
void forward(const field& f, limb* x, std::size_t n, const limb* tw)
{
    for (std::size_t len = n / 2; len >= 1; len /= 2) {
        const limb* t = tw + len;
        for (std::size_t i = 0; i < n; i += 2 * len) {
            limb *lo = x + i, *hi = x + i + len;
            for (std::size_t j = 0; j < len; ++j) {
                const limb u = lo[j], v = hi[j];
                lo[j] = f.add(u, v);
                hi[j] = f.mul(f.sub(u, v), t[j]);
            }
        }
    }
}

// Decimation in time with inverse roots: bit-reversed order in, natural out.
void inverse(const field& f, limb* x, std::size_t n, const limb* tw)
{
    for (std::size_t len = 1; len < n; len *= 2) {
        const limb* t = tw + len;
        for (std::size_t i = 0; i < n; i += 2 * len) {
            limb *lo = x + i, *hi = x + i + len;
            for (std::size_t j = 0; j < len; ++j) {
                const limb u = lo[j], v = f.mul(hi[j], t[j]);
                lo[j] = f.add(u, v);
                hi[j] = f.sub(u, v);
            }
        }
    }
}

// The cyclic convolution of a and b (b null: of a with itself) modulo f,
// left in out[0, n).
void convolve(const field& f, limb* out, limb* scratch, limb* tw, const limb* a, std::size_t an,
              const limb* b, std::size_t bn, std::size_t n)
{
    make_twiddles(f, tw, n, false);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = i < an ? f.reduce(a[i]) : 0;
    forward(f, out, n, tw);
    if (b == nullptr) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = f.mul(out[i], out[i]);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            scratch[i] = i < bn ? f.reduce(b[i]) : 0;
        forward(f, scratch, n, tw);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = f.mul(out[i], scratch[i]);
    }
    make_twiddles(f, tw, n, true);
    inverse(f, out, n, tw);
    // The products carry a factor 1/R and the inverse transform a factor n:
    // multiplying by n^-1 R^2 in Montgomery form removes both.
    const limb n_inv = f.p - (f.p - 1) / n;
    const limb scale = f.mul(f.to_mont(n_inv), f.r2);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = f.mul(out[i], scale);
}

// Garner's constants: p0^-1 mod p1, p0^-1 mod p2, p1^-1 mod p2, in the
// Montgomery form of their own field.
struct garner {
    limb inv01, inv02, inv12;
    garner()
        : inv01(fields[1].to_mont(pow_mod(fields[0].p, fields[1].p - 2, fields[1].p))),
          inv02(fields[2].to_mont(pow_mod(fields[0].p, fields[2].p - 2, fields[2].p))),
          inv12(fields[2].to_mont(pow_mod(fields[1].p, fields[2].p - 2, fields[2].p)))
    {
    }
};

} // namespace

void limbs_mul_ntt(limb* r, const limb* a, std::size_t an, const limb* b, std::size_t bn)
{
    const std::size_t rn = an + bn;
    const std::size_t n = std::bit_ceil(rn);
    limb* buf = allocate_limbs(5 * n, ntt_memory);
    limb* res[3] = {buf, buf + n, buf + 2 * n};
    limb *scratch = buf + 3 * n, *tw = buf + 4 * n;
    const bool square = a == b && an == bn;
    for (int k = 0; k < 3; ++k)
        convolve(fields[k], res[k], scratch, tw, a, an, square ? nullptr : b, bn, n);

    const field &f0 = fields[0], &f1 = fields[1], &f2 = fields[2];
    const garner g;
    // x = r0 + p0 (t1 + p1 t2) < p0 p1 p2, accumulated into r with a
    // three-limb carry.
    limb c0 = 0, c1 = 0, c2 = 0;
    for (std::size_t i = 0; i < rn; ++i) {
        const limb r0 = res[0][i], r1 = res[1][i], r2 = res[2][i];
        const limb t1 = f1.mul(f1.sub(r1, r0 >= f1.p ? r0 - f1.p : r0), g.inv01);
        const limb r0_2 = r0 >= f2.p ? r0 - f2.p : r0;
        const limb t1_2 = t1 >= f2.p ? t1 - f2.p : t1;
        const limb t2 = f2.mul(f2.sub(f2.mul(f2.sub(r2, r0_2), g.inv02), t1_2), g.inv12);
        const wide y = wide(f1.p) * t2 + t1;
        const wide m0 = wide(f0.p) * limb(y);
        const wide mid = (m0 >> 64) + wide(f0.p) * limb(y >> 64);
        // x = (x2, x1, x0)
        const wide s0 = wide(limb(m0)) + r0 + c0;
        const wide s1 = wide(limb(mid)) + c1 + limb(s0 >> 64);
        const wide s2 = wide(limb(mid >> 64)) + c2 + limb(s1 >> 64);
        r[i] = limb(s0);
        c0 = limb(s1);
        c1 = limb(s2);
        c2 = limb(s2 >> 64);
    }
    release_limbs(buf);
}

} // namespace zbig
