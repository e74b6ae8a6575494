#include "engine/graphics_settings.h"

#include <algorithm>
#include <system_error>

#include "engine/figures.h"
#include "engine/game.h"
#include "engine/pixel_view.h"
#include "settings/ini.h"

namespace stakor {

namespace {

namespace fs = std::filesystem;

std::string AsciiUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsPictureName(const std::string& name)
{
    const std::string upper = AsciiUpper(name);
    for (const std::string_view extension : {".BMP", ".JPG", ".JPEG"})
        if (upper.size() > extension.size() && upper.ends_with(extension))
            return true;
    return false;
}

} // namespace

TGraphicsSettings TGraphicsSettings::FromIni(const TIni& ini)
{
    return {ini.GlassBgColor(), ini.GlassBgFileName(), ini.GlassBgStretch(), ini.GlassFontFileName(),
        ini.GlassGridColor(), ini.GlassShowGrid()};
}

void ApplyGraphicsSettings(const TGraphicsSettings& settings, const TGraphicsTargets& targets)
{
    TIni& ini = targets.Ini;
    ini.SetGlassBgColor(settings.BgColor);
    ini.SetGlassBgFileName(settings.BgFileName);
    ini.SetGlassBgStretch(settings.BgStretch);
    ini.SetGlassFontFileName(settings.SkinFileName);
    ini.SetGlassGridColor(settings.GridColor);
    ini.SetGlassShowGrid(settings.ShowGrid);
    targets.View.LoadSkin();
    targets.View.BuildBackground();
    targets.Rules.DrawGlass();
    if (targets.Game.Running)
        targets.View.DrawNextFigure(targets.Figures.Next);
}

std::vector<std::string> ListPictureFiles(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code statusEc;
        if (!it->is_regular_file(statusEc))
            continue;
        std::string name = it->path().filename().string();
        if (IsPictureName(name))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ua = AsciiUpper(a), ub = AsciiUpper(b);
        return ua != ub ? ua < ub : a < b;
    });
    return names;
}

} // namespace stakor
