// linetidy's block filter against a byte-at-a-time model of the rules, with
// the input cut into blocks at fuzzed boundaries: the output must not depend
// on where the blocks end.
//
// Input: one byte of options, one byte giving the number of block sizes,
// that many block sizes (cycled), then the text.
#include "byte_reader.hpp"
#include "tidy_filter.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

// One byte at a time, straight from the rules.
std::string model(const std::string& in, bool noprecspaces, bool notabs)
{
    std::string out;
    bool seen = false;
    char previous = '\n';
    for (const char ch : in) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool white =
            c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
        if (!white)
            seen = true;
        if (c == '\t') {
            if (!notabs)
                out += '\t';
            else if (previous != '\n')
                out += ' ';
            previous = '\t';
            continue;
        }
        if (!(noprecspaces && !seen))
            out += ch;
        if (c == '\n') {
            seen = false;
            previous = '\n';
        } else {
            previous = ch;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    fuzz::ByteReader in(data, size);
    const uint8_t flags = in.byte();
    const bool noprecspaces = flags & 1, notabs = flags & 2;
    std::vector<std::size_t> blocks;
    for (int n = in.byte() % 8; n > 0; --n)
        blocks.push_back(in.byte() + 1u); // may exceed the word size several times
    if (blocks.empty())
        blocks.push_back(4096);
    std::size_t n = 0;
    const uint8_t* p = in.take(in.remaining(), n);
    const std::string text(reinterpret_cast<const char*>(p), n);

    linetidy::TidyFilter filter(linetidy::Options{noprecspaces, notabs});
    std::string got;
    std::size_t at = 0;
    for (std::size_t i = 0; at < text.size(); ++i) {
        const std::size_t len = std::min(blocks[i % blocks.size()], text.size() - at);
        // Exactly-sized buffers, so a write or read past the block is caught.
        std::vector<unsigned char> block(text.begin() + static_cast<std::ptrdiff_t>(at),
                                         text.begin() + static_cast<std::ptrdiff_t>(at + len));
        std::vector<unsigned char> out(len);
        const std::size_t written = filter.filter(block.data(), len, out.data());
        if (written > len)
            std::abort();
        got.append(reinterpret_cast<const char*>(out.data()), written);
        at += len;
    }
    if (got != model(text, noprecspaces, notabs)) {
        std::fprintf(stderr, "linetidy_fuzz: output differs from the model (options %d)\n",
                     flags & 3);
        std::abort();
    }
    return 0;
}
