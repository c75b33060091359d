// zbig against Boost cpp_int at the widths hardware models hold (64 to 1,024
// bits), both in one process on the same operands: a has the given width and
// b half of it; every result record already holds a result of that width, as
// in a model's inner loop. cpp_int keeps such values inline and inlines its
// calls, zbig's record lives on the heap and every operation is a call, so
// these figures measure the fixed cost per call as much as the arithmetic.
//
// Each zbig benchmark has a cpp_int twin with the same name after the
// family; small_sizes_table.py takes the best of the repetitions of each and
// writes their ratios into docs/zbig-small-sizes.md.
#include "cpp_int_operands.hpp"
#include "zbig.h"

#include <benchmark/benchmark.h>
#include <boost/multiprecision/cpp_int.hpp>

#include <cstdint>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using big = bench::big;

using bench::random_value;
using bench::record;

enum op { add, sub, mul, sqr, divmod, cmp, get_str10, get_str16, set_str10, set_str16 };

std::string text_of(const big& v, int base)
{
    std::ostringstream s;
    if (base == 16)
        s << std::hex;
    s << v;
    return s.str();
}

void zbig_op(benchmark::State& state, op o)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const big av = random_value(bits, 1), bv = random_value(bits / 2, 2);
    record a(av), b(bv), p, r;
    const std::string dec = text_of(av, 10), hex = text_of(av, 16);
    std::string buf(static_cast<std::size_t>(mpz_sizeinbase(a(), 2)) + 2, '\0');
    int sink = 0;
    auto run = [&] {
        switch (o) {
        case add:
            mpz_add(p(), a(), b());
            break;
        case sub:
            mpz_sub(p(), a(), b());
            break;
        case mul:
            mpz_mul(p(), a(), b());
            break;
        case sqr:
            mpz_mul(p(), a(), a());
            break;
        case divmod:
            mpz_divmod(p(), r(), a(), b());
            break;
        case cmp:
            sink += mpz_cmp(a(), b());
            break;
        case get_str10:
            mpz_get_str(buf.data(), 10, a());
            break;
        case get_str16:
            mpz_get_str(buf.data(), 16, a());
            break;
        case set_str10:
            sink += mpz_set_str(p(), dec.c_str(), 10);
            break;
        case set_str16:
            sink += mpz_set_str(p(), hex.c_str(), 16);
            break;
        }
    };
    run(); // results now hold a value of their final size
    for (auto _ : state) {
        run();
        benchmark::DoNotOptimize(sink);
        benchmark::DoNotOptimize(p.r.digits);
        benchmark::ClobberMemory();
    }
}

void cpp_int_op(benchmark::State& state, op o)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    big a = random_value(bits, 1), b = random_value(bits / 2, 2);
    const std::string dec = text_of(a, 10), hex = "0x" + text_of(a, 16);
    big p, r;
    std::string s;
    int sink = 0;
    auto run = [&] {
        switch (o) {
        case add:
            p = a + b;
            break;
        case sub:
            p = a - b;
            break;
        case mul:
            p = a * b;
            break;
        case sqr:
            p = a * a;
            break;
        case divmod:
            divide_qr(a, b, p, r);
            break;
        case cmp:
            sink += a.compare(b) < 0 ? -1 : 1;
            break;
        case get_str10:
            s = a.str();
            break;
        case get_str16:
            s = a.str(0, std::ios_base::hex);
            break;
        case set_str10:
            p = big(dec);
            break;
        case set_str16:
            p = big(hex);
            break;
        }
    };
    run();
    for (auto _ : state) {
        // The operands count as changed on every pass: cpp_int's inlined
        // code on unchanging operands could otherwise be hoisted out of the
        // loop (a comparison would then cost nothing at all), whereas a call
        // into zbig is made every time.
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        run();
        benchmark::DoNotOptimize(sink);
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(s);
        benchmark::ClobberMemory();
    }
}

void widths(benchmark::internal::Benchmark* b)
{
    for (int bits : {64, 128, 256, 512, 1024})
        b->Arg(bits);
    b->Unit(benchmark::kNanosecond);
}

} // namespace

#define ZBIG_SMALL_PAIR(name)                                                                      \
    BENCHMARK_CAPTURE(zbig_op, name, name)->Apply(widths);                                         \
    BENCHMARK_CAPTURE(cpp_int_op, name, name)->Apply(widths)

ZBIG_SMALL_PAIR(add);
ZBIG_SMALL_PAIR(sub);
ZBIG_SMALL_PAIR(mul);
ZBIG_SMALL_PAIR(sqr);
ZBIG_SMALL_PAIR(divmod);
ZBIG_SMALL_PAIR(cmp);
ZBIG_SMALL_PAIR(get_str10);
ZBIG_SMALL_PAIR(get_str16);
ZBIG_SMALL_PAIR(set_str10);
ZBIG_SMALL_PAIR(set_str16);

BENCHMARK_MAIN();
