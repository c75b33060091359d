// Random inputs for the differential tests and a printable form of them, so
// that a failing case shows what to replay.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

namespace linetidy_test
{

// Bytes weighted towards what the filter treats specially: blanks, tabs,
// newlines, the other white space, NUL and bytes above 127 next to ordinary
// text. Lines come out short, so most bytes sit near a line start.
inline std::string random_input(std::mt19937_64& rng, std::size_t size)
{
    std::string text;
    text.reserve(size);
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> any_byte(0, 255);
    std::uniform_int_distribution<int> letter('a', 'z');
    static constexpr char other_white[] = {'\v', '\f', '\r'};
    while (text.size() < size) {
        const int p = pick(rng);
        if (p < 24)
            text += ' ';
        else if (p < 38)
            text += '\t';
        else if (p < 52)
            text += '\n';
        else if (p < 58)
            text += other_white[static_cast<std::size_t>(p - 52) % 3];
        else if (p < 62)
            text += '\0';
        else if (p < 68)
            text += static_cast<char>(128 + any_byte(rng) % 128);
        else if (p < 72)
            text += static_cast<char>(any_byte(rng));
        else
            text += static_cast<char>(letter(rng));
    }
    return text;
}

// Text shaped like generated source: indentation of blanks and tabs mixed at
// random (sometimes longer than a word), lines of text with inner tabs,
// blank lines that may hold stray white space, and now and then a NUL, a high
// byte or a carriage return.
inline std::string random_source_text(std::mt19937_64& rng, std::size_t size)
{
    static constexpr char text_bytes[] = "abcxyz0;:=(){} \t";
    static constexpr char rare_bytes[] = {'\0', '\r', '\v', '\f', '\x80', '\xff', '\xa0'};
    std::string text;
    while (text.size() < size) {
        const std::size_t indent = rng() % 4 == 0 ? rng() % 24 : rng() % 6;
        const int indent_style = static_cast<int>(rng() % 3);
        for (std::size_t i = 0; i < indent; ++i)
            text += indent_style == 0 ? ' ' : indent_style == 1 ? '\t' : " \t"[rng() % 2];
        const std::size_t length = rng() % 5 == 0 ? 0 : rng() % 70;
        for (std::size_t i = 0; i < length; ++i)
            text += rng() % 40 == 0 ? rare_bytes[rng() % sizeof rare_bytes]
                                    : text_bytes[rng() % (sizeof text_bytes - 1)];
        text += '\n';
    }
    text.resize(size);
    return text;
}

// C string notation of the bytes, e.g. "\t x\n\000\377".
inline std::string escaped(std::string_view bytes)
{
    std::string out = "\"";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\v':
            out += "\\v";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        default:
            if (c >= 32 && c < 127) {
                out += static_cast<char>(c);
            } else {
                char octal[5];
                std::snprintf(octal, sizeof octal, "\\%03o", c);
                out += octal;
            }
        }
    }
    return out + "\"";
}

// Short inputs are shown in full; long ones by the seed that rebuilds them.
inline std::string describe_input(std::string_view bytes, std::uint64_t seed)
{
    if (bytes.size() <= 400)
        return "input " + escaped(bytes) + " (seed " + std::to_string(seed) + ")";
    return std::to_string(bytes.size()) + "-byte input from seed " + std::to_string(seed);
}

} // namespace linetidy_test
