#include "engine/control.h"

#include "audio/sound.h"
#include "engine/figures.h"
#include "engine/game.h"
#include "engine/game_view.h"
#include "glass/glass.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/message_texts.h"

namespace stakor {

TGameControl::TGameControl(const TContext& context) : C(context) {}

bool TGameControl::GameKeysAct() const
{
    return C.Game.Running && !C.Game.Paused;
}

void TGameControl::DropKeyPress()
{
    if (!GameKeysAct() || DropKeyDown)
        return;
    // Before its first tick a new figure cannot be dropped: the press that
    // dropped the last one would otherwise drop this one too.
    if (C.Figures.Stepped) {
        if (C.Figures.Dropping) {
            C.Figures.Dropping = false;
            C.Rules.SetLevelSpeed();
            C.Sound.PlaySoundEffect(TSoundEffect::Stop);
        } else {
            C.Figures.Dropping = true;
            C.Rules.SetDropSpeed();
            C.Sound.PlaySoundEffect(TSoundEffect::Drop);
        }
    }
    DropKeyDown = true;
}

void TGameControl::DropKeyRelease()
{
    DropKeyDown = false;
}

void TGameControl::EndFastDrop()
{
    // Moving or turning ends a fast drop, whether the move was made or not.
    if (C.Figures.Dropping) {
        C.Figures.Dropping = false;
        C.Rules.SetLevelSpeed();
    }
}

void TGameControl::LeftKey()
{
    if (!GameKeysAct())
        return;
    if (C.Figures.CanMoveLeft())
        C.Figures.MoveLeft();
    EndFastDrop();
}

void TGameControl::RightKey()
{
    if (!GameKeysAct())
        return;
    if (C.Figures.CanMoveRight())
        C.Figures.MoveRight();
    EndFastDrop();
}

void TGameControl::UpKey(bool shift, bool rotateClockwiseChecked)
{
    if (!GameKeysAct())
        return;
    const bool clockwise = shift != rotateClockwiseChecked;
    if (C.Figures.CanRotate(clockwise))
        C.Figures.Rotate(clockwise);
    EndFastDrop();
}

void TGameControl::StartGameMenuItemClick()
{
    const bool wasPaused = C.Game.Paused;
    bool start = true;
    if (C.Game.Running) {
        C.Rules.PauseGame();
        start = C.Questions.AskYesNo(MessageText(C.Lang, "MB4"));
    }
    if (start)
        C.Rules.StartGame();
    else if (!wasPaused)
        C.Rules.ResumeGame();
}

void TGameControl::PauseMenuItemClick()
{
    if (!C.Game.Running)
        return;
    if (C.Game.Paused) {
        C.Sound.StartMusic();
        C.Rules.ResumeGame();
    } else {
        C.Rules.PauseGame();
        C.Sound.StopMusic();
    }
}

void TGameControl::NewMenuItemClick(const std::function<void()>& showDialog)
{
    const bool wasPlaying = C.Game.Running && !C.Game.Paused;
    C.Rules.PauseGame();
    showDialog();
    // The dialog may have started a new game, which is not paused.
    if (wasPlaying && C.Game.Paused)
        C.Rules.ResumeGame();
}

void TGameControl::RunModal(const std::function<void()>& showDialog)
{
    const bool wasPaused = C.Game.Paused;
    C.Rules.PauseGame();
    showDialog();
    if (!wasPaused)
        C.Rules.ResumeGame();
}

bool TGameControl::SetMode(int mode, const std::function<void()>& resizeWindow)
{
    const bool wasPaused = C.Game.Paused;
    if (C.Game.Running) {
        C.Rules.PauseGame();
        if (!C.Questions.AskYesNo(MessageText(C.Lang, "MB5"))) {
            if (!wasPaused)
                C.Rules.ResumeGame();
            return false;
        }
    }
    C.View.ClearScoreAndLevel();
    C.Game.TimeMs = 0;
    C.Rules.StopGame(); // no result is offered for a game ended this way
    C.Rules.ApplyMode(TGlass::ModeOf(mode));
    if (resizeWindow)
        resizeWindow();
    // Stored last, so that a refused write cannot leave the glass and the
    // window half switched; the error still reaches the player.
    if (C.Ini.GlassMode() != TGlass::ModeOf(mode))
        C.Ini.SetGlassMode(TGlass::ModeOf(mode));
    return true;
}

} // namespace stakor
