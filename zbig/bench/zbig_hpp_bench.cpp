// The cost of the C++ value type over the C calls it makes: multiplication
// and division with remainder of n-bit operands (the dividend has 2n bits),
// once through zbig.h with caller-owned result records and once through
// zbig.hpp's operators and divmod, which build fresh result values.
#include "zbig.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

namespace
{

// A random n-bit value with its top bit set, as hexadecimal text.
std::string random_hex(unsigned bits, std::mt19937_64& rng)
{
    std::string s(1, "89abcdef"[rng() % 8]);
    for (unsigned i = 4; i < bits; i += 4)
        s += "0123456789abcdef"[rng() % 16];
    return s;
}

struct operands {
    fsmdkit::bigint a, b;
    explicit operands(unsigned bits)
    {
        std::mt19937_64 rng(bits);
        a = fsmdkit::bigint(random_hex(bits, rng), 16);
        b = fsmdkit::bigint(random_hex(bits, rng), 16);
    }
};

void c_mul(benchmark::State& state)
{
    const operands x(unsigned(state.range(0)));
    mpz_rec p;
    mpz_init(&p);
    for (auto _ : state) {
        mpz_mul(&p, x.a.c_rec(), x.b.c_rec());
        benchmark::DoNotOptimize(p.digits);
    }
    mpz_clear(&p);
}

void cxx_mul(benchmark::State& state)
{
    const operands x(unsigned(state.range(0)));
    fsmdkit::bigint p;
    for (auto _ : state) {
        p = x.a * x.b;
        benchmark::DoNotOptimize(p);
    }
}

void c_divmod(benchmark::State& state)
{
    const operands x(unsigned(state.range(0)));
    const fsmdkit::bigint dividend = x.a * x.b + x.a;
    mpz_rec q, r;
    mpz_init(&q);
    mpz_init(&r);
    for (auto _ : state) {
        mpz_divmod(&q, &r, dividend.c_rec(), x.b.c_rec());
        benchmark::DoNotOptimize(q.digits);
        benchmark::DoNotOptimize(r.digits);
    }
    mpz_clear(&q);
    mpz_clear(&r);
}

void cxx_divmod(benchmark::State& state)
{
    const operands x(unsigned(state.range(0)));
    const fsmdkit::bigint dividend = x.a * x.b + x.a;
    for (auto _ : state) {
        auto [q, r] = divmod(dividend, x.b);
        benchmark::DoNotOptimize(q);
        benchmark::DoNotOptimize(r);
    }
}

} // namespace

BENCHMARK(c_mul)->Arg(1000)->Arg(100000);
BENCHMARK(cxx_mul)->Arg(1000)->Arg(100000);
BENCHMARK(c_divmod)->Arg(1000)->Arg(100000);
BENCHMARK(cxx_divmod)->Arg(1000)->Arg(100000);

BENCHMARK_MAIN();
