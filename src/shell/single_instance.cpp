#include "shell/single_instance.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <sys/socket.h>
#include <unistd.h>

namespace stakor {

namespace {

// The whole conversation: a later start says "show", the holder says "ok".
constexpr char Request[] = "show\n";
constexpr char Answer[] = "ok\n";
constexpr qint64 MaxLine = 64;

// A name that is taken but whose holder refuses calls is normally a holder
// between binding and listening, or one that has just died: a moment later
// either it answers or the name is free. About a second of this at most.
constexpr int ClaimAttempts = 20;
constexpr int ClaimRetryMs = 50;

// How long the holder waits for a caller to say what it wants.
constexpr int RequestTimeoutMs = 2000;

// How often a game that started without the marker tries to take it.
constexpr int RetryIntervalMs = 1000;

// Abstract names carry no file permissions: anyone on the machine can bind or
// call them. The kernel tells who is at the other end.
bool SameUser(qintptr descriptor)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == ::geteuid();
}

} // namespace

TSingleInstance::TSingleInstance(QString name, QObject* parent) : QObject(parent), Name_(std::move(name)) {}

QString TSingleInstance::DefaultName()
{
    return QStringLiteral("vexastak_memfile-%1").arg(::geteuid());
}

bool TSingleInstance::Holding() const
{
    return Server != nullptr && Server->isListening();
}

bool TSingleInstance::Claim()
{
    for (int attempt = 0; attempt < ClaimAttempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(ClaimRetryMs);
        if (Listen())
            return true;
        // No marker can be made at all: the game runs as it would without one.
        if (Server->serverError() != QAbstractSocket::AddressInUseError)
            return true;
        switch (Ask(2000)) {
        case EAnswer::Answered:
        // A holder that is alive but too busy to answer is still a running
        // game; a second one would fight it over the settings and records.
        case EAnswer::Silent:
            return false;
        case EAnswer::Foreign:
            StartRetrying();
            return true;
        case EAnswer::Absent:
            break;
        }
    }
    // Last resort: the name stays taken by something that never takes a call.
    // Better two games than none; the marker is taken as soon as it is free.
    StartRetrying();
    return true;
}

bool TSingleInstance::HandOver(int timeoutMs)
{
    return Ask(timeoutMs) == EAnswer::Answered;
}

bool TSingleInstance::Listen()
{
    if (Server == nullptr) {
        Server = new QLocalServer(this);
        Server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
        connect(Server, &QLocalServer::newConnection, this, &TSingleInstance::AcceptConnections);
    }
    return Server->isListening() || Server->listen(Name_);
}

TSingleInstance::EAnswer TSingleInstance::Ask(int timeoutMs)
{
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    const auto left = [&] { return static_cast<int>(deadline.remainingTime()); };

    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(Name_);
    if (!socket.waitForConnected(left()))
        return socket.error() == QLocalSocket::SocketTimeoutError ? EAnswer::Silent : EAnswer::Absent;
    if (!SameUser(socket.socketDescriptor()))
        return EAnswer::Foreign;

    socket.write(Request);
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && left() > 0)
        socket.waitForReadyRead(left());
    if (socket.canReadLine())
        return socket.readLine(MaxLine) == Answer ? EAnswer::Answered : EAnswer::Silent;
    // Hung up without a word: the holder died while we called.
    return socket.state() == QLocalSocket::ConnectedState ? EAnswer::Silent : EAnswer::Absent;
}

void TSingleInstance::StartRetrying()
{
    if (RetryTimer == nullptr) {
        RetryTimer = new QTimer(this);
        RetryTimer->setInterval(RetryIntervalMs);
        connect(RetryTimer, &QTimer::timeout, this, [this] {
            if (Listen() || Server->serverError() != QAbstractSocket::AddressInUseError)
                RetryTimer->stop();
        });
    }
    RetryTimer->start();
}

void TSingleInstance::AcceptConnections()
{
    while (QLocalSocket* socket = Server->nextPendingConnection()) {
        if (!SameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
        QTimer::singleShot(RequestTimeoutMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            Serve(socket);
    }
}

void TSingleInstance::Serve(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= MaxLine)
            socket->abort();
        return;
    }
    const bool show = socket->readLine(MaxLine) == Request;
    if (show)
        socket->write(Answer);
    socket->disconnectFromServer();
    // Queued, so that a window that asks for a password in its slot does not
    // keep the caller waiting for the answer.
    if (show)
        QMetaObject::invokeMethod(this, &TSingleInstance::ShowRequested, Qt::QueuedConnection);
}

} // namespace stakor
