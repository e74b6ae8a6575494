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
#include "base/random.h"
#include "records/records.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "shell/desktop/gamepad.h"
#include "shell/desktop/single_instance.h"
#include "shell/desktop/window_system.h"
#include "shell/forms/dialogs.h"
#include "shell/forms/pack_locale.h"
#include "shell/game/game_core.h"
#include "shell/window/help_window.h"
#include "shell/window/main_form.h"

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
    QApplication::setDesktopFileName(QStringLiteral(STAKOR_APP_ID)); // the desktop entry's name

    // A second start brings the running game to the front and ends at once.
    // The launcher's activation token goes along: with it the running game
    // may take the front on Wayland.
    TSingleInstance marker;
    if (!marker.Claim(LaunchToken()))
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
    // Before the sound starts SDL on its own thread: SDL's start is not
    // safe from two threads at once.
    TMainForm* gamepadTarget = nullptr;
    TGamepad gamepad([&gamepadTarget](TPadAction action) {
        if (gamepadTarget)
            gamepadTarget->GamepadAction(action);
    });
    if (ini.UseGamepad())
        gamepad.SetEnabled(true);
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
    UseQtTextsOfPack(lang, ini);

    TGameCore core(ini, lang, sound, {dialogs, dialogs, dialogs}, programDir, TRecords::DefaultFile(), seed);
    sound.Switches.PlaySound = [&ini] { return ini.PlaySound(); };
    sound.Switches.PlayMusic = [&ini] { return ini.PlayMusic(); };
    sound.Switches.Random = [&core](int32_t n) { return core.Random.Random(n); };

    std::unique_ptr<THelpWindow> help;
    TDesktop desktop;
    TMainForm* form = nullptr;
    desktop.ShowHelp = [&](int context) {
        // The help in the pack's language, also after a change of pack.
        const std::filesystem::path folder = HelpFolder(programDir / "help", PackLanguageCode(lang, ini));
        if (!help || help->PagesFolder() != folder)
            help = std::make_unique<THelpWindow>(folder);
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
    gamepadTarget = &mainForm;
    mainForm.GamepadSwitched = [&gamepad](bool on) { gamepad.SetEnabled(on); };
    sound.Switches.Minimized = [&mainForm] { return mainForm.Minimized(); };
    QObject::connect(&marker, &TSingleInstance::ShowRequested, &mainForm,
        [&](const QString& token) { mainForm.BringToFront(token); });

    TStartupReport report(clock);
    if (qEnvironmentVariableIsSet("STAKOR_REPORT_STARTUP"))
        mainForm.installEventFilter(&report);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        mainForm.move(area.center() - QPoint(mainForm.width() / 2, mainForm.height() / 2));
    }
    mainForm.show();
    // The window has taken over refused writes for the session; one from
    // before it is said now, unless the window has said one already.
    if (!refusedAtStart.empty())
        mainForm.ReportRefusedWrite(refusedAtStart);
    application.exec();
    gamepadTarget = nullptr; // the window goes before the gamepad
    gamepad.SetEnabled(false);
    return 0;
}

} // namespace stakor
