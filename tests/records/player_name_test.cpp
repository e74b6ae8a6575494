// Names as the high-score table keeps them: one Windows-1252 byte per letter.
#include "records/player_name.h"

#include "base/random.h"
#include "records/records.h"
#include "records_test_support.h"
#include "settings/ini.h"
#include "settings/language.h"

#include <gtest/gtest.h>

#include <fstream>

namespace stakor {
namespace {

TEST(PlayerName, LettersOfTheCodePageKeepTheirByte)
{
    EXPECT_EQ(Cp1252ByteOf(U'A'), 'A');
    EXPECT_EQ(Cp1252ByteOf(U'ä'), 0xE4);
    EXPECT_EQ(Cp1252ByteOf(U'ÿ'), 0xFF);
    EXPECT_EQ(Cp1252ByteOf(U'€'), 0x80);
    EXPECT_EQ(Cp1252ByteOf(U'Ÿ'), 0x9F);
    EXPECT_EQ(Cp1252ByteOf(U'œ'), 0x9C);
    EXPECT_FALSE(Cp1252ByteOf(U'Ł'));
    EXPECT_FALSE(Cp1252ByteOf(0x81)); // a control code, not the undefined byte 0x81
    EXPECT_FALSE(Cp1252ByteOf(U'Ж'));

    EXPECT_EQ(NameFromUtf8("Zoë €"), "Zo\xEB \x80");
    // A letter the code page lacks is one "?", however many bytes it had.
    EXPECT_EQ(NameFromUtf8("Łukasz 😀"), "?ukasz ?");
    // A combining accent is dropped; its base letter stays.
    EXPECT_EQ(NameFromUtf8("e\xCC\x81"), "e");
    // Broken UTF-8 gives one "?" per bad byte and nothing beyond the text.
    EXPECT_EQ(NameFromUtf8("A\xC3"), "A?");
    EXPECT_EQ(NameFromUtf8("\xE2\x82"), "??");
    EXPECT_EQ(NameFromUtf8("\xC0\xAF"), "??"); // overlong
}

TEST(PlayerName, BytesShowAsTheirLettersAndControlsAsQuestionMarks)
{
    EXPECT_EQ(NameToUtf8("Zo\xEB \x80"), "Zoë €");
    EXPECT_EQ(NameToUtf8(std::string("A\0B\x07\x7F\x81\x9D", 7)), "A?B????");
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        const std::string name(1, static_cast<char>(byte));
        if (byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D)
            continue;
        EXPECT_EQ(NameFromUtf8(NameToUtf8(name)), name) << "byte " << byte;
    }
}

TEST(PlayerName, WithoutControlsKeepsEveryLetterThatShows)
{
    EXPECT_EQ(WithoutControls(std::string("A\0B\tC\r\n\x1f\x7f\x81\x8D\x8F\x90\x9D D", 16)), "ABC D");
    // Every byte that shows as a letter of its own stays, and comes back from the screen as itself.
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        const std::string name(1, static_cast<char>(byte));
        const std::string kept = WithoutControls(name);
        if (!kept.empty())
            EXPECT_EQ(NameFromUtf8(NameToUtf8(kept)), kept) << "byte " << byte;
        else
            EXPECT_EQ(NameToUtf8(name), "?") << "byte " << byte;
    }
}

class DefaultNameIsOneTheTableCanKeep : public IRecordsUi {
public:
    std::string Preset;
    std::string InputName(const std::string&, const std::string&, const std::string& preset) override
    {
        Preset = preset;
        return preset;
    }
    void ShowRecords() override {}
};

TEST(PlayerName, DefaultNameFromAUtf8PackIsStoredInTheCodePage)
{
    test::TTempFolder folder;
    std::filesystem::create_directories(folder.Path / "Language");
    std::ofstream(folder.Path / "Language" / "Deutsch.lng", std::ios::binary) << "MB12=Spieler Jörg\n";
    TIni ini(std::nullopt);
    TLanguage lang(ini, folder.Path / "Language");
    lang.FindLanguages();
    ASSERT_TRUE(lang.LoadLanguage("Deutsch"));
    TRandom rng(5);
    TRecords records(rng, folder.Path / "records.dat");
    DefaultNameIsOneTheTableCanKeep ui;
    TGameResult result;
    result.Style = 1;
    result.Score = 10;
    records.AddRecord(result, ui, lang);
    EXPECT_EQ(ui.Preset, "Spieler J\xF6rg");

    TRecords again(rng, folder.Path / "records.dat");
    again.LoadRecords();
    EXPECT_EQ(again.Entry(1, 1).Name, "Spieler J\xF6rg");
    EXPECT_EQ(NameToUtf8(again.Entry(1, 1).Name), "Spieler Jörg");
}

} // namespace
} // namespace stakor
