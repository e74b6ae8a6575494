#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace stakor {

// The marker that one instance of the game holds per user while it runs: a
// local socket in Linux's abstract namespace. Such a name belongs to the open
// socket, not to a file, so it vanishes with the process that held it (even
// after a crash), and only one process can bind it.
//
// The name is open to every process of the machine, so nothing another
// process does may hold up a start for long: a later start gives the whole
// hand-over about a second and a half, and the holder keeps listening through
// floods of calls, dropping callers that do not speak within a second.
class TSingleInstance : public QObject {
    Q_OBJECT

public:
    // `name` defaults to the per-user marker name; tests pass their own.
    explicit TSingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    // "vexastak_memfile-" and the user's numeric id: abstract names are shared
    // by every user of the machine, and each user runs a game of their own.
    static QString DefaultName();

    // Tries to become the one instance. True: this process runs as the first
    // instance; it normally holds the marker and emits ShowRequested() when a
    // later start asks. False: another instance of this user holds the marker
    // and has been asked to show itself; the caller should end at once with
    // code 0. Call it once the application object exists: the holder answers
    // later starts on the event loop. `token` (the launcher's activation
    // token, may be empty) goes to the running instance with the request.
    //
    // True without holding the marker (Holding() false) is the last resort
    // when the name stays taken by something that does not answer in time,
    // or by another user's process: the game then starts anyway rather than
    // never, and keeps trying to take the marker in the background.
    bool Claim(const QString& token = {});

    // For a later start: asks the running instance to come to the front;
    // true when it answered within timeoutMs.
    bool HandOver(int timeoutMs = 2000, const QString& token = {});

    // Whether this process holds the marker now.
    bool Holding() const;

    const QString& Name() const { return Name_; }

signals:
    // A second start wants this instance's window restored and in front;
    // `token` is the activation token its launcher gave it, or empty.
    void ShowRequested(const QString& token);

private:
    enum class EAnswer {
        Answered, // the holder acknowledged the request
        Silent, // a process of this user holds the name but did not answer in time
        Absent, // nobody took the call: the holder is gone or not listening yet
        Foreign, // the name is held by another user's process
        Jammed, // the holder's queue stayed full: who it is cannot be told
    };
    struct TCaller;

    bool Listen();
    EAnswer Ask(int timeoutMs, const QString& token = {});
    void StartRetrying();
    void AcceptConnections();
    void Serve(int fd);
    int OldestCaller() const;
    void Drop(int fd);

    QString Name_;
    int ListenFd = -1;
    // errno of the last failed Listen().
    int ListenError = 0;
    QSocketNotifier* ListenNotifier = nullptr;
    QTimer* RetryTimer = nullptr;
    QTimer* AcceptPause = nullptr;
    std::map<int, std::unique_ptr<TCaller>> Callers;
    // Makes the callers in order of arrival, so the oldest can go first.
    uint64_t CallerCount = 0;
};

} // namespace stakor
