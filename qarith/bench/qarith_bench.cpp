// Cost of the qarith operations on the test program's 9.6 format: each is
// meant to be a handful of integer steps with nothing allocated, also now
// that the arithmetic normalises exact wide intermediates.
#include "qarith.h"

#include <benchmark/benchmark.h>

namespace
{

constexpr fxp_t kNineSix = {0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};

template <void (*Operation)(fxp_t*, const fxp_t*, const fxp_t*)>
void binary_operation(benchmark::State& state)
{
    fxp_t a = kNineSix, b = kNineSix, r = kNineSix;
    a.value = 10 << 16;
    b.value = 3 << 16;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&a);
        benchmark::DoNotOptimize(&b);
        Operation(&r, &a, &b);
        benchmark::DoNotOptimize(r.value);
    }
}
BENCHMARK(binary_operation<fxp_add>)->Name("fxp_add");
BENCHMARK(binary_operation<fxp_mul>)->Name("fxp_mul");
BENCHMARK(binary_operation<fxp_div>)->Name("fxp_div");

void to_string(benchmark::State& state)
{
    fxp_t x = kNineSix;
    x.value = -163840;
    char buf[15 + 2];
    for (auto _ : state) {
        benchmark::DoNotOptimize(&x);
        fxp_to_string(&x, 2, buf);
        benchmark::DoNotOptimize(buf);
    }
}
BENCHMARK(to_string)->Name("fxp_to_string");

void from_double(benchmark::State& state)
{
    fxp_t x = kNineSix;
    double d = 123.456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(d);
        double_to_fxp(d, &x);
        benchmark::DoNotOptimize(x.value);
    }
}
BENCHMARK(from_double)->Name("double_to_fxp");

} // namespace

BENCHMARK_MAIN();
