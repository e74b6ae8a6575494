#include "shell/help_window.h"

#include <QUrl>

#include "shell/dialogs.h"

namespace stakor {

THelpWindow::THelpWindow(std::filesystem::path helpFolder) : Folder(std::move(helpFolder))
{
    setWindowTitle(ProgramTitle + QStringLiteral(" Help"));
    setOpenExternalLinks(true);
    resize(640, 560);
}

void THelpWindow::ShowTopic(int context)
{
    const std::filesystem::path page = Folder / (context == 0 ? "index.html" : "main-window.html");
    if (!std::filesystem::exists(page))
        return;
    QUrl address = QUrl::fromLocalFile(QString::fromStdString(page.string()));
    if (context != 0)
        address.setFragment(QStringLiteral("context-%1").arg(context));
    setSource(address);
    show();
    raise();
    activateWindow();
}

} // namespace stakor
