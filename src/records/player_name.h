#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace stakor {

// Player names are kept as the records file has always kept them: one byte per
// letter in the Windows-1252 code page, so the file keeps its format and a
// length of 20 bytes is 20 letters the player sees.

// The Windows-1252 byte of a code point, if the code page has the letter.
std::optional<unsigned char> Cp1252ByteOf(char32_t codePoint);

// UTF-8 text as name bytes: each letter the code page lacks becomes one "?",
// combining accents are dropped. Invalid UTF-8 bytes become "?" as well.
std::string NameFromUtf8(std::string_view utf8);

// The name without the bytes no player can read: control characters (a tab,
// a line end) and the five bytes the code page leaves undefined. A name is
// text shown in the table and offered again in the prompt, so it must come
// back from the screen as the same bytes.
std::string WithoutControls(std::string_view name);

// Name bytes as UTF-8 for the screen. Control bytes, which no typed name has
// but a damaged file may, show as "?".
std::string NameToUtf8(std::string_view name);

} // namespace stakor
