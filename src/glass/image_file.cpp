#include "glass/image_file.h"

#include "settings/user_file.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include <jpeglib.h>
// After jpeglib.h, which it needs; names the warnings.
#include <jerror.h>

namespace stakor {
namespace {

// The extension from the last dot of the file name, dot included, in upper
// case; empty when the name has no dot.
std::string UpperExtension(const std::filesystem::path& file)
{
    // Not path::extension(), which finds none in a name like ".bmp".
    const std::string name = file.filename().string();
    const size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension;
}

bool FitsLimit(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width * height <= MaxImagePixels;
}

// ---- Windows bitmaps, through Qt's reader -------------------------------

uint32_t Little(const QByteArray& bytes, int at, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// Qt reads an uncompressed bitmap cut short without complaint and leaves
// the missing rows blank; such a file is damaged, as a JPEG cut short is.
// Only the plain layouts are checked (compressed ones end where their
// codes say); the last row may lack its padding.
bool CutShort(QFile& device)
{
    const QByteArray header = device.peek(54);
    if (header.size() < 26 || header[0] != 'B' || header[1] != 'M')
        return false; // not for us to judge: the reader refuses it
    const uint32_t offset = Little(header, 10, 4);
    const uint32_t headerSize = Little(header, 14, 4);
    int64_t width = 0, height = 0, bits = 0;
    if (headerSize == 12) { // OS/2 BITMAPCOREHEADER: never compressed
        width = Little(header, 18, 2);
        height = Little(header, 20, 2);
        bits = Little(header, 24, 2);
    } else if (headerSize >= 40 && header.size() >= 34) {
        const uint32_t compression = Little(header, 30, 4);
        if (compression != 0 && compression != 3) // BI_RGB, BI_BITFIELDS
            return false;
        width = static_cast<int32_t>(Little(header, 18, 4));
        height = std::abs(int64_t{static_cast<int32_t>(Little(header, 22, 4))});
        bits = Little(header, 28, 2);
    } else {
        return false;
    }
    if (!FitsLimit(width, height) || bits <= 0 || bits > 32)
        return false; // refused elsewhere
    const int64_t rowBytes = (width * bits + 31) / 32 * 4;
    const int64_t lastRowBytes = (width * bits + 7) / 8;
    return device.size() < int64_t{offset} + rowBytes * (height - 1) + lastRowBytes;
}

// Qt's limit is in megabytes, for a picture of 32 bits a pixel.
constexpr int AllocationLimitMb = static_cast<int>(MaxImagePixels * 4 / (1024 * 1024)) + 1;

bool LoadBmp(const std::filesystem::path& file, TBitmap& destination)
{
    // Opening the file ourselves keeps the reader from guessing other names
    // when this one does not exist, and refuses a pipe or a device at once.
    struct TDescriptor {
        int Fd;
        ~TDescriptor()
        {
            if (Fd >= 0)
                ::close(Fd);
        }
    };
    // Declared before the device, so it is closed after the device is gone.
    const TDescriptor descriptor{OpenRegularFile(file)};
    if (descriptor.Fd < 0)
        return false;
    QFile device;
    if (!device.open(descriptor.Fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || CutShort(device))
        return false;
    QImageReader reader(&device, "bmp");
    // Only the bitmap reader: a picture of another kind named ".bmp" fails.
    reader.setAutoDetectImageFormat(false);
    // Qt decodes to 32 bits a pixel and by default refuses pictures of more
    // than 128 MB, half our own limit; ours holds instead.
    reader.setAllocationLimit(AllocationLimitMb);

    // The header's size, checked before any pixel memory is taken (a
    // top-down bitmap reports a negative height).
    const QSize size = reader.size();
    if (!FitsLimit(size.width(), std::abs(int64_t{size.height()})))
        return false;

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return false;
    image = std::move(image).convertToFormat(QImage::Format_BGR888);
    if (image.isNull() || !FitsLimit(image.width(), image.height()))
        return false;

    TBitmap picture(image.width(), image.height());
    const auto rowBytes = static_cast<size_t>(picture.Width) * 3;
    for (int y = 0; y < picture.Height; ++y)
        std::memcpy(picture.Row(y), image.constScanLine(y), rowBytes);
    destination = std::move(picture);
    return true;
}

// ---- JPEG, through libjpeg ----------------------------------------------

// libjpeg reports fatal errors through error_exit, which must not return;
// ours jumps back to the guarded call that was running (see TJpegDecoder::Run).
struct TJpegErrors {
    jpeg_error_mgr Base; // first, so libjpeg's pointer to it points to the whole
    std::jmp_buf Jump;
    bool Damaged;
};

[[noreturn]] void JumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TJpegErrors*>(info->err)->Jump, 1);
}

// libjpeg decodes damaged data as far as it can and only warns: a file cut
// short is padded with grey, a broken Huffman code or a stray marker
// leaves blocks blank. A background shown that way would look broken, so
// such warnings count as failures. Warnings about the file's wrapping
// (an unknown JFIF version, an odd Adobe transform, a bad ICC profile,
// junk bytes between segments) leave the pixels intact and are tolerated.
// Nothing is printed: the game has no console.
void CountMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace output
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    ++errors->Base.num_warnings;
    switch (errors->Base.msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        errors->Damaged = true;
        break;
    default:
        break;
    }
}

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

// One decompression, destroyed on every path. Every libjpeg call that can
// fail goes through Run, which holds the jump target for that call only.
class TJpegDecoder {
public:
    TJpegDecoder()
    {
        Info.err = jpeg_std_error(&Errors.Base);
        Errors.Base.error_exit = JumpOnError;
        Errors.Base.emit_message = CountMessage;
        Errors.Damaged = false;
    }
    ~TJpegDecoder() { jpeg_destroy_decompress(&Info); }
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    // Runs `call`; false when libjpeg gave up or warned of damaged data.
    // The jump back skips the frames of `call` and of libjpeg: `call` must
    // only call libjpeg and hold no object with a destructor, and this
    // frame holds none either.
    template <typename TCall> bool Run(const TCall& call)
    {
        if (setjmp(Errors.Jump) != 0)
            return false;
        call();
        return !Errors.Damaged;
    }

    // Zeroed first, so that destroying it is safe even when creation fails.
    jpeg_decompress_struct Info{};

private:
    TJpegErrors Errors{};
};

// Adobe's programs write CMYK JPEGs with every channel inverted (255 = no
// ink), and they mark such files with their APP14 marker; other CMYK
// files hold plain ink amounts. YCCK files come out of libjpeg as CMYK in
// the same convention as their marker says.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        // c, m, y, k now say how much of each light is left, 255 = all.
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

void RgbToBgr(uint8_t* row, int width)
{
    for (int x = 0; x < width; ++x, row += 3)
        std::swap(row[0], row[2]);
}

bool LoadJpeg(const std::filesystem::path& file, TBitmap& destination)
{
    // Declared before the decoder, so it is closed after the decoder is gone.
    const int fd = OpenRegularFile(file);
    if (fd < 0)
        return false;
    const TFileHandle handle(::fdopen(fd, "rb"));
    if (!handle) {
        ::close(fd);
        return false;
    }

    TJpegDecoder decoder;
    j_decompress_ptr info = &decoder.Info;
    std::FILE* input = handle.get();
    if (!decoder.Run([info] { jpeg_create_decompress(info); }))
        return false;
    // An empty file stops here too (libjpeg: "empty input file").
    if (!decoder.Run([info, input] {
            jpeg_stdio_src(info, input);
            jpeg_read_header(info, TRUE);
        }))
        return false;

    // Refuse huge pictures before libjpeg allocates anything for the pixels.
    if (!FitsLimit(info->image_width, info->image_height))
        return false;

    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    const bool inverted = cmyk && info->saw_Adobe_marker;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info->scale_num = 1;
    info->scale_denom = 1;
    info->quantize_colors = FALSE;
    info->dct_method = JDCT_FLOAT;
    info->do_block_smoothing = TRUE;
    if (!decoder.Run([info] { jpeg_start_decompress(info); }))
        return false;
    if (!FitsLimit(info->output_width, info->output_height) || info->output_components != (cmyk ? 4 : 3))
        return false;

    TBitmap picture(static_cast<int>(info->output_width), static_cast<int>(info->output_height));
    // RGB rows are decoded straight into the picture (a row of it has room
    // for them) and turned around in place; CMYK rows need four bytes a pixel.
    std::vector<uint8_t> cmykRow(cmyk ? static_cast<size_t>(picture.Width) * 4 : 0);
    while (info->output_scanline < info->output_height) {
        const int y = static_cast<int>(info->output_scanline);
        JSAMPROW row = cmyk ? cmykRow.data() : picture.Row(y);
        JSAMPROW* rows = &row;
        if (!decoder.Run([info, rows] { jpeg_read_scanlines(info, rows, 1); }))
            return false;
        if (static_cast<int>(info->output_scanline) == y)
            return false; // no progress: should not happen with a file source
        if (cmyk)
            CmykToBgr(cmykRow.data(), picture.Row(y), picture.Width, inverted);
        else
            RgbToBgr(picture.Row(y), picture.Width);
    }
    // Reads on to the end of the file, so a file cut after its last row
    // still counts as damaged.
    if (!decoder.Run([info] { jpeg_finish_decompress(info); }))
        return false;

    destination = std::move(picture);
    return true;
}

} // namespace

bool LoadImageFile(const std::filesystem::path& file, TBitmap& destination)
{
    try {
        const std::string extension = UpperExtension(file);
        if (extension == ".BMP")
            return LoadBmp(file, destination);
        if (extension == ".JPG" || extension == ".JPEG")
            return LoadJpeg(file, destination);
        return false;
    } catch (const std::bad_alloc&) {
        // A picture within the limit may still not fit in memory; the
        // destination is only replaced at the very end, so it is intact.
        return false;
    }
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

} // namespace

bool WriteBmpFile(const std::filesystem::path& file, const TBitmap& bitmap)
{
    if (bitmap.Empty())
        return false;
    constexpr uint32_t HeadersSize = 14 + 40;
    constexpr uint32_t PixelsPerMetre = 2835; // 72 dots an inch
    // A BMP row is padded to whole 32-bit words, as our rows are.
    const auto rowBytes = static_cast<uint64_t>(bitmap.Width) * 3;
    const uint64_t paddedRow = (rowBytes + 3) & ~uint64_t{3};
    const uint64_t imageSize = paddedRow * static_cast<uint64_t>(bitmap.Height);
    if (HeadersSize + imageSize > UINT32_MAX)
        return false; // the format cannot say so large a size

    std::vector<uint8_t> header;
    header.reserve(HeadersSize);
    // BITMAPFILEHEADER
    header.push_back('B');
    header.push_back('M');
    Put32(header, static_cast<uint32_t>(HeadersSize + imageSize));
    Put32(header, 0); // two reserved words
    Put32(header, HeadersSize);
    // BITMAPINFOHEADER; a positive height means the rows run bottom-up.
    Put32(header, 40);
    Put32(header, static_cast<uint32_t>(bitmap.Width));
    Put32(header, static_cast<uint32_t>(bitmap.Height));
    Put16(header, 1); // planes
    Put16(header, 24); // bits a pixel
    Put32(header, 0); // BI_RGB
    Put32(header, static_cast<uint32_t>(imageSize));
    Put32(header, PixelsPerMetre);
    Put32(header, PixelsPerMetre);
    Put32(header, 0); // colours used
    Put32(header, 0); // important colours

    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    // The padding is written as zeros whatever the bitmap holds past its rows.
    std::vector<uint8_t> row(static_cast<size_t>(paddedRow), 0);
    for (int y = bitmap.Height - 1; y >= 0 && out; --y) {
        std::memcpy(row.data(), bitmap.Row(y), static_cast<size_t>(rowBytes));
        out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
    }
    out.close();
    if (out.fail()) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored); // no half-written picture left behind
        return false;
    }
    return true;
}

} // namespace stakor
