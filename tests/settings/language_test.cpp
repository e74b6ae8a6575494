#include "settings/language.h"

#include "settings/ini.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace stakor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Each test gets its own folder: <tmp>/stakor-lang-XXXXXX/Language, so that a
// name escaping the Language folder has somewhere to land.
class PackTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "stakor-lang-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        Dir = Root / "Language";
        fs::create_directory(Dir);
        Store.emplace(Ini, Dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(Root, ec);
    }

    void WriteFile(const fs::path& path, const std::string& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        ASSERT_TRUE(out.good());
    }
    void WritePack(const std::string& fileName, const std::string& bytes) { WriteFile(Dir / fileName, bytes); }
    // Loads `bytes` as the only pack and checks the load succeeded.
    void Load(const std::string& bytes)
    {
        WritePack("Test.lng", bytes);
        ASSERT_TRUE(L().LoadLanguage("Test"));
    }
    TLanguage& L() { return *Store; }

    fs::path Root;
    fs::path Dir;
    TIni Ini{std::nullopt};
    std::optional<TLanguage> Store;
};

// The format rules, each as a pack and what look-ups give for it.
TEST_F(PackTest, FormatRules)
{
    const std::string bom = "\xef\xbb\xbf";
    const std::string longValue(5000, 'x');
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "K" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    struct Case {
        const char* rule;
        std::string pack;
        std::vector<std::pair<std::string, std::string>> texts;
    };
    const Case cases[] = {
        {"blanks and control bytes before a line are skipped", "\n\n  \t\x01\x1f  Key=v\n\r\n  \nNext=2",
            {{"Key", "v"}, {"Next", "2"}, {"  \t\x01\x1f  Key", ""}}},
        {"a blank before the = belongs to the key", "A =x", {{"A", ""}, {"A ", "x"}}},
        {"the first = splits; the value is kept whole", "B=x=y=z\nC=trail  \t\nD=\nE= lead\nPre=p",
            {{"B", "x=y=z"}, {"C", "trail  \t"}, {"D", ""}, {"E", " lead"}, {"Pr", ""}, {"Pre=", ""}}},
        {"keys compare with case; the first entry wins", "Key=1\nKey=2\nkey=low",
            {{"Key", "1"}, {"key", "low"}, {"KEY", ""}}},
        {"an entry without = claims its key", "NoValue\nNoValue=late", {{"NoValue", ""}}},
        {"comment lines, also indented", ";A=1\n   ;B=2\nD=;no comment",
            {{";A", ""}, {"A", ""}, {"B", ""}, {"D", ";no comment"}}},
        {"LF, CR LF, lone CR", "A=1\r\nB=2\nC=x\ry\nD=4\r\r\nE=5\rF=6",
            {{"A", "1"}, {"B", "2"}, {"C", "xy"}, {"D", "4"}, {"E", "5F=6"}, {"F", ""}}},
        {"Ctrl-Z ends the text",
            "A=12\x1a"
            "34\nB=2",
            {{"A", "12"}, {"B", ""}}},
        {"a byte-order mark is part of the first key", bom + "M00=&Start\nM01=&New",
            {{"M00", ""}, {bom + "M00", "&Start"}, {"M01", "&New"}}},
        {"a byte-order mark turns a comment into an entry", bom + ";c=text", {{bom + ";c", "text"}}},
        {"8-bit bytes are kept", "Caf\xe9=caf\xe9\nU=\xc3\xa9\x80", {{"Caf\xe9", "caf\xe9"}, {"U", "\xc3\xa9\x80"}}},
        {"a NUL ends the entry without forging another", "A=x\0B=y\nC=3"s, {{"A", "x"}, {"B", ""}, {"C", "3"}}},
        {"lines longer than the pool", "S=1\nLong=" + longValue + "y\n" + many,
            {{"S", "1"}, {"Long", longValue + "y"}, {"K0", "0"}, {"K299", "299"}}},
        {"a short pack after a long one keeps nothing of it", "S=2", {{"S", "2"}, {"Long", ""}, {"K299", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        Load(c.pack);
        for (const auto& [key, text] : c.texts)
            EXPECT_EQ(L().GetText(key), text) << "key " << key;
    }
}

TEST_F(PackTest, EmptyOrCommentOnlyPacksLoad)
{
    Ini.SetLanguage("Other");
    WritePack("Empty.lng", "");
    WritePack("Comments.lng", "; only\r\n  ; comments\n\n");
    for (const char* name : {"Empty", "Comments"}) {
        EXPECT_TRUE(L().LoadLanguage(name));
        EXPECT_TRUE(L().Loaded());
        EXPECT_EQ(Ini.Language(), name);
        EXPECT_EQ(L().GetText("M02"), "");
        EXPECT_EQ(L().GetText(""), "");
    }
}

TEST_F(PackTest, AFailedLoadChangesNothing)
{
    Ini.SetLanguage("Nowhere");
    EXPECT_FALSE(L().LoadLanguage("Missing"));
    EXPECT_FALSE(L().Loaded());
    EXPECT_EQ(L().GetText(""), "");
    EXPECT_EQ(Ini.Language(), "Nowhere");

    WritePack("Good.lng", "K=good\n");
    fs::create_directory(Dir / "Folder.lng");
    ASSERT_TRUE(L().LoadLanguage("Good"));
    EXPECT_FALSE(L().LoadLanguage("Missing"));
    EXPECT_FALSE(L().LoadLanguage("Folder"));
    EXPECT_TRUE(L().Loaded());
    EXPECT_EQ(L().GetText("K"), "good");
    EXPECT_EQ(Ini.Language(), "Good");
}

TEST_F(PackTest, FileNamesAreFoundWithoutRegardToCase)
{
    WritePack("english.lng", "Who=lower\n");
    ASSERT_TRUE(L().LoadLanguage("English"));
    EXPECT_EQ(L().GetText("Who"), "lower");
    // The setting keeps the name as the caller spelled it.
    EXPECT_EQ(Ini.Language(), "English");

    WritePack("DEUTSCH.LNG", "Who=upper\n");
    ASSERT_TRUE(L().LoadLanguage("Deutsch"));
    EXPECT_EQ(L().GetText("Who"), "upper");
    EXPECT_EQ(Ini.Language(), "Deutsch");

    EXPECT_FALSE(L().LoadLanguage("Englis"));
    EXPECT_FALSE(L().LoadLanguage("English.lng"));
}

TEST_F(PackTest, TheExactSpellingIsPreferred)
{
    WritePack("english.lng", "Who=lower\n");
    WritePack("ENGLISH.lng", "Who=upper\n");
    WritePack("English.lng", "Who=exact\n");
    ASSERT_TRUE(L().LoadLanguage("English"));
    EXPECT_EQ(L().GetText("Who"), "exact");
    ASSERT_TRUE(L().LoadLanguage("english"));
    EXPECT_EQ(L().GetText("Who"), "lower");
    // No exact match: the first spelling in byte order, whatever the listing.
    ASSERT_TRUE(L().LoadLanguage("eNGLISH"));
    EXPECT_EQ(L().GetText("Who"), "upper");
}

TEST_F(PackTest, NamesCannotReachOutsideTheFolder)
{
    WriteFile(Root / "Outside.lng", "K=outside\n");
    fs::create_directory(Dir / "sub");
    WritePack("sub/Inner.lng", "K=inner\n");
    WritePack(".lng", "K=nameless\n");

    EXPECT_FALSE(L().LoadLanguage("../Outside"));
    EXPECT_FALSE(L().LoadLanguage((Root / "Outside").string()));
    EXPECT_FALSE(L().LoadLanguage("sub/Inner"));
    EXPECT_FALSE(L().LoadLanguage(""));
    EXPECT_FALSE(L().LoadLanguage("..\0/x"s));
    EXPECT_FALSE(L().Loaded());
    EXPECT_EQ(Ini.Language(), "English");
}

TEST_F(PackTest, ARefusedSettingWriteLeavesThePackLoaded)
{
    // The settings file would live below a regular file: no store can write it.
    WriteFile(Root / "blocker", "");
    TIni refusing(Root / "blocker" / "settings.reg");
    TLanguage lang(refusing, Dir);
    WritePack("Good.lng", "K=good\n");

    bool refused = false;
    try {
        lang.LoadLanguage("Good");
    } catch (const TSettingsError&) {
        refused = true;
    }
    EXPECT_TRUE(lang.Loaded());
    EXPECT_EQ(lang.GetText("K"), "good");
    if (!refused)
        GTEST_SKIP() << "the settings store accepted the write";
}

TEST_F(PackTest, FindLanguagesTakesOnlyPackFiles)
{
    WritePack("English.lng", "");
    WritePack("DEUTSCH.LNG", "");
    WritePack("fr.Lng", "");
    WritePack("notes.txt", "");
    WritePack("lng", "");
    WritePack(".lng", "");
    WritePack("Old.lng.bak", "");
    WritePack("Bare.ln", "");
    fs::create_directory(Dir / "Folder.lng");
    WriteFile(Root / "Target", "");
    fs::create_symlink(Root / "Target", Dir / "Linked.lng");
    fs::create_symlink(Root / "Gone", Dir / "Broken.lng");
    fs::create_directory_symlink(Root, Dir / "DirLink.lng");

    L().FindLanguages();
    EXPECT_EQ(L().LanguageNames(), (std::vector<std::string>{"DEUTSCH", "English", "fr", "Linked"}));

    // A second listing replaces the first.
    fs::remove(Dir / "fr.Lng");
    L().FindLanguages();
    EXPECT_EQ(L().LanguageNames(), (std::vector<std::string>{"DEUTSCH", "English", "Linked"}));
}

TEST_F(PackTest, FindLanguagesSortsWithoutRegardToCase)
{
    for (const char* name : {"beta", "alpha", "Gamma", "ALPHA", "Alpha", "Al", "alphabet", "Zulu"})
        WritePack(std::string(name) + ".lng", "");
    L().FindLanguages();
    EXPECT_EQ(L().LanguageNames(),
        (std::vector<std::string>{"Al", "ALPHA", "Alpha", "alpha", "alphabet", "beta", "Gamma", "Zulu"}));
}

TEST_F(PackTest, FindLanguagesWithoutAFolderFindsNothing)
{
    TLanguage lang(Ini, Root / "NoSuchFolder");
    lang.FindLanguages();
    EXPECT_TRUE(lang.LanguageNames().empty());
    EXPECT_FALSE(lang.LoadLanguage("English"));

    L().FindLanguages();
    EXPECT_TRUE(L().LanguageNames().empty());
}

TEST(ShippedEnglishPack, HasEveryKeyWithItsText)
{
    // Captions whose English text is fixed by the windows' designs.
    const std::map<std::string, std::string> captions = {
        {"MW0", "single"},
        {"MW1", "double"},
        {"MW2", "triple"},
        {"MW3", "quadruple"},
        {"MW4", "quintuple"},
        {"MW5", "total"},
        {"M00", "&Start"},
        {"M01", "&New..."},
        {"M02", "&Pause"},
        {"M03", "&High scores"},
        {"M04", "Playing &field"},
        {"M05", "&Normal (12x18)"},
        {"M06", "&Big (18x25)"},
        {"M07", "&Exit"},
        {"M10", "&Language"},
        {"M11", "&Graphics..."},
        {"M12", "&Show grid"},
        {"M13", "Show &time"},
        {"M14", "&Rotate clockwise"},
        {"M15", "Play &music"},
        {"M16", "&Play sounds"},
        {"M17", "Hide..."},
        {"M20", "&Contents"},
        {"M22", "&Home page"},
        {"M23", "&About..."},
        {"RecFC", "High scores"},
        {"RecFN1", "Childish"},
        {"RecFN2", "Simple"},
        {"RecFN3", "Kubrix"},
        {"RecFN4", "Pentix"},
        {"RecFN5", "V-Uvod"},
        {"RecFSndBt", "Send high scores"},
        {"RecFVwBt", "Top records"},
        {"GrFC", "Graphic settings"},
        {"GrFGBgGrBxC", " Background of the playing field "},
        {"GrFGBgLBxFI", "(without image)"},
        {"GrFGgL", "Choose color"},
        {"GrFGBgChBx", "Stretch image"},
        {"GrFGSGrBxC", " Skin for the figures "},
        {"GrFGGGBxC", " Grid "},
        {"GrFGGChBx", "Show grid"},
        {"GrFGBgOkB", "Ok"},
        {"GrFGBgCB", "Cancel"},
        {"GrFGBgAB", "Apply"},
        {"NG0", "Choose new game"},
        {"NG10", " Game style "},
        {"NG12", "Childish (very simple)"},
        {"NG13", "Simple"},
        {"NG14", "Kubrix (classical)"},
        {"NG15", "Pentix"},
        {"NG16", "V-uvod"},
        {"NG20", " Starting level "},
        {"NG30", " Trash lines "},
        {"NG40", " Additional options "},
        {"NG41", "Upside-down"},
        {"NG1", "Cancel"},
        {"HdFC", "Disguise settings"},
        {"HdFL1", "Title in Taskbar (in minimize)"},
        {"HdFL2", "Password"},
        {"HdFL3", "File with icon (in minimize)"},
        {"HdFL4", "Icon number"},
        {"HdFBrBt", "Browse..."},
        {"HdFChBx1", "Minimize in Taskbar"},
        {"AbFC", "About Vexamo Stakor"},
        {"AbFL1", "Version"},
        {"AbFL2", "Internet"},
        // Keys, gamepad and landing shadow.
        {"M18", "&Keys..."},
        {"M19", "&Use gamepad"},
        {"M1A", "Landing s&hadow"},
        {"KyFC", "Keys"},
        {"KyFL1", "Move left"},
        {"KyFL2", "Move right"},
        {"KyFL3", "Turn"},
        {"KyFL4", "Turn the other way"},
        {"KyFL5", "Fast drop"},
        {"KyFL6", "Pause"},
        {"KyFDefB", "Defaults"},
        {"KyFOkB", "Ok"},
        {"KyFCnB", "Cancel"},
    };
    // Hints and messages: the pack's own wording, which must not be empty.
    const std::vector<std::string> ownTexts = {
        "NG11",
        "NG21",
        "NG31",
        "NG42",
        "MB1",
        "MB2",
        "MB3",
        "MB4",
        "MB5",
        "MB6",
        "MB7",
        "MB10",
        "MB11",
        "MB12",
        "MB13",
        "MB14",
        "KyFPrs",
        "KyFUsed",
        "KyFRsv",
    };

    const fs::path dir = fs::path(STAKOR_SOURCE_DATA_DIR) / "Language";
    TIni ini(std::nullopt);
    TLanguage lang(ini, dir);
    ASSERT_TRUE(lang.LoadLanguage("English"));

    std::set<std::string> known;
    for (const auto& [key, text] : captions) {
        EXPECT_EQ(lang.GetText(key), text) << key;
        known.insert(key);
    }
    for (const auto& key : ownTexts) {
        EXPECT_FALSE(lang.GetText(key).empty()) << key;
        known.insert(key);
    }
    const std::string format = lang.GetText("MB6");
    EXPECT_NE(format.find("%s"), std::string::npos);
    // The text goes through a formatter: no other conversion may stand in it.
    EXPECT_EQ(format.find('%'), format.find("%s"));
    EXPECT_EQ(format.find('%', format.find("%s") + 1), std::string::npos);

    // The file itself: plain ASCII with LF ends, every entry a known key, once.
    std::ifstream in(dir / "English.lng", std::ios::binary);
    ASSERT_TRUE(in.is_open());
    std::set<std::string> seen;
    std::string line;
    while (std::getline(in, line)) {
        for (const char c : line) {
            EXPECT_TRUE(c >= 32 && c < 127) << "byte " << int(static_cast<unsigned char>(c)) << " in: " << line;
        }
        if (line.empty() || line[0] == ';')
            continue;
        const auto equals = line.find('=');
        ASSERT_NE(equals, std::string::npos) << line;
        const std::string key = line.substr(0, equals);
        EXPECT_TRUE(known.count(key)) << "unknown key " << key;
        EXPECT_TRUE(seen.insert(key).second) << "duplicate key " << key;
    }
    EXPECT_EQ(seen, known);
}

} // namespace
} // namespace stakor
