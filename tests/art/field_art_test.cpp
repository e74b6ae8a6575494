// Checks on the shipped skins and backgrounds that the game's loader and
// drawing rely on: tile geometry, 24-bit BMPs, baseline JPEGs, and the one
// background meant for tiling really repeating without a seam.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const std::filesystem::path DataDir = STAKOR_SOURCE_DATA_DIR;

std::vector<uint8_t> ReadFile(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

uint32_t Le(const std::vector<uint8_t>& d, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) {
        v = (v << 8) | d.at(at + k);
    }
    return v;
}

// An uncompressed bottom-up 24-bit BMP, pixels as read: blue, green, red.
struct Bmp {
    int width = 0;
    int height = 0;
    int bits = 0;
    uint32_t compression = 0;
    std::vector<uint8_t> data;
    size_t offset = 0;

    const uint8_t* Pixel(int x, int y) const
    {
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
        return data.data() + offset + (height - 1 - y) * stride + 3 * static_cast<size_t>(x);
    }
};

Bmp ReadBmp(const std::filesystem::path& file)
{
    Bmp bmp;
    bmp.data = ReadFile(file);
    if (bmp.data.size() < 54 || bmp.data[0] != 'B' || bmp.data[1] != 'M') {
        ADD_FAILURE() << file << " is no BMP";
        return bmp;
    }
    bmp.offset = Le(bmp.data, 10, 4);
    bmp.width = static_cast<int>(Le(bmp.data, 18, 4));
    bmp.height = static_cast<int>(Le(bmp.data, 22, 4));
    bmp.bits = static_cast<int>(Le(bmp.data, 28, 2));
    bmp.compression = Le(bmp.data, 30, 4);
    const size_t stride = (static_cast<size_t>(bmp.width) * 3 + 3) & ~size_t{3};
    EXPECT_GE(bmp.data.size(), bmp.offset + stride * bmp.height) << file;
    return bmp;
}

bool IsBlack(const uint8_t* p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files.push_back(entry.path());
    }
    return files;
}

TEST(FieldArt, EverySkinIsARowOfWholeTwentyPixelTiles)
{
    const auto files = FilesIn(DataDir / "Skin");
    EXPECT_GE(files.size(), 4u);
    for (const auto& file : files) {
        EXPECT_EQ(file.extension(), ".bmp") << file;
        const Bmp skin = ReadBmp(file);
        EXPECT_EQ(skin.bits, 24) << file;
        EXPECT_EQ(skin.compression, 0u) << file;
        EXPECT_EQ(skin.height, 20) << file;
        EXPECT_EQ(skin.width % 20, 0) << file;
        EXPECT_GE(skin.width / 20, 2) << file;
    }
}

TEST(FieldArt, DefaultSkinHasSevenColoursAndTheSpecialOneWithNothingSeeThrough)
{
    const Bmp skin = ReadBmp(DataDir / "Skin" / "squares.bmp");
    ASSERT_EQ(skin.width, 160);
    ASSERT_EQ(skin.height, 20);
    for (int y = 0; y < skin.height; ++y) {
        for (int x = 0; x < skin.width; ++x) {
            EXPECT_FALSE(IsBlack(skin.Pixel(x, y))) << "at " << x << ", " << y;
        }
    }
}

TEST(FieldArt, HollowSkinShowsTheBackgroundInsideItsOutlines)
{
    const Bmp skin = ReadBmp(DataDir / "Skin" / "hollow.bmp");
    ASSERT_GE(skin.width, 40);
    for (int tile = 0; tile < skin.width / 20; ++tile) {
        EXPECT_FALSE(IsBlack(skin.Pixel(20 * tile, 0)));
        EXPECT_FALSE(IsBlack(skin.Pixel(20 * tile + 19, 19)));
        EXPECT_TRUE(IsBlack(skin.Pixel(20 * tile + 6, 13)));
    }
}

TEST(FieldArt, BackgroundsAreBaselineJpegsOr24BitBmps)
{
    EXPECT_TRUE(std::filesystem::exists(DataDir / "Background" / "bluewave.jpg"));
    for (const auto& file : FilesIn(DataDir / "Background")) {
        if (file.extension() == ".bmp") {
            const Bmp picture = ReadBmp(file);
            EXPECT_EQ(picture.bits, 24) << file;
            continue;
        }
        ASSERT_EQ(file.extension(), ".jpg") << file;
        const std::vector<uint8_t> d = ReadFile(file);
        ASSERT_GE(d.size(), 4u);
        EXPECT_EQ(d[0], 0xFF);
        EXPECT_EQ(d[1], 0xD8);
        // Walk the markers to the frame header: it must be SOF0 with three
        // components.
        size_t at = 2;
        bool found = false;
        while (at + 4 <= d.size() && d[at] == 0xFF && d[at + 1] != 0xDA) {
            const uint8_t marker = d[at + 1];
            const size_t length = (static_cast<size_t>(d[at + 2]) << 8) | d[at + 3];
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
                EXPECT_EQ(marker, 0xC0) << file << " is not baseline";
                EXPECT_EQ(d.at(at + 9), 3) << file;
                found = true;
            }
            at += 2 + length;
        }
        EXPECT_TRUE(found) << file;
    }
}

TEST(FieldArt, TilingBackgroundHasNoSeam)
{
    const Bmp picture = ReadBmp(DataDir / "Background" / "tiles.bmp");
    ASSERT_GT(picture.width, 2);
    ASSERT_GT(picture.height, 2);
    auto step = [](const uint8_t* a, const uint8_t* b) {
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
    };
    // Across the wrap (last column to first, last row to first) the picture
    // may change no more than it does between neighbours anywhere inside.
    long inside = 0, seam = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x + 1 < picture.width; ++x) {
            inside += step(picture.Pixel(x, y), picture.Pixel(x + 1, y));
        }
        seam += step(picture.Pixel(picture.width - 1, y), picture.Pixel(0, y));
    }
    EXPECT_LE(seam * (picture.width - 1), 2 * inside);
    inside = 0;
    seam = 0;
    for (int x = 0; x < picture.width; ++x) {
        for (int y = 0; y + 1 < picture.height; ++y) {
            inside += step(picture.Pixel(x, y), picture.Pixel(x, y + 1));
        }
        seam += step(picture.Pixel(x, picture.height - 1), picture.Pixel(x, 0));
    }
    EXPECT_LE(seam * (picture.height - 1), 2 * inside);
}

} // namespace
