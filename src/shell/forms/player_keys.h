#pragma once

#include <array>
#include <optional>
#include <string>

#include <QKeyCombination>
#include <QString>

namespace stakor {

class TIni;

// What the player's own keys do.
enum class TKeyAction { Left, Right, Rotate, RotateBack, Drop, Pause };
inline constexpr int KeyActionCount = 6;

// Why a key cannot be chosen for an action.
enum class TKeyRefusal {
    None,
    Reserved, // the game needs it itself (F1-F4, F11, Esc, Alt+G/H/M/S/T; Pause and Down for their own actions)
    Used, // another action has it
};

// A key as the settings keep it: Qt's portable key text ("Shift+Up");
// Qt::Key_unknown for a text that names no single key.
QKeyCombination KeyFromText(const std::string& text);
std::string KeyText(QKeyCombination key);
// The key as the player reads it, in the desktop's words.
QString KeyCaption(QKeyCombination key);
// Shift, Ctrl and the like alone are no key to choose.
bool IsModifierKey(int key);

// The six keys of the player's choice. A key acts with the modifiers it was
// chosen with and any others held too; of two keys that match a press, the
// one with more modifiers wins, so Up turns and Shift+Up turns back.
class TPlayerKeys {
public:
    // Left, Right, Up, Shift+Up, Space and P.
    static TPlayerKeys Defaults();
    // From the settings: a missing, empty or unreadable key, one the game
    // needs itself, or one an earlier action has already, gives the default.
    static TPlayerKeys FromSettings(const TIni& ini);
    // Writes the keys that differ from the stored ones.
    void Store(TIni& ini) const;

    QKeyCombination Key(TKeyAction action) const { return Keys[static_cast<size_t>(action)]; }
    void SetKey(TKeyAction action, QKeyCombination key) { Keys[static_cast<size_t>(action)] = key; }

    // Whether `key` may be chosen for `action`; `usedBy` gets the action that has it.
    TKeyRefusal Check(TKeyAction action, QKeyCombination key, TKeyAction* usedBy = nullptr) const;

    // The action a press of `key` with `modifiers` held takes, if any.
    std::optional<TKeyAction> ActionOf(int key, Qt::KeyboardModifiers modifiers) const;
    // Keys whose hold matters: the chosen drop key and Down act once a press.
    bool IsDropKey(int key) const;

    friend bool operator==(const TPlayerKeys&, const TPlayerKeys&) = default;

private:
    std::array<QKeyCombination, KeyActionCount> Keys{};
};

} // namespace stakor
