#include <QtTest>

#include <SDL.h>

#include "settings/message_texts.h"
#include "shell/desktop/gamepad.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace {

// A gamepad plugged in through SDL's virtual joysticks: every button and axis
// of a game controller, in SDL's own order.
class TVirtualPad {
public:
    TVirtualPad()
    {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
        desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
        desc.name = "Stakor test pad";
        Index = SDL_JoystickAttachVirtualEx(&desc);
        Joystick = Index >= 0 ? SDL_JoystickOpen(Index) : nullptr;
    }
    ~TVirtualPad() { Unplug(); }

    bool Plugged() const { return Joystick != nullptr; }
    void Button(SDL_GameControllerButton button, bool down)
    {
        SDL_JoystickSetVirtualButton(Joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
    }
    void Axis(SDL_GameControllerAxis axis, int value)
    {
        SDL_JoystickSetVirtualAxis(Joystick, axis, static_cast<Sint16>(value));
    }
    void Unplug()
    {
        if (!Joystick)
            return;
        const SDL_JoystickID id = SDL_JoystickInstanceID(Joystick);
        SDL_JoystickClose(Joystick);
        Joystick = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id)
                SDL_JoystickDetachVirtual(i);
    }

private:
    int Index = -1;
    SDL_Joystick* Joystick = nullptr;
};

using TActions = std::vector<TPadAction>;

} // namespace

class GamepadTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No window of SDL's own: the dummy video driver, should SDL look for one.
        qputenv("SDL_VIDEODRIVER", "dummy");
    }

    void eachControlDoesItsActionAndPlugsInAndOut()
    {
        TActions actions;
        TGamepad gamepad([&actions](TPadAction action) { actions.push_back(action); });
        QVERIFY(gamepad.SetEnabled(true));
        // Nothing attached: nothing read.
        QCOMPARE(gamepad.Attached(), 0);
        QVERIFY(!gamepad.Polling());

        TVirtualPad pad;
        QVERIFY(pad.Plugged());
        gamepad.DevicesChanged(); // what the watch on the input devices does
        QCOMPARE(gamepad.Attached(), 1);
        QVERIFY(gamepad.Polling());
        QVERIFY(actions.empty());

        const auto press = [&](SDL_GameControllerButton button) {
            pad.Button(button, true);
            gamepad.Poll();
            pad.Button(button, false);
            gamepad.Poll();
            return std::exchange(actions, {});
        };
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_DPAD_LEFT), TActions{TPadAction::Left});
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT), TActions{TPadAction::Right});
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_DPAD_UP), TActions{TPadAction::Rotate});
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_A), TActions{TPadAction::RotateBack});
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_B), (TActions{TPadAction::DropPress, TPadAction::DropRelease}));
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_DPAD_DOWN), (TActions{TPadAction::DropPress, TPadAction::DropRelease}));
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_START), TActions{TPadAction::Pause});
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_BACK), TActions{TPadAction::NewGame});
        QCOMPARE(press(SDL_CONTROLLER_BUTTON_X), TActions{});

        // A trigger at rest is at the low end of its joystick axis.
        pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, -32768);
        pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
        gamepad.Poll();
        QVERIFY(actions.empty());
        const auto tilt = [&](SDL_GameControllerAxis axis, int value) {
            const bool trigger = axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
            pad.Axis(axis, value);
            gamepad.Poll();
            pad.Axis(axis, trigger ? -32768 : 0);
            gamepad.Poll();
            return std::exchange(actions, {});
        };
        QCOMPARE(tilt(SDL_CONTROLLER_AXIS_LEFTX, -32768), TActions{TPadAction::Left});
        QCOMPARE(tilt(SDL_CONTROLLER_AXIS_LEFTX, 32767), TActions{TPadAction::Right});
        QCOMPARE(tilt(SDL_CONTROLLER_AXIS_LEFTY, -32768), TActions{TPadAction::Rotate});
        QCOMPARE(tilt(SDL_CONTROLLER_AXIS_LEFTX, 9000), TActions{}); // a touch is no move
        QCOMPARE(tilt(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767), (TActions{TPadAction::DropPress, TPadAction::DropRelease}));
        QCOMPARE(tilt(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767), (TActions{TPadAction::DropPress, TPadAction::DropRelease}));

        // A held drop acts once, however many of its controls join in.
        pad.Button(SDL_CONTROLLER_BUTTON_B, true);
        pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
        gamepad.Poll();
        pad.Button(SDL_CONTROLLER_BUTTON_B, false);
        gamepad.Poll();
        QCOMPARE(std::exchange(actions, {}), TActions{TPadAction::DropPress});

        // Held left repeats, first after the delay, then at the interval.
        pad.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
        gamepad.Poll();
        QCOMPARE(actions.size(), size_t{1});
        QTest::qWait(TGamepad::RepeatDelayMs + 3 * TGamepad::RepeatIntervalMs + 20); // the polling runs meanwhile
        QVERIFY2(actions.size() >= 3 && actions.size() <= 6, qPrintable(QString::number(actions.size())));
        pad.Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
        gamepad.Poll();
        const size_t held = actions.size();
        QTest::qWait(2 * TGamepad::RepeatIntervalMs);
        QCOMPARE(actions.size(), held);
        actions.clear();

        // Unplugged while the drop is held: it is let go, and the reading stops.
        pad.Unplug();
        gamepad.Poll();
        QCOMPARE(gamepad.Attached(), 0);
        QVERIFY(!gamepad.Polling());
        QCOMPARE(actions, TActions{TPadAction::DropRelease});

        // Plugged in again, and switched off: closed.
        TVirtualPad again;
        gamepad.DevicesChanged();
        QCOMPARE(gamepad.Attached(), 1);
        again.Unplug();
        QVERIFY(gamepad.SetEnabled(false));
        QCOMPARE(gamepad.Attached(), 0);
        QVERIFY(!gamepad.Polling());
    }

    void theGamepadPlaysInTheActiveWindowOnly()
    {
        TShellWorld w;
        w.Form->show();
        w.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
        TGamepad gamepad([&w](TPadAction action) { w.Form->GamepadAction(action); });
        QVERIFY(gamepad.SetEnabled(true));
        TVirtualPad pad;
        gamepad.DevicesChanged();
        QCOMPARE(gamepad.Attached(), 1);
        const auto press = [&](SDL_GameControllerButton button) {
            pad.Button(button, true);
            gamepad.Poll();
            pad.Button(button, false);
            gamepad.Poll();
        };

        press(SDL_CONTROLLER_BUTTON_BACK); // no game yet: it starts at once
        QVERIFY(w.Core->Game.Running);
        for (int i = 0; i < 4; ++i)
            w.Core->Rules.Tick();
        const int x = w.Core->Figures.Current.X;
        press(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        QCOMPARE(w.Core->Figures.Current.X, x - 1);
        press(SDL_CONTROLLER_BUTTON_B);
        QVERIFY(w.Core->Figures.Dropping);
        QVERIFY(!w.Core->Control.DropKeyDown);
        press(SDL_CONTROLLER_BUTTON_START);
        QVERIFY(w.Core->Game.Paused);
        press(SDL_CONTROLLER_BUTTON_START);
        QVERIFY(!w.Core->Game.Paused);
        // Back asks first while a game runs, as F2 does.
        w.Answers.Answer = false;
        press(SDL_CONTROLLER_BUTTON_BACK);
        QVERIFY(w.Answers.Logged("ask " + MessageText(w.Lang, "MB4")));
        QVERIFY(w.Core->Game.Running && !w.Core->Game.Paused);

        // While another window is the active one, the gamepad does nothing.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!w.Form->isActiveWindow());
        press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        QCOMPARE(w.Core->Figures.Current.X, x - 1);
        pad.Unplug();
    }
};

namespace {
const TRegisterShellTests<GamepadTest> Registered;
}

} // namespace stakor::test

#include "gamepad_test.moc"
