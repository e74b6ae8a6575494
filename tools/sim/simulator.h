#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/sound.h"
#include "engine/clock.h"
#include "engine/control.h"
#include "engine/display.h"
#include "engine/figures.h"
#include "engine/game.h"
#include "engine/game_view.h"
#include "engine/pixel_view.h"
#include "base/random.h"
#include "glass/glass.h"
#include "glass/image_set.h"
#include "options.h"
#include "records/records.h"
#include "settings/ini.h"
#include "settings/language.h"

namespace stakor::sim {

// The game without a window: the real rules, figures, glass and high scores,
// with the clock, the drawing, the music and the dialogs left out. Ticks and
// keys come from a script; the state goes out as lines of JSON.
class TSimulator : private ISound, private IQuestions, private IRecordsUi, private IDisplay, private IMessages {
public:
    // Pictures and the shipped data come from programDir.
    TSimulator(const TOptions& options, const std::filesystem::path& programDir);

    // Carries out one script word; false when the word is not one.
    bool Command(std::string_view word);

    // The state as one line of JSON (without the line end). The sound effects
    // requested since the last state line are in it and then forgotten.
    std::string StateLine(bool withRecords);

    TGame& Game() { return Game_; }
    TGlass& Glass() { return Glass_; }
    TFigures& Figures() { return Figures_; }
    TRandom& Random() { return Random_; }
    TRecords& Records() { return Records_; }
    TPixelView& View() { return View_; }

    // Writes the pictures the options ask for; false (with a line on err)
    // when one cannot be written.
    bool WritePictures(std::ostream& err) const;

private:
    void PlaySoundEffect(TSoundEffect effect) override;
    void StartMusic() override {}
    void StopMusic() override {}
    bool AskYesNo(const std::string&) override { return true; }
    std::string InputName(const std::string&, const std::string&, const std::string&) override;
    void ShowRecords() override {}
    // The pictures are drawn but shown nowhere, and animations do not wait.
    void ShowGlass(const TBitmap&, const TPixelRect&) override {}
    void ShowPanel(TPanel, const TBitmap&) override {}
    void ShowLineCounts(const TGame&) override {}
    void Wait(int) override {}
    void ShowMessage(const std::string& text, const std::string& caption, bool error) override;

    TOptions Options;
    TIni Ini;
    TLanguage Lang;
    TRandom Random_;
    TGlass Glass_;
    TGame Game_;
    TImageSet Images;
    TPixelView View_;
    TManualTimer Timer;
    TGameClock Clock;
    TFigures Figures_;
    TRecords Records_;
    TGameRules Rules;
    TGameControl Control;
    std::vector<std::string_view> Sounds;
};

// Runs a script: words separated by white space, "#" to the end of a line a
// comment. Prints a state line at each "state" word and once after the last
// word. Gives the exit status: 0, or 2 after an unknown word.
int RunScript(TSimulator& simulator, std::istream& script, std::ostream& out, std::ostream& err);

// The skin used for drawing when only its width is given: the tiles of `base`
// repeated to that width, its last whole tile being base's special tile.
TBitmap SkinOfWidth(const TBitmap& base, int width);

// The whole program: options, script, exit status.
int Main(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace stakor::sim
