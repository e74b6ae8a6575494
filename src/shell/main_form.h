#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <QLabel>
#include <QMenu>
#include <QUrl>
#include <QWidget>

#include "engine/display.h"
#include "shell/site.h"
#include "shell/window_shape.h"

class QActionGroup;

namespace stakor {

class TGameCore;
class TDialogs;
class TDisguise;

// What the main window asks of the desktop; tests put stand-ins here.
struct TDesktop {
    // Shows a help topic: 0 the contents, 21 the main window's topic.
    std::function<void(int context)> ShowHelp;
    std::function<void(const QUrl& address)> OpenUrl;
    // Stands in for the dialogs that are not there yet.
    std::function<void(const QString& title)> ShowPlaceholder;
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

    // A later start of the program asks this one to come to the front.
    void BringToFront();

    // Changes the glass size (2 normal, 3 big); false when the player kept the game.
    bool SetMode(int mode);

    // Captions from the language pack (nothing while no pack is loaded).
    void LoadCaptions();

    bool Minimized() const { return Minimized_; }
    // Esc's disguise and the minimise, restore and activation rules.
    TDisguise& Disguise() { return *Disguise_; }
    const QRegion& Shape() const { return WindowShape_; }
    const THotAreas& HotAreas() const { return Areas; }

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
    QAction* ContentsMenuItem;
    QAction* HomePageMenuItem;
    QAction* AboutMenuItem;
    std::vector<QAction*> LanguageMenuItems;

    std::array<QLabel*, 6> NameLabels{}; // single .. quintuple, total
    std::array<QLabel*, 6> ValueLabels{};

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs a handler; an error it does not catch itself (a refused settings
    // write, a failed high-score save) reaches the standard error box and the
    // program goes on.
    void Guarded(const std::function<void()>& handler);

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
    void ContentsMenuItemClick();
    void HomePageMenuItemClick();
    void AboutMenuItemClick();

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

    bool MouseDownOnButton = false;
    bool MenuOpen = false;
    int MinimizeState = 0; // 0 normal, 1 hot, 2 pressed
    int CloseState = 0;
    bool GameHot = false;
    bool SettingsHot = false;
    bool HelpHot = false;
    bool Minimized_ = false;
    std::unique_ptr<TDisguise> Disguise_;
    // Moving the window by hand where the window system will not.
    bool Dragging = false;
    QPoint DragOffset;
};

} // namespace stakor
