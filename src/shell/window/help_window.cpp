#include "shell/window/help_window.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include "shell/forms/dialogs.h"

namespace stakor {

namespace {

constexpr int Gap = 8; // between the two windows' frames
constexpr int ReadableWidth = 360; // narrower than this the help goes beside anyway

} // namespace

QRect HelpPlacement(const QRect& game, const QSize& wanted, const QRect& screen)
{
    const int height = std::min(wanted.height(), screen.height());
    const int top = std::clamp(game.top(), screen.top(), screen.bottom() + 1 - height);
    const int rightRoom = screen.right() - game.right() - Gap;
    const int leftRoom = game.left() - screen.left() - Gap;
    const int needed = std::min(wanted.width(), ReadableWidth);
    const bool right = rightRoom >= needed || (leftRoom < needed && rightRoom >= leftRoom);
    const int room = std::max(right ? rightRoom : leftRoom, 0);
    const int width = std::min(wanted.width(), std::max(room, needed));
    int left = right ? game.right() + 1 + Gap : game.left() - Gap - width;
    left = std::clamp(left, screen.left(), std::max(screen.left(), screen.right() + 1 - width));
    return QRect(left, top, width, height);
}

THelpWindow::THelpWindow(std::filesystem::path helpFolder) : Folder(std::move(helpFolder))
{
    setWindowTitle(ProgramTitle + QStringLiteral(" Help"));
    setOpenExternalLinks(true);
    resize(640, 560);
}

void THelpWindow::ShowTopic(int context, const QRect& game)
{
    const std::filesystem::path page = Folder / (context == 0 ? "index.html" : "main-window.html");
    if (!std::filesystem::exists(page))
        return;
    QUrl address = QUrl::fromLocalFile(QString::fromStdString(page.string()));
    if (context != 0)
        address.setFragment(QStringLiteral("context-%1").arg(context));
    setSource(address);
    // Placed when first opened; afterwards the player's own placing stays.
    if (!Placed && game.isValid()) {
        const QScreen* screen = QGuiApplication::screenAt(game.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect place = HelpPlacement(game, size(), screen->availableGeometry());
            resize(place.size());
            move(place.topLeft());
        }
        Placed = true;
    }
    show();
    raise();
    activateWindow();
}

} // namespace stakor
