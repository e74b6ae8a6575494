#include "shell/window/disguise.h"

#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>

#include "audio/sound.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/message_texts.h"
#include "shell/desktop/boss_icon.h"
#include "shell/desktop/window_system.h"
#include "shell/forms/dialogs.h"
#include "shell/forms/hide_form.h"
#include "shell/game/game_core.h"

namespace stakor {

namespace {

// The password box takes at most this many characters.
constexpr int MaxPasswordLength = 255;

// An empty title would make the window system fall back to the program's
// own name: a blank stands in for it.
QString DisplayTitle(const QString& title)
{
    return title.isEmpty() ? QStringLiteral(" ") : title;
}

// A plain name for the disguise's window class and application id: the icon
// file's base name, else the title's letters, else a generic one. The
// reverse-domain names of desktop entries ("org.gnome.TextEditor") keep their
// dots and case, which Wayland desktops match the entry by.
QByteArray PlainName(const QString& text)
{
    const bool reverseDomain = text.contains(QLatin1Char('.'));
    QByteArray name;
    for (const QChar c : text)
        if (c.unicode() < 128 &&
            (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
                (c == QLatin1Char('.') && !name.isEmpty())))
            name += static_cast<char>(reverseDomain ? c.unicode() : c.toLower().unicode());
    return name.left(64);
}

QByteArray Capitalised(QByteArray name)
{
    if (!name.isEmpty() && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

} // namespace

// The stand-in's task-bar entry leads back to the game: restoring it, or a
// click or key in it should it be on the screen, asks to restore.
class TDisguise::TStandIn : public QWidget {
public:
    TStandIn(std::function<void()> restore, std::function<bool()> close, std::function<bool()> statesReported)
        : QWidget(nullptr, Qt::Window), Restore(std::move(restore)), Close(std::move(close)),
          StatesReported(std::move(statesReported))
    {
        setObjectName(QStringLiteral("DisguiseStandIn"));
        setAttribute(Qt::WA_QuitOnClose);
        resize(240, 120);
        setAutoFillBackground(true);
    }

protected:
    // Should it ever be seen for a moment, it shows the disguise, not a blank.
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect iconPlace(width() / 2 - 16, height() / 2 - 32, 32, 32);
        windowIcon().paint(&painter, iconPlace);
        painter.drawText(QRect(4, iconPlace.bottom() + 6, width() - 8, fontMetrics().height()),
            Qt::AlignHCenter | Qt::AlignTop, fontMetrics().elidedText(windowTitle(), Qt::ElideRight, width() - 8));
    }
    void changeEvent(QEvent* event) override
    {
        // Where the state is only Qt's own echo, taking it for a restore would
        // minimise again, get the echo again, and so on without end.
        if (event->type() == QEvent::WindowStateChange && !isMinimized() && isVisible() && StatesReported())
            Restore();
        QWidget::changeEvent(event);
    }
    void mousePressEvent(QMouseEvent*) override { Restore(); }
    void keyPressEvent(QKeyEvent*) override { Restore(); }
    void closeEvent(QCloseEvent* event) override
    {
        // Closing the disguised program closes the game, as from its own task-bar entry.
        if (Close())
            event->accept();
        else
            event->ignore();
    }

private:
    std::function<void()> Restore;
    std::function<bool()> Close;
    std::function<bool()> StatesReported;
};

TDisguise::TDisguise(TGameCore& core, QWidget& window, bool& minimized)
    : Core(core), Window(window), Minimized(minimized), Caption(ProgramTitle), TaskBarTitle_(ProgramTitle)
{
    AskPassword = [this](const QString& caption, const QString& prompt) { return PasswordBox(caption, prompt); };
    MinimizeHonoured = [] { return WindowSystem().MinimizeHonoured(); };
    TaskBarPresent = [] { return WindowSystem().TaskBarPresent(); };
    ReportsMinimized = [] { return WindowSystem().ReportsMinimized(); };
    OpenSettings = [this] {
        THideForm form(Core.Ini, Core.Lang, &Window);
        form.exec();
    };
}

TDisguise::~TDisguise()
{
    delete StandIn_.data();
}

TDisguise::EState TDisguise::State() const
{
    if (!Minimized)
        return EState::Shown;
    if (StandIn_)
        return EState::DisguisedAndHidden;
    return Disguised() ? EState::Disguised : EState::Minimized;
}

QWidget* TDisguise::StandIn() const
{
    return StandIn_.data();
}

void TDisguise::DisguiseGame()
{
    if (!Core.Ini.BossEnable())
        return;
    const bool guarded = !Core.Ini.BossPassword().empty();
    // Where a minimise is ignored, the game is not minimised, as with the
    // skin's minimise button: nothing happens (with a password the window
    // is hidden, which needs no window manager).
    if (!guarded && !MinimizeHonoured())
        return;
    HideInfoInTaskBar();
    HideOtherWindows();
    if (guarded) {
        MakeStandIn();
        Window.hide();
    }
    MinimizeApplication();
    if (!Minimized)
        AppMinimize(); // a hidden window reports no minimising of its own
}

void TDisguise::HideInfoInTaskBar()
{
    if (!Dressed) {
        ProgramIcon = QApplication::windowIcon();
        ProgramWindowIcon = Window.windowIcon();
        ProgramDesktopName = QGuiApplication::desktopFileName();
        WindowSystem().ReadNames(Window, ProgramClass, ProgramEntry);
    }
    TaskBarTitle_ = FromPack(Core.Ini.BossTitle());
    const QString file = FromPack(Core.Ini.BossFile());
    DisguiseIcon = BossIcon(file, Core.Ini.BossIconNumber());
    DisguiseName = PlainName(QFileInfo(file).completeBaseName());
    if (DisguiseName.isEmpty())
        DisguiseName = PlainName(TaskBarTitle_);
    if (DisguiseName.isEmpty())
        DisguiseName = "editor";
    Dressed = true;
    // Windows made from now on (the stand-in, the password box) take these.
    QApplication::setWindowIcon(DisguiseIcon);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DisguiseName));
    Window.setWindowTitle(DisplayTitle(TaskBarTitle_));
    Window.setWindowIcon(DisguiseIcon);
    Dress(Window);
    WindowSystem().NameLeader(Window, DisplayTitle(TaskBarTitle_));
}

void TDisguise::UndoTaskBarInfo()
{
    TaskBarTitle_ = Caption;
    Window.setWindowTitle(Caption);
    if (!Dressed)
        return;
    Dressed = false;
    QApplication::setWindowIcon(ProgramIcon);
    QGuiApplication::setDesktopFileName(ProgramDesktopName);
    Window.setWindowIcon(ProgramWindowIcon);
    if (!ProgramClass.isEmpty())
        WindowSystem().WriteNames(Window, ProgramClass, ProgramEntry);
    WindowSystem().NameLeader(Window, Caption);
}

void TDisguise::Dress(QWidget& widget) const
{
    if (Dressed)
        WindowSystem().WriteNames(widget, DisguiseName + '\0' + Capitalised(DisguiseName) + '\0', DisguiseName);
}

void TDisguise::MakeStandIn()
{
    if (StandIn_)
        return;
    auto* standIn = new TStandIn([this] { StandInRestored(); },
        [this] {
            // Closing from the task bar while minimised never asks (the close
            // query sees `Minimized`), and the stand-in goes with the game.
            return Window.close();
        },
        [this] { return ReportsMinimized(); });
    standIn->setWindowTitle(DisplayTitle(TaskBarTitle_));
    standIn->setWindowIcon(DisguiseIcon);
    standIn->move(Window.pos());
    Dress(*standIn);
    StandIn_ = standIn;
}

void TDisguise::DropStandIn()
{
    if (!StandIn_)
        return;
    StandIn_->hide();
    StandIn_->deleteLater(); // it may be the one whose event led here
    StandIn_ = nullptr;
}

void TDisguise::MinimizeApplication()
{
    if (StandIn_)
        StandInOutOfSight();
    else
        Window.showMinimized();
}

void TDisguise::StandInOutOfSight()
{
    if (!StandIn_)
        return;
    // Without a task bar nothing would lead to it: a second start brings the
    // password box instead.
    if (TaskBarPresent())
        StandIn_->showMinimized();
    else
        StandIn_->hide();
}

void TDisguise::StandInRestored()
{
    // Not left as a blank window beside the password box.
    QTimer::singleShot(0, this, [this] {
        if (StandIn_ && StandIn_->isVisible() && !StandIn_->isMinimized())
            StandInOutOfSight();
    });
    QueueRestore();
}

void TDisguise::HideOtherWindows()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == &Window || widget == StandIn_ || !widget->isVisible() ||
            widget->windowType() == Qt::Popup || widget->windowType() == Qt::ToolTip)
            continue;
        HiddenWindows.push_back({widget, widget->windowTitle()});
        widget->hide();
        // Even unmapped, a window tells its title and names to whoever lists them.
        widget->setWindowTitle(DisplayTitle(TaskBarTitle_));
        Dress(*widget);
    }
}

void TDisguise::ShowOtherWindows()
{
    if (HiddenWindows.empty())
        return;
    for (const THiddenWindow& hidden : std::exchange(HiddenWindows, {})) {
        if (!hidden.Widget)
            continue;
        hidden.Widget->setWindowTitle(hidden.Title);
        if (!ProgramClass.isEmpty())
            WindowSystem().WriteNames(*hidden.Widget, ProgramClass, ProgramEntry);
        hidden.Widget->show();
    }
    // The game, not the help, has the keyboard on its return.
    if (Window.isVisible()) {
        Window.raise();
        Window.activateWindow();
    }
}

void TDisguise::ShowWindowAgain()
{
    DropStandIn();
    UndoTaskBarInfo(); // the window's names go back before it is mapped
    Window.showNormal();
    Window.raise();
    Window.activateWindow();
}

void TDisguise::QueueRestore()
{
    // A restore runs a modal box: never inside the event that asked for it.
    if (RestoreQueued)
        return;
    RestoreQueued = true;
    QTimer::singleShot(0, this, [this] {
        if (RestoreQueued)
            AppRestore();
    });
}

void TDisguise::AppMinimize()
{
    Core.Rules.PauseGame();
    Core.Sound.StopMusic();
    Minimized = true;
}

void TDisguise::AppRestore()
{
    RestoreQueued = false;
    if (Restoring)
        return; // the password box is already up
    const QScopedValueRollback<bool> restoring(Restoring, true);
    const std::string& password = Core.Ini.BossPassword();
    if (Disguised() && !password.empty()) {
        const std::optional<QString> answer = AskPassword(TaskBarTitle_, FromPack(MessageText(Core.Lang, "MB14")));
        const bool right = answer && (answer->toStdString() == password || *answer == FromPack(password));
        if (!right) {
            MinimizeApplication();
            return;
        }
        ShowWindowAgain();
    } else if (StandIn_) {
        // Hidden under the game's own title: nothing to ask, but the window
        // must come back, or nothing would lead to it any more.
        ShowWindowAgain();
    }
    Minimized = false;
    Core.Sound.StartMusic();
    UndoTaskBarInfo();
    ShowOtherWindows();
}

void TDisguise::AppActivate()
{
    if (Minimized && Window.isVisible())
        AppRestore();
    else if (!Minimized)
        Core.Sound.StartMusic(); // no music while minimised or disguised
}

void TDisguise::AppDeactivate()
{
    Core.Rules.PauseGame();
    Core.Sound.StopMusic();
}

bool TDisguise::BringToFront()
{
    const bool guarded = Disguised() && !Core.Ini.BossPassword().empty();
    if (!guarded && !StandIn_)
        return false;
    QueueRestore();
    return true;
}

std::optional<QString> TDisguise::PasswordBox(const QString& caption, const QString& prompt)
{
    // No parent: the game's window is hidden, and the box must not lead to it.
    QInputDialog box;
    box.setObjectName(QStringLiteral("PasswordBox"));
    box.setInputMode(QInputDialog::TextInput);
    box.setTextEchoMode(QLineEdit::Normal); // typed in plain, as the settings show it
    box.setWindowTitle(DisplayTitle(caption));
    box.setLabelText(prompt);
    box.setTextValue(QString());
    if (auto* edit = box.findChild<QLineEdit*>())
        edit->setMaxLength(MaxPasswordLength);
    WidenForTitle(box); // a long disguise title is read whole
    if (Dressed)
        box.setWindowIcon(DisguiseIcon);
    Dress(box);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

} // namespace stakor
