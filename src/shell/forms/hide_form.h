#pragma once

#include <functional>

#include <QDialog>

#include "shell/forms/form_captions.h"

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace stakor {

class TIni;
class TLanguage;

// "Disguise settings": the title and icon the game takes on when Esc hides
// it, the password that guards its return, and whether Esc does it at all.
// OK stores the fields; the close box discards them.
class THideForm : public QDialog {
    Q_OBJECT

public:
    THideForm(TIni& ini, const TLanguage& lang, QWidget* parent = nullptr);

    // Captions from the language pack (the built-in ones while none is loaded).
    void LoadCaptions();
    // The captioned controls with their keys and built-in texts.
    const TCaptionTable& Captions() const { return CaptionTable; }

    // Chooses Edit3's file. The file dialog is made here and run by
    // `RunOpenDialog`, which tests replace.
    void BrowseButtonClick();
    // Stores the fields in the game's order and closes the dialog.
    void OkButtonClick();

    // The file-open dialog, set up as Browse shows it.
    QFileDialog* OpenDialog() const { return OpenDialog_; }
    // Runs the file dialog; true when the player picked a file.
    std::function<bool(QFileDialog&)> RunOpenDialog;

    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label4;
    QLineEdit* Edit4;
    QPushButton* BrowseButton;
    QCheckBox* CheckBox1;
    QPushButton* OkButton;

private:
    TIni& Ini;
    const TLanguage& Lang;
    QFileDialog* OpenDialog_;
    TCaptionTable CaptionTable;
};

} // namespace stakor
