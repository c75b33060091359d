// fsmdkit/vectors.hpp: writes the vectors file that
// `fsmd-sim ENTITY --design FILE... --vectors FILE` checks a design against,
// from the values of a C or C++ model. Header-only; link with fsmdkit::vectors
// (which brings fsmdkit::zbig and fsmdkit::qarith).
//
//     std::ofstream file("qmac.vectors");
//     fsmdkit::vectors_writer out(file, {fsmdkit::input("a", 16, fsmdkit::is_signed),
//                                        fsmdkit::input("b", 16, fsmdkit::is_signed),
//                                        fsmdkit::output("y", 16, fsmdkit::is_signed),
//                                        fsmdkit::output("sat", 1)});
//     out.row({a, b, y, sat});          // one value per port, in this order
//     out.row({a, b, fsmdkit::not_checked, 0});
//
// The header line names the inputs, ':', then the outputs; each row writes
// every value as hexadecimal digits at its port's width. A value is a
// machine integer (bool and 128-bit integers included, never narrowed), an
// fsmdkit::bigint, an fsmdkit::fixed (written as its raw integer, the value
// times 2^fwl: Q8.8 1.5 is 0180) or, for an output, fsmdkit::not_checked. A
// signed port takes the value's two's complement bits; an unsigned port takes
// values from 0 to 2^width - 1.
//
// A VHDL boolean port is fsmdkit::input_boolean("flag") (one bit, 1 = true);
// an integer port with a range is fsmdkit::input_integer("n", -8, 7): as
// wide as the fewest bits that hold the range (two's complement when it has
// negative values, as fsmd-sim reads it) and refusing values outside it
// (natural is 0 to 2147483647, integer -2147483648 to 2147483647). A port
// named by an extended identifier is named as VHDL writes it, backslashes
// included: "\\my port\\".
//
// Errors are exceptions, thrown before anything of the offending row is
// written: std::out_of_range for a value that does not fit its port (never
// wrapped or cut), std::invalid_argument for a malformed port list, a row
// with the wrong number of values, or not_checked for an input.
#ifndef FSMDKIT_VECTORS_HPP
#define FSMDKIT_VECTORS_HPP

#include "qarith.hpp"
#include "zbig.hpp"

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace fsmdkit
{

enum class port_dir { in, out };
inline constexpr bool is_signed = true;

struct vector_port {
    std::string name;
    port_dir dir = port_dir::in;
    int width = 1;
    bool is_signed = false;
    // An integer port's range: values outside low..high are refused.
    bool has_range = false;
    std::int64_t low = 0;
    std::int64_t high = 0;
};

inline vector_port input(std::string name, int width, bool signed_port = false)
{
    return vector_port{std::move(name), port_dir::in, width, signed_port};
}
inline vector_port output(std::string name, int width, bool signed_port = false)
{
    return vector_port{std::move(name), port_dir::out, width, signed_port};
}
inline vector_port input_boolean(std::string name)
{
    return input(std::move(name), 1);
}
inline vector_port output_boolean(std::string name)
{
    return output(std::move(name), 1);
}

namespace detail
{
// The fewest bits that hold every integer from low to high: unsigned when
// low >= 0, else two's complement.
constexpr int bits_for_range(std::int64_t low, std::int64_t high) noexcept
{
    auto bits = [](std::uint64_t v) {
        int n = 0;
        for (; v != 0; v >>= 1)
            ++n;
        return n;
    };
    const int positive = high > 0 ? bits(std::uint64_t(high)) : 0;
    if (low >= 0)
        return positive > 0 ? positive : 1;
    const int negative = bits(std::uint64_t(-(low + 1)));
    return (positive > negative ? positive : negative) + 1;
}

inline vector_port integer_port(std::string name, port_dir dir, std::int64_t low, std::int64_t high)
{
    if (low > high)
        throw std::invalid_argument("port " + name + ": empty range " + std::to_string(low) +
                                    " to " + std::to_string(high));
    return vector_port{std::move(name), dir, bits_for_range(low, high), low < 0, true, low, high};
}
} // namespace detail

inline vector_port input_integer(std::string name, std::int64_t low, std::int64_t high)
{
    return detail::integer_port(std::move(name), port_dir::in, low, high);
}
inline vector_port output_integer(std::string name, std::int64_t low, std::int64_t high)
{
    return detail::integer_port(std::move(name), port_dir::out, low, high);
}

// An output left unchecked in one test: written as '-'.
struct not_checked_t {
    explicit constexpr not_checked_t() = default;
};
inline constexpr not_checked_t not_checked{};

namespace detail
{
constexpr char hex_digits[] = "0123456789ABCDEF";

// The widest machine integer: 128 bits where the compiler has them (GCC
// and Clang, whether or not GNU extensions are on), else 64.
#ifdef __SIZEOF_INT128__
__extension__ typedef unsigned __int128 machine_word;
__extension__ typedef __int128 signed_machine_word;
template <class T>
concept is_int128 = std::same_as<std::remove_cv_t<T>, signed_machine_word> ||
    std::same_as<std::remove_cv_t<T>, machine_word>;
#else
typedef std::uint64_t machine_word;
typedef std::int64_t signed_machine_word;
template <class T>
concept is_int128 = false;
#endif
constexpr int machine_bits = int(sizeof(machine_word) * 8);

// std::integral leaves out the 128-bit types under -std=c++20 and takes
// them in under -std=gnu++20: both ways they are machine integers here.
template <class T>
concept any_machine_integer = std::integral<T> || is_int128<T>;
template <any_machine_integer T> constexpr bool is_signed_integer = T(-1) < T(0);

inline std::string decimal(machine_word magnitude, bool negative)
{
    std::string text;
    do {
        text.insert(text.begin(), char('0' + unsigned(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    return negative ? "-" + text : text;
}

inline std::string port_text(const vector_port& p)
{
    return std::string(p.is_signed ? "signed" : "unsigned") + " port " + p.name + " of " +
           std::to_string(p.width) + (p.width == 1 ? " bit" : " bits");
}

// The digits of a machine two's-complement value at `width` bits: the bits
// above the machine's repeat the sign, the top digit keeps only the width's
// bits.
inline std::string hex_at_width(machine_word bits, bool negative, int width)
{
    const int digits = (width + 3) / 4;
    std::string text(std::size_t(digits), '0');
    for (int i = 0; i < digits; ++i) {
        unsigned nibble =
            i < machine_bits / 4 ? unsigned(bits >> (4 * i)) & 15u : (negative ? 15u : 0u);
        if (i == digits - 1 && width % 4 != 0)
            nibble &= (1u << (width % 4)) - 1;
        text[std::size_t(digits - 1 - i)] = hex_digits[nibble];
    }
    return text;
}
} // namespace detail

// One field of a row.
class vector_value
{
  public:
    vector_value(not_checked_t) : value_(std::monostate{}) {}
    // The alternative is built in place, never assigned: assigning would go
    // through the destructor of whichever alternative the variant held, and
    // GCC's sanitized builds then warn that a bigint may be uninitialised.
    template <detail::any_machine_integer T>
    vector_value(T v) // NOLINT: implicit, so rows read as lists of numbers
        : value_(std::in_place_type<machine>, machine_of(v))
    {
    }
    vector_value(const bigint& v) : value_(v) {}
    vector_value(const fixed& v) : vector_value(v.raw()) {}

    bool is_not_checked() const noexcept { return std::holds_alternative<std::monostate>(value_); }

    // The field for port p; throws std::out_of_range when the value does
    // not fit, std::invalid_argument for not_checked.
    std::string field(const vector_port& p) const
    {
        if (is_not_checked())
            throw std::invalid_argument("not_checked for " + p.name + ", which is not an output");
        if (const auto* m = std::get_if<machine>(&value_))
            return machine_field(*m, p);
        return big_field(std::get<bigint>(value_), p);
    }

  private:
    using word = detail::machine_word;
    using signed_word = detail::signed_machine_word;
    static constexpr int word_bits = detail::machine_bits;

    struct machine {
        word bits; // two's complement of the value
        bool negative;
    };

    template <detail::any_machine_integer T> static machine machine_of(T v) noexcept
    {
        if constexpr (detail::is_signed_integer<T>)
            return machine{word(signed_word(v)), v < 0};
        else
            return machine{word(v), false};
    }

    static std::string machine_text(const machine& m)
    {
        return detail::decimal(m.negative ? word(0) - m.bits : m.bits, m.negative);
    }

    static std::string range_text(const vector_port& p)
    {
        return std::to_string(p.low) + " to " + std::to_string(p.high);
    }

    static std::string machine_field(const machine& m, const vector_port& p)
    {
        const int w = p.width;
        bool fits;
        if (p.is_signed) {
            // -2^(w-1) <= v < 2^(w-1); a negative machine value fits any
            // width from the machine's.
            if (m.negative)
                fits = w >= word_bits || signed_word(m.bits) >= -signed_word(word(1) << (w - 1));
            else
                fits = w > word_bits || m.bits <= (word(1) << (w - 1)) - 1;
        } else {
            fits = !m.negative && (w >= word_bits || m.bits < (word(1) << w));
        }
        if (!fits)
            throw std::out_of_range("value " + machine_text(m) + " does not fit " +
                                    detail::port_text(p));
        if (p.has_range) {
            const bool outside = m.negative
                                     ? signed_word(m.bits) < signed_word(p.low) ||
                                           signed_word(m.bits) > signed_word(p.high)
                                     : p.high < 0 || m.bits > word(std::uint64_t(p.high)) ||
                                           (p.low > 0 && m.bits < word(std::uint64_t(p.low)));
            if (outside)
                throw std::out_of_range("value " + machine_text(m) + " is outside the range " +
                                        range_text(p) + " of port " + p.name);
        }
        return detail::hex_at_width(m.bits, m.negative, w);
    }

    static std::string big_field(const bigint& v, const vector_port& p)
    {
        if (p.has_range && (v < bigint(p.low) || v > bigint(p.high)))
            throw std::out_of_range("value " + v.to_string() + " is outside the range " +
                                    range_text(p) + " of port " + p.name);
        const bigint limit = bigint(1) << (p.is_signed ? p.width - 1 : p.width);
        const bool fits = p.is_signed ? (v >= -limit && v < limit) : (v.sign() >= 0 && v < limit);
        if (!fits)
            throw std::out_of_range("value " + v.to_string() + " does not fit " +
                                    detail::port_text(p));
        const bigint bits = v.sign() < 0 ? (bigint(1) << p.width) + v : v;
        std::string digits = bits.to_string(16);
        for (char& c : digits)
            if (c >= 'a' && c <= 'f')
                c = char(c - 'a' + 'A');
        const std::size_t width = std::size_t(p.width + 3) / 4;
        return std::string(width - digits.size(), '0') + digits;
    }

    std::variant<std::monostate, machine, bigint> value_;
};

class vectors_writer
{
  public:
    // Checks the ports (names non-empty and distinct, widths from 1) and
    // writes the header line.
    vectors_writer(std::ostream& out, std::vector<vector_port> ports)
        : out_(out), ports_(std::move(ports))
    {
        std::set<std::string> names;
        for (const vector_port& p : ports_) {
            if (!valid_name(p.name))
                throw std::invalid_argument("port name \"" + p.name +
                                            "\" is empty or holds a blank, ':' or '#'"
                                            " outside an extended identifier");
            if (p.width < 1)
                throw std::invalid_argument("port " + p.name + " has width " +
                                            std::to_string(p.width));
            if (!names.insert(p.name).second)
                throw std::invalid_argument("port " + p.name + " is listed twice");
        }
        out_ << line([](const vector_port& p, std::size_t) { return p.name; }) << '\n';
    }

    // One test: one value per port, in the order of the port list.
    void row(std::initializer_list<vector_value> values)
    {
        row(std::span(values.begin(), values.size()));
    }
    void row(std::span<const vector_value> values)
    {
        if (values.size() != ports_.size())
            throw std::invalid_argument("row " + std::to_string(rows_ + 1) + " has " +
                                        std::to_string(values.size()) + " values for " +
                                        std::to_string(ports_.size()) + " ports");
        // Every field is made before the line is written, so a row that
        // fails leaves no partial line behind.
        std::string text;
        try {
            text = line([&](const vector_port& p, std::size_t i) {
                const vector_value& v = values[i];
                if (v.is_not_checked() && p.dir == port_dir::out)
                    return std::string("-");
                return v.field(p);
            });
        } catch (const std::out_of_range& e) {
            throw std::out_of_range("row " + std::to_string(rows_ + 1) + ": " + e.what());
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument("row " + std::to_string(rows_ + 1) + ": " + e.what());
        }
        out_ << text << '\n';
        ++rows_;
    }

    // A comment line ('#' and the text, which must be one line).
    void comment(std::string_view text)
    {
        if (text.find('\n') != std::string_view::npos)
            throw std::invalid_argument("a comment is one line");
        out_ << "# " << text << '\n';
    }

    std::size_t rows() const noexcept { return rows_; }

  private:
    // A basic name holds no blank, ':', '#' or backslash; an extended
    // identifier (\\my port\\, a backslash inside it doubled) may hold any
    // of them but a line end, as fsmd-sim reads the header.
    static bool valid_name(const std::string& name)
    {
        if (name.size() >= 3 && name.front() == '\\' && name.back() == '\\') {
            if (name.find_first_of("\r\n") != std::string::npos)
                return false;
            // Inside the outer pair, backslashes come in pairs.
            for (std::size_t i = 1; i + 1 < name.size(); ++i)
                if (name[i] == '\\' && (i + 2 >= name.size() || name[++i] != '\\'))
                    return false;
            return true;
        }
        return !name.empty() && name.find_first_of(" \t\r\n:#\\") == std::string::npos;
    }

    // Inputs, ':', outputs; each in the order of the port list.
    template <class Field> std::string line(Field field) const
    {
        std::string text;
        for (port_dir dir : {port_dir::in, port_dir::out}) {
            if (dir == port_dir::out)
                text += text.empty() ? ":" : " :";
            for (std::size_t i = 0; i < ports_.size(); ++i)
                if (ports_[i].dir == dir)
                    text += ' ' + field(ports_[i], i);
        }
        return text.substr(text[0] == ' ' ? 1 : 0);
    }

    std::ostream& out_;
    std::vector<vector_port> ports_;
    std::size_t rows_ = 0;
};

} // namespace fsmdkit

#endif
