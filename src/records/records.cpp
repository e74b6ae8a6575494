#include "records/records.h"

#include "records/player_name.h"

#include "base/random.h"
#include "settings/atomic_file.h"
#include "settings/language.h"
#include "settings/message_texts.h"
#include "settings/paths.h"
#include "settings/user_file.h"
#include "settings/text_encoding.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace stakor {

namespace {

// Field offsets inside one 49-byte entry.
constexpr size_t NameLengthAt = 0;
constexpr size_t NameAt = 1;
constexpr size_t ScoreAt = 21;
constexpr size_t GlassModeAt = 25;
constexpr size_t StartingLevelAt = 29;
constexpr size_t LevelAt = 33;
constexpr size_t TrashLinesAt = 37;
constexpr size_t LinesAt = 41;
constexpr size_t PlayTimeAt = 45;

constexpr size_t StyleSize = TRecords::Places * TRecords::EntrySize; // 490

// Refused answers to the name prompt before the name offered is taken.
constexpr int MaxNamePrompts = 10;

int32_t ReadInt32(const uint8_t* bytes)
{
    const uint32_t value =
        uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
    return static_cast<int32_t>(value);
}

void WriteInt32(uint8_t* bytes, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
}

size_t EntryOffset(int style, int rank)
{
    if (style < 1 || style > TRecords::Styles || rank < 1 || rank > TRecords::Places)
        throw std::out_of_range(
            "No high-score place for style " + std::to_string(style) + ", rank " + std::to_string(rank));
    return static_cast<size_t>(style - 1) * StyleSize + static_cast<size_t>(rank - 1) * TRecords::EntrySize;
}

// A damaged file may claim up to 255 name bytes; never read past the 20 there are.
std::string_view NameOf(const uint8_t* entry)
{
    const size_t length = std::min<size_t>(entry[NameLengthAt], TRecords::MaxNameLength);
    return {reinterpret_cast<const char*>(entry + NameAt), length};
}

} // namespace

TRecords::TRecords(TRandom& random, std::optional<std::filesystem::path> file) : Rng(random), File(std::move(file)) {}

std::optional<std::filesystem::path> TRecords::DefaultFile()
{
    return UserFile("XDG_DATA_HOME", ".local/share", "records.dat");
}

THighScoreEntry TRecords::Entry(int style, int rank) const
{
    const uint8_t* entry = Table.data() + EntryOffset(style, rank);
    THighScoreEntry result;
    result.Name = std::string(NameOf(entry));
    result.Score = ReadInt32(entry + ScoreAt);
    result.GlassMode = ReadInt32(entry + GlassModeAt);
    result.StartingLevel = ReadInt32(entry + StartingLevelAt);
    result.Level = ReadInt32(entry + LevelAt);
    result.TrashLines = ReadInt32(entry + TrashLinesAt);
    result.Lines = ReadInt32(entry + LinesAt);
    result.PlayTime = ReadInt32(entry + PlayTimeAt);
    return result;
}

void TRecords::SetEntry(int style, int rank, const THighScoreEntry& entry)
{
    uint8_t* bytes = Table.data() + EntryOffset(style, rank);
    const size_t length = std::min(entry.Name.size(), MaxNameLength);
    bytes[NameLengthAt] = static_cast<uint8_t>(length);
    // Unused name bytes are zeroed so that equal entries give equal blocks.
    std::memset(bytes + NameAt, 0, MaxNameLength);
    std::memcpy(bytes + NameAt, entry.Name.data(), length);
    WriteInt32(bytes + ScoreAt, entry.Score);
    WriteInt32(bytes + GlassModeAt, entry.GlassMode);
    WriteInt32(bytes + StartingLevelAt, entry.StartingLevel);
    WriteInt32(bytes + LevelAt, entry.Level);
    WriteInt32(bytes + TrashLinesAt, entry.TrashLines);
    WriteInt32(bytes + LinesAt, entry.Lines);
    WriteInt32(bytes + PlayTimeAt, entry.PlayTime);
}

// Every step works on bytes and wraps modulo 256; the loop directions are part
// of the file format, so they must not be "simplified".
TRecords::TFileImage TRecords::Scramble(const TBlock& table, TRandom& random)
{
    TFileImage e{};
    for (size_t k = 0; k < BlockSize; ++k) {
        const auto r = static_cast<uint8_t>(random.Random(256));
        e[2 * k] = r;
        e[2 * k + 1] = static_cast<uint8_t>(table[k] - r);
    }
    for (size_t i = 0; i + 1 < FileSize; ++i)
        e[i] = static_cast<uint8_t>(e[i] - e[i + 1]);
    for (size_t i = FileSize - 1; i-- > 0;)
        e[i + 1] = static_cast<uint8_t>(e[i + 1] - e[i]);
    for (size_t i = 0; i + 1 < FileSize; ++i)
        e[i] = static_cast<uint8_t>(e[i] + e[i + 1]);
    return e;
}

TRecords::TBlock TRecords::Unscramble(const TFileImage& file)
{
    TFileImage d = file;
    for (size_t i = FileSize - 1; i-- > 0;)
        d[i] = static_cast<uint8_t>(d[i] - d[i + 1]);
    for (size_t i = 0; i + 1 < FileSize; ++i)
        d[i + 1] = static_cast<uint8_t>(d[i + 1] + d[i]);
    for (size_t i = FileSize - 1; i-- > 0;)
        d[i] = static_cast<uint8_t>(d[i] + d[i + 1]);
    TBlock t{};
    for (size_t k = 0; k < BlockSize; ++k)
        t[k] = static_cast<uint8_t>(d[2 * k] + d[2 * k + 1]);
    return t;
}

void TRecords::LoadRecords()
{
    Table.fill(0);
    if (!File)
        return;
    // A longer file is read by its first 4900 bytes, as a reader that asks for
    // exactly that much would; the rest is ignored. A pipe or a folder in the
    // file's place counts as a file that cannot be read.
    std::string bytes;
    if (ReadRegularFile(*File, bytes, FileSize) != TReadResult::Read || bytes.size() != FileSize)
        return;
    TFileImage image{};
    std::memcpy(image.data(), bytes.data(), FileSize);
    Table = Unscramble(image);
}

void TRecords::SaveRecords()
{
    // Scrambling comes first and always happens: a replay without a file must
    // draw the same random numbers as a game that saves.
    const TFileImage image = Scramble(Table, Rng);
    if (!File)
        return;
    WriteFileAtomically(*File, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

// A result enters only above the tenth place. Each name holds at most one
// place per style, with its best score: a player who improves moves up and
// pushes nobody out; a new name pushes the tenth place out. The table is saved
// before the dialog opens, and a failed save keeps the dialog closed.
void TRecords::AddRecord(const TGameResult& result, IRecordsUi& ui, const TLanguage& lang)
{
    // The game passes its GameStyle setting; a bad value must not index past
    // the block, so it picks the nearest table instead.
    const int style = std::clamp(result.Style, 1, Styles);
    const int32_t score = result.Score;
    auto scoreAt = [&](int rank) { return ReadInt32(Table.data() + EntryOffset(style, rank) + ScoreAt); };

    if (score == 0)
        return;
    if (scoreAt(Places) >= score)
        return;

    // Searching from the bottom puts a new score below an equal old one.
    int above = Places;
    while (above >= 1 && scoreAt(above) < score)
        --above;
    const int place = above + 1;

    // The default name comes in the pack's encoding; the table keeps
    // Windows-1252. A pack without one still offers a name, so that a cancel
    // (which takes the name offered) always ends the prompt with one.
    std::string defaultName = WithoutControls(NameFromUtf8(TextToUtf8(MessageText(lang, "MB12"))));
    if (defaultName.empty())
        defaultName = BuiltInMessageText("MB12");
    const std::string caption = MessageText(lang, "MB10");
    const std::string prompt = MessageText(lang, "MB11");
    std::string offered = WithoutControls(PlayerName);
    if (offered.empty())
        offered = defaultName;
    for (int asked = 1;; ++asked) {
        if (offered.size() > MaxNameLength)
            offered.resize(MaxNameLength);
        // Control characters are dropped before the length is judged.
        const std::string answer = WithoutControls(ui.InputName(caption, prompt, offered));
        if (!answer.empty() && answer.size() <= MaxNameLength) {
            PlayerName = answer;
            break;
        }
        // An overlong name comes back cut; an empty answer brings back the
        // name offered before, so the box never offers nothing and the score
        // is never dropped. A box that keeps answering nothing usable (no
        // player can be that patient) ends with the name it offers.
        if (!answer.empty())
            offered = answer;
        if (asked >= MaxNamePrompts) {
            offered.resize(std::min(offered.size(), MaxNameLength));
            PlayerName = offered;
            break;
        }
    }

    int match = 0;
    for (int rank = Places; rank >= 1; --rank) {
        if (NameOf(Table.data() + EntryOffset(style, rank)) == PlayerName) {
            match = rank;
            break;
        }
    }

    uint8_t* const styleBlock = Table.data() + EntryOffset(style, 1);
    if (match != 0) {
        if (scoreAt(match) >= score)
            return;
        // Removing the player's own worse entry leaves rank 10 doubled for now;
        // the shift below overwrites one copy, so the tenth player stays.
        if (match <= Places - 1)
            std::memmove(styleBlock + static_cast<size_t>(match - 1) * EntrySize,
                styleBlock + static_cast<size_t>(match) * EntrySize, static_cast<size_t>(Places - match) * EntrySize);
    }
    if (place <= Places - 1)
        std::memmove(styleBlock + static_cast<size_t>(place) * EntrySize,
            styleBlock + static_cast<size_t>(place - 1) * EntrySize, static_cast<size_t>(Places - place) * EntrySize);

    THighScoreEntry entry;
    entry.Name = PlayerName;
    entry.Score = score;
    entry.GlassMode = result.GlassMode;
    entry.StartingLevel = result.StartingLevel;
    entry.Level = result.Level;
    entry.TrashLines = result.TrashLines;
    entry.Lines = result.Lines;
    entry.PlayTime = static_cast<int32_t>(result.PlayTime);
    SetEntry(style, place, entry);

    SaveRecords();
    ui.ShowRecords();
}

} // namespace stakor
