// An independent exact model of the fixed-point rules for the tests: big
// integers and the arithmetic definitions (floor, modulo, clamp) instead of
// the library's shifts and masks.
#pragma once

#include "qarith.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

namespace qarith_test
{

using boost::multiprecision::cpp_int;

// Rounds of a randomized test: a tenth under memory checking (which runs
// the suite some fifty times slower), where the point is the memory
// behaviour of every path rather than the number of random cases.
inline int rounds(int full)
{
    return std::getenv("QARITH_TEST_QUICK") != nullptr ? full / 10 : full;
}

inline cpp_int pow2(int64_t k)
{
    cpp_int power = 0;
    boost::multiprecision::bit_set(power, static_cast<unsigned>(k));
    return power;
}

// floor(n / d) for d > 0 (cpp_int's division truncates toward zero).
inline cpp_int floor_div(const cpp_int& n, const cpp_int& d)
{
    cpp_int q = n / d;
    if (n % d != 0 && n < 0)
        --q;
    return q;
}

// x * 2^k as a rational n / d with d > 0, for k of either sign.
struct Rational {
    cpp_int num;
    cpp_int den = 1;
};

inline Rational scaled(cpp_int x, int64_t k)
{
    return k >= 0 ? Rational{x * pow2(k), 1} : Rational{x, pow2(-k)};
}

inline int64_t fraction_of(const fxp_t& x)
{
    return int64_t{x.wl} - x.iwl;
}
inline int64_t guard_of(const fxp_t& x)
{
    return x.point - fraction_of(x);
}
inline int64_t sign_bit_of(const fxp_t& x)
{
    return int64_t{x.point} + x.iwl - 1;
}

// The number a record stands for, in units of its least significant bit:
// floor(value / 2^G).
inline cpp_int raw_of(const fxp_t& x)
{
    return floor_div(cpp_int(x.value), pow2(guard_of(x)));
}

// Quantisation and overflow handling of a container value (any size) under
// r's format, then the 32-bit container that holds its low bits.
inline int32_t normalize_model(cpp_int v, const fxp_t& r)
{
    const int64_t g = guard_of(r);
    const int64_t s = sign_bit_of(r);
    if (r.q_mode == FXP_Q_TRUNC)
        v = floor_div(v, pow2(g)) * pow2(g);
    else if (r.q_mode == FXP_Q_ROUND && g >= 1)
        v = floor_div(2 * v + pow2(g), pow2(g + 1)) * pow2(g);
    if (r.ovf_mode == FXP_OVF_SAT) {
        const cpp_int largest = pow2(s) - pow2(g);
        const cpp_int smallest = -pow2(s);
        if (v > largest)
            v = largest;
        else if (v < smallest)
            v = smallest;
    } else if (r.ovf_mode == FXP_OVF_WRAP) {
        const cpp_int span = pow2(s + 1);
        v = v + pow2(s) - floor_div(v + pow2(s), span) * span - pow2(s);
    }
    cpp_int low = v - floor_div(v, pow2(32)) * pow2(32); // 0 <= low < 2^32
    if (low >= pow2(31))
        low -= pow2(32);
    return static_cast<int32_t>(low);
}

// Exact results at r's point: floor for the exact operations (r's container
// may be coarser than the exact value), truncation toward zero for the
// quotient, which is how division has always rounded before quantisation.
inline cpp_int at_point_floor(const Rational& q, const fxp_t& r)
{
    return floor_div(q.num * pow2(r.point), q.den);
}

inline std::string describe(const fxp_t& x)
{
    std::ostringstream out;
    out << "{value " << x.value << ", wl " << x.wl << ", iwl " << x.iwl << ", point " << x.point
        << ", ovf " << x.ovf_mode << ", q " << x.q_mode << "}";
    return out.str();
}

// A random well-formed format (0 <= F <= point, point + iwl <= 32, iwl >= 1)
// with one of the codes that act and one that does not.
inline fxp_t random_format(std::mt19937& rng)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int point = pick(0, 31);
    const int fraction = pick(0, point);
    const int iwl = pick(1, 32 - point);
    static constexpr int kOvf[] = {FXP_OVF_WRAP, FXP_OVF_SAT, FXP_OVF_SAT, 2};
    static constexpr int kQ[] = {FXP_Q_TRUNC, FXP_Q_ROUND, FXP_Q_ROUND, 6};
    return fxp_t{0, iwl + fraction, iwl, point, kOvf[pick(0, 3)], kQ[pick(0, 3)]};
}

// Container words that reach every corner: small values, values near the
// format's range, and arbitrary words.
inline int32_t random_value(std::mt19937& rng, const fxp_t& x)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const uint32_t word = rng();
    switch (pick(0, 3)) {
    case 0:
        return static_cast<int32_t>(word) >> pick(0, 31);
    case 1: { // a value inside the format, sign-extended
        const int64_t s = sign_bit_of(x);
        const int shift = static_cast<int>(31 - s);
        return static_cast<int32_t>(word << shift) >> shift;
    }
    case 2:
        return static_cast<int32_t>(static_cast<uint32_t>(pick(-3, 3)) << pick(0, 31));
    default:
        return static_cast<int32_t>(word);
    }
}

} // namespace qarith_test
