// Plays a few moments of a seeded game in the real main window and saves a
// picture of the window, cut to its outline: the README's screenshot.
//
//   stakor-screenshot OUTPUT.png      (run it under a display, e.g. xvfb-run)

#include <cstdio>

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include "audio/silent_sound.h"
#include "bot.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "shell/forms/dialogs.h"
#include "shell/game/game_core.h"
#include "shell/window/main_form.h"

namespace {

using namespace stakor;

// Answers every question with Yes and keeps quiet otherwise.
class TQuietDialogs : public IQuestions, public IMessages, public IRecordsUi {
public:
    bool AskYesNo(const std::string&) override { return true; }
    void ShowMessage(const std::string& text, const std::string&, bool) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    std::string InputName(const std::string&, const std::string&, const std::string&) override { return "Bot"; }
    void ShowRecords() override {}
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: stakor-screenshot OUTPUT.png\n");
        return 2;
    }
    QApplication application(argc, argv);
    const std::filesystem::path programDir = FindProgramDir();
    TIni ini(std::nullopt); // never the user's settings
    ini.SetGameStyle(5);
    ini.SetGlassTrash(0);
    ini.SetGlassShowTime(true);
    TLanguage lang(ini, programDir / "Language");
    lang.FindLanguages();
    lang.LoadLanguage("English");
    TSilentSound sound;
    TQuietDialogs quiet;
    TDialogs dialogs;
    TGameCore core(ini, lang, sound, {quiet, quiet, quiet}, programDir, std::nullopt, 20261208);
    TMainForm form(core, dialogs, TDesktop{[](int) {}, [](const QUrl&) {}});
    form.move(40, 40);
    form.show();
    form.activateWindow();
    QApplication::processEvents();

    // A bot plays until the glass looks lived in; the clock's ticks come by hand.
    core.Control.StartGameMenuItemClick();
    TBot bot(core.Glass, core.Figures);
    for (int landing = 0; landing < 44 && core.Game.Running; ++landing) {
        bot.Steer(core.Control, bot.Choose());
        do
            core.Rules.Tick();
        while (core.Figures.Stepped && core.Game.Running);
        QApplication::processEvents();
    }
    for (int i = 0; i < 7 && core.Game.Running; ++i)
        core.Rules.Tick();
    QApplication::processEvents();

    QImage shot = form.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (!form.Shape().contains(QPoint(x, y)))
                shot.setPixel(x, y, 0);
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
