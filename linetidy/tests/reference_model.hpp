// The oracle of the randomized tests: linetidy's rules applied one byte at a
// time in the plainest possible way, written apart from the real filter.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace linetidy_test
{

inline std::string reference_tidy(std::string_view input, bool noprecspaces, bool notabs)
{
    std::string output;
    bool seen_nonwhite = false;
    char previous = '\n';
    for (const char c : input) {
        // The test never changes the locale, so this is the "C" class.
        if (!std::isspace(static_cast<unsigned char>(c)))
            seen_nonwhite = true;
        if (c == '\t') {
            if (!notabs)
                output += '\t';
            else if (previous != '\n')
                output += ' ';
            previous = '\t';
            continue;
        }
        if (!(noprecspaces && !seen_nonwhite))
            output += c;
        if (c == '\n') {
            seen_nonwhite = false;
            previous = '\n';
        } else {
            previous = c;
        }
    }
    return output;
}

} // namespace linetidy_test
