// The table layout, the scrambled file and reading and writing it.
#include "records/records.h"

#include "base/random.h"
#include "records_test_support.h"
#include "settings/atomic_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <sys/resource.h>

namespace stakor {
namespace {

using test::ReadBytes;
using test::TTempFolder;
using test::WriteBytes;

TRecords::TBlock RandomBlock(uint32_t seed)
{
    std::mt19937 gen(seed);
    TRecords::TBlock block{};
    for (auto& byte : block)
        byte = static_cast<uint8_t>(gen());
    return block;
}

std::vector<uint8_t> ToVector(const TRecords::TFileImage& image)
{
    return {image.begin(), image.end()};
}

// --- One entry in the block ---

TEST(RecordsEntry, SetEntryWritesTheLittleEndianLayoutAtItsPlace)
{
    TRandom rng(1);
    TRecords records(rng, std::nullopt);
    THighScoreEntry entry;
    entry.Name = "Ann";
    entry.Score = 0x01020304;
    entry.GlassMode = 3;
    entry.StartingLevel = 5;
    entry.Level = -2; // stored as two's complement
    entry.TrashLines = 7;
    entry.Lines = 0x11223344;
    entry.PlayTime = 0x7FFFFFFF;
    records.SetEntry(3, 4, entry);

    const auto& block = records.Block();
    const size_t at = 2 * 490 + 3 * 49;
    const std::vector<uint8_t> expected = {3, 'A', 'n', 'n', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // name
        0x04, 0x03, 0x02, 0x01, 3, 0, 0, 0, 5, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0, 0x44, 0x33, 0x22, 0x11,
        0xFF, 0xFF, 0xFF, 0x7F};
    ASSERT_EQ(expected.size(), TRecords::EntrySize);
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + at, block.begin() + at + 49), expected);
    for (size_t i = 0; i < block.size(); ++i) {
        if (i < at || i >= at + 49) {
            ASSERT_EQ(block[i], 0) << "byte " << i << " outside the entry changed";
        }
    }

    const THighScoreEntry back = records.Entry(3, 4);
    EXPECT_EQ(back.Name, "Ann");
    EXPECT_EQ(back.Score, 0x01020304);
    EXPECT_EQ(back.GlassMode, 3);
    EXPECT_EQ(back.StartingLevel, 5);
    EXPECT_EQ(back.Level, -2);
    EXPECT_EQ(back.TrashLines, 7);
    EXPECT_EQ(back.Lines, 0x11223344);
    EXPECT_EQ(back.PlayTime, 0x7FFFFFFF);
}

TEST(RecordsEntry, NamesAreCutToTwentyBytesAndOldNameBytesCleared)
{
    TRandom rng(1);
    TRecords records(rng, std::nullopt);
    THighScoreEntry entry;
    entry.Name = "ABCDEFGHIJKLMNOPQRSTUVWXY"; // 25
    records.SetEntry(1, 1, entry);
    EXPECT_EQ(records.Block()[0], 20);
    EXPECT_EQ(records.Entry(1, 1).Name, "ABCDEFGHIJKLMNOPQRST");

    entry.Name = "Bo";
    records.SetEntry(1, 1, entry);
    EXPECT_EQ(records.Block()[0], 2);
    for (size_t i = 3; i <= 20; ++i)
        EXPECT_EQ(records.Block()[i], 0) << "name byte " << i;
}

TEST(RecordsEntry, DamagedNameLengthNeverReadsPastTheNameField)
{
    TRandom rng(1);
    TRecords records(rng, std::nullopt);
    auto& block = records.Block();
    block[49] = 255; // rank 2 of style 1
    for (size_t i = 0; i < 20; ++i)
        block[50 + i] = static_cast<uint8_t>('a' + i);
    block[70] = 'X'; // first score byte must not leak into the name
    EXPECT_EQ(records.Entry(1, 2).Name, "abcdefghijklmnopqrst");
}

TEST(RecordsEntry, PlacesOutsideTheTableAreRefused)
{
    TRandom rng(1);
    TRecords records(rng, std::nullopt);
    EXPECT_THROW(records.Entry(0, 1), std::out_of_range);
    EXPECT_THROW(records.Entry(6, 1), std::out_of_range);
    EXPECT_THROW(records.Entry(1, 0), std::out_of_range);
    EXPECT_THROW(records.Entry(1, 11), std::out_of_range);
    EXPECT_THROW(records.SetEntry(6, 10, THighScoreEntry{}), std::out_of_range);
}

// --- Scrambling ---

TEST(RecordsScramble, KnownBytesForSeedZero)
{
    // Seed 0 draws 0, 8, 220, ... and ends with ..., 169, 245. With the table
    // 16, 32, 48, 0, ... the file after step 1 starts 0, 16, 8, 24, 220, 84, 51
    // and ends 169, 87, 245, 11; the three passes then give, worked by hand:
    //   e0 = 16 - 8 = 8, e1 = 8 - 24 - 0 + 16 = 0, e2 = 24 - 220 - 16 + 8 = 52,
    //   e3 = 220 - 84 - 8 + 24 = 152, e4 = 84 - 51 - 24 + 220 = 229,
    //   e4898 = 11 - 87 + 245 = 169, e4899 = 2 * 11 - 245 = 33 (mod 256).
    TRecords::TBlock table{};
    table[0] = 16;
    table[1] = 32;
    table[2] = 48;
    TRandom rng(0);
    const auto e = TRecords::Scramble(table, rng);
    EXPECT_EQ(e[0], 8);
    EXPECT_EQ(e[1], 0);
    EXPECT_EQ(e[2], 52);
    EXPECT_EQ(e[3], 152);
    EXPECT_EQ(e[4], 229);
    EXPECT_EQ(e[4898], 169);
    EXPECT_EQ(e[4899], 33);
}

TEST(RecordsScramble, EveryByteMatchesTheClosedForm)
{
    // The three passes collapse to e'[i] = e[i+1] - e[i+2] - e[i-1] + e[i] in the
    // middle, with their own formulas at both ends; any change of a loop's direction
    // breaks this somewhere.
    const TRecords::TBlock table = RandomBlock(7);
    TRandom rng(0xC0FFEE);
    TRandom copy = rng;
    std::vector<int> e(TRecords::FileSize);
    for (size_t k = 0; k < TRecords::BlockSize; ++k) {
        const int r = copy.Random(256);
        e[2 * k] = r;
        e[2 * k + 1] = table[k] - r;
    }
    const auto got = TRecords::Scramble(table, rng);
    const size_t last = TRecords::FileSize - 1;
    auto byte = [](int value) { return static_cast<uint8_t>(value & 0xFF); };
    EXPECT_EQ(got[0], byte(e[1] - e[2]));
    for (size_t i = 1; i + 2 <= last; ++i)
        ASSERT_EQ(got[i], byte(e[i + 1] - e[i + 2] - e[i - 1] + e[i])) << "byte " << i;
    EXPECT_EQ(got[last - 1], byte(e[last] - e[last - 2] + e[last - 1]));
    EXPECT_EQ(got[last], byte(2 * e[last] - e[last - 1]));
}

TEST(RecordsScramble, UnscrambleUndoesScrambleForAnyTable)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const TRecords::TBlock table = RandomBlock(seed);
        TRandom rng(seed * 2654435761u);
        EXPECT_EQ(TRecords::Unscramble(TRecords::Scramble(table, rng)), table) << "seed " << seed;
    }
    TRecords::TBlock full{};
    full.fill(0xFF);
    TRandom rng(3);
    EXPECT_EQ(TRecords::Unscramble(TRecords::Scramble(full, rng)), full);
}

TEST(RecordsScramble, DrawsExactlyOneNumberPerTableByte)
{
    TRandom rng(987654321);
    TRandom expected(987654321);
    TRecords::Scramble(RandomBlock(1), rng);
    for (size_t k = 0; k < TRecords::BlockSize; ++k)
        expected.Random(256);
    EXPECT_EQ(rng.Seed, expected.Seed);
}

// --- The file ---

class RecordsFile : public ::testing::Test {
protected:
    std::filesystem::path File() const { return Folder.Path / "records.dat"; }

    TTempFolder Folder;
    TRandom Rng{42};
};

TEST_F(RecordsFile, TwoSavesOfOneTableDifferButReadBackTheSame)
{
    TRecords records(Rng, File());
    records.Block() = RandomBlock(5);
    records.SaveRecords();
    const auto first = ReadBytes(File());
    records.SaveRecords();
    const auto second = ReadBytes(File());
    ASSERT_EQ(first.size(), TRecords::FileSize);
    ASSERT_EQ(second.size(), TRecords::FileSize);
    EXPECT_NE(first, second);

    for (const auto& bytes : {first, second}) {
        WriteBytes(File(), bytes);
        TRandom other(1);
        TRecords loaded(other, File());
        loaded.LoadRecords();
        EXPECT_EQ(loaded.Block(), RandomBlock(5));
    }
}

TEST_F(RecordsFile, SaveWithoutAFileStillDrawsItsRandomNumbers)
{
    TRecords records(Rng, std::nullopt);
    TRandom expected(42);
    records.SaveRecords();
    for (size_t k = 0; k < TRecords::BlockSize; ++k)
        expected.Random(256);
    EXPECT_EQ(Rng.Seed, expected.Seed);
    EXPECT_TRUE(std::filesystem::is_empty(Folder.Path));
}

TEST_F(RecordsFile, MissingShortOrUnreadableFilesLeaveEmptyTables)
{
    TRecords records(Rng, File());
    const TRecords::TBlock empty{};

    records.Block() = RandomBlock(1);
    records.LoadRecords(); // no file at all
    EXPECT_EQ(records.Block(), empty);

    WriteBytes(File(), std::vector<uint8_t>(100, 0xAB));
    records.Block() = RandomBlock(2);
    records.LoadRecords();
    EXPECT_EQ(records.Block(), empty);

    // One byte short of a whole file is still short.
    TRandom other(9);
    auto whole = ToVector(TRecords::Scramble(RandomBlock(3), other));
    whole.pop_back();
    WriteBytes(File(), whole);
    records.Block() = RandomBlock(4);
    records.LoadRecords();
    EXPECT_EQ(records.Block(), empty);

    std::filesystem::remove(File());
    std::filesystem::create_directory(File());
    records.Block() = RandomBlock(5);
    EXPECT_NO_THROW(records.LoadRecords());
    EXPECT_EQ(records.Block(), empty);

    TRandom noFileRng(1);
    TRecords withoutFile(noFileRng, std::nullopt);
    withoutFile.Block() = RandomBlock(6);
    withoutFile.LoadRecords();
    EXPECT_EQ(withoutFile.Block(), empty);
}

TEST_F(RecordsFile, ShortFileIsReplacedByTheNextSave)
{
    WriteBytes(File(), std::vector<uint8_t>(100, 0xAB));
    TRecords records(Rng, File());
    records.LoadRecords();
    THighScoreEntry entry;
    entry.Name = "Ann";
    entry.Score = 500;
    records.SetEntry(2, 1, entry);
    records.SaveRecords();

    ASSERT_EQ(ReadBytes(File()).size(), TRecords::FileSize);
    TRecords loaded(Rng, File());
    loaded.LoadRecords();
    EXPECT_EQ(loaded.Entry(2, 1).Name, "Ann");
    EXPECT_EQ(loaded.Entry(2, 1).Score, 500);
}

TEST_F(RecordsFile, OverlongFileIsReadByItsFirst4900Bytes)
{
    TRandom other(9);
    auto bytes = ToVector(TRecords::Scramble(RandomBlock(8), other));
    bytes.insert(bytes.end(), 300, 0x5A);
    WriteBytes(File(), bytes);
    TRecords records(Rng, File());
    records.LoadRecords();
    EXPECT_EQ(records.Block(), RandomBlock(8));
}

TEST_F(RecordsFile, NameLengthOf255InTheFileReadsTwentyBytes)
{
    TRecords::TBlock table{};
    const size_t at = 4 * 490 + 9 * 49; // the very last entry
    table[at] = 255;
    for (size_t i = 0; i < 20; ++i)
        table[at + 1 + i] = static_cast<uint8_t>('A' + i);
    table[at + 21] = 0x10;
    TRandom other(9);
    WriteBytes(File(), ToVector(TRecords::Scramble(table, other)));

    TRecords records(Rng, File());
    records.LoadRecords();
    const THighScoreEntry entry = records.Entry(5, 10);
    EXPECT_EQ(entry.Name, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(entry.Score, 0x10);
}

TEST_F(RecordsFile, FailedSaveThrowsAndKeepsTheOldFileAndTable)
{
    TRecords records(Rng, File());
    records.Block() = RandomBlock(11);
    records.SaveRecords();
    const auto old = ReadBytes(File());

    // A file size limit makes the write itself fail, even for root, who
    // ignores permission bits.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);

    records.Block() = RandomBlock(12);
    EXPECT_THROW(records.SaveRecords(), TFileWriteError);

    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_EQ(ReadBytes(File()), old);
    EXPECT_EQ(records.Block(), RandomBlock(12));
    for (const auto& item : std::filesystem::directory_iterator(Folder.Path))
        EXPECT_EQ(item.path().filename(), "records.dat") << "left behind: " << item.path();
}

// --- Where the file lives ---

class RecordsDefaultFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        Save("XDG_DATA_HOME", DataHome);
        Save("HOME", Home);
    }
    void TearDown() override
    {
        Restore("XDG_DATA_HOME", DataHome);
        Restore("HOME", Home);
    }

    static void Save(const char* name, std::optional<std::string>& slot)
    {
        if (const char* value = std::getenv(name))
            slot = value;
    }
    static void Restore(const char* name, const std::optional<std::string>& slot)
    {
        if (slot)
            ::setenv(name, slot->c_str(), 1);
        else
            ::unsetenv(name);
    }

    std::optional<std::string> DataHome;
    std::optional<std::string> Home;
};

TEST_F(RecordsDefaultFile, UsesAnAbsoluteXdgDataHomeElseHome)
{
    ::setenv("HOME", "/home/ann", 1);
    ::setenv("XDG_DATA_HOME", "/data/ann", 1);
    EXPECT_EQ(TRecords::DefaultFile(), std::filesystem::path("/data/ann/Orvelan Games/Vexamo Stakor/records.dat"));

    for (const char* ignored : {"", "relative/data"}) {
        ::setenv("XDG_DATA_HOME", ignored, 1);
        EXPECT_EQ(TRecords::DefaultFile(),
            std::filesystem::path("/home/ann/.local/share/Orvelan Games/Vexamo Stakor/records.dat"))
            << "XDG_DATA_HOME=\"" << ignored << "\"";
    }
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(TRecords::DefaultFile(),
        std::filesystem::path("/home/ann/.local/share/Orvelan Games/Vexamo Stakor/records.dat"));
}

TEST_F(RecordsDefaultFile, NothingWithoutAnAbsoluteFolder)
{
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(TRecords::DefaultFile(), std::nullopt);
    ::setenv("HOME", "", 1);
    EXPECT_EQ(TRecords::DefaultFile(), std::nullopt);
    ::setenv("HOME", "home/ann", 1);
    ::setenv("XDG_DATA_HOME", "data", 1);
    EXPECT_EQ(TRecords::DefaultFile(), std::nullopt);
}

} // namespace
} // namespace stakor
