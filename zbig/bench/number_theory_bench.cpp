// Radix conversion and number theory: zbig against Boost cpp_int on the same
// operands. Each zbig benchmark has a cpp_int twin with the same arguments;
// the ratio of their times is what docs/zbig-speed-2.md reports.
#include "zbig.h"

#include <benchmark/benchmark.h>
#include <boost/multiprecision/cpp_int.hpp>
#include <boost/multiprecision/miller_rabin.hpp>

#include <cstdlib>
#include <random>
#include <string>

namespace
{

using big = boost::multiprecision::cpp_int;

struct rec {
    mpz_rec r;
    rec() { mpz_init(&r); }
    explicit rec(const std::string& hex_text)
    {
        mpz_init(&r);
        mpz_set_str(&r, hex_text.c_str(), 16);
    }
    ~rec() { mpz_clear(&r); }
    rec(const rec&) = delete;
    rec& operator=(const rec&) = delete;
    mpz_rec* p() { return &r; }
};

std::string hex_of(const big& v)
{
    std::ostringstream s;
    s << std::hex << v;
    return s.str();
}

big random_bits(unsigned bits, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    big v = 0;
    for (unsigned done = 0; done < bits; done += 64)
        v = (v << 64) | big(rng());
    v &= (big(1) << bits) - 1;
    return v | (big(1) << (bits - 1));
}

// A decimal or hexadecimal text of exactly `digits` digits.
std::string random_text(std::size_t digits, int base, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    const char* alphabet = "0123456789abcdef";
    std::string s(digits, '0');
    for (auto& c : s)
        c = alphabet[rng() % static_cast<unsigned>(base)];
    s[0] = '7';
    return s;
}

void zbig_get_str(benchmark::State& state)
{
    const int base = static_cast<int>(state.range(1));
    const std::string text = random_text(static_cast<std::size_t>(state.range(0)), base, 1);
    rec x;
    mpz_set_str(x.p(), text.c_str(), base);
    for (auto _ : state) {
        char* s = mpz_get_str(nullptr, base, x.p());
        benchmark::DoNotOptimize(s);
        std::free(s);
    }
}

void cpp_int_str(benchmark::State& state)
{
    const int base = static_cast<int>(state.range(1));
    const std::string text = random_text(static_cast<std::size_t>(state.range(0)), base, 1);
    const big x(base == 16 ? "0x" + text : text);
    for (auto _ : state) {
        std::string s = x.str(0, base == 16 ? std::ios_base::hex : std::ios_base::dec);
        benchmark::DoNotOptimize(s);
    }
}

void zbig_set_str(benchmark::State& state)
{
    const int base = static_cast<int>(state.range(1));
    const std::string text = random_text(static_cast<std::size_t>(state.range(0)), base, 2);
    rec x;
    for (auto _ : state)
        benchmark::DoNotOptimize(mpz_set_str(x.p(), text.c_str(), base));
}

void cpp_int_from_string(benchmark::State& state)
{
    const int base = static_cast<int>(state.range(1));
    const std::string text =
        (base == 16 ? "0x" : "") + random_text(static_cast<std::size_t>(state.range(0)), base, 2);
    for (auto _ : state) {
        big x(text);
        benchmark::DoNotOptimize(x);
    }
}

void conversion_sizes(benchmark::internal::Benchmark* b)
{
    for (int base : {10, 16})
        for (int digits : {1000, 10000, 100000, 1000000})
            b->Args({digits, base});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(zbig_get_str)->Apply(conversion_sizes);
BENCHMARK(cpp_int_str)->Apply(conversion_sizes);
BENCHMARK(zbig_set_str)->Apply(conversion_sizes);
BENCHMARK(cpp_int_from_string)->Apply(conversion_sizes);

// Modular power: base, exponent and odd modulus of the same bit length.
void zbig_powm(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    rec b(hex_of(random_bits(bits, 3))), e(hex_of(random_bits(bits, 4))),
        m(hex_of(random_bits(bits, 5) | 1)), p;
    for (auto _ : state)
        mpz_powm(p.p(), b.p(), e.p(), m.p());
}

void cpp_int_powm(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const big b = random_bits(bits, 3), e = random_bits(bits, 4), m = random_bits(bits, 5) | 1;
    for (auto _ : state) {
        big r = powm(b, e, m);
        benchmark::DoNotOptimize(r);
    }
}

BENCHMARK(zbig_powm)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(cpp_int_powm)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

// A 2,048-bit prime found once by the test under measurement, then confirmed
// by cpp_int's own test so neither side measures a composite.
const big& prime_2048()
{
    static const big p = [] {
        big candidate = random_bits(2048, 6) | 1;
        rec x;
        for (;; candidate += 2) {
            mpz_set_str(x.p(), hex_of(candidate).c_str(), 16);
            if (mpz_probab_prime_p(x.p(), 1) &&
                boost::multiprecision::miller_rabin_test(candidate, 5))
                return candidate;
        }
    }();
    return p;
}

void zbig_probab_prime_p(benchmark::State& state)
{
    rec x(hex_of(prime_2048()));
    for (auto _ : state)
        benchmark::DoNotOptimize(mpz_probab_prime_p(x.p(), 25));
}

// The same work with cpp_int: 25 random witnesses, each a full modular
// power with exponent m - 1.
void cpp_int_fermat_25(benchmark::State& state)
{
    const big m = prime_2048();
    std::mt19937_64 rng(7);
    for (auto _ : state) {
        for (int i = 0; i < 25; ++i) {
            const big a = random_bits(2048, rng()) % m;
            big r = powm(a, m - 1, m);
            benchmark::DoNotOptimize(r);
        }
    }
}

void cpp_int_miller_rabin_25(benchmark::State& state)
{
    const big m = prime_2048();
    std::mt19937 rng(7);
    for (auto _ : state)
        benchmark::DoNotOptimize(boost::multiprecision::miller_rabin_test(m, 25, rng));
}

BENCHMARK(zbig_probab_prime_p)->Unit(benchmark::kMillisecond);
BENCHMARK(cpp_int_fermat_25)->Unit(benchmark::kMillisecond);
BENCHMARK(cpp_int_miller_rabin_25)->Unit(benchmark::kMillisecond);

void zbig_gcd(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    rec a(hex_of(random_bits(bits, 8))), b(hex_of(random_bits(bits, 9))), g;
    for (auto _ : state)
        mpz_gcd(g.p(), a.p(), b.p());
}

void cpp_int_gcd(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const big a = random_bits(bits, 8), b = random_bits(bits, 9);
    for (auto _ : state) {
        big g = gcd(a, b);
        benchmark::DoNotOptimize(g);
    }
}

void zbig_gcdext(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    rec a(hex_of(random_bits(bits, 8))), b(hex_of(random_bits(bits, 9))), g, s, t;
    for (auto _ : state)
        mpz_gcdext(g.p(), s.p(), t.p(), a.p(), b.p());
}

// Extended Euclid written with cpp_int's own operations: the same chain of
// truncating divisions with both cofactors carried forward.
void cpp_int_gcdext(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const big a = random_bits(bits, 8), b = random_bits(bits, 9);
    for (auto _ : state) {
        big r0 = a, r1 = b, s0 = 1, s1 = 0, t0 = 0, t1 = 1, q, r;
        while (r1 != 0) {
            divide_qr(r0, r1, q, r);
            big s2 = s0 - q * s1, t2 = t0 - q * t1;
            r0.swap(r1);
            r1.swap(r);
            s0.swap(s1);
            s1.swap(s2);
            t0.swap(t1);
            t1.swap(t2);
        }
        benchmark::DoNotOptimize(r0);
    }
}

BENCHMARK(zbig_gcd)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(cpp_int_gcd)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(zbig_gcdext)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(cpp_int_gcdext)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void zbig_sqrtrem(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    rec x(hex_of(random_bits(bits, 10))), root, rem;
    for (auto _ : state)
        mpz_sqrtrem(root.p(), rem.p(), x.p());
}

void cpp_int_sqrtrem(benchmark::State& state)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const big x = random_bits(bits, 10);
    for (auto _ : state) {
        big root = sqrt(x);
        big rem = x - root * root;
        benchmark::DoNotOptimize(rem);
    }
}

BENCHMARK(zbig_sqrtrem)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(cpp_int_sqrtrem)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
