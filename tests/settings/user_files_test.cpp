// The user's own files put to the worst: pipes, devices and folders in their
// place, writes killed halfway, private permissions, damaged line ends, and a
// folder that refuses every write.
#include "settings/atomic_file.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/user_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace stakor {
namespace {

namespace fs = std::filesystem;

const std::string kHead = "Windows Registry Editor Version 5.00\n\n"
                          "[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\n";

class UserFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "stakor-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
        File = Dir / "settings.reg";
    }
    void TearDown() override { fs::remove_all(Dir); }

    void Write(const fs::path& file, const std::string& bytes) const { std::ofstream(file, std::ios::binary) << bytes; }
    static std::string Read(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(Dir))
            names.insert(entry.path().filename().string());
        return names;
    }
    static mode_t Mode(const fs::path& file)
    {
        struct stat info {};
        EXPECT_EQ(::stat(file.c_str(), &info), 0);
        return info.st_mode & 0777;
    }

    fs::path Dir;
    fs::path File;
};

// Every kind of file that is not a regular one is refused at once: a pipe with
// no writer would otherwise block the reader for good.
TEST_F(UserFiles, PipesDevicesAndFoldersAreRefusedAtOnce)
{
    const fs::path pipe = Dir / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    std::string bytes = "junk";
    EXPECT_EQ(ReadRegularFile(pipe, bytes), TReadResult::Failed);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(OpenRegularFile(pipe), -1);
    EXPECT_EQ(ReadRegularFile(Dir, bytes), TReadResult::Failed);
    EXPECT_EQ(ReadRegularFile("/dev/zero", bytes), TReadResult::Failed);
    EXPECT_EQ(ReadRegularFile(Dir / "missing", bytes), TReadResult::Missing);

    // The settings in a pipe's place: defaults, and no write over it.
    fs::create_directory(Dir / "pipe-settings");
    const fs::path settings = Dir / "pipe-settings" / "settings.reg";
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    TIni ini(settings);
    EXPECT_EQ(ini.GameStyle(), 3);
    EXPECT_THROW(ini.SetGameStyle(4), TSettingsError);
    EXPECT_TRUE(fs::is_fifo(settings));

    // A language pack that is a pipe is a pack that cannot be loaded.
    fs::create_directory(Dir / "Language");
    ASSERT_EQ(::mkfifo((Dir / "Language" / "Piped.lng").c_str(), 0600), 0);
    TIni memory(std::nullopt);
    TLanguage lang(memory, Dir / "Language");
    EXPECT_FALSE(lang.LoadLanguage("Piped"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    // A regular file is read, also in part.
    Write(Dir / "plain", "0123456789");
    EXPECT_EQ(ReadRegularFile(Dir / "plain", bytes, 4), TReadResult::Read);
    EXPECT_EQ(bytes, "0123");
    EXPECT_EQ(ReadRegularFile(Dir / "plain", bytes), TReadResult::Read);
    EXPECT_EQ(bytes, "0123456789");
}

// Writes killed at random moments leave at most their own temporary file,
// and the next write clears every one of them away; a write in progress keeps
// its own, and files of other names are never touched.
TEST_F(UserFiles, KilledWritesLeaveNothingAfterTheNextWrite)
{
    const std::string big(1 << 20, 'x');
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                WriteFileAtomically(File, big);
        }
        ::usleep(static_cast<useconds_t>(2000 + round * 1500));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    // What a killed write without unnamed files leaves behind.
    Write(Dir / ".settings.reg.Ab12Cd", "torn");
    Write(Dir / ".records.dat.Zz99zz", "someone else's");
    Write(Dir / ".settings.reg.toolong", "not ours");
    // A write still running elsewhere holds its file locked.
    Write(Dir / ".settings.reg.Busy00", "in progress");
    const int busy = ::open((Dir / ".settings.reg.Busy00").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);

    WriteFileAtomically(File, "new");
    EXPECT_EQ(Read(File), "new");
    EXPECT_EQ(Names(),
        (std::set<std::string>{
            "settings.reg", ".records.dat.Zz99zz", ".settings.reg.toolong", ".settings.reg.Busy00"}));
    ::close(busy);
    WriteFileAtomically(File, "newer");
    EXPECT_EQ(Names(), (std::set<std::string>{"settings.reg", ".records.dat.Zz99zz", ".settings.reg.toolong"}));
}

TEST_F(UserFiles, ReplacedFilesKeepTheirModeAndSettingsStartPrivate)
{
    TIni ini(File);
    ini.SetGameStyle(4);
    EXPECT_EQ(Mode(File), 0600u);
    ASSERT_EQ(::chmod(File.c_str(), 0640), 0);
    ini.SetBossPassword("secret");
    EXPECT_EQ(Mode(File), 0640u);
    ASSERT_EQ(::chmod(File.c_str(), 0600), 0);
    ini.SetGlassShowGrid(false);
    EXPECT_EQ(Mode(File), 0600u);

    const fs::path shared = Dir / "records.dat";
    const mode_t mask = ::umask(022);
    WriteFileAtomically(shared, "a");
    EXPECT_EQ(Mode(shared), 0644u);
    ASSERT_EQ(::chmod(shared.c_str(), 0600), 0);
    WriteFileAtomically(shared, "b");
    EXPECT_EQ(Mode(shared), 0600u);
    ::umask(mask);
}

// A line whose CRs keep it from being read must not be read after a write of
// another value: the write keeps every line end as it was.
TEST_F(UserFiles, StrayCarriageReturnsKeepTheirLinesUnread)
{
    Write(File, kHead + "\"BossEnable\"=dword:0000e001\r\r\n\"GameStyle\"=dword:00000002\r\n");
    {
        TIni ini(File);
        EXPECT_FALSE(ini.BossEnable());
        ini.SetGameStyle(4);
    }
    EXPECT_FALSE(TIni(File).BossEnable());
    EXPECT_EQ(TIni(File).GameStyle(), 4);
    EXPECT_NE(Read(File).find("\"BossEnable\"=dword:0000e001\r\r\n"), std::string::npos);

    // "[]" with two CRs is no section header; written back as one it would
    // hide every value after it.
    Write(File, kHead + "[]\r\r\n\"UpSideDownMode\"=dword:00000001\n");
    EXPECT_TRUE(TIni(File).UpSideDownMode());
    TIni(File).SetGameStyle(5);
    EXPECT_TRUE(TIni(File).UpSideDownMode());
    EXPECT_EQ(TIni(File).GameStyle(), 5);

    // A last line ending in a CR without LF reads the same once a line follows.
    Write(File, kHead + "\"PlaySound\"=dword:00000000\r");
    EXPECT_FALSE(TIni(File).PlaySound());
    TIni(File).SetPlayMusic(false);
    EXPECT_FALSE(TIni(File).PlaySound());
    EXPECT_FALSE(TIni(File).PlayMusic());
}

// Hex data left open by a trailing backslash at the end of the file would take
// the next line in: the value added after it must still read back.
TEST_F(UserFiles, OpenContinuationDoesNotSwallowTheNewValue)
{
    Write(File, kHead + "\"BossFile\"=hex:41,\\");
    TIni(File).SetGameStyle(2);
    EXPECT_EQ(TIni(File).GameStyle(), 2);
    EXPECT_EQ(TIni(File).BossFile(), "Notepad.exe");

    Write(File, kHead + "\"BossFile\"=hex:41,\\\n");
    TIni(File).SetStartingLevel(7);
    EXPECT_EQ(TIni(File).StartingLevel(), 7);

    // A continuation into the value's own line is replaced with it.
    Write(File, kHead + "\"GameStyle\"=hex:41,\\\n  42\n\"PlaySound\"=dword:00000000\n");
    TIni(File).SetGameStyle(1);
    EXPECT_EQ(TIni(File).GameStyle(), 1);
    EXPECT_FALSE(TIni(File).PlaySound());
}

// At start the refusal is handed on, not thrown, and memory holds the value.
TEST_F(UserFiles, RefusedWriteCanBeReportedInsteadOfThrown)
{
    Write(Dir / "file", "a file, not a folder");
    TIni ini(Dir / "file" / "settings.reg");
    std::vector<std::string> refused;
    ini.SetRefusedWriteHandler([&](const TSettingsError& error) { refused.emplace_back(error.what()); });
    EXPECT_NO_THROW(ini.SetGlassBgFileName(""));
    EXPECT_NO_THROW(ini.SetLanguage("English"));
    EXPECT_EQ(ini.GlassBgFileName(), "");
    EXPECT_EQ(refused,
        (std::vector<std::string>{"Failed to set data for 'GlassBgFileName'", "Failed to set data for 'Language'"}));
    ini.SetRefusedWriteHandler({});
    EXPECT_THROW(ini.SetGameStyle(1), TSettingsError);
    EXPECT_EQ(ini.GameStyle(), 1);
}

} // namespace
} // namespace stakor
