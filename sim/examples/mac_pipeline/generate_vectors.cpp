// Writes the vectors file of the example design mac_pipeline from its
// golden model: the corner cases (the operands' extremes, and values of b
// whose low byte has its top bit set, which the design's two half products
// must take as unsigned), then random operands up to COUNT tests in all
// (default 2000).
//     generate-mac-vectors FILE [COUNT]
#include "mac_model.hpp"

#include <fsmdkit/vectors.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <limits>
#include <random>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [COUNT]\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const long count = argc == 3 ? std::strtol(argv[2], &end, 10) : 2000;
    if (argc == 3 && (end == argv[2] || *end != '\0' || count < 0)) {
        std::fprintf(stderr, "%s: COUNT is a number from 0\n", argv[0]);
        return 2;
    }
    std::ofstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    try {
        using fsmdkit::input;
        using fsmdkit::is_signed;
        using fsmdkit::output;
        file << "# mac_pipeline: y = a * b + c; written by generate-mac-vectors\n";
        fsmdkit::vectors_writer out(file, {input("a", 16, is_signed), input("b", 16, is_signed),
                                           input("c", 32, is_signed), output("y", 33, is_signed)});
        const auto write = [&](std::int16_t a, std::int16_t b, std::int32_t c) {
            out.row({a, b, c, mac::mac(a, b, c)});
        };
        constexpr std::int32_t c_min = std::numeric_limits<std::int32_t>::min();
        constexpr std::int32_t c_max = std::numeric_limits<std::int32_t>::max();
        const std::int16_t operands[] = {0,      1,      -1,      0x7FFF, -0x8000, 0x0080,
                                         0x00FF, 0x0100, -0x0080, 0x7F80, -0x7F80};
        for (std::int16_t a : operands)
            for (std::int16_t b : operands)
                for (std::int32_t c : {0, 1, -1, c_max, c_min})
                    if (long(out.rows()) < count)
                        write(a, b, c);
        std::mt19937 rng(20261208);
        std::uniform_int_distribution<std::int32_t> operand(-0x8000, 0x7FFF);
        std::uniform_int_distribution<std::int32_t> addend(c_min, c_max);
        while (long(out.rows()) < count)
            write(std::int16_t(operand(rng)), std::int16_t(operand(rng)), addend(rng));
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
