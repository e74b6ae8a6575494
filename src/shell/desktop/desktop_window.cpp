#include "shell/desktop/desktop_window.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#if defined(STAKOR_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#if QT_CONFIG(xcb)
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#define STAKOR_X11_WINDOW_MANAGER 1
#endif
#endif

namespace stakor {

namespace {

#if defined(STAKOR_X11_WINDOW_MANAGER)

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

bool WindowExists(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t* reply =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    std::free(reply);
    return reply != nullptr;
}

// A window manager owns the selection WM_Sn of its screen (ICCCM), or names
// its check window on the root (EWMH); a name left by one that has ended
// points to a window that no longer exists.
bool X11WindowManagerRuns()
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return true;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return true;
    if (const xcb_atom_t selection = Atom(connection, "WM_S0"); selection != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
        if (owned)
            return true;
    }
    const xcb_atom_t check = Atom(connection, "_NET_SUPPORTING_WM_CHECK");
    if (check == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, screen->root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t window = XCB_WINDOW_NONE;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        std::memcpy(&window, xcb_get_property_value(reply), sizeof window);
    std::free(reply);
    return window != XCB_WINDOW_NONE && WindowExists(connection, window);
}

#endif

bool OnX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

bool MinimizeHonoured()
{
#if defined(STAKOR_X11_WINDOW_MANAGER)
    if (OnX11())
        return X11WindowManagerRuns();
#endif
    return true;
}

bool TaskBarPresent()
{
#if defined(STAKOR_X11_WINDOW_MANAGER)
    if (OnX11())
        return X11WindowManagerRuns();
#endif
    return true;
}

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
