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

// Reads text[0, n); a NUL byte is an ordinary character that stops the scan.
// values must hold n bytes: the digit values end up most significant first
// in its last `count` bytes. Returns false, and reads nothing, when base is
// neither 0 nor 2 to 36.
bool read_number_text(const char* text, std::size_t n, int base, uint8_t* values, number_text& out);

} // namespace zbig

#endif
