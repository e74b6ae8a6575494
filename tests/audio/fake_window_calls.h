#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/music_player.h"

namespace stakor {

// The window thread's event loop, run by hand: delayed calls wait until the
// test lets them go, posted calls queue until the test takes them.
class TFakeWindowCalls : public IWindowCalls {
public:
    void CallLater(int delayMs, std::function<void()> call) override
    {
        Delays.push_back(delayMs);
        Delayed.push_back(std::move(call));
    }

    void Post(std::function<void()> call) override
    {
        const std::lock_guard lock(Lock);
        Posted.push_back(std::move(call));
        Arrived.notify_all();
    }

    // Runs the delayed calls made so far.
    void FireDelayed()
    {
        auto calls = std::move(Delayed);
        Delayed.clear();
        for (auto& call : calls)
            call();
    }

    // Runs posted calls as they come until `done` holds or the time is up.
    bool RunPostedUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            std::unique_lock lock(Lock);
            if (!Arrived.wait_until(lock, end, [&] { return !Posted.empty(); }))
                return done();
            auto call = std::move(Posted.front());
            Posted.pop_front();
            lock.unlock();
            call();
        }
        return true;
    }

    std::vector<int> Delays;
    std::vector<std::function<void()>> Delayed;

private:
    std::mutex Lock;
    std::condition_variable Arrived;
    std::deque<std::function<void()>> Posted;
};

} // namespace stakor
