#include "glass/image_set.h"

#include <cstring>

#include <QImage>
#include <QImageReader>
#include <QString>

namespace stakor {

bool LoadBuiltinPicture(const std::string& name, TBitmap& bitmap)
{
    // Qt's own BMP reader, asked by name: guessing the format would load
    // every image plugin (and the libraries behind them) at start.
    QImageReader reader(":/" + QString::fromStdString(name), "bmp");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read().convertToFormat(QImage::Format_BGR888);
    if (image.isNull())
        return false;
    bitmap.Resize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap.Row(y), image.constScanLine(y), 3 * static_cast<size_t>(image.width()));
    return true;
}

std::vector<std::string> LoadImageSet(TImageSet& set, int32_t glassMode)
{
    const bool normal = glassMode == 2;
    set = TImageSet{};
    if (!normal) {
        set.CaptionX = 118;
        set.MinimizeX = 427;
        set.CloseX = 444;
        set.GameButtonX = 82;
        set.SettingsButtonX = 162;
        set.HelpButtonX = 267;
    }

    const std::pair<const char*, TBitmap*> pictures[] = {
        {normal ? "BASESKINNBACKBMP" : "BASESKINBBACKBMP", &set.BackImage},
        {"BASESKINCAPTIONBMP", &set.CaptionImage},
        {"BASESKINMINIMIZEBMP", &set.MinimizeImage},
        {"BASESKINCLOSEBMP", &set.CloseImage},
        {"BASESKINGAMEBMP", &set.GameButtonImage},
        {"BASESKINSETTINGSBMP", &set.SettingsButtonImage},
        {"BASESKINHELPBMP", &set.HelpButtonImage},
        {"BASESKINDIGITSBMP", &set.DigitsImage},
        {"BASESKINPAUSEDBMP", &set.PausedImage},
        {"BASESKINGAMEOVERBMP", &set.GameOverImage},
    };
    std::vector<std::string> failed;
    for (const auto& [name, bitmap] : pictures)
        if (!LoadBuiltinPicture(name, *bitmap))
            failed.emplace_back(name);
    return failed;
}

} // namespace stakor
