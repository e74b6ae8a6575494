#include "image_files.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

#include "glass/image_file.h"

namespace stakor::field_art {

void WriteBmp24(const std::filesystem::path& file, const QImage& source)
{
    // The game's own writer, fed the picture's rows as blue, green, red.
    const QImage image = source.convertToFormat(QImage::Format_BGR888);
    TBitmap bitmap(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap.Row(y), image.constScanLine(y), 3 * static_cast<size_t>(image.width()));
    if (!WriteBmpFile(file, bitmap))
        throw std::runtime_error("cannot write " + file.string());
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
