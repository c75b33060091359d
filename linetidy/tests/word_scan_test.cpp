#include "word_scan.hpp"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace
{

using linetidy::Word;
using linetidy::word_size;

using Bytes = std::array<unsigned char, word_size>;

Word word_of(const Bytes& bytes)
{
    return linetidy::load_word(bytes.data());
}

Word expected_marks(const Bytes& bytes, unsigned char c)
{
    Word marks = 0;
    for (std::size_t i = 0; i < word_size; ++i)
        if (bytes[i] == c)
            marks |= Word{0x80} << (8 * i);
    return marks;
}

// Every byte's mark must be exact. The familiar "has a zero byte" trick is
// not: a borrow marks a byte one above a match (a backspace after a tab, a
// vertical tab after a newline) and would turn it into garbage. Each byte
// value is tried next to every other, on both sides, and in random words.
TEST(WordScan, BytesEqualMarksExactlyTheMatchingBytes)
{
    std::mt19937_64 rng(99);
    for (int c = 0; c < 256; ++c) {
        const auto target = static_cast<unsigned char>(c);
        for (int other = 0; other < 256; ++other) {
            const auto b = static_cast<unsigned char>(other);
            const Bytes patterns[] = {
                {target, b, b, target, target, b, target, b},
                {b, target, b, b, target, target, b, target},
            };
            for (const Bytes& bytes : patterns)
                ASSERT_EQ(linetidy::bytes_equal(word_of(bytes), target),
                          expected_marks(bytes, target))
                    << "byte " << c << " next to " << other;
        }
        for (int round = 0; round < 200; ++round) {
            Bytes bytes;
            for (auto& byte : bytes)
                byte = rng() % 3 == 0 ? target : static_cast<unsigned char>(rng());
            ASSERT_EQ(linetidy::bytes_equal(word_of(bytes), target), expected_marks(bytes, target))
                << "byte " << c << " in a random word";
        }
    }
}

} // namespace
