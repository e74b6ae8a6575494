// Keys, the pointer and the window-state events of the main window.
#include "shell/main_form.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>

#include "audio/sound.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "shell/disguise.h"
#include "shell/game_core.h"

namespace stakor {

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
    if (Disguise_->BringToFront())
        return; // disguised: only the password brings the game back
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TMainForm::AppMinimize()
{
    Disguise_->AppMinimize();
}

void TMainForm::AppRestore()
{
    Disguise_->AppRestore();
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
