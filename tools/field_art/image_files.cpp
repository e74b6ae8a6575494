#include "image_files.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace stakor::field_art {

namespace {

void PutLe16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v)
{
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

} // namespace

void WriteBmp24(const std::filesystem::path& file, const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    const uint32_t width = static_cast<uint32_t>(image.width());
    const uint32_t height = static_cast<uint32_t>(image.height());
    const uint32_t stride = (width * 3 + 3) & ~3U;
    const uint32_t dataSize = stride * height;

    std::vector<uint8_t> out;
    out.reserve(54 + dataSize);
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, 54 + dataSize); // file size
    PutLe32(out, 0); // reserved
    PutLe32(out, 54); // offset of the pixels
    PutLe32(out, 40); // BITMAPINFOHEADER
    PutLe32(out, width);
    PutLe32(out, height); // positive: rows stored bottom-up
    PutLe16(out, 1); // planes
    PutLe16(out, 24); // bits a pixel
    PutLe32(out, 0); // BI_RGB
    PutLe32(out, dataSize);
    PutLe32(out, 2835); // 72 dpi
    PutLe32(out, 2835);
    PutLe32(out, 0); // colours used
    PutLe32(out, 0); // important colours
    for (int y = static_cast<int>(height) - 1; y >= 0; --y) {
        const uchar* line = image.constScanLine(y);
        for (uint32_t x = 0; x < width; ++x) {
            out.push_back(line[3 * x + 2]);
            out.push_back(line[3 * x + 1]);
            out.push_back(line[3 * x]);
        }
        for (uint32_t pad = width * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }

    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!stream) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void WriteJpeg(const std::filesystem::path& file, const QImage& source, int quality)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    FILE* stream = std::fopen(file.c_str(), "wb");
    if (stream == nullptr) {
        throw std::runtime_error("cannot write " + file.string());
    }

    // libjpeg's default error handler reports and exits; for a build tool
    // stopping with its message is the right outcome.
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, stream);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(stream) != 0) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

} // namespace stakor::field_art
