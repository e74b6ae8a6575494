#include "help_pictures.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <QPainter>
#include <QPainterPath>

#include "audio/sound.h"
#include "canvas.h"
#include "engine/figures.h"
#include "engine/game_view.h"
#include "engine/panels.h"
#include "base/random.h"
#include "glass/glass.h"
#include "glass/glass_painter.h"
#include "glass/resample.h"
#include "settings/ini.h"

namespace stakor::help_art {

namespace {

constexpr int Gap = 8; // between the pictures of one sheet, and around them
constexpr int CellPixels = 20;

// The glass colours of a fresh installation.
constexpr int32_t GlassBgColor = 0x333333;
constexpr int32_t GlassGridColor = 0x808080;

// One figure as the preview of the next figure shows it: 120 x 120 on black.
QImage FigurePicture(const TGlass& glass, int number, int rotation, int color)
{
    TFigure figure;
    figure.Number = number;
    figure.Rotation = rotation;
    figure.Color = color;
    figure.FallsThrough = number == 1;
    TBitmap preview(NextSize, NextSize);
    DrawNextFigureBitmap(preview, figure, glass, false);
    return ToImage(preview);
}

// Every figure of a style in its first turn, in a block of up to five
// columns with the rows as even as they can be; a shorter last row is centred.
// The previews lose a few black pixels at their edges, which no figure
// reaches, so that five fit beside each other in the help window.
QImage StyleSheet(const TGlass& glass, int style)
{
    constexpr int Size = 104;
    constexpr int Cut = (NextSize - Size) / 2;
    const TStyleFigures figures = StyleFigures[static_cast<size_t>(style - 1)];
    const int rows = (figures.Count + 4) / 5;
    const int columns = (figures.Count + rows - 1) / rows;
    const int step = Size + Gap;
    QImage sheet = Filled(Gap + columns * step, Gap + rows * step, PictureBackground);
    QPainter painter(&sheet);
    for (int k = 0; k < figures.Count; ++k) {
        const int row = k / columns;
        const int inRow = std::min(columns, figures.Count - row * columns);
        const int left = Gap + (columns - inRow) * step / 2 + (k % columns) * step;
        const int number = figures.First + k;
        // A colour of its own for each figure: its number in the ordinary tiles.
        const QImage preview = FigurePicture(glass, number, 1, number % glass.OrdinaryColors());
        painter.drawImage(left, Gap + row * step, preview.copy(Cut, Cut, Size, Size));
    }
    return sheet;
}

// The falling triangle (figure 1) in its four turns, in the skin's last tile,
// each cut to the middle of its preview.
QImage FallingTriangleSheet(const TGlass& glass)
{
    constexpr int Size = 60;
    constexpr int Cut = (NextSize - Size) / 2;
    const int special = glass.SkinWidth() / CellPixels - 1;
    QImage sheet = Filled(Gap + 4 * (Size + Gap), Size + 2 * Gap, PictureBackground);
    QPainter painter(&sheet);
    for (int rotation = 1; rotation <= 4; ++rotation)
        painter.drawImage(Gap + (rotation - 1) * (Size + Gap), Gap,
            FigurePicture(glass, 1, rotation, special).copy(Cut, Cut, Size, Size));
    return sheet;
}

// A glass of the given mode whose background is the fresh installation's:
// the picture stretched over the colour, and the grid.
void PrepareBackground(TGlass& glass, const TBitmap& picture)
{
    FillBackground(glass, ColorToPixel(GlassBgColor));
    if (!picture.Empty()) {
        std::vector<const uint8_t*> rows(static_cast<size_t>(picture.Height));
        for (int y = 0; y < picture.Height; ++y)
            rows[static_cast<size_t>(y)] = picture.Row(y);
        ResampleImage(rows.data(), picture.Width, picture.Height, true, glass.Background.Row(0),
            glass.Background.Stride, glass.Bitmap.Height, glass.Bitmap.Width);
    }
    DrawGrid(glass, ColorToPixel(GlassGridColor));
}

void DrawAllCells(TGlass& glass)
{
    for (int y = 1; y <= glass.Height(); ++y)
        for (int x = 1; x <= glass.Width(); ++x)
            DrawCell(glass, x, y, glass.Cell(x, y), false);
}

// The game's own figure code over a picture's glass, drawing straight into
// its picture: the figures fall, land and show as in play.
class TFigureHand : private TSilentView, private ISound {
public:
    explicit TFigureHand(TGlass& glass) : Glass(glass), Figures(glass, Random, Ini, *this, *this) {}

    // Lets a figure fall from above the glass in column x until it lands,
    // and fixes it there.
    void Drop(int number, int rotation, int x, int color)
    {
        Figures.Current = {number, rotation, x, 1 - FigureShape(number, rotation).MaxY, color, false};
        while (Figures.CanMoveDown())
            ++Figures.Current.Y;
        Figures.FixFigure();
    }

    // The figure drawn over the glass cells it covers, as the falling figure is.
    void PaintOver(const TFigure& figure)
    {
        Figures.Current = figure;
        Figures.PaintFigure(true);
    }

private:
    void DrawCell(int x, int y, const TGlassCell& cell) override { stakor::DrawCell(Glass, x, y, cell, false); }
    void PlaySoundEffect(TSoundEffect) override {}
    void StartMusic() override {}
    void StopMusic() override {}

    TGlass& Glass;
    TIni Ini{std::nullopt};
    TRandom Random;
    TFigures Figures;
};

// A normal glass of the fifth style in play: a game started with four rows of
// trash, a few figures landed on it, the next one on its way down.
QImage GlassExample(TGlass& glass, const TBitmap& picture)
{
    TRandom random(20240611u);
    TGlass scene(random);
    scene.SetSkin(glass.Skin());
    scene.SetSize(2);
    scene.Clear();
    scene.AddTrash(4, 5);
    TFigureHand hand(scene);
    hand.Drop(36, 3, 1, 2);
    hand.Drop(44, 1, 5, 5);
    hand.Drop(52, 2, 8, 1);
    hand.Drop(48, 1, 9, 3);
    for (int y = 1; y <= scene.Height(); ++y)
        if (scene.IsRowFull(y))
            throw std::logic_error("the example glass has a full row");
    PrepareBackground(scene, picture);
    DrawAllCells(scene);
    TFigure falling;
    falling.Number = 46;
    falling.Rotation = 2;
    falling.X = 4;
    falling.Y = 6;
    falling.Color = 6;
    hand.PaintOver(falling);
    return ToImage(scene.Bitmap);
}

// An arrow pointing right, for the steps of a sequence.
void DrawArrow(QPainter& painter, int left, int right, int y)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(200, 210, 230), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawLine(QPointF(left, y), QPointF(right - 8, y));
    QPainterPath head;
    head.moveTo(right, y);
    head.lineTo(right - 12, y - 9);
    head.lineTo(right - 12, y + 9);
    head.closeSubpath();
    painter.fillPath(head, QColor(200, 210, 230));
    painter.restore();
}

// The falling triangle over a column of whole cells with one half cell in
// it: one step later it lies in that half cell and makes it whole. The
// bottom of the glass, magnified twice.
QImage FallsThroughSequence(const TGlass& glass, const TBitmap& picture)
{
    constexpr int Columns = 5, Rows = 7, Factor = 2;
    constexpr int ArrowWidth = 64;
    TRandom random(1);
    TGlass scene(random);
    scene.SetSkin(glass.Skin());
    scene.SetSize(2);
    scene.Clear();
    const int bottom = scene.Height();
    const int top = bottom - Rows + 1;
    // The lower rows of the excerpt are filled, one cell of the triangle's
    // column only half.
    const char* const rows[] = {
        "1.4..",
        "11444",
        "25543",
        "22H33",
        "26666",
    };
    for (int r = 0; r < 5; ++r)
        for (int x = 1; x <= Columns; ++x) {
            const char c = rows[r][x - 1];
            if (c == '.')
                continue;
            TGlassCell& cell = scene.Cell(x, bottom - 4 + r);
            if (c == 'H') {
                cell = TGlassCell{MaskLeft | MaskTop, {5, 5, 5, 5}};
            } else {
                const auto tile = static_cast<uint8_t>(c - '0');
                cell = TGlassCell{MaskWhole, {tile, tile, tile, tile}};
            }
        }
    PrepareBackground(scene, picture);

    TFigure triangle;
    triangle.Number = 1;
    triangle.Rotation = 4; // the lower right half
    triangle.X = 3;
    triangle.Y = bottom - 5; // just above the filled rows
    triangle.Color = glass.SkinWidth() / CellPixels - 1;
    triangle.FallsThrough = true;

    const int width = Columns * CellPixels * Factor, height = Rows * CellPixels * Factor;
    const auto excerpt = [&] {
        return Magnified(
            ToImage(scene.Bitmap).copy(0, (top - 1) * CellPixels, Columns * CellPixels, Rows * CellPixels), Factor);
    };
    QImage sheet = Filled(2 * Gap + 2 * width + ArrowWidth, 2 * Gap + height, PictureBackground);
    QPainter painter(&sheet);

    TFigureHand hand(scene);
    DrawAllCells(scene);
    hand.PaintOver(triangle);
    painter.drawImage(Gap, Gap, excerpt());

    // One step: the first row below whose cell leaves room for the triangle.
    triangle.Y = scene.FirstFreeRow(triangle.X, triangle.Y + 1, FigureShape(1, triangle.Rotation).Cells[0].Mask);
    DrawAllCells(scene);
    hand.PaintOver(triangle);
    painter.drawImage(Gap + width + ArrowWidth, Gap, excerpt());

    DrawArrow(painter, Gap + width + 12, Gap + width + ArrowWidth - 12, Gap + height / 2);
    return sheet;
}

// One cell drawn by the game on the glass colour, magnified four times and
// framed by a thin line where the cell ends.
QImage CellPicture(const TGlass& glass, TGlassCell cell)
{
    constexpr int Factor = 4, Margin = 10;
    TRandom random(1);
    TGlass scene(random);
    scene.SetSkin(glass.Skin());
    scene.SetSize(2);
    FillBackground(scene, ColorToPixel(GlassBgColor));
    DrawCell(scene, 1, 1, cell, false);
    const QImage big = Magnified(ToImage(scene.Bitmap).copy(0, 0, CellPixels, CellPixels), Factor);
    const int side = CellPixels * Factor;
    QImage picture = Filled(side + 2 * Margin, side + 2 * Margin, PictureBackground);
    QPainter painter(&picture);
    painter.setPen(QColor(150, 160, 180));
    painter.drawRect(Margin - 1, Margin - 1, side + 1, side + 1);
    painter.drawImage(Margin, Margin, big);
    return picture;
}

} // namespace

std::vector<std::filesystem::path> WriteHelpPictures(
    const TBitmap& skin, const TBitmap& background, const std::filesystem::path& outDir)
{
    if (skin.Height < CellPixels || skin.Width < 2 * CellPixels)
        throw std::runtime_error("the skin needs at least two 20 x 20 tiles");
    TRandom random(1);
    TGlass glass(random);
    glass.SetSkin(skin);

    std::vector<std::filesystem::path> written;
    const auto save = [&](const QImage& image, const std::string& name) {
        SavePng(image, outDir / name);
        written.push_back(outDir / name);
    };

    for (int style = 1; style <= 5; ++style)
        save(StyleSheet(glass, style), "style" + std::to_string(style) + ".png");
    save(FallingTriangleSheet(glass), "falling-triangle.png");

    // The four triangles in four colours; the half cells each in one.
    save(CellPicture(glass, TGlassCell{MaskWhole, {1, 3, 4, 5}}), "cell-triangles.png");
    const uint8_t halves[] = {3, 6, 12, 9};
    const uint8_t tiles[] = {1, 3, 4, 5};
    for (size_t k = 0; k < 4; ++k)
        save(CellPicture(glass, TGlassCell{halves[k], {tiles[k], tiles[k], tiles[k], tiles[k]}}),
            "half-cell-" + std::to_string(halves[k]) + ".png");

    save(GlassExample(glass, background), "glass-example.png");
    save(FallsThroughSequence(glass, background), "falls-through.png");
    return written;
}

} // namespace stakor::help_art
