// 128-bit integers for the kit's wide intermediates. Where the compiler has a
// native 128-bit type (x86-64 and most 64-bit targets) these are that type;
// on 32-bit targets (i386 has no __int128) they are the small classes below,
// which give the same wrapping two's-complement results with plain 64-bit
// arithmetic. Header-only and free of the C++ runtime, so deliverables that
// must link without libstdc++ can use it.
#ifndef FSMDKIT_INT128_HPP
#define FSMDKIT_INT128_HPP

#include <cstdint>
#include <type_traits>

namespace fsmdkit
{

#if defined(__SIZEOF_INT128__) && !defined(FSMDKIT_PORTABLE_INT128)

using uint128 = unsigned __int128;
using int128 = __int128;

#else

class int128;

// Unsigned 128-bit integer: arithmetic modulo 2^128.
class uint128
{
  public:
    constexpr uint128() = default;
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    constexpr uint128(T v) // NOLINT: converts like a built-in integer
        : lo_(static_cast<uint64_t>(v)), hi_(std::is_signed_v<T> && v < 0 ? ~uint64_t{0} : 0)
    {
    }
    constexpr explicit uint128(const int128& v);
    static constexpr uint128 from_parts(uint64_t hi, uint64_t lo)
    {
        uint128 r;
        r.hi_ = hi;
        r.lo_ = lo;
        return r;
    }

    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    constexpr explicit operator T() const
    {
        if constexpr (std::is_same_v<T, bool>)
            return (lo_ | hi_) != 0;
        else
            return static_cast<T>(lo_);
    }

    constexpr uint64_t low() const { return lo_; }
    constexpr uint64_t high() const { return hi_; }

    friend constexpr uint128 operator+(uint128 a, uint128 b)
    {
        const uint64_t lo = a.lo_ + b.lo_;
        return from_parts(a.hi_ + b.hi_ + (lo < a.lo_ ? 1 : 0), lo);
    }
    friend constexpr uint128 operator-(uint128 a, uint128 b)
    {
        return from_parts(a.hi_ - b.hi_ - (a.lo_ < b.lo_ ? 1 : 0), a.lo_ - b.lo_);
    }
    friend constexpr uint128 operator-(uint128 a) { return uint128{} - a; }
    friend constexpr uint128 operator~(uint128 a) { return from_parts(~a.hi_, ~a.lo_); }
    friend constexpr uint128 operator*(uint128 a, uint128 b)
    {
        uint128 r = mul_64x64(a.lo_, b.lo_);
        r.hi_ += a.lo_ * b.hi_ + a.hi_ * b.lo_;
        return r;
    }
    friend constexpr uint128 operator&(uint128 a, uint128 b)
    {
        return from_parts(a.hi_ & b.hi_, a.lo_ & b.lo_);
    }
    friend constexpr uint128 operator|(uint128 a, uint128 b)
    {
        return from_parts(a.hi_ | b.hi_, a.lo_ | b.lo_);
    }
    friend constexpr uint128 operator^(uint128 a, uint128 b)
    {
        return from_parts(a.hi_ ^ b.hi_, a.lo_ ^ b.lo_);
    }
    // Counts of 128 or more are undefined for the native type too; callers
    // keep them below 128.
    friend constexpr uint128 operator<<(uint128 a, int n)
    {
        if (n == 0)
            return a;
        if (n >= 64)
            return from_parts(a.lo_ << (n - 64), 0);
        return from_parts((a.hi_ << n) | (a.lo_ >> (64 - n)), a.lo_ << n);
    }
    friend constexpr uint128 operator>>(uint128 a, int n)
    {
        if (n == 0)
            return a;
        if (n >= 64)
            return from_parts(0, a.hi_ >> (n - 64));
        return from_parts(a.hi_ >> n, (a.lo_ >> n) | (a.hi_ << (64 - n)));
    }
    friend constexpr uint128 operator/(uint128 a, uint128 b) { return divmod(a, b, nullptr); }
    friend constexpr uint128 operator%(uint128 a, uint128 b)
    {
        uint128 r;
        divmod(a, b, &r);
        return r;
    }

    friend constexpr bool operator==(uint128 a, uint128 b)
    {
        return a.lo_ == b.lo_ && a.hi_ == b.hi_;
    }
    friend constexpr bool operator!=(uint128 a, uint128 b) { return !(a == b); }
    friend constexpr bool operator<(uint128 a, uint128 b)
    {
        return a.hi_ != b.hi_ ? a.hi_ < b.hi_ : a.lo_ < b.lo_;
    }
    friend constexpr bool operator>(uint128 a, uint128 b) { return b < a; }
    friend constexpr bool operator<=(uint128 a, uint128 b) { return !(b < a); }
    friend constexpr bool operator>=(uint128 a, uint128 b) { return !(a < b); }

    constexpr uint128& operator+=(uint128 b) { return *this = *this + b; }
    constexpr uint128& operator-=(uint128 b) { return *this = *this - b; }
    constexpr uint128& operator*=(uint128 b) { return *this = *this * b; }
    constexpr uint128& operator/=(uint128 b) { return *this = *this / b; }
    constexpr uint128& operator%=(uint128 b) { return *this = *this % b; }
    constexpr uint128& operator&=(uint128 b) { return *this = *this & b; }
    constexpr uint128& operator|=(uint128 b) { return *this = *this | b; }
    constexpr uint128& operator^=(uint128 b) { return *this = *this ^ b; }
    constexpr uint128& operator<<=(int n) { return *this = *this << n; }
    constexpr uint128& operator>>=(int n) { return *this = *this >> n; }

    // The full product of two 64-bit numbers from four 32-bit products.
    static constexpr uint128 mul_64x64(uint64_t a, uint64_t b)
    {
        const uint64_t a0 = a & 0xffffffffu, a1 = a >> 32, b0 = b & 0xffffffffu, b1 = b >> 32;
        const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        const uint64_t mid = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
        return from_parts(p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32),
                          (mid << 32) | (p00 & 0xffffffffu));
    }

  private:
    static constexpr int bit_length(uint128 a)
    {
        int n = 0;
        for (uint64_t w = a.hi_ != 0 ? a.hi_ : a.lo_; w != 0; w >>= 1)
            ++n;
        return a.hi_ != 0 ? n + 64 : n;
    }

    // Shift-and-subtract division; the quotient has at most
    // bit_length(a) - bit_length(b) + 1 bits, so short quotients are quick.
    // Division by zero traps like the native type.
    static constexpr uint128 divmod(uint128 a, uint128 b, uint128* rem)
    {
        if (a.hi_ == 0 && b.hi_ == 0) {
            if (rem)
                *rem = uint128(a.lo_ % b.lo_);
            return uint128(a.lo_ / b.lo_);
        }
        if (b.hi_ == 0 && b.lo_ == 0) {
            const uint64_t zero = b.lo_;
            return uint128(a.lo_ / zero);
        }
        uint128 q, r = a;
        if (a >= b) {
            int shift = bit_length(a) - bit_length(b);
            uint128 d = b << shift;
            for (; shift >= 0; --shift, d >>= 1) {
                q <<= 1;
                if (r >= d) {
                    r -= d;
                    q.lo_ |= 1;
                }
            }
        }
        if (rem)
            *rem = r;
        return q;
    }

    uint64_t lo_ = 0;
    uint64_t hi_ = 0;
};

// Signed 128-bit integer in two's complement. Addition, subtraction and
// multiplication wrap modulo 2^128; division truncates toward zero and right
// shifts copy the sign, as the native type does on the kit's compilers.
class int128
{
  public:
    constexpr int128() = default;
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    constexpr int128(T v) // NOLINT: converts like a built-in integer
        : bits_(v)
    {
    }
    constexpr explicit int128(uint128 v) : bits_(v) {}

    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    constexpr explicit operator T() const
    {
        return static_cast<T>(bits_);
    }
    constexpr uint128 bits() const { return bits_; }

    friend constexpr int128 operator+(int128 a, int128 b) { return int128(a.bits_ + b.bits_); }
    friend constexpr int128 operator-(int128 a, int128 b) { return int128(a.bits_ - b.bits_); }
    friend constexpr int128 operator-(int128 a) { return int128(-a.bits_); }
    friend constexpr int128 operator~(int128 a) { return int128(~a.bits_); }
    friend constexpr int128 operator*(int128 a, int128 b) { return int128(a.bits_ * b.bits_); }
    friend constexpr int128 operator&(int128 a, int128 b) { return int128(a.bits_ & b.bits_); }
    friend constexpr int128 operator|(int128 a, int128 b) { return int128(a.bits_ | b.bits_); }
    friend constexpr int128 operator^(int128 a, int128 b) { return int128(a.bits_ ^ b.bits_); }
    friend constexpr int128 operator<<(int128 a, int n) { return int128(a.bits_ << n); }
    friend constexpr int128 operator>>(int128 a, int n)
    {
        if (!a.negative())
            return int128(a.bits_ >> n);
        return int128(~(~a.bits_ >> n));
    }
    friend constexpr int128 operator/(int128 a, int128 b)
    {
        const uint128 q = a.magnitude() / b.magnitude();
        return int128(a.negative() != b.negative() ? -q : q);
    }
    friend constexpr int128 operator%(int128 a, int128 b)
    {
        const uint128 r = a.magnitude() % b.magnitude();
        return int128(a.negative() ? -r : r);
    }

    friend constexpr bool operator==(int128 a, int128 b) { return a.bits_ == b.bits_; }
    friend constexpr bool operator!=(int128 a, int128 b) { return a.bits_ != b.bits_; }
    friend constexpr bool operator<(int128 a, int128 b)
    {
        if (a.negative() != b.negative())
            return a.negative();
        return a.bits_ < b.bits_;
    }
    friend constexpr bool operator>(int128 a, int128 b) { return b < a; }
    friend constexpr bool operator<=(int128 a, int128 b) { return !(b < a); }
    friend constexpr bool operator>=(int128 a, int128 b) { return !(a < b); }

    constexpr int128& operator+=(int128 b) { return *this = *this + b; }
    constexpr int128& operator-=(int128 b) { return *this = *this - b; }
    constexpr int128& operator*=(int128 b) { return *this = *this * b; }
    constexpr int128& operator/=(int128 b) { return *this = *this / b; }
    constexpr int128& operator%=(int128 b) { return *this = *this % b; }
    constexpr int128& operator<<=(int n) { return *this = *this << n; }
    constexpr int128& operator>>=(int n) { return *this = *this >> n; }

  private:
    constexpr bool negative() const { return (bits_.high() >> 63) != 0; }
    constexpr uint128 magnitude() const { return negative() ? -bits_ : bits_; }

    uint128 bits_;
};

constexpr uint128::uint128(const int128& v) : uint128(v.bits()) {}

#endif

} // namespace fsmdkit

#endif
