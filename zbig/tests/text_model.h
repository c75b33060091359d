// An independent model of the number grammar, the oracle of text_test and of
// the radix fuzz target: blanks, one leading '-', with base 0 the prefix
// right after it, then digits read from the right until an invalid one,
// written from the rules without any of the library's code.
#ifndef ZBIG_TEXT_MODEL_H
#define ZBIG_TEXT_MODEL_H

#include "zbig.h"

#include <boost/multiprecision/cpp_int.hpp>

#include <string_view>

namespace text_model
{

using big = boost::multiprecision::cpp_int;

struct parsed {
    big value;       // what mpz_set_str leaves
    int result;      // what mpz_set_str returns: 0, or -1 when a character stopped it
    int read_status; // what zbig_read_text returns (for a valid base)
};

inline parsed parse(std::string_view text, int base)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    std::size_t i = 0;
    while (i < text.size() && blank(text[i]))
        ++i;
    int sign = 1;
    if (i < text.size() && text[i] == '-') {
        sign = -1;
        ++i;
    }
    bool zero_prefix = false;
    if (base == 0) {
        if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X") {
            base = 16;
            i += 2;
        } else if (i < text.size() && text[i] == '0') {
            base = 8;
            ++i;
            zero_prefix = true;
        } else {
            base = 10;
        }
    }
    big value = 0, place = 1;
    bool digits = zero_prefix;
    for (std::size_t k = text.size(); k > i; --k) {
        const char c = text[k - 1];
        if (blank(c))
            continue;
        const int v = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'z' ? c - 'a' + 10
                      : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                             : 99;
        if (v >= base)
            return {sign * value, -1, ZBIG_TEXT_INVALID_CHARACTER};
        value += place * v;
        place *= base;
        digits = true;
    }
    return {sign * value, 0, digits ? ZBIG_TEXT_OK : ZBIG_TEXT_NO_DIGITS};
}

} // namespace text_model

#endif
