// Keys, the pointer and the window-state events of the main window.
#include "shell/window/main_form.h"

#include <optional>
#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>

#include "audio/sound.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/message_texts.h"
#include "shell/desktop/desktop_window.h"
#include "shell/desktop/window_system.h"
#include "shell/game/game_core.h"
#include "shell/window/disguise.h"

namespace stakor {

// ---- Keys ----------------------------------------------------------------------

namespace {

// The keysym XKB gives Pause with Ctrl held; Qt knows no key for it.
constexpr quint32 BreakKeysym = 0xff6b;

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
    RestoreOnInput();
    const int key = event->nativeVirtualKey() == BreakKeysym ? int{Qt::Key_Pause} : event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool none = mods == Qt::NoModifier;
    const bool altOnly = mods == Qt::AltModifier;
    TGameControl& control = Core.Control;
    const bool wasDropping = Core.Figures.Dropping;
    Guarded([&] {
        switch (key) {
        case Qt::Key_Pause:
            PauseMenuItemClick();
            break;
        case Qt::Key_Escape:
            Disguise_->DisguiseGame();
            break;
        case Qt::Key_Down:
            control.DropKeyPress();
            break;
        case Qt::Key_G:
            if (altOnly)
                ShowGridMenuItemClick();
            else if (const auto action = Keys_.ActionOf(key, event->modifiers()))
                KeyAction(*action);
            break;
        case Qt::Key_H:
            if (altOnly)
                RecordsMenuItemClick();
            else if (const auto action = Keys_.ActionOf(key, event->modifiers()))
                KeyAction(*action);
            break;
        case Qt::Key_M:
            if (altOnly)
                PlayMusicMenuItemClick();
            else if (const auto action = Keys_.ActionOf(key, event->modifiers()))
                KeyAction(*action);
            break;
        case Qt::Key_S:
            if (altOnly)
                PlaySoundsMenuItemClick();
            else if (const auto action = Keys_.ActionOf(key, event->modifiers()))
                KeyAction(*action);
            break;
        case Qt::Key_T:
            if (altOnly)
                ShowTimeMenuItemClick();
            else if (const auto action = Keys_.ActionOf(key, event->modifiers()))
                KeyAction(*action);
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
            if (const auto action = Keys_.ActionOf(key, event->modifiers()))
                KeyAction(*action);
            else
                QWidget::keyPressEvent(event);
            break;
        }
    });
    Trace(!wasDropping && Core.Figures.Dropping ? "fast drop on" : "press");
}

void TMainForm::KeyAction(TKeyAction action)
{
    TGameControl& control = Core.Control;
    switch (action) {
    case TKeyAction::Left:
        control.LeftKey();
        break;
    case TKeyAction::Right:
        control.RightKey();
        break;
    case TKeyAction::Rotate:
        control.UpKey(false, RotateclockwiseMenuItem->isChecked());
        break;
    case TKeyAction::RotateBack:
        control.UpKey(true, RotateclockwiseMenuItem->isChecked());
        break;
    case TKeyAction::Drop:
        control.DropKeyPress();
        break;
    case TKeyAction::Pause:
        PauseMenuItemClick();
        break;
    }
}

void TMainForm::GamepadAction(TPadAction action)
{
    // Like the keys, the gamepad plays only in the window the player looks at.
    if (Minimized_ || !isActiveWindow())
        return;
    const bool wasDropping = Core.Figures.Dropping;
    Guarded([&] {
        TGameControl& control = Core.Control;
        switch (action) {
        case TPadAction::Left:
            control.LeftKey();
            break;
        case TPadAction::Right:
            control.RightKey();
            break;
        case TPadAction::Rotate:
            control.UpKey(false, RotateclockwiseMenuItem->isChecked());
            break;
        case TPadAction::RotateBack:
            control.UpKey(true, RotateclockwiseMenuItem->isChecked());
            break;
        case TPadAction::DropPress:
            control.DropKeyPress();
            break;
        case TPadAction::DropRelease:
            control.DropKeyRelease();
            break;
        case TPadAction::Pause:
            PauseMenuItemClick();
            break;
        case TPadAction::NewGame:
            StartGameMenuItemClick();
            break;
        }
    });
    Trace(!wasDropping && Core.Figures.Dropping ? "fast drop on" : "pad");
}

void TMainForm::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat() || !Keys_.IsDropKey(event->key()))
        return;
    LastReleaseKey = event->key();
    LastReleaseTime = event->timestamp();
    // The platform does not always mark a repeat's release as one. Where X
    // can be asked, it says whether the key is still held; elsewhere the
    // release waits a moment for a press of the same key that would make it
    // a repeat (X sends the two together).
    if (const std::optional<bool> held = WindowSystem().KeyHeld(event->nativeScanCode())) {
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
    if (Keys_.IsDropKey(key))
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
        if (event->buttons().testFlag(Qt::LeftButton)) {
            SystemMoving = WindowSystem().StartMove(*this);
            Dragging = !SystemMoving;
        }
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
    RestoreOnInput();
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
            // The move starts with the first motion (at once where the window
            // system ends it on a release that came first); without a window
            // system move, the window is moved by hand.
            DragPending = Areas.Drag.contains(point);
            DragOffset = event->globalPosition().toPoint() - pos();
            if (DragPending && WindowSystem().MovesFromPress()) {
                DragPending = false;
                SystemMoving = WindowSystem().StartMove(*this);
                Dragging = !SystemMoving;
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
    Dragging = DragPending = false;
    if (std::exchange(SystemMoving, false))
        WindowSystem().MoveEnded(*this);
    MouseDownOnButton = false;
    if (MinimizeState == 2) {
        MinimizeState = 0;
        repaint(Areas.Minimize);
        // A request the window system ignored left the state minimised: ask anew.
        if (isMinimized())
            setWindowState(windowState() & ~Qt::WindowMinimized);
        showMinimized();
        // Where the desktop never says whether it minimised the window (or
        // cannot), the request counts: the game never runs on unseen.
        if (!WindowSystem().ReportsMinimized() && !Minimized_)
            Guarded([this] { AppMinimize(); });
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
    // Hidden from view by other means (another desk, a compositor that
    // stopped drawing it): the game stops, as when another program is active.
    if (window && isVisible() && !window->isExposed() && Core.Game.Running && !Core.Game.Paused) {
        Core.Rules.PauseGame();
        Core.Sound.StopMusic();
        Trace("unseen");
    }
    // Where minimising is never reported, the restore comes with the next
    // activation or input.
    if (!WindowSystem().ReportsMinimized())
        return;
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

void TMainForm::BringToFront(const QString& token)
{
    if (Disguise_->BringToFront())
        return; // disguised: only the password brings the game back
    WindowSystem().Raise(*this, token);
    // A dialog the player left open stays above the window it belongs to.
    if (QWidget* dialog = QApplication::activeModalWidget())
        RaiseAboveOwner(*dialog);
}

void TMainForm::RestoreOnInput()
{
    // A window that takes a key or a click is on the screen: a minimise the
    // desktop ignored (or never reported undone) is over.
    if (Minimized_ && isVisible() && !Disguise_->StandIn())
        Guarded([this] { AppRestore(); });
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
