#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "engine/display.h"
#include "shell/desktop/gamepad_actions.h"
#include "shell/desktop/site.h"
#include "shell/forms/form_captions.h"
#include "shell/forms/player_keys.h"
#include "shell/window/window_shape.h"

class QActionGroup;
class QDialog;

namespace stakor {

class TGameCore;
class TDialogs;
class TDisguise;

// What the main window asks of the desktop; tests put stand-ins here.
struct TDesktop {
    // Shows a help topic: 0 the contents, 21 the main window's topic.
    std::function<void(int context)> ShowHelp;
    std::function<void(const QUrl& address)> OpenUrl;
    // The main window has closed: the program ends, whatever other windows
    // of it (the help) are still open.
    std::function<void()> Quit = nullptr;
};

// The game's borderless main window: its skin, outline and hot areas, the
// glass and panel pictures, the line labels, the three popup menus, and the
// keys and commands that drive the game.
class TMainForm : public QWidget, public IDisplay {
    Q_OBJECT

public:
    TMainForm(TGameCore& core, TDialogs& dialogs, TDesktop desktop, QWidget* parent = nullptr);
    ~TMainForm() override;

    // IDisplay: what the rules have drawn goes onto the window at once.
    void ShowGlass(const TBitmap& glass, const TPixelRect& changed) override;
    void ShowPanel(TPanel panel, const TBitmap& picture) override;
    void ShowLineCounts(const TGame& game) override;
    void Wait(int ms) override;

    // A later start of the program asks this one to come to the front, with
    // its launcher's activation token (may be empty).
    void BringToFront(const QString& token = {});

    // Changes the glass size (2 normal, 3 big); false when the player kept the game.
    bool SetMode(int mode);

    // A settings write the folder refused. The change stays in memory and the
    // command goes on; the player is told once per session, in the standard
    // error box after the command.
    void ReportRefusedWrite(const std::string& text);

    // Captions from the language pack (nothing while no pack is loaded).
    void LoadCaptions();
    // The line labels come after the first frame: measuring them loads the fonts.
    void ShowLabels();

    // A held key's release counts when no press of the same key follows within this.
    static constexpr int HeldKeyReleaseDelayMs = 25;
    // The captioned labels and menu items with their keys and built-in texts.
    TCaptionTable Captions() const;

    bool Minimized() const { return Minimized_; }
    // Esc's disguise and the minimise, restore and activation rules.
    TDisguise& Disguise() { return *Disguise_; }
    const QRegion& Shape() const { return WindowShape_; }
    const THotAreas& HotAreas() const { return Areas; }

    // Shows a dialog modally and gives its result (unset: the dialog's own
    // exec); tests put a stand-in here.
    std::function<int(QDialog& dialog)> RunDialog;

    // The menu items, for the commands and for tests.
    QMenu* GamePopupMenu;
    QMenu* SettingsPopupMenu;
    QMenu* HelpPopupMenu;
    QMenu* PlayingFieldMenuItem;
    QMenu* LanguageMenuItem;
    QAction* StartMenuItem;
    QAction* NewMenuItem;
    QAction* PauseMenuItem;
    QAction* HighScoresMenuItem;
    QAction* NormalMenuItem;
    QAction* BigMenuItem;
    QAction* ExitMenuItem;
    QAction* GraphicsMenuItem;
    QAction* ShowGridMenuItem;
    QAction* ShowTimeMenuItem;
    QAction* RotateclockwiseMenuItem;
    QAction* PlayMusicMenuItem;
    QAction* PlaysoundsMenuItem;
    QAction* HideMenuItem;
    QAction* ShowShadowMenuItem;
    QAction* KeysMenuItem;
    QAction* UseGamepadMenuItem;
    QAction* ContentsMenuItem;
    QAction* HomePageMenuItem;
    QAction* AboutMenuItem;
    std::vector<QAction*> LanguageMenuItems;

    // The keys of the player's choice in force.
    const TPlayerKeys& PlayerKeys() const { return Keys_; }
    // What the gamepad does, as the keys do it; nothing while the window is
    // minimised or not the active one.
    void GamepadAction(TPadAction action);
    // The gamepad is switched on or off from the Settings menu.
    std::function<void(bool on)> GamepadSwitched;

    std::array<QLabel*, 6> NameLabels{}; // single .. quintuple, total
    std::array<QLabel*, 6> ValueLabels{};

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a handler; an error it does not catch itself (a refused settings
    // write, a failed high-score save) reaches the standard error box and the
    // program goes on.
    void Guarded(const std::function<void()>& handler);

    void AfterFirstFrame();
    // With STAKOR_TRACE set, what the window did goes to standard error, one
    // line each, for the tests that drive the program from outside.
    void Trace(const char* what) const;
    void CreateMenus();
    void CreateLabels();
    void PlaceLabels();
    void TuneMainMenu();
    void AddItemsToLanguageMenu();
    void LoadImageSet(int glassMode);
    void BuildWindowShape();
    void PositionTest(QPoint point);
    void OpenMenu(QMenu* menu, const QRect& button);
    // The modal dialog pattern: a running game is paused around the dialog.
    void RunModal(const std::function<void()>& dialog);
    int ShowModal(QDialog& dialog);
    int PanelLeft() const; // the right-hand panels move with the glass width

    void StartGameMenuItemClick();
    void NewMenuItemClick();
    void PauseMenuItemClick();
    void RecordsMenuItemClick();
    void NormalMenuItemClick();
    void BigMenuItemClick();
    void ExitMenuItemClick();
    void LanguageMenuItemClick(QAction* item);
    void GraphicsMenuItemClick();
    void ShowGridMenuItemClick();
    void ShowTimeMenuItemClick();
    void RotateClockwiseMenuItemClick();
    void PlayMusicMenuItemClick();
    void PlaySoundsMenuItemClick();
    void HideMenuItemClick();
    void ShowShadowMenuItemClick();
    void KeysMenuItemClick();
    void UseGamepadMenuItemClick();
    void ContentsMenuItemClick();
    void HomePageMenuItemClick();
    void AboutMenuItemClick();

    // Opens the help; the player reads it instead of playing.
    void ShowHelp(int context);
    // A held key's release that is not followed at once by its next press.
    void KeyReleased(int key);
    // The action of a key of the player's choice.
    void KeyAction(TKeyAction action);
    // Minimized follows whether the window is really iconified, not the request.
    void FollowWindowState();
    // A key or click in the window ends a minimise the desktop did not carry out.
    void RestoreOnInput();

    void AppMinimize();
    void AppRestore();
    void AppActivate();
    void AppDeactivate();

    TGameCore& Core;
    TDialogs& Dialogs;
    TDesktop Desktop;

    QRegion WindowShape_;
    THotAreas Areas;
    QActionGroup* ModeGroup = nullptr;
    QActionGroup* LanguageGroup = nullptr;
    QAction* LanguageInForce = nullptr; // the item of the loaded pack
    bool RefusedWriteReported = false;

    bool MouseDownOnButton = false;
    bool MenuOpen = false;
    int MinimizeState = 0; // 0 normal, 1 hot, 2 pressed
    int CloseState = 0;
    bool GameHot = false;
    bool SettingsHot = false;
    bool HelpHot = false;
    bool Minimized_ = false;
    bool FirstFrameDone = false;
    bool Tracing = false;
    bool LabelsShown = false;
    // The help took over: the music starts again when the window is active again.
    bool HelpOpen = false;
    // A press on the frame; the move starts with the first motion while the button is down.
    bool DragPending = false;
    std::unique_ptr<TDisguise> Disguise_;
    // Moving the window by hand where the window system will not.
    bool Dragging = false;
    // The window system was asked to move the window and the button is down.
    bool SystemMoving = false;
    QPoint DragOffset;
    // Under X11 a held key's repeats may come as real releases and presses:
    // a release only counts when no press of the same key follows at once.
    QTimer ReleaseTimer;
    int PendingReleaseKey = 0;
    TPlayerKeys Keys_;
    int LastReleaseKey = 0;
    quint64 LastReleaseTime = 0;
};

} // namespace stakor
