// Offering a game's result to the high-score table.
#include "records/records.h"

#include "base/random.h"
#include "records_test_support.h"
#include "settings/atomic_file.h"
#include "settings/ini.h"
#include "settings/language.h"

#include <gtest/gtest.h>

#include <deque>
#include <utility>

namespace stakor {
namespace {

using test::ReadBytes;
using test::TTempFolder;
using test::WriteBytes;

// Answers the name prompt from a script (Cancel, i.e. the preset, once the
// script runs out) and notes every call, with what the file and the random
// generator looked like at that moment, so the order of prompt, save and
// dialog can be checked.
class TFakeUi : public IRecordsUi {
public:
    struct TPrompt {
        std::string Caption, Prompt, Preset;
        uint32_t SeedThen;
    };

    TFakeUi(const TRandom& rng, std::filesystem::path file) : Rng(rng), File(std::move(file)) {}

    std::string InputName(const std::string& caption, const std::string& prompt, const std::string& preset) override
    {
        Calls.push_back("prompt");
        Prompts.push_back({caption, prompt, preset, Rng.Seed});
        if (Prompts.size() > 50)
            throw std::runtime_error("the name prompt does not stop coming back");
        if (Answers.empty())
            return preset;
        std::string answer = std::move(Answers.front());
        Answers.pop_front();
        return answer;
    }

    void ShowRecords() override
    {
        Calls.push_back("dialog");
        FileSizeAtDialog = std::filesystem::exists(File) ? ReadBytes(File).size() : 0;
        SeedAtDialog = Rng.Seed;
    }

    std::deque<std::string> Answers;
    std::vector<std::string> Calls;
    std::vector<TPrompt> Prompts;
    size_t FileSizeAtDialog = 0;
    uint32_t SeedAtDialog = 0;

private:
    const TRandom& Rng;
    std::filesystem::path File;
};

struct TPlace {
    std::string Name;
    int32_t Score;
    bool operator==(const TPlace&) const = default;
};

class AddRecord : public ::testing::Test {
protected:
    AddRecord() : Records(Rng, FilePath()), Ui(Rng, FilePath()), Lang(Ini, Folder.Path / "Language") {}

    std::filesystem::path FilePath() const { return Folder.Path / "records.dat"; }

    void Fill(int style, const std::vector<TPlace>& places)
    {
        int rank = 1;
        for (const TPlace& place : places) {
            THighScoreEntry entry;
            entry.Name = place.Name;
            entry.Score = place.Score;
            entry.Lines = rank; // marks where the entry came from
            Records.SetEntry(style, rank++, entry);
        }
    }

    std::vector<TPlace> Table(int style) const
    {
        std::vector<TPlace> places;
        for (int rank = 1; rank <= TRecords::Places; ++rank) {
            const THighScoreEntry entry = Records.Entry(style, rank);
            places.push_back({entry.Name, entry.Score});
        }
        return places;
    }

    // The game ends with `score`; the player answers whatever Ui.Answers holds.
    void Play(int32_t score, int32_t style = 3)
    {
        TGameResult result;
        result.Style = style;
        result.Score = score;
        Records.AddRecord(result, Ui, Lang);
    }

    void Offer(const std::string& answer, int32_t score, int32_t style = 3)
    {
        Ui.Answers.push_back(answer);
        Play(score, style);
    }

    // Nothing was written and no random number drawn for a save.
    void ExpectNotSaved() const
    {
        EXPECT_FALSE(std::filesystem::exists(FilePath()));
        EXPECT_EQ(Rng.Seed, StartSeed);
    }

    static constexpr uint32_t StartSeed = 777;
    TTempFolder Folder;
    TRandom Rng{StartSeed};
    TRecords Records;
    TFakeUi Ui;
    TIni Ini{std::nullopt};
    TLanguage Lang; // no pack loaded: every text is empty
};

void PrintTo(const TPlace& place, std::ostream* os)
{
    *os << place.Name << ":" << place.Score;
}

std::vector<TPlace> Empties(size_t count)
{
    return std::vector<TPlace>(count, TPlace{"", 0});
}

std::vector<TPlace> Concat(std::vector<TPlace> a, const std::vector<TPlace>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// --- Results that do not enter ---

TEST_F(AddRecord, ScoreZeroAsksNothing)
{
    Offer("Ann", 0);
    EXPECT_TRUE(Ui.Calls.empty());
    EXPECT_EQ(Table(3), Empties(10));
    ExpectNotSaved();
}

TEST_F(AddRecord, ScoreNotAboveTheTenthPlaceAsksNothing)
{
    Fill(3, std::vector<TPlace>(10, TPlace{"X", 500}));
    const auto before = Records.Block();
    Offer("Ann", 500);
    EXPECT_TRUE(Ui.Calls.empty());
    EXPECT_EQ(Records.Block(), before);
    ExpectNotSaved();
}

TEST_F(AddRecord, OwnBetterEntryStopsAfterThePrompt)
{
    Fill(3, {{"Bob", 900}, {"Ann", 800}});
    Records.PlayerName = "Ann";
    const auto before = Records.Block();
    Ui.Answers.push_back("Ann");
    Play(700);

    EXPECT_EQ(Ui.Calls, (std::vector<std::string>{"prompt"}));
    EXPECT_EQ(Ui.Prompts[0].Preset, "Ann");
    EXPECT_EQ(Records.Block(), before);
    ExpectNotSaved();
}

TEST_F(AddRecord, EqualOwnScoreAlsoStops)
{
    Fill(3, {{"Ann", 800}});
    const auto before = Records.Block();
    Offer("Ann", 800);
    EXPECT_EQ(Records.Block(), before);
    EXPECT_EQ(Ui.Calls, (std::vector<std::string>{"prompt"}));
}

// --- Where a new entry goes ---

TEST_F(AddRecord, NewScoreGoesBelowEqualScores)
{
    Fill(3, {{"A", 900}, {"B", 500}, {"C", 500}, {"D", 300}});
    Offer("Eve", 500);
    EXPECT_EQ(Table(3), Concat({{"A", 900}, {"B", 500}, {"C", 500}, {"Eve", 500}, {"D", 300}}, Empties(5)));
}

TEST_F(AddRecord, NewNameInAFullTableDropsTheTenth)
{
    Fill(3,
        {{"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"F", 500}, {"G", 400}, {"H", 300}, {"I", 200},
            {"J", 100}});
    Offer("Zed", 550);
    EXPECT_EQ(Table(3),
        (std::vector<TPlace>{{"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"Zed", 550}, {"F", 500},
            {"G", 400}, {"H", 300}, {"I", 200}}));
}

TEST_F(AddRecord, NewScoreAtRankNinePushesTheNinthDown)
{
    Fill(3,
        {{"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"F", 500}, {"G", 400}, {"H", 300}, {"I", 200},
            {"J", 100}});
    Offer("Zed", 250);
    EXPECT_EQ(Table(3),
        (std::vector<TPlace>{{"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"F", 500}, {"G", 400},
            {"H", 300}, {"Zed", 250}, {"I", 200}}));
}

TEST_F(AddRecord, SameNameIsLookedForFromTheBottom)
{
    // Only a damaged or edited file holds a name twice; the lowest one counts.
    Fill(3,
        {{"A", 1000}, {"B", 950}, {"Ann", 900}, {"C", 800}, {"D", 400}, {"E", 300}, {"F", 250}, {"Ann", 200},
            {"G", 150}, {"H", 100}});
    Offer("Ann", 500);
    EXPECT_EQ(Table(3),
        (std::vector<TPlace>{{"A", 1000}, {"B", 950}, {"Ann", 900}, {"C", 800}, {"Ann", 500}, {"D", 400}, {"E", 300},
            {"F", 250}, {"G", 150}, {"H", 100}}));
}

TEST_F(AddRecord, ImprovedOwnEntryMovesUpAndKeepsTheTenth)
{
    Fill(3,
        {{"A", 1000}, {"B", 950}, {"C", 900}, {"D", 800}, {"E", 700}, {"F", 600}, {"Ann", 300}, {"G", 200}, {"H", 100},
            {"I", 50}});
    Offer("Ann", 850);
    EXPECT_EQ(Table(3),
        (std::vector<TPlace>{{"A", 1000}, {"B", 950}, {"C", 900}, {"Ann", 850}, {"D", 800}, {"E", 700}, {"F", 600},
            {"G", 200}, {"H", 100}, {"I", 50}}));
    // Ranks 8 to 10 are the very same entries, not copies of neighbours.
    EXPECT_EQ(Records.Entry(3, 8).Lines, 8);
    EXPECT_EQ(Records.Entry(3, 10).Lines, 10);
    EXPECT_EQ(Records.Entry(3, 5).Lines, 4);
}

TEST_F(AddRecord, ImprovedOwnEntryAtRankNineKeepsTheTenth)
{
    Fill(3,
        {{"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"F", 500}, {"G", 400}, {"H", 300}, {"Ann", 200},
            {"J", 100}});
    Offer("Ann", 550);
    EXPECT_EQ(Table(3),
        (std::vector<TPlace>{{"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"Ann", 550}, {"F", 500},
            {"G", 400}, {"H", 300}, {"J", 100}}));
}

TEST_F(AddRecord, ImprovedOwnEntryAtRankTenIsReplaced)
{
    Fill(3,
        {{"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"F", 500}, {"G", 400}, {"H", 300}, {"I", 200},
            {"Ann", 100}});
    Offer("Ann", 150);
    EXPECT_EQ(Table(3)[9], (TPlace{"Ann", 150}));
    EXPECT_EQ(Table(3)[8], (TPlace{"I", 200}));

    Offer("Ann", 2000);
    EXPECT_EQ(Table(3),
        (std::vector<TPlace>{{"Ann", 2000}, {"A", 1000}, {"B", 900}, {"C", 800}, {"D", 700}, {"E", 600}, {"F", 500},
            {"G", 400}, {"H", 300}, {"I", 200}}));
}

TEST_F(AddRecord, NamesDifferingInCaseAreDifferentPlayers)
{
    Fill(3, {{"Bob", 900}, {"Ann", 800}});
    Offer("ann", 700);
    EXPECT_EQ(Table(3), Concat({{"Bob", 900}, {"Ann", 800}, {"ann", 700}}, Empties(7)));
}

TEST_F(AddRecord, StoresTheWholeResultInTheTableOfItsStyle)
{
    Ui.Answers.push_back("Ann");
    TGameResult result{.Style = 4,
        .Score = 1234,
        .PlayTime = 3000000000u,
        .Lines = 56,
        .TrashLines = 7,
        .Level = 12,
        .StartingLevel = 3,
        .GlassMode = 3};
    Records.AddRecord(result, Ui, Lang);

    const THighScoreEntry entry = Records.Entry(4, 1);
    EXPECT_EQ(entry.Name, "Ann");
    EXPECT_EQ(entry.Score, 1234);
    EXPECT_EQ(static_cast<uint32_t>(entry.PlayTime), 3000000000u);
    EXPECT_EQ(entry.Lines, 56);
    EXPECT_EQ(entry.TrashLines, 7);
    EXPECT_EQ(entry.Level, 12);
    EXPECT_EQ(entry.StartingLevel, 3);
    EXPECT_EQ(entry.GlassMode, 3);
    for (int style : {1, 2, 3, 5})
        EXPECT_EQ(Table(style), Empties(10)) << "style " << style;
}

TEST_F(AddRecord, StyleOutsideTheTablesIsClamped)
{
    Offer("Low", 10, 0);
    Offer("High", 20, 99);
    Offer("Negative", 30, -5);
    EXPECT_EQ(Table(1), Concat({{"Negative", 30}, {"Low", 10}}, Empties(8)));
    EXPECT_EQ(Table(5), Concat({{"High", 20}}, Empties(9)));
}

// --- The name prompt ---

TEST_F(AddRecord, OverlongAnswerIsRefusedAndOfferedCut)
{
    Ui.Answers = {"ABCDEFGHIJKLMNOPQRSTUVWXY"}; // 25; then the player takes the preset
    Play(100);
    ASSERT_EQ(Ui.Prompts.size(), 2u);
    EXPECT_EQ(Ui.Prompts[1].Preset, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(Records.Entry(3, 1).Name, "ABCDEFGHIJKLMNOPQRST");
}

TEST_F(AddRecord, ExactlyTwentyCharactersAreAccepted)
{
    Offer("ABCDEFGHIJKLMNOPQRST", 100);
    EXPECT_EQ(Ui.Prompts.size(), 1u);
    EXPECT_EQ(Records.Entry(3, 1).Name, "ABCDEFGHIJKLMNOPQRST");
}

TEST_F(AddRecord, OverlongLastNameIsCutBeforeItIsOffered)
{
    Records.PlayerName = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    Offer("Ann", 100);
    EXPECT_EQ(Ui.Prompts[0].Preset, "ABCDEFGHIJKLMNOPQRST");
}

TEST_F(AddRecord, LastNameIsOfferedAgainInTheNextGame)
{
    Offer("Ann", 100);
    Play(50); // the player takes the preset
    EXPECT_EQ(Ui.Prompts[1].Preset, "Ann");
    EXPECT_EQ(Records.PlayerName, "Ann");
    // Ann's 50 does not beat her 100: nothing new.
    EXPECT_EQ(Table(3), Concat({{"Ann", 100}}, Empties(9)));
}

TEST_F(AddRecord, EmptyAnswerBringsTheNameBackAndNeverLosesTheScore)
{
    // The player clears the box and presses Enter: the prompt comes back with
    // the name it offered, and a second Enter (or Esc) takes that name.
    Records.PlayerName = "Ann";
    Ui.Answers = {"", ""};
    Play(100);
    ASSERT_EQ(Ui.Prompts.size(), 3u);
    EXPECT_EQ(Ui.Prompts[1].Preset, "Ann");
    EXPECT_EQ(Ui.Prompts[2].Preset, "Ann");
    EXPECT_EQ(Table(3), Concat({{"Ann", 100}}, Empties(9)));
    EXPECT_EQ(Ui.Calls.back(), "dialog");
    EXPECT_EQ(ReadBytes(FilePath()).size(), TRecords::FileSize);

    // A name typed after an empty answer is taken as usual.
    Ui.Answers = {"", "Bob"};
    Play(200);
    EXPECT_EQ(Ui.Prompts[4].Preset, "Ann");
    EXPECT_EQ(Records.Entry(3, 1).Name, "Bob");
    EXPECT_EQ(Records.PlayerName, "Bob");
}

TEST_F(AddRecord, WithoutADefaultNameTheBuiltInOneIsOffered)
{
    // A pack whose default name is empty (or only control characters): the
    // prompt still offers a name, so a cancel ends it with an entry.
    std::filesystem::create_directories(Folder.Path / "Language");
    for (const std::string pack : {"MB12=\n", "MB12=\t\n"}) {
        std::ofstream(Folder.Path / "Language" / "English.lng", std::ios::binary) << pack;
        ASSERT_TRUE(Lang.LoadLanguage("English"));
        Records.PlayerName.clear();
        Ui.Prompts.clear();
        Ui.Answers = {""};
        Play(static_cast<int32_t>(pack.size()) * 100);
        ASSERT_EQ(Ui.Prompts.size(), 2u);
        EXPECT_EQ(Ui.Prompts[0].Preset, "Player");
        EXPECT_EQ(Ui.Prompts[1].Preset, "Player");
        EXPECT_EQ(Records.Entry(3, 1).Name, "Player");
    }
}

TEST_F(AddRecord, ABoxThatAnswersNothingUsableEndsWithTheNameOffered)
{
    // No player does this; a broken box must still not hold the game for ever.
    Ui.Answers = std::deque<std::string>(100, "");
    Play(100);
    EXPECT_EQ(Ui.Prompts.size(), 10u);
    EXPECT_EQ(Records.Entry(3, 1).Name, "Player");

    Ui.Prompts.clear();
    Ui.Answers = std::deque<std::string>(100, "A name far longer than twenty");
    Play(200);
    EXPECT_EQ(Ui.Prompts.size(), 10u);
    EXPECT_EQ(Ui.Prompts[1].Preset, "A name far longer th");
    EXPECT_EQ(Records.Entry(3, 1).Name, "A name far longer th");
}

TEST_F(AddRecord, ControlCharactersNeverReachTheTable)
{
    // A tab typed or pasted into the box is dropped before the length is
    // judged, so the name is one the player can read and offer again.
    Offer("Ann\tBee\r\n\x7f", 100);
    EXPECT_EQ(Records.Entry(3, 1).Name, "AnnBee");
    EXPECT_EQ(Records.PlayerName, "AnnBee");
    Play(200); // the name offered again is the one in the table
    EXPECT_EQ(Ui.Prompts[1].Preset, "AnnBee");
    EXPECT_EQ(Table(3), Concat({{"AnnBee", 200}}, Empties(9)));

    // Twenty letters with controls among them fit; only controls ask again.
    Ui.Answers = {"\t\t", "12345678901234567890\x01\x02"};
    Play(300);
    EXPECT_EQ(Ui.Prompts[3].Preset, "AnnBee");
    EXPECT_EQ(Records.Entry(3, 1).Name, "12345678901234567890");
}

// --- Saving and the dialog ---

TEST_F(AddRecord, PromptThenSaveThenDialog)
{
    Offer("Ann", 100);
    EXPECT_EQ(Ui.Calls, (std::vector<std::string>{"prompt", "dialog"}));
    EXPECT_EQ(Ui.Prompts[0].SeedThen, StartSeed) << "saved before the prompt";
    TRandom afterSave(StartSeed);
    for (size_t k = 0; k < TRecords::BlockSize; ++k)
        afterSave.Random(256);
    EXPECT_EQ(Ui.SeedAtDialog, afterSave.Seed) << "the dialog must follow exactly one save";
    EXPECT_EQ(Ui.FileSizeAtDialog, TRecords::FileSize);

    TRandom other(1);
    TRecords loaded(other, FilePath());
    loaded.LoadRecords();
    EXPECT_EQ(loaded.Block(), Records.Block());
}

TEST_F(AddRecord, FailedSaveThrowsBeforeTheDialogAndKeepsTheEntry)
{
    const auto blocker = Folder.Path / "blocker";
    WriteBytes(blocker, {1, 2, 3});
    TRecords records(Rng, blocker / "records.dat");
    Ui.Answers = {"Ann"};
    TGameResult result;
    result.Style = 2;
    result.Score = 100;
    EXPECT_THROW(records.AddRecord(result, Ui, Lang), TFileWriteError);

    EXPECT_EQ(Ui.Calls, (std::vector<std::string>{"prompt"}));
    EXPECT_EQ(ReadBytes(blocker), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(records.Entry(2, 1).Name, "Ann");
    EXPECT_EQ(records.Entry(2, 1).Score, 100);
}

// --- Texts from the language pack ---

class AddRecordTexts : public AddRecord {
protected:
    void LoadPack(const std::string& text)
    {
        std::filesystem::create_directories(Folder.Path / "Language");
        std::ofstream(Folder.Path / "Language" / "English.lng", std::ios::binary) << text;
        ASSERT_TRUE(Lang.LoadLanguage("English")) << "the language pack did not load";
    }
};

TEST_F(AddRecordTexts, PromptUsesTheTextsOfThePack)
{
    LoadPack("; records\nMB10=High score\nMB11=Your name:\nMB12=Player\n");
    Play(100); // the player takes the default name
    ASSERT_EQ(Ui.Prompts.size(), 1u);
    EXPECT_EQ(Ui.Prompts[0].Caption, "High score");
    EXPECT_EQ(Ui.Prompts[0].Prompt, "Your name:");
    EXPECT_EQ(Ui.Prompts[0].Preset, "Player");
    EXPECT_EQ(Records.Entry(3, 1).Name, "Player");
}

TEST_F(AddRecordTexts, WithoutAPackThePromptHasItsBuiltInTexts)
{
    Play(100); // no pack loaded: the player takes the built-in default name
    ASSERT_EQ(Ui.Prompts.size(), 1u);
    EXPECT_EQ(Ui.Prompts[0].Caption, "New high score");
    EXPECT_EQ(Ui.Prompts[0].Prompt, "Enter your name:");
    EXPECT_EQ(Ui.Prompts[0].Preset, "Player");
}

} // namespace
} // namespace stakor
