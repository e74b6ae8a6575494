#include "shell/desktop/gamepad.h"

#include <array>
#include <filesystem>
#include <map>
#include <utility>

#include <QFileSystemWatcher>
#include <QTimer>

#include <SDL.h>

namespace stakor {

namespace {

constexpr const char* InputFolder = "/dev/input";

// Stick and trigger positions that count as pressed, and lower ones that
// count as let go, so that a position near the edge does not flicker.
constexpr int PressAt = 16000;
constexpr int ReleaseAt = 12000;

// Several controls do one thing: the d-pad's and the stick's left both move left.
enum TControl { Left, Right, Up, Drop, ControlCount };
enum TSource { Pad, Stick, EastButton, LeftTrigger, RightTrigger, SourceCount };

// The moments to look again after the input devices changed, ms.
constexpr std::array<int, 4> ProbeDelays = {100, 400, 1000, 2500};

} // namespace

struct TGamepad::TState {
    std::function<void(TPadAction)> Act;
    bool Enabled = false;
    std::map<SDL_JoystickID, SDL_GameController*> Controllers;
    // Which sources hold each control now, over every controller.
    std::array<std::array<bool, SourceCount>, ControlCount> Held{};
    Uint64 NextRepeat = 0;
    QTimer PollTimer;
    QTimer ProbeTimer;
    size_t ProbesDone = 0;
    bool Reading = false; // a question a button asked runs its own event loop meanwhile
    std::unique_ptr<QFileSystemWatcher> Watcher;

    bool Holding(TControl control) const
    {
        for (const bool held : Held[control])
            if (held)
                return true;
        return false;
    }

    void Set(TControl control, TSource source, bool held)
    {
        const bool before = Holding(control);
        Held[control][source] = held;
        const bool after = Holding(control);
        if (before == after)
            return;
        switch (control) {
        case Left:
        case Right:
            if (after) {
                NextRepeat = SDL_GetTicks64() + RepeatDelayMs;
                Act(control == Left ? TPadAction::Left : TPadAction::Right);
            }
            break;
        case Up:
            if (after)
                Act(TPadAction::Rotate);
            break;
        case Drop:
            Act(after ? TPadAction::DropPress : TPadAction::DropRelease);
            break;
        default:
            break;
        }
    }

    void Repeat()
    {
        const bool left = Holding(Left), right = Holding(Right);
        if (left == right || SDL_GetTicks64() < NextRepeat)
            return;
        NextRepeat = SDL_GetTicks64() + RepeatIntervalMs;
        Act(left ? TPadAction::Left : TPadAction::Right);
    }

    // A stick axis or trigger, with its two thresholds.
    void Axis(TControl control, TSource source, int value)
    {
        if (!Held[control][source] && value > PressAt)
            Set(control, source, true);
        else if (Held[control][source] && value < ReleaseAt)
            Set(control, source, false);
    }

    void Handle(const SDL_Event& event)
    {
        switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            if (SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which)) {
                const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
                if (Controllers.count(id))
                    SDL_GameControllerClose(controller); // told twice; open once
                else
                    Controllers[id] = controller;
            }
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (const auto found = Controllers.find(event.cdevice.which); found != Controllers.end()) {
                SDL_GameControllerClose(found->second);
                Controllers.erase(found);
                if (Controllers.empty())
                    LetGo();
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
            switch (event.cbutton.button) {
            case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
                Set(Left, Pad, down);
                break;
            case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
                Set(Right, Pad, down);
                break;
            case SDL_CONTROLLER_BUTTON_DPAD_UP:
                Set(Up, Pad, down);
                break;
            case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
                Set(Drop, Pad, down); // as Down always drops
                break;
            case SDL_CONTROLLER_BUTTON_B:
                Set(Drop, EastButton, down);
                break;
            case SDL_CONTROLLER_BUTTON_A:
                if (down)
                    Act(TPadAction::RotateBack);
                break;
            case SDL_CONTROLLER_BUTTON_START:
                if (down)
                    Act(TPadAction::Pause);
                break;
            case SDL_CONTROLLER_BUTTON_BACK:
                if (down)
                    Act(TPadAction::NewGame);
                break;
            default:
                break;
            }
            break;
        }
        case SDL_CONTROLLERAXISMOTION: {
            const int value = event.caxis.value;
            switch (event.caxis.axis) {
            case SDL_CONTROLLER_AXIS_LEFTX:
                Axis(Left, Stick, -value);
                Axis(Right, Stick, value);
                break;
            case SDL_CONTROLLER_AXIS_LEFTY:
                Axis(Up, Stick, -value); // up is negative
                break;
            case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
                Axis(Drop, LeftTrigger, value);
                break;
            case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
                Axis(Drop, RightTrigger, value);
                break;
            default:
                break;
            }
            break;
        }
        default:
            break;
        }
    }

    // The last gamepad went: what it held is let go, the drop key included.
    void LetGo()
    {
        for (int control = 0; control < ControlCount; ++control)
            for (int source = 0; source < SourceCount; ++source)
                if (Held[static_cast<size_t>(control)][static_cast<size_t>(source)])
                    Set(static_cast<TControl>(control), static_cast<TSource>(source), false);
    }
};

TGamepad::TGamepad(std::function<void(TPadAction)> act, QObject* parent)
    : QObject(parent), State(std::make_unique<TState>())
{
    State->Act = std::move(act);
    State->PollTimer.setInterval(PollIntervalMs);
    State->PollTimer.setTimerType(Qt::PreciseTimer);
    connect(&State->PollTimer, &QTimer::timeout, this, &TGamepad::Poll);
    State->ProbeTimer.setSingleShot(true);
    connect(&State->ProbeTimer, &QTimer::timeout, this, [this] {
        Poll();
        if (++State->ProbesDone < ProbeDelays.size() && State->Controllers.empty())
            State->ProbeTimer.start(ProbeDelays[State->ProbesDone] - ProbeDelays[State->ProbesDone - 1]);
    });
}

TGamepad::~TGamepad()
{
    SetEnabled(false);
}

bool TGamepad::SetEnabled(bool on)
{
    if (on == State->Enabled)
        return true;
    if (!on) {
        State->PollTimer.stop();
        State->ProbeTimer.stop();
        State->Watcher.reset();
        State->LetGo();
        for (const auto& [id, controller] : State->Controllers)
            SDL_GameControllerClose(controller);
        State->Controllers.clear();
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        State->Enabled = false;
        return true;
    }
    // Ctrl+C and a polite kill end the game as before: SDL's own handlers would
    // turn them into events nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        return false;
    State->Enabled = true;
    // New devices show in the input folder; where it does not exist yet, the
    // device folder says when it comes.
    State->Watcher = std::make_unique<QFileSystemWatcher>();
    connect(State->Watcher.get(), &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        std::error_code error;
        if (path == QLatin1String(InputFolder) || std::filesystem::is_directory(InputFolder, error)) {
            if (!State->Watcher->directories().contains(QLatin1String(InputFolder))) {
                State->Watcher->removePath(QStringLiteral("/dev"));
                State->Watcher->addPath(QLatin1String(InputFolder));
            }
            DevicesChanged();
        }
    });
    std::error_code error;
    State->Watcher->addPath(
        QLatin1String(std::filesystem::is_directory(InputFolder, error) ? InputFolder : "/dev"));
    DevicesChanged();
    return true;
}

bool TGamepad::Enabled() const
{
    return State->Enabled;
}

int TGamepad::Attached() const
{
    return static_cast<int>(State->Controllers.size());
}

bool TGamepad::Polling() const
{
    return State->PollTimer.isActive();
}

void TGamepad::DevicesChanged()
{
    if (!State->Enabled)
        return;
    Poll();
    State->ProbesDone = 0;
    State->ProbeTimer.start(ProbeDelays[0]);
}

void TGamepad::Poll()
{
    if (!State->Enabled || State->Reading)
        return;
    State->Reading = true;
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1)
        State->Handle(event);
    State->Repeat();
    State->Reading = false;
    // Read again and again only while there is something to read.
    if (State->Controllers.empty())
        State->PollTimer.stop();
    else if (!State->PollTimer.isActive())
        State->PollTimer.start();
}

} // namespace stakor
