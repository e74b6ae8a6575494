#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace stakor::sim {

// Width of the cell skin that ships as the default: seven colours and the
// tile of the falling triangle.
inline constexpr int DefaultSkinWidth = 160;

struct TOptions {
    std::optional<uint32_t> Seed; // from the time of day when absent
    int32_t Style = 3;
    int32_t Level = 1;
    int32_t Trash = 0;
    int32_t Glass = 2;
    bool UpsideDown = false;
    bool Clockwise = false;
    int32_t SkinWidth = DefaultSkinWidth;
    std::optional<std::string> Records;
    std::string Player = "Player";
    std::string Script = "-"; // "-" is standard input
    bool Help = false;

    // Pictures.
    std::optional<std::string> Render; // BMP of the glass picture, written after the script
    std::optional<std::string> Panels; // folder for score.bmp, level.bmp, life.bmp, next.bmp
    std::optional<std::string> Skin; // the cell skin; its width replaces SkinWidth unless both are given
    bool SkinWidthGiven = false;
    std::optional<int32_t> BgColor; // 0x00BBGGRR
    std::optional<std::string> BgFile; // empty for none
    std::optional<bool> BgStretch;
    std::optional<bool> Grid;
    std::optional<int32_t> GridColor;
    bool ShowTime = false;
    bool Shadow = false; // the landing shadow in the glass picture
};

class TOptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the command line (without the program name). Throws TOptionError with
// a one-line message for anything it cannot take.
TOptions ParseOptions(const std::vector<std::string>& args);

extern const char* const Usage;

} // namespace stakor::sim
