#include "shell/game/game_core.h"

#include "settings/ini.h"
#include "settings/language.h"

namespace stakor {

TQtTimer::TQtTimer()
{
    Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer, &QTimer::timeout, [this] {
        if (OnTick)
            OnTick();
    });
}

bool TQtTimer::StartTimer(uint32_t periodMs)
{
    Timer.start(static_cast<int>(periodMs));
    return true;
}

void TQtTimer::StopTimer()
{
    Timer.stop();
}

void TDisplayPort::ShowGlass(const TBitmap& glass, const TPixelRect& changed)
{
    if (Target)
        Target->ShowGlass(glass, changed);
}

void TDisplayPort::ShowPanel(TPanel panel, const TBitmap& picture)
{
    if (Target)
        Target->ShowPanel(panel, picture);
}

void TDisplayPort::ShowLineCounts(const TGame& game)
{
    if (Target)
        Target->ShowLineCounts(game);
}

void TDisplayPort::Wait(int ms)
{
    if (Target)
        Target->Wait(ms);
}

TGameCore::TGameCore(TIni& ini, TLanguage& lang, ISound& sound, const TDialogPorts& dialogs,
    std::filesystem::path programDir, std::optional<std::filesystem::path> recordsFile, uint32_t seed)
    : Ini(ini),
      Lang(lang),
      Sound(sound),
      Dialogs(dialogs),
      ProgramDir(std::move(programDir)),
      Random(seed),
      Glass(Random),
      Records(Random, std::move(recordsFile)),
      View({Glass, Game, Ini, Lang, Images, Display, Dialogs.Messages, ProgramDir}),
      Clock(Timer),
      Figures(Glass, Random, Ini, View, Sound),
      Rules({Game, Figures, Glass, Clock, Ini, View, Sound, Records, Dialogs.RecordsUi, Lang}),
      Control({Rules, Game, Figures, Ini, Lang, Sound, View, Dialogs.Questions})
{
    Timer.OnTick = [this] { Rules.Tick(); };
    // The glass starts in its normal size, its skin and background loaded.
    Rules.ApplyMode(2);
    Rules.InitGame();
}

} // namespace stakor
