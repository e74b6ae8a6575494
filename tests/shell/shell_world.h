#pragma once

// The main window over a real game, with stand-ins for the dialogs, the
// speakers and the desktop, so tests answer every question themselves.

#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "audio/sound.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "shell/forms/dialogs.h"
#include "shell/window/disguise.h"
#include "shell/game/game_core.h"
#include "shell/window/main_form.h"

namespace stakor::test {

class TAnswers : public IQuestions, public IMessages, public IRecordsUi, public ISound {
public:
    bool Answer = true;
    std::vector<std::string> Log;

    bool AskYesNo(const std::string& text) override
    {
        Log.push_back("ask " + text);
        return Answer;
    }
    void ShowMessage(const std::string& text, const std::string& caption, bool) override
    {
        Log.push_back("message " + caption + ": " + text);
    }
    std::string InputName(const std::string&, const std::string&, const std::string&) override { return "Tester"; }
    void ShowRecords() override { Log.push_back("records"); }
    void PlaySoundEffect(TSoundEffect effect) override
    {
        Log.push_back("sound " + std::string(SoundEffectName(effect)));
    }
    void StartMusic() override { Log.push_back("music on"); }
    void StopMusic() override { Log.push_back("music off"); }

    bool Logged(const std::string& line) const { return std::find(Log.begin(), Log.end(), line) != Log.end(); }
};

struct TShellWorld {
    // settings: a settings file, or memory only; seed: the game's random seed.
    explicit TShellWorld(std::optional<std::filesystem::path> settings = std::nullopt, uint32_t seed = 1,
        const std::function<void(TIni&)>& prepare = {})
        : Ini(std::move(settings))
    {
        if (prepare)
            prepare(Ini);
        Lang.FindLanguages();
        try {
            Lang.LoadLanguage("English");
        } catch (const TSettingsError&) {
            // loaded all the same; some tests give the settings an unwritable file
        }
        Core = std::make_unique<TGameCore>(
            Ini, Lang, Answers, TDialogPorts{Answers, Answers, Answers}, STAKOR_SOURCE_DATA_DIR, std::nullopt, seed);
        TDesktop desktop;
        desktop.ShowHelp = [this](int context) { Desktop.push_back("help " + std::to_string(context)); };
        desktop.OpenUrl = [this](const QUrl& url) { Desktop.push_back("open " + url.toString().toStdString()); };
        Form = std::make_unique<TMainForm>(*Core, Dialogs, desktop);
        // Dialogs are logged and closed at once, as if cancelled; a test that
        // works a dialog sets RunDialog itself.
        Form->RunDialog = [this](QDialog& dialog) {
            Desktop.push_back("dialog " + dialog.windowTitle().toStdString() + (Core->Game.Paused ? " (paused)" : ""));
            return RunDialog ? RunDialog(dialog) : int(QDialog::Rejected);
        };
        Form->Disguise().OpenSettings = [this] {
            Desktop.push_back(std::string("dialog Disguise settings") + (Core->Game.Paused ? " (paused)" : ""));
        };
    }

    // The game and a bare window made anew over another language store or
    // program folder; the window goes first, as it lets go of the game's objects.
    void Rebuild(TLanguage& lang, const std::filesystem::path& programDir = STAKOR_SOURCE_DATA_DIR)
    {
        Form.reset();
        Core.reset();
        Core = std::make_unique<TGameCore>(
            Ini, lang, Answers, TDialogPorts{Answers, Answers, Answers}, programDir, std::nullopt, 1);
        Form = std::make_unique<TMainForm>(*Core, Dialogs, TDesktop{[](int) {}, [](const QUrl&) {}});
    }

    TIni Ini;
    TLanguage Lang{Ini, std::filesystem::path(STAKOR_SOURCE_DATA_DIR) / "Language"};
    TAnswers Answers;
    TDialogs Dialogs;
    std::unique_ptr<TGameCore> Core;
    std::vector<std::string> Desktop;
    std::function<int(QDialog&)> RunDialog;
    std::unique_ptr<TMainForm> Form;
};

} // namespace stakor::test
