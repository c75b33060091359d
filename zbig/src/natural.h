// An owned magnitude on the heap for the operations that compute through many
// intermediate values (radix conversion, powers, roots, gcd, primality): the
// digits live in one malloc'd block that grows on demand, `size` counts the
// significant digits, and every operation goes through the span-level entry
// points of magnitude.h, so faster kernels behind them speed these up too.
#ifndef ZBIG_NATURAL_H
#define ZBIG_NATURAL_H

#include "record.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace zbig
{

class natural
{
  public:
    natural() = default;
    explicit natural(uint64_t v);
    ~natural();
    natural(natural&& other) noexcept;
    natural& operator=(natural&& other) noexcept;
    natural(const natural&) = delete;
    natural& operator=(const natural&) = delete;

    // The magnitude of a record.
    static natural of(const mpz_rec* x);
    static natural of(std::span<const digit> d);
    natural copy() const { return of(view()); }

    std::span<const digit> view() const { return {data_, size_}; }
    std::size_t size() const { return size_; }
    bool is_zero() const { return size_ == 0; }
    digit operator[](std::size_t i) const { return i < size_ ? data_[i] : 0; }
    uint64_t bit_length() const;
    int compare(const natural& o) const;
    bool equals_small(digit v) const { return v == 0 ? size_ == 0 : size_ == 1 && data_[0] == v; }

    // Room for n digits, all writable; the contents beyond size are
    // unspecified until trim() is called after writing.
    digit* prepare(std::size_t n);
    // Sets size to n and drops high zero digits.
    void trim(std::size_t n);

  private:
    digit* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

natural add(const natural& a, const natural& b);
natural sub(const natural& a, const natural& b); // a >= b
natural mul(const natural& a, const natural& b);
natural mul_small(const natural& a, uint32_t u);
natural add_small(const natural& a, uint32_t u);
natural sub_small(const natural& a, uint32_t u); // a >= u
// q = a / b, r = a % b for b != 0; either output may be null.
void divmod(natural* q, natural* r, const natural& a, const natural& b);
natural mod(const natural& a, const natural& b);
natural shl(const natural& a, uint64_t bits);
natural shr(const natural& a, uint64_t bits);

// dst = sign * magnitude, as copying a temporary that holds exactly the
// magnitude's significant digits (at least 2) into dst.
void store(mpz_rec* dst, const natural& magnitude, int sign);

} // namespace zbig

#endif
