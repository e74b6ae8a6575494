#include "records/player_name.h"

#include "settings/text_encoding.h"

namespace stakor {

namespace {

bool IsCombiningMark(char32_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
        (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F);
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
    for (unsigned char byte = 0x80; byte < 0xA0; ++byte)
        if (Cp1252Defined(byte) && Cp1252CodePoint(byte) == codePoint)
            return byte;
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

std::string WithoutControls(std::string_view name)
{
    std::string clean;
    clean.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0 && !Cp1252Defined(c)))
            continue;
        clean.push_back(ch);
    }
    return clean;
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
            cp = Cp1252Defined(c) ? Cp1252CodePoint(c) : U'?';
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace stakor
