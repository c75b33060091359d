// The filtering core of linetidy: a state machine over blocks of bytes.
#pragma once

#include <cstddef>

namespace linetidy
{

// The two behaviours the command line can switch on.
struct Options {
    bool enable_noprecspaces = false; // drop the white space that starts a line
    bool enable_notabs = false;       // tabs become one blank; a tab that starts a line vanishes
};

// White space in the "C" locale: blank, tab, newline, vertical tab, form feed,
// carriage return. Bytes 128 to 255 and NUL are not white space.
constexpr bool is_white(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Filters a stream handed over in blocks of any size. The output depends only
// on the concatenated input, never on where the block boundaries fall: the
// line state is carried from one block to the next.
class TidyFilter
{
  public:
    explicit TidyFilter(Options options) : options_(options) {}

    // Filters `size` bytes from `in` to `out` and returns the number of bytes
    // written. Every input byte yields at most one output byte, so `out` needs
    // room for `size` bytes; it must not overlap `in`. Bytes of `out` past the
    // returned count may have been overwritten: the filter stores whole
    // words there and lets the next ones overwrite the excess.
    std::size_t filter(const unsigned char* in, std::size_t size, unsigned char* out);

  private:
    // Line state: both are reset by every newline. The rule for tabs needs the
    // previous byte read only to know whether it was a newline, so that is
    // all we keep of it; it is true at the start of the input too.
    struct LineState {
        bool seen_nonwhite = false;
        bool previous_is_newline = true;
    };

    static void filter_byte(Options options, LineState& line, unsigned char c, unsigned char* out,
                            std::size_t& written);
    std::size_t filter_tabs_only(const unsigned char* in, std::size_t size, unsigned char* out);
    std::size_t filter_leading_space(const unsigned char* in, std::size_t size, unsigned char* out);

    Options options_;
    LineState line_;
};

} // namespace linetidy
