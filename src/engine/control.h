#pragma once

#include <functional>
#include <string>

namespace stakor {

class TFigures;
class TGameRules;
class TIni;
class TLanguage;
class ISound;
class IGameView;
struct TGame;

// A Yes/No question with the question icon and the program's title.
class IQuestions {
public:
    virtual ~IQuestions() = default;
    virtual bool AskYesNo(const std::string& text) = 0;
};

// What the player's keys and the game commands do to the game. The window and
// the replay simulator both drive the game through this.
class TGameControl {
public:
    struct TContext {
        TGameRules& Rules;
        TGame& Game;
        TFigures& Figures;
        TIni& Ini;
        const TLanguage& Lang;
        ISound& Sound;
        IGameView& View;
        IQuestions& Questions;
    };

    explicit TGameControl(const TContext& context);

    // Space or Down pressed: the first press starts a fast drop, the next one
    // ends it. A held key acts once: it must be released before it acts again.
    void DropKeyPress();
    void DropKeyRelease();
    void LeftKey();
    void RightKey();
    // Up turns one way, Shift+Up the other; the Rotate clockwise check mark
    // says which way Up turns.
    void UpKey(bool shift, bool rotateClockwiseChecked);

    // Start (F2): asks before it ends a running game.
    void StartGameMenuItemClick();
    // Pause (P, the Pause key, a click on the glass): toggles the pause and the music.
    void PauseMenuItemClick();
    // New... (F3): the new game dialog with the game paused around it.
    void NewMenuItemClick(const std::function<void()>& showDialog);
    // A dialog of the main window, with a running game paused around it.
    void RunModal(const std::function<void()>& showDialog);
    // A change of glass size (2 normal, 3 big): asks when a game runs, ends
    // it, resizes the glass, lets the window follow (resizeWindow) and stores
    // the mode. False when the player kept the game.
    bool SetMode(int mode, const std::function<void()>& resizeWindow = {});

    bool DropKeyDown = false;

private:
    bool GameKeysAct() const;
    void EndFastDrop();

    TContext C;
};

} // namespace stakor
