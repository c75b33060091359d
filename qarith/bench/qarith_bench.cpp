// Cost of the qarith operations on the test program's 9.6 format, each
// measured in the same run against the limit of a call: the arithmetic
// against compact C functions that do only the steps of the arithmetic
// (reference_ops.c), fxp_to_string in base 10 against snprintf "%d" of the
// same integer part, and the C++ operators of qarith.hpp against the C calls
// they wrap. run-bench.sh turns a run into docs/qarith-speed.md.
#include "qarith.h"
#include "qarith.hpp"
#include "reference_ops.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace
{

constexpr fxp_t kNineSix = {0, 15, 9, 16, FXP_OVF_SAT, FXP_Q_TRUNC};
constexpr int32_t kUnit = 1 << 16;
// Operands with fraction bits and of both signs: 10.328125 and -3.5.
constexpr int32_t kLeft = 10 * kUnit + 21 * 1024;
constexpr int32_t kRight = -(7 * kUnit / 2);

fxp_t nine_six(int32_t value)
{
    fxp_t x = kNineSix;
    x.value = value;
    return x;
}

using Binary = void (*)(fxp_t*, const fxp_t*, const fxp_t*);

// A comparison only means something when both sides compute the same.
bool same_result(Binary qarith, Binary reference)
{
    const fxp_t a = nine_six(kLeft), b = nine_six(kRight);
    fxp_t r1 = nine_six(0), r2 = nine_six(0);
    qarith(&r1, &a, &b);
    reference(&r2, &a, &b);
    return r1.value == r2.value;
}

template <Binary Operation, Binary Reference> void c_call(benchmark::State& state)
{
    if (!same_result(Operation, Reference)) {
        state.SkipWithError("qarith and the reference disagree");
        return;
    }
    fxp_t a = nine_six(kLeft), b = nine_six(kRight), r = nine_six(0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(&a);
        benchmark::DoNotOptimize(&b);
        Operation(&r, &a, &b);
        benchmark::DoNotOptimize(r.value);
    }
}

const fsmdkit::fixed_format kFixedNineSix = fsmdkit::fixed_format::make(9, 6, 10);

// r = a op b: a new value, assigned to a variable.
template <typename Operator> void cxx_operator(benchmark::State& state, Operator op)
{
    fsmdkit::fixed a = fsmdkit::fixed::from_c(nine_six(kLeft));
    fsmdkit::fixed b = fsmdkit::fixed::from_c(nine_six(kRight));
    fsmdkit::fixed r(kFixedNineSix);
    for (auto _ : state) {
        benchmark::DoNotOptimize(&a);
        benchmark::DoNotOptimize(&b);
        r = op(a, b);
        benchmark::DoNotOptimize(&r);
    }
}

// r op= b against the C call with r as its first operand; both run the
// same sequence of values (towards saturation or zero).
template <Binary Operation> void c_call_in_place(benchmark::State& state)
{
    fxp_t r = nine_six(kLeft), b = nine_six(kRight);
    for (auto _ : state) {
        benchmark::DoNotOptimize(&b);
        Operation(&r, &r, &b);
        benchmark::DoNotOptimize(&r);
    }
}

template <typename Operator> void cxx_compound(benchmark::State& state, Operator op)
{
    fsmdkit::fixed r = fsmdkit::fixed::from_c(nine_six(kLeft));
    fsmdkit::fixed b = fsmdkit::fixed::from_c(nine_six(kRight));
    for (auto _ : state) {
        benchmark::DoNotOptimize(&b);
        op(r, b);
        benchmark::DoNotOptimize(&r);
    }
}

// Names: operation/implementation, which run-bench.sh's table reads.
BENCHMARK(c_call<fxp_add, reference_add>)->Name("add/qarith");
BENCHMARK(c_call<reference_add, reference_add>)->Name("add/reference");
BENCHMARK_CAPTURE(cxx_operator, add, [](const auto& a, const auto& b) { return a + b; })
    -> Name("add/fixed");
BENCHMARK(c_call_in_place<fxp_add>)->Name("add/qarith_in_place");
BENCHMARK_CAPTURE(cxx_compound, add, [](auto& r, const auto& b) { r += b; })
    -> Name("add/fixed_compound");
BENCHMARK(c_call<fxp_sub, reference_sub>)->Name("sub/qarith");
BENCHMARK(c_call<reference_sub, reference_sub>)->Name("sub/reference");
BENCHMARK_CAPTURE(cxx_operator, sub, [](const auto& a, const auto& b) { return a - b; })
    -> Name("sub/fixed");
BENCHMARK(c_call_in_place<fxp_sub>)->Name("sub/qarith_in_place");
BENCHMARK_CAPTURE(cxx_compound, sub, [](auto& r, const auto& b) { r -= b; })
    -> Name("sub/fixed_compound");
BENCHMARK(c_call<fxp_mul, reference_mul>)->Name("mul/qarith");
BENCHMARK(c_call<reference_mul, reference_mul>)->Name("mul/reference");
BENCHMARK_CAPTURE(cxx_operator, mul, [](const auto& a, const auto& b) { return a * b; })
    -> Name("mul/fixed");
BENCHMARK(c_call_in_place<fxp_mul>)->Name("mul/qarith_in_place");
BENCHMARK_CAPTURE(cxx_compound, mul, [](auto& r, const auto& b) { r *= b; })
    -> Name("mul/fixed_compound");
BENCHMARK(c_call<fxp_div, reference_div>)->Name("div/qarith");
BENCHMARK(c_call<reference_div, reference_div>)->Name("div/reference");
BENCHMARK_CAPTURE(cxx_operator, div, [](const auto& a, const auto& b) { return a / b; })
    -> Name("div/fixed");
BENCHMARK(c_call_in_place<fxp_div>)->Name("div/qarith_in_place");
BENCHMARK_CAPTURE(cxx_compound, div, [](auto& r, const auto& b) { r /= b; })
    -> Name("div/fixed_compound");

// The text form in base 10 (nine decimal digits, '.', six fraction bits)
// against printing the same integer part with "%d".
void to_string_base10(benchmark::State& state)
{
    fxp_t x = nine_six(kLeft);
    char buf[15 + 2];
    for (auto _ : state) {
        benchmark::DoNotOptimize(&x);
        fxp_to_string(&x, 10, buf);
        benchmark::DoNotOptimize(buf);
    }
}
BENCHMARK(to_string_base10)->Name("to_string/qarith");

void snprintf_integer_part(benchmark::State& state)
{
    fxp_t x = nine_six(kLeft);
    char buf[15 + 2];
    for (auto _ : state) {
        benchmark::DoNotOptimize(&x);
        std::snprintf(buf, sizeof buf, "%d", fxp_to_int32(&x));
        benchmark::DoNotOptimize(buf);
    }
}
BENCHMARK(snprintf_integer_part)->Name("to_string/snprintf");

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
BENCHMARK(from_double)->Name("double_to_fxp/qarith");

} // namespace

BENCHMARK_MAIN();
