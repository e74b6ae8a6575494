// The whole program started against the user's files at their worst: it must
// reach its window, neither aborting nor waiting on anything.
#include <QProcess>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "shell/desktop/single_instance.h"
#include "shell_tests.h"

namespace stakor::test {

namespace fs = std::filesystem;

class StartupFilesTest : public QObject {
    Q_OBJECT

    fs::path Home;

    static void WriteSettings(const fs::path& file, const std::string& values)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << "Windows Registry Editor Version 5.00\n\n"
                                                 "[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\n"
                                              << values;
    }

    // Starts the game with these folders and waits for its first painted
    // window; gives what it wrote to standard error, or fails.
    static bool StartsAndPaints(const fs::path& config, const fs::path& data, QByteArray& errors)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.string()));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(data.string()));
        environment.insert(QStringLiteral("STAKOR_REPORT_STARTUP"), QStringLiteral("1"));
        QProcess game;
        game.setProcessEnvironment(environment);
        game.start(QStringLiteral(STAKOR_PROGRAM), {});
        if (!game.waitForStarted())
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!errors.contains("first paint") && game.state() == QProcess::Running && clock.elapsed() < 10000) {
            game.waitForReadyRead(200);
            errors += game.readAllStandardError();
        }
        const bool painted = errors.contains("first paint") && game.state() == QProcess::Running;
        game.kill();
        game.waitForFinished(3000);
        errors += game.readAllStandardError();
        return painted;
    }

private slots:
    void init()
    {
        TSingleInstance probe;
        if (!probe.Claim() || !probe.Holding())
            QSKIP("a game of this user is running");
        Home = fs::temp_directory_path() / ("stakor-startup-files-" + std::to_string(::getpid()));
        fs::remove_all(Home);
        fs::create_directories(Home);
    }

    void cleanup()
    {
        if (!Home.empty())
            fs::remove_all(Home);
    }

    // At start the language pack's name is stored and a background that
    // cannot be loaded is forgotten; when the settings folder refuses those
    // writes, the game still starts, with the values changed in memory, and
    // says why once.
    void refusedSettingsWriteAtStartIsReportedNotFatal()
    {
        // A folder path so long that the settings file fits it but no
        // temporary file beside it does: every write is refused, also to root.
        fs::path config = Home / "config";
        const size_t tail = std::string("/Orvelan Games/Vexamo Stakor/settings.reg").size();
        while (config.string().size() + tail < 4090 - 200)
            config /= std::string(199, 'c');
        config /= std::string(4090 - tail - config.string().size() - 1, 'd');
        const fs::path settings = config / "Orvelan Games" / "Vexamo Stakor" / "settings.reg";
        QCOMPARE(settings.string().size(), size_t{4090});
        WriteSettings(settings, "\"GlassBgFileName\"=\"_" + (Home / "gone.jpg").string() + "\"\n");

        QByteArray errors;
        QVERIFY2(StartsAndPaints(config, Home / "data", errors), errors.constData());
        // Loading the language pack stores its name first; one report for all.
        QCOMPARE(errors.count("Failed to set data for '"), 1);
        std::ifstream in(settings);
        const std::string kept{std::istreambuf_iterator<char>(in), {}};
        QVERIFY(kept.find("gone.jpg") != std::string::npos);
    }

    // Named pipes for the high scores and the background: read as files that
    // cannot be read, at once.
    void pipesInPlaceOfFilesDoNotHoldUpTheStart()
    {
        const fs::path config = Home / "config", data = Home / "data";
        const fs::path ours = data / "Orvelan Games" / "Vexamo Stakor";
        fs::create_directories(ours);
        QCOMPARE(::mkfifo((ours / "records.dat").c_str(), 0600), 0);
        QCOMPARE(::mkfifo((Home / "back.jpg").c_str(), 0600), 0);
        WriteSettings(config / "Orvelan Games" / "Vexamo Stakor" / "settings.reg",
            "\"GlassBgFileName\"=\"_" + (Home / "back.jpg").string() + "\"\n");

        QByteArray errors;
        QVERIFY2(StartsAndPaints(config, data, errors), errors.constData());
        QVERIFY(fs::is_fifo(ours / "records.dat"));
    }
};

namespace {
const TRegisterShellTests<StartupFilesTest> Registered;
}

} // namespace stakor::test

#include "startup_files_test.moc"
