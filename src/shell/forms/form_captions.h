#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QString>

class QAction;
class QPushButton;
class QObject;
class QWidget;

namespace stakor {

class TLanguage;

// Where a pack text goes in a window.
enum class TCaptionKind {
    Text, // a label's, button's or check box's text, or a group box's title
    Hint, // a control's tooltip
    Title, // the window's caption
    ListItem, // an item of a list box (Index)
    Tab, // a tab of a tab bar (Index)
    MenuItem, // a menu item; its shortcut stays behind the text
};

// One captioned control of a window: the key of its pack text and the
// built-in English text it has without a pack.
struct TCaptionTarget {
    std::string Key;
    QString BuiltIn;
    QObject* Target = nullptr;
    TCaptionKind Kind = TCaptionKind::Text;
    int Index = 0;
};
using TCaptionTable = std::vector<TCaptionTarget>;

// The text a control of the table shows for the loaded pack: the pack's text,
// or the built-in one while no pack is loaded or the pack lacks the key.
QString CaptionText(const TLanguage& lang, const TCaptionTarget& target);
// What the control shows now (a menu item without its shortcut).
QString ShownCaption(const TCaptionTarget& target);
void SetCaption(const TCaptionTarget& target, const QString& text);
// Captions every control of the table from the pack; nothing while no pack
// has been loaded, so the windows keep their built-in texts.
void LoadCaptions(const TLanguage& lang, const TCaptionTable& table);

// The width a control needs to show its caption whole, or 0 when the
// control draws its text where it has room (menus, hints, window titles).
int NeededWidth(const TCaptionTarget& target);
// Widens each control whose caption does not fit, and the window when a
// control then reaches past its right edge; a translation never gets cut.
void GrowToFit(QWidget* window, const TCaptionTable& table);

// Sets a row of buttons side by side at the given top, all as wide as the
// widest caption needs (at least their present width), gap pixels apart,
// centred or against the right margin; the window widens if the row needs it.
void LayOutButtonRow(QWidget* window, const std::vector<QPushButton*>& buttons, int top, int gap, bool centred);

// Moves the contents of each group box of the window below the box's title
// where the style draws the title above the frame, growing the boxes and
// moving down whatever lies below them; the window grows with them.
void FitGroupBoxes(QWidget* window);

// The dialogs' font: the size their controls are laid out for (8 points on
// a 96 dpi screen), as the main window's labels use.
void UseDialogFont(QWidget* dialog);

// Runs a handler of a dialog; an error it does not catch itself (a refused
// settings write) goes to the standard error box instead of ending the program.
void RunGuarded(const std::function<void()>& handler, const std::function<void(const std::string&)>& showError);

} // namespace stakor
