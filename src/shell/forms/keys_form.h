#pragma once

#include <array>
#include <optional>

#include <QDialog>

#include "shell/forms/form_captions.h"
#include "shell/forms/player_keys.h"

class QLabel;
class QPushButton;

namespace stakor {

class TIni;
class TLanguage;

// "Keys": the six actions with their keys. A click on a key waits for the
// next key pressed; a key another action has, or one the game needs itself,
// is refused with a line in the dialog. Defaults puts back the game's keys,
// OK stores them, Cancel and the close box forget the changes.
class TKeysForm : public QDialog {
    Q_OBJECT

public:
    TKeysForm(TIni& ini, const TLanguage& lang, QWidget* parent = nullptr);

    // Captions from the language pack (the built-in ones while none is loaded).
    void LoadCaptions();
    const TCaptionTable& Captions() const { return CaptionTable; }

    // The keys as chosen so far.
    const TPlayerKeys& Keys() const { return Chosen; }
    // Waits for the next key pressed, for `action` (a click on its key).
    void ChooseKey(TKeyAction action);
    bool Waiting() const { return WaitingFor.has_value(); }
    void DefaultsButtonClick();
    void OkButtonClick();

    std::array<QLabel*, KeyActionCount> ActionLabels{};
    std::array<QPushButton*, KeyActionCount> KeyButtons{};
    QLabel* MessageLabel;
    QPushButton* DefaultsButton;
    QPushButton* OkButton;
    QPushButton* CancelButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A key pressed while waiting; true when it was taken or refused.
    bool TakeKey(const QKeyEvent& event);
    void ShowKeys();
    QString Text(const char* key, const char* builtIn) const;

    TIni& Ini;
    const TLanguage& Lang;
    TPlayerKeys Chosen;
    std::optional<TKeyAction> WaitingFor;
    TCaptionTable CaptionTable;
};

} // namespace stakor
