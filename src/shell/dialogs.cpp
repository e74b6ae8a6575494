#include "shell/dialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>

#include "settings/text_encoding.h"

namespace stakor {

QString FromPack(const std::string& bytes)
{
    return QString::fromStdString(TextToUtf8(bytes));
}

std::string ToNameBytes(const QString& name)
{
    return name.toStdString();
}

int TitleFitWidth(const QString& title)
{
    // The title bar's text in the window manager's font (most use the
    // application font or a bolder one), with room for its buttons.
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + TitleBarAllowance;
}

void WidenForTitle(QMessageBox& box)
{
    // A message box sizes itself to its text; the window manager then cuts
    // a longer title short. A strut across the box's layout keeps it wider.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(TitleFitWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
}

bool TDialogs::AskYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, ProgramTitle, FromPack(text), QMessageBox::Yes | QMessageBox::No, Parent);
    WidenForTitle(box);
    return box.exec() == QMessageBox::Yes;
}

void TDialogs::ShowMessage(const std::string& text, const std::string& caption, bool error)
{
    QMessageBox box(error ? QMessageBox::Critical : QMessageBox::NoIcon, FromPack(caption), FromPack(text),
        QMessageBox::Ok, Parent);
    WidenForTitle(box);
    box.exec();
}

std::string TDialogs::InputName(const std::string& caption, const std::string& prompt, const std::string& preset)
{
    bool accepted = false;
    const QString name = QInputDialog::getText(
        Parent, FromPack(caption), FromPack(prompt), QLineEdit::Normal, FromPack(preset), &accepted);
    // Cancel keeps the name offered.
    return accepted ? ToNameBytes(name) : preset;
}

void TDialogs::ShowRecords()
{
    if (OpenRecords)
        OpenRecords();
}

void ShowPlaceholderDialog(QWidget* parent, const QString& title)
{
    QMessageBox box(QMessageBox::Information, title, title + QStringLiteral("\n\nThis dialog is not ready yet."),
        QMessageBox::Ok, parent);
    box.exec();
}

} // namespace stakor
