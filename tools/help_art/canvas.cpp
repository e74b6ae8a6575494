#include "canvas.h"

#include <stdexcept>

#include <QImageWriter>

namespace stakor::help_art {

QImage ToImage(const TBitmap& bitmap)
{
    // The rows are blue, green, red, padded to whole words: Qt's BGR888 with
    // the bitmap's own stride. Copied, so the picture outlives the bitmap.
    const QImage view(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, static_cast<qsizetype>(bitmap.Stride),
        QImage::Format_BGR888);
    return view.convertToFormat(QImage::Format_RGB32);
}

QImage Filled(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QImage Magnified(const QImage& image, int factor)
{
    return image.scaled(image.width() * factor, image.height() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void SavePng(const QImage& image, const std::filesystem::path& file)
{
    QImageWriter writer(QString::fromStdString(file.string()), "png");
    // Qt's PNG writer takes the quality as the compression effort: 0 packs
    // hardest. The files are kept in the source tree.
    writer.setQuality(0);
    if (!writer.write(image))
        throw std::runtime_error("cannot write " + file.string() + ": " + writer.errorString().toStdString());
}

} // namespace stakor::help_art
