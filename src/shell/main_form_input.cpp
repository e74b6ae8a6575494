// Keys, the pointer and the window-state events of the main window.
#include "shell/main_form.h"

#include <optional>
#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>

#if STAKOR_HAVE_XCB
#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>
#endif

#include "audio/sound.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/message_texts.h"
#include "shell/desktop_window.h"
#include "shell/disguise.h"
#include "shell/game_core.h"

namespace stakor {

// ---- Keys ----------------------------------------------------------------------

namespace {

// The keysym XKB gives Pause with Ctrl held; Qt knows no key for it.
constexpr quint32 BreakKeysym = 0xff6b;

// Keys whose hold matters: they act once per press, not per repeat.
bool IsHeldKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Down;
}

// Whether the X server has the event's key down at this moment; unknown away
// from X. A repeat's release leaves it down, a real one up.
std::optional<bool> KeyHeldOnX(const QKeyEvent& event)
{
#if STAKOR_HAVE_XCB
    const quint32 code = event.nativeScanCode(); // the X key code
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || code == 0 || code > 255)
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    xcb_query_keymap_reply_t* keymap = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (keymap == nullptr)
        return std::nullopt;
    const bool down = (keymap->keys[code / 8] >> (code % 8)) & 1;
    std::free(keymap);
    return down;
#else
    (void)event;
    return std::nullopt;
#endif
}

} // namespace

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    // A press stamped with the time of the release before it is that
    // release's repeat, however late the two are handled.
    if (event->timestamp() != 0 && event->key() == LastReleaseKey && event->timestamp() == LastReleaseTime)
        return;
    if (PendingReleaseKey != 0) {
        if (event->key() == PendingReleaseKey) {
            // The release just before was the key repeating, not the player letting go.
            ReleaseTimer.stop();
            PendingReleaseKey = 0;
            return;
        }
        ReleaseTimer.stop();
        KeyReleased(std::exchange(PendingReleaseKey, 0));
    }
    const int key = event->nativeVirtualKey() == BreakKeysym ? int{Qt::Key_Pause} : event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool none = mods == Qt::NoModifier;
    const bool altOnly = mods == Qt::AltModifier;
    TGameControl& control = Core.Control;
    const bool wasDropping = Core.Figures.Dropping;
    Guarded([&] {
        switch (key) {
        case Qt::Key_Pause:
        case Qt::Key_P:
            PauseMenuItemClick();
            break;
        case Qt::Key_Escape:
            Disguise_->DisguiseGame();
            break;
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
            ShowHelp(21);
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
    Trace(!wasDropping && Core.Figures.Dropping ? "fast drop on" : "press");
}

void TMainForm::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat() || !IsHeldKey(event->key()))
        return;
    LastReleaseKey = event->key();
    LastReleaseTime = event->timestamp();
    // The platform does not always mark a repeat's release as one. Where X
    // can be asked, it says whether the key is still held; elsewhere the
    // release waits a moment for a press of the same key that would make it
    // a repeat (X sends the two together).
    if (const std::optional<bool> held = KeyHeldOnX(*event)) {
        if (!*held)
            KeyReleased(event->key());
        return;
    }
    if (PendingReleaseKey != 0 && PendingReleaseKey != event->key())
        KeyReleased(PendingReleaseKey);
    PendingReleaseKey = event->key();
    ReleaseTimer.start();
}

void TMainForm::KeyReleased(int key)
{
    if (IsHeldKey(key))
        Guarded([this] { Core.Control.DropKeyRelease(); });
    Trace("release");
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
    if (DragPending) {
        DragPending = false;
        // Only while the button is still down: a window system move started
        // after a quick click would leave the window stuck to the pointer.
        if (event->buttons().testFlag(Qt::LeftButton))
            Dragging = !(windowHandle() && windowHandle()->startSystemMove());
        if (!Dragging)
            return;
    }
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
            // The move starts with the first motion; without a window system
            // move, the window is moved by hand.
            DragPending = Areas.Drag.contains(point);
            DragOffset = event->globalPosition().toPoint() - pos();
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
    Dragging = DragPending = false;
    MouseDownOnButton = false;
    if (MinimizeState == 2) {
        MinimizeState = 0;
        repaint(Areas.Minimize);
        // A request the window system ignored left the state minimised: ask anew.
        if (isMinimized())
            setWindowState(windowState() & ~Qt::WindowMinimized);
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
        } else if (HelpOpen) {
            HelpOpen = false; // back from the help
            Guarded([this] { Core.Sound.StartMusic(); });
        }
        update();
    } else if (event->type() == QEvent::WindowStateChange) {
        Guarded([this] { FollowWindowState(); });
    }
    QWidget::changeEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // An iconified window is unmapped, which its window reports as no longer exposed.
    if (watched == windowHandle() && event->type() == QEvent::Expose)
        Guarded([this] { FollowWindowState(); });
    return QWidget::eventFilter(watched, event);
}

void TMainForm::FollowWindowState()
{
    // Qt takes the state asked for at once; without a window manager, or
    // with one that refuses, the window stays up. Only a minimised window
    // that is no longer shown counts.
    // A window the disguise has hidden is neither minimised nor restored by
    // the window system; only the password brings it back.
    if (Disguise_->StandIn())
        return;
    const QWindow* window = windowHandle();
    const bool iconified = isMinimized() && !(window && window->isExposed());
    if (iconified && !Minimized_)
        AppMinimize();
    else if (!iconified && Minimized_)
        AppRestore();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool allowed = true;
    Guarded([&] {
        const bool wasPaused = Core.Game.Paused;
        if (Core.Game.Running) {
            Core.Rules.PauseGame();
            // Closing from the task bar while minimized never asks.
            Trace(Minimized_ ? "close" : "close asks");
            if (!Minimized_)
                allowed = Core.Dialogs.Questions.AskYesNo(MessageText(Core.Lang, "MB3"));
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
    if (allowed) {
        event->accept();
        if (Desktop.Quit)
            Desktop.Quit();
    } else {
        event->ignore();
    }
}

void TMainForm::BringToFront()
{
    if (Disguise_->BringToFront())
        return; // disguised: only the password brings the game back
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    // A dialog the player left open stays above the window it belongs to.
    if (QWidget* dialog = QApplication::activeModalWidget())
        RaiseAboveOwner(*dialog);
}

void TMainForm::ShowHelp(int context)
{
    // The player reads the help instead of playing, as when switching to
    // another program.
    Core.Rules.PauseGame();
    Core.Sound.StopMusic();
    HelpOpen = true;
    Desktop.ShowHelp(context);
    Trace("help");
}

void TMainForm::AppMinimize()
{
    Disguise_->AppMinimize();
    Trace("minimized");
}

void TMainForm::AppRestore()
{
    Disguise_->AppRestore();
    if (!Minimized_)
        Trace("restored");
}

void TMainForm::AppActivate()
{
    Disguise_->AppActivate();
}

void TMainForm::AppDeactivate()
{
    Disguise_->AppDeactivate();
}

} // namespace stakor
