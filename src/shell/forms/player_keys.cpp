#include "shell/forms/player_keys.h"

#include <bit>

#include <QKeySequence>

#include "settings/ini.h"

namespace stakor {

namespace {

constexpr Qt::KeyboardModifiers KeyModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::KeypadModifier;

constexpr std::array<TKeyAction, KeyActionCount> Actions = {TKeyAction::Left, TKeyAction::Right, TKeyAction::Rotate,
    TKeyAction::RotateBack, TKeyAction::Drop, TKeyAction::Pause};

using TGetter = const std::string& (TIni::*)() const;
using TSetter = void (TIni::*)(const std::string&);
constexpr std::array<TGetter, KeyActionCount> Getters = {
    &TIni::KeyLeft, &TIni::KeyRight, &TIni::KeyRotate, &TIni::KeyRotateBack, &TIni::KeyDrop, &TIni::KeyPause};
constexpr std::array<TSetter, KeyActionCount> Setters = {&TIni::SetKeyLeft, &TIni::SetKeyRight, &TIni::SetKeyRotate,
    &TIni::SetKeyRotateBack, &TIni::SetKeyDrop, &TIni::SetKeyPause};

bool Reserved(TKeyAction action, QKeyCombination combination)
{
    const int key = combination.key();
    switch (key) {
    case Qt::Key_F1:
    case Qt::Key_F2:
    case Qt::Key_F3:
    case Qt::Key_F4:
    case Qt::Key_F11:
    case Qt::Key_Escape:
        return true;
    case Qt::Key_Pause:
        return action != TKeyAction::Pause; // it always pauses
    case Qt::Key_Down:
        return action != TKeyAction::Drop; // it always drops
    case Qt::Key_G:
    case Qt::Key_H:
    case Qt::Key_M:
    case Qt::Key_S:
    case Qt::Key_T:
        // The menus' commands, with Alt alone.
        return (combination.keyboardModifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
    default:
        return false;
    }
}

} // namespace

QKeyCombination KeyFromText(const std::string& text)
{
    const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(text), QKeySequence::PortableText);
    if (sequence.count() != 1)
        return QKeyCombination(Qt::Key_unknown);
    const QKeyCombination key = sequence[0];
    if (key.key() == Qt::Key_unknown || IsModifierKey(key.key()) || (key.keyboardModifiers() & ~KeyModifiers))
        return QKeyCombination(Qt::Key_unknown);
    return key;
}

std::string KeyText(QKeyCombination key)
{
    return QKeySequence(key).toString(QKeySequence::PortableText).toStdString();
}

QString KeyCaption(QKeyCombination key)
{
    return QKeySequence(key).toString(QKeySequence::NativeText);
}

bool IsModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_unknown:
        return true;
    default:
        return false;
    }
}

TPlayerKeys TPlayerKeys::Defaults()
{
    TPlayerKeys keys;
    keys.Keys = {QKeyCombination(Qt::Key_Left), QKeyCombination(Qt::Key_Right), QKeyCombination(Qt::Key_Up),
        QKeyCombination(Qt::ShiftModifier, Qt::Key_Up), QKeyCombination(Qt::Key_Space), QKeyCombination(Qt::Key_P)};
    return keys;
}

TPlayerKeys TPlayerKeys::FromSettings(const TIni& ini)
{
    const TPlayerKeys defaults = Defaults();
    TPlayerKeys keys;
    const auto takenBefore = [&keys](size_t count, QKeyCombination key) {
        for (size_t k = 0; k < count; ++k)
            if (keys.Keys[k] == key)
                return true;
        return false;
    };
    for (size_t i = 0; i < Actions.size(); ++i) {
        // A hand-edited key that cannot act as itself gives its action the
        // default; when an earlier action holds that too, the action has no
        // key of its own until the player chooses one.
        const QKeyCombination key = KeyFromText((ini.*Getters[i])());
        if (key.key() != Qt::Key_unknown && !Reserved(Actions[i], key) && !takenBefore(i, key))
            keys.Keys[i] = key;
        else if (!takenBefore(i, defaults.Keys[i]))
            keys.Keys[i] = defaults.Keys[i];
        else
            keys.Keys[i] = QKeyCombination(Qt::Key_unknown);
    }
    return keys;
}

void TPlayerKeys::Store(TIni& ini) const
{
    for (size_t i = 0; i < Actions.size(); ++i) {
        const std::string text = Keys[i].key() == Qt::Key_unknown ? std::string() : KeyText(Keys[i]);
        if ((ini.*Getters[i])() != text)
            (ini.*Setters[i])(text);
    }
}

TKeyRefusal TPlayerKeys::Check(TKeyAction action, QKeyCombination key, TKeyAction* usedBy) const
{
    if (Reserved(action, key))
        return TKeyRefusal::Reserved;
    for (size_t i = 0; i < Actions.size(); ++i) {
        if (Actions[i] != action && Keys[i] == key) {
            if (usedBy)
                *usedBy = Actions[i];
            return TKeyRefusal::Used;
        }
    }
    return TKeyRefusal::None;
}

std::optional<TKeyAction> TPlayerKeys::ActionOf(int key, Qt::KeyboardModifiers modifiers) const
{
    modifiers &= KeyModifiers;
    std::optional<TKeyAction> best;
    int bestCount = -1;
    for (size_t i = 0; i < Actions.size(); ++i) {
        const Qt::KeyboardModifiers needed = Keys[i].keyboardModifiers();
        if (Keys[i].key() == Qt::Key_unknown || Keys[i].key() != key || (modifiers & needed) != needed)
            continue;
        const int count = static_cast<int>(std::popcount(static_cast<unsigned>(needed.toInt())));
        if (count > bestCount) {
            best = Actions[i];
            bestCount = count;
        }
    }
    return best;
}

bool TPlayerKeys::IsDropKey(int key) const
{
    return key == Qt::Key_Down || key == Key(TKeyAction::Drop).key();
}

} // namespace stakor
