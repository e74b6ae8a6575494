#include "settings/language.h"

#include "settings/ini.h"
#include "settings/user_file.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace stakor {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view PackExtension = ".lng";
constexpr char CtrlZ = 26;

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
        std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Menu order: case does not matter to the player, but the order must not
// depend on the folder listing, so equal names fall back to byte order.
bool NameBefore(const std::string& a, const std::string& b)
{
    const auto lower = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
    });
    if (lower)
        return true;
    if (!EqualIgnoringAsciiCase(a, b))
        return false;
    return a < b; // std::string compares bytes as unsigned
}

// A pack name comes from the settings file or the menu; it must name a file
// of the Language folder and nothing beside or above it. A NUL byte would cut
// the path short in the system call, so it is refused too.
bool IsSafePackName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name.find("..") == std::string::npos &&
        name.find('\0') == std::string::npos;
}

std::optional<std::string> ReadBytes(const fs::path& path)
{
    std::string bytes;
    if (ReadRegularFile(path, bytes) != TReadResult::Read)
        return std::nullopt;
    return bytes;
}

} // namespace

TLanguage::TLanguage(TIni& ini, std::filesystem::path languageDir) : Ini(ini), LanguageDir(std::move(languageDir)) {}

void TLanguage::FindLanguages()
{
    Names.clear();
    std::error_code ec;
    fs::directory_iterator it(LanguageDir, ec);
    // A missing or unreadable folder simply offers no packs.
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code statusEc;
        if (!it->is_regular_file(statusEc))
            continue;
        std::string fileName = it->path().filename().string();
        if (fileName.size() <= PackExtension.size())
            continue;
        const auto stem = fileName.size() - PackExtension.size();
        if (!EqualIgnoringAsciiCase(std::string_view(fileName).substr(stem), PackExtension))
            continue;
        fileName.resize(stem);
        Names.push_back(std::move(fileName));
    }
    std::sort(Names.begin(), Names.end(), NameBefore);
}

bool TLanguage::LoadLanguage(const std::string& name)
{
    if (!IsSafePackName(name))
        return false;
    const std::string wanted = name + std::string(PackExtension);

    // The menu offers the names as listed, and the setting may carry another
    // spelling than the file, so a file of the same name in other case is
    // taken too. The exact spelling is preferred; among other spellings the
    // first in byte order, so the choice does not depend on the listing.
    std::optional<std::string> bytes = ReadBytes(LanguageDir / wanted);
    if (!bytes) {
        std::vector<std::string> candidates;
        std::error_code ec;
        fs::directory_iterator it(LanguageDir, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::string fileName = it->path().filename().string();
            if (fileName != wanted && EqualIgnoringAsciiCase(fileName, wanted))
                candidates.push_back(std::move(fileName));
        }
        std::sort(candidates.begin(), candidates.end());
        for (const auto& candidate : candidates) {
            bytes = ReadBytes(LanguageDir / candidate);
            if (bytes)
                break;
        }
    }
    if (!bytes)
        return false;

    const std::string_view text(bytes->data(), std::min(bytes->size(), bytes->find(CtrlZ)));
    PoolUsed = 0;
    size_t pos = 0;
    while (true) {
        // Blanks, control bytes and line ends before a line are skipped, so
        // empty lines vanish and indentation is not part of a key.
        while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= 32)
            ++pos;
        if (pos >= text.size())
            break;
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        // A CR before the LF ends the line with it; a lone CR is dropped.
        // Either way no CR stays in the line.
        std::string line;
        line.reserve(end - pos);
        for (size_t i = pos; i < end; ++i)
            if (text[i] != '\r')
                line.push_back(text[i]);
        pos = end;
        if (line.front() != ';')
            AddLine(line);
    }

    // The pack is in force before the setting is written: a refused write
    // reaches the caller as an error, but the texts are already usable.
    Loaded_ = true;
    // The same name again (every start) is not written: nothing changed.
    if (Ini.Language() != name)
        Ini.SetLanguage(name);
    return true;
}

void TLanguage::AddLine(std::string_view line)
{
    // Entries are zero-terminated in the pool; a NUL inside the line would
    // otherwise split it into two entries, the second one a forged key.
    line = line.substr(0, line.find('\0'));
    const size_t needed = PoolUsed + line.size() + 1;
    if (Pool.size() < needed) {
        const size_t blocks = (needed - Pool.size() + 1023) / 1024;
        Pool.resize(Pool.size() + blocks * 1024);
    }
    std::copy(line.begin(), line.end(), Pool.begin() + static_cast<std::ptrdiff_t>(PoolUsed));
    Pool[PoolUsed + line.size()] = '\0';
    PoolUsed = needed;
}

std::string TLanguage::GetText(std::string_view key) const
{
    return FindText(key).value_or(std::string());
}

std::optional<std::string> TLanguage::FindText(std::string_view key) const
{
    if (!Loaded_)
        return std::nullopt;
    size_t pos = 0;
    while (pos < PoolUsed) {
        const std::string_view entry(Pool.data() + pos);
        const size_t equals = entry.find('=');
        if (entry.substr(0, equals) == key) {
            if (equals == std::string_view::npos)
                return std::string();
            return std::string(entry.substr(equals + 1));
        }
        pos += entry.size() + 1;
    }
    return std::nullopt;
}

} // namespace stakor
