#include "shell/desktop/desktop_window.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace stakor {

void RaiseAboveOwner(QWidget& dialog)
{
    dialog.raise();
    dialog.activateWindow();
}

void GiveFocusBack(QWidget& window)
{
    window.activateWindow();
    window.setFocus(Qt::ActiveWindowFocusReason);
}

void CentreOnOwner(QWidget& dialog, const QWidget& owner)
{
    // The client areas' middles meet: the owner's frame is not known on every
    // desktop, and the game's main window has none.
    const QWidget* ownerWindow = owner.window();
    const QPoint middle = ownerWindow->mapToGlobal(QPoint(ownerWindow->width() / 2, ownerWindow->height() / 2));
    QRect place(middle - QPoint(dialog.width() / 2, dialog.height() / 2), dialog.size());
    if (const QScreen* screen = ownerWindow->screen()) {
        // Kept on the screen, title bar first.
        const QRect area = screen->availableGeometry();
        place.moveLeft(std::max(area.left(), std::min(place.left(), area.right() + 1 - place.width())));
        place.moveTop(std::max(area.top(), std::min(place.top(), area.bottom() + 1 - place.height())));
    }
    dialog.setGeometry(place);
}

} // namespace stakor
