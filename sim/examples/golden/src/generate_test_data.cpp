// Writes the example test-data files <bench>_test_data.txt into a folder: one
// test per line, the inputs and the golden model's expected output as 8
// upper-case hexadecimal digits separated by a blank.
//
//   generate-test-data OUTDIR
#include "golden_models.hpp"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

using fsmd_golden::arraysum;
using fsmd_golden::eda;
using fsmd_golden::fibo;
using fsmd_golden::popcount;

// xorshift32 with a fixed seed: the same files on every machine.
class Inputs
{
  public:
    std::uint32_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // A value of `bits` significant bits, sign-extended: small and large
    // magnitudes of both signs, so the designs' latencies vary.
    std::int32_t signed_bits(unsigned bits)
    {
        const std::uint32_t v = next() >> (32 - bits);
        const std::uint32_t sign = std::uint32_t{1} << (bits - 1);
        return static_cast<std::int32_t>((v ^ sign) - sign);
    }

  private:
    std::uint32_t state_ = 0x2545F491u;
};

std::uint32_t bits_of(std::int32_t v)
{
    return static_cast<std::uint32_t>(v);
}

class DataFile
{
  public:
    DataFile(const std::string& dir, const char* bench)
        : path_(dir + "/" + bench + "_test_data.txt"), file_(std::fopen(path_.c_str(), "w"))
    {
    }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    ~DataFile()
    {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    bool ok() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    void line(std::uint32_t a, std::uint32_t b) { std::fprintf(file_, "%08X %08X\n", a, b); }
    void line(std::uint32_t a, std::uint32_t b, std::uint32_t c)
    {
        std::fprintf(file_, "%08X %08X %08X\n", a, b, c);
    }
    bool close()
    {
        const bool good = std::ferror(file_) == 0 && std::fclose(file_) == 0;
        file_ = nullptr;
        return good;
    }

  private:
    std::string path_;
    std::FILE* file_;
};

// The number of lines of each file is the bench's test limit: every test runs.
void write_eda(DataFile& out, Inputs& in)
{
    constexpr std::int32_t min32 = INT32_MIN;
    constexpr std::int32_t max32 = INT32_MAX;
    const std::array<std::array<std::int32_t, 2>, 8> edges{
        {{0, 0}, {3, 4}, {-3, 4}, {4, -3}, {-5, -12}, {min32, 0}, {max32, max32}, {min32, max32}}};
    for (const auto& e : edges) {
        out.line(bits_of(e[0]), bits_of(e[1]), bits_of(eda(e[0], e[1])));
    }
    for (int k = 0; k < 24; ++k) {
        const unsigned width = k < 16 ? 20 : 32;
        const std::int32_t a = in.signed_bits(width);
        const std::int32_t b = in.signed_bits(width);
        out.line(bits_of(a), bits_of(b), bits_of(eda(a, b)));
    }
}

void write_fibo(DataFile& out)
{
    for (std::uint32_t x = 0; x < 47; ++x) {
        out.line(x, fibo(x));
    }
}

void write_arraysum(DataFile& out, Inputs& in)
{
    const std::array<std::int32_t, 6> edges{0, 1, -1, 1023, INT32_MIN, INT32_MAX};
    for (std::int32_t v : edges) {
        out.line(bits_of(v), bits_of(arraysum(v)));
    }
    for (int k = 0; k < 4; ++k) {
        const std::int32_t v = in.signed_bits(k % 2 == 0 ? 12 : 32);
        out.line(bits_of(v), bits_of(arraysum(v)));
    }
}

void write_popcount(DataFile& out, Inputs& in)
{
    const std::array<std::uint32_t, 4> edges{0, 0xFFFFFFFFu, 1, 0x80000000u};
    for (std::uint32_t v : edges) {
        out.line(v, bits_of(popcount(v)));
    }
    for (int k = 0; k < 252; ++k) {
        // Sparse, dense and narrow values: the latency follows the highest set bit.
        std::uint32_t v = in.next();
        if (k % 3 == 1) {
            v &= in.next();
        } else if (k % 3 == 2) {
            v >>= in.next() % 32;
        }
        out.line(v, bits_of(popcount(v)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate-test-data OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Inputs inputs;
    const char* benches[] = {"eda", "fibo", "arraysum", "popcount"};
    for (const char* bench : benches) {
        DataFile out(dir, bench);
        if (!out.ok()) {
            std::fprintf(stderr, "generate-test-data: cannot write %s: %s\n", out.path().c_str(),
                         std::strerror(errno));
            return 1;
        }
        const std::string name = bench;
        if (name == "eda") {
            write_eda(out, inputs);
        } else if (name == "fibo") {
            write_fibo(out);
        } else if (name == "arraysum") {
            write_arraysum(out, inputs);
        } else {
            write_popcount(out, inputs);
        }
        if (!out.close()) {
            std::fprintf(stderr, "generate-test-data: error writing %s\n", out.path().c_str());
            return 1;
        }
    }
    return 0;
}
