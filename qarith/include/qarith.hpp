// qarith.hpp: a C++20 fixed-point value type over qarith's C interface
// (qarith.h) and four entry points of libqarith for its binary operators
// (declared below). Header-only; link with fsmdkit::qarith (-lqarith -lm).
//
// fsmdkit::fixed is an fxp_t whose format is checked when it is made: word
// length wl, integer length iwl (sign bit included), the container bit
// `point` that has weight 1, and the overflow and quantisation modes. A
// format is accepted when 1 <= iwl <= wl, wl - iwl <= point and
// point + iwl <= 32; anything else is std::invalid_argument.
//
// The value of a fixed is its raw field, the format's wl bits read as two's
// complement in units of 2^-(wl - iwl). The guard bits below them are working
// bits of the arithmetic: the C functions ignore an operand's guard bits, and
// so do to_double, to_string, to_format and the comparisons. container() and
// c_rec() show them.
//
// Result format of the operators: the result of a + b, a - b, a * b, a / b
// and -a has the format of its left (or only) operand, modes included, and
// its container is, bit for bit, what fxp_add, fxp_sub, fxp_mul, fxp_div and
// fxp_neg compute, as the hardware does: the exact result is first placed at
// the format's binary point (its bits below the container's last guard bit
// are cut, toward minus infinity; a quotient is truncated toward zero), then
// quantised by the quantisation mode, which acts on the guard bits only, then
// brought into range by the overflow mode; with neither mode the container
// keeps the low 32 bits. So round-to-nearest needs guard bits: with none,
// results are truncated (in a 4.2 format, 0.75 * 0.5 is 0.25 with rounding as
// without). Operands may have different formats. Division by zero is
// std::domain_error (the C call reports it on standard error and leaves its
// result unwritten).
//
// Conversions: from double and from decimal text the magnitude is cut
// toward zero to the format's fraction bits (as double_to_fxp does);
// to_format quantises a value by the target format's quantisation mode
// (nearest, ties up, for round; toward minus infinity otherwise). Then a value
// beyond the format's range, however far, saturates or wraps by the overflow
// mode, and is std::range_error when the mode does neither. NaN, infinities
// and malformed text are std::invalid_argument. to_double and to_string give
// the exact two's-complement value (the C fxp_to_double reads the format's
// bits as sign and magnitude, which is not the value the arithmetic computes
// for negative numbers). to_bits is the C text form.
#ifndef QARITH_HPP
#define QARITH_HPP

#include "qarith.h"

#include <bit>
#include <cmath>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

// The operators' way into the library: the container of a op b in a's
// format, returned instead of stored; a / b by a divisor whose raw field is
// zero gives INT64_MIN and reports nothing. Part of libqarith for this
// header; C code calls fxp_add and the rest.
extern "C" {
int32_t qarith_add_value(const fxp_t* a, const fxp_t* b);
int32_t qarith_sub_value(const fxp_t* a, const fxp_t* b);
int32_t qarith_mul_value(const fxp_t* a, const fxp_t* b);
int64_t qarith_div_value(const fxp_t* a, const fxp_t* b);
}

namespace fsmdkit
{

enum class overflow_mode : int32_t { wrap = FXP_OVF_WRAP, saturate = FXP_OVF_SAT, none = 2 };
enum class quantization_mode : int32_t { truncate = FXP_Q_TRUNC, round = FXP_Q_ROUND, none = 2 };

struct fixed_format {
    int wl = 32;
    int iwl = 32;
    int point = 0;
    overflow_mode overflow = overflow_mode::saturate;
    quantization_mode quantization = quantization_mode::truncate;

    // A format from integer bits, fraction bits and guard bits. Mind the
    // guard bits when rounding: the arithmetic rounds only what lands in
    // them, so with the default of none, quantization_mode::round gives the
    // same results as truncate (make(4, 2, 2, ..., round) rounds 0.375 to
    // 0.5, make(4, 2, 0, ..., round) cuts it to 0.25). Arguments whose sums
    // do not fit an int give a format that is not well formed.
    static constexpr fixed_format make(int iwl, int fwl, int guard_bits = 0,
                                       overflow_mode o = overflow_mode::saturate,
                                       quantization_mode q = quantization_mode::truncate)
    {
        const auto field = [](std::int64_t v) {
            // -1 is never a well-formed word length or point for these sums.
            return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()
                       ? int(v)
                       : -1;
        };
        return fixed_format{field(std::int64_t(iwl) + fwl), iwl,
                            field(std::int64_t(fwl) + guard_bits), o, q};
    }
    constexpr int fwl() const noexcept { return wl - iwl; }
    constexpr int guard_bits() const noexcept { return point - fwl(); }
    constexpr bool well_formed() const noexcept
    {
        return iwl >= 1 && wl >= iwl && point >= std::int64_t(wl) - iwl &&
               std::int64_t(point) + iwl <= 32;
    }
    void check() const
    {
        if (!well_formed())
            throw std::invalid_argument("qarith: invalid format wl " + std::to_string(wl) +
                                        ", iwl " + std::to_string(iwl) + ", point " +
                                        std::to_string(point));
    }
    // Smallest and largest raw field (the number in units of 2^-fwl).
    constexpr std::int64_t min_raw() const noexcept { return -(std::int64_t(1) << (wl - 1)); }
    constexpr std::int64_t max_raw() const noexcept { return (std::int64_t(1) << (wl - 1)) - 1; }
    friend constexpr bool operator==(const fixed_format&, const fixed_format&) = default;
};

class fixed
{
  public:
    // Zero in the default format, fixed_format{}: a 32-bit integer,
    // saturating and truncating. Gives std::vector<fixed>(n) and arrays of
    // fixed; assign a value of the intended format before computing.
    fixed() noexcept
        : rec_{0,
               fixed_format{}.wl,
               fixed_format{}.iwl,
               fixed_format{}.point,
               int32_t(fixed_format{}.overflow),
               int32_t(fixed_format{}.quantization)}
    {
    }
    // Zero in format f.
    explicit fixed(const fixed_format& f) : rec_(record(f, 0)) {}
    // d cut toward zero to f's fraction bits, then brought into range.
    fixed(double d, const fixed_format& f) : rec_(record(f, 0))
    {
        if (!std::isfinite(d))
            throw std::invalid_argument("qarith: cannot convert a NaN or infinite value");
        const double scaled = std::trunc(std::ldexp(d, f.fwl()));
        const double two_63 = std::ldexp(1.0, 63);
        if (std::fabs(scaled) < two_63) {
            set_raw(static_cast<std::int64_t>(scaled));
        } else {
            // Only the overflow mode decides now: the sign for saturation,
            // the low bits for wrapping. An integer this large is exact in
            // double, and so is its remainder modulo 2^64; where scaling
            // overflowed to infinity, the low bits are zero (every double
            // beyond 2^116 is a multiple of 2^64).
            const std::uint64_t low =
                std::isinf(scaled)
                    ? 0
                    : static_cast<std::uint64_t>(std::fmod(std::fabs(scaled), 2 * two_63));
            set_raw_beyond(scaled < 0, scaled < 0 ? std::uint64_t(0) - low : low);
        }
    }
    // The number raw * 2^-fwl, brought into range like a converted value.
    static fixed from_raw(std::int64_t raw, const fixed_format& f)
    {
        fixed x(f);
        x.set_raw(raw);
        return x;
    }
    // Decimal text: optional '-', digits, optionally '.' and more digits.
    static fixed parse(std::string_view text, const fixed_format& f);
    // The C text form: iwl binary digits, '.', fwl binary digits; read as a
    // two's-complement bit pattern.
    static fixed from_bits(std::string_view text, const fixed_format& f);
    // A record from the C interface, its format checked.
    static fixed from_c(const fxp_t& r)
    {
        fixed x(fixed_format{r.wl, r.iwl, r.point, overflow_mode(r.ovf_mode),
                             quantization_mode(r.q_mode)});
        x.rec_.value = r.value;
        return x;
    }

    // This value in format f: quantised to f's fraction bits by f's
    // quantisation mode (round: nearest, ties toward plus infinity; truncate
    // and none: toward minus infinity), then brought into f's range by f's
    // overflow mode; std::range_error when f has none and the value does
    // not fit. The guard bits of the result are zero.
    fixed to_format(const fixed_format& f) const
    {
        fixed x(f);
        const int shift = f.fwl() - format().fwl();
        std::int64_t r = raw();
        if (shift >= 0) {
            r *= std::int64_t(1) << shift; // below 2^62: raw < 2^31, shift < 32
        } else {
            if (f.quantization == quantization_mode::round)
                r += std::int64_t(1) << (-shift - 1);
            r >>= -shift; // arithmetic: toward minus infinity
        }
        x.set_raw(r);
        return x;
    }

    fixed_format format() const noexcept
    {
        return fixed_format{rec_.wl, rec_.iwl, rec_.point, overflow_mode(rec_.ovf_mode),
                            quantization_mode(rec_.q_mode)};
    }
    const fxp_t& c_rec() const noexcept { return rec_; }
    int32_t container() const noexcept { return rec_.value; }
    // The container in units of the format's least significant bit.
    int32_t raw() const noexcept { return rec_.value >> format().guard_bits(); }

    double to_double() const noexcept { return std::ldexp(double(raw()), -format().fwl()); }
    // The integer part, rounded toward minus infinity.
    int to_int() const noexcept { return fxp_to_int32(&rec_); }
    // The exact value in decimal: "-2.5", "3.328125", "7".
    std::string to_string() const;
    // The C text form in base 2: two's-complement bits of the format.
    std::string to_bits() const
    {
        std::string s(std::size_t(rec_.wl) + 2, '\0');
        fxp_to_string(&rec_, 2, s.data());
        s.resize(std::size_t(rec_.wl) + 1);
        return s;
    }

    friend fixed operator+(const fixed& a, const fixed& b) { return a.add_sub(b, false); }
    friend fixed operator-(const fixed& a, const fixed& b) { return a.add_sub(b, true); }
    friend fixed operator*(const fixed& a, const fixed& b);
    friend fixed operator/(const fixed& a, const fixed& b);
    friend fixed operator-(const fixed& a);
    friend fixed operator+(const fixed& a) { return a; }
    // In place: the C calls may write a result over their first operand.
    fixed& operator+=(const fixed& b) { return apply<fxp_add>(b); }
    fixed& operator-=(const fixed& b) { return apply<fxp_sub>(b); }
    fixed& operator*=(const fixed& b) { return apply<fxp_mul>(b); }
    fixed& operator/=(const fixed& b)
    {
        check_divisor(b);
        return apply<fxp_div>(b);
    }

    // Values are compared exactly, whatever their formats: 1.5 in two
    // formats is equivalent (equal values, distinguishable by format()).
    // Guard bits take no part.
    friend std::weak_ordering operator<=>(const fixed& a, const fixed& b) noexcept
    {
        const int fa = a.format().fwl(), fb = b.format().fwl();
        const std::int64_t x = std::int64_t(a.raw()) * (std::int64_t(1) << (fb > fa ? fb - fa : 0));
        const std::int64_t y = std::int64_t(b.raw()) * (std::int64_t(1) << (fa > fb ? fa - fb : 0));
        return x <=> y;
    }
    friend bool operator==(const fixed& a, const fixed& b) noexcept { return (a <=> b) == 0; }

    friend std::ostream& operator<<(std::ostream& os, const fixed& x)
    {
        return os << x.to_string();
    }

  private:
    static fxp_t record(const fixed_format& f, int32_t value)
    {
        f.check();
        return fxp_t{value, f.wl, f.iwl, f.point, int32_t(f.overflow), int32_t(f.quantization)};
    }
    // Stores raw (units of 2^-fwl) after the overflow mode's range rule.
    void set_raw(std::int64_t raw)
    {
        const fixed_format f = format();
        if (raw < f.min_raw() || raw > f.max_raw())
            raw = out_of_range(f, raw < 0, std::uint64_t(raw));
        store(f, raw);
    }
    // Stores a raw field whose magnitude is 2^63 or more: known by its sign
    // and by its low 64 bits (two's complement), which are all wrapping needs.
    void set_raw_beyond(bool negative, std::uint64_t low_bits)
    {
        const fixed_format f = format();
        store(f, out_of_range(f, negative, low_bits));
    }
    static std::int64_t out_of_range(const fixed_format& f, bool negative, std::uint64_t low_bits)
    {
        switch (f.overflow) {
        case overflow_mode::saturate:
            return negative ? f.min_raw() : f.max_raw();
        case overflow_mode::wrap: {
            // Keep the low wl bits, then extend the sign bit.
            const std::uint64_t low = low_bits & ((std::uint64_t(1) << f.wl) - 1);
            return std::int64_t(low) - (low >> (f.wl - 1) ? (std::int64_t(1) << f.wl) : 0);
        }
        default:
            throw std::range_error("qarith: value beyond the format's range");
        }
    }
    // raw is within the format's range, so the container holds it.
    void store(const fixed_format& f, std::int64_t raw)
    {
        rec_.value = int32_t(raw * (std::int64_t(1) << f.guard_bits()));
    }
    fixed add_sub(const fixed& b, bool subtract) const
    {
        return subtract ? result<qarith_sub_value>(*this, b) : result<qarith_add_value>(*this, b);
    }
    // The result in a's format, put together from a's format and the
    // container the library returns in a register.
    template <int32_t (*Operation)(const fxp_t*, const fxp_t*)>
    static fixed result(const fixed& a, const fixed& b)
    {
        return fixed(a.rec_, Operation(&a.rec_, &b.rec_));
    }
    // A's format with a new container, copied as three 64-bit words (the
    // container shares the first with wl): field by field, compilers gather
    // the six 32-bit fields in vector registers, several instructions more
    // on every operator.
    fixed(const fxp_t& format, int32_t value)
    {
        static_assert(sizeof(fxp_t) == 24 && offsetof(fxp_t, value) == 0 &&
                      offsetof(fxp_t, wl) == 4);
        std::uint64_t head, tail[2];
        std::memcpy(&head, &format, sizeof head);
        std::memcpy(tail, reinterpret_cast<const char*>(&format) + sizeof head, sizeof tail);
        const std::uint64_t low = std::uint32_t(value);
        head = std::endian::native == std::endian::little
                   ? (head & ~std::uint64_t(0xffffffff)) | low
                   : (head & std::uint64_t(0xffffffff)) | (low << 32);
        std::memcpy(&rec_, &head, sizeof head);
        std::memcpy(reinterpret_cast<char*>(&rec_) + sizeof head, tail, sizeof tail);
    }
    template <void (*Operation)(fxp_t*, const fxp_t*, const fxp_t*)> fixed& apply(const fixed& b)
    {
        Operation(&rec_, &rec_, &b.rec_);
        return *this;
    }
    // The C call would print a message and leave the result unwritten.
    static void check_divisor(const fixed& b)
    {
        if (b.raw() == 0)
            division_by_zero();
    }
    [[noreturn]] static void division_by_zero()
    {
        throw std::domain_error("qarith: division by zero");
    }

    fxp_t rec_;
};

inline fixed operator*(const fixed& a, const fixed& b)
{
    return fixed::result<qarith_mul_value>(a, b);
}

inline fixed operator/(const fixed& a, const fixed& b)
{
    // The library tells a zero divisor apart in the same call.
    const std::int64_t value = qarith_div_value(&a.rec_, &b.rec_);
    if (value == std::numeric_limits<std::int64_t>::min())
        fixed::division_by_zero();
    return fixed(a.rec_, std::int32_t(value));
}

inline fixed operator-(const fixed& a)
{
    fixed r = a;
    fxp_neg(&r.rec_, &a.rec_);
    return r;
}

inline fixed abs(const fixed& a)
{
    return a.raw() < 0 ? -a : a;
}

inline std::string fixed::to_string() const
{
    // raw * 2^-F = raw * 5^F / 10^F: exact in decimal, F <= 31 digits.
    const int f = format().fwl();
    std::int64_t r = raw();
    const bool negative = r < 0;
    std::uint64_t m = negative ? std::uint64_t(0) - std::uint64_t(r) : std::uint64_t(r);
    std::string text = std::to_string(m >> f);
    std::uint64_t frac = f == 0 ? 0 : m & ((std::uint64_t(1) << f) - 1);
    if (frac != 0) {
        text += '.';
        // Each step: frac/2^f * 10 = (frac * 10) / 2^f; frac < 2^31 keeps
        // frac * 10 within 64 bits.
        while (frac != 0) {
            frac *= 10;
            text += char('0' + (frac >> f));
            frac &= (std::uint64_t(1) << f) - 1;
        }
    }
    return negative ? "-" + text : text;
}

inline fixed fixed::parse(std::string_view text, const fixed_format& f)
{
    const auto fail = [&](const char* why) {
        throw std::invalid_argument(std::string("qarith: ") + why + " in \"" + std::string(text) +
                                    "\"");
    };
    fixed x(f);
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    // The integer part exactly while it is below 2^32 (beyond, no format
    // can hold it), and always modulo 2^64 for the wrapping mode.
    constexpr std::uint64_t beyond_any_format = std::uint64_t(1) << 32;
    std::uint64_t whole = 0, whole_low = 0;
    std::string fraction; // digit values after the point
    bool point = false, digits = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            fail("invalid character");
        digits = true;
        if (point) {
            fraction += char(c - '0');
        } else {
            const unsigned digit = unsigned(c - '0');
            whole_low = whole_low * 10 + digit;
            if (whole < beyond_any_format)
                whole = whole * 10 + digit;
        }
    }
    if (!digits)
        fail("no digits");
    // The fraction's binary digits, cut after fwl: double the decimal
    // fraction and take what carries over the point, fwl times.
    std::uint64_t bits = 0;
    for (int k = 0; k < f.fwl(); ++k) {
        int carry = 0;
        for (std::size_t j = fraction.size(); j-- > 0;) {
            const int v = fraction[j] * 2 + carry;
            fraction[j] = char(v % 10);
            carry = v / 10;
        }
        bits = bits * 2 + unsigned(carry);
    }
    if (whole >= beyond_any_format) {
        const std::uint64_t low = (whole_low << f.fwl()) + bits;
        x.set_raw_beyond(negative, negative ? std::uint64_t(0) - low : low);
    } else {
        // Below 2^63: whole < 2^32, fwl < 32.
        const std::int64_t magnitude = std::int64_t((whole << f.fwl()) + bits);
        x.set_raw(negative ? -magnitude : magnitude);
    }
    return x;
}

inline fixed fixed::from_bits(std::string_view text, const fixed_format& f)
{
    fixed x(f);
    const std::size_t n = std::size_t(f.wl) + 1;
    bool ok = text.size() == n && text[std::size_t(f.iwl)] == '.';
    for (std::size_t i = 0; ok && i < n; ++i)
        ok = i == std::size_t(f.iwl) || text[i] == '0' || text[i] == '1';
    if (!ok)
        throw std::invalid_argument("qarith: \"" + std::string(text) + "\" is not " +
                                    std::to_string(f.iwl) + " binary digits, '.', " +
                                    std::to_string(f.fwl()) + " binary digits");
    const std::string copy(text);
    string_to_fxp(copy.c_str(), 2, &x.rec_);
    // The C reader leaves the container above the format's top bit clear;
    // extending the sign bit makes the pattern a two's-complement number.
    const int top = 31 - (f.point + f.iwl - 1);
    x.rec_.value = int32_t(std::uint32_t(x.rec_.value) << top) >> top;
    return x;
}

} // namespace fsmdkit

#endif // QARITH_HPP
