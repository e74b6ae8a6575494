#pragma once

#include <optional>

#include <QByteArray>
#include <QRegion>
#include <QString>

class QWidget;

namespace stakor {

// What the game's windows ask of the desktop they run on. Everything that
// differs between X11 and Wayland is answered here, once per system: the
// answer is chosen when the program starts (from the platform Qt runs on),
// and the windows never ask which system it is.
class TWindowSystem {
public:
    virtual ~TWindowSystem() = default;

    // Before the window is first shown: what its outline needs of it.
    virtual void Prepare(QWidget& window) = 0;
    // Outside the outline the desktop shows and the pointer reaches what is
    // below; the pictures inside stay as painted.
    virtual void Shape(QWidget& window, const QRegion& outline) = 0;

    // The left button is down on the frame and the pointer moved: hands the
    // move to the window manager. False: the window moves itself.
    virtual bool StartMove(QWidget& window) = 0;
    // Whether the move may start with the press itself (the window system
    // ends it on the release, even one that came before it took the move);
    // else it starts with the first motion while the button is down.
    virtual bool MovesFromPress() const = 0;
    // The left button came up over the window after StartMove: the window
    // manager missed the release and must let the window go.
    virtual void MoveEnded(QWidget& window) = 0;

    // A later start asks for the window: in front where the desktop allows
    // it (with the launcher's activation token), else a call for attention.
    virtual void Raise(QWidget& window, const QString& token) = 0;

    // Whether the desktop tells a window that it was minimised. Where it does
    // not, a minimise request counts as minimised at once.
    virtual bool ReportsMinimized() const = 0;
    // Whether a request to minimise a window is carried out at all, and
    // whether a minimised window can be reached again from the desktop (a
    // task bar, a window list): X11 needs a window manager for both.
    virtual bool MinimizeHonoured() const = 0;
    virtual bool TaskBarPresent() const = 0;

    // Whether a key is held at the moment (by its native scan code); unknown
    // where the system cannot be asked.
    virtual std::optional<bool> KeyHeld(quint32 scanCode) const = 0;

    // The names by which task bars know a window's program (class and
    // desktop entry). Where they are fixed when the window is made, the
    // program's desktop-file name at that moment names it, and these do nothing.
    virtual void WriteNames(QWidget& window, const QByteArray& windowClass, const QByteArray& entry) = 0;
    virtual void ReadNames(QWidget& window, QByteArray& windowClass, QByteArray& entry) = 0;
    // Titles any hidden helper window the platform made for the program.
    virtual void NameLeader(QWidget& window, const QString& title) = 0;
};

// The answer for the platform Qt runs on, made on the first call (after the
// application object exists) and kept until the program ends.
TWindowSystem& WindowSystem();

// Tests answer for the desktop with a stand-in; null goes back to the
// platform's own answer. The stand-in must outlive its use.
void UseWindowSystem(TWindowSystem* standIn);

// The activation token a launcher gave this start ("" without one); it goes
// to the running copy when this start hands over.
QString LaunchToken();

} // namespace stakor
