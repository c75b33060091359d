// Test helpers: records built from and checked against Boost's cpp_int, an
// independent exact model of the values, and generators of operands that
// stress carries, borrows and the division's estimate.
#ifndef ZBIG_TEST_ORACLE_H
#define ZBIG_TEST_ORACLE_H

#include "zbig.h"

#include <boost/multiprecision/cpp_int.hpp>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zbig_test
{

using big = boost::multiprecision::cpp_int;

// A live record owned by the test, released on scope exit.
struct rec {
    mpz_rec r;
    rec() { mpz_init(&r); }
    explicit rec(const big& v, uint32_t extra_len = 0)
    {
        mpz_init(&r);
        assign(v, extra_len);
    }
    ~rec() { mpz_clear(&r); }
    rec(const rec&) = delete;
    rec& operator=(const rec&) = delete;
    mpz_rec* p() { return &r; }
    // Stores v with exactly its significant digits plus `extra` zero digits
    // above them (and at least 2 stored digits).
    void assign(const big& v, uint32_t extra = 0)
    {
        big m = abs(v);
        std::vector<int32_t> d;
        while (m != 0) {
            d.push_back(static_cast<int32_t>(static_cast<uint32_t>(m & 0x3fffffff)));
            m >>= 30;
        }
        d.resize(d.size() + extra);
        if (d.size() < 2)
            d.resize(2);
        mpz_clear(&r);
        mpz_init(&r);
        _mpz_realloc(&r, static_cast<uint32_t>(d.size()));
        for (std::size_t i = 0; i < d.size(); ++i)
            r.digits[i] = d[i];
        r.sign = v < 0 ? -1 : v > 0 ? 1 : 0;
    }
};

// The value a record holds, and whether it is well formed: digits below 2^30,
// sign in {-1, 0, 1} and agreeing with the digits.
inline big value_of(const mpz_rec* x)
{
    big m = 0;
    // (well_formed, not this, catches digits above 30 bits.)
    std::vector<uint32_t> d(x->digits, x->digits + x->len);
    if (!d.empty())
        import_bits(m, d.begin(), d.end(), 30, false);
    return x->sign < 0 ? big(-m) : m;
}

inline ::testing::AssertionResult well_formed(const mpz_rec* x)
{
    if (x->len < 2 || x->digits == nullptr)
        return ::testing::AssertionFailure() << "len " << x->len;
    bool nonzero = false;
    for (uint32_t i = 0; i < x->len; ++i) {
        if (static_cast<uint32_t>(x->digits[i]) > 0x3fffffffu)
            return ::testing::AssertionFailure() << "digit " << i << " out of range";
        nonzero = nonzero || x->digits[i] != 0;
    }
    if (nonzero ? (x->sign != 1 && x->sign != -1) : x->sign != 0)
        return ::testing::AssertionFailure() << "sign " << x->sign << " disagrees with the digits";
    return ::testing::AssertionSuccess();
}

inline std::string hex(const big& v)
{
    std::ostringstream s;
    s << (v < 0 ? "-0x" : "0x") << std::hex << abs(v);
    return s.str();
}

// Operands of a few shapes: random bits, runs of ones (2^n - 1), powers of
// two and their neighbours, values whose top digit sits near 2^29 or 2^30.
class operands
{
  public:
    explicit operands(uint64_t seed) : rng_(seed) {}

    big magnitude(unsigned max_bits)
    {
        const unsigned bits = pick(0, max_bits);
        switch (pick(0, 6)) {
        case 0:
            return (big(1) << bits) - 1;
        case 1:
            return big(1) << bits;
        case 2:
            return (big(1) << bits) + pick(0, 3);
        case 3: { // top digit just above 2^29 or just below 2^30
            big v = random_bits(bits);
            const unsigned top = (bits / 30) * 30;
            return (v & ((big(1) << top) - 1)) |
                   (big(pick(0, 1) ? 0x20000000u + pick(0, 7) : 0x3fffffffu - pick(0, 7)) << top);
        }
        case 4: { // long runs of ones and zeros
            big v = 0;
            unsigned filled = 0;
            while (filled < bits) {
                const unsigned run = pick(1, 200);
                v <<= run;
                if (pick(0, 1))
                    v |= (big(1) << run) - 1;
                filled += run;
            }
            return v >> (filled - bits);
        }
        default:
            return random_bits(bits);
        }
    }

    big value(unsigned max_bits)
    {
        big m = magnitude(max_bits);
        return pick(0, 1) ? big(-m) : m;
    }

    big random_bits(unsigned bits)
    {
        if (bits == 0)
            return 0; // import_bits of an empty range is not safe
        std::vector<uint32_t> words((bits + 31) / 32);
        for (auto& w : words)
            w = static_cast<uint32_t>(rng_());
        if (bits % 32 != 0)
            words.back() &= (uint32_t(1) << (bits % 32)) - 1;
        big v = 0;
        import_bits(v, words.begin(), words.end(), 32, false);
        return v;
    }

    unsigned pick(unsigned lo, unsigned hi)
    {
        return std::uniform_int_distribution<unsigned>(lo, hi)(rng_);
    }
    std::mt19937_64& rng() { return rng_; }

  private:
    std::mt19937_64 rng_;
};

} // namespace zbig_test

#endif
