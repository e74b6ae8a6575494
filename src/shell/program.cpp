#include "shell/program.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "audio/qt_window_calls.h"
#include "audio/sound_player.h"
#include "engine/random.h"
#include "records/records.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "shell/dialogs.h"
#include "shell/game_core.h"
#include "shell/help_window.h"
#include "shell/main_form.h"
#include "shell/single_instance.h"

namespace stakor {

namespace {

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// With STAKOR_REPORT_STARTUP set, the time to the first painted window and
// the memory then in use go to standard error: for measuring, not for play.
class TStartupReport : public QObject {
public:
    explicit TStartupReport(const QElapsedTimer& clock) : Clock(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !Reported) {
            Reported = true;
            std::fprintf(stderr, "first paint after %lld ms, resident %ld kB\n",
                static_cast<long long>(Clock.elapsed()), ResidentKilobytes());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& Clock;
    bool Reported = false;
};

} // namespace

int RunProgram(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    QApplication application(argc, argv);
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setOrganizationName(QStringLiteral("Orvelan Games"));
    QApplication::setDesktopFileName(QStringLiteral("vexamo-stakor"));

    // A second start brings the running game to the front and ends at once.
    TSingleInstance marker;
    if (!marker.Claim())
        return 0;

    const std::filesystem::path programDir = FindProgramDir();
    TIni ini(TIni::DefaultFile());
    // Until the window is up no error box can show a refused settings write
    // (a folder that is read-only or full): the game starts with the changed
    // value in memory, and the first refusal is reported once the window shows.
    std::string refusedAtStart;
    ini.SetRefusedWriteHandler([&](const TSettingsError& error) {
        if (refusedAtStart.empty())
            refusedAtStart = error.what();
    });
    TLanguage lang(ini, programDir / "Language");
    TQtWindowCalls soundCalls;
    TSoundPlayer sound(soundCalls, programDir);
    TDialogs dialogs;
    const uint32_t seed = TRandom::SeedFromTimeOfDay();

    lang.FindLanguages();
    bool loaded = false;
    try {
        loaded = lang.LoadLanguage(ini.Language());
    } catch (const TSettingsError&) {
        loaded = true; // loaded; the name it already has could not be stored again
    }
    if (!loaded) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error loading language pack"),
            QStringLiteral("Unable to load %1 language pack").arg(FromPack(ini.Language())), QMessageBox::Ok);
        WidenForTitle(box);
        box.exec();
    }

    TGameCore core(ini, lang, sound, {dialogs, dialogs, dialogs}, programDir, TRecords::DefaultFile(), seed);
    sound.Switches.PlaySound = [&ini] { return ini.PlaySound(); };
    sound.Switches.PlayMusic = [&ini] { return ini.PlayMusic(); };
    sound.Switches.Random = [&core](int32_t n) { return core.Random.Random(n); };

    std::unique_ptr<THelpWindow> help;
    TDesktop desktop;
    TMainForm* form = nullptr;
    desktop.ShowHelp = [&](int context) {
        if (!help)
            help = std::make_unique<THelpWindow>(programDir / "help");
        help->ShowTopic(context, form ? form->frameGeometry() : QRect());
    };
    desktop.OpenUrl = [](const QUrl& address) { QDesktopServices::openUrl(address); };
    // The program ends when its main window closes, and only then: the help
    // would otherwise keep it running without its window, and a password box
    // closed while the game hides must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    desktop.Quit = [] { QCoreApplication::exit(0); };

    TMainForm mainForm(core, dialogs, desktop);
    form = &mainForm;
    sound.Switches.Minimized = [&mainForm] { return mainForm.Minimized(); };
    QObject::connect(&marker, &TSingleInstance::ShowRequested, &mainForm, [&] { mainForm.BringToFront(); });

    TStartupReport report(clock);
    if (qEnvironmentVariableIsSet("STAKOR_REPORT_STARTUP"))
        mainForm.installEventFilter(&report);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        mainForm.move(area.center() - QPoint(mainForm.width() / 2, mainForm.height() / 2));
    }
    mainForm.show();
    ini.SetRefusedWriteHandler({});
    if (!refusedAtStart.empty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramTitle), refusedAtStart.c_str());
        QTimer::singleShot(
            0, &mainForm, [&] { dialogs.ShowMessage(refusedAtStart, ProgramTitle.toStdString(), true); });
    }
    application.exec();
    return 0;
}

} // namespace stakor
