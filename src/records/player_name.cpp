#include "records/player_name.h"

#include <array>

namespace stakor {

namespace {

// What the bytes 0x80..0x9F stand for; 0 where the code page has no letter.
constexpr std::array<char32_t, 32> Cp1252High = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
    0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

bool IsCombiningMark(char32_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
        (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F);
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The next code point of UTF-8 text, or nothing for a bad sequence (of which
// one byte is then skipped).
std::optional<char32_t> NextCodePoint(std::string_view text, size_t& at)
{
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x80) {
        ++at;
        return c;
    }
    size_t length = 0;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        cp = c & 0x07;
    }
    if (length == 0 || text.size() - at < length) {
        ++at;
        return std::nullopt;
    }
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return std::nullopt;
        }
        cp = cp << 6 | (next & 0x3F);
    }
    static constexpr char32_t Smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < Smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++at;
        return std::nullopt;
    }
    at += length;
    return cp;
}

} // namespace

std::optional<unsigned char> Cp1252ByteOf(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<unsigned char>(codePoint);
    for (size_t i = 0; i < Cp1252High.size(); ++i)
        if (Cp1252High[i] != 0 && Cp1252High[i] == codePoint)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

std::string NameFromUtf8(std::string_view utf8)
{
    std::string name;
    size_t at = 0;
    while (at < utf8.size()) {
        const std::optional<char32_t> cp = NextCodePoint(utf8, at);
        if (cp && IsCombiningMark(*cp))
            continue;
        const std::optional<unsigned char> byte = cp ? Cp1252ByteOf(*cp) : std::nullopt;
        name.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return name;
}

std::string NameToUtf8(std::string_view name)
{
    std::string out;
    out.reserve(name.size() * 2);
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        char32_t cp = c;
        if (c < 0x20 || c == 0x7F)
            cp = '?';
        else if (c >= 0x80 && c < 0xA0)
            cp = Cp1252High[c - 0x80] != 0 ? Cp1252High[c - 0x80] : U'?';
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace stakor
