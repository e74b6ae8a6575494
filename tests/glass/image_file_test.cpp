#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "glass/image_file.h"

namespace stakor::test {
namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<uint8_t>;
using TPixel = std::array<int, 3>; // blue, green, red

class TImageFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "stakor-images-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Folder = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(Folder, ignored);
    }
    fs::path Write(const std::string& name, const TBytes& bytes) const
    {
        std::ofstream out(Folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return Folder / name;
    }
    fs::path Folder;
};
using ImageFileBmp = TImageFolder;
using ImageFileJpeg = TImageFolder;
using ImageFileName = TImageFolder;

TPixel PixelAt(const TBitmap& bitmap, int x, int y)
{
    const uint8_t* p = bitmap.Row(y) + size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

// Loading must fail and leave the destination exactly as it was.
void ExpectRefused(const fs::path& file)
{
    TBitmap destination(3, 2);
    for (size_t i = 0; i < destination.Pixels.size(); ++i)
        destination.Pixels[i] = uint8_t(i * 7 + 1);
    const TBitmap before = destination;
    EXPECT_FALSE(LoadImageFile(file, destination)) << file;
    EXPECT_TRUE(destination.Width == before.Width && destination.Height == before.Height &&
        destination.Stride == before.Stride && destination.Pixels == before.Pixels)
        << file;
}

void Put32(TBytes& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// A BMP with a BITMAPINFOHEADER; `palette` entries are 0x00RRGGBB (or the
// masks of BI_BITFIELDS), `pixels` the stored pixel bytes.
TBytes MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const std::vector<uint32_t>& palette,
    const TBytes& pixels)
{
    const auto offset = uint32_t(54 + 4 * palette.size());
    TBytes out = {'B', 'M'};
    for (const uint32_t value : {offset + uint32_t(pixels.size()), 0u, offset, 40u, uint32_t(width), uint32_t(height),
             1u | uint32_t(bits) << 16, compression, uint32_t(pixels.size()), 2835u, 2835u, uint32_t(palette.size()),
             0u})
        Put32(out, value);
    for (const uint32_t entry : palette)
        Put32(out, entry);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

struct TJpegOptions {
    J_COLOR_SPACE Input = JCS_RGB;
    int Components = 3;
    J_COLOR_SPACE Stored = JCS_UNKNOWN; // JCS_UNKNOWN: libjpeg's choice
    bool AdobeMarker = true;
    bool Progressive = false;
};

// Compresses rows of `Components` bytes a pixel at quality 95. The inputs
// are valid, so libjpeg's default error handling will do.
TBytes MakeJpeg(int width, int height, const TBytes& samples, const TJpegOptions& options = {})
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = options.Components;
    info.in_color_space = options.Input;
    jpeg_set_defaults(&info);
    if (options.Stored != JCS_UNKNOWN)
        jpeg_set_colorspace(&info, options.Stored);
    info.write_Adobe_marker = info.write_Adobe_marker && options.AdobeMarker;
    jpeg_set_quality(&info, 95, TRUE);
    if (options.Progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[size_t(width * options.Components) * info.next_scanline]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    TBytes result(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return result;
}

// Four flat 16 x 16 blocks, two by two, of the given pixels: whole blocks
// keep their colour through chroma subsampling, so their centres can be
// checked.
template <size_t N> TBytes Blocks(const std::array<std::array<int, N>, 4>& colours)
{
    TBytes samples;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            for (const int value : colours[size_t(y / 16 * 2 + x / 16)])
                samples.push_back(uint8_t(value));
    return samples;
}

void ExpectBlocks(const TBitmap& bitmap, const std::array<TPixel, 4>& bgr)
{
    ASSERT_EQ(bitmap.Width, 32);
    ASSERT_EQ(bitmap.Height, 32);
    for (size_t block = 0; block < 4; ++block) {
        const TPixel pixel = PixelAt(bitmap, int(block % 2 * 16 + 8), int(block / 2 * 16 + 8));
        for (size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(pixel[c], bgr[block][c], 6) << "block " << block << " channel " << c;
    }
}

const std::array<std::array<int, 3>, 4> BlockRgb = {{{255, 0, 0}, {0, 255, 0}, {30, 60, 220}, {200, 150, 100}}};
const std::array<TPixel, 4> BlockBgr = {{{0, 0, 255}, {0, 255, 0}, {220, 60, 30}, {100, 150, 200}}};

TEST_F(ImageFileBmp, WrittenFileHasKnownLayoutAndReadsBack)
{
    TBitmap bitmap(5, 3); // 15 bytes a row, padded to 16
    for (size_t i = 0; i < bitmap.Pixels.size(); ++i)
        bitmap.Pixels[i] = uint8_t(i % 16 == 15 ? 0xEE : i * 5); // junk padding must not reach the file
    ASSERT_TRUE(WriteBmpFile(Folder / "out.bmp", bitmap));

    std::ifstream in(Folder / "out.bmp", std::ios::binary);
    const TBytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    TBytes header;
    for (const uint32_t value : {102u, 0u, 54u, 40u, 5u, 3u, 1u | 24u << 16, 0u, 48u, 2835u, 2835u, 0u, 0u})
        Put32(header, value);
    ASSERT_EQ(bytes.size(), 102u);
    EXPECT_EQ(TBytes(bytes.begin(), bytes.begin() + 2), (TBytes{'B', 'M'}));
    EXPECT_EQ(TBytes(bytes.begin() + 2, bytes.begin() + 54), header);
    for (int row = 0; row < 3; ++row) { // bottom row first, zero padding
        EXPECT_EQ(0, std::memcmp(&bytes[54 + 16 * size_t(row)], bitmap.Row(2 - row), 15)) << row;
        EXPECT_EQ(bytes[54 + 16 * size_t(row) + 15], 0) << row;
    }

    TBitmap loaded;
    ASSERT_TRUE(LoadImageFile(Folder / "out.bmp", loaded));
    ASSERT_EQ(loaded.Width, 5);
    ASSERT_EQ(loaded.Height, 3);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(0, std::memcmp(loaded.Row(y), bitmap.Row(y), 15)) << y;

    EXPECT_FALSE(WriteBmpFile(Folder / "empty.bmp", TBitmap()));
    EXPECT_FALSE(fs::exists(Folder / "empty.bmp"));
    EXPECT_FALSE(WriteBmpFile(Folder / "no-such-folder" / "a.bmp", bitmap));
}

TEST_F(ImageFileBmp, OtherDepthsAndLayoutsLoadAsTwentyFourBits)
{
    const TPixel blue{255, 0, 0}, green{0, 255, 0}, red{0, 0, 255}, grey{128, 128, 128}, black{}, white{255, 255, 255};
    const std::vector<uint32_t> palette = {0x0000FF, 0x00FF00, 0xFF0000, 0x808080};
    const std::vector<std::tuple<std::string, TBytes, std::vector<std::vector<TPixel>>>> cases = {
        // Rows bottom-up, each padded to four bytes.
        {"palette8", MakeBmp(2, 2, 8, 0, palette, {2, 3, 0, 0, 0, 1, 0, 0}), {{blue, green}, {red, grey}}},
        {"mono", MakeBmp(3, 2, 1, 0, {0x000000, 0xFFFFFF}, {0x60, 0, 0, 0, 0xA0, 0, 0, 0}),
            {{white, black, white}, {black, white, white}}},
        // The fourth byte of a BI_RGB 32-bit pixel is unused, not alpha.
        {"rgb32", MakeBmp(2, 1, 32, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}), {{{1, 2, 3}, {4, 5, 6}}}},
        // BI_BITFIELDS 5-6-5, widened by a shift: 31 becomes 248, 63 252.
        {"rgb565", MakeBmp(3, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0}),
            {{{0, 0, 248}, {0, 252, 0}, {248, 0, 0}}}},
        // A negative height stores the rows top-down.
        {"topdown", MakeBmp(2, -2, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
            {{{1, 2, 3}, {4, 5, 6}}, {{7, 8, 9}, {10, 11, 12}}}},
        // RLE8: the bottom row two runs, the top row one absolute run.
        {"rle8", MakeBmp(4, 2, 8, 1, palette, {2, 1, 2, 2, 0, 0, 0, 4, 0, 1, 2, 0, 0, 0, 0, 1}),
            {{blue, green, red, blue}, {green, green, red, red}}},
    };
    for (const auto& [name, file, rows] : cases) {
        TBitmap loaded(7, 7);
        ASSERT_TRUE(LoadImageFile(Write(name + ".bmp", file), loaded)) << name;
        ASSERT_EQ(loaded.Width, int(rows[0].size())) << name;
        ASSERT_EQ(loaded.Height, int(rows.size())) << name;
        ASSERT_EQ(loaded.Stride, (size_t(loaded.Width) * 3 + 3) & ~size_t{3}) << name;
        for (int y = 0; y < loaded.Height; ++y)
            for (int x = 0; x < loaded.Width; ++x)
                EXPECT_EQ(PixelAt(loaded, x, y), rows[size_t(y)][size_t(x)]) << name << " " << x << "," << y;
    }
}

TEST_F(ImageFileBmp, DamagedHugeAndForeignFilesAreRefused)
{
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(0xFF3366);
    ASSERT_TRUE(png.save(QString::fromStdString((Folder / "png.bmp").string()), "PNG"));
    ExpectRefused(Folder / "png.bmp");
    ExpectRefused(Write("jpeg.bmp", MakeJpeg(32, 32, Blocks(BlockRgb))));
    ExpectRefused(Write("empty.bmp", {}));
    ExpectRefused(Folder / "missing.bmp");
    ExpectRefused(Write("zero.bmp", MakeBmp(0, 2, 24, 0, {}, {})));
    // Rows missing at the end (only the last row's padding may be left out).
    ExpectRefused(Write("cut.bmp", MakeBmp(3, 2, 24, 0, {}, TBytes(12 + 8, 5))));
    TBitmap loaded;
    EXPECT_TRUE(LoadImageFile(Write("unpadded.bmp", MakeBmp(3, 2, 24, 0, {}, TBytes(12 + 9, 5))), loaded));
    // Above the pixel limit, told by the header alone.
    const auto start = std::chrono::steady_clock::now();
    ExpectRefused(Write("huge.bmp", MakeBmp(10000, 10000, 24, 0, {}, {1, 2, 3, 0})));
    ExpectRefused(Write("huge-rle.bmp", MakeBmp(10000, -10000, 8, 1, {0}, {0, 1})));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(ImageFileJpeg, DecodesColourAndGreyPictures)
{
    TBitmap loaded;
    ASSERT_TRUE(LoadImageFile(Write("blocks.jpg", MakeJpeg(32, 32, Blocks(BlockRgb))), loaded));
    ExpectBlocks(loaded, BlockBgr);
    const TBytes progressive = MakeJpeg(32, 32, Blocks(BlockRgb), {.Progressive = true});
    ASSERT_TRUE(LoadImageFile(Write("progressive.jpg", progressive), loaded));
    ExpectBlocks(loaded, BlockBgr);

    const TBytes grey = Blocks<1>({{{20}, {128}, {240}, {0}}});
    ASSERT_TRUE(LoadImageFile(Write("grey.jpg", MakeJpeg(32, 32, grey, {JCS_GRAYSCALE, 1})), loaded));
    ExpectBlocks(loaded, {{{20, 20, 20}, {128, 128, 128}, {240, 240, 240}, {0, 0, 0}}});

    // An odd size: rows padded, nothing shifted.
    const TBytes odd = MakeJpeg(5, 3, TBytes(5 * 3 * 3, 200));
    ASSERT_TRUE(LoadImageFile(Write("odd.jpg", odd), loaded));
    ASSERT_EQ(loaded.Width, 5);
    ASSERT_EQ(loaded.Stride, 16u);
    EXPECT_EQ(PixelAt(loaded, 4, 2), (TPixel{200, 200, 200}));
}

// Adobe's marker says the channels are stored inverted (255 = no ink);
// without it they are plain ink amounts.
TEST_F(ImageFileJpeg, CmykAndYcckPicturesBecomeRgb)
{
    const std::array<std::array<int, 4>, 4> ink = {
        {{0, 255, 255, 0}, {255, 0, 255, 0}, {0, 0, 0, 128}, {0, 128, 255, 64}}};
    std::array<std::array<int, 4>, 4> inverted{};
    for (size_t i = 0; i < 16; ++i)
        inverted[i / 4][i % 4] = 255 - ink[i / 4][i % 4];
    const std::array<TPixel, 4> bgr = {{{0, 0, 255}, {0, 255, 0}, {127, 127, 127}, {0, 95, 191}}};
    TBitmap loaded;
    ASSERT_TRUE(LoadImageFile(Write("cmyk.jpg", MakeJpeg(32, 32, Blocks(inverted), {JCS_CMYK, 4, JCS_CMYK})), loaded));
    ExpectBlocks(loaded, bgr);
    ASSERT_TRUE(LoadImageFile(Write("ycck.jpg", MakeJpeg(32, 32, Blocks(inverted), {JCS_CMYK, 4, JCS_YCCK})), loaded));
    ExpectBlocks(loaded, bgr);
    ASSERT_TRUE(
        LoadImageFile(Write("plain.jpg", MakeJpeg(32, 32, Blocks(ink), {JCS_CMYK, 4, JCS_CMYK, false})), loaded));
    ExpectBlocks(loaded, bgr);
}

TEST_F(ImageFileJpeg, DamagedHugeAndForeignFilesAreRefused)
{
    const TBytes good = MakeJpeg(32, 32, Blocks(BlockRgb));
    // Cut short: libjpeg only warns and pads with grey. A file that lacks
    // nothing but its end marker counts as damaged too.
    for (const size_t keep : {size_t(20), good.size() / 2, good.size() - 10, good.size() - 2})
        ExpectRefused(Write("cut" + std::to_string(keep) + ".jpg", TBytes(good.begin(), good.begin() + long(keep))));

    // Noise in place of the coded data, after a valid header; noise alone;
    // a start-of-image marker followed by noise.
    size_t scan = 0;
    while (!(good[scan] == 0xFF && good[scan + 1] == 0xDA))
        ++scan;
    scan += 2 + size_t(good[scan + 2] << 8 | good[scan + 3]);
    std::mt19937 random(11);
    TBytes noisy(good.begin(), good.begin() + long(scan));
    while (noisy.size() < good.size())
        noisy.push_back(uint8_t(random()));
    ExpectRefused(Write("noisy.jpg", noisy));
    TBytes noise(noisy.begin() + long(scan), noisy.end());
    ExpectRefused(Write("noise.jpg", noise));
    noise[0] = 0xFF;
    noise[1] = 0xD8;
    ExpectRefused(Write("soi-noise.jpg", noise));

    ExpectRefused(Write("empty.jpg", {}));
    ExpectRefused(Folder / "missing.jpg");
    ExpectRefused(Write("bitmap.jpg", MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0})));

    // A header claiming 60000 x 60000 (SOF2: marker, length, precision,
    // height, width) is refused before anything is allocated; libjpeg
    // would take gigabytes for a progressive picture's coefficients.
    TBytes huge = MakeJpeg(32, 32, Blocks(BlockRgb), {.Progressive = true});
    size_t frame = 0;
    while (!(huge[frame] == 0xFF && huge[frame + 1] == 0xC2))
        ++frame;
    huge[frame + 5] = huge[frame + 7] = 0xEA;
    huge[frame + 6] = huge[frame + 8] = 0x60;
    const auto start = std::chrono::steady_clock::now();
    ExpectRefused(Write("huge.jpg", huge));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(ImageFileName, ExtensionDecidesInAnyCase)
{
    const TBytes jpeg = MakeJpeg(32, 32, Blocks(BlockRgb));
    for (const std::string name : {"a.jpg", "b.JPG", "c.Jpeg", "d.jpeg", "dotted.name.JpG", ".jpg"}) {
        TBitmap loaded;
        EXPECT_TRUE(LoadImageFile(Write(name, jpeg), loaded)) << name;
        ExpectBlocks(loaded, BlockBgr);
    }
    ASSERT_TRUE(WriteBmpFile(Folder / "a.Bmp", TBitmap(2, 2)));
    TBitmap loaded;
    EXPECT_TRUE(LoadImageFile(Folder / "a.Bmp", loaded));
    EXPECT_EQ(loaded.Width, 2);

    // Whatever the content, other extensions are not read.
    for (const std::string name : {"a.gif", "b.png", "none", "c.jpg.gif", "jpg", "d.jpe", "e.jpg "})
        ExpectRefused(Write(name, jpeg));
    fs::copy_file(Folder / "a.Bmp", Folder / "f.dib");
    ExpectRefused(Folder / "f.dib");
    fs::create_directory(Folder / "pictures.jpg"); // a folder's dot does not count
    ExpectRefused(Write("pictures.jpg/plain", jpeg));
}

} // namespace
} // namespace stakor::test
