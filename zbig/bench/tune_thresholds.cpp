// Measures on this machine where each algorithm switch of zbig pays off and
// prints the crossover next to the value in force (src/thresholds.h).
//
// For a switch at size n the two sides are timed at that size: the kernel
// with the threshold at n (the faster algorithm takes the top level and
// hands halves to the slower one) against the threshold at n + 1 (the
// slower algorithm alone). The crossover is the first size from which the
// switch wins at that size and at the next two sizes measured. Each time is
// the best of several batches, so a burst of load from other jobs on a
// shared machine rarely moves it; run it on a quiet machine all the same.
//
// Usage: tune_thresholds [quick]   (quick: fewer sizes, for a smoke run)
#include "limbs.h"
#include "magnitude.h"
#include "natural.h"
#include "radix.h"
#include "thresholds.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace
{

using zbig::limb;

std::mt19937_64 rng(2026);

std::vector<limb> random_limbs(std::size_t n)
{
    std::vector<limb> v(n);
    for (auto& x : v)
        x = rng();
    v.back() |= limb(1) << 63;
    return v;
}

// Best time of one call, in nanoseconds: batches of about a millisecond.
double best_ns(const std::function<void()>& call, int batches)
{
    using clock = std::chrono::steady_clock;
    long reps = 1;
    for (;;) {
        const auto t0 = clock::now();
        for (long i = 0; i < reps; ++i)
            call();
        if (clock::now() - t0 > std::chrono::microseconds(500) || reps > (1L << 24))
            break;
        reps *= 2;
    }
    double best = 1e300;
    for (int b = 0; b < batches; ++b) {
        const auto t0 = clock::now();
        for (long i = 0; i < reps; ++i)
            call();
        const double ns =
            std::chrono::duration<double, std::nano>(clock::now() - t0).count() / double(reps);
        if (ns < best)
            best = ns;
    }
    return best;
}

// One switch: `set` puts the threshold to a value, `run(n)` returns the call
// to time at size n (with operands prepared outside the timing).
struct switch_point {
    const char* name;
    const char* unit;
    std::size_t zbig::threshold_set::*field;
    std::vector<std::size_t> sizes;
    std::function<std::function<void()>(std::size_t)> at_size;
};

void tune(const switch_point& s, int batches)
{
    std::printf("%s (%s; in force: %zu)\n", s.name, s.unit, zbig::thresholds.*(s.field));
    std::printf("  %8s %12s %12s %7s\n", "size", "switched ns", "below ns", "ratio");
    std::vector<bool> wins;
    for (std::size_t n : s.sizes) {
        const std::function<void()> call = s.at_size(n);
        zbig::threshold_set t = zbig::thresholds;
        t.*(s.field) = n;
        double with_switch, without;
        {
            const zbig::threshold_override o(t);
            with_switch = best_ns(call, batches);
        }
        t.*(s.field) = n + 1;
        {
            const zbig::threshold_override o(t);
            without = best_ns(call, batches);
        }
        std::printf("  %8zu %12.0f %12.0f %7.2f\n", n, with_switch, without, with_switch / without);
        wins.push_back(with_switch < without);
    }
    std::size_t crossover = 0;
    for (std::size_t i = 0; i < wins.size(); ++i) {
        bool all = true;
        for (std::size_t j = i; j < wins.size() && j < i + 3; ++j)
            all = all && wins[j];
        if (all) {
            crossover = s.sizes[i];
            break;
        }
    }
    if (crossover == 0)
        std::printf("  crossover: not within the sizes measured\n\n");
    else
        std::printf("  crossover: %zu %s (in force: %zu)\n\n", crossover, s.unit,
                    zbig::thresholds.*(s.field));
}

std::vector<std::size_t> range(std::size_t from, std::size_t to, std::size_t step)
{
    std::vector<std::size_t> v;
    for (std::size_t n = from; n <= to; n += step)
        v.push_back(n);
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "quick") == 0;
    const int batches = quick ? 3 : 7;
    auto sizes = [&](std::vector<std::size_t> full) {
        if (quick && full.size() > 4)
            full.resize(4);
        return full;
    };

    // Operands live here for the calls that time them.
    std::vector<zbig::digit> da, db, dout;
    std::vector<limb> a, b, r, q;
    zbig::natural value;
    std::vector<char> text;

    const switch_point points[] = {
        {"digit_mul: products digit by digit below", "30-bit digits",
         &zbig::threshold_set::digit_mul, sizes(range(2, 17, 1)),
         [&](std::size_t n) -> std::function<void()> {
             da.assign(n, 0x2aaaaaab);
             db.assign(n, 0x15555555);
             dout.assign(2 * n, 0);
             return [&] { zbig::multiply_magnitudes(dout, da, db); };
         }},
        {"digit_sqr: squares digit by digit below", "30-bit digits",
         &zbig::threshold_set::digit_sqr, sizes(range(14, zbig::max_sqr_column_digits, 1)),
         [&](std::size_t n) -> std::function<void()> {
             da.assign(n, 0x2aaaaaab);
             dout.assign(2 * n, 0);
             return [&] { zbig::multiply_magnitudes(dout, da, da); };
         }},
        {"karatsuba: products", "limbs", &zbig::threshold_set::karatsuba, sizes(range(16, 96, 8)),
         [&](std::size_t n) -> std::function<void()> {
             a = random_limbs(n), b = random_limbs(n), r.assign(2 * n, 0);
             return [&, n] { zbig::limbs_mul(r.data(), a.data(), n, b.data(), n); };
         }},
        {"karatsuba_sqr: squares", "limbs", &zbig::threshold_set::karatsuba_sqr,
         sizes(range(16, 96, 8)),
         [&](std::size_t n) -> std::function<void()> {
             a = random_limbs(n), r.assign(2 * n, 0);
             return [&, n] { zbig::limbs_sqr(r.data(), a.data(), n); };
         }},
        {"ntt: products by transforms", "limbs", &zbig::threshold_set::ntt,
         sizes({1000, 1500, 2000, 2500, 3000, 3500, 4000, 5000, 6000, 8000}),
         [&](std::size_t n) -> std::function<void()> {
             a = random_limbs(n), b = random_limbs(n), r.assign(2 * n, 0);
             return [&, n] { zbig::limbs_mul(r.data(), a.data(), n, b.data(), n); };
         }},
        {"div_reciprocal: 2n-by-n division by reciprocal", "limbs",
         &zbig::threshold_set::div_reciprocal,
         sizes({500, 1000, 1500, 2000, 2500, 3000, 4000, 5000}),
         [&](std::size_t n) -> std::function<void()> {
             a = random_limbs(2 * n), b = random_limbs(n), q.assign(n + 1, 0), r.assign(n, 0);
             return
                 [&, n] { zbig::limbs_divmod(q.data(), r.data(), a.data(), 2 * n, b.data(), n); };
         }},
        {"radix_divide_and_conquer: to decimal text", "30-bit digits",
         &zbig::threshold_set::radix_divide_and_conquer, sizes(range(10, 120, 10)),
         [&](std::size_t n) -> std::function<void()> {
             da.assign(n, 0x2aaaaaab);
             value = zbig::natural::of(std::span<const zbig::digit>(da));
             text.assign(zbig::digits_upper_bound(n, 10) + 1, 0);
             return [&] { zbig::to_characters(value, 10, text.data()); };
         }},
    };
    std::printf("zbig threshold crossovers on this machine%s\n\n", quick ? " (quick run)" : "");
    for (const auto& p : points)
        tune(p, batches);
    return 0;
}
