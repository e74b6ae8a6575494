#pragma once

#include <string>
#include <string_view>

namespace stakor::sim {

// A JSON string literal, quotes included. Bytes that are not valid UTF-8 are
// read as Windows-1252 first, as the game shows them.
std::string JsonString(std::string_view bytes);

} // namespace stakor::sim
