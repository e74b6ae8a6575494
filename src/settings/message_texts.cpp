#include "settings/message_texts.h"

#include <array>
#include <utility>

#include "settings/language.h"

namespace stakor {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 12> BuiltInMessages = {{
    {"MB1", "The skin for the figures could not be loaded."},
    {"MB2", "Skin error"},
    {"MB3", "A game is running. Quit anyway?"},
    {"MB4", "A game is running. Start a new one?"},
    {"MB5", "Changing the size of the playing field ends the current game. Continue?"},
    {"MB6", "Unable to load the picture %s."},
    {"MB7", "A game is running. End it and start the new game?"},
    {"MB10", "New high score"},
    {"MB11", "Enter your name:"},
    {"MB12", "Player"},
    {"MB13", "Send your high scores by e-mail?"},
    {"MB14", "Password:"},
}};

} // namespace

std::string_view BuiltInMessageText(std::string_view key)
{
    for (const auto& [name, text] : BuiltInMessages)
        if (name == key)
            return text;
    return {};
}

std::string MessageText(const TLanguage& lang, std::string_view key)
{
    if (auto text = lang.FindText(key))
        return std::move(*text);
    return std::string(BuiltInMessageText(key));
}

} // namespace stakor
