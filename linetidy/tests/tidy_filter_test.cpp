#include "tidy_filter.hpp"

#include "random_input.hpp"
#include "reference_model.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

using namespace std::string_literals;
using linetidy::Options;
using linetidy::TidyFilter;
using linetidy_test::describe_input;
using linetidy_test::escaped;
using linetidy_test::random_input;
using linetidy_test::random_source_text;
using linetidy_test::reference_tidy;

constexpr Options no_options{false, false};
constexpr Options noprecspaces{true, false};
constexpr Options notabs{false, true};
constexpr Options both{true, true};
constexpr Options all_option_sets[] = {no_options, noprecspaces, notabs, both};

std::string option_names(Options options)
{
    std::string names;
    if (options.enable_noprecspaces)
        names += " -noprecspaces";
    if (options.enable_notabs)
        names += " -notabs";
    return names.empty() ? "(no options)" : names;
}

// Feeds `input` to a fresh filter in blocks of the given sizes (the last one
// takes the rest). Each block and its output buffer have exactly the block's
// size, so the sanitizers catch a read or write past them.
std::string filter_in_blocks(Options options, const std::string& input,
                             const std::vector<std::size_t>& sizes)
{
    TidyFilter filter(options);
    std::string output;
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < input.size() || i < sizes.size(); ++i) {
        const std::size_t size =
            i < sizes.size() ? std::min(sizes[i], input.size() - pos) : input.size() - pos;
        std::vector<unsigned char> block(input.begin() + static_cast<std::ptrdiff_t>(pos),
                                         input.begin() + static_cast<std::ptrdiff_t>(pos + size));
        std::vector<unsigned char> out(size);
        const std::size_t written = filter.filter(block.data(), size, out.data());
        EXPECT_LE(written, size);
        output.append(reinterpret_cast<const char*>(out.data()), std::min(written, size));
        pos += size;
        if (i >= sizes.size())
            break;
    }
    return output;
}

std::string filter_whole(Options options, const std::string& input)
{
    return filter_in_blocks(options, input, {input.size()});
}

std::string filter_byte_by_byte(Options options, const std::string& input)
{
    return filter_in_blocks(options, input, std::vector<std::size_t>(input.size(), 1));
}

struct Example {
    const char* behaviour;
    Options options;
    std::string input;
    std::string expected;
};

// The documented behaviour, row by row. Each row is checked as one block, in
// odd blocks and one byte per block, so a rule that only holds inside a block
// or a word shows up too.
const Example examples[] = {
    {"no options copy every byte", no_options, "a\tb \n\t \v\f\r\n\0\x80\xff\n"s,
     "a\tb \n\t \v\f\r\n\0\x80\xff\n"s},
    {"leading blanks dropped, inner ones kept", noprecspaces, "   x  y\n", "x  y\n"},
    {"blank line vanishes with its newline", noprecspaces, "  \n", ""},
    {"empty line vanishes", noprecspaces, "\n", ""},
    {"leading tab kept without -notabs", noprecspaces, "\tx\n", "\tx\n"},
    {"first tab of a line dropped", notabs, "\tx\n", "x\n"},
    {"second leading tab becomes a blank", notabs, "\t\tx\n", " x\n"},
    {"inner tab becomes a blank", notabs, "a\tb\n", "a b\n"},
    {"tab after blanks becomes a blank", notabs, "  \tx\n", "   x\n"},
    {"both: two leading tabs give one blank", both, "\t\tx\n", " x\n"},
    {"both: blanks dropped, following tab a blank", both, "  \tx\n", " x\n"},
    {"both: a line of one tab vanishes", both, "\t\n", ""},
    {"input without final newline, -noprecspaces", noprecspaces, "a\n  b c", "a\nb c"},
    {"input without final newline, -notabs", notabs, "a\n\tb\tc", "a\nb c"},
    {"input of white space only, no newline", both, " \t ", " "},
    {"white line keeps its tab, which joins the next line", noprecspaces, " \t \nx\n", "\tx\n"},
    {"other white space leads a line and is dropped", noprecspaces, "\v\f\r x\r\n", "x\r\n"},
    {"carriage-return line counts as blank", noprecspaces, "a\r\n\r\nb\n", "a\r\nb\n"},
    {"NUL and high bytes are not white space", noprecspaces, "\0 a\n \x80 b\n  \xa0\n"s,
     "\0 a\n\x80 b\n\xa0\n"s},
    {"tab after a NUL line start is not first", notabs, "\0\t\n\t\n"s, "\0 \n\n"s},
    {"tab first in input dropped, next line's too", notabs, "\ta\n\tb\n", "a\nb\n"},
    {"tab after a dropped blank line is first of its line", both, "  \n\tx\n", "x\n"},
    {"tabs after the first non-white byte all become blanks", both, "x\t\t\ty\t\n", "x   y \n"},
    {"no options leave tabs alone", no_options, "\t\tx\n", "\t\tx\n"},
};

TEST(TidyFilter, DocumentedExamples)
{
    for (const Example& example : examples) {
        SCOPED_TRACE(std::string(example.behaviour) + ":" + option_names(example.options) + " on " +
                     escaped(example.input));
        EXPECT_EQ(escaped(filter_whole(example.options, example.input)), escaped(example.expected));
        EXPECT_EQ(escaped(filter_in_blocks(example.options, example.input, {3, 9, 5})),
                  escaped(example.expected));
        EXPECT_EQ(escaped(filter_byte_by_byte(example.options, example.input)),
                  escaped(example.expected));
    }
}

// A leading byte under "-noprecspaces" is dropped exactly when it is white
// space in the "C" locale and not a tab: catches a class that is too wide
// (NUL, bytes above 127) or too narrow (vertical tab, form feed).
TEST(TidyFilter, WhiteSpaceIsTheCLocaleClass)
{
    for (int byte = 0; byte < 256; ++byte) {
        const auto c = static_cast<unsigned char>(byte);
        SCOPED_TRACE("byte " + std::to_string(byte));
        EXPECT_EQ(linetidy::is_white(c), std::isspace(c) != 0);
        const std::string input{static_cast<char>(c), 'x', '\n'};
        const bool dropped = std::isspace(c) && c != '\t';
        EXPECT_EQ(escaped(filter_whole(noprecspaces, input)),
                  escaped(dropped ? std::string("x\n") : input));
    }
}

TEST(TidyFilter, EmptyBlocksChangeNothing)
{
    TidyFilter filter(both);
    const unsigned char tab = '\t';
    unsigned char out = 0;
    EXPECT_EQ(filter.filter(&tab, 0, &out), 0u);
    // The empty block must not have used up the "first byte of the input".
    EXPECT_EQ(filter.filter(&tab, 1, &out), 0u);
}

// Differential test against the byte-at-a-time model, one block per input.
TEST(TidyFilter, MatchesModelOnRandomInput)
{
    for (const Options options : all_option_sets) {
        for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
            std::mt19937_64 rng(seed);
            const std::size_t size = rng() % 300;
            const std::string input =
                seed % 2 ? random_input(rng, size) : random_source_text(rng, size);
            const std::string expected =
                reference_tidy(input, options.enable_noprecspaces, options.enable_notabs);
            const std::string actual = filter_whole(options, input);
            ASSERT_EQ(escaped(actual), escaped(expected))
                << option_names(options) << " on " << describe_input(input, seed);
        }
    }
}

// Where the blocks break the input must not matter: boundaries inside a run
// of indentation, right after a newline or right before a tab are where
// carried state goes wrong.
TEST(TidyFilter, OutputIndependentOfBlockBoundaries)
{
    for (const Options options : all_option_sets) {
        for (std::uint64_t seed = 1; seed <= 300; ++seed) {
            std::mt19937_64 rng(seed * 7919);
            const std::size_t size = 200 + rng() % 4000;
            const std::string input =
                seed % 2 ? random_input(rng, size) : random_source_text(rng, size);
            std::vector<std::size_t> sizes;
            for (std::size_t total = 0; total < input.size();) {
                const std::size_t kind = rng() % 10;
                const std::size_t size = kind == 0  ? 0
                                         : kind < 5 ? 1 + rng() % 4
                                         : kind < 9 ? 1 + rng() % 64
                                                    : 1 + rng() % 1500;
                sizes.push_back(size);
                total += size;
            }
            const std::string expected =
                reference_tidy(input, options.enable_noprecspaces, options.enable_notabs);
            const std::string actual = filter_in_blocks(options, input, sizes);
            if (actual != expected) {
                std::string cuts;
                for (const std::size_t size : sizes) {
                    cuts += ' ';
                    cuts += std::to_string(size);
                }
                FAIL() << option_names(options) << " on " << describe_input(input, seed * 7919)
                       << " in blocks of" << cuts << "\nexpected " << escaped(expected)
                       << "\nactual   " << escaped(actual);
            }
        }
    }
}

} // namespace
