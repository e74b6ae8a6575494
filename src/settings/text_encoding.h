#pragma once

#include <string>
#include <string_view>

namespace stakor {

// Language packs and high-score names are 8-bit text. They are shown as UTF-8
// when the bytes are valid UTF-8 (packs written on Linux), and otherwise read
// as Windows-1252, the code page the game's packs have always been written in.
std::string TextToUtf8(std::string_view bytes);

} // namespace stakor
