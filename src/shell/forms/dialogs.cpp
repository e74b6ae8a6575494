#include "shell/forms/dialogs.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QSpacerItem>
#include <QTextBoundaryFinder>

#include "records/player_name.h"
#include "settings/text_encoding.h"
#include "shell/desktop/desktop_window.h"

namespace stakor {

QString FromPack(const std::string& bytes)
{
    return QString::fromStdString(TextToUtf8(bytes));
}

std::string ToNameBytes(const QString& name)
{
    // Letter by letter as the player sees them, so that a letter made of
    // several code points (a base and its accents) gives one byte.
    const QString text = name.normalized(QString::NormalizationForm_C);
    std::string bytes;
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = letters.toNextBoundary();
        if (end <= start)
            end = text.size();
        const QString letter = text.mid(start, end - start);
        start = end;
        const QList<uint> codePoints = letter.toUcs4();
        if (codePoints.size() == 1)
            if (const auto byte = Cp1252ByteOf(codePoints[0])) {
                bytes.push_back(static_cast<char>(*byte));
                continue;
            }
        // Without its accents, if the base letter is in the code page.
        const QList<uint> parts = letter.normalized(QString::NormalizationForm_D).toUcs4();
        const bool onlyMarks = std::all_of(parts.begin() + (parts.isEmpty() ? 0 : 1), parts.end(),
            [](uint c) { return QChar::isMark(static_cast<char32_t>(c)); });
        const auto base = parts.isEmpty() || !onlyMarks ? std::nullopt : Cp1252ByteOf(parts[0]);
        bytes.push_back(base ? static_cast<char>(*base) : '?');
    }
    return bytes;
}

QString FromNameBytes(const std::string& bytes)
{
    return QString::fromStdString(NameToUtf8(bytes));
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

void WidenForTitle(QDialog& dialog)
{
    const int titleWidth = TitleFitWidth(dialog.windowTitle());
    dialog.setMinimumWidth(std::max(dialog.minimumWidth(), titleWidth));
    dialog.resize(std::max(dialog.sizeHint().width(), titleWidth), dialog.sizeHint().height());
}

bool TDialogWatcher::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::Hide) || event->spontaneous())
        return false;
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (!dialog || !dialog->isWindow() || !dialog->parentWidget())
        return false;
    QWidget* owner = dialog->parentWidget()->window();
    if (type == QEvent::Show) {
        // The dialog's own handler first: a message box takes its size there.
        // Qt's placing then guesses a frame of 10 by 40 pixels where it knows
        // none; the dialog goes where it belongs instead.
        watched->event(event);
        CentreOnOwner(*dialog, *owner);
        return true;
    }
    // A completion list is a window of its own: it would stay on the screen
    // and keep the keyboard from the dialogs below.
    for (QCompleter* completer : dialog->findChildren<QCompleter*>())
        if (QAbstractItemView* popup = completer->popup(); popup && popup->isVisible())
            popup->hide();
    // Once the dialog is gone, unless another one has come up meanwhile.
    QTimer::singleShot(0, owner, [owner = QPointer<QWidget>(owner)] {
        const QWidget* modal = QApplication::activeModalWidget();
        if (owner && owner->isVisible() && !owner->isMinimized() && (!modal || modal == owner) &&
            !QApplication::activePopupWidget())
            GiveFocusBack(*owner);
    });
    return false;
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
    QInputDialog box(Parent);
    box.setObjectName(QStringLiteral("NameInputBox"));
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(FromPack(caption));
    box.setLabelText(FromPack(prompt));
    box.setTextValue(FromNameBytes(preset));
    // Wide enough that the title bar shows the whole caption beside its buttons.
    const int titleWidth = TitleFitWidth(box.windowTitle());
    box.setMinimumWidth(titleWidth);
    box.resize(std::max(box.sizeHint().width(), titleWidth), box.sizeHint().height());
    // Cancel keeps the name offered.
    return box.exec() == QDialog::Accepted ? ToNameBytes(box.textValue()) : preset;
}

void TDialogs::ShowRecords()
{
    if (OpenRecords)
        OpenRecords();
}

} // namespace stakor
