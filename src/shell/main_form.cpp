#include "shell/main_form.h"

#include <exception>

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "audio/sound.h"
#include "glass/glass_painter.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "shell/dialogs.h"
#include "shell/game_core.h"

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

// A pack name as a menu caption: lower case with a capital first letter,
// only A to Z changing case.
QString LanguageCaption(const std::string& name)
{
    std::string caption = name;
    for (char& c : caption)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (!caption.empty() && caption[0] >= 'a' && caption[0] <= 'z')
        caption[0] = static_cast<char>(caption[0] - 'a' + 'A');
    return FromPack(caption);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

constexpr const char* LabelKeys[6] = {"MW0", "MW1", "MW2", "MW3", "MW4", "MW5"};
constexpr const char* LabelTexts[6] = {"single", "double", "triple", "quadruple", "quintuple", "total"};

} // namespace

TMainForm::TMainForm(TGameCore& core, TDialogs& dialogs, TDesktop desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Core(core), Dialogs(dialogs), Desktop(std::move(desktop))
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(ProgramTitle); // never re-captioned
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(446, 453);
    setAutoFillBackground(false);

    CreateMenus();
    CreateLabels();

    // Creation, in the game's order: pictures and colours, outline and hot
    // areas, captions and check marks, the stored glass size, the panels.
    MouseDownOnButton = MenuOpen = false;
    LoadImageSet(Core.Ini.GlassMode());
    BuildWindowShape();
    MinimizeState = CloseState = 0;
    GameHot = SettingsHot = HelpHot = false;
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

    Core.Display.Target = this;
    Dialogs.Parent = this;
    Dialogs.OpenRecords = [this] { RunModal([this] { Desktop.ShowPlaceholder(QStringLiteral("High scores")); }); };
    Core.Timer.OnTick = [this] { Guarded([this] { Core.Rules.Tick(); }); };

    if (TGlass::ModeOf(Core.Ini.GlassMode()) != 2)
        Guarded([this] { SetMode(3); });
    Core.View.InitLifeBar();
    PlaceLabels();
    Core.Sound.StartMusic();
}

TMainForm::~TMainForm()
{
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

// ---- Menus ------------------------------------------------------------------

void TMainForm::CreateMenus()
{
    // The shortcuts only show in the menus: the key handler does the work.
    const auto item = [this](QMenu* menu, const char* caption, const char* shortcut, void (TMainForm::*handler)()) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setProperty("shortcutText", QString::fromUtf8(shortcut));
        if (*shortcut)
            action->setText(action->text() + QLatin1Char('\t') + QString::fromUtf8(shortcut));
        connect(
            action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        return action;
    };

    GamePopupMenu = new QMenu(this);
    StartMenuItem = item(GamePopupMenu, "&Start", "F2", &TMainForm::StartGameMenuItemClick);
    NewMenuItem = item(GamePopupMenu, "&New...", "F3", &TMainForm::NewMenuItemClick);
    PauseMenuItem = item(GamePopupMenu, "&Pause", "P", &TMainForm::PauseMenuItemClick);
    GamePopupMenu->addSeparator();
    HighScoresMenuItem = item(GamePopupMenu, "&High scores", "Alt+H", &TMainForm::RecordsMenuItemClick);
    GamePopupMenu->addSeparator();
    PlayingFieldMenuItem = GamePopupMenu->addMenu(QStringLiteral("Playing &field"));
    NormalMenuItem = item(PlayingFieldMenuItem, "&Normal (12x18)", "", &TMainForm::NormalMenuItemClick);
    BigMenuItem = item(PlayingFieldMenuItem, "&Big (18x25)", "", &TMainForm::BigMenuItemClick);
    ModeGroup = new QActionGroup(this);
    for (QAction* mode : {NormalMenuItem, BigMenuItem}) {
        mode->setCheckable(true);
        ModeGroup->addAction(mode);
    }
    // Neither is checked when the stored size is neither.
    ModeGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    GamePopupMenu->addSeparator();
    ExitMenuItem = item(GamePopupMenu, "&Exit", "Alt+F4", &TMainForm::ExitMenuItemClick);

    SettingsPopupMenu = new QMenu(this);
    LanguageMenuItem = SettingsPopupMenu->addMenu(QStringLiteral("&Language"));
    LanguageGroup = new QActionGroup(this);
    LanguageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    SettingsPopupMenu->addSeparator();
    GraphicsMenuItem = item(SettingsPopupMenu, "&Graphics...", "F4", &TMainForm::GraphicsMenuItemClick);
    ShowGridMenuItem = item(SettingsPopupMenu, "&Show grid", "Alt+G", &TMainForm::ShowGridMenuItemClick);
    ShowTimeMenuItem = item(SettingsPopupMenu, "Show &time", "Alt+T", &TMainForm::ShowTimeMenuItemClick);
    SettingsPopupMenu->addSeparator();
    RotateclockwiseMenuItem =
        item(SettingsPopupMenu, "&Rotate clockwise", "", &TMainForm::RotateClockwiseMenuItemClick);
    SettingsPopupMenu->addSeparator();
    PlayMusicMenuItem = item(SettingsPopupMenu, "Play &music", "Alt+M", &TMainForm::PlayMusicMenuItemClick);
    PlaysoundsMenuItem = item(SettingsPopupMenu, "&Play sounds", "Alt+S", &TMainForm::PlaySoundsMenuItemClick);
    SettingsPopupMenu->addSeparator();
    HideMenuItem = item(SettingsPopupMenu, "Hide...", "F11", &TMainForm::HideMenuItemClick);
    for (QAction* check : {ShowGridMenuItem, ShowTimeMenuItem, RotateclockwiseMenuItem, PlayMusicMenuItem,
             PlaysoundsMenuItem, HideMenuItem})
        check->setCheckable(true);

    HelpPopupMenu = new QMenu(this);
    ContentsMenuItem = item(HelpPopupMenu, "&Contents", "", &TMainForm::ContentsMenuItemClick);
    HelpPopupMenu->addSeparator();
    HomePageMenuItem = item(HelpPopupMenu, "&Home page", "", &TMainForm::HomePageMenuItemClick);
    AboutMenuItem = item(HelpPopupMenu, "&About...", "", &TMainForm::AboutMenuItemClick);
}

void TMainForm::TuneMainMenu()
{
    const TIni& ini = Core.Ini;
    NormalMenuItem->setChecked(ini.GlassMode() == 2);
    BigMenuItem->setChecked(ini.GlassMode() == 3);
    AddItemsToLanguageMenu();
    ShowGridMenuItem->setChecked(ini.GlassShowGrid());
    ShowTimeMenuItem->setChecked(ini.GlassShowTime());
    RotateclockwiseMenuItem->setChecked(ini.FigureRotateClockWise());
    PlayMusicMenuItem->setChecked(ini.PlayMusic());
    PlaysoundsMenuItem->setChecked(ini.PlaySound());
    HideMenuItem->setChecked(ini.BossEnable());
}

void TMainForm::AddItemsToLanguageMenu()
{
    std::vector<QString> seen;
    for (const std::string& name : Core.Lang.LanguageNames()) {
        const QString caption = LanguageCaption(name);
        // Two files whose names differ only in case would give two equal items.
        if (std::find(seen.begin(), seen.end(), caption) != seen.end())
            continue;
        seen.push_back(caption);
        QAction* action = LanguageMenuItem->addAction(QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setData(caption);
        action->setCheckable(true);
        action->setChecked(Lower(name) == Lower(Core.Ini.Language()));
        LanguageGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] { Guarded([&] { LanguageMenuItemClick(action); }); });
        LanguageMenuItems.push_back(action);
    }
}

void TMainForm::LoadCaptions()
{
    const TLanguage& lang = Core.Lang;
    if (!lang.Loaded())
        return;
    for (size_t i = 0; i < NameLabels.size(); ++i)
        NameLabels[i]->setText(FromPack(lang.GetText(LabelKeys[i])));
    const std::pair<QAction*, const char*> items[] = {
        {StartMenuItem, "M00"},
        {NewMenuItem, "M01"},
        {PauseMenuItem, "M02"},
        {HighScoresMenuItem, "M03"},
        {PlayingFieldMenuItem->menuAction(), "M04"},
        {NormalMenuItem, "M05"},
        {BigMenuItem, "M06"},
        {ExitMenuItem, "M07"},
        {LanguageMenuItem->menuAction(), "M10"},
        {GraphicsMenuItem, "M11"},
        {ShowGridMenuItem, "M12"},
        {ShowTimeMenuItem, "M13"},
        {RotateclockwiseMenuItem, "M14"},
        {PlayMusicMenuItem, "M15"},
        {PlaysoundsMenuItem, "M16"},
        {HideMenuItem, "M17"},
        {ContentsMenuItem, "M20"},
        {HomePageMenuItem, "M22"},
        {AboutMenuItem, "M23"},
    };
    for (const auto& [action, key] : items) {
        QString text = FromPack(lang.GetText(key));
        const QString shortcut = action->property("shortcutText").toString();
        if (!shortcut.isEmpty())
            text += QLatin1Char('\t') + shortcut;
        action->setText(text);
    }
    PlaceLabels();
}

// ---- Pictures, outline, labels ----------------------------------------------

void TMainForm::LoadImageSet(int glassMode)
{
    for (const std::string& name : stakor::LoadImageSet(Core.Images, glassMode)) {
        // The pack's text has a "%s" for the picture's name.
        std::string text = Core.Lang.GetText("MB6");
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
    setMask(WindowShape_);
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
        }
    }
}

int TMainForm::PanelLeft() const
{
    return Core.Glass.Bitmap.Width - 240;
}

void TMainForm::PlaceLabels()
{
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

void TMainForm::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
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

// ---- Keys ----------------------------------------------------------------------

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool none = mods == Qt::NoModifier;
    const bool altOnly = mods == Qt::AltModifier;
    TGameControl& control = Core.Control;
    Guarded([&] {
        switch (event->key()) {
        case Qt::Key_Pause:
        case Qt::Key_P:
            PauseMenuItemClick();
            break;
        case Qt::Key_Escape:
            break; // the disguise has its own key handling when set up
        case Qt::Key_Space:
        case Qt::Key_Down:
            control.DropKeyPress();
            break;
        case Qt::Key_Left:
            control.LeftKey();
            break;
        case Qt::Key_Up:
            control.UpKey(mods.testFlag(Qt::ShiftModifier), RotateclockwiseMenuItem->isChecked());
            break;
        case Qt::Key_Right:
            control.RightKey();
            break;
        case Qt::Key_G:
            if (altOnly)
                ShowGridMenuItemClick();
            break;
        case Qt::Key_H:
            if (altOnly)
                RecordsMenuItemClick();
            break;
        case Qt::Key_M:
            if (altOnly)
                PlayMusicMenuItemClick();
            break;
        case Qt::Key_S:
            if (altOnly)
                PlaySoundsMenuItemClick();
            break;
        case Qt::Key_T:
            if (altOnly)
                ShowTimeMenuItemClick();
            break;
        case Qt::Key_F1:
            Desktop.ShowHelp(21);
            break;
        case Qt::Key_F2:
            if (none)
                StartGameMenuItemClick();
            break;
        case Qt::Key_F3:
            if (none)
                NewMenuItemClick();
            break;
        case Qt::Key_F4:
            if (none)
                GraphicsMenuItemClick();
            break;
        case Qt::Key_F11:
            HideMenuItemClick();
            break;
        default:
            QWidget::keyPressEvent(event);
            break;
        }
    });
}

void TMainForm::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats presses only; its release comes when it is let go.
    if (event->isAutoRepeat())
        return;
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Down)
        Core.Control.DropKeyRelease();
}

// ---- Pointer -------------------------------------------------------------------

void TMainForm::PositionTest(QPoint point)
{
    const int minimize = Areas.Minimize.contains(point) ? (MouseDownOnButton ? 2 : 1) : 0;
    if (minimize != MinimizeState) {
        MinimizeState = minimize;
        repaint(Areas.Minimize);
    }
    const int close = Areas.Close.contains(point) ? (MouseDownOnButton ? 2 : 1) : 0;
    if (close != CloseState) {
        CloseState = close;
        repaint(Areas.Close);
    }
    if (MenuOpen)
        return;
    const std::tuple<bool*, QRect> buttons[] = {
        {&GameHot, Areas.GameButton}, {&SettingsHot, Areas.SettingsButton}, {&HelpHot, Areas.HelpButton}};
    for (const auto& [hot, area] : buttons) {
        const bool now = area.contains(point);
        if (now != *hot) {
            *hot = now;
            repaint(area);
        }
    }
}

void TMainForm::mouseMoveEvent(QMouseEvent* event)
{
    if (Dragging) {
        move(event->globalPosition().toPoint() - DragOffset);
        return;
    }
    PositionTest(event->position().toPoint());
}

void TMainForm::leaveEvent(QEvent*)
{
    if (!MenuOpen && !MouseDownOnButton)
        PositionTest(QPoint(-1, -1));
}

void TMainForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    Guarded([&] {
        QMenu* menu = nullptr;
        QRect button;
        if (Areas.GameButton.contains(point)) {
            menu = GamePopupMenu;
            button = Areas.GameButton;
        } else if (Areas.SettingsButton.contains(point)) {
            menu = SettingsPopupMenu;
            button = Areas.SettingsButton;
        } else if (Areas.HelpButton.contains(point)) {
            menu = HelpPopupMenu;
            button = Areas.HelpButton;
        } else if (Areas.Glass.contains(point)) {
            MenuOpen = true;
            PauseMenuItemClick();
            MenuOpen = false;
            return;
        } else if (Areas.Minimize.contains(point) || Areas.Close.contains(point)) {
            MouseDownOnButton = true;
            PositionTest(point);
            return;
        } else {
            if (Areas.Drag.contains(point) && !(windowHandle() && windowHandle()->startSystemMove())) {
                // The window system would not move it: move it by hand.
                Dragging = true;
                DragOffset = event->globalPosition().toPoint() - pos();
            }
            return;
        }
        OpenMenu(menu, button);
    });
}

void TMainForm::OpenMenu(QMenu* menu, const QRect& button)
{
    MenuOpen = true;
    repaint(button);
    // Centred under the button, hanging from its lower edge.
    const QPoint anchor = mapToGlobal(QPoint(button.x() + button.width() / 2, button.y() + button.height()));
    menu->exec(QPoint(anchor.x() - menu->sizeHint().width() / 2, anchor.y()));
    MenuOpen = false;
}

void TMainForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Dragging = false;
    MouseDownOnButton = false;
    if (MinimizeState == 2) {
        MinimizeState = 0;
        repaint(Areas.Minimize);
        showMinimized();
    }
    if (CloseState == 2) {
        CloseState = 0;
        repaint(Areas.Close);
        close();
    }
}

// ---- Window events ---------------------------------------------------------------

void TMainForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange) {
        MouseDownOnButton = false;
        if (!isActiveWindow()) {
            GameHot = SettingsHot = HelpHot = false;
        }
        update();
    } else if (event->type() == QEvent::WindowStateChange) {
        Guarded([this] {
            if (isMinimized() && !Minimized_)
                AppMinimize();
            else if (!isMinimized() && Minimized_)
                AppRestore();
        });
    }
    QWidget::changeEvent(event);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool allowed = true;
    Guarded([&] {
        const bool wasPaused = Core.Game.Paused;
        if (Core.Game.Running) {
            Core.Rules.PauseGame();
            // Closing from the task bar while minimized never asks.
            if (!Minimized_)
                allowed = Core.Dialogs.Questions.AskYesNo(Core.Lang.GetText("MB3"));
        }
        if (!allowed) {
            if (!wasPaused)
                Core.Rules.ResumeGame();
            return;
        }
        if (!Minimized_)
            Core.Rules.StopGame(); // the score is not offered for a game closed away
        Core.Sound.StopMusic();
    });
    if (allowed)
        event->accept();
    else
        event->ignore();
}

void TMainForm::BringToFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TMainForm::AppMinimize()
{
    Core.Rules.PauseGame();
    Core.Sound.StopMusic();
    Minimized_ = true;
}

void TMainForm::AppRestore()
{
    Minimized_ = false;
    Core.Sound.StartMusic();
}

void TMainForm::AppActivate()
{
    if (Minimized_ && isVisible())
        AppRestore();
    else
        Core.Sound.StartMusic();
}

void TMainForm::AppDeactivate()
{
    Core.Rules.PauseGame();
    Core.Sound.StopMusic();
}

// ---- Commands ----------------------------------------------------------------------

void TMainForm::RunModal(const std::function<void()>& dialog)
{
    Core.Control.RunModal(dialog);
}

void TMainForm::StartGameMenuItemClick()
{
    Core.Control.StartGameMenuItemClick();
}

void TMainForm::NewMenuItemClick()
{
    Core.Control.NewMenuItemClick([this] { Desktop.ShowPlaceholder(QStringLiteral("Choose new game")); });
}

void TMainForm::PauseMenuItemClick()
{
    Core.Control.PauseMenuItemClick();
}

void TMainForm::RecordsMenuItemClick()
{
    RunModal([this] { Desktop.ShowPlaceholder(QStringLiteral("High scores")); });
}

bool TMainForm::SetMode(int mode)
{
    const int w0 = Core.Glass.Bitmap.Width, h0 = Core.Glass.Bitmap.Height;
    return Core.Control.SetMode(mode, [&] {
        // The window grows or shrinks by what the glass did, around its middle.
        const int dw = Core.Glass.Bitmap.Width - w0, dh = Core.Glass.Bitmap.Height - h0;
        QRect bounds(x() - dw / 2, y() - dh / 2, width() + dw, height() + dh);
        if (bounds.left() < 0)
            bounds.moveLeft(5);
        if (bounds.top() < 0)
            bounds.moveTop(5);
        LoadImageSet(mode);
        WindowShape_ = stakor::WindowShape(mode);
        Areas = BuildHotAreas(WindowShape_, Core.Images, QSize(Core.Glass.Bitmap.Width, Core.Glass.Bitmap.Height));
        setFixedSize(bounds.size());
        move(bounds.topLeft());
        setMask(WindowShape_);
        Core.View.InitLifeBar();
        PlaceLabels();
        update();
    });
}

void TMainForm::NormalMenuItemClick()
{
    if (Core.Ini.GlassMode() != 2)
        SetMode(2);
    NormalMenuItem->setChecked(Core.Ini.GlassMode() == 2);
    BigMenuItem->setChecked(Core.Ini.GlassMode() == 3);
}

void TMainForm::BigMenuItemClick()
{
    if (Core.Ini.GlassMode() != 3)
        SetMode(3);
    NormalMenuItem->setChecked(Core.Ini.GlassMode() == 2);
    BigMenuItem->setChecked(Core.Ini.GlassMode() == 3);
}

void TMainForm::ExitMenuItemClick()
{
    close();
}

void TMainForm::LanguageMenuItemClick(QAction* item)
{
    bool loaded = false;
    std::exception_ptr refusedWrite;
    try {
        loaded = Core.Lang.LoadLanguage(item->data().toString().toStdString());
    } catch (const TSettingsError&) {
        loaded = true; // the pack is in force; only its name could not be stored
        refusedWrite = std::current_exception();
    }
    if (loaded) {
        item->setChecked(true);
        LoadCaptions();
    } else {
        item->setChecked(false);
        item->setVisible(false); // until the next start
    }
    Core.Rules.DrawGlass();
    if (refusedWrite)
        std::rethrow_exception(refusedWrite);
}

void TMainForm::GraphicsMenuItemClick()
{
    RunModal([this] { Desktop.ShowPlaceholder(QStringLiteral("Graphic settings")); });
}

void TMainForm::ShowGridMenuItemClick()
{
    Core.Ini.SetGlassShowGrid(!Core.Ini.GlassShowGrid());
    ShowGridMenuItem->setChecked(Core.Ini.GlassShowGrid());
    Core.View.BuildBackground();
    Core.Rules.DrawGlass();
}

void TMainForm::ShowTimeMenuItemClick()
{
    Core.Ini.SetGlassShowTime(!Core.Ini.GlassShowTime());
    ShowTimeMenuItem->setChecked(Core.Ini.GlassShowTime());
    Core.Rules.DrawGlass();
}

void TMainForm::RotateClockwiseMenuItemClick()
{
    // The item has checked or unchecked itself; the Up key reads its mark.
    Core.Ini.SetFigureRotateClockWise(RotateclockwiseMenuItem->isChecked());
}

void TMainForm::PlayMusicMenuItemClick()
{
    Core.Ini.SetPlayMusic(!Core.Ini.PlayMusic());
    PlayMusicMenuItem->setChecked(Core.Ini.PlayMusic());
    if (Core.Ini.PlayMusic())
        Core.Sound.StartMusic();
    else
        Core.Sound.StopMusic();
}

void TMainForm::PlaySoundsMenuItemClick()
{
    Core.Ini.SetPlaySound(!Core.Ini.PlaySound());
    PlaysoundsMenuItem->setChecked(Core.Ini.PlaySound());
}

void TMainForm::HideMenuItemClick()
{
    RunModal([this] {
        Desktop.ShowPlaceholder(QStringLiteral("Disguise settings"));
        HideMenuItem->setChecked(Core.Ini.BossEnable());
    });
}

void TMainForm::ContentsMenuItemClick()
{
    Desktop.ShowHelp(0);
}

void TMainForm::HomePageMenuItemClick()
{
    Desktop.OpenUrl(HomePage);
}

void TMainForm::AboutMenuItemClick()
{
    RunModal([this] { Desktop.ShowPlaceholder(QStringLiteral("About Vexamo Stakor")); });
}

} // namespace stakor
