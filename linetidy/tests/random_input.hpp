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
