#pragma once

#include <string>
#include <string_view>

namespace stakor {

// Language packs and high-score names are 8-bit text. They are shown as UTF-8
// when the bytes are valid UTF-8 (packs written on Linux), and otherwise read
// as Windows-1252, the code page the game's packs have always been written in.
std::string TextToUtf8(std::string_view bytes);

// The code point of a Windows-1252 byte. The five bytes the code page leaves
// undefined keep their Latin-1 code points, so no byte is ever lost.
char32_t Cp1252CodePoint(unsigned char byte);
// False for those five bytes.
bool Cp1252Defined(unsigned char byte);
// Appends a code point below 0x10000 as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

} // namespace stakor
