#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace stakor {

class TRandom;
class TLanguage;

// One place of a high-score table, as stored: 49 bytes, little-endian.
struct THighScoreEntry {
    std::string Name; // at most 20 bytes, Windows-1252 (see player_name.h)
    int32_t Score = 0; // 0 is an empty place
    int32_t GlassMode = 0;
    int32_t StartingLevel = 0;
    int32_t Level = 0;
    int32_t TrashLines = 0;
    int32_t Lines = 0;
    int32_t PlayTime = 0;
};

// The result the game offers when it is over.
struct TGameResult {
    int32_t Style = 0; // 1..5
    int32_t Score = 0;
    uint32_t PlayTime = 0;
    int32_t Lines = 0;
    int32_t TrashLines = 0;
    int32_t Level = 0;
    int32_t StartingLevel = 0;
    int32_t GlassMode = 0;
};

// What AddRecord asks of the player and the screen.
class IRecordsUi {
public:
    virtual ~IRecordsUi() = default;
    // A box with a caption, one prompt line, an edit field preset with `preset`,
    // OK and Cancel. Gives the text entered, or `preset` on Cancel.
    virtual std::string InputName(const std::string& caption, const std::string& prompt, const std::string& preset) = 0;
    // Opens the high-scores dialog on the tab of the current game style.
    virtual void ShowRecords() = 0;
};

// The high-score tables: ten places for each of the five game styles, kept in
// memory as one 2450-byte block and stored scrambled as 4900 bytes.
class TRecords {
public:
    static constexpr int Styles = 5;
    static constexpr int Places = 10;
    static constexpr size_t EntrySize = 49;
    static constexpr size_t BlockSize = Styles * Places * EntrySize; // 2450
    static constexpr size_t FileSize = 2 * BlockSize; // 4900
    static constexpr size_t MaxNameLength = 20;

    using TBlock = std::array<uint8_t, BlockSize>;
    using TFileImage = std::array<uint8_t, FileSize>;

    // Without a file nothing is read or written, but saving still scrambles
    // (and so draws its random bytes), as the replays expect.
    TRecords(TRandom& random, std::optional<std::filesystem::path> file);

    // $XDG_DATA_HOME (or ~/.local/share) / "Orvelan Games/Vexamo Stakor/records.dat".
    static std::optional<std::filesystem::path> DefaultFile();

    // Empties every table, then reads the file if it can be read whole.
    void LoadRecords();
    // Writes the whole table, scrambled with 2450 fresh random bytes, replacing
    // the file atomically. Throws TFileWriteError when the file cannot be
    // written; the table in memory and the old file stay as they were.
    void SaveRecords();
    // Offers a finished game's result; may ask for the name, insert, save and
    // show the table. See the rules in records.cpp.
    void AddRecord(const TGameResult& result, IRecordsUi& ui, const TLanguage& lang);

    // style 1..5, rank 1..10.
    THighScoreEntry Entry(int style, int rank) const;
    void SetEntry(int style, int rank, const THighScoreEntry& entry);

    // The records file, if the table has one.
    const std::optional<std::filesystem::path>& Path() const { return File; }

    const TBlock& Block() const { return Table; }
    TBlock& Block() { return Table; }

    static TFileImage Scramble(const TBlock& table, TRandom& random);
    static TBlock Unscramble(const TFileImage& file);

    // The name entered last; kept for the run only.
    std::string PlayerName;

private:
    TRandom& Rng;
    std::optional<std::filesystem::path> File;
    TBlock Table{};
};

} // namespace stakor
