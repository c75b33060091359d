#include "tidy_filter.hpp"

#include <cstring>

namespace linetidy
{

namespace
{

// Output never runs ahead of input, so when filtering in place a run that has
// not been shifted by a dropped byte yet is already where it belongs.
inline void move_run(unsigned char* to, const unsigned char* from, std::size_t size)
{
    if (to != from && size != 0)
        std::memmove(to, from, size);
}

// Copies a run in which no tab can be the first byte of its line, so every tab
// becomes one blank. The run keeps its length.
void copy_replacing_tabs(const unsigned char* in, std::size_t size, unsigned char* out)
{
    std::size_t pos = 0;
    while (pos < size) {
        const void* hit = std::memchr(in + pos, '\t', size - pos);
        const std::size_t end =
            hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - in) : size;
        move_run(out + pos, in + pos, end - pos);
        if (!hit)
            return;
        out[end] = ' ';
        pos = end + 1;
    }
}

} // namespace

std::size_t TidyFilter::filter(const unsigned char* in, std::size_t size, unsigned char* out)
{
    if (size == 0)
        return 0;
    if (options_.enable_noprecspaces)
        return filter_leading_space(in, size, out);
    if (options_.enable_notabs)
        return filter_tabs_only(in, size, out);
    move_run(out, in, size);
    return size;
}

// "-notabs" alone: only tabs change, so the block is copied in runs between
// tabs; a tab right after a newline is dropped, any other becomes a blank.
std::size_t TidyFilter::filter_tabs_only(const unsigned char* in, std::size_t size,
                                         unsigned char* out)
{
    std::size_t pos = 0;
    std::size_t written = 0;
    bool previous_is_newline = previous_is_newline_;
    for (;;) {
        const void* hit = std::memchr(in + pos, '\t', size - pos);
        const std::size_t tab =
            hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - in) : size;
        if (tab > pos) {
            // Read before the move: in place, the move may overwrite it.
            previous_is_newline = in[tab - 1] == '\n';
            move_run(out + written, in + pos, tab - pos);
            written += tab - pos;
        }
        if (!hit)
            break;
        if (!previous_is_newline)
            out[written++] = ' ';
        previous_is_newline = false;
        pos = tab + 1;
    }
    previous_is_newline_ = previous_is_newline;
    return written;
}

// "-noprecspaces", with or without "-notabs". Until a line shows a non-white
// byte, its bytes are looked at one by one (indentation is short); from then
// on the rest of the line up to its newline is copied as one run.
std::size_t TidyFilter::filter_leading_space(const unsigned char* in, std::size_t size,
                                             unsigned char* out)
{
    const bool notabs = options_.enable_notabs;
    bool seen_nonwhite = seen_nonwhite_;
    bool previous_is_newline = previous_is_newline_;
    std::size_t pos = 0;
    std::size_t written = 0;
    while (pos < size) {
        if (!seen_nonwhite) {
            const unsigned char c = in[pos++];
            if (c == '\t') {
                // Tabs obey their own rule: the dropping of leading white
                // space does not apply to them.
                if (!notabs)
                    out[written++] = '\t';
                else if (!previous_is_newline)
                    out[written++] = ' ';
                previous_is_newline = false;
            } else if (c == '\n') {
                // A line of nothing but white space loses its newline too.
                previous_is_newline = true;
            } else if (is_white(c)) {
                previous_is_newline = false;
            } else {
                out[written++] = c;
                seen_nonwhite = true;
                previous_is_newline = false;
            }
            continue;
        }
        // Past the first non-white byte nothing is dropped, and the previous
        // byte is never a newline, so every tab becomes a blank.
        const void* hit = std::memchr(in + pos, '\n', size - pos);
        const std::size_t end =
            hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - in) + 1 : size;
        if (notabs)
            copy_replacing_tabs(in + pos, end - pos, out + written);
        else
            move_run(out + written, in + pos, end - pos);
        written += end - pos;
        pos = end;
        if (hit) {
            seen_nonwhite = false;
            previous_is_newline = true;
        }
    }
    seen_nonwhite_ = seen_nonwhite;
    previous_is_newline_ = previous_is_newline;
    return written;
}

} // namespace linetidy
