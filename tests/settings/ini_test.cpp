#include "settings/ini.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

namespace stakor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kHead = "Windows Registry Editor Version 5.00\n\n"
                          "[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\n";

std::string Lf(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

std::string Crlf(const std::string& text)
{
    std::string result;
    for (const char c : text) {
        if (c == '\n')
            result += '\r';
        result += c;
    }
    return result;
}

class IniTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "stakor-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
        File = Dir / "Orvelan Games" / "Vexamo Stakor" / "settings.reg";
    }
    void TearDown() override { fs::remove_all(Dir); }

    void Write(const std::string& bytes) const
    {
        fs::create_directories(File.parent_path());
        std::ofstream(File, std::ios::binary) << bytes;
    }
    std::string Read() const
    {
        std::ifstream in(File, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static std::set<std::string> Names(const fs::path& folder)
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    fs::path Dir;
    fs::path File;
};

// Every setting in one line, so that whole stores compare at once.
std::string Dump(const TIni& i)
{
    std::ostringstream out;
    out << std::hex << i.BossEnable() << '|' << i.BossFile() << '|' << i.BossIconNumber() << '|' << i.BossPassword()
        << '|' << i.BossTitle() << '|' << i.FigureRotateClockWise() << '|' << i.GameStyle() << '|' << i.GlassBgColor()
        << '|' << i.GlassBgFileName() << '|' << i.GlassBgStretch() << '|' << i.GlassFontFileName() << '|'
        << i.GlassGridColor() << '|' << i.GlassMode() << '|' << i.GlassShowGrid() << '|' << i.GlassShowTime() << '|'
        << i.GlassTrash() << '|' << i.Language() << '|' << i.PlayMusic() << '|' << i.PlaySound() << '|'
        << i.StartingLevel() << '|' << i.UpSideDownMode();
    return out.str();
}

const std::string kDefaults = "0|Notepad.exe|0||Notepad|0|3|333333|Background/bluewave.jpg|1|"
                              "squares.bmp|808080|2|1|0|0|English|1|1|1|0";

TEST_F(IniTest, FirstStartHasDefaultsAndCreatesNothing)
{
    const TIni ini(File);
    EXPECT_TRUE(ini.RegistryAvailable());
    EXPECT_EQ(Dump(ini), kDefaults);
    EXPECT_TRUE(fs::is_empty(Dir));
}

TEST_F(IniTest, EverySetterWritesThroughInTheExportFormat)
{
    TIni ini(File);
    ini.SetGameStyle(5);
    // A new file has the line ends of a registry export.
    EXPECT_EQ(Read(), Crlf(kHead) + "\"GameStyle\"=dword:00000005\r\n");
    EXPECT_EQ(TIni(File).GameStyle(), 5);

    ini.SetBossEnable(true), ini.SetBossFile("calc.exe"), ini.SetBossIconNumber(-2);
    ini.SetBossPassword("secret"), ini.SetBossTitle("Calculator"), ini.SetFigureRotateClockWise(true);
    ini.SetGlassBgColor(0x00ABCDEF), ini.SetGlassBgFileName(""), ini.SetGlassBgStretch(false);
    ini.SetGlassFontFileName("round.bmp"), ini.SetGlassGridColor(0), ini.SetGlassMode(3);
    ini.SetGlassShowGrid(false), ini.SetGlassShowTime(true), ini.SetGlassTrash(13);
    ini.SetLanguage("Deutsch"), ini.SetPlayMusic(false), ini.SetPlayMusic(true);
    ini.SetPlaySound(false), ini.SetStartingLevel(15), ini.SetUpSideDownMode(true);
    const std::string file = Read();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 3 + 21);
    EXPECT_EQ(file, Crlf(Lf(file)));
    for (const char* line : {"\"BossIconNumber\"=dword:fffffffe\r\n", "\"GlassBgFileName\"=\"_\"\r\n",
             "\"GlassTrash\"=dword:0000000d\r\n", "\"BossTitle\"=\"_Calculator\"\r\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line;
    EXPECT_EQ(Names(File.parent_path()), std::set<std::string>{"settings.reg"});

    EXPECT_EQ(Dump(TIni(File)), Dump(ini));
    EXPECT_EQ(Dump(ini),
        "1|calc.exe|fffffffe|secret|Calculator|1|5|abcdef||0|round.bmp|0|3|0|1|d|"
        "Deutsch|1|0|f|1");
}

TEST_F(IniTest, KeysGamepadAndShadowHaveTheirDefaultsAndWriteThrough)
{
    {
        TIni ini(File);
        EXPECT_EQ(ini.KeyLeft(), "Left");
        EXPECT_EQ(ini.KeyRight(), "Right");
        EXPECT_EQ(ini.KeyRotate(), "Up");
        EXPECT_EQ(ini.KeyRotateBack(), "Shift+Up");
        EXPECT_EQ(ini.KeyDrop(), "Space");
        EXPECT_EQ(ini.KeyPause(), "P");
        EXPECT_TRUE(ini.UseGamepad());
        EXPECT_FALSE(ini.ShowShadow());
        EXPECT_FALSE(fs::exists(File));
        ini.SetKeyPause("Q");
        ini.SetKeyDrop("");
        ini.SetUseGamepad(false);
        ini.SetShowShadow(true);
    }
    const std::string text = Read();
    EXPECT_NE(text.find("\"KeyPause\"=\"_Q\"\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"KeyDrop\"=\"_\"\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"UseGamepad\"=dword:00000000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"ShowShadow\"=dword:00000001\r\n"), std::string::npos) << text;
    TIni again(File);
    EXPECT_EQ(again.KeyPause(), "Q");
    EXPECT_EQ(again.KeyDrop(), ""); // saved empty: the keys take it as the default key
    EXPECT_FALSE(again.UseGamepad());
    EXPECT_TRUE(again.ShowShadow());
}

TEST_F(IniTest, StringsDropTheirFirstCharacter)
{
    Write(kHead +
        "\"Language\"=\"abc\"\n\"BossTitle\"=\"\"\n\"BossFile\"=\"_\"\n"
        "\"GlassFontFileName\"=\"_Skin\\a.bmp\"\n\"BossPassword\"=\"_ab\\x00cd\"\n");
    const TIni ini(File);
    EXPECT_EQ(ini.Language(), "bc");
    EXPECT_EQ(ini.BossTitle(), "Notepad"); // empty reads as missing
    EXPECT_EQ(ini.BossFile(), "");
    EXPECT_EQ(ini.GlassFontFileName(), "Skin\\a.bmp"); // a lone backslash stays
    EXPECT_EQ(ini.BossPassword(), "ab"); // text ends at its first zero byte
}

TEST_F(IniTest, AnyByteSurvivesOnOneLine)
{
    const std::string text = "C:\\\"x\"\n[HKEY]\r\n\t=\x7f\x01 caf\xC3\xA9";
    TIni(File).SetBossPassword(text);
    const std::string file = Read();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 4);
    EXPECT_NE(file.find("caf\xC3\xA9\""), std::string::npos);
    EXPECT_EQ(TIni(File).BossPassword(), text);
}

TEST_F(IniTest, WrongTypesGiveTheDefaultOfThatValueOnly)
{
    const std::string values = "\"GameStyle\"=\"4\"\n\"Language\"=dword:00000001\n\"PlayMusic\"=hex:00\n"
                               "\"BossTitle\"=hex(2):41,00,00,00\n\"GlassMode\"=dword:000000003\n"
                               "\"GlassTrash\"=dword:12g\n\"StartingLevel\"=dword:\n\"GlassShowTime\"=dword:00000100\n"
                               "\"BossIconNumber\" = DWORD:0000000A \n\"GlassShowGrid\"=dword:0\n";
    Write(kHead + values);
    TIni ini(File);
    EXPECT_EQ(ini.GameStyle(), 3);
    EXPECT_EQ(ini.Language(), "English");
    EXPECT_TRUE(ini.PlayMusic());
    EXPECT_EQ(ini.BossTitle(), "Notepad");
    EXPECT_EQ(ini.GlassMode(), 2);
    EXPECT_EQ(ini.GlassTrash(), 0);
    EXPECT_EQ(ini.StartingLevel(), 1);
    EXPECT_TRUE(ini.GlassShowTime());
    EXPECT_EQ(ini.BossIconNumber(), 10);
    EXPECT_TRUE(ini.GlassShowGrid()); // short forms could be a truncated number

    // Kept as they are until their own setting changes.
    ini.SetPlaySound(false);
    EXPECT_EQ(Read(), kHead + values + "\"PlaySound\"=dword:00000000\n");
    ini.SetGameStyle(4);
    EXPECT_EQ(Read().find("\"GameStyle\"=dword:00000004\n\"Language\"=dword:00000001\n"), kHead.size());
}

TEST_F(IniTest, NamesCompareWithoutCase)
{
    Write(kHead + "\"gamestyle\"=dword:00000005\n\"LANGUAGE\"=\"_Deutsch\"\n");
    TIni ini(File);
    EXPECT_EQ(ini.GameStyle(), 5);
    EXPECT_EQ(ini.Language(), "Deutsch");
    ini.SetGameStyle(1);
    EXPECT_EQ(Read(), kHead + "\"GameStyle\"=dword:00000001\n\"LANGUAGE\"=\"_Deutsch\"\n");
}

TEST_F(IniTest, DamagedFilesYieldWhatCanBeRead)
{
    const std::string key = "[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]";
    const struct {
        std::string Bytes;
        int32_t GameStyle;
        std::string Language;
    } cases[] = {
        {"\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n" + key +
                "\r\n\"GameStyle\"=dword:00000004\r\n\"Language\"=\"_Fran\xC3\xA7\x61is\"\r\n",
            4, "Fran\xC3\xA7\x61is"},
        {"\"GameStyle\"=dword:00000004\n\"Language\"=\"_Dansk\"", 4, "Dansk"},
        {kHead +
                "garbage\n\x01\x02\0\xFF\n\"GameStyle\"=dword:00000001\n\"Lang\n"s
                "\"Language\"=\"_Fren\"ch\n\"GlassMode\"=dword:0000",
            1, "English"},
        {kHead +
                "\"GameStyle\"=dword:00000004\n[HKEY_CURRENT_USER\\Software\\Other]\n"
                "\"GameStyle\"=dword:00000005\n\"Language\"=\"_Other\"\n[HKEY_CURR\n",
            4, "English"},
        {kHead +
                "\"GameStyle\"=dword:00000001\n\"Language\"=\"_Eesti\"\n"
                "\"GameStyle\"=dword:00000005\n",
            5, "Eesti"},
        {"\0\0\0\xFE\xFF\n\n\n["s, 3, "English"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Bytes);
        Write(c.Bytes);
        TIni ini(File);
        EXPECT_EQ(ini.GameStyle(), c.GameStyle);
        EXPECT_EQ(ini.Language(), c.Language);
        ini.SetPlaySound(false);
        const TIni back(File);
        EXPECT_EQ(back.GameStyle(), c.GameStyle);
        EXPECT_EQ(back.Language(), c.Language);
        EXPECT_FALSE(back.PlaySound());
    }
}

TEST_F(IniTest, WriteChangesOnlyItsOwnLine)
{
    const std::string other = "[HKEY_CURRENT_USER\\Software\\Other]\n\"Language\"=\"_Other\"\n";
    Write("; hand-edited\n" + kHead +
        "\"Unknown\"=\"_kept\"\n\"Blob\"=hex:01,02,\\\n  03,04\n\"gamestyle\"=dword:00000001\n"
        "junk line\n\"GameStyle\"=dword:00000002\n\"BossFile\"=hex(2):41,00,\\\n  00,00\n\n" +
        other);
    TIni ini(File);
    EXPECT_EQ(ini.GameStyle(), 2);
    ini.SetGameStyle(4);
    ini.SetLanguage("Suomi");
    ini.SetBossFile("x");
    EXPECT_EQ(Read(),
        "Windows Registry Editor Version 5.00\n\n; hand-edited\n" + kHead +
            "\"Unknown\"=\"_kept\"\n\"Blob\"=hex:01,02,\\\n  03,04\n"
            "junk line\n\"GameStyle\"=dword:00000004\n\"BossFile\"=\"_x\"\n"
            "\"Language\"=\"_Suomi\"\n\n" +
            other);
}

TEST_F(IniTest, WritesKeepTheLineEndsTheFileUses)
{
    // A file saved with CRLF (as a registry export is) gains no LF-only line:
    // not for a changed value, a new one, a header or a section added.
    const std::string values = "\"GameStyle\"=dword:00000001\n\"Language\"=\"_Dansk\"\n";
    for (const bool crlf : {true, false}) {
        const auto ends = [crlf](const std::string& text) { return crlf ? Crlf(text) : text; };
        Write(ends(kHead + values));
        TIni ini(File);
        ini.SetGameStyle(4);
        ini.SetPlayMusic(false);
        EXPECT_EQ(Read(),
            ends(kHead + "\"GameStyle\"=dword:00000004\n\"Language\"=\"_Dansk\"\n\"PlayMusic\"=dword:00000000\n"));

        // No header, no section of ours, no final line end.
        Write(ends("; kept\n[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"_b\""));
        TIni(File).SetGlassTrash(2);
        EXPECT_EQ(Read(),
            ends(
                "Windows Registry Editor Version 5.00\n\n; kept\n[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"_b\"\n\n"
                "[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\n\"GlassTrash\"=dword:00000002\n"));
    }

    // The first line decides; the other lines keep their own ends.
    Write(kHead + "\"GameStyle\"=dword:00000001\r\n");
    TIni(File).SetGameStyle(2);
    EXPECT_EQ(Read(), kHead + "\"GameStyle\"=dword:00000002\n");
    Write(Crlf(kHead) + "\"Language\"=\"_Dansk\"\n");
    TIni(File).SetGameStyle(3);
    EXPECT_EQ(Read(), Crlf(kHead) + "\"Language\"=\"_Dansk\"\n\"GameStyle\"=dword:00000003\r\n");
}

TEST_F(IniTest, WriteKeepsValuesWrittenMeanwhile)
{
    TIni first(File);
    TIni(File).SetLanguage("Norsk");
    first.SetGameStyle(1);
    const TIni back(File);
    EXPECT_EQ(back.Language(), "Norsk");
    EXPECT_EQ(back.GameStyle(), 1);
}

TEST_F(IniTest, TruncatedAndRandomFilesAreSafe)
{
    const std::string full = kHead +
        "\"GameStyle\"=dword:00000004\n\"Language\"=\"_Fr\\\\a\\x41\"\n"
        "\"Blob\"=hex:01,\\\n 02\n";
    for (size_t length = 0; length <= full.size(); ++length) {
        Write(full.substr(0, length));
        TIni ini(File);
        EXPECT_TRUE(ini.GameStyle() == 3 || ini.GameStyle() == 4) << length;
        EXPECT_TRUE(ini.Language() == "English" || ini.Language() == "Fr\\aA") << length;
        if (length % 8 == 0) {
            ini.SetGlassMode(3);
            EXPECT_EQ(TIni(File).GlassMode(), 3);
        }
    }
    std::mt19937 random(7);
    const char alphabet[] = "\"\\=[]_x0fdword:hex\n\r\t \xEF\xBB\xBF";
    for (int round = 0; round < 40; ++round) {
        std::string junk(random() % 300, '\0');
        for (char& c : junk)
            c = round % 2 ? static_cast<char>(random()) : alphabet[random() % (sizeof alphabet - 1)];
        Write(junk);
        TIni ini(File);
        ini.SetLanguage("Eesti");
        EXPECT_EQ(TIni(File).Language(), "Eesti");
    }
}

TEST_F(IniTest, RefusedWriteThrowsAndKeepsTheValue)
{
    // Permission bits do not stop root, so make the write impossible instead.
    std::ofstream(Dir / "blocker") << "x";
    TIni blocked(Dir / "blocker" / "settings.reg");
    EXPECT_EQ(Dump(blocked), kDefaults);
    try {
        blocked.SetGameStyle(5);
        ADD_FAILURE() << "no error";
    } catch (const TSettingsError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'GameStyle'");
    }
    EXPECT_EQ(blocked.GameStyle(), 5);

    fs::create_directories(File);
    TIni folder(File);
    EXPECT_EQ(Dump(folder), kDefaults);
    EXPECT_THROW(folder.SetLanguage("Suomi"), TSettingsError);
    EXPECT_EQ(folder.Language(), "Suomi");
    EXPECT_EQ(Names(File.parent_path()), std::set<std::string>{"settings.reg"});
}

// Sets an environment variable for one test and puts the old value back.
class EnvironmentGuard {
public:
    explicit EnvironmentGuard(const char* name) : Name(name)
    {
        if (const char* value = std::getenv(name))
            Saved = value;
    }
    ~EnvironmentGuard() { Set(Saved ? Saved->c_str() : nullptr); }
    void Set(const char* value) const { value ? ::setenv(Name, value, 1) : ::unsetenv(Name); }

private:
    const char* Name;
    std::optional<std::string> Saved;
};

TEST_F(IniTest, MemoryOnlyKeepsChangesAndWritesNothing)
{
    const EnvironmentGuard xdg("XDG_CONFIG_HOME"), home("HOME");
    xdg.Set(Dir.c_str());
    home.Set(Dir.c_str());
    TIni ini(std::nullopt);
    EXPECT_FALSE(ini.RegistryAvailable());
    EXPECT_EQ(Dump(ini), kDefaults);
    ini.SetLanguage("Suomi");
    EXPECT_EQ(ini.Language(), "Suomi");
    EXPECT_TRUE(fs::is_empty(Dir));
}

TEST(IniDefaultFile, UsesAnAbsoluteXdgFolderElseHome)
{
    const EnvironmentGuard xdg("XDG_CONFIG_HOME"), home("HOME");
    const auto file = [] { return TIni::DefaultFile().value_or("none").string(); };
    const std::string tail = "/Orvelan Games/Vexamo Stakor/settings.reg";
    home.Set("/home/player");
    xdg.Set("/xdg");
    EXPECT_EQ(file(), "/xdg" + tail);
    for (const char* unusable : {"", "relative/cfg", static_cast<const char*>(nullptr)}) {
        xdg.Set(unusable);
        EXPECT_EQ(file(), "/home/player/.config" + tail);
    }
    home.Set("relative");
    EXPECT_EQ(file(), "none");
    home.Set(nullptr);
    EXPECT_EQ(file(), "none");
}

} // namespace
} // namespace stakor
