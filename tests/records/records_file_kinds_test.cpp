// The high-score file when it is not a plain file, and its permissions.
#include "records/records.h"

#include "base/random.h"
#include "records_test_support.h"

#include <gtest/gtest.h>

#include <chrono>

#include <sys/stat.h>

namespace stakor {
namespace {

using test::TTempFolder;

TEST(RecordsFileKinds, PipeOrFolderReadsAsEmptyWithoutWaiting)
{
    TTempFolder folder;
    TRandom rng(1);
    const auto start = std::chrono::steady_clock::now();
    const std::filesystem::path pipe = folder.Path / "records.dat";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    TRecords piped(rng, pipe);
    piped.Block().fill(7);
    piped.LoadRecords();
    EXPECT_EQ(piped.Block(), TRecords::TBlock{});

    std::filesystem::create_directory(folder.Path / "folder.dat");
    TRecords inFolder(rng, folder.Path / "folder.dat");
    inFolder.LoadRecords();
    EXPECT_EQ(inFolder.Block(), TRecords::TBlock{});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(RecordsFileKinds, SavingKeepsAPrivateFilePrivate)
{
    TTempFolder folder;
    TRandom rng(1);
    const std::filesystem::path file = folder.Path / "records.dat";
    TRecords records(rng, file);
    records.SaveRecords();
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    records.Block()[0] = 1;
    records.SaveRecords();
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    TRecords again(rng, file);
    again.LoadRecords();
    EXPECT_EQ(again.Block()[0], 1);
}

} // namespace
} // namespace stakor
