#pragma once

#include <array>

#include <QDialog>

#include "shell/forms/form_captions.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace stakor {

class TGameCore;

// The new game dialog: game style, starting level, trash lines and the
// upside-down mode. OK stores them and starts a game with them at once.
class TNewGameForm : public QDialog {
    Q_OBJECT

public:
    TNewGameForm(TGameCore& core, QWidget* parent = nullptr);

    // Every captioned control with its key, for re-captioning and for tests.
    const TCaptionTable& Captions() const { return CaptionTable; }

    // OK: asks while a game runs (No keeps the dialog open), stores the four
    // settings, closes the dialog and starts the new game.
    void Button1Click();

    // A spin box's value as OK reads it: an empty or garbled text counts as
    // the lower bound, a number beyond the bounds as the nearer bound.
    static int SpinValue(const QSpinBox* box);

    QGroupBox* GameStyleGroupBox;
    std::array<QRadioButton*, 5> StyleRadioButtons{}; // Style1RadioButton .. Style5RadioButton
    QGroupBox* StartingLevelGroupBox;
    QSpinBox* StartingLevelSpinEdit;
    QGroupBox* LinesOfTrashGroupBox;
    QSpinBox* LinesOfTrashSpinEdit;
    QGroupBox* AdditionalOptionsGroupBox;
    QCheckBox* UpsideDownCheckBox;
    QPushButton* Button1;
    QPushButton* Button2;

private:
    void FormCreate();

    TGameCore& Core;
    TCaptionTable CaptionTable;
};

} // namespace stakor
