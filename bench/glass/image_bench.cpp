// Preparing the glass background: resampling a full-HD picture into the big
// glass (360 x 500), stretched and tiled, and decoding a full-HD JPEG.
// Counters are in pixels a second: destination pixels for the resampling,
// picture pixels for the decoding.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include <jpeglib.h>

#include "glass/bitmap.h"
#include "glass/image_file.h"
#include "glass/resample.h"

namespace stakor {
namespace {

constexpr int PictureWidth = 1920;
constexpr int PictureHeight = 1080;
constexpr int GlassWidth = 360;
constexpr int GlassHeight = 500;
constexpr size_t BackgroundStride = 1080;

// Smooth gradients with a ripple and a little fine texture, so that neither
// the resampler nor the decoder meets a flat picture.
uint8_t Sample(int x, int y, int channel)
{
    const int ripple = ((x * 7 + y * 3) / 5) % 64;
    const int texture = ((x * 31) ^ (y * 17)) & 7;
    switch (channel) {
    case 0:
        return static_cast<uint8_t>(x * 255 / PictureWidth / 2 + ripple + texture);
    case 1:
        return static_cast<uint8_t>(y * 255 / PictureHeight / 2 + ripple / 2 + texture);
    default:
        return static_cast<uint8_t>((x + y) * 255 / (PictureWidth + PictureHeight) / 2 + 64 - ripple / 2);
    }
}

TBitmap MakePicture()
{
    TBitmap picture(PictureWidth, PictureHeight);
    for (int y = 0; y < PictureHeight; ++y)
        for (int x = 0; x < PictureWidth; ++x)
            for (int c = 0; c < 3; ++c)
                picture.Row(y)[x * 3 + c] = Sample(x, y, c);
    return picture;
}

// The picture as a quality-90 JPEG in a temporary file, written once and
// removed when the program ends.
class TJpegFile {
public:
    TJpegFile() : Path(std::filesystem::temp_directory_path() / ("stakor-bench-" + std::to_string(::getpid()) + ".jpg"))
    {
        std::vector<uint8_t> row(PictureWidth * 3);
        jpeg_compress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = PictureWidth;
        info.image_height = PictureHeight;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            const int y = static_cast<int>(info.next_scanline);
            for (int x = 0; x < PictureWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    row[static_cast<size_t>(x * 3 + c)] = Sample(x, y, 2 - c);
            JSAMPROW rows = row.data();
            jpeg_write_scanlines(&info, &rows, 1);
        }
        jpeg_finish_compress(&info);
        std::ofstream out(Path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(size));
        jpeg_destroy_compress(&info);
        std::free(buffer);
        if (!out)
            throw std::runtime_error("cannot write " + Path.string());
    }
    ~TJpegFile()
    {
        std::error_code ignored;
        std::filesystem::remove(Path, ignored);
    }
    TJpegFile(const TJpegFile&) = delete;
    TJpegFile& operator=(const TJpegFile&) = delete;

    std::filesystem::path Path;
};

void Resample(benchmark::State& state, bool stretch)
{
    const TBitmap picture = MakePicture();
    std::vector<const uint8_t*> rows;
    for (int y = 0; y < picture.Height; ++y)
        rows.push_back(picture.Row(y));
    std::vector<uint8_t> background(BackgroundStride * GlassHeight);
    for (auto _ : state) {
        ResampleImage(rows.data(), picture.Width, picture.Height, stretch, background.data(), BackgroundStride,
            GlassHeight, GlassWidth);
        benchmark::DoNotOptimize(background.data());
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * GlassWidth * GlassHeight, benchmark::Counter::kIsRate);
}

void BM_ResampleStretchFullHdIntoBigGlass(benchmark::State& state)
{
    Resample(state, true);
}
BENCHMARK(BM_ResampleStretchFullHdIntoBigGlass)->Unit(benchmark::kMicrosecond);

void BM_ResampleTileFullHdIntoBigGlass(benchmark::State& state)
{
    Resample(state, false);
}
BENCHMARK(BM_ResampleTileFullHdIntoBigGlass)->Unit(benchmark::kMicrosecond);

void BM_LoadJpegFullHd(benchmark::State& state)
{
    static const TJpegFile file;
    TBitmap picture;
    for (auto _ : state) {
        if (!LoadImageFile(file.Path, picture)) {
            state.SkipWithError("the JPEG did not load");
            break;
        }
        benchmark::DoNotOptimize(picture.Pixels.data());
    }
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * PictureWidth * PictureHeight, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadJpegFullHd)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace stakor
