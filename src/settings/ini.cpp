// The settings file is a registry export of our one key:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CURRENT_USER\Software\Orvelan Games\Vexamo Stakor]
//     "GameStyle"=dword:00000003
//     "Language"="_English"
//
// Written form: integers and booleans as dword: with eight lower-case hex
// digits (the 32-bit pattern, so -1 is ffffffff); strings in quotes with "\\"
// for a backslash, "\"" for a quote and "\xHH" for bytes below 0x20 and for
// 0x7f, so that no value can break its line; all other bytes as they are.
//
// The file may have been edited by hand or damaged, so reading is forgiving:
// - a UTF-8 byte-order mark is skipped, CRLF reads like LF, a missing header
//   or a missing final line end does no harm;
// - only lines in our key's section count, and lines before any section
//   header, which a hand-written file may have; other sections are ignored;
// - a line must look like "Name"=data (blanks around '=' allowed), anything
//   else is skipped; names compare without regard to ASCII case, and of
//   several values with one name the last wins, as an import would do;
// - hex data continued on the next line with a trailing backslash belongs to
//   its value;
// - dword: takes exactly eight hex digits (fewer may be a number cut short)
//   and a string needs its closing quote; anything else (hex:, hex(2):, a
//   truncated line, ...) is a value of another type, which gives the default
//   of that setting only;
// - in a string, a backslash before anything other than \, " or two hex
//   digits is kept as it is (a hand-typed path "Skin\a.bmp" survives).
//
// A write re-reads the file, changes the one line of its value in place (or
// adds it at the end of our section) and writes the whole file again. Lines it
// writes end as the file's first line does (CRLF in a new file, as a registry
// export has them), so a file never gains a second kind of line end; every
// other line, readable or not, stays as it was down to its line end (a line
// ending in two CRs keeps both), so values written meanwhile by someone else
// and values of the wrong type are not lost. The result is read back before it
// is written: unless it gives the new value and every other value as before,
// the write is refused.
#include "settings/ini.h"

#include "settings/atomic_file.h"
#include "settings/paths.h"
#include "settings/user_file.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

namespace stakor {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor";
constexpr std::string_view kDword = "dword:";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr char kHexDigits[] = "0123456789abcdef";

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = LowerAscii(c);
    return result;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string Quote(std::string_view text)
{
    std::string result = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            result += '\\';
            result += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            result += "\\x";
            result += kHexDigits[byte >> 4];
            result += kHexDigits[byte & 15];
        } else {
            result += c;
        }
    }
    return result + '"';
}

// Reads a quoted text at the start of `text`; `rest` gets what follows the
// closing quote. Nothing when the closing quote is missing.
std::optional<std::string> Unquote(std::string_view text, std::string_view* rest = nullptr)
{
    if (text.empty() || text.front() != '"')
        return std::nullopt;
    std::string result;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            if (rest)
                *rest = text.substr(i + 1);
            return result;
        }
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '\\' || next == '"') {
                result += next;
                ++i;
                continue;
            }
            if (next == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
                result += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
                i += 3;
                continue;
            }
        }
        result += c;
    }
    return std::nullopt;
}

std::optional<uint32_t> DecodeDword(std::string_view data)
{
    if (data.size() < kDword.size() || !EqualNoCase(data.substr(0, kDword.size()), kDword))
        return std::nullopt;
    const std::string_view digits = Trim(data.substr(kDword.size()));
    if (digits.size() != 8)
        return std::nullopt;
    uint32_t value = 0;
    for (const char c : digits) {
        const int digit = HexValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

// The stored text, cut at its first zero byte as the registry does.
std::optional<std::string> DecodeString(std::string_view data)
{
    std::string_view rest;
    std::optional<std::string> text = Unquote(data, &rest);
    if (!text || !Trim(rest).empty())
        return std::nullopt;
    if (const size_t zero = text->find('\0'); zero != std::string::npos)
        text->resize(zero);
    return text;
}

std::string EncodeDword(uint32_t value)
{
    std::string result(kDword);
    for (int shift = 28; shift >= 0; shift -= 4)
        result += kHexDigits[(value >> shift) & 15];
    return result;
}

struct TValueLine {
    std::string Name;
    std::string_view Data;
};

std::optional<TValueLine> ParseValueLine(std::string_view line)
{
    std::string_view rest;
    std::optional<std::string> name = Unquote(line, &rest);
    if (!name)
        return std::nullopt;
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=')
        return std::nullopt;
    return TValueLine{std::move(*name), Trim(rest.substr(1))};
}

// One value of our key as found in the file: its lines and its data.
struct TEntry {
    size_t First = 0;
    size_t Count = 0;
    std::string Name;
    std::string Data;
};

struct TParsedFile {
    std::vector<std::string> Lines;
    // Each line as it stands in the file, its line end included.
    std::vector<std::string_view> Raw;
    std::vector<TEntry> Values;
    bool HasHeader = false;
    // The line after which a new value joins our section, if there is one.
    std::optional<size_t> SectionEnd;
    // The first line of the value that ends our section when its data is
    // left open by a trailing backslash at the end of the file: a line added
    // after it would become part of it, so new values go before it.
    std::optional<size_t> OpenValueStart;
};

// `bytes` must outlive the result, whose Raw lines point into it.
TParsedFile Parse(std::string_view bytes)
{
    TParsedFile file;
    if (bytes.starts_with(kBom))
        bytes.remove_prefix(kBom.size());
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        const size_t rawSize = end == std::string_view::npos ? bytes.size() : end + 1;
        std::string_view line = bytes.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        file.Lines.emplace_back(line);
        file.Raw.push_back(bytes.substr(0, rawSize));
        bytes.remove_prefix(rawSize);
    }

    enum { BeforeAnySection, OurSection, OtherSection } where = BeforeAnySection;
    bool seenContent = false;
    for (size_t i = 0; i < file.Lines.size(); ++i) {
        const std::string_view line = Trim(file.Lines[i]);
        if (line.empty())
            continue;
        if (!seenContent) {
            seenContent = true;
            if (EqualNoCase(line, kHeader) || EqualNoCase(line, kOldHeader)) {
                file.HasHeader = true;
                continue;
            }
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const bool ours = EqualNoCase(Trim(line.substr(1, line.size() - 2)), kKey);
            where = ours ? OurSection : OtherSection;
            if (ours)
                file.SectionEnd = i;
            continue;
        }
        if (where == OtherSection)
            continue;
        std::optional<TValueLine> value = ParseValueLine(line);
        if (!value)
            continue;
        TEntry entry{i, 1, std::move(value->Name), std::string(value->Data)};
        while (!entry.Data.starts_with('"') && entry.Data.ends_with('\\') && i + 1 < file.Lines.size()) {
            entry.Data.pop_back();
            entry.Data += Trim(file.Lines[++i]);
            ++entry.Count;
        }
        if (where == OurSection) {
            file.SectionEnd = i;
            const bool open = !entry.Data.starts_with('"') && entry.Data.ends_with('\\');
            file.OpenValueStart = open ? std::optional<size_t>(entry.First) : std::nullopt;
        }
        file.Values.push_back(std::move(entry));
    }
    return file;
}

// What the values of our key read as: the last data of each name.
std::map<std::string, std::string> ReadValues(std::string_view bytes)
{
    std::map<std::string, std::string> values;
    for (TEntry& entry : Parse(bytes).Values)
        values[Lower(entry.Name)] = std::move(entry.Data);
    return values;
}

// The line end the file uses: that of its first line; CRLF when it has none.
std::string_view LineEnd(std::string_view bytes)
{
    const size_t end = bytes.find('\n');
    return end == std::string_view::npos || (end > 0 && bytes[end - 1] == '\r') ? "\r\n" : "\n";
}

// The file with the value `name` set to `data`: the last line that held it
// now holds the new line, earlier duplicates are gone, everything else stays
// byte for byte.
std::string Replace(std::string_view bytes, std::string_view name, std::string_view data)
{
    const TParsedFile file = Parse(bytes);
    const std::string_view eol = LineEnd(bytes);
    const std::string newLine = Quote(name) + '=' + std::string(data) + std::string(eol);

    enum class TAction { Keep, Drop, Replace };
    std::vector<TAction> actions(file.Lines.size(), TAction::Keep);
    const TEntry* last = nullptr;
    for (const TEntry& entry : file.Values) {
        if (!EqualNoCase(entry.Name, name))
            continue;
        if (last)
            std::fill_n(actions.begin() + static_cast<ptrdiff_t>(last->First), last->Count, TAction::Drop);
        last = &entry;
    }

    std::string result;
    // A line added after another must start a line of its own.
    const auto addLine = [&result, eol](std::string_view line) {
        if (!result.empty() && result.back() != '\n')
            result += eol;
        result += line;
    };
    constexpr size_t Nowhere = std::string_view::npos;
    const size_t addBefore = !last && file.OpenValueStart ? *file.OpenValueStart : Nowhere;
    const size_t addAfter = !last && addBefore == Nowhere && file.SectionEnd ? *file.SectionEnd : Nowhere;
    if (!file.HasHeader) {
        result += kHeader;
        result += eol;
        result += eol;
    }
    if (last) {
        std::fill_n(actions.begin() + static_cast<ptrdiff_t>(last->First), last->Count, TAction::Drop);
        actions[last->First] = TAction::Replace;
    }
    std::string_view previous;
    for (size_t i = 0; i < file.Lines.size(); ++i) {
        if (addBefore == i)
            addLine(newLine);
        if (actions[i] == TAction::Keep) {
            result += file.Raw[i];
            previous = file.Lines[i];
        } else if (actions[i] == TAction::Replace) {
            addLine(newLine);
        }
        if (addAfter == i)
            addLine(newLine);
    }
    if (!last && !file.SectionEnd) {
        addLine("");
        if (!Trim(previous).empty())
            result += eol;
        result += "[" + std::string(kKey) + "]" + std::string(eol);
        result += newLine;
    }
    return result;
}

// False when the value cannot be written so that it reads back.
bool WriteValue(const std::filesystem::path& path, const char* name, std::string_view data)
{
    std::string bytes;
    // Writing over a file we could not read would lose every other value.
    if (ReadRegularFile(path, bytes) == TReadResult::Failed)
        return false;
    const std::string written = Replace(bytes, name, data);
    // Whatever the damage in the file, the new value must read back and
    // every other value must read as it did.
    std::map<std::string, std::string> expected = ReadValues(bytes);
    expected[Lower(name)] = std::string(data);
    if (ReadValues(written) != expected)
        return false;
    try {
        // The file may hold the disguise's password.
        WriteFileAtomically(path, written, TNewFileMode::Private);
    } catch (const TFileWriteError&) {
        return false;
    }
    return true;
}

} // namespace

TIni::TIni(std::optional<std::filesystem::path> file) : File(std::move(file))
{
    if (File) {
        std::string bytes;
        // An unreadable file leaves every setting at its default, silently.
        if (ReadRegularFile(*File, bytes) == TReadResult::Read)
            Stored = ReadValues(bytes);
    }

    // The defaults are the members' initial values.
    BossEnable_ = LoadBool("BossEnable", BossEnable_);
    BossFile_ = LoadString("BossFile", BossFile_);
    BossIconNumber_ = LoadInteger("BossIconNumber", BossIconNumber_);
    BossPassword_ = LoadString("BossPassword", BossPassword_);
    BossTitle_ = LoadString("BossTitle", BossTitle_);
    FigureRotateClockWise_ = LoadBool("FigureRotateClockWise", FigureRotateClockWise_);
    GameStyle_ = LoadInteger("GameStyle", GameStyle_);
    GlassBgColor_ = LoadInteger("GlassBgColor", GlassBgColor_);
    GlassBgFileName_ = LoadString("GlassBgFileName", GlassBgFileName_);
    GlassBgStretch_ = LoadBool("GlassBgStretch", GlassBgStretch_);
    GlassFontFileName_ = LoadString("GlassFontFileName", GlassFontFileName_);
    GlassGridColor_ = LoadInteger("GlassGridColor", GlassGridColor_);
    GlassMode_ = LoadInteger("GlassMode", GlassMode_);
    GlassShowGrid_ = LoadBool("GlassShowGrid", GlassShowGrid_);
    GlassShowTime_ = LoadBool("GlassShowTime", GlassShowTime_);
    GlassTrash_ = LoadInteger("GlassTrash", GlassTrash_);
    Language_ = LoadString("Language", Language_);
    PlayMusic_ = LoadBool("PlayMusic", PlayMusic_);
    PlaySound_ = LoadBool("PlaySound", PlaySound_);
    StartingLevel_ = LoadInteger("StartingLevel", StartingLevel_);
    UpSideDownMode_ = LoadBool("UpSideDownMode", UpSideDownMode_);
    KeyLeft_ = LoadString("KeyLeft", KeyLeft_);
    KeyRight_ = LoadString("KeyRight", KeyRight_);
    KeyRotate_ = LoadString("KeyRotate", KeyRotate_);
    KeyRotateBack_ = LoadString("KeyRotateBack", KeyRotateBack_);
    KeyDrop_ = LoadString("KeyDrop", KeyDrop_);
    KeyPause_ = LoadString("KeyPause", KeyPause_);
    UseGamepad_ = LoadBool("UseGamepad", UseGamepad_);
    ShowShadow_ = LoadBool("ShowShadow", ShowShadow_);
    Stored.clear();
}

std::optional<std::filesystem::path> TIni::DefaultFile()
{
    return UserFile("XDG_CONFIG_HOME", ".config", "settings.reg");
}

bool TIni::LoadBool(const char* name, bool fallback) const
{
    const auto found = Stored.find(Lower(name));
    if (found == Stored.end())
        return fallback;
    const std::optional<uint32_t> value = DecodeDword(found->second);
    return value ? *value != 0 : fallback;
}

int32_t TIni::LoadInteger(const char* name, int32_t fallback) const
{
    const auto found = Stored.find(Lower(name));
    if (found == Stored.end())
        return fallback;
    const std::optional<uint32_t> value = DecodeDword(found->second);
    return value ? static_cast<int32_t>(*value) : fallback;
}

std::string TIni::LoadString(const char* name, const std::string& fallback) const
{
    const auto found = Stored.find(Lower(name));
    if (found == Stored.end())
        return fallback;
    const std::optional<std::string> value = DecodeString(found->second);
    // The first character is the "_" that tells an empty text from a missing one.
    return value && !value->empty() ? value->substr(1) : fallback;
}

void TIni::Save(const char* name, std::string_view data)
{
    if (!File || WriteValue(*File, name, data))
        return;
    TSettingsError error("Failed to set data for '" + std::string(name) + "'");
    if (!RefusedWrite)
        throw error;
    RefusedWrite(error);
}

void TIni::SaveBool(const char* name, bool value)
{
    Save(name, EncodeDword(value ? 1 : 0));
}

void TIni::SaveInteger(const char* name, int32_t value)
{
    Save(name, EncodeDword(static_cast<uint32_t>(value)));
}

void TIni::SaveString(const char* name, const std::string& value)
{
    Save(name, Quote("_" + value));
}

#define STAKOR_SETTER(Name, Type, Save)                                                                                \
    void TIni::Set##Name(Type value)                                                                                   \
    {                                                                                                                  \
        Name##_ = value;                                                                                               \
        Save(#Name, value);                                                                                            \
    }
STAKOR_SETTER(BossEnable, bool, SaveBool)
STAKOR_SETTER(BossFile, const std::string&, SaveString)
STAKOR_SETTER(BossIconNumber, int32_t, SaveInteger)
STAKOR_SETTER(BossPassword, const std::string&, SaveString)
STAKOR_SETTER(BossTitle, const std::string&, SaveString)
STAKOR_SETTER(FigureRotateClockWise, bool, SaveBool)
STAKOR_SETTER(GameStyle, int32_t, SaveInteger)
STAKOR_SETTER(GlassBgColor, int32_t, SaveInteger)
STAKOR_SETTER(GlassBgFileName, const std::string&, SaveString)
STAKOR_SETTER(GlassBgStretch, bool, SaveBool)
STAKOR_SETTER(GlassFontFileName, const std::string&, SaveString)
STAKOR_SETTER(GlassGridColor, int32_t, SaveInteger)
STAKOR_SETTER(GlassMode, int32_t, SaveInteger)
STAKOR_SETTER(GlassShowGrid, bool, SaveBool)
STAKOR_SETTER(GlassShowTime, bool, SaveBool)
STAKOR_SETTER(GlassTrash, int32_t, SaveInteger)
STAKOR_SETTER(Language, const std::string&, SaveString)
STAKOR_SETTER(PlayMusic, bool, SaveBool)
STAKOR_SETTER(PlaySound, bool, SaveBool)
STAKOR_SETTER(StartingLevel, int32_t, SaveInteger)
STAKOR_SETTER(UpSideDownMode, bool, SaveBool)
STAKOR_SETTER(KeyLeft, const std::string&, SaveString)
STAKOR_SETTER(KeyRight, const std::string&, SaveString)
STAKOR_SETTER(KeyRotate, const std::string&, SaveString)
STAKOR_SETTER(KeyRotateBack, const std::string&, SaveString)
STAKOR_SETTER(KeyDrop, const std::string&, SaveString)
STAKOR_SETTER(KeyPause, const std::string&, SaveString)
STAKOR_SETTER(UseGamepad, bool, SaveBool)
STAKOR_SETTER(ShowShadow, bool, SaveBool)
#undef STAKOR_SETTER

} // namespace stakor
