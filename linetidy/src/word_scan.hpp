// Eight bytes at a time in a 64-bit word, for scanning text without a call
// per byte. Byte i of the text is byte i of the word counting from the least
// significant end, whatever the machine's byte order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace linetidy
{

using Word = std::uint64_t;
constexpr std::size_t word_size = sizeof(Word);

constexpr Word every_byte(unsigned char c)
{
    return Word{0x0101010101010101} * c;
}

constexpr Word all_bytes_match = every_byte(0x80);

inline Word load_word(const unsigned char* p)
{
    Word word;
    std::memcpy(&word, p, word_size);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

inline void store_word(unsigned char* p, Word word)
{
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    std::memcpy(p, &word, word_size);
}

// 0x80 in each byte of the word that equals c, 0x00 in every other byte. The
// carry-free form matters: the shorter "has a zero byte" trick marks false
// matches above a true one, and here every byte's mark is used.
constexpr Word bytes_equal(Word word, unsigned char c)
{
    constexpr Word low_seven = every_byte(0x7f);
    const Word x = word ^ every_byte(c);
    return ~(((x & low_seven) + low_seven) | x | low_seven);
}

// Index of the first byte marked in a mask from bytes_equal (or its
// complement); word_size when none is.
constexpr std::size_t first_match(Word marks)
{
    marks &= all_bytes_match;
    return marks == 0 ? word_size : static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

// How many bytes a mask from bytes_equal marks: the marks, moved to the low
// bit of each byte, summed into the top byte by one multiplication.
constexpr std::size_t count_matches(Word marks)
{
    return static_cast<std::size_t>(((marks >> 7) * every_byte(1)) >> (8 * word_size - 8));
}

// Every tab in the word becomes a blank.
constexpr Word replace_tabs(Word word)
{
    return word ^ ((bytes_equal(word, '\t') >> 7) * ('\t' ^ ' '));
}

} // namespace linetidy
