#include "pictures.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "relief.h"

namespace stakor::window_art {

namespace {

// ---------------------------------------------------------------------------
// Layout of the window (client pixels), normal and big glass.

struct TLayout {
    int Extra = 0; // how much wider the big window is (0 for the normal one)
    int Width = 0; // of the back picture
    int Height = 0;
    int BodyBottom = 0; // lower edge of the main body in the outline
    QRect Glass;
    QRect Life;
    QPoint Caption;
    QPoint Minimize;
    QPoint Close;
    QPoint Game;
    QPoint Settings;
    QPoint Help;
};

TLayout MakeLayout(bool big)
{
    TLayout l;
    const int b = big ? 120 : 0;
    const int taller = big ? 140 : 0;
    l.Extra = b;
    l.Width = 446 + b;
    l.Height = 449 + taller;
    l.BodyBottom = 450 + taller;
    l.Glass = QRect(32, 77, 240 + b, 360 + taller);
    l.Life = QRect(12, 77, 10, 360 + taller);
    l.Caption = big ? QPoint(118, 3) : QPoint(58, 3);
    l.Minimize = QPoint(307 + b, 6);
    l.Close = QPoint(324 + b, 6);
    l.Game = big ? QPoint(82, 45) : QPoint(32, 45);
    l.Settings = big ? QPoint(162, 45) : QPoint(102, 45);
    l.Help = big ? QPoint(267, 45) : QPoint(197, 45);
    return l;
}

constexpr QSize kCaptionFrame(166, 20);
constexpr QSize kSmallButtonFrame(15, 13);
constexpr QSize kGameFrame(65, 26);
constexpr QSize kSettingsFrame(90, 29);
constexpr QSize kHelpFrame(54, 29);

// The rounded rectangles as the window system cuts them: right and bottom
// exclusive, corner ellipses 14 by 14.
QPainterPath Piece(int left, int top, int right, int bottom)
{
    QPainterPath p;
    p.addRoundedRect(QRectF(left, top, right - left, bottom - top), 7, 7);
    return p;
}

QPainterPath WindowOutline(const TLayout& l)
{
    const int b = l.Extra;
    QPainterPath p = Piece(20, 0, b + 285, 25); // caption bar
    p = p.united(Piece(b + 302, 0, b + 345, 25)); // minimise and close
    p = p.united(Piece(b + 275, 7, b + 312, 25));
    p = p.subtracted(Piece(b + 285, 0, b + 302, 11));
    p = p.united(Piece(0, 40, b + 285, l.BodyBottom)); // body with the glass
    p = p.united(Piece(40, 0, b + 245, 60)); // neck under the caption
    p = p.subtracted(Piece(30, 24, 50, 41));
    p = p.subtracted(Piece(b + 235, 24, b + 255, 41));
    p = p.united(Piece(b + 302, 60, b + 447, 435)); // right panel
    p = p.united(Piece(b + 275, 90, b + 312, 405)); // bridge to the panel
    p = p.subtracted(Piece(b + 284, 80, b + 303, 100));
    p = p.subtracted(Piece(b + 284, 395, b + 303, 415));
    return p;
}

// ---------------------------------------------------------------------------
// Colours.

constexpr TRgb kWindowColor{16, 66, 110};

TRgb Mix(TRgb a, TRgb c, float t)
{
    return {a.R + (c.R - a.R) * t, a.G + (c.G - a.G) * t, a.B + (c.B - a.B) * t};
}

TRgb Scale(TRgb a, float f)
{
    return {a.R * f, a.G * f, a.B * f};
}

// ---------------------------------------------------------------------------
// The back picture as a relief: a raised metal rim along the outline, a
// brushed blue face, and sunken wells for everything drawn over it at run time.

constexpr float kRimWidth = 6.0f;
constexpr float kRimTop = 2.6f;
constexpr float kFaceLevel = 1.0f;

constexpr TRgb kRimSteel{104, 150, 200};
constexpr TRgb kBezelSteel{78, 122, 172};
constexpr TRgb kFaceTop{32, 84, 138};
constexpr TRgb kFaceBottom{20, 60, 106};
constexpr TRgb kBandFloor{12, 40, 74};
constexpr TRgb kPanelFloor{7, 22, 42};
constexpr TRgb kBlack{0, 0, 0};

float RimHeight(float d)
{
    if (d < 2.4f) {
        const float t = 1.0f - d / 2.4f;
        return kRimTop * (1.0f - t * t);
    }
    if (d < 3.4f) {
        return kRimTop;
    }
    return kRimTop - (kRimTop - kFaceLevel) * SmoothStep(3.4f, kRimWidth, d);
}

// Brushed along the rows, darker towards the bottom, with two broad soft
// reflections running across at a slant.
TRgb FaceColor(float x, float y)
{
    const int row = static_cast<int>(std::floor(y));
    const float grain = 0.6f * Hash(row, 11) + 0.4f * Hash(row / 3, 12);
    const float slant = x * 0.55f + y;
    auto band = [&](float centre, float width) {
        const float t = (slant - centre) / width;
        return std::exp(-t * t);
    };
    const float sheen = 0.10f * band(150.0f, 70.0f) + 0.07f * band(470.0f, 90.0f);
    return Scale(Mix(kFaceTop, kFaceBottom, std::clamp(y / 600.0f, 0.0f, 1.0f)), 1.0f + 0.035f * grain + sheen);
}

enum class TFloor { Plain, CaptionGlass };

struct TRecess {
    QRectF Rect; // the floor
    float Radius = 1.5f;
    float Bezel = 3.0f; // width of the sloping rim around the floor
    float Depth = 2.0f;
    float Lip = 0.5f; // a raised edge around the rim, above the face
    TRgb Floor = kBlack;
    TFloor Kind = TFloor::Plain;
};

TRgb CaptionFloorColor(const QRectF& r, float y)
{
    // A dark glass plate with a soft reflection on its upper half.
    const float t = (y - r.top()) / r.height();
    const TRgb deep{5, 16, 34};
    const TRgb shine{34, 72, 118};
    if (t < 0.5f) {
        return Mix(shine, Mix(deep, shine, 0.25f), SmoothStep(0.0f, 0.5f, t));
    }
    return Mix(deep, {12, 34, 64}, SmoothStep(0.55f, 1.0f, t));
}

struct TCandidate {
    TSurface Surface;
    bool Any = false;
};

TCandidate RecessAt(const TRecess& r, float x, float y)
{
    TCandidate c;
    const float s = RoundedRectDistance(x, y, r.Rect.left(), r.Rect.top(), r.Rect.right(), r.Rect.bottom(), r.Radius);
    if (s >= r.Bezel) {
        return c;
    }
    c.Any = true;
    const float floorLevel = kFaceLevel - r.Depth;
    if (s <= 0) {
        c.Surface.Height = floorLevel;
        c.Surface.Albedo = r.Kind == TFloor::CaptionGlass ? CaptionFloorColor(r.Rect, y) : r.Floor;
        c.Surface.Gloss = 0.2f;
        return c;
    }
    const float t = s / r.Bezel;
    constexpr float kCrest = 0.62f;
    if (t < kCrest) {
        c.Surface.Height = floorLevel + (kFaceLevel + r.Lip - floorLevel) * SmoothStep(0.0f, kCrest, t);
    } else {
        c.Surface.Height = kFaceLevel + r.Lip * (1.0f - SmoothStep(kCrest, 1.0f, t));
    }
    c.Surface.Albedo = kBezelSteel;
    c.Surface.Gloss = 0.8f;
    return c;
}

std::vector<TRecess> BackRecesses(const TLayout& l)
{
    const int b = l.Extra;
    std::vector<TRecess> r;
    auto well = [&](QRect rect, float bezel) {
        TRecess w;
        w.Rect = QRectF(rect);
        w.Bezel = bezel;
        w.Radius = 1.0f;
        w.Depth = 2.2f;
        w.Lip = 0.6f;
        r.push_back(w);
    };
    well(l.Glass, 3.0f);
    well(l.Life, 3.0f);
    well(QRect(b + 314, 85, 120, 23), 3.0f); // score
    well(QRect(b + 339, 134, 70, 29), 3.0f); // level
    well(QRect(b + 314, 305, 120, 120), 3.0f); // next figure

    // The dark plate behind the line counts, so their blue text reads well.
    TRecess lines;
    lines.Rect = QRectF(b + 313, 188, 122, 88);
    lines.Radius = 3.0f;
    lines.Bezel = 2.5f;
    lines.Depth = 1.2f;
    lines.Lip = 0.4f;
    lines.Floor = kPanelFloor;
    r.push_back(lines);

    // The channel the three menu buttons sit in.
    TRecess band;
    band.Rect = QRectF(30, 44, b + 244, 30);
    band.Radius = 4.0f;
    band.Bezel = 2.2f;
    band.Depth = 1.0f;
    band.Lip = 0.3f;
    band.Floor = kBandFloor;
    r.push_back(band);

    // The glass plate that carries the title.
    TRecess caption;
    caption.Rect = QRectF(QPointF(l.Caption), QSizeF(kCaptionFrame));
    caption.Radius = 2.0f;
    caption.Bezel = 2.0f;
    caption.Depth = 1.4f;
    caption.Lip = 0.3f;
    caption.Kind = TFloor::CaptionGlass;
    r.push_back(caption);

    // Cooling slots on the bridge between the body and the panel.
    for (int i = 0; i < 5; ++i) {
        TRecess slot;
        slot.Rect = QRectF(b + 287.5, 229.5 + 8 * i, 12, 2.5);
        slot.Radius = 1.2f;
        slot.Bezel = 1.3f;
        slot.Depth = 0.9f;
        slot.Lip = 0.15f;
        slot.Floor = {4, 14, 30};
        r.push_back(slot);
    }

    // Socket of the minimise and close buttons.
    TRecess socket;
    socket.Rect = QRectF(b + 306, 5, 34, 15);
    socket.Radius = 3.0f;
    socket.Bezel = 1.8f;
    socket.Depth = 1.2f;
    socket.Lip = 0.2f;
    socket.Floor = {8, 26, 50};
    r.push_back(socket);
    return r;
}

TSurface BackSurface(
    const TInsideDistance& dist, const std::vector<TRecess>& recesses, float x, float y, int sx, int sy)
{
    const float d = dist.At(sx, sy);
    TSurface s;
    if (d <= 0) {
        s.Albedo = kWindowColor;
        s.Lit = false;
        return s;
    }
    const bool onRim = d < kRimWidth;
    if (onRim) {
        s.Height = RimHeight(d);
        s.Albedo = kRimSteel;
        s.Gloss = 0.9f;
    } else {
        s.Height = kFaceLevel;
        s.Albedo = FaceColor(x, y);
        s.Gloss = 0.25f;
    }
    TCandidate best;
    for (const TRecess& r : recesses) {
        const TCandidate c = RecessAt(r, x, y);
        if (c.Any && (!best.Any || c.Surface.Height < best.Surface.Height)) {
            best = c;
        }
    }
    // A well cut into the rim takes only the part that lies lower, so the two
    // slopes meet without a step.
    if (best.Any && (!onRim || best.Surface.Height < s.Height)) {
        s = best.Surface;
    }
    return s;
}

// ---------------------------------------------------------------------------
// Text helpers.

QFont BoldFont(qreal pixelSize)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(static_cast<int>(pixelSize));
    f.setBold(true);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QPainterPath TextPath(const QString& text, const QFont& font)
{
    QPainterPath p;
    p.addText(0, 0, font, text);
    return p;
}

// The path moved so that its box is centred in the rectangle.
QPainterPath Centred(const QPainterPath& path, const QRectF& rect)
{
    const QRectF box = path.boundingRect();
    return path.translated(rect.center() - box.center());
}

// Three box blurs in a row come close to a Gaussian.
QImage Blurred(const QImage& alpha, int radius)
{
    QImage a = alpha.convertToFormat(QImage::Format_Grayscale8);
    const int w = a.width();
    const int h = a.height();
    std::vector<float> buf(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            buf[static_cast<size_t>(y) * w + x] = a.constScanLine(y)[x];
        }
    }
    std::vector<float> tmp(buf.size());
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = x + k;
                    sum += (xx >= 0 && xx < w) ? buf[static_cast<size_t>(y) * w + xx] : 0.0f;
                }
                tmp[static_cast<size_t>(y) * w + x] = sum / (2 * radius + 1);
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = y + k;
                    sum += (yy >= 0 && yy < h) ? tmp[static_cast<size_t>(yy) * w + x] : 0.0f;
                }
                buf[static_cast<size_t>(y) * w + x] = sum / (2 * radius + 1);
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            a.scanLine(y)[x] =
                static_cast<uchar>(std::clamp(std::lround(buf[static_cast<size_t>(y) * w + x]), 0L, 255L));
        }
    }
    return a;
}

// A soft light around a shape, added in "screen" fashion so it brightens the
// dark plate beneath without ever turning it grey.
void Glow(QImage& dst, const QPainterPath& path, QColor color, int radius, float strength, qreal widen = 0)
{
    QImage mask(dst.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.fillPath(path, Qt::white);
        if (widen > 0) {
            p.strokePath(path, QPen(Qt::white, widen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
    }
    const QImage soft = Blurred(mask, radius);
    for (int y = 0; y < dst.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(dst.scanLine(y));
        const uchar* a = soft.constScanLine(y);
        for (int x = 0; x < dst.width(); ++x) {
            const float k = std::min(1.0f, a[x] / 255.0f * strength);
            auto screen = [&](int base, int light) {
                const float l = light * k / 255.0f;
                return static_cast<int>(std::lround(255.0f - (255.0f - base) * (1.0f - l)));
            };
            const QRgb c = line[x];
            line[x] =
                qRgb(screen(qRed(c), color.red()), screen(qGreen(c), color.green()), screen(qBlue(c), color.blue()));
        }
    }
}

// Text pressed into the metal: a dark edge below right, a faint light one
// above left, and the letters themselves.
void EngravedText(QPainter& p, const QPainterPath& text, QColor face)
{
    p.fillPath(text.translated(1, 1), QColor(0, 8, 22, 220));
    p.fillPath(text.translated(-0.5, -0.5), QColor(140, 190, 240, 50));
    p.fillPath(text, face);
}

void Heading(QPainter& p, const QString& text, int left, int right, int top)
{
    const QFont font = BoldFont(11);
    const QFontMetricsF fm(font);
    const QPainterPath path = TextPath(text, font).translated(left, top + fm.ascent());
    EngravedText(p, path, QColor(176, 212, 246));
    // A groove that runs from the word to the end of the box below it.
    const qreal gx = path.boundingRect().right() + 6;
    const qreal gy = top + std::round(fm.ascent() * 0.62) + 0.5;
    if (gx < right - 4) {
        QLinearGradient fade(gx, 0, right, 0);
        fade.setColorAt(0, QColor(0, 10, 26, 200));
        fade.setColorAt(1, QColor(0, 10, 26, 60));
        p.setPen(QPen(QBrush(fade), 1));
        p.drawLine(QPointF(gx, gy), QPointF(right, gy));
        QLinearGradient fadeLight(gx, 0, right, 0);
        fadeLight.setColorAt(0, QColor(120, 175, 230, 110));
        fadeLight.setColorAt(1, QColor(120, 175, 230, 30));
        p.setPen(QPen(QBrush(fadeLight), 1));
        p.drawLine(QPointF(gx, gy + 1), QPointF(right, gy + 1));
    }
}

// ---------------------------------------------------------------------------
// The pictures.

QImage DrawBack(const TLayout& l)
{
    const QPainterPath outline = WindowOutline(l);
    const TInsideDistance dist(outline, l.Width, l.Height);
    const std::vector<TRecess> recesses = BackRecesses(l);
    const TRelief relief(
        l.Width, l.Height, [&](float x, float y, int sx, int sy) { return BackSurface(dist, recesses, x, y, sx, sy); });
    QImage img = relief.Shade();

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int b = l.Extra;
    Heading(p, QStringLiteral("Score"), b + 314, b + 434, 68);
    Heading(p, QStringLiteral("Level"), b + 314, b + 434, 117);
    Heading(p, QStringLiteral("Lines"), b + 314, b + 434, 170);
    Heading(p, QStringLiteral("Next block"), b + 314, b + 434, 287);
    return img;
}

QImage DrawCaption(const QImage& back, const TLayout& l)
{
    const QImage plate = back.copy(QRect(l.Caption, kCaptionFrame));
    QImage out(kCaptionFrame.width(), kCaptionFrame.height() * 2, QImage::Format_RGB32);
    const QString title = QStringLiteral("Vexamo Stakor");
    const QFont font = BoldFont(13);
    const QRectF box(0, 0, kCaptionFrame.width(), kCaptionFrame.height());
    const QPainterPath text = Centred(TextPath(title, font), box.adjusted(0, 0, 0, 0.5));

    QImage active = plate;
    Glow(active, text, QColor(70, 170, 255), 2, 1.6f, 1.0);
    {
        QPainter p(&active);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.fillPath(text.translated(1, 1), QColor(0, 10, 30, 200));
        QLinearGradient g(0, text.boundingRect().top(), 0, text.boundingRect().bottom());
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(0.55, QColor(200, 232, 255));
        g.setColorAt(1, QColor(140, 200, 250));
        p.fillPath(text, g);
    }
    QImage inactive = plate;
    {
        QPainter p(&inactive);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.fillPath(text.translated(1, 1), QColor(0, 8, 20, 160));
        p.fillPath(text, QColor(118, 134, 152));
    }
    QPainter p(&out);
    p.drawImage(0, 0, active);
    p.drawImage(0, kCaptionFrame.height(), inactive);
    return out;
}

enum class TGlyph { Minimize, Close };

QImage DrawSmallButton(const QImage& back, QPoint at, TGlyph glyph)
{
    const QImage under = back.copy(QRect(at, kSmallButtonFrame));
    const int fw = kSmallButtonFrame.width();
    const int fh = kSmallButtonFrame.height();
    QImage out(fw * 3, fh, QImage::Format_RGB32);
    {
        QPainter p(&out);
        for (int s = 0; s < 3; ++s) {
            p.drawImage(s * fw, 0, under);
        }
    }
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int state = 0; state < 3; ++state) {
        p.save();
        p.translate(state * fw, 0);
        const QRectF body(0.5, 0.5, fw - 1, fh - 1);
        QColor top, bottom, edge, sign;
        if (state == 0) {
            top = QColor(128, 172, 220);
            bottom = QColor(34, 76, 128);
            edge = QColor(4, 18, 38);
            sign = QColor(232, 242, 255);
        } else if (state == 1) {
            if (glyph == TGlyph::Close) {
                top = QColor(255, 170, 140);
                bottom = QColor(196, 44, 30);
            } else {
                top = QColor(180, 232, 255);
                bottom = QColor(40, 140, 226);
            }
            edge = QColor(6, 22, 44);
            sign = QColor(255, 255, 255);
        } else {
            top = glyph == TGlyph::Close ? QColor(110, 24, 18) : QColor(14, 46, 90);
            bottom = glyph == TGlyph::Close ? QColor(200, 80, 60) : QColor(70, 130, 196);
            edge = QColor(2, 10, 24);
            sign = QColor(210, 226, 244);
        }
        QLinearGradient g(0, body.top(), 0, body.bottom());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        QPainterPath shape;
        shape.addRoundedRect(body, 3.5, 3.5);
        p.fillPath(shape, g);
        // A gloss over the upper half, or a shadow inside when pressed.
        if (state < 2) {
            QPainterPath gloss;
            gloss.addRoundedRect(QRectF(2, 1.5, fw - 4, 4.5), 2, 2);
            p.fillPath(gloss, QColor(255, 255, 255, state == 1 ? 90 : 60));
        } else {
            p.setPen(QPen(QColor(0, 0, 0, 90), 1));
            p.drawLine(QPointF(2, 2), QPointF(fw - 3, 2));
        }
        p.setPen(QPen(edge, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);

        const qreal o = state == 2 ? 0.5 : 0.0;
        QPainterPath mark;
        if (glyph == TGlyph::Minimize) {
            mark.addRoundedRect(QRectF(4 + o, 7.5 + o, 7, 2.2), 0.8, 0.8);
        } else {
            QPainterPathStroker st;
            st.setWidth(1.9);
            st.setCapStyle(Qt::RoundCap);
            QPainterPath x;
            x.moveTo(4.6 + o, 3.6 + o);
            x.lineTo(10.4 + o, 9.4 + o);
            x.moveTo(10.4 + o, 3.6 + o);
            x.lineTo(4.6 + o, 9.4 + o);
            mark = st.createStroke(x);
        }
        p.fillPath(mark.translated(0.7, 0.7), QColor(0, 10, 30, 150));
        p.fillPath(mark, sign);
        p.restore();
    }
    return out;
}

QImage DrawMenuButton(const QImage& back, QPoint at, QSize frame, const QString& word)
{
    const QImage under = back.copy(QRect(at, frame));
    const QFont font = BoldFont(12);
    const QRectF box(0, 0, frame.width(), frame.height());
    const QPainterPath text = Centred(TextPath(word, font), box.adjusted(0, 0, 0, 0));
    const QRectF pill = box.adjusted(1.5, 2.5, -1.5, -2.5);
    QPainterPath pillPath;
    pillPath.addRoundedRect(pill, 7, 7);

    QImage normal = under;
    {
        QPainter p(&normal);
        p.setRenderHint(QPainter::Antialiasing, true);
        QLinearGradient g(0, pill.top(), 0, pill.bottom());
        g.setColorAt(0, QColor(46, 98, 156));
        g.setColorAt(0.5, QColor(26, 70, 122));
        g.setColorAt(1, QColor(18, 54, 98));
        p.fillPath(pillPath, g);
        p.setPen(QPen(QColor(4, 16, 34), 1));
        p.drawPath(pillPath);
        p.setPen(QPen(QColor(120, 170, 225, 110), 1));
        p.drawLine(QPointF(pill.left() + 6, pill.top() + 1), QPointF(pill.right() - 6, pill.top() + 1));
        EngravedText(p, text, QColor(196, 222, 248));
    }

    QImage hot = under;
    {
        QPainter p(&hot);
        p.setRenderHint(QPainter::Antialiasing, true);
        QLinearGradient g(0, pill.top(), 0, pill.bottom());
        g.setColorAt(0, QColor(120, 200, 255));
        g.setColorAt(0.5, QColor(46, 136, 222));
        g.setColorAt(1, QColor(24, 96, 180));
        p.fillPath(pillPath, g);
        QPainterPath gloss;
        gloss.addRoundedRect(QRectF(pill.left() + 3, pill.top() + 1.5, pill.width() - 6, pill.height() * 0.42), 5, 5);
        p.fillPath(gloss, QColor(255, 255, 255, 70));
        p.setPen(QPen(QColor(190, 236, 255), 1));
        p.drawPath(pillPath);
    }
    Glow(hot, text, QColor(255, 255, 255), 2, 0.9f, 0.8);
    {
        QPainter p(&hot);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.fillPath(text.translated(0.8, 0.8), QColor(0, 30, 80, 170));
        p.fillPath(text, QColor(255, 255, 255));
    }

    QImage out(frame.width(), frame.height() * 2, QImage::Format_RGB32);
    QPainter p(&out);
    p.drawImage(0, 0, normal);
    p.drawImage(0, frame.height(), hot);
    return out;
}

// Seven-segment digits, set pixel by pixel so they stay crisp. Each segment is
// two pixels thick and tapers at its ends, leaving a clear gap to the next.
QImage DrawDigits()
{
    constexpr int kW = 12;
    constexpr int kH = 19;
    QImage out(kW * 10, kH, QImage::Format_RGB32);
    out.fill(qRgb(0, 0, 0));
    // Segments a..g as bits 0..6.
    constexpr std::array<int, 10> kSegments = {
        0b0111111, // 0: a b c d e f
        0b0000110, // 1: b c
        0b1011011, // 2: a b d e g
        0b1001111, // 3: a b c d g
        0b1100110, // 4: b c f g
        0b1101101, // 5: a c d f g
        0b1111101, // 6: a c d e f g
        0b0000111, // 7: a b c
        0b1111111, // 8
        0b1101111, // 9: a b c d f g
    };
    const QRgb outer = qRgb(20, 196, 64);
    const QRgb inner = qRgb(120, 255, 140);
    for (int d = 0; d < 10; ++d) {
        auto put = [&](int x, int y, QRgb c) { out.setPixel(d * kW + x, y, c); };
        auto horizontal = [&](int y, bool outerFirst) {
            // The outer row is the longer one, the inner one is shorter.
            const int yo = outerFirst ? y : y + 1;
            const int yi = outerFirst ? y + 1 : y;
            for (int x = 3; x <= 8; ++x) {
                put(x, yo, outer);
            }
            for (int x = 4; x <= 7; ++x) {
                put(x, yi, inner);
            }
        };
        auto middle = [&]() {
            for (int x = 4; x <= 7; ++x) {
                put(x, 9, inner);
                put(x, 10, outer);
            }
            put(3, 9, outer);
            put(8, 9, outer);
            put(3, 10, outer);
            put(8, 10, outer);
        };
        auto vertical = [&](int y0, bool left) {
            const int xo = left ? 1 : 10;
            const int xi = left ? 2 : 9;
            for (int y = y0; y <= y0 + 5; ++y) {
                put(xo, y, outer);
            }
            for (int y = y0 + 1; y <= y0 + 4; ++y) {
                put(xi, y, inner);
            }
        };
        const int segs = kSegments[static_cast<size_t>(d)];
        for (int s = 0; s < 7; ++s) {
            if (((segs >> s) & 1) == 0) {
                continue;
            }
            switch (s) {
            case 0:
                horizontal(1, true);
                break;
            case 1:
                vertical(3, false);
                break;
            case 2:
                vertical(11, false);
                break;
            case 3:
                horizontal(17, false);
                break;
            case 4:
                vertical(11, true);
                break;
            case 5:
                vertical(3, true);
                break;
            default:
                middle();
                break;
            }
        }
    }
    return out;
}

// A word in flame colours on white, white being the see-through colour. The
// letters are drawn smooth inside but get a hard edge against the white, so
// no pale fringe shows when the white is left out.
QImage DrawNotice(const QString& word, QSize size)
{
    constexpr int kSs = 4;
    const QSize big = size * kSs;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath text = TextPath(word, font);
    // Fit the word into the picture with room for the outline.
    const qreal margin = 2.2 * kSs;
    const QRectF box = text.boundingRect();
    const qreal sy = (big.height() - 2 * margin) / box.height();
    const qreal sx = std::min(sy * 1.0, (big.width() - 2 * margin) / box.width());
    QTransform t;
    t.translate(big.width() / 2.0, big.height() / 2.0);
    t.scale(sx, sy);
    t.translate(-box.center().x(), -box.center().y());
    text = t.map(text);

    QImage layer(big, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.strokePath(text, QPen(QColor(96, 8, 4), 2.6 * kSs, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QRectF tb = text.boundingRect();
        QLinearGradient g(0, tb.top(), 0, tb.bottom());
        g.setColorAt(0.0, QColor(255, 250, 150));
        g.setColorAt(0.25, QColor(255, 214, 40));
        g.setColorAt(0.55, QColor(255, 128, 16));
        g.setColorAt(0.85, QColor(222, 40, 10));
        g.setColorAt(1.0, QColor(170, 16, 6));
        p.fillPath(text, g);
        // A thin bright line along the tops of the letters, like heat shimmer.
        p.setClipPath(text);
        QPainterPath lower = text.translated(0, 0.9 * kSs);
        QPainterPath rim = text.subtracted(lower);
        p.fillPath(rim, QColor(255, 255, 210, 150));
    }
    QImage out(size, QImage::Format_RGB32);
    out.fill(qRgb(255, 255, 255));
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < kSs; ++j) {
                const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(y * kSs + j));
                for (int i = 0; i < kSs; ++i) {
                    const QRgb c = line[x * kSs + i];
                    r += qRed(c);
                    g += qGreen(c);
                    b += qBlue(c);
                    a += qAlpha(c);
                }
            }
            if (a < 0.5f * 255.0f * kSs * kSs) {
                continue;
            }
            // Colour of the covered part only, the white left out.
            auto byte = [&](float v) { return std::clamp(static_cast<int>(std::lround(v * 255.0f / a)), 0, 255); };
            int cr = byte(r), cg = byte(g), cb = byte(b);
            if (cr == 255 && cg == 255 && cb == 255) {
                cb = 254;
            }
            out.setPixel(x, y, qRgb(cr, cg, cb));
        }
    }
    return out;
}

} // namespace

std::vector<TPicture> DrawAllPictures()
{
    const TLayout normal = MakeLayout(false);
    const TLayout big = MakeLayout(true);
    const QImage backNormal = DrawBack(normal);
    const QImage backBig = DrawBack(big);

    // The buttons and the caption take their surroundings from the normal
    // back; the face under them is the same in the big one.
    std::vector<TPicture> out;
    out.push_back({QStringLiteral("back_normal.bmp"), backNormal});
    out.push_back({QStringLiteral("back_big.bmp"), backBig});
    out.push_back({QStringLiteral("caption.bmp"), DrawCaption(backNormal, normal)});
    out.push_back({QStringLiteral("minimize.bmp"), DrawSmallButton(backNormal, normal.Minimize, TGlyph::Minimize)});
    out.push_back({QStringLiteral("close.bmp"), DrawSmallButton(backNormal, normal.Close, TGlyph::Close)});
    out.push_back(
        {QStringLiteral("game.bmp"), DrawMenuButton(backNormal, normal.Game, kGameFrame, QStringLiteral("Game"))});
    out.push_back({QStringLiteral("settings.bmp"),
        DrawMenuButton(backNormal, normal.Settings, kSettingsFrame, QStringLiteral("Settings"))});
    out.push_back(
        {QStringLiteral("help.bmp"), DrawMenuButton(backNormal, normal.Help, kHelpFrame, QStringLiteral("Help"))});
    out.push_back({QStringLiteral("digits.bmp"), DrawDigits()});
    out.push_back({QStringLiteral("paused.bmp"), DrawNotice(QStringLiteral("PAUSED"), QSize(140, 34))});
    out.push_back({QStringLiteral("gameover.bmp"), DrawNotice(QStringLiteral("GAME OVER"), QSize(214, 34))});
    return out;
}

} // namespace stakor::window_art
