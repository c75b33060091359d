// The text grammar of mpz_set_str, read in one place for the C interface
// and for zbig.hpp: blanks (tab, space, newline) before an optional '-',
// with base 0 a prefix chosen right after it ("0x"/"0X": 16, "0": 8, else
// 10), then digits in either case with blanks anywhere among them, scanned
// from the right until a character that is no digit of the base.
#ifndef ZBIG_NUMBER_TEXT_H
#define ZBIG_NUMBER_TEXT_H

#include <cstddef>
#include <cstdint>

namespace zbig
{

struct number_text {
    int sign = 1;            // -1 after a leading '-'
    unsigned base = 10;      // 2 to 36, after base 0 chose by prefix
    std::size_t count = 0;   // digit values right of the stop, in values[n - count, n)
    bool stopped = false;    // a character that is no digit of the base ended the scan
    bool octal_zero = false; // base 0 took a leading "0" (itself the number 0) as prefix
};

// The class of each character: 0 to 35 its digit value (in either case),
// text_stop for one that is a digit in no base, text_blank for a blank.
inline constexpr uint8_t text_stop = 36, text_blank = 37;
struct character_table {
    uint8_t value[256];
    constexpr character_table() : value()
    {
        for (int c = 0; c < 256; ++c)
            value[c] = text_stop;
        for (int c = '0'; c <= '9'; ++c)
            value[c] = uint8_t(c - '0');
        for (int c = 'a'; c <= 'z'; ++c)
            value[c] = uint8_t(c - 'a' + 10);
        for (int c = 'A'; c <= 'Z'; ++c)
            value[c] = uint8_t(c - 'A' + 10);
        value[int(' ')] = value[int('\t')] = value[int('\n')] = text_blank;
    }
};
inline constexpr character_table text_characters;

// Whether base is 0 (chosen by prefix) or 2 to 36.
inline bool valid_text_base(int base)
{
    return base == 0 || (base >= 2 && base <= 36);
}

// Reads the blanks, the '-' and, with base 0, the prefix at the start of
// text[0, n) into out's sign, base and octal_zero; returns the position of
// the first character after them. base must be valid.
std::size_t read_number_prefix(const char* text, std::size_t n, int base, number_text& out);

// Reads text[0, n); a NUL byte is an ordinary character that stops the scan.
// values must hold n bytes: the digit values end up most significant first
// in its last `count` bytes. Returns false, and reads nothing, when base is
// neither 0 nor 2 to 36.
bool read_number_text(const char* text, std::size_t n, int base, uint8_t* values, number_text& out);

} // namespace zbig

#endif
