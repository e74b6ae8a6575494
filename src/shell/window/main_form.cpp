#include "shell/window/main_form.h"

#include <cstdio>
#include <exception>
#include <utility>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "audio/sound.h"
#include "glass/glass_painter.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/message_texts.h"
#include "shell/desktop/window_system.h"
#include "shell/forms/dialogs.h"
#include "shell/game/game_core.h"
#include "shell/window/disguise.h"

namespace stakor {

namespace {

QImage ImageOf(const TBitmap& bitmap)
{
    // The bitmap's rows are shown as they are, without conversion.
    return QImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, static_cast<qsizetype>(bitmap.Stride),
        QImage::Format_BGR888);
}

QColor ColorOf(int32_t color)
{
    const TPixel pixel = ColorToPixel(color);
    return QColor(pixel.R, pixel.G, pixel.B);
}

constexpr const char* LabelTexts[6] = {"single", "double", "triple", "quadruple", "quintuple", "total"};

} // namespace

TMainForm::TMainForm(TGameCore& core, TDialogs& dialogs, TDesktop desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Core(core), Dialogs(dialogs), Desktop(std::move(desktop))
{
    setObjectName(QStringLiteral("TMainForm"));
    // Refused writes are reported, not thrown, so no command stops half way.
    Core.Ini.SetRefusedWriteHandler([this](const TSettingsError& error) { ReportRefusedWrite(error.what()); });
    setWindowTitle(ProgramTitle); // never re-captioned
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(446, 453);
    setAutoFillBackground(false);
    Tracing = qEnvironmentVariableIsSet("STAKOR_TRACE");

    CreateMenus();
    CreateLabels();
    ReleaseTimer.setSingleShot(true);
    ReleaseTimer.setTimerType(Qt::PreciseTimer);
    ReleaseTimer.setInterval(HeldKeyReleaseDelayMs);
    connect(&ReleaseTimer, &QTimer::timeout, this, [this] { KeyReleased(std::exchange(PendingReleaseKey, 0)); });

    // Creation, in the game's order: pictures and colours, outline and hot
    // areas, captions and check marks, the stored glass size, the panels.
    MouseDownOnButton = MenuOpen = false;
    WindowSystem().Prepare(*this);
    LoadImageSet(Core.Ini.GlassMode());
    BuildWindowShape();
    MinimizeState = CloseState = 0;
    GameHot = SettingsHot = HelpHot = false;
    Disguise_ = std::make_unique<TDisguise>(Core, *this, Minimized_);
    qApp->installEventFilter(new TDialogWatcher(this));
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        Guarded([&] {
            if (state == Qt::ApplicationActive)
                AppActivate();
            else if (state == Qt::ApplicationInactive)
                AppDeactivate();
        });
    });
    LoadCaptions();
    TuneMainMenu();
    Keys_ = TPlayerKeys::FromSettings(Core.Ini);

    Core.Display.Target = this;
    Dialogs.Parent = this;
    Dialogs.OpenRecords = [this] { RecordsMenuItemClick(); };
    Core.Timer.OnTick = [this] { Guarded([this] { Core.Rules.Tick(); }); };

    if (TGlass::ModeOf(Core.Ini.GlassMode()) != 2)
        Guarded([this] { SetMode(3); });
    Core.View.InitLifeBar();
    // The first frame shows the glass as every later one does, time box included.
    Core.View.Present();
    PlaceLabels();
    Core.Sound.StartMusic();
}

TMainForm::~TMainForm()
{
    Core.Ini.SetRefusedWriteHandler({});
    Core.Display.Target = nullptr;
    Core.Timer.OnTick = nullptr;
    Dialogs.Parent = nullptr;
    Dialogs.OpenRecords = nullptr;
}

void TMainForm::Guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        Core.Dialogs.Messages.ShowMessage(error.what(), ProgramTitle.toStdString(), true);
    }
}

// ---- Pictures, outline, labels ----------------------------------------------

void TMainForm::LoadImageSet(int glassMode)
{
    for (const std::string& name : stakor::LoadImageSet(Core.Images, glassMode)) {
        // The pack's text has a "%s" for the picture's name.
        std::string text = MessageText(Core.Lang, "MB6");
        if (const size_t at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, name);
        Core.Dialogs.Messages.ShowMessage(text, "Error", true);
    }
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ColorOf(Core.Images.WindowColor));
    colours.setColor(QPalette::WindowText, ColorOf(Core.Images.LabelColor));
    setPalette(colours);
    for (QLabel* label : NameLabels)
        label->setPalette(colours);
    for (QLabel* label : ValueLabels)
        label->setPalette(colours);
}

void TMainForm::BuildWindowShape()
{
    WindowShape_ = stakor::WindowShape(Core.Ini.GlassMode() == 2 ? 2 : 3);
    WindowSystem().Shape(*this, WindowShape_);
    Areas = BuildHotAreas(WindowShape_, Core.Images, QSize(Core.Glass.Bitmap.Width, Core.Glass.Bitmap.Height));
}

void TMainForm::CreateLabels()
{
    QFont regular(QStringLiteral("DejaVu Sans"));
    regular.setPixelSize(11); // 8 points on a 96 dpi screen
    QFont bold = regular;
    bold.setBold(true);
    for (size_t i = 0; i < 6; ++i) {
        NameLabels[i] = new QLabel(QString::fromLatin1(LabelTexts[i]), this);
        NameLabels[i]->setFont(bold);
        ValueLabels[i] = new QLabel(this);
        ValueLabels[i]->setFont(regular);
        ValueLabels[i]->setAlignment(Qt::AlignRight | Qt::AlignTop);
        for (QLabel* label : {NameLabels[i], ValueLabels[i]}) {
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            label->setAutoFillBackground(false);
            label->hide(); // until the first frame is on the screen
        }
    }
}

int TMainForm::PanelLeft() const
{
    return Core.Glass.Bitmap.Width - 240;
}

void TMainForm::ShowLabels()
{
    if (LabelsShown)
        return;
    LabelsShown = true;
    PlaceLabels();
    for (size_t i = 0; i < 6; ++i) {
        NameLabels[i]->show();
        ValueLabels[i]->show();
    }
}

void TMainForm::PlaceLabels()
{
    // Measuring the texts loads the fonts; the first frame does without.
    if (!LabelsShown)
        return;
    const int b = PanelLeft();
    for (size_t i = 0; i < 6; ++i) {
        const int top = 191 + 14 * static_cast<int>(i);
        NameLabels[i]->adjustSize();
        NameLabels[i]->move(b + 321, top);
        // Right-aligned: the right edge stays where it is as the number grows.
        ValueLabels[i]->adjustSize();
        ValueLabels[i]->move(b + 426 - ValueLabels[i]->width(), top);
    }
}

void TMainForm::showEvent(QShowEvent* event)
{
    // Whether the window is really iconified shows in its exposure.
    if (windowHandle())
        windowHandle()->installEventFilter(this);
    QWidget::showEvent(event);
}

void TMainForm::Trace(const char* what) const
{
    if (Tracing)
        std::fprintf(stderr, "trace %s running=%d paused=%d dropping=%d minimized=%d\n", what, Core.Game.Running,
            Core.Game.Paused, Core.Figures.Dropping, Minimized_);
}

void TMainForm::AfterFirstFrame()
{
    if (Tracing)
        std::fprintf(stderr, "trace shown minimize=%d,%d close=%d,%d\n", Areas.Minimize.center().x(),
            Areas.Minimize.center().y(), Areas.Close.center().x(), Areas.Close.center().y());
    ShowLabels();
    // The small picture is enough for a window's icon, and decodes quicker.
    // Read as PNG by name: an icon made from a file name, or a guessed
    // format, would load every image and icon plugin.
    QImageReader reader(QString::fromStdString((Core.ProgramDir / "icons" / "vexamo-stakor-48.png").string()), "png");
    reader.setAutoDetectImageFormat(false);
    const QImage icon = reader.read();
    if (!icon.isNull()) {
        // On the window itself too: the disguise puts this one back.
        const QIcon programIcon(QPixmap::fromImage(icon));
        QApplication::setWindowIcon(programIcon);
        if (!Disguise_->Disguised())
            setWindowIcon(programIcon);
    }
}

void TMainForm::paintEvent(QPaintEvent* event)
{
    if (!FirstFrameDone) {
        // What the first frame can do without follows once it is on the screen.
        FirstFrameDone = true;
        QTimer::singleShot(0, this, [this] { Guarded([this] { AfterFirstFrame(); }); });
    }
    QPainter painter(this);
    // Nothing outside the outline: where the window system keeps the whole
    // rectangle, those pixels stay clear.
    painter.setClipRegion(event->region() & WindowShape_);
    const TImageSet& images = Core.Images;
    painter.fillRect(rect(), ColorOf(images.WindowColor));
    painter.drawImage(0, 0, ImageOf(images.BackImage));

    const QImage caption = ImageOf(images.CaptionImage);
    const int captionHeight = caption.height() / 2;
    painter.drawImage(QPoint(images.CaptionX, images.CaptionY), caption,
        QRect(0, isActiveWindow() ? 0 : captionHeight, caption.width(), captionHeight));
    painter.drawImage(QPoint(images.MinimizeX, images.MinimizeY), ImageOf(images.MinimizeImage),
        QRect(15 * MinimizeState, 0, 15, 13));
    painter.drawImage(
        QPoint(images.CloseX, images.CloseY), ImageOf(images.CloseImage), QRect(15 * CloseState, 0, 15, 13));
    const auto button = [&](int x, int y, const TBitmap& picture, bool hot) {
        const QImage image = ImageOf(picture);
        const int half = image.height() / 2;
        painter.drawImage(QPoint(x, y), image, QRect(0, hot && isActiveWindow() ? half : 0, image.width(), half));
    };
    button(images.GameButtonX, images.GameButtonY, images.GameButtonImage, GameHot);
    button(images.SettingsButtonX, images.SettingsButtonY, images.SettingsButtonImage, SettingsHot);
    button(images.HelpButtonX, images.HelpButtonY, images.HelpButtonImage, HelpHot);

    painter.drawImage(32, 77, ImageOf(Core.Glass.Bitmap));
    const int b = PanelLeft();
    painter.drawImage(b + 314, 85, ImageOf(Core.View.ScoreImage()));
    painter.drawImage(b + 339, 134, ImageOf(Core.View.LevelImage()));
    painter.drawImage(b + 314, 305, ImageOf(Core.View.NextFigImage()));
    painter.drawImage(12, 77, ImageOf(Core.View.LifeImage()));
}

// ---- What the rules show -----------------------------------------------------

void TMainForm::ShowGlass(const TBitmap&, const TPixelRect& changed)
{
    // At once, not later: the animations show frame by frame. Only what
    // changed is copied to the window.
    if (!changed.Empty())
        repaint(QRect(32 + changed.Left, 77 + changed.Top, changed.Right - changed.Left, changed.Bottom - changed.Top));
}

void TMainForm::ShowPanel(TPanel panel, const TBitmap& picture)
{
    const int b = PanelLeft();
    switch (panel) {
    case TPanel::Score:
        repaint(QRect(b + 314, 85, picture.Width, picture.Height));
        break;
    case TPanel::Level:
        repaint(QRect(b + 339, 134, picture.Width, picture.Height));
        break;
    case TPanel::Next:
        repaint(QRect(b + 314, 305, picture.Width, picture.Height));
        break;
    case TPanel::Life:
        repaint(QRect(12, 77, picture.Width, picture.Height));
        break;
    }
}

void TMainForm::ShowLineCounts(const TGame& game)
{
    const int32_t counts[6] = {
        game.Singles, game.Doubles, game.Triples, game.Quadruples, game.Quintuples, game.TotalLines};
    for (size_t i = 0; i < 6; ++i)
        ValueLabels[i]->setText(QString::number(counts[i]));
    PlaceLabels();
}

void TMainForm::Wait(int ms)
{
    // The window thread stands still, as the animation wants; what was
    // repainted is already on the screen.
    QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace stakor
