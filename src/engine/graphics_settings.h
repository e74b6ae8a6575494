#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace stakor {

class TFigures;
class TGameRules;
class TIni;
class TPixelView;
struct TGame;

// The look of the glass as the graphics dialog edits it: working copies of
// six settings, stored together by Apply.
struct TGraphicsSettings {
    int32_t BgColor = 0;
    std::string BgFileName; // full path, a path relative to the program's folder, or empty
    bool BgStretch = false;
    std::string SkinFileName; // a file of the Skin folder
    int32_t GridColor = 0;
    bool ShowGrid = false;

    static TGraphicsSettings FromIni(const TIni& ini);
    bool operator==(const TGraphicsSettings&) const = default;
};

// What Apply does to the game: stores the six settings in their order, loads
// the skin (on failure its message, and the old skin stays), rebuilds the
// background (a picture that cannot be loaded is dropped from the settings),
// redraws the glass (a paused game dimmed, with its notice) and, while a game
// runs, the next figure in the new skin.
struct TGraphicsTargets {
    TIni& Ini;
    TPixelView& View;
    TGameRules& Rules;
    const TFigures& Figures;
    const TGame& Game;
};
void ApplyGraphicsSettings(const TGraphicsSettings& settings, const TGraphicsTargets& targets);

// The pictures of a folder a skin or background can be: files ending in
// ".bmp", ".jpg" or ".jpeg" in any case. Sorted without regard to case (then
// by bytes), so every machine lists them alike. A missing folder lists none.
std::vector<std::string> ListPictureFiles(const std::filesystem::path& folder);

} // namespace stakor
