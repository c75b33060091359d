// Montgomery multiplication and reduction on limbs.
#include "montgomery.h"

#include <cstring>

namespace zbig
{
namespace
{
constexpr const char* memory_message = "_mpz_realloc: cannot allocate memory";
}

montgomery::montgomery(const natural& odd_modulus) : modulus_(odd_modulus.copy())
{
    n_ = limbs_for_digits(modulus_.size());
    m_ = allocate_limbs(n_, memory_message);
    pack_limbs({m_, n_}, modulus_.view());
    while (n_ > 1 && m_[n_ - 1] == 0)
        --n_;
    scratch_ = allocate_limbs(2 * n_ + 1, memory_message);
    // Newton's iteration doubles the correct low bits of m^-1 each step.
    limb inv = m_[0];
    for (int i = 0; i < 6; ++i)
        inv *= 2 - m_[0] * inv;
    inverse_ = ~inv + 1;
}

montgomery::~montgomery()
{
    release_limbs(m_);
    release_limbs(scratch_);
}

limb* montgomery::element() const
{
    return allocate_limbs(n_, memory_message);
}

void montgomery::to_form(limb* out, const natural& a) const
{
    const natural r = mod(shl(mod(a, modulus_), 64 * uint64_t(n_)), modulus_);
    const std::size_t packed = limbs_for_digits(r.size());
    std::memset(out, 0, n_ * sizeof(limb));
    if (packed > 0) {
        limb* tmp = allocate_limbs(packed, memory_message);
        pack_limbs({tmp, packed}, r.view());
        std::memcpy(out, tmp, (packed < n_ ? packed : n_) * sizeof(limb));
        release_limbs(tmp);
    }
}

natural montgomery::from_form(const limb* a)
{
    std::memset(scratch_, 0, (2 * n_ + 1) * sizeof(limb));
    std::memcpy(scratch_, a, n_ * sizeof(limb));
    limb* out = element();
    reduce(out);
    natural r;
    const std::size_t digits = (64 * n_ + digit_bits - 1) / digit_bits;
    unpack_limbs({r.prepare(digits), digits}, {out, n_});
    r.trim(digits);
    release_limbs(out);
    return r;
}

void montgomery::reduce(limb* out)
{
    limb* t = scratch_;
    t[2 * n_] = 0;
    for (std::size_t i = 0; i < n_; ++i) {
        const limb u = t[i] * inverse_;
        limb c = limbs_addmul_1(t + i, m_, n_, u);
        for (std::size_t j = i + n_; c != 0; ++j) {
            const limb s = t[j] + c;
            c = s < c;
            t[j] = s;
        }
    }
    // t / R < 2m: one conditional subtraction brings it below m.
    if (t[2 * n_] != 0 || limbs_cmp(t + n_, m_, n_) >= 0)
        limbs_sub(out, t + n_, n_, m_, n_);
    else
        std::memcpy(out, t + n_, n_ * sizeof(limb));
}

void montgomery::mul(limb* out, const limb* a, const limb* b)
{
    limbs_mul(scratch_, a, n_, b, n_);
    reduce(out);
}

void montgomery::sqr(limb* out, const limb* a)
{
    limbs_sqr(scratch_, a, n_);
    reduce(out);
}

bool montgomery::equal(const limb* a, const limb* b) const
{
    return limbs_cmp(a, b, n_) == 0;
}

} // namespace zbig
