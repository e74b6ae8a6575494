#pragma once

#include <filesystem>

#include <QTextBrowser>

namespace stakor {

// The game's help: its own HTML pages in the help folder, in a window of
// their own.
class THelpWindow : public QTextBrowser {
public:
    explicit THelpWindow(std::filesystem::path helpFolder);
    // 0 the contents; 21 the main window's topic. A page that is missing
    // shows nothing and reports nothing.
    void ShowTopic(int context);

private:
    std::filesystem::path Folder;
};

} // namespace stakor
