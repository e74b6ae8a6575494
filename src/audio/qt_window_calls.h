#pragma once

#include <QObject>

#include "audio/music_player.h"

namespace stakor {

// Delayed and handed-over calls through Qt's event loop on the window thread.
// Calls still pending when this object goes are dropped.
class TQtWindowCalls : public IWindowCalls {
public:
    void CallLater(int delayMs, std::function<void()> call) override;
    void Post(std::function<void()> call) override;

private:
    QObject Context;
};

} // namespace stakor
