// Writes the vectors file of the example design qmac from its golden model:
// the 605 corner cases of rounding and saturation, then random operands up
// to COUNT tests in all (default 4000).
//     generate-qmac-vectors FILE [COUNT]
#include "qmac_model.hpp"

#include <fsmdkit/vectors.hpp>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <random>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [COUNT]\n", argv[0]);
        return 2;
    }
    const long count = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 4000;
    std::ofstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    try {
        using fsmdkit::input;
        using fsmdkit::is_signed;
        using fsmdkit::output;
        file << "# qmac: y = sat(round(c + a*b)), Q8.8; written by generate-qmac-vectors\n";
        fsmdkit::vectors_writer out(file, {input("a", 16, is_signed), input("b", 16, is_signed),
                                           input("c", 16, is_signed), output("y", 16, is_signed),
                                           output("sat", 1)});
        const auto write = [&](int a, int b, int c) {
            const qmac::result r =
                qmac::mac(qmac::from_port(a), qmac::from_port(b), qmac::from_port(c));
            out.row({qmac::from_port(a), qmac::from_port(b), qmac::from_port(c), r.y, r.sat});
        };
        // Extremes of every operand, and ties of the rounding step: a * b
        // with the low 8 fraction bits exactly 0x80, positive and negative.
        const std::vector<int> corners = {0,      1,      -1,      0x80,  -0x80, 0x100,
                                          -0x100, 0x7FFF, -0x8000, 0x1FF, -0x1FF};
        for (int a : corners)
            for (int b : corners)
                for (int c : {0, 1, -1, 0x7FFF, -0x8000})
                    write(a, b, c);
        std::mt19937 rng(20261208);
        std::uniform_int_distribution<int> operand(-0x8000, 0x7FFF);
        while (long(out.rows()) < count)
            write(operand(rng), operand(rng), operand(rng));
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
