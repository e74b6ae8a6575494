// Pictures that are not plain files, and the largest pictures we take.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "glass/image_file.h"

namespace stakor::test {
namespace {

namespace fs = std::filesystem;

class ImageFileKinds : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "stakor-image-kinds-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Folder = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(Folder, ignored);
    }
    fs::path Folder;
};

TEST_F(ImageFileKinds, PipesFoldersAndDevicesAreRefusedWithoutWaiting)
{
    const auto start = std::chrono::steady_clock::now();
    for (const char* name : {"pipe.bmp", "pipe.jpg", "pipe.jpeg"}) {
        ASSERT_EQ(::mkfifo((Folder / name).c_str(), 0600), 0);
        TBitmap picture(1, 1);
        EXPECT_FALSE(LoadImageFile(Folder / name, picture)) << name;
        EXPECT_EQ(picture.Width, 1);
    }
    fs::create_directory(Folder / "folder.bmp");
    fs::create_symlink("/dev/zero", Folder / "zero.jpg");
    fs::create_symlink("/dev/zero", Folder / "zero.bmp");
    TBitmap picture;
    EXPECT_FALSE(LoadImageFile(Folder / "folder.bmp", picture));
    EXPECT_FALSE(LoadImageFile(Folder / "zero.jpg", picture));
    EXPECT_FALSE(LoadImageFile(Folder / "zero.bmp", picture));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// 36 megapixels, more than Qt takes by default: made here, sparse on the disk,
// with one coloured pixel in two corners.
TEST_F(ImageFileKinds, SixThousandSquareBitmapLoads)
{
    constexpr uint32_t Side = 6000, RowBytes = Side * 3, HeadersSize = 54;
    std::vector<uint8_t> header;
    header.push_back('B');
    header.push_back('M');
    Put(header, HeadersSize + RowBytes * Side, 4);
    Put(header, 0, 4);
    Put(header, HeadersSize, 4);
    Put(header, 40, 4);
    Put(header, Side, 4);
    Put(header, Side, 4); // bottom-up
    Put(header, 1, 2);
    Put(header, 24, 2);
    for (int i = 0; i < 6; ++i)
        Put(header, 0, 4);
    ASSERT_EQ(header.size(), HeadersSize);

    const fs::path file = Folder / "large.bmp";
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const uint8_t bottomLeft[3] = {10, 20, 30}, topRight[3] = {40, 50, 60};
    ASSERT_EQ(::pwrite(fd, header.data(), header.size(), 0), ssize_t(header.size()));
    ASSERT_EQ(::pwrite(fd, bottomLeft, 3, HeadersSize), 3);
    ASSERT_EQ(::pwrite(fd, topRight, 3, off_t{HeadersSize} + off_t{RowBytes} * Side - 3), 3);
    ::close(fd);

    TBitmap picture;
    ASSERT_TRUE(LoadImageFile(file, picture));
    ASSERT_EQ(picture.Width, int(Side));
    ASSERT_EQ(picture.Height, int(Side));
    const uint8_t* first = picture.Row(int(Side) - 1);
    EXPECT_EQ((std::vector<uint8_t>{first[0], first[1], first[2]}), (std::vector<uint8_t>{10, 20, 30}));
    const uint8_t* last = picture.Row(0) + (Side - 1) * 3;
    EXPECT_EQ((std::vector<uint8_t>{last[0], last[1], last[2]}), (std::vector<uint8_t>{40, 50, 60}));
    EXPECT_EQ(picture.Row(3000)[3000 * 3], 0);
}

} // namespace
} // namespace stakor::test
