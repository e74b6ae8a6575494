#pragma once

#include <string>

#include "glass/bitmap.h"

namespace stakor {

struct TGame;

enum class TPanel { Score, Level, Life, Next };

// Where the finished pictures go: the window, or nowhere at all.
class IDisplay {
public:
    virtual ~IDisplay() = default;
    // Shows the glass picture at its place in the window, at once.
    virtual void ShowGlass(const TBitmap& glass) = 0;
    virtual void ShowPanel(TPanel panel, const TBitmap& picture) = 0;
    virtual void ShowLineCounts(const TGame& game) = 0;
    // Holds the window thread for an animation; what was shown stays visible.
    virtual void Wait(int ms) = 0;
};

// Message boxes with an OK button.
class IMessages {
public:
    virtual ~IMessages() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption, bool error) = 0;
};

} // namespace stakor
