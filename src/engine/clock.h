#pragma once

#include <cstdint>

namespace stakor {

// The platform's periodic timer. Its ticks must reach the game on the thread
// that runs everything else.
class ITimer {
public:
    virtual ~ITimer() = default;
    // Starts ticking every periodMs; false when no timer could be had.
    virtual bool StartTimer(uint32_t periodMs) = 0;
    virtual void StopTimer() = 0;
};

// The game clock: the timer and the period it was last started with.
class TGameClock {
public:
    explicit TGameClock(ITimer& timer) : Timer(timer) {}

    void StartClock(uint32_t periodMs)
    {
        StopClock();
        Period = periodMs;
        Running_ = Timer.StartTimer(periodMs);
    }

    void StopClock()
    {
        if (Running_) {
            Timer.StopTimer();
            Running_ = false;
        }
    }

    bool Running() const { return Running_; }

    uint32_t Period = 0; // ms, of the timer last started

private:
    ITimer& Timer;
    bool Running_ = false;
};

// A timer that never ticks by itself, for replays and tests that deliver
// ticks by hand.
class TManualTimer : public ITimer {
public:
    bool StartTimer(uint32_t) override { return true; }
    void StopTimer() override {}
};

} // namespace stakor
