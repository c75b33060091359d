// zbig against Boost cpp_int (64-bit limbs) on identical operands: addition,
// multiplication, squaring, division with remainder and left shift, at sizes
// from one machine word to a million bits. Each zbig benchmark also reports
// the peak heap of one operation relative to its operands and result.
#include "cpp_int_operands.hpp"
#include "zbig.h"

#include <benchmark/benchmark.h>
#include <boost/multiprecision/cpp_int.hpp>

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <random>
#include <vector>

using big = bench::big;

// Heap in use by zbig (every malloc of the zbig objects is wrapped).
namespace heap
{
std::size_t in_use = 0, peak = 0;
}
extern "C" {
void* __real_malloc(std::size_t);
void* __real_realloc(void*, std::size_t);
void* __real_calloc(std::size_t, std::size_t);
void __real_free(void*);
void* __wrap_malloc(std::size_t n)
{
    void* p = __real_malloc(n);
    if (p) {
        heap::in_use += malloc_usable_size(p);
        heap::peak = std::max(heap::peak, heap::in_use);
    }
    return p;
}
void* __wrap_calloc(std::size_t n, std::size_t s)
{
    void* p = __real_calloc(n, s);
    if (p) {
        heap::in_use += malloc_usable_size(p);
        heap::peak = std::max(heap::peak, heap::in_use);
    }
    return p;
}
void* __wrap_realloc(void* old, std::size_t n)
{
    const std::size_t before = old ? malloc_usable_size(old) : 0;
    void* p = __real_realloc(old, n);
    if (p) {
        heap::in_use += malloc_usable_size(p) - before;
        heap::peak = std::max(heap::peak, heap::in_use);
    }
    return p;
}
void __wrap_free(void* p)
{
    if (p)
        heap::in_use -= malloc_usable_size(p);
    __real_free(p);
}
}

namespace
{

using bench::random_value;
using bench::record;

enum op { add, mul, sqr, divmod, shl };
constexpr uint32_t shift_bits = 1007;

// Runs one operation once outside the timing loop and reports its peak heap
// as a multiple of the bytes of its operands and result.
template <typename F> void report_peak(benchmark::State& state, F once, double operand_bytes)
{
    const std::size_t base = heap::in_use;
    heap::peak = base;
    once();
    state.counters["peak_x"] = double(heap::peak - base) / operand_bytes;
}

void zbig_op(benchmark::State& state, op o)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const unsigned a_bits = o == divmod ? 2 * bits : bits;
    record a(random_value(a_bits, 1)), b(random_value(bits, 2)), p, r;
    auto run = [&] {
        switch (o) {
        case add:
            mpz_add(p(), a(), b());
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
        case shl:
            mpz_mul_2exp(p(), a(), shift_bits);
            break;
        }
    };
    run(); // results now have their final stored lengths
    const double bytes = o == divmod ? 5.0 * bits / 8 : o == shl ? 2.0 * bits / 8 : 4.0 * bits / 8;
    report_peak(state, run, bytes);
    for (auto _ : state) {
        run();
        benchmark::DoNotOptimize(p.r.digits);
        benchmark::ClobberMemory();
    }
}

void cpp_int_op(benchmark::State& state, op o)
{
    const unsigned bits = static_cast<unsigned>(state.range(0));
    const big a = random_value(o == divmod ? 2 * bits : bits, 1), b = random_value(bits, 2);
    big p, r;
    for (auto _ : state) {
        switch (o) {
        case add:
            p = a + b;
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
        case shl:
            p = a << shift_bits;
            break;
        }
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
    }
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (int bits : {64, 1000, 10000, 100000, 1000000})
        b->Arg(bits);
    b->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK_CAPTURE(zbig_op, add, add)->Apply(sizes);
BENCHMARK_CAPTURE(cpp_int_op, add, add)->Apply(sizes);
BENCHMARK_CAPTURE(zbig_op, mul, mul)->Apply(sizes);
BENCHMARK_CAPTURE(cpp_int_op, mul, mul)->Apply(sizes);
BENCHMARK_CAPTURE(zbig_op, sqr, sqr)->Apply(sizes);
BENCHMARK_CAPTURE(cpp_int_op, sqr, sqr)->Apply(sizes);
BENCHMARK_CAPTURE(zbig_op, divmod, divmod)->Apply(sizes);
BENCHMARK_CAPTURE(cpp_int_op, divmod, divmod)->Apply(sizes);
BENCHMARK_CAPTURE(zbig_op, mul_2exp, shl)->Apply(sizes);
BENCHMARK_CAPTURE(cpp_int_op, mul_2exp, shl)->Apply(sizes);

BENCHMARK_MAIN();
