#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QString>

#include "engine/control.h"
#include "engine/display.h"
#include "records/records.h"

class QDialog;
class QMessageBox;
class QWidget;

namespace stakor {

inline const QString ProgramTitle = QStringLiteral("Vexamo Stakor");

// 8-bit texts of the language packs and the high-score table, for Qt.
QString FromPack(const std::string& bytes);
// A name typed by the player as the bytes the high-score table keeps: one
// Windows-1252 byte for each letter the player sees. A letter the code page
// lacks keeps its base letter if that is there ("ő" gives "o"), else it
// becomes one "?".
std::string ToNameBytes(const QString& name);
// A name of the high-score table for the screen.
QString FromNameBytes(const std::string& bytes);

// The program's message boxes and its name prompt.
class TDialogs : public IQuestions, public IMessages, public IRecordsUi {
public:
    // Boxes open over this window once there is one.
    QWidget* Parent = nullptr;
    // Opens the high-scores dialog, with a running game paused around it.
    std::function<void()> OpenRecords;

    bool AskYesNo(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption, bool error) override;
    std::string InputName(const std::string& caption, const std::string& prompt, const std::string& preset) override;
    void ShowRecords() override;
};

// Room beside a window's title for the title bar's icon and buttons.
inline constexpr int TitleBarAllowance = 110;
// The width a window needs for its whole title to show in the title bar.
int TitleFitWidth(const QString& title);
// Makes a message box at least as wide as its title needs.
void WidenForTitle(QMessageBox& box);
// Makes a dialog laid out by Qt (an input box) as wide as its title needs.
void WidenForTitle(QDialog& dialog);

// Watches every dialog of the program that has an owner: it opens centred on
// its owner, a completion list it left open closes with it, and the owner has
// the keyboard again once it has closed. Installed on the application.
class TDialogWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};


} // namespace stakor
