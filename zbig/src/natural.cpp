// The owned magnitude: storage and arithmetic through the span entry points.
#include "natural.h"

#include "magnitude.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace zbig
{
namespace
{
constexpr const char* memory_message = "_mpz_realloc: cannot allocate memory";
}

natural::natural(uint64_t v)
{
    digit* d = prepare(3);
    d[0] = digit(v & digit_mask);
    d[1] = digit((v >> digit_bits) & digit_mask);
    d[2] = digit(v >> (2 * digit_bits));
    trim(3);
}

natural::~natural()
{
    release_digits(data_);
}

natural::natural(natural&& o) noexcept : data_(o.data_), size_(o.size_), capacity_(o.capacity_)
{
    o.data_ = nullptr;
    o.size_ = o.capacity_ = 0;
}

natural& natural::operator=(natural&& o) noexcept
{
    if (this != &o) {
        release_digits(data_);
        data_ = o.data_;
        size_ = o.size_;
        capacity_ = o.capacity_;
        o.data_ = nullptr;
        o.size_ = o.capacity_ = 0;
    }
    return *this;
}

natural natural::of(const mpz_rec* x)
{
    return of(digits_of(x));
}

natural natural::of(std::span<const digit> d)
{
    natural n;
    const std::size_t k = significant_length(d);
    if (k > 0)
        std::memcpy(n.prepare(k), d.data(), k * sizeof(digit));
    n.size_ = k;
    return n;
}

uint64_t natural::bit_length() const
{
    return size_ == 0 ? 0 : uint64_t(size_ - 1) * digit_bits + std::bit_width(data_[size_ - 1]);
}

int natural::compare(const natural& o) const
{
    return compare_magnitudes(view(), o.view());
}

digit* natural::prepare(std::size_t n)
{
    if (n > capacity_) {
        data_ = data_ == nullptr ? allocate_digits(n, memory_message)
                                 : reallocate_digits(data_, n, memory_message);
        capacity_ = n;
    }
    return data_;
}

void natural::trim(std::size_t n)
{
    while (n > 0 && data_[n - 1] == 0)
        --n;
    size_ = n;
}

natural add(const natural& a, const natural& b)
{
    natural r;
    const std::size_t n = std::max(a.size(), b.size()) + 1;
    add_magnitudes({r.prepare(n), n}, a.view(), b.view());
    r.trim(n);
    return r;
}

natural sub(const natural& a, const natural& b)
{
    natural r;
    const std::size_t n = std::max<std::size_t>(a.size(), 1);
    sub_magnitudes({r.prepare(n), n}, a.view(), b.view());
    r.trim(n);
    return r;
}

natural mul(const natural& a, const natural& b)
{
    natural r;
    if (a.is_zero() || b.is_zero())
        return r;
    const std::size_t n = a.size() + b.size();
    multiply_magnitudes({r.prepare(n), n}, a.view(), b.view());
    r.trim(n);
    return r;
}

natural mul_small(const natural& a, uint32_t u)
{
    natural r;
    const std::size_t n = a.size() + 2;
    multiply_by_small({r.prepare(n), n}, a.view(), u);
    r.trim(n);
    return r;
}

natural add_small(const natural& a, uint32_t u)
{
    const digit d[2] = {u & digit_mask, u >> digit_bits};
    natural r;
    const std::size_t n = std::max<std::size_t>(a.size(), 2) + 1;
    add_magnitudes({r.prepare(n), n}, a.view(), d);
    r.trim(n);
    return r;
}

natural sub_small(const natural& a, uint32_t u)
{
    const digit d[2] = {u & digit_mask, u >> digit_bits};
    natural r;
    const std::size_t n = std::max<std::size_t>(a.size(), 2);
    sub_magnitudes({r.prepare(n), n}, a.view(), d);
    r.trim(n);
    return r;
}

void divmod(natural* q, natural* r, const natural& a, const natural& b)
{
    const std::size_t qn = a.size() >= b.size() ? a.size() - b.size() + 1 : 1;
    natural qq, rr;
    divide_magnitudes({qq.prepare(qn), qn}, {rr.prepare(b.size()), b.size()}, a.view(), b.view());
    qq.trim(qn);
    rr.trim(b.size());
    if (q != nullptr)
        *q = static_cast<natural&&>(qq);
    if (r != nullptr)
        *r = static_cast<natural&&>(rr);
}

natural mod(const natural& a, const natural& b)
{
    natural r;
    divmod(nullptr, &r, a, b);
    return r;
}

natural shl(const natural& a, uint64_t bits)
{
    natural r;
    if (a.is_zero())
        return r;
    const std::size_t n = a.size() + std::size_t(bits / digit_bits) + 1;
    shift_left({r.prepare(n), n}, a.view(), bits);
    r.trim(n);
    return r;
}

natural shr(const natural& a, uint64_t bits)
{
    natural r;
    if (bits >= a.bit_length())
        return r;
    const std::size_t n = a.size() - std::size_t(bits / digit_bits);
    shift_right({r.prepare(n), n}, a.view(), bits);
    r.trim(n);
    return r;
}

void store(mpz_rec* dst, const natural& magnitude, int sign)
{
    result_digits r = new_result(magnitude.size());
    if (magnitude.size() > 0)
        std::memcpy(r.data, magnitude.view().data(), magnitude.size() * sizeof(digit));
    store_result(dst, r, sign);
}

} // namespace zbig
