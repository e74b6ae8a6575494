// Checks on the main window's built-in pictures that the window relies on:
// sizes, 24-bit files, the window colour where the outline cuts the window,
// the see-through white of the notices and the crisp digits.

#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace {

const QString ResourcesDir = QStringLiteral(STAKOR_RESOURCES_DIR);

QImage Load(const char* name)
{
    return QImage(ResourcesDir + QLatin1Char('/') + QLatin1String(name), "BMP");
}

int BitCount(const char* name)
{
    QFile file(ResourcesDir + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray header = file.read(30);
    if (header.size() < 30 || !header.startsWith("BM")) {
        return 0;
    }
    return static_cast<uchar>(header[28]) | (static_cast<uchar>(header[29]) << 8);
}

TEST(WindowArt, EveryPictureHasItsSizeAndTwentyFourBits)
{
    struct TExpected {
        const char* Name;
        int Width;
        int Height;
    };
    const TExpected expected[] = {{"back_normal.bmp", 446, 449}, {"back_big.bmp", 566, 589}, {"caption.bmp", 166, 40},
        {"minimize.bmp", 45, 13}, {"close.bmp", 45, 13}, {"game.bmp", 65, 52}, {"settings.bmp", 90, 58},
        {"help.bmp", 54, 58}, {"digits.bmp", 120, 19}, {"paused.bmp", 140, 34}, {"gameover.bmp", 214, 34}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.Name);
        const QImage image = Load(e.Name);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(e.Width, e.Height));
        EXPECT_EQ(BitCount(e.Name), 24);
    }
}

TEST(WindowArt, BacksShowTheWindowColourOutsideTheOutlineAndADarkGlassWell)
{
    const QRgb windowColor = qRgb(16, 66, 110);
    for (const char* name : {"back_normal.bmp", "back_big.bmp"}) {
        SCOPED_TRACE(name);
        const QImage back = Load(name);
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.pixel(0, 0), windowColor);
        EXPECT_EQ(back.pixel(back.width() - 1, back.height() - 1), windowColor);
        const QRgb well = back.pixel(150, 250);
        EXPECT_LT(qRed(well) + qGreen(well) + qBlue(well), 30);
    }
}

TEST(WindowArt, NoticesStandOnSeeThroughWhite)
{
    for (const char* name : {"paused.bmp", "gameover.bmp"}) {
        SCOPED_TRACE(name);
        const QImage notice = Load(name);
        ASSERT_FALSE(notice.isNull());
        const QRgb white = qRgb(255, 255, 255);
        EXPECT_EQ(notice.pixel(0, notice.height() - 1), white);
        int letters = 0;
        for (int y = 0; y < notice.height(); ++y) {
            for (int x = 0; x < notice.width(); ++x) {
                const QRgb c = notice.pixel(x, y);
                if (c == white) {
                    continue;
                }
                ++letters;
                // No pale fringe: a letter pixel is clearly coloured.
                EXPECT_LT(qBlue(c), 230) << x << "," << y;
            }
        }
        EXPECT_GT(letters, notice.width() * notice.height() / 5);
    }
}

TEST(WindowArt, DigitsAreGreenOnBlackWithAGapBetweenGlyphs)
{
    const QImage digits = Load("digits.bmp");
    ASSERT_FALSE(digits.isNull());
    int lit[10] = {};
    for (int y = 0; y < digits.height(); ++y) {
        for (int x = 0; x < digits.width(); ++x) {
            const QRgb c = digits.pixel(x, y);
            if (c == qRgb(0, 0, 0)) {
                continue;
            }
            EXPECT_GT(qGreen(c), qRed(c));
            EXPECT_GT(qGreen(c), qBlue(c));
            EXPECT_NE(x % 12, 0) << "glyph touches its left edge at " << x;
            EXPECT_NE(x % 12, 11) << "glyph touches its right edge at " << x;
            ++lit[x / 12];
        }
    }
    EXPECT_EQ(digits.pixel(0, digits.height() - 1), qRgb(0, 0, 0));
    for (int d = 0; d < 10; ++d) {
        EXPECT_GT(lit[d], 0) << d;
        EXPECT_LE(lit[d], lit[8]) << d;
    }
    EXPECT_LT(lit[1], lit[7]);
}

TEST(WindowArt, ButtonsLookDifferentInEachState)
{
    for (const char* name : {"caption.bmp", "game.bmp", "settings.bmp", "help.bmp"}) {
        SCOPED_TRACE(name);
        const QImage image = Load(name);
        ASSERT_FALSE(image.isNull());
        const int half = image.height() / 2;
        EXPECT_NE(image.copy(0, 0, image.width(), half), image.copy(0, half, image.width(), half));
    }
    for (const char* name : {"minimize.bmp", "close.bmp"}) {
        SCOPED_TRACE(name);
        const QImage image = Load(name);
        ASSERT_FALSE(image.isNull());
        const QImage normal = image.copy(0, 0, 15, 13);
        const QImage hot = image.copy(15, 0, 15, 13);
        const QImage pressed = image.copy(30, 0, 15, 13);
        EXPECT_NE(normal, hot);
        EXPECT_NE(hot, pressed);
        EXPECT_NE(normal, pressed);
    }
}

} // namespace
