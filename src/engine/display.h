#pragma once

#include <string>

#include "glass/bitmap.h"

namespace stakor {

struct TGame;

enum class TPanel { Score, Level, Life, Next };

// A rectangle of pixels: Left and Top included, Right and Bottom not.
struct TPixelRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    bool Empty() const { return Right <= Left || Bottom <= Top; }
    void Add(const TPixelRect& other)
    {
        if (other.Empty())
            return;
        if (Empty()) {
            *this = other;
            return;
        }
        Left = Left < other.Left ? Left : other.Left;
        Top = Top < other.Top ? Top : other.Top;
        Right = Right > other.Right ? Right : other.Right;
        Bottom = Bottom > other.Bottom ? Bottom : other.Bottom;
    }
};

// Where the finished pictures go: the window, or nowhere at all.
class IDisplay {
public:
    virtual ~IDisplay() = default;
    // Shows the glass picture at its place in the window, at once; only the
    // part `changed` differs from what the window shows.
    virtual void ShowGlass(const TBitmap& glass, const TPixelRect& changed) = 0;
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
