#include "shell/dialogs.h"

#include <QInputDialog>
#include <QMessageBox>

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

bool TDialogs::AskYesNo(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, ProgramTitle, FromPack(text), QMessageBox::Yes | QMessageBox::No, Parent);
    return box.exec() == QMessageBox::Yes;
}

void TDialogs::ShowMessage(const std::string& text, const std::string& caption, bool error)
{
    QMessageBox box(error ? QMessageBox::Critical : QMessageBox::NoIcon, FromPack(caption), FromPack(text),
        QMessageBox::Ok, Parent);
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
