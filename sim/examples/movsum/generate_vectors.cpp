// Writes the vectors file of the example design movsum from its golden
// model: per test the number of values n, the values on the input stream x,
// and the sums expected in the array res (its first n words).
//     generate-movsum-vectors FILE [COUNT]
#include "movsum_model.hpp"

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
    const long count = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 200;
    std::ofstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    try {
        using fsmdkit::input;
        file << "# movsum: res[i] = x[i] + x[i-1] + x[i-2] + x[i-3]; written by "
                "generate-movsum-vectors\n";
        fsmdkit::vectors_writer out(
            file, {input("n", 8), fsmdkit::input_list("x", 16), fsmdkit::output_list("res", 18)});
        const auto write = [&](const std::vector<std::uint16_t>& x) {
            out.row({x.size(), fsmdkit::list(x), fsmdkit::list(movsum::sums(x))});
        };
        // No value, one, fewer than the window, the largest values.
        write({});
        write({7});
        write({1, 2, 3});
        write(std::vector<std::uint16_t>(40, 0xFFFF));
        std::mt19937 rng(2212);
        std::uniform_int_distribution<int> length(0, 40), value(0, 0xFFFF);
        while (long(out.rows()) < count) {
            std::vector<std::uint16_t> x(std::size_t(length(rng)));
            for (auto& v : x)
                v = std::uint16_t(value(rng));
            write(x);
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
