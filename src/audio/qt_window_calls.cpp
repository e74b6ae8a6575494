#include "audio/qt_window_calls.h"

#include <QMetaObject>
#include <QTimer>

namespace stakor {

void TQtWindowCalls::CallLater(int delayMs, std::function<void()> call)
{
    QTimer::singleShot(delayMs, Qt::PreciseTimer, &Context, std::move(call));
}

void TQtWindowCalls::Post(std::function<void()> call)
{
    QMetaObject::invokeMethod(&Context, std::move(call), Qt::QueuedConnection);
}

} // namespace stakor
