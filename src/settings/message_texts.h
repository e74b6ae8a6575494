#pragma once

#include <string>
#include <string_view>

namespace stakor {

class TLanguage;

// The text of a message box or prompt ("MB1" .. "MB14"): the loaded pack's,
// or the built-in English one when no pack is loaded or the pack lacks the
// key, so that no question ever reaches the player without words.
std::string MessageText(const TLanguage& lang, std::string_view key);

// The built-in English text of a message key; empty for an unknown key.
std::string_view BuiltInMessageText(std::string_view key);

} // namespace stakor
