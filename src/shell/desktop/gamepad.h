#pragma once

#include <functional>
#include <memory>

#include <QObject>

#include "shell/desktop/gamepad_actions.h"

namespace stakor {

// Gamepads through SDL's game controller support, plugged in and out while
// the game runs. The d-pad and the left stick move and turn (up turns), the
// south button turns the other way, the east button or a trigger starts and
// stops the fast drop (once a press, like a held drop key), Start pauses and
// Back asks for a new game. A held left or right repeats as a held key does.
//
// Without a gamepad nothing runs: the input devices' folder is watched for
// new devices, and SDL is asked only when it changes; while a gamepad is
// attached its state is read every few milliseconds.
class TGamepad : public QObject {
    Q_OBJECT

public:
    explicit TGamepad(std::function<void(TPadAction)> act, QObject* parent = nullptr);
    ~TGamepad() override;

    // On: SDL's game controllers are started and the attached ones opened;
    // off: they are closed and nothing of SDL's stays. False when SDL could
    // not start its game controllers (the game then plays without).
    bool SetEnabled(bool on);
    bool Enabled() const;
    // The gamepads open now.
    int Attached() const;
    // Whether their state is being read (only while one is attached).
    bool Polling() const;

    // The input devices changed: SDL is asked at once and a few more times
    // over the next seconds, as the system may take a moment to set up a
    // new device.
    void DevicesChanged();
    // Reads what happened since the last time: gamepads plugged in or out,
    // buttons, sticks and triggers.
    void Poll();

    // Left and right held repeat after this, then at the interval.
    static constexpr int RepeatDelayMs = 200;
    static constexpr int RepeatIntervalMs = 50;
    static constexpr int PollIntervalMs = 10;

private:
    struct TState;
    std::unique_ptr<TState> State;
};

} // namespace stakor
