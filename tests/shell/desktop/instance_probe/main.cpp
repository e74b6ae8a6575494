// A stand-in for the game's start-up, for the single-instance tests: it claims
// a marker as the game does and reports on standard output, one line each,
// "first" or "second" and then "show" for every hand-over it receives.
//
// instance_probe NAME [--at EPOCH_MS] [--serve N] [--hold MS] [--as-uid UID] [--max-files N]
// instance_probe --print-name [--as-uid UID]
//   --at      claim at this wall-clock time, so that several probes race
//   --serve   as the first, end after N hand-overs
//   --hold    as the first, end after MS at the latest (default 10 s)
//   --as-uid  switch to this user first (needs root)
//   --max-files  open at most N files at once, so that a flood of calls runs
//             out of descriptors soon
#include "shell/desktop/single_instance.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QString name;
    long long at = 0;
    int serve = 0, holdMs = 10000;
    bool printName = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string("0"); };
        if (arg == "--print-name")
            printName = true;
        else if (arg == "--at")
            at = std::stoll(value());
        else if (arg == "--serve")
            serve = std::stoi(value());
        else if (arg == "--hold")
            holdMs = std::stoi(value());
        else if (arg == "--max-files") {
            rlimit limit{};
            ::getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = std::stoul(value());
            if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
                std::perror("setrlimit");
                return 3;
            }
        } else if (arg == "--as-uid") {
            if (::setuid(static_cast<uid_t>(std::stoul(value()))) != 0) {
                std::perror("setuid");
                return 3;
            }
        } else
            name = QString::fromLocal8Bit(argv[i]);
    }
    if (printName) {
        Say(stakor::TSingleInstance::DefaultName().toLocal8Bit().constData());
        return 0;
    }

    QCoreApplication app(argc, argv);
    if (at > 0)
        std::this_thread::sleep_until(std::chrono::system_clock::time_point(std::chrono::milliseconds(at)));
    stakor::TSingleInstance instance(name);
    if (!instance.Claim()) {
        Say("second");
        return 0;
    }
    Say(instance.Holding() ? "first" : "first-unmarked");
    int shown = 0;
    QObject::connect(&instance, &stakor::TSingleInstance::ShowRequested, &app, [&] {
        Say("show");
        if (++shown == serve)
            app.quit();
    });
    QTimer::singleShot(holdMs, &app, &QCoreApplication::quit);
    return app.exec();
}
