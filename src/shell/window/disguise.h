#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace stakor {

class TGameCore;

// The disguise: Esc hides the game behind another program's title and icon,
// and a password, when one is set, guards its return. It also keeps the
// window's minimise, restore, activation and deactivation rules, on which
// the disguise builds, and the program's `Minimized` flag.
//
// The game counts as disguised while its task-bar title differs from the
// window's caption. With a password the game's window is hidden, and as a
// hidden window has no task-bar entry on Linux, a small stand-in window,
// minimised, carries the disguise's title and icon there (where no task bar
// exists it is never shown, and a second start asks instead); restoring it
// asks for the password before anything of the game shows again.
class TDisguise : public QObject {
    Q_OBJECT

public:
    enum class EState {
        Shown,
        Minimized,
        Disguised,
        DisguisedAndHidden,
    };

    // `window` is the game's main window; `minimized` the flag it keeps.
    TDisguise(TGameCore& core, QWidget& window, bool& minimized);
    ~TDisguise() override;

    // Esc in the main window: nothing unless the disguise is enabled.
    void DisguiseGame();
    // Task-bar title and icon from the settings, on the window and on the
    // program (so every window made meanwhile carries them too).
    void HideInfoInTaskBar();

    void AppMinimize();
    // Asks for the password when disguised with one; the game stays paused.
    void AppRestore();
    void AppActivate();
    void AppDeactivate();

    // A later start of the program wants the window. True when the disguise
    // took care of it: the password box comes up (later, on the event loop)
    // and nothing of the game shows unless it is answered right.
    bool BringToFront();

    EState State() const;
    bool Disguised() const { return TaskBarTitle_ != Caption; }
    const QString& TaskBarTitle() const { return TaskBarTitle_; }
    // The window that carries the task-bar entry while the game's is hidden.
    QWidget* StandIn() const;

    // The password box: caption, prompt; nothing when cancelled. Tests
    // answer it themselves.
    std::function<std::optional<QString>(const QString& caption, const QString& prompt)> AskPassword;
    // Runs the disguise settings dialog; tests put a stand-in here.
    std::function<void()> OpenSettings;

    // The real password box: plain text, at most 255 characters.
    std::optional<QString> PasswordBox(const QString& caption, const QString& prompt);

    // Whether the desktop minimises a window on request, and whether a
    // minimised one can be found there again; tests answer for a desktop.
    std::function<bool()> MinimizeHonoured;
    std::function<bool()> TaskBarPresent;
    // Whether the desktop tells when a window was minimised or restored.
    // Where it does not, Qt hands a minimised window its state back at once:
    // that is no restore, and the stand-in then comes back only by a click
    // or key in it, or by a second start.
    std::function<bool()> ReportsMinimized;

private:
    class TStandIn;

    void MinimizeApplication();
    void ShowWindowAgain();
    void UndoTaskBarInfo();
    void MakeStandIn();
    void DropStandIn();
    // Dresses a window of the program in the disguise's identity on the
    // desktop (X11 class and desktop-entry names) before it is shown.
    void Dress(QWidget& widget) const;
    void QueueRestore();
    // The stand-in was brought up: it goes out of sight again, and the
    // password box comes.
    void StandInRestored();
    // Minimised where a task bar leads back to it, else never shown.
    void StandInOutOfSight();
    // The game's other windows (the help) go with the game and come back with it.
    void HideOtherWindows();
    void ShowOtherWindows();

    TGameCore& Core;
    QWidget& Window;
    bool& Minimized;
    const QString Caption;
    QString TaskBarTitle_;
    QIcon DisguiseIcon;
    QIcon ProgramIcon;
    QIcon ProgramWindowIcon; // the main window's own
    struct THiddenWindow {
        QPointer<QWidget> Widget;
        QString Title;
    };
    std::vector<THiddenWindow> HiddenWindows;
    QString ProgramDesktopName;
    QByteArray DisguiseName; // lower-case class name the disguise shows
    QByteArray ProgramClass; // the window's own X11 class and desktop-entry name
    QByteArray ProgramEntry;
    QPointer<QWidget> StandIn_;
    bool Dressed = false;
    bool Restoring = false;
    bool RestoreQueued = false;
};

} // namespace stakor
