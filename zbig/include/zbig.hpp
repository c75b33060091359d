// zbig.hpp: a C++20 value type for unbounded signed integers over zbig's C
// interface (zbig.h). Header-only; link with fsmdkit::zbig (-lzbig).
//
// fsmdkit::bigint owns one mpz_rec: construction initialises it, destruction
// clears it, copies are deep and moves steal the digit array. A moved-from
// bigint reads as zero and may be assigned to or used as an operand.
//
// Where the semantics follow the C library rather than C++'s built-in
// integers:
//   - `/` and `%` truncate toward zero and the remainder takes the sign of
//     the dividend (as C++ does); floor_div, floor_mod and floor_divmod round
//     toward minus infinity and give the remainder the sign of the divisor.
//   - `>>` shifts the magnitude and keeps the sign, so it rounds toward zero:
//     -5 >> 1 is -2 (C++'s int gives -3).
//   - `&`, `|` and `^` act on magnitudes, not on two's complement; the result
//     is negative when `&` has two negative operands, when `|` has at least
//     one and when `^` has exactly one: -6 | 3 is -7, -6 & -3 is -2,
//     -6 ^ 3 is -5. There is no `~`. The two's complement views of
//     fixed-width datapaths are named functions at the end of this file:
//     wrap_unsigned, wrap_signed, to_bits, from_bits_unsigned,
//     from_bits_signed, bit_and, bit_or, bit_xor, bit_not, shift_right_floor.
//   - powm reduces with the truncating remainder: the result is negative
//     only for a negative base and an odd exponent; a zero exponent gives 1
//     for every nonzero modulus, so powm(b, 0, 1) and powm(b, 0, -1) are 1.
//   - jacobi(0, 1) is 0 (the C library's answer; number theory says 1).
//   - gcdext's g takes the sign of the last nonzero remainder of Euclid's
//     chain (gcd itself is never negative).
// Where the C library would end the process or answer silently with a
// meaningless value, this interface checks first and throws:
//   std::invalid_argument  a base outside 2..36 (0 also allowed for parsing),
//                          text that is not a number in its base
//   std::domain_error      division or modulus by zero, powm with modulus
//                          zero, a negative shift count, exponent, width or
//                          factorial argument, jacobi with an even or
//                          non-positive b, sqrt of a negative value, a
//                          negative reps for is_probable_prime, a signed
//                          width of zero bits
//   std::range_error       to<T>() of a value that T cannot hold, a shift,
//                          exponent, width or factorial argument beyond
//                          32 bits, to_string or size_in_base of a number
//                          with more digits than an int counts (about 2^31
//                          bits in base 2)
#ifndef ZBIG_HPP
#define ZBIG_HPP

#include "zbig.h"

#include <bit>
#include <compare>
#include <concepts>
#include <cstdint>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace fsmdkit
{

class bigint;
struct bigint_divmod;

namespace detail
{
// The operand that a moved-from bigint reads as: a live zero record that no
// C call ever writes to (it only ever appears as a const operand).
inline int32_t zero_digits[2] = {0, 0};
inline const mpz_rec zero_record{zero_digits, 0, 2};

template <class T>
concept machine_integer = std::integral<T> && !std::same_as<T, bool> && sizeof(T) <= 8;

inline void check_base(int base)
{
    if (base < 2 || base > 36)
        throw std::invalid_argument("zbig: base must be 2 to 36, got " + std::to_string(base));
}

inline uint32_t shift_count(std::integral auto n)
{
    if (n < 0)
        throw std::domain_error("zbig: negative shift count");
    if (std::uint64_t(n) > std::numeric_limits<uint32_t>::max())
        throw std::range_error("zbig: shift count beyond 32 bits");
    return static_cast<uint32_t>(n);
}

// Reads text into x by mpz_set_str's rules through zbig_read_text, which
// reports instead of ending the process: x is unchanged on failure.
inline void read_number_text(mpz_rec* x, std::string_view text, int base)
{
    if (base != 0)
        check_base(base);
    const auto fail = [&](const char* why) {
        throw std::invalid_argument(std::string("zbig: ") + why + " in \"" + std::string(text) +
                                    "\" (base " + std::to_string(base) + ")");
    };
    switch (zbig_read_text(x, text.data(), text.size(), base)) {
    case ZBIG_TEXT_OK:
        return;
    case ZBIG_TEXT_INVALID_BASE:
        check_base(base);
        break;
    case ZBIG_TEXT_INVALID_CHARACTER:
        fail("invalid digit");
        break;
    default:
        break;
    }
    fail("no digits");
}

// Records of this thread's destroyed values, kept live for the next values
// made: an operator's result then needs no allocation in a loop such as
// `p = a * b`, which is what keeps the value type as fast as the C calls.
// Only a few records of bounded size are kept.
struct record_cache {
    static constexpr int capacity = 4;
    static constexpr uint32_t max_len = uint32_t(1) << 16; // digits (about 2 Mbit)
    mpz_rec recs[capacity];
    int count = 0;
    ~record_cache();
};
// Set once the cache is gone (values destroyed after it free directly).
inline thread_local bool cache_closed = false;
inline thread_local record_cache cache;
inline record_cache::~record_cache()
{
    cache_closed = true;
    while (count > 0)
        mpz_clear(&recs[--count]);
}
} // namespace detail

class bigint
{
  public:
    bigint()
    {
        if (!detail::cache_closed && detail::cache.count > 0) {
            // Zero with two stored digits: the operations work over stored
            // digits, and growing back into the array's room is cheap.
            rec_ = detail::cache.recs[--detail::cache.count];
            rec_.len = 2;
            rec_.digits[0] = rec_.digits[1] = 0;
            rec_.sign = 0;
        } else {
            mpz_init(&rec_);
        }
    }
    template <detail::machine_integer T>
    bigint(T v) : bigint() // NOLINT: implicit, like the built-in integer conversions
    {
        if constexpr (std::is_signed_v<T> && sizeof(T) <= 4) {
            mpz_set_si(&rec_, static_cast<int32_t>(v));
        } else if constexpr (sizeof(T) <= 4) {
            mpz_set_ui(&rec_, static_cast<uint32_t>(v));
        } else {
            // 64 bits: two 32-bit halves of the magnitude, then the sign.
            const bool negative = v < 0;
            const std::uint64_t m =
                negative ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
            mpz_set_ui(&rec_, static_cast<uint32_t>(m >> 32));
            if (m >> 32) {
                mpz_mul_2exp(&rec_, &rec_, 32);
                mpz_add_ui(&rec_, &rec_, static_cast<uint32_t>(m));
            } else {
                mpz_set_ui(&rec_, static_cast<uint32_t>(m));
            }
            if (negative)
                mpz_neg(&rec_, &rec_);
        }
    }
    // Text in base 2 to 36, or base 0 to choose by prefix (0x: 16, 0: 8,
    // otherwise 10). Throws std::invalid_argument for an invalid base, an
    // invalid digit or text without digits.
    explicit bigint(std::string_view text, int base = 10) : bigint() { assign(text, base); }
    bigint(const bigint& other) : bigint() { mpz_set(&rec_, other.in()); }
    bigint(bigint&& other) noexcept : rec_(other.rec_) { other.rec_ = empty(); }
    bigint& operator=(const bigint& other)
    {
        if (this != &other)
            mpz_set(out(), other.in());
        return *this;
    }
    // Takes other's record; other reads as zero afterwards, as after a move
    // construction, and this value's old record goes where a destroyed one
    // would.
    bigint& operator=(bigint&& other) noexcept
    {
        if (this != &other) {
            release();
            rec_ = other.rec_;
            other.rec_ = empty();
        }
        return *this;
    }
    ~bigint() { release(); }

    // Replaces the value with the number in text; on failure the value is
    // unchanged and std::invalid_argument is thrown.
    bigint& assign(std::string_view text, int base = 10)
    {
        detail::read_number_text(out(), text, base);
        return *this;
    }

    // Digits 0-9 then a-z, a leading '-' for negative values.
    std::string to_string(int base = 10) const
    {
        check_text_size(base);
        std::string s(static_cast<std::size_t>(mpz_sizeinbase(in(), base)) + 2, '\0');
        mpz_get_str(s.data(), base, in());
        s.resize(std::char_traits<char>::length(s.c_str()));
        return s;
    }
    // The C library's upper bound on the digits of the magnitude in base
    // (30 bits per stored digit over floor(log2(base)), plus one).
    std::size_t size_in_base(int base) const
    {
        check_text_size(base);
        return static_cast<std::size_t>(mpz_sizeinbase(in(), base));
    }

    int sign() const noexcept { return in()->sign; }
    bool is_zero() const noexcept { return sign() == 0; }
    explicit operator bool() const noexcept { return !is_zero(); }

    // The value as T; std::range_error when T cannot hold it.
    template <detail::machine_integer T> T to() const
    {
        bigint m = abs(*this);
        bigint high;
        mpz_div_2exp(high.out(), m.in(), 64);
        if (!high.is_zero())
            throw_range();
        mpz_div_2exp(high.out(), m.in(), 32);
        const std::uint64_t mag = (std::uint64_t(mpz_get_ui(high.in())) << 32) | mpz_get_ui(m.in());
        if (sign() >= 0) {
            if (mag > std::uint64_t(std::numeric_limits<T>::max()))
                throw_range();
            return static_cast<T>(mag);
        }
        if constexpr (std::is_unsigned_v<T>) {
            throw_range();
        } else {
            const std::uint64_t limit = std::uint64_t(std::numeric_limits<T>::max()) + 1;
            if (mag > limit)
                throw_range();
            return static_cast<T>(-static_cast<std::int64_t>(mag - 1) - 1);
        }
    }

    // The C record, for calls into zbig.h. The value keeps owning it: never
    // pass it to mpz_clear or mpz_init.
    const mpz_rec* c_rec() const noexcept { return in(); }
    mpz_rec* c_rec() { return out(); }

    // Arithmetic.
    bigint& operator+=(const bigint& b)
    {
        mpz_add(out(), in(), b.in());
        return *this;
    }
    bigint& operator-=(const bigint& b)
    {
        mpz_sub(out(), in(), b.in());
        return *this;
    }
    bigint& operator*=(const bigint& b)
    {
        mpz_mul(out(), in(), b.in());
        return *this;
    }
    bigint& operator/=(const bigint& b)
    {
        check_divisor(b);
        mpz_div(out(), in(), b.in());
        return *this;
    }
    bigint& operator%=(const bigint& b)
    {
        check_divisor(b);
        mpz_mod(out(), in(), b.in());
        return *this;
    }
    bigint& operator&=(const bigint& b)
    {
        mpz_and(out(), in(), b.in());
        return *this;
    }
    bigint& operator|=(const bigint& b)
    {
        mpz_or(out(), in(), b.in());
        return *this;
    }
    bigint& operator^=(const bigint& b)
    {
        mpz_xor(out(), in(), b.in());
        return *this;
    }
    bigint& operator<<=(std::integral auto n)
    {
        mpz_mul_2exp(out(), in(), detail::shift_count(n));
        return *this;
    }
    bigint& operator>>=(std::integral auto n)
    {
        mpz_div_2exp(out(), in(), detail::shift_count(n));
        return *this;
    }
    bigint& operator++()
    {
        mpz_add_ui(out(), in(), 1);
        return *this;
    }
    bigint& operator--()
    {
        mpz_sub_ui(out(), in(), 1);
        return *this;
    }
    bigint operator++(int)
    {
        bigint old(*this);
        ++*this;
        return old;
    }
    bigint operator--(int)
    {
        bigint old(*this);
        --*this;
        return old;
    }

    friend bigint operator+(const bigint& a) { return a; }
    friend bigint operator-(const bigint& a)
    {
        bigint r;
        mpz_neg(r.out(), a.in());
        return r;
    }
    friend bigint operator-(bigint&& a)
    {
        mpz_neg(a.out(), a.in());
        return std::move(a);
    }

    // Each binary operator writes into a fresh record, or into an rvalue
    // operand's record (the C calls accept a result that is an operand).
#define ZBIG_HPP_BINARY(op, call, check)                                                           \
    friend bigint operator op(const bigint& a, const bigint& b)                                    \
    {                                                                                              \
        check;                                                                                     \
        bigint r;                                                                                  \
        call(r.out(), a.in(), b.in());                                                             \
        return r;                                                                                  \
    }                                                                                              \
    friend bigint operator op(bigint&& a, const bigint& b)                                         \
    {                                                                                              \
        check;                                                                                     \
        call(a.out(), a.in(), b.in());                                                             \
        return std::move(a);                                                                       \
    }
    ZBIG_HPP_BINARY(+, mpz_add, (void)0)
    ZBIG_HPP_BINARY(-, mpz_sub, (void)0)
    ZBIG_HPP_BINARY(*, mpz_mul, (void)0)
    ZBIG_HPP_BINARY(/, mpz_div, check_divisor(b))
    ZBIG_HPP_BINARY(%, mpz_mod, check_divisor(b))
    ZBIG_HPP_BINARY(&, mpz_and, (void)0)
    ZBIG_HPP_BINARY(|, mpz_or, (void)0)
    ZBIG_HPP_BINARY(^, mpz_xor, (void)0)
#undef ZBIG_HPP_BINARY

    friend bigint operator<<(const bigint& a, std::integral auto n)
    {
        bigint r;
        mpz_mul_2exp(r.out(), a.in(), detail::shift_count(n));
        return r;
    }
    friend bigint operator>>(const bigint& a, std::integral auto n)
    {
        bigint r;
        mpz_div_2exp(r.out(), a.in(), detail::shift_count(n));
        return r;
    }

    friend bool operator==(const bigint& a, const bigint& b) noexcept
    {
        return mpz_cmp(a.in(), b.in()) == 0;
    }
    friend std::strong_ordering operator<=>(const bigint& a, const bigint& b) noexcept
    {
        return mpz_cmp(a.in(), b.in()) <=> 0;
    }
    template <detail::machine_integer T> friend bool operator==(const bigint& a, T b) noexcept
    {
        return (a <=> b) == 0;
    }
    template <detail::machine_integer T>
    friend std::strong_ordering operator<=>(const bigint& a, T b) noexcept
    {
        if constexpr (std::is_signed_v<T> && sizeof(T) <= 4)
            return mpz_cmp_si(a.in(), static_cast<int32_t>(b)) <=> 0;
        else if constexpr (sizeof(T) <= 4)
            return mpz_cmp_ui(a.in(), static_cast<uint32_t>(b)) <=> 0;
        else
            return a <=> bigint(b);
    }

    friend void swap(bigint& a, bigint& b) noexcept
    {
        std::swap(a.rec_, b.rec_);
    }

    friend bigint abs(const bigint& a)
    {
        bigint r;
        mpz_abs(r.out(), a.in());
        return r;
    }

    // Truncating quotient and remainder in one division.
    friend bigint_divmod divmod(const bigint& a, const bigint& b);
    // Floor division: quotient toward minus infinity, remainder with the
    // sign of the divisor.
    friend bigint floor_div(const bigint& a, const bigint& b)
    {
        check_divisor(b);
        bigint r;
        mpz_mdiv(r.out(), a.in(), b.in());
        return r;
    }
    friend bigint floor_mod(const bigint& a, const bigint& b)
    {
        check_divisor(b);
        bigint r;
        mpz_mmod(r.out(), a.in(), b.in());
        return r;
    }
    friend bigint_divmod floor_divmod(const bigint& a, const bigint& b);

    friend std::ostream& operator<<(std::ostream& os, const bigint& a)
    {
        const auto basefield = os.flags() & std::ios_base::basefield;
        const int base = basefield == std::ios_base::hex   ? 16
                         : basefield == std::ios_base::oct ? 8
                                                           : 10;
        return os << a.to_string(base);
    }

  private:
    friend struct bigint_access;
    static mpz_rec empty() noexcept
    {
        return mpz_rec{nullptr, 0, 0};
    }
    void release() noexcept
    {
        if (rec_.digits == nullptr)
            return;
        if (!detail::cache_closed && detail::cache.count < detail::record_cache::capacity &&
            rec_.len <= detail::record_cache::max_len)
            detail::cache.recs[detail::cache.count++] = rec_;
        else
            mpz_clear(&rec_);
    }
    // Operand view: a moved-from value reads as zero.
    const mpz_rec* in() const noexcept
    {
        return rec_.digits ? &rec_ : &detail::zero_record;
    }
    // Result view: a moved-from value gets a live record again.
    mpz_rec* out()
    {
        if (rec_.digits == nullptr)
            mpz_init(&rec_);
        return &rec_;
    }
    // mpz_sizeinbase, and so mpz_get_str, end the process when the bound
    // 30 n / floor(log2 base) + 1 on the digits of n stored digits does not
    // fit in an int: numbers of more than about 2^31 bits in base 2.
    void check_text_size(int base) const
    {
        detail::check_base(base);
        const mpz_rec* x = in();
        std::uint64_t n = x->len;
        while (n > 0 && x->digits[n - 1] == 0)
            --n;
        if (30 * n / unsigned(std::bit_width(unsigned(base)) - 1) + 1 >
            std::uint64_t(std::numeric_limits<int>::max()))
            throw std::range_error("zbig: more digits in base " + std::to_string(base) +
                                   " than an int can count");
    }
    static void check_divisor(const bigint& b)
    {
        if (b.is_zero())
            throw std::domain_error("zbig: division by zero");
    }
    [[noreturn]] static void throw_range()
    {
        throw std::range_error("zbig: value out of range of the target type");
    }

    mpz_rec rec_;
};

struct bigint_divmod {
    bigint quotient;
    bigint remainder;
};

// Named operations that have no operator. Kept in one place so that the
// record access stays private to bigint.
struct bigint_access {
    static const mpz_rec* in(const bigint& a) noexcept { return a.in(); }
    static mpz_rec* out(bigint& a) { return a.out(); }
    static void check_divisor(const bigint& b) { bigint::check_divisor(b); }
};

inline bigint_divmod divmod(const bigint& a, const bigint& b)
{
    using A = bigint_access;
    A::check_divisor(b);
    bigint_divmod r;
    mpz_divmod(A::out(r.quotient), A::out(r.remainder), A::in(a), A::in(b));
    return r;
}

inline bigint_divmod floor_divmod(const bigint& a, const bigint& b)
{
    using A = bigint_access;
    A::check_divisor(b);
    bigint_divmod r;
    mpz_mdivmod(A::out(r.quotient), A::out(r.remainder), A::in(a), A::in(b));
    return r;
}

namespace detail
{
inline uint32_t exponent(std::integral auto e)
{
    if (e < 0)
        throw std::domain_error("zbig: negative exponent");
    if (std::uint64_t(e) > std::numeric_limits<uint32_t>::max())
        throw std::range_error("zbig: exponent beyond 32 bits");
    return static_cast<uint32_t>(e);
}
} // namespace detail

// b to the power e.
inline bigint pow(const bigint& b, std::integral auto e)
{
    bigint r;
    mpz_pow_ui(bigint_access::out(r), bigint_access::in(b), detail::exponent(e));
    return r;
}

// b^e reduced by the truncating remainder modulo abs(m): the result has the
// sign of b when e is odd. A zero exponent gives 1 for every nonzero m, even
// for m = 1 or -1. A zero modulus is a domain_error, as is a negative exponent
// (the C call would leave its result unwritten).
inline bigint powm(const bigint& b, const bigint& e, const bigint& m)
{
    using A = bigint_access;
    if (m.is_zero())
        throw std::domain_error("zbig: powm with modulus zero");
    if (e.sign() < 0)
        throw std::domain_error("zbig: powm with a negative exponent");
    bigint r;
    mpz_powm(A::out(r), A::in(b), A::in(e), A::in(m));
    return r;
}

// Never negative; gcd(0, 0) is 0.
inline bigint gcd(const bigint& a, const bigint& b)
{
    bigint g;
    mpz_gcd(bigint_access::out(g), bigint_access::in(a), bigint_access::in(b));
    return g;
}

struct bigint_gcdext {
    bigint g, s, t; // a * s + b * t == g
};

// g is the last nonzero remainder of Euclid's chain with truncating
// remainders, so it may be negative (gcdext(4, -6).g is -2).
inline bigint_gcdext gcdext(const bigint& a, const bigint& b)
{
    using A = bigint_access;
    bigint_gcdext r;
    mpz_gcdext(A::out(r.g), A::out(r.s), A::out(r.t), A::in(a), A::in(b));
    return r;
}

struct bigint_sqrtrem {
    bigint root, remainder; // root^2 + remainder == x, 0 <= remainder <= 2 root
};

inline bigint_sqrtrem sqrtrem(const bigint& x)
{
    using A = bigint_access;
    if (x.sign() < 0)
        throw std::domain_error("zbig: square root of a negative value");
    bigint_sqrtrem r;
    mpz_sqrtrem(A::out(r.root), A::out(r.remainder), A::in(x));
    return r;
}

inline bigint sqrt(const bigint& x)
{
    if (x.sign() < 0)
        throw std::domain_error("zbig: square root of a negative value");
    bigint r;
    mpz_sqrt(bigint_access::out(r), bigint_access::in(x));
    return r;
}

// The Jacobi symbol (a/b) for odd positive b; jacobi(0, 1) is 0, as the C
// library answers.
inline int jacobi(const bigint& a, const bigint& b)
{
    if (b.sign() <= 0)
        throw std::domain_error("zbig: jacobi needs b > 0");
    if (mpz_get_ui(bigint_access::in(b)) % 2 == 0)
        throw std::domain_error("zbig: jacobi needs an odd b");
    return mpz_jacobi(bigint_access::in(a), bigint_access::in(b));
}

// True when abs(x) survives trial division and reps random trials (drawn
// from the C library's rand()); a prime is never called composite.
inline bool is_probable_prime(const bigint& x, int reps = 25)
{
    if (reps < 0)
        throw std::domain_error("zbig: negative repetition count");
    return mpz_probab_prime_p(bigint_access::in(x), reps) != 0;
}

inline bigint factorial(std::integral auto n)
{
    bigint r;
    mpz_fac_ui(bigint_access::out(r), detail::exponent(n));
    return r;
}

// Two's complement views for models of fixed-width datapaths. A bigint is
// read as an infinitely wide two's complement number (-1 is all ones), as
// Python's int does; widths count bits and are checked like shift counts.

// x modulo 2^width: the width low bits of x's two's complement, read as an
// unsigned number (wrap_unsigned(-1, 8) is 255).
inline bigint wrap_unsigned(const bigint& x, std::integral auto width)
{
    const uint32_t w = detail::shift_count(width);
    bigint low = abs(x);
    mpz_mod_2exp(bigint_access::out(low), bigint_access::in(low), w);
    if (x.sign() < 0 && !low.is_zero())
        low = (bigint(1) << w) - low;
    return low;
}

// The same width bits read as a signed number: x wrapped into
// [-2^(width-1), 2^(width-1)) (wrap_signed(200, 8) is -56). A width of 0 is
// a domain_error: a signed number needs its sign bit.
inline bigint wrap_signed(const bigint& x, std::integral auto width)
{
    const uint32_t w = detail::shift_count(width);
    if (w == 0)
        throw std::domain_error("zbig: a signed width needs at least one bit");
    bigint low = wrap_unsigned(x, w);
    if (!(low >> (w - 1)).is_zero())
        low -= bigint(1) << w;
    return low;
}

// The width bits of x's two's complement as '0' and '1', most significant
// first, like a VHDL vector literal: to_bits(-3, 4) is "1101".
inline std::string to_bits(const bigint& x, std::integral auto width)
{
    const uint32_t w = detail::shift_count(width);
    const bigint low = wrap_unsigned(x, w);
    std::string digits = low.is_zero() ? std::string() : low.to_string(2);
    return std::string(std::size_t(w) - digits.size(), '0') + digits;
}

namespace detail
{
inline void check_bits(std::string_view bits)
{
    for (const char c : bits)
        if (c != '0' && c != '1')
            throw std::invalid_argument("zbig: \"" + std::string(bits) +
                                        "\" is not a string of bits");
}
} // namespace detail

// Bits as to_bits writes them, read as an unsigned number ("" is 0).
inline bigint from_bits_unsigned(std::string_view bits)
{
    detail::check_bits(bits);
    const std::size_t first = bits.find('1');
    return first == std::string_view::npos ? bigint() : bigint(bits.substr(first), 2);
}

// Bits read as a two's complement number of their own width: "1101" is -3.
// The empty string is an invalid_argument (there is no sign bit).
inline bigint from_bits_signed(std::string_view bits)
{
    if (bits.empty())
        throw std::invalid_argument("zbig: a signed number needs at least one bit");
    bigint v = from_bits_unsigned(bits);
    if (bits[0] == '1')
        v -= bigint(1) << bits.size();
    return v;
}

// Bitwise logic on two's complement, as Python's int does it: bit_and(-6, 3)
// is 2, bit_or(-6, 3) is -5, bit_xor(-6, 3) is -7, bit_not(x) is -x - 1.
// Built from the magnitude operators on non-negative operands only, with
// ~n = -n - 1 turning a negative operand into a non-negative one.
inline bigint bit_not(const bigint& x)
{
    return -x - 1;
}

inline bigint bit_and(const bigint& a, const bigint& b)
{
    if (a.sign() >= 0 && b.sign() >= 0)
        return a & b;
    if (a.sign() < 0 && b.sign() < 0)
        return bit_not(bit_not(a) | bit_not(b));
    const bigint& p = a.sign() >= 0 ? a : b; // p & ~m with m = ~(the negative one)
    const bigint m = bit_not(a.sign() >= 0 ? b : a);
    return p ^ (p & m);
}

inline bigint bit_or(const bigint& a, const bigint& b)
{
    // a | b = ~(~a & ~b)
    return bit_not(bit_and(bit_not(a), bit_not(b)));
}

inline bigint bit_xor(const bigint& a, const bigint& b)
{
    if ((a.sign() < 0) == (b.sign() < 0))
        return a.sign() < 0 ? bit_not(a) ^ bit_not(b) : a ^ b;
    // One negative: a ^ b = ~(~neg ^ pos).
    return a.sign() < 0 ? bit_not(bit_not(a) ^ b) : bit_not(a ^ bit_not(b));
}

// x >> n on two's complement: floor(x / 2^n), so -5 >> 1 is -3.
inline bigint shift_right_floor(const bigint& x, std::integral auto n)
{
    const uint32_t k = detail::shift_count(n);
    return x.sign() >= 0 ? x >> k : bit_not(bit_not(x) >> k);
}

} // namespace fsmdkit

#endif // ZBIG_HPP
