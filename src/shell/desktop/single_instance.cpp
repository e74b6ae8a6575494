#include "shell/desktop/single_instance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace stakor {

namespace {

// The whole conversation: a later start says "show" (with its launcher's
// activation token after a blank, when it has one), the holder says "ok".
constexpr char Request[] = "show";
constexpr char Answer[] = "ok\n";
// Room for the longest token a launcher hands out.
constexpr size_t MaxLine = 320;
constexpr qsizetype MaxToken = 255;

QByteArray RequestLine(const QString& token)
{
    QByteArray line = Request;
    if (!token.isEmpty())
        line += ' ' + token.toLatin1().left(MaxToken);
    return line + '\n';
}

// The token of a request line (its end mark removed); nullopt when the line
// asks for nothing we know. A token is printable ASCII without blanks.
std::optional<QString> ShowToken(const QByteArray& line)
{
    if (line == Request)
        return QString();
    if (!line.startsWith(QByteArray(Request) + ' '))
        return std::nullopt;
    const QByteArray token = line.mid(static_cast<qsizetype>(sizeof Request));
    if (token.isEmpty() || token.size() > MaxToken)
        return std::nullopt;
    for (const char c : token)
        if (c <= ' ' || c > '~')
            return std::nullopt;
    return QString::fromLatin1(token);
}

// A later start's whole attempt to hand over, whatever the holder of the
// name does: a name taken by a holder between binding and listening, or by
// one that has just died, is tried again every ClaimRetryMs meanwhile.
constexpr int ClaimBudgetMs = 1500;
constexpr int ClaimRetryMs = 50;
// While the holder's queue of calls is full, a call is tried again this often.
constexpr int ConnectRetryMs = 20;

// How long the holder waits for a caller to say what it wants.
constexpr int RequestTimeoutMs = 1000;
// Callers served at once; a newcomer beyond them pushes the oldest out.
constexpr size_t MaxCallers = 32;
// Calls taken in one go, so that a flood cannot keep the window from its events.
constexpr int MaxAcceptsAtOnce = 64;
// How long the holder stops taking calls when the system has no descriptor
// left for one; the marker itself stays.
constexpr int AcceptPauseMs = 200;

// How often a game that started without the marker tries to take it.
constexpr int RetryIntervalMs = 1000;

// The name in the abstract namespace: a zero byte, then the name, no end mark.
struct TAddress {
    sockaddr_un Address{};
    socklen_t Size = 0;
    bool Valid = false;
};

TAddress AddressOf(const QString& name)
{
    TAddress result;
    const QByteArray bytes = QFile::encodeName(name);
    result.Address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || static_cast<size_t>(bytes.size()) + 1 > sizeof result.Address.sun_path)
        return result;
    std::memcpy(result.Address.sun_path + 1, bytes.constData(), static_cast<size_t>(bytes.size()));
    result.Size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(bytes.size()));
    result.Valid = true;
    return result;
}

// Abstract names carry no file permissions: anyone on the machine can bind or
// call them. The kernel tells who is at the other end.
bool SameUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == ::geteuid();
}

class TDescriptor {
public:
    explicit TDescriptor(int fd) : Fd(fd) {}
    ~TDescriptor()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Fd;
};

int Remaining(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

} // namespace

struct TSingleInstance::TCaller {
    QSocketNotifier* Notifier = nullptr;
    QByteArray Said;
    uint64_t Serial = 0;
    bool Closed = false; // its descriptor is closed already
};

TSingleInstance::TSingleInstance(QString name, QObject* parent) : QObject(parent), Name_(std::move(name)) {}

TSingleInstance::~TSingleInstance()
{
    for (auto& [fd, caller] : Callers) {
        delete caller->Notifier;
        ::close(fd);
    }
    delete ListenNotifier;
    if (ListenFd >= 0)
        ::close(ListenFd);
}

QString TSingleInstance::DefaultName()
{
    return QStringLiteral("vexastak_memfile-%1").arg(::geteuid());
}

bool TSingleInstance::Holding() const
{
    return ListenFd >= 0;
}

bool TSingleInstance::Claim(const QString& token)
{
    const QDeadlineTimer deadline(ClaimBudgetMs);
    for (;;) {
        if (Listen())
            return true;
        // No marker can be made at all: the game runs as it would without one.
        if (ListenError != EADDRINUSE)
            return true;
        switch (Ask(Remaining(deadline), token)) {
        case EAnswer::Answered:
        // A holder of this user that is alive but too busy to answer is still
        // a running game; a second one would fight it over the settings and
        // records.
        case EAnswer::Silent:
            return false;
        case EAnswer::Foreign:
        case EAnswer::Jammed:
            StartRetrying();
            return true;
        case EAnswer::Absent:
            break;
        }
        if (deadline.hasExpired())
            break;
        QThread::msleep(static_cast<unsigned long>(std::min(ClaimRetryMs, Remaining(deadline))));
    }
    // Last resort: the name stays taken by something that never takes a call.
    // Better two games than none; the marker is taken as soon as it is free.
    StartRetrying();
    return true;
}

bool TSingleInstance::HandOver(int timeoutMs, const QString& token)
{
    return Ask(timeoutMs, token) == EAnswer::Answered;
}

bool TSingleInstance::Listen()
{
    if (ListenFd >= 0)
        return true;
    const TAddress address = AddressOf(Name_);
    if (!address.Valid) {
        ListenError = ENAMETOOLONG;
        return false;
    }
    TDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.Fd < 0 || ::bind(socket.Fd, reinterpret_cast<const sockaddr*>(&address.Address), address.Size) != 0 ||
        ::listen(socket.Fd, SOMAXCONN) != 0) {
        ListenError = errno;
        return false;
    }
    ListenFd = std::exchange(socket.Fd, -1);
    ListenNotifier = new QSocketNotifier(static_cast<qintptr>(ListenFd), QSocketNotifier::Read, this);
    connect(ListenNotifier, &QSocketNotifier::activated, this, &TSingleInstance::AcceptConnections);
    return true;
}

TSingleInstance::EAnswer TSingleInstance::Ask(int timeoutMs, const QString& token)
{
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    const TAddress address = AddressOf(Name_);
    if (!address.Valid)
        return EAnswer::Absent;

    // A full queue refuses the call at once rather than making it wait; it
    // is called again until the time is up.
    int socketFd = -1;
    for (;;) {
        socketFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (socketFd < 0)
            return EAnswer::Absent;
        if (::connect(socketFd, reinterpret_cast<const sockaddr*>(&address.Address), address.Size) == 0)
            break;
        const int error = errno;
        ::close(socketFd);
        if (error == EINTR)
            continue;
        if (error != EAGAIN)
            return EAnswer::Absent;
        if (deadline.hasExpired())
            return EAnswer::Jammed;
        QThread::msleep(static_cast<unsigned long>(std::min(ConnectRetryMs, Remaining(deadline))));
    }
    const TDescriptor socket(socketFd);
    if (!SameUser(socket.Fd))
        return EAnswer::Foreign;

    const QByteArray request = RequestLine(token);
    if (::send(socket.Fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size()))
        return EAnswer::Absent;
    QByteArray heard;
    for (;;) {
        if (const qsizetype end = heard.indexOf('\n'); end >= 0)
            return heard.left(end + 1) == Answer ? EAnswer::Answered : EAnswer::Silent;
        if (heard.size() >= static_cast<qsizetype>(MaxLine))
            return EAnswer::Silent;
        pollfd wait{socket.Fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, Remaining(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return EAnswer::Silent;
        char buffer[MaxLine];
        const ssize_t count = ::recv(socket.Fd, buffer, sizeof buffer, 0);
        if (count > 0)
            heard.append(buffer, static_cast<qsizetype>(count));
        else if (count == 0 || (errno != EINTR && errno != EAGAIN))
            // Hung up without a word: the holder died while we called.
            return heard.isEmpty() ? EAnswer::Absent : EAnswer::Silent;
    }
}

void TSingleInstance::StartRetrying()
{
    if (RetryTimer == nullptr) {
        RetryTimer = new QTimer(this);
        RetryTimer->setInterval(RetryIntervalMs);
        connect(RetryTimer, &QTimer::timeout, this, [this] {
            if (Listen() || ListenError != EADDRINUSE)
                RetryTimer->stop();
        });
    }
    RetryTimer->start();
}

void TSingleInstance::AcceptConnections()
{
    for (int taken = 0; taken < MaxAcceptsAtOnce; ++taken) {
        const int fd = ::accept4(ListenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (error == EINTR || error == ECONNABORTED)
                continue;
            if (error == EAGAIN || error == EWOULDBLOCK)
                return;
            // Out of descriptors or memory: the oldest callers make room, or
            // the calls wait in the queue a moment. Either way the marker
            // keeps listening. Two descriptors are freed before anything
            // else is done: with none left, even a check of the runtime's
            // own can fail.
            if (Callers.size() >= 2 && (error == EMFILE || error == ENFILE)) {
                const int first = OldestCaller();
                ::close(first);
                Callers.at(first)->Closed = true;
                const int second = OldestCaller();
                ::close(second);
                Callers.at(second)->Closed = true;
                Drop(first);
                Drop(second);
                continue;
            }
            if (AcceptPause == nullptr) {
                AcceptPause = new QTimer(this);
                AcceptPause->setSingleShot(true);
                connect(AcceptPause, &QTimer::timeout, this, [this] { ListenNotifier->setEnabled(true); });
            }
            ListenNotifier->setEnabled(false);
            AcceptPause->start(AcceptPauseMs);
            return;
        }
        if (!SameUser(fd)) {
            ::close(fd);
            continue;
        }
        if (Callers.size() >= MaxCallers)
            Drop(OldestCaller());
        auto caller = std::make_unique<TCaller>();
        const uint64_t serial = caller->Serial = ++CallerCount;
        caller->Notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
        connect(caller->Notifier, &QSocketNotifier::activated, this, [this, fd, serial] {
            if (const auto found = Callers.find(fd); found != Callers.end() && found->second->Serial == serial)
                Serve(fd);
        });
        // A caller that does not finish its request in time is dropped.
        QTimer::singleShot(RequestTimeoutMs, caller->Notifier, [this, fd, serial] {
            if (const auto found = Callers.find(fd); found != Callers.end() && found->second->Serial == serial)
                Drop(fd);
        });
        Callers[fd] = std::move(caller);
        // What it has said already is read at once.
        Serve(fd);
    }
}

void TSingleInstance::Serve(int fd)
{
    TCaller& caller = *Callers.at(fd);
    bool ended = false;
    while (caller.Said.size() < static_cast<qsizetype>(MaxLine)) {
        char buffer[MaxLine];
        const ssize_t count = ::recv(fd, buffer, MaxLine - static_cast<size_t>(caller.Said.size()), 0);
        if (count > 0) {
            caller.Said.append(buffer, static_cast<qsizetype>(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        ended = count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    const qsizetype end = caller.Said.indexOf('\n');
    if (end < 0) {
        if (ended || caller.Said.size() >= static_cast<qsizetype>(MaxLine))
            Drop(fd);
        return;
    }
    const std::optional<QString> token = ShowToken(caller.Said.left(end));
    if (token)
        ::send(fd, Answer, sizeof Answer - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    Drop(fd);
    // Queued, so that a window that asks for a password in its slot does not
    // keep the caller waiting for the answer.
    if (token)
        QMetaObject::invokeMethod(
            this, [this, shown = *token] { emit ShowRequested(shown); }, Qt::QueuedConnection);
}

int TSingleInstance::OldestCaller() const
{
    // Among the open ones; called with at least one open.
    int oldest = -1;
    uint64_t serial = UINT64_MAX;
    for (const auto& [fd, caller] : Callers)
        if (!caller->Closed && caller->Serial < serial) {
            oldest = fd;
            serial = caller->Serial;
        }
    return oldest;
}

void TSingleInstance::Drop(int fd)
{
    const auto found = Callers.find(fd);
    if (found == Callers.end())
        return;
    if (!found->second->Closed)
        ::close(fd);
    // Possibly called from the notifier's own signal: it goes later.
    found->second->Notifier->setEnabled(false);
    found->second->Notifier->deleteLater();
    Callers.erase(found);
}

} // namespace stakor
