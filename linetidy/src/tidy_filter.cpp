#include "tidy_filter.hpp"

#include "word_scan.hpp"

#include <cstring>

namespace linetidy
{

std::size_t TidyFilter::filter(const unsigned char* in, std::size_t size, unsigned char* out)
{
    if (options_.enable_noprecspaces)
        return filter_leading_space(in, size, out);
    if (options_.enable_notabs)
        return filter_tabs_only(in, size, out);
    if (size != 0)
        std::memcpy(out, in, size);
    return size;
}

// The rules for one byte, as plain as they come. The word loops below use it
// for the bytes they do not handle themselves and for the last partial word
// of a block. The loops keep the line state in a local copy: stores through
// `out` may alias any object, so members would be reloaded after each one.
inline void TidyFilter::filter_byte(Options options, LineState& line, unsigned char c,
                                    unsigned char* out, std::size_t& written)
{
    if (c == '\t') {
        // Tabs obey their own rule: the dropping of leading white space does
        // not apply to them.
        if (!options.enable_notabs)
            out[written++] = '\t';
        else if (!line.previous_is_newline)
            out[written++] = ' ';
        line.previous_is_newline = false;
        return;
    }
    if (!is_white(c))
        line.seen_nonwhite = true;
    // A line of nothing but white space loses its newline too.
    if (!options.enable_noprecspaces || line.seen_nonwhite)
        out[written++] = c;
    line.previous_is_newline = c == '\n';
    if (c == '\n')
        line.seen_nonwhite = false;
}

// "-notabs" alone: only tabs change. A word without a tab right after a
// newline is copied whole with its tabs turned into blanks; otherwise the
// bytes up to that tab are kept and the tab is dropped.
std::size_t TidyFilter::filter_tabs_only(const unsigned char* in, std::size_t size,
                                         unsigned char* out)
{
    const Options options = options_;
    LineState line = line_;
    std::size_t pos = 0;
    std::size_t written = 0;
    while (pos + word_size <= size) {
        const Word word = load_word(in + pos);
        const Word newlines = bytes_equal(word, '\n');
        const Word first_in_line = (newlines << 8) | (line.previous_is_newline ? 0x80 : 0);
        const Word dropped = bytes_equal(word, '\t') & first_in_line;
        store_word(out + written, replace_tabs(word));
        if (dropped == 0) {
            pos += word_size;
            written += word_size;
            line.previous_is_newline = (newlines >> (8 * word_size - 8)) != 0;
        } else {
            const std::size_t kept = first_match(dropped);
            pos += kept + 1;
            written += kept;
            line.previous_is_newline = false;
        }
    }
    for (; pos < size; ++pos)
        filter_byte(options, line, in[pos], out, written);
    line_ = line;
    return written;
}

// "-noprecspaces", with or without "-notabs", eight bytes at a time.
// Before a line's first non-white byte, a word is scanned for its leading run
// of blanks and tabs: the blanks vanish and all the tabs come out as the same
// byte (tab, or blank under "-notabs"), so the run's output is a count, not a
// compaction. After it, words are copied whole (tabs made blanks) up to the
// word that holds the newline.
std::size_t TidyFilter::filter_leading_space(const unsigned char* in, std::size_t size,
                                             unsigned char* out)
{
    const Options options = options_;
    const bool notabs = options.enable_notabs;
    LineState line = line_;
    const Word tab_output = every_byte(notabs ? ' ' : '\t');
    std::size_t pos = 0;
    std::size_t written = 0;
    while (pos + word_size <= size) {
        const Word word = load_word(in + pos);
        if (!line.seen_nonwhite) {
            const Word tabs = bytes_equal(word, '\t');
            const std::size_t run = first_match(~(tabs | bytes_equal(word, ' ')));
            const Word run_tabs = run == word_size ? tabs : tabs & ((Word{1} << (8 * run)) - 1);
            std::size_t kept_tabs = count_matches(run_tabs);
            // Past the first byte no tab of the run follows a newline.
            if (notabs && line.previous_is_newline && (tabs & 0x80))
                --kept_tabs;
            store_word(out + written, tab_output);
            written += kept_tabs;
            if (run != 0)
                line.previous_is_newline = false;
            pos += run;
            if (run != word_size)
                filter_byte(options, line, in[pos++], out,
                            written); // newline, other white space, or text
            continue;
        }
        // Past the first non-white byte nothing is dropped, and the previous
        // byte is never a newline, so every tab becomes a blank.
        store_word(out + written, notabs ? replace_tabs(word) : word);
        const Word newlines = bytes_equal(word, '\n');
        const std::size_t length = newlines == 0 ? word_size : first_match(newlines) + 1;
        pos += length;
        written += length;
        if (newlines != 0) {
            line.seen_nonwhite = false;
            line.previous_is_newline = true;
        }
    }
    for (; pos < size; ++pos)
        filter_byte(options, line, in[pos], out, written);
    line_ = line;
    return written;
}

} // namespace linetidy
