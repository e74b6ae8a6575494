#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stakor {

class TIni;

// The loaded language pack: every caption and message text by key.
//
// A pack is "Language/<name>.lng", lines of key=value read as bytes. Before each
// line every byte 0..32 is skipped; ";" starts a comment line; a CR not
// followed by LF is dropped; Ctrl-Z ends the text; the first "=" splits key and
// value; the first entry of a key wins; keys compare exactly, with case.
class TLanguage {
public:
    TLanguage(TIni& ini, std::filesystem::path languageDir);

    // Lists the packs of the folder: files whose name ends in ".lng" in any
    // case, stored without those four characters.
    void FindLanguages();

    // Loads the pack of that name (found without regard to case) and stores the
    // name, spelled as passed, in the Language setting. False when the pack
    // cannot be read; the previous pack then stays in force. May throw
    // TSettingsError when the setting cannot be written; the pack is loaded then.
    bool LoadLanguage(const std::string& name);

    // The value for the key as bytes of the pack; empty when the key is missing
    // or no pack has been loaded.
    std::string GetText(std::string_view key) const;
    // The value for the key, or nothing when the loaded pack has no entry for
    // it (and always while no pack is loaded).
    std::optional<std::string> FindText(std::string_view key) const;

    const std::vector<std::string>& LanguageNames() const { return Names; }
    bool Loaded() const { return Loaded_; }
    const std::filesystem::path& Folder() const { return LanguageDir; }

private:
    void AddLine(std::string_view line);

    TIni& Ini;
    std::filesystem::path LanguageDir;
    std::vector<std::string> Names;
    bool Loaded_ = false;
    // The entries of the loaded pack, each a line followed by a zero byte.
    std::vector<char> Pool = std::vector<char>(1024);
    size_t PoolUsed = 0;
};

} // namespace stakor
