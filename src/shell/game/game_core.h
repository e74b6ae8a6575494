#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include <QTimer>

#include "engine/clock.h"
#include "engine/control.h"
#include "engine/display.h"
#include "engine/figures.h"
#include "engine/game.h"
#include "engine/pixel_view.h"
#include "base/random.h"
#include "glass/glass.h"
#include "glass/image_set.h"
#include "records/records.h"

namespace stakor {

class TIni;
class TLanguage;
class ISound;

// The game clock on the window thread: a precise Qt timer whose ticks go to
// the rules like every other event, so nothing runs at the same time.
class TQtTimer : public ITimer {
public:
    TQtTimer();
    bool StartTimer(uint32_t periodMs) override;
    void StopTimer() override;
    // What each tick does.
    std::function<void()> OnTick;
    bool Active() const { return Timer.isActive(); }

private:
    QTimer Timer;
};

// Hands the pictures on to the window once there is one; before that they
// are drawn but shown nowhere.
class TDisplayPort : public IDisplay {
public:
    IDisplay* Target = nullptr;
    void ShowGlass(const TBitmap& glass, const TPixelRect& changed) override;
    void ShowPanel(TPanel panel, const TBitmap& picture) override;
    void ShowLineCounts(const TGame& game) override;
    void Wait(int ms) override;
};

// The dialogs the game needs of the program: questions, messages, the name
// prompt and the high-score table.
struct TDialogPorts {
    IQuestions& Questions;
    IMessages& Messages;
    IRecordsUi& RecordsUi;
};

// The game's long-lived objects, made in the order start-up makes them: the
// random generator, the glass in its normal size (with its skin and
// background), the high-score table, the game, its clock and its rules.
class TGameCore {
public:
    TGameCore(TIni& ini, TLanguage& lang, ISound& sound, const TDialogPorts& dialogs, std::filesystem::path programDir,
        std::optional<std::filesystem::path> recordsFile, uint32_t seed);

    TIni& Ini;
    TLanguage& Lang;
    ISound& Sound;
    TDialogPorts Dialogs;
    std::filesystem::path ProgramDir;

    TRandom Random;
    TGlass Glass;
    TRecords Records;
    TGame Game;
    TImageSet Images;
    TDisplayPort Display;
    TPixelView View;
    TQtTimer Timer;
    TGameClock Clock;
    TFigures Figures;
    TGameRules Rules;
    TGameControl Control;
};

} // namespace stakor
