// Writes the vectors file of the example design restoring_divider for its
// generic W from the golden model: the corner cases (zero, one, the largest
// value, its half, powers of two and one less, each as dividend and as
// divisor, as many as COUNT holds), then random operands up to COUNT tests
// in all (default 3000).
//     generate-divider-vectors FILE [W [COUNT]]
// W (1 to 32) defaults to DIVIDER_WIDTH, which the example's CMake project
// sets from the width it gives the design's generic.
#include "divider_model.hpp"

#include <fsmdkit/vectors.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <random>
#include <set>
#include <string>

#ifndef DIVIDER_WIDTH
#define DIVIDER_WIDTH 16
#endif
static_assert(DIVIDER_WIDTH >= 1 && DIVIDER_WIDTH <= 32, "DIVIDER_WIDTH is from 1 to 32");

namespace
{

// A whole number from min to max, or -1.
long number_argument(const char* text, long min, long max)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < min || value > max)
        return -1;
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s FILE [W [COUNT]]\n", argv[0]);
        return 2;
    }
    const long width = argc >= 3 ? number_argument(argv[2], 1, 32) : DIVIDER_WIDTH;
    const long count = argc == 4 ? number_argument(argv[3], 0, 100000000) : 3000;
    if (width < 0 || count < 0) {
        std::fprintf(stderr, "%s: W is a number from 1 to 32, COUNT one from 0\n", argv[0]);
        return 2;
    }
    std::ofstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    try {
        using fsmdkit::input;
        using fsmdkit::output;
        const int w = int(width);
        file << "# restoring_divider, W = " << w
             << ": quotient and remainder of dividend / divisor;"
             << " written by generate-divider-vectors\n";
        fsmdkit::vectors_writer out(file, {input("dividend", w), input("divisor", w),
                                           output("quotient", w), output("remainder", w)});
        const auto write = [&](std::uint64_t n, std::uint64_t d) {
            const divider::result r = divider::divide(n, d, w);
            out.row({n, d, r.quotient, r.remainder});
        };
        const std::uint64_t top = divider::all_ones(w);
        std::set<std::uint64_t> corners = {0, 1, 2, 3, top, top - 1, top / 2, top / 2 + 1};
        for (int bit = 0; bit < w; ++bit) {
            const std::uint64_t power = std::uint64_t(1) << bit;
            corners.insert({power, power - 1});
        }
        for (std::uint64_t n : corners)
            for (std::uint64_t d : corners)
                if (long(out.rows()) < count)
                    write(n, d);
        std::mt19937_64 rng(20261208);
        // Divisors of every size, not only wide ones: a random W-bit divisor
        // is almost always within a factor 2^8 of the largest, which leaves
        // the quotient's upper bits untested.
        std::uniform_int_distribution<int> divisor_bits(1, w);
        while (long(out.rows()) < count) {
            const std::uint64_t n = rng() & top;
            const std::uint64_t d = rng() & divider::all_ones(divisor_bits(rng));
            write(n, d);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    file.close();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
