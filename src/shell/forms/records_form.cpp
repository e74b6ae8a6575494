#include "shell/forms/records_form.h"

#include <algorithm>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

#include <QFontMetrics>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionTabWidgetFrame>

#include "base/random.h"
#include "records/records.h"
#include "settings/language.h"
#include "settings/message_texts.h"
#include "shell/forms/dialogs.h"
#include "shell/desktop/email.h"
#include "shell/desktop/site.h"

namespace stakor {

namespace {

const QString Leader = QStringLiteral(". . . . . . . . . . . . . . . . . . . . . . . .");

// The login name, for the subject of the mail.
QString UserName()
{
    if (const passwd* user = getpwuid(geteuid()); user && user->pw_name && *user->pw_name)
        return QString::fromLocal8Bit(user->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace

// ---- The picture -----------------------------------------------------------------

TRecordsPicture::TRecordsPicture(const TRecords& records, TRandom& random, int styleIndex)
    : Records(records),
      Rng(random),
      StyleIndex(std::clamp(styleIndex, 0, TRecords::Styles - 1)),
      Picture(Width, Height, QImage::Format_RGB32)
{
    Picture.fill(Black);
    SetUpSparkles();
    PrepareText();
    DrawText();
}

QFont TRecordsPicture::TableFont()
{
    // DejaVu Sans comes with every Debian desktop (fonts-dejavu-core).
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    // 24 pixels is the height of the whole line of letters, as the table's
    // 22-pixel rows were laid out for, not the size of the letters alone.
    for (int size = 24; size > 8; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= 24)
            break;
    }
    return font;
}

QRgb TRecordsPicture::RandomColor()
{
    // Red first, then green, then blue: the order of the draws is part of the picture.
    const int red = 32 + Rng.Random(224);
    const int green = 32 + Rng.Random(224);
    const int blue = 32 + Rng.Random(224);
    return qRgb(red, green, blue);
}

void TRecordsPicture::SetUpSparkles()
{
    for (int i = 0; i < SparkleCount; ++i) {
        TSparkle& sparkle = Sparkles[static_cast<size_t>(i)];
        sparkle.Size = 0;
        sparkle.Countdown = Rng.Random(250) + 20 * (i + 1);
        sparkle.Color = RandomColor();
        sparkle.DotX = Rng.Random(Width);
        sparkle.DotY = Rng.Random(Height);
        sparkle.DotColor = RandomColor();
    }
}

void TRecordsPicture::SetPixel(int x, int y, QRgb color)
{
    // A sparkle drifts and may reach past the edge; what lies outside is not drawn.
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return;
    reinterpret_cast<QRgb*>(Picture.scanLine(y))[x] = color;
}

void TRecordsPicture::DrawSparkle(const TSparkle& sparkle, QRgb color)
{
    Changed_ += QRect(sparkle.X - sparkle.Size, sparkle.Y - sparkle.Size, 2 * sparkle.Size + 1, 2 * sparkle.Size + 1)
                    .intersected(QRect(0, 0, Width, Height));
    for (int x = sparkle.X - sparkle.Size; x <= sparkle.X + sparkle.Size; ++x)
        SetPixel(x, sparkle.Y, color);
    for (int y = sparkle.Y - sparkle.Size; y <= sparkle.Y + sparkle.Size; ++y)
        SetPixel(sparkle.X, y, color);
}

void TRecordsPicture::StepSparkle(TSparkle& sparkle)
{
    if (sparkle.Countdown >= 1) {
        --sparkle.Countdown;
        return;
    }
    if (sparkle.Size != 0) {
        DrawSparkle(sparkle, Black);
        if (sparkle.Growing) {
            if (sparkle.Size < sparkle.MaxSize)
                ++sparkle.Size;
            else
                sparkle.Growing = false;
        } else {
            --sparkle.Size;
        }
        sparkle.X += sparkle.Dx;
        sparkle.Y += sparkle.Dy;
    } else {
        // Over, or not yet begun: the dot moves and the sparkle starts again elsewhere.
        SetPixel(sparkle.DotX, sparkle.DotY, Black);
        Changed_ += QRect(sparkle.DotX, sparkle.DotY, 1, 1);
        sparkle.DotX = Rng.Random(Width);
        sparkle.DotY = Rng.Random(Height);
        SetPixel(sparkle.DotX, sparkle.DotY, sparkle.DotColor);
        Changed_ += QRect(sparkle.DotX, sparkle.DotY, 1, 1);
        sparkle.X = Rng.Random(Width);
        sparkle.Y = Rng.Random(Height);
        sparkle.Dx = Rng.Random(3) - 1;
        sparkle.Dy = Rng.Random(3) - 1;
        sparkle.MaxSize = Rng.Random(4) + 2;
        sparkle.Size = 1;
        sparkle.Growing = true;
        sparkle.Period = Rng.Random(3) + 1;
    }
    sparkle.Countdown = sparkle.Period;
    if (sparkle.Size > 0)
        DrawSparkle(sparkle, sparkle.Color);
}

void TRecordsPicture::Tick()
{
    Changed_ = QRegion();
    for (TSparkle& sparkle : Sparkles)
        StepSparkle(sparkle);
    DrawText();
}

void TRecordsPicture::ShowStyle(int styleIndex)
{
    StyleIndex = std::clamp(styleIndex, 0, TRecords::Styles - 1);
    Changed_ = QRegion(0, 0, Width, Height);
    Picture.fill(Black);
    for (const TSparkle& sparkle : Sparkles)
        if (sparkle.Size > 0)
            DrawSparkle(sparkle, sparkle.Color);
    PrepareText();
    DrawText();
}

void TRecordsPicture::PrepareText()
{
    QImage layer(Width, Height, QImage::Format_ARGB32);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        const QFont font = TableFont();
        painter.setFont(font);
        const QFontMetrics metrics(font);
        const int ascent = metrics.ascent();
        for (int rank = 1; rank <= TRecords::Places; ++rank) {
            const int top = 22 * rank - 16;
            const int baseline = top + ascent;
            const THighScoreEntry entry = Records.Entry(StyleIndex + 1, rank);
            if (entry.Score != 0) {
                // Only a damaged file holds a negative score; the game's are all
                // positive, so the bits are read as the unsigned number they were.
                const QString score = QString::number(static_cast<uint32_t>(entry.Score));
                const int scoreLeft = ScoreRight - metrics.horizontalAdvance(score);
                painter.setPen(QColor::fromRgb(ScoreColor));
                painter.drawText(scoreLeft, baseline, score);
                // A score too long for its column pushes the cut of the name left.
                painter.save();
                painter.setClipRect(QRect(0, 0, std::min(NameClipRight, scoreLeft - 4), Height));
                painter.setPen(QColor::fromRgb(NameColor));
                painter.drawText(42, baseline, FromNameBytes(entry.Name));
                painter.restore();
            } else {
                painter.setPen(QColor::fromRgb(LeaderColor));
                painter.drawText(42, baseline, Leader);
            }
            painter.setPen(QColor::fromRgb(RankColor));
            painter.drawText(12, baseline, QString::number(rank) + QLatin1Char('.'));
        }
    }
    // Without smoothing every pixel is either text in one colour or empty.
    TextRuns.clear();
    for (int y = 0; y < Height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        for (int x = 0; x < Width;) {
            if (qAlpha(row[x]) < 128) {
                ++x;
                continue;
            }
            const QRgb color = row[x] | 0xFF000000;
            int end = x + 1;
            while (end < Width && qAlpha(row[end]) >= 128 && (row[end] | 0xFF000000) == color)
                ++end;
            TextRuns.push_back({y * Width + x, end - x, color});
            x = end;
        }
    }
}

void TRecordsPicture::DrawText()
{
    // The picture is one block of rows without padding (409 x 4 bytes per row
    // is a multiple of 4), so a run's offset addresses it directly.
    auto* pixels = reinterpret_cast<QRgb*>(Picture.bits());
    const int stride = static_cast<int>(Picture.bytesPerLine() / sizeof(QRgb));
    for (const TRun& run : TextRuns) {
        QRgb* at = pixels + (run.Offset / Width) * stride + run.Offset % Width;
        std::fill(at, at + run.Length, run.Color);
    }
}

// ---- The tab control ---------------------------------------------------------------

namespace {

class TPictureView : public QWidget {
public:
    TPictureView(QWidget* parent, const QImage& picture) : QWidget(parent), Picture(picture)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(QRect(TRecordsTabControl::PictureAt, picture.size()));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, Picture);
    }

private:
    const QImage& Picture;
};

} // namespace

TRecordsTabControl::TRecordsTabControl(QWidget* parent, const QImage& picture)
    : QTabBar(parent), PictureView(new TPictureView(this, picture))
{
    PictureView->setObjectName(QStringLiteral("RecordsPicture"));
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover); // hot tracking
}

QSize TRecordsTabControl::tabSizeHint(int index) const
{
    QSize size = QTabBar::tabSizeHint(index);
    size.setHeight(18);
    return size;
}

void TRecordsTabControl::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        const int w = width(), h = height();
        // The page below the tabs.
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(this);
        frame.rect = QRect(0, 17, w, h - 17);
        frame.shape = shape();
        frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);

        // A sunken frame around the picture: shadow at the left and top,
        // highlight at the right and bottom, one pixel outside the picture.
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor highlight = palette().color(QPalette::Light);
        painter.fillRect(QRect(6, 27, 1, h - 7 - 27 + 1), shadow);
        painter.fillRect(QRect(6, 26, w - 7 - 6, 1), shadow);
        painter.fillRect(QRect(w - 7, 26, 1, h - 7 - 26), highlight);
        painter.fillRect(QRect(7, h - 7, w - 7 - 7 + 1, 1), highlight);
    }
    QTabBar::paintEvent(event);
}

// ---- The dialog --------------------------------------------------------------------

TRecordsForm::TRecordsForm(const TRecords& records, TRandom& random, const TLanguage& lang, int gameStyle,
    std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QDialog(parent,
          Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
              Qt::WindowCloseButtonHint),
      Records(records),
      Lang(lang),
      OpenUrl(std::move(openUrl)),
      Picture_(records, random, std::clamp(gameStyle, 1, TRecords::Styles) - 1)
{
    setObjectName(QStringLiteral("TRecordsForm"));
    setWindowTitle(QStringLiteral("High scores"));
    setFixedSize(432, 311);

    TabControl = new TRecordsTabControl(this, Picture_.Image());
    TabControl->setObjectName(QStringLiteral("TabControl"));
    TabControl->setGeometry(4, 4, 423, 270);
    for (const char* caption : {"Childish", "Simple", "Kubrix", "Pentix", "V-Uvod"})
        TabControl->addTab(QString::fromLatin1(caption));

    const auto button = [this](const char* name, const char* caption, QRect place) {
        auto* result = new QPushButton(QString::fromLatin1(caption), this);
        result->setObjectName(QString::fromLatin1(name));
        result->setGeometry(place);
        return result;
    };
    SendButton = button("SendButton", "Send high scores", QRect(4, 281, 110, 25));
    ViewButton = button("ViewButton", "Top records", QRect(122, 281, 110, 25));
    OkButton = button("OkButton", "Ok", QRect(352, 281, 75, 25));
    // Enter presses Ok unless another button has the focus; Escape closes as well.
    OkButton->setDefault(true);

    CaptionTable = {
        {"RecFC", QStringLiteral("High scores"), this, TCaptionKind::Title},
        {"RecFN1", QStringLiteral("Childish"), TabControl, TCaptionKind::Tab, 0},
        {"RecFN2", QStringLiteral("Simple"), TabControl, TCaptionKind::Tab, 1},
        {"RecFN3", QStringLiteral("Kubrix"), TabControl, TCaptionKind::Tab, 2},
        {"RecFN4", QStringLiteral("Pentix"), TabControl, TCaptionKind::Tab, 3},
        {"RecFN5", QStringLiteral("V-Uvod"), TabControl, TCaptionKind::Tab, 4},
        {"RecFSndBt", QStringLiteral("Send high scores"), SendButton},
        {"RecFVwBt", QStringLiteral("Top records"), ViewButton},
    };
    LoadCaptions();
    TabControl->setCurrentIndex(Picture_.ShownStyleIndex());
    connect(TabControl, &QTabBar::currentChanged, this, &TRecordsForm::TabControlChange);
    connect(SendButton, &QPushButton::clicked, this, &TRecordsForm::SendButtonClick);
    connect(ViewButton, &QPushButton::clicked, this, &TRecordsForm::ViewButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(TabControl, SendButton);
    setTabOrder(SendButton, ViewButton);
    setTabOrder(ViewButton, OkButton);
    TabControl->setFocus();

    // A precise timer on the window thread: each tick runs between events,
    // like everything else the window does.
    AnimationTimer.setTimerType(Qt::PreciseTimer);
    AnimationTimer.setInterval(20);
    connect(&AnimationTimer, &QTimer::timeout, this, &TRecordsForm::AnimationTick);
    AnimationTimer.start();
}

TRecordsForm::~TRecordsForm()
{
    AnimationTimer.stop();
}

void TRecordsForm::done(int result)
{
    // No tick may come after the dialog has closed.
    AnimationTimer.stop();
    QDialog::done(result);
}

void TRecordsForm::LoadCaptions()
{
    stakor::LoadCaptions(Lang, CaptionTable);
    // A longer caption widens its button; the buttons to its right move along,
    // and the dialog widens when Ok would be pushed off its edge.
    int left = SendButton->x();
    for (const TCaptionTarget& target : CaptionTable)
        if (target.Target == SendButton || target.Target == ViewButton) {
            auto* button = static_cast<QPushButton*>(target.Target);
            button->setGeometry(left, button->y(), std::max(110, NeededWidth(target)), button->height());
            left = button->geometry().right() + 9;
        }
    const int overflow = left - 1 - OkButton->x();
    if (overflow > 0) {
        setFixedSize(432 + overflow, height());
        OkButton->move(352 + overflow, OkButton->y());
    }
}

void TRecordsForm::ShowPicture()
{
    TabControl->PictureView->update();
}

void TRecordsForm::AnimationTick()
{
    Picture_.Tick();
    // Only what the sparkles touched differs from the picture on the screen;
    // the text over it is the same as before.
    if (!Picture_.Changed().isEmpty())
        TabControl->PictureView->update(Picture_.Changed());
}

void TRecordsForm::TabControlChange(int index)
{
    if (index < 0)
        return;
    Picture_.ShowStyle(index);
    ShowPicture();
}

void TRecordsForm::SendButtonClick()
{
    const std::optional<std::filesystem::path>& file = Records.Path();
    std::error_code error;
    if (!file || !std::filesystem::is_regular_file(*file, error))
        return;
    QMessageBox question(QMessageBox::NoIcon, ProgramTitle, FromPack(MessageText(Lang, "MB13")),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    if (question.exec() != QMessageBox::Ok)
        return;
    // Whether the mail program came up or not, nothing is shown: the dialog closes.
    SendEmail(QStringLiteral("Orvelan Games"), HighScoreAddress(),
        QStringLiteral("Records file from user ") + UserName(),
        QStringLiteral("Do not edit address and subject fields!\r\n\r\nYou may write any comments below"),
        QString::fromStdString(file->string()));
    accept();
}

void TRecordsForm::ViewButtonClick()
{
    if (OpenUrl)
        OpenUrl(TopRecordsUrl());
}

} // namespace stakor
