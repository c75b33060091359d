// Montgomery arithmetic modulo an odd magnitude, on 64-bit limbs: values are
// held as x * R mod m with R = 2^(64 n), so a modular product needs one
// multiplication and one word-by-word reduction instead of a long division.
// Every reduced value equals the truncating remainder of the same product,
// so results match those of multiply-then-divide exactly.
#ifndef ZBIG_MONTGOMERY_H
#define ZBIG_MONTGOMERY_H

#include "limbs.h"
#include "natural.h"

#include <cstddef>

namespace zbig
{

class montgomery
{
  public:
    explicit montgomery(const natural& odd_modulus);
    ~montgomery();
    montgomery(const montgomery&) = delete;
    montgomery& operator=(const montgomery&) = delete;

    std::size_t limbs() const { return n_; }
    // A fresh array of limbs() limbs, released with release_limbs.
    limb* element() const;
    // out = a * R mod m, for any magnitude a.
    void to_form(limb* out, const natural& a) const;
    // The value a * R^-1 mod m, fully reduced.
    natural from_form(const limb* a);
    // out = a * b * R^-1 mod m; out may be a or b.
    void mul(limb* out, const limb* a, const limb* b);
    void sqr(limb* out, const limb* a);
    bool equal(const limb* a, const limb* b) const;

  private:
    void reduce(limb* out); // out = scratch_ * R^-1 mod m

    natural modulus_;
    std::size_t n_ = 0;
    limb* m_ = nullptr;
    limb* scratch_ = nullptr; // 2n + 1 limbs
    limb inverse_ = 0;        // -m^-1 mod 2^64
};

} // namespace zbig

#endif
