#include "settings/ini.h"
#include "settings/language.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace stakor {
namespace {

namespace fs = std::filesystem;

ino_t InodeOf(const fs::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Loading the pack the settings already name writes nothing: every start
// loads it, and the file is replaced whole (with its flushes) at each write.
TEST(LanguageStoreTest, SameNameAgainIsNotWritten)
{
    std::string pattern = (fs::temp_directory_path() / "stakor-langstore-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern;
    fs::create_directory(root / "Language");
    std::ofstream(root / "Language" / "English.lng") << "M00=&Start\n";
    std::ofstream(root / "Language" / "Other.lng") << "M00=&Go\n";
    const fs::path file = root / "settings.reg";

    TIni ini(file);
    TLanguage lang(ini, root / "Language");
    ASSERT_TRUE(lang.LoadLanguage("English")); // the default name
    EXPECT_FALSE(fs::exists(file));

    ASSERT_TRUE(lang.LoadLanguage("Other"));
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(TIni(file).Language(), "Other");
    const ino_t written = InodeOf(file);

    TIni again(file);
    TLanguage restarted(again, root / "Language");
    ASSERT_TRUE(restarted.LoadLanguage("Other"));
    EXPECT_EQ(InodeOf(file), written); // not replaced

    fs::remove_all(root);
}

} // namespace
} // namespace stakor
