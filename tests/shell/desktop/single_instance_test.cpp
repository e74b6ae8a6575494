// One running game per user: claiming the marker, handing over to the running
// game, and what happens when the holder dies, races or is someone else.
#include "shell/desktop/single_instance.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstddef>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using stakor::TSingleInstance;

namespace {

// Names of our own, so that no test ever meets a real game's marker.
QString UniqueName()
{
    static int count = 0;
    return QStringLiteral("vexastak_test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++count);
}

// Runs `work` on a thread of its own while this one keeps serving events: a
// marker held here cannot answer a caller that blocks this thread.
template <typename F> auto Elsewhere(F work)
{
    decltype(work()) result{};
    QThread* thread = QThread::create([&] { result = work(); });
    thread->start();
    while (!thread->wait(QDeadlineTimer(5)))
        QCoreApplication::processEvents();
    delete thread;
    return result;
}

bool ClaimFromAnotherThread(const QString& name)
{
    return Elsewhere([&] { return TSingleInstance(name).Claim(); });
}

sockaddr_un AddressOf(const QString& name, socklen_t& size)
{
    const QByteArray bytes = QFile::encodeName(name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, bytes.constData(), static_cast<size_t>(bytes.size()));
    size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(bytes.size()));
    return address;
}

// A plain socket on the marker's name: bound, and listening unless `backlog` is negative.
int Bind(const QString& name, int backlog)
{
    socklen_t size = 0;
    const sockaddr_un address = AddressOf(name, size);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        (backlog >= 0 && ::listen(fd, backlog) != 0))
        return -1;
    return fd;
}

// A call to the marker; -1 when it is refused (or the queue is full).
int Call(const QString& name)
{
    socklen_t size = 0;
    const sockaddr_un address = AddressOf(name, size);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Whether the other end hung up on `fd` within `ms`.
bool HungUp(int fd, int ms)
{
    pollfd wait{fd, POLLIN, 0};
    char byte = 0;
    return ::poll(&wait, 1, ms) == 1 && ::recv(fd, &byte, 1, 0) <= 0;
}

QByteArray Ask(const QString& name, const QByteArray& request)
{
    const int fd = Call(name);
    if (fd < 0)
        return {};
    QByteArray answer;
    if (::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) == request.size()) {
        pollfd wait{fd, POLLIN, 0};
        char buffer[64];
        ssize_t count = 0;
        while (::poll(&wait, 1, 1000) == 1 && (count = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            answer.append(buffer, count);
    }
    ::close(fd);
    return answer;
}

void StartProbe(QProcess& probe, const QStringList& args)
{
    probe.start(QStringLiteral(STAKOR_INSTANCE_PROBE), args);
    QVERIFY(probe.waitForStarted());
}

// The probe's output up to and including `line`, or all of it on time-out.
QByteArray ReadUntil(QProcess& probe, const QByteArray& line)
{
    // What came while the events ran elsewhere is in the buffer already.
    QByteArray out = probe.readAllStandardOutput();
    while (!out.split('\n').contains(line) && probe.waitForReadyRead(5000))
        out += probe.readAllStandardOutput();
    return out;
}

} // namespace

class TSingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void LaterStartHandsOverToTheHolder()
    {
        const QString name = UniqueName();
        {
            TSingleInstance first(name);
            QSignalSpy shown(&first, &TSingleInstance::ShowRequested);
            QVERIFY(first.Claim());
            QVERIFY(first.Holding());

            QVERIFY(!ClaimFromAnotherThread(name));
            QTRY_COMPARE(shown.count(), 1);
            QVERIFY(!ClaimFromAnotherThread(name));
            QTRY_COMPARE(shown.count(), 2);

            // Callers that do not ask properly get no answer and show nothing,
            // and one that never speaks does not hold up the next start.
            QVERIFY(Elsewhere([&] { return Ask(name, "hello\n"); }).isEmpty());
            const int mute = Call(name);
            QVERIFY(mute >= 0);
            QElapsedTimer clock;
            clock.start();
            QVERIFY(!ClaimFromAnotherThread(name));
            QVERIFY(clock.elapsed() < 500);
            QTRY_COMPARE(shown.count(), 3);
            QTest::qWait(50);
            QCOMPARE(shown.count(), 3);
            ::close(mute);
        }
        // A game that ended normally leaves the name free.
        TSingleInstance next(name);
        QVERIFY(next.Claim());
        QVERIFY(next.Holding());
    }

    void TheLaunchersActivationTokenTravelsWithTheRequest()
    {
        const QString name = UniqueName();
        TSingleInstance first(name);
        QSignalSpy shown(&first, &TSingleInstance::ShowRequested);
        QVERIFY(first.Claim());

        // A Wayland launcher's token is long; it arrives whole.
        const QString token = QStringLiteral("sway/1234_TIME2_abcdef0123456789abcdef0123456789") + QString(150, QLatin1Char('x'));
        QVERIFY(!Elsewhere([&] { return TSingleInstance(name).Claim(token); }));
        QTRY_COMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toString(), token);
        // Without one, the request comes with an empty token.
        QVERIFY(!ClaimFromAnotherThread(name));
        QTRY_COMPARE(shown.count(), 2);
        QCOMPARE(shown.at(1).at(0).toString(), QString());

        // A token with blanks, control or non-ASCII characters is no token:
        // the request is not answered and nothing shows.
        QVERIFY(Elsewhere([&] { return Ask(name, "show a b\n"); }).isEmpty());
        QVERIFY(Elsewhere([&] { return Ask(name, "show \x01\n"); }).isEmpty());
        QVERIFY(Elsewhere([&] { return Ask(name, "show \xc3\xa9\n"); }).isEmpty());
        QVERIFY(Elsewhere([&] { return Ask(name, "show \n"); }).isEmpty());
        QVERIFY(Elsewhere([&] { return Ask(name, "show " + QByteArray(256, 'x') + "\n"); }).isEmpty());
        QCOMPARE(Elsewhere([&] { return Ask(name, "show tok-1.2_3\n"); }), QByteArray("ok\n"));
        QTRY_COMPARE(shown.count(), 3);
        QTest::qWait(50);
        QCOMPARE(shown.count(), 3);
        QCOMPARE(shown.at(2).at(0).toString(), QStringLiteral("tok-1.2_3"));
    }

    void SecondProcessEndsAtOnceAndAKilledHolderLeavesNoMarker()
    {
        const QString name = UniqueName();
        QProcess holder, second;
        StartProbe(holder, {name});
        QVERIFY(ReadUntil(holder, "first").endsWith("first\n"));

        QElapsedTimer clock;
        clock.start();
        StartProbe(second, {name});
        QVERIFY(second.waitForFinished(3000));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray("second\n"));
        QVERIFY(ReadUntil(holder, "show").endsWith("show\n"));

        QCOMPARE(::kill(static_cast<pid_t>(holder.processId()), SIGKILL), 0);
        QVERIFY(holder.waitForFinished(3000));
        TSingleInstance next(name);
        clock.restart();
        QVERIFY(next.Claim());
        QVERIFY(next.Holding());
        QVERIFY(clock.elapsed() < 45); // no retry was needed
    }

    void RacingStartsHaveExactlyOneWinner()
    {
        const QString name = UniqueName();
        const QString at = QString::number(QDateTime::currentMSecsSinceEpoch() + 1000);
        constexpr int Count = 8;
        QProcess probes[Count];
        for (QProcess& probe : probes)
            StartProbe(probe, {name, "--at", at, "--serve", QString::number(Count - 1), "--hold", "6000"});
        int firsts = 0, seconds = 0, shows = 0;
        for (QProcess& probe : probes) {
            QVERIFY(probe.waitForFinished(8000));
            QCOMPARE(probe.exitCode(), 0);
            const QByteArray out = probe.readAllStandardOutput();
            firsts += out.startsWith("first\n");
            seconds += out == "second\n";
            shows += out.count("show\n");
        }
        QCOMPARE(firsts, 1);
        QCOMPARE(seconds, Count - 1);
        QCOMPARE(shows, Count - 1);
    }

    void NameTakenByADeafSocketDelaysButNeverBlocksTheStart()
    {
        // Bound but not listening: every call is refused, as while a holder
        // is between bind and listen, only for good.
        const QString name = UniqueName();
        const int deaf = Bind(name, -1);
        QVERIFY(deaf >= 0);

        TSingleInstance game(name);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(game.Claim());
        QVERIFY(clock.elapsed() >= 500 && clock.elapsed() < 2000);
        QVERIFY(!game.Holding());

        ::close(deaf);
        QTRY_VERIFY_WITH_TIMEOUT(game.Holding(), 3000);
        QSignalSpy shown(&game, &TSingleInstance::ShowRequested);
        QVERIFY(!ClaimFromAnotherThread(name));
        QTRY_COMPARE(shown.count(), 1);
    }

    void HungHolderStillCountsAsRunning()
    {
        // Listening but never serving, like a game stuck in a long job: the
        // system takes the calls and nobody answers.
        const QString name = UniqueName();
        const int hung = Bind(name, 16);
        QVERIFY(hung >= 0);
        TSingleInstance game(name);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!game.HandOver(200));
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(!game.Claim());
        QVERIFY(clock.elapsed() < 3000);
        ::close(hung);
    }

    void FloodOfSilentCallersNeitherKillsNorJamsTheHolder()
    {
        // A holder with few descriptors, flooded with calls that never speak:
        // it runs out of descriptors, yet keeps listening and serving.
        const QString name = UniqueName();
        QProcess holder;
        StartProbe(holder, {name, "--max-files", "24", "--hold", "20000"});
        QVERIFY(ReadUntil(holder, "first").endsWith("first\n"));
        std::vector<int> flood;
        for (int i = 0; i < 400; ++i)
            if (const int fd = Call(name); fd >= 0)
                flood.push_back(fd);
        QVERIFY(flood.size() > 300);

        QElapsedTimer clock;
        clock.start();
        QVERIFY(!ClaimFromAnotherThread(name));
        QVERIFY(clock.elapsed() < 2500);
        QVERIFY(ReadUntil(holder, "show").endsWith("show\n"));

        // A caller that says nothing is hung up on within about a second.
        QVERIFY(HungUp(flood.back(), 2500));
        for (const int fd : flood)
            ::close(fd);
        QVERIFY(!ClaimFromAnotherThread(name));
        QVERIFY(ReadUntil(holder, "show").endsWith("show\n"));
        holder.kill();
        holder.waitForFinished(3000);
    }

    void SquatterWithAFullQueueDelaysTheStartOnlyBriefly()
    {
        // Listening but never taking a call, its queue full: every call is
        // refused at once, and nothing tells whose socket it is.
        const QString name = UniqueName();
        const int squatter = Bind(name, 0);
        QVERIFY(squatter >= 0);
        std::vector<int> queued;
        for (int fd; queued.size() < 64 && (fd = Call(name)) >= 0;)
            queued.push_back(fd);
        QVERIFY(queued.size() < 64);

        TSingleInstance game(name);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!game.HandOver(300));
        QVERIFY(clock.elapsed() < 1000);
        clock.restart();
        QVERIFY(game.Claim());
        QVERIFY(clock.elapsed() < 2500);
        QVERIFY(!game.Holding());

        for (const int fd : queued)
            ::close(fd);
        ::close(squatter);
        QTRY_VERIFY_WITH_TIMEOUT(game.Holding(), 3000);
    }

    void UsersHaveMarkersOfTheirOwn()
    {
        const QString mine = TSingleInstance::DefaultName();
        QVERIFY(mine.startsWith("vexastak_memfile-"));
        QCOMPARE(mine, QStringLiteral("vexastak_memfile-%1").arg(::geteuid()));
        if (::geteuid() != 0)
            QSKIP("needs root to act as another user");

        QProcess other;
        StartProbe(other, {"--print-name", "--as-uid", "65534"});
        QVERIFY(other.waitForFinished(3000));
        if (other.exitCode() == 3)
            QSKIP("cannot switch users here");
        QCOMPARE(other.readAllStandardOutput(), QByteArray("vexastak_memfile-65534\n"));

        // Someone else's process on our name neither keeps our game from
        // starting nor takes orders from us.
        const QString name = UniqueName();
        StartProbe(other, {name, "--as-uid", "65534", "--hold", "5000"});
        QVERIFY(ReadUntil(other, "first").endsWith("first\n"));
        TSingleInstance game(name);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(game.Claim());
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(!game.Holding());
        QVERIFY(Ask(name, "show\n").isEmpty());
        other.kill();
        QVERIFY(other.waitForFinished(3000));
        QVERIFY(!other.readAllStandardOutput().contains("show"));
    }
};

QTEST_GUILESS_MAIN(TSingleInstanceTest)

#include "single_instance_test.moc"
