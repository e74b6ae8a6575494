#include "shell/desktop/window_system.h"

#include <memory>

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#if defined(STAKOR_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#if QT_CONFIG(xcb)
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#define STAKOR_X11_CALLS 1
#endif
#endif

namespace stakor {

namespace {

#if defined(STAKOR_X11_CALLS)

xcb_connection_t* XConnection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

QByteArray ReadProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property)
{
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return {};
    QByteArray value;
    if (reply->format == 8)
        value =
            QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
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
    xcb_connection_t* connection = XConnection();
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

// X11, and any platform that is not Wayland (the tests' offscreen one): the
// window manager honours an outline, moves, raises and iconifies.
class TX11System : public TWindowSystem {
public:
    void Prepare(QWidget&) override {}

    void Shape(QWidget& window, const QRegion& outline) override { window.setMask(outline); }

    bool StartMove(QWidget& window) override
    {
#if defined(STAKOR_X11_CALLS)
        // The button may have come up already while its release still waits
        // in our queue: a window manager handed the move then never sees the
        // release and leaves the window stuck to the pointer. The server knows.
        if (xcb_connection_t* connection = XConnection()) {
            xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(
                connection, xcb_query_pointer(connection, static_cast<xcb_window_t>(window.winId())), nullptr);
            const bool held = pointer && (pointer->mask & XCB_BUTTON_MASK_1);
            std::free(pointer);
            if (!held)
                return true; // a click, not a drag: nothing to move
        }
#endif
        return window.windowHandle() && window.windowHandle()->startSystemMove();
    }

    bool MovesFromPress() const override { return false; }

    void MoveEnded(QWidget& window) override
    {
#if defined(STAKOR_X11_CALLS)
        // The release reached us, so the window manager's grab came too late
        // to see it: its move is called off.
        xcb_connection_t* connection = XConnection();
        if (!connection)
            return;
        const xcb_setup_t* setup = xcb_get_setup(connection);
        const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
        if (screen.rem == 0)
            return;
        constexpr uint32_t Cancel = 11; // _NET_WM_MOVERESIZE_CANCEL
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = static_cast<xcb_window_t>(window.winId());
        message.type = Atom(connection, "_NET_WM_MOVERESIZE");
        message.data.data32[2] = Cancel;
        message.data.data32[3] = 1; // the left button
        message.data.data32[4] = 1; // from a normal program
        xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
        xcb_send_event(connection, 0, screen.data->root,
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
#else
        (void)window;
#endif
    }

    void Raise(QWidget& window, const QString&) override
    {
        if (window.isMinimized())
            window.showNormal();
        window.show();
        window.raise();
        window.activateWindow();
    }

    bool ReportsMinimized() const override { return true; }

    bool MinimizeHonoured() const override { return WindowManagerRuns(); }
    bool TaskBarPresent() const override { return WindowManagerRuns(); }

    static bool WindowManagerRuns()
    {
#if defined(STAKOR_X11_CALLS)
        return X11WindowManagerRuns();
#else
        return true;
#endif
    }

    std::optional<bool> KeyHeld(quint32 scanCode) const override
    {
#if defined(STAKOR_X11_CALLS)
        xcb_connection_t* connection = XConnection();
        if (connection == nullptr || scanCode == 0 || scanCode > 255)
            return std::nullopt;
        xcb_query_keymap_reply_t* keymap = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
        if (keymap == nullptr)
            return std::nullopt;
        const bool down = (keymap->keys[scanCode / 8] >> (scanCode % 8)) & 1;
        std::free(keymap);
        return down;
#else
        (void)scanCode;
        return std::nullopt;
#endif
    }

    void WriteNames(QWidget& widget, const QByteArray& windowClass, const QByteArray& entry) override
    {
#if defined(STAKOR_X11_CALLS)
        xcb_connection_t* connection = XConnection();
        if (!connection)
            return;
        const auto window = static_cast<xcb_window_t>(widget.winId());
        if (!windowClass.isEmpty())
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                static_cast<uint32_t>(windowClass.size()), windowClass.constData());
        const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
        for (const char* name : {"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"}) {
            const xcb_atom_t atom = Atom(connection, name);
            if (atom == XCB_ATOM_NONE)
                continue;
            if (entry.isEmpty())
                xcb_delete_property(connection, window, atom);
            else
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom, utf8, 8,
                    static_cast<uint32_t>(entry.size()), entry.constData());
        }
        xcb_flush(connection);
#else
        (void)widget, (void)windowClass, (void)entry;
#endif
    }

    void ReadNames(QWidget& widget, QByteArray& windowClass, QByteArray& entry) override
    {
#if defined(STAKOR_X11_CALLS)
        xcb_connection_t* connection = XConnection();
        if (!connection)
            return;
        const auto window = static_cast<xcb_window_t>(widget.winId());
        windowClass = ReadProperty(connection, window, XCB_ATOM_WM_CLASS);
        entry = ReadProperty(connection, window, Atom(connection, "_GTK_APPLICATION_ID"));
        if (entry.isEmpty())
            entry = ReadProperty(connection, window, Atom(connection, "_KDE_NET_WM_DESKTOP_FILE"));
#else
        (void)widget, (void)windowClass, (void)entry;
#endif
    }

    // Qt's hidden group-leader window carries the program's name as its title.
    void NameLeader(QWidget& widget, const QString& title) override
    {
#if defined(STAKOR_X11_CALLS)
        xcb_connection_t* connection = XConnection();
        if (!connection)
            return;
        const xcb_atom_t leaderAtom = Atom(connection, "WM_CLIENT_LEADER");
        const xcb_get_property_cookie_t cookie = xcb_get_property(
            connection, 0, static_cast<xcb_window_t>(widget.winId()), leaderAtom, XCB_ATOM_WINDOW, 0, 1);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
        if (!reply)
            return;
        xcb_window_t leader = XCB_WINDOW_NONE;
        if (reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
            std::memcpy(&leader, xcb_get_property_value(reply), sizeof leader);
        std::free(reply);
        if (leader == XCB_WINDOW_NONE)
            return;
        const QByteArray utf8 = title.toUtf8();
        const QByteArray latin1 = title.toLatin1();
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, leader, Atom(connection, "_NET_WM_NAME"),
            Atom(connection, "UTF8_STRING"), 8, static_cast<uint32_t>(utf8.size()), utf8.constData());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, leader, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
            static_cast<uint32_t>(latin1.size()), latin1.constData());
        xcb_flush(connection);
#else
        (void)widget, (void)title;
#endif
    }
};

// Wayland: a window has no shape (its mask only limits the pointer), cannot
// place or raise itself, is never told that it was minimised, and its
// program's name (the application id) is fixed when the window is made.
class TWaylandSystem : public TWindowSystem {
public:
    void Prepare(QWidget& window) override
    {
        // Outside the outline the pixels stay clear: the compositor shows
        // what is below them.
        window.setAttribute(Qt::WA_TranslucentBackground);
    }

    void Shape(QWidget& window, const QRegion& outline) override
    {
        window.setMask(outline); // where the pointer reaches the window
        window.update();
    }

    bool StartMove(QWidget& window) override { return window.windowHandle() && window.windowHandle()->startSystemMove(); }

    // The compositor takes a move only while the button is down and ends it
    // on the release itself; from the press on, nothing of the drag is lost.
    bool MovesFromPress() const override { return true; }
    void MoveEnded(QWidget&) override {}

    void Raise(QWidget& window, const QString& token) override
    {
        window.show();
        if (token.isEmpty()) {
            // Without the launcher's token no compositor lets a window push
            // itself in front: it asks for attention instead.
            QApplication::alert(&window);
            return;
        }
        // Qt's Wayland plugin presents this token with the next activation.
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        window.raise();
        window.activateWindow();
    }

    bool ReportsMinimized() const override { return false; }
    bool MinimizeHonoured() const override { return true; }
    bool TaskBarPresent() const override { return true; }

    std::optional<bool> KeyHeld(quint32) const override { return std::nullopt; }

    void WriteNames(QWidget&, const QByteArray&, const QByteArray&) override {}
    void ReadNames(QWidget&, QByteArray&, QByteArray&) override {}
    void NameLeader(QWidget&, const QString&) override {}
};

TWindowSystem* StandIn = nullptr;

} // namespace

void UseWindowSystem(TWindowSystem* standIn)
{
    StandIn = standIn;
}

TWindowSystem& WindowSystem()
{
    if (StandIn != nullptr)
        return *StandIn;
    static const std::unique_ptr<TWindowSystem> system = []() -> std::unique_ptr<TWindowSystem> {
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            return std::make_unique<TWaylandSystem>();
        return std::make_unique<TX11System>();
    }();
    return *system;
}

QString LaunchToken()
{
    // Wayland launchers pass XDG_ACTIVATION_TOKEN; X11 ones DESKTOP_STARTUP_ID.
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty())
        token = qgetenv("DESKTOP_STARTUP_ID");
    // Only a plain one-line token travels; anything else is no token.
    if (token.size() > 255)
        return {};
    for (const char c : token)
        if (c <= ' ' || c > '~')
            return {};
    return QString::fromLatin1(token);
}

} // namespace stakor
