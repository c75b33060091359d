// Operands shared by the benchmarks that set zbig beside Boost cpp_int: the
// same random value on both sides, and a zbig record holding it.
#pragma once

#include "zbig.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

namespace bench
{

using big = boost::multiprecision::cpp_int;

// A value of exactly `bits` bits (top bit set), the same for the same seed.
inline big random_value(unsigned bits, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::vector<uint64_t> words((bits + 63) / 64);
    for (auto& w : words)
        w = rng();
    const unsigned top = bits % 64 == 0 ? 64 : bits % 64;
    if (top < 64)
        words.back() &= (uint64_t(1) << top) - 1;
    words.back() |= uint64_t(1) << (top - 1);
    big v = 0;
    import_bits(v, words.begin(), words.end(), 64, false);
    return v;
}

// A record holding v, with exactly as many stored digits as v needs (at
// least 2), as mpz_set_str would leave a fresh record.
struct record {
    mpz_rec r;
    record() { mpz_init(&r); }
    explicit record(const big& v)
    {
        mpz_init(&r);
        std::vector<uint32_t> d;
        export_bits(v, std::back_inserter(d), 30, false);
        _mpz_realloc(&r, static_cast<uint32_t>(d.size() < 2 ? 2 : d.size()));
        for (std::size_t i = 0; i < d.size(); ++i)
            r.digits[i] = static_cast<int32_t>(d[i]);
        r.sign = v == 0 ? 0 : 1;
    }
    ~record() { mpz_clear(&r); }
    record(const record&) = delete;
    record& operator=(const record&) = delete;
    mpz_rec* operator()() { return &r; }
};

} // namespace bench
