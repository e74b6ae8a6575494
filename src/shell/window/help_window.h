#pragma once

#include <filesystem>

#include <QRect>
#include <QTextBrowser>

namespace stakor {

// Where the help goes: beside the game window (right, else left), not over
// the glass, as wide as the room there allows down to a readable width; when
// neither side has that room, on the side with more room, kept on the screen.
QRect HelpPlacement(const QRect& game, const QSize& wanted, const QRect& screen);

// The game's help: its own HTML pages in the help folder, in a window of
// their own.
class THelpWindow : public QTextBrowser {
public:
    explicit THelpWindow(std::filesystem::path helpFolder);
    // 0 the contents; 21 the main window's topic. A page that is missing
    // shows nothing and reports nothing. The window goes beside the game
    // window's frame when one is given.
    void ShowTopic(int context, const QRect& game = {});
    const std::filesystem::path& PagesFolder() const { return Folder; }

private:
    std::filesystem::path Folder;
    bool Placed = false;
};

} // namespace stakor
