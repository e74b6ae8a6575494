#include "simulator.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "state_json.h"

#include <QGuiApplication>

#include "engine/graphics_settings.h"
#include "glass/glass_painter.h"
#include "glass/image_file.h"
#include "settings/paths.h"

namespace stakor::sim {

namespace {

void AppendFlag(std::string& s, const char* key, bool value)
{
    s += '"';
    s += key;
    s += value ? "\":true," : "\":false,";
}

void AppendNumber(std::string& s, const char* key, long long value)
{
    s += '"';
    s += key;
    s += "\":";
    s += std::to_string(value);
    s += ',';
}

void AppendFigure(std::string& s, const char* key, const TFigure& f)
{
    s += '"';
    s += key;
    s += "\":{";
    AppendNumber(s, "number", f.Number);
    AppendNumber(s, "rotation", f.Rotation);
    AppendNumber(s, "x", f.X);
    AppendNumber(s, "y", f.Y);
    AppendNumber(s, "color", f.Color);
    s += f.FallsThrough ? "\"fallsThrough\":true}," : "\"fallsThrough\":false},";
}

constexpr char HexDigits[] = "0123456789abcdef";

} // namespace

TSimulator::TSimulator(const TOptions& options, const std::filesystem::path& programDir)
    : Options(options),
      Ini(std::nullopt),
      Lang(Ini, {}),
      Random_(options.Seed ? *options.Seed : TRandom::SeedFromTimeOfDay()),
      Glass_(Random_),
      View_({Glass_, Game_, Ini, Lang, Images, *this, *this, programDir}),
      Clock(Timer),
      Figures_(Glass_, Random_, Ini, View_, *this),
      Records_(Random_, options.Records ? std::optional<std::filesystem::path>(*options.Records) : std::nullopt),
      Rules({Game_, Figures_, Glass_, Clock, Ini, View_, *this, Records_, *this, Lang}),
      Control({Rules, Game_, Figures_, Ini, Lang, *this, View_, *this})
{
    Ini.SetGameStyle(options.Style);
    Ini.SetStartingLevel(options.Level);
    Ini.SetGlassTrash(options.Trash);
    Ini.SetGlassMode(options.Glass);
    Ini.SetUpSideDownMode(options.UpsideDown);
    Ini.SetFigureRotateClockWise(options.Clockwise);
    // With --skin-width as well, the game starts with a skin of that width
    // and the script word "skin" changes to the file, as in mid-game.
    const std::optional<std::string> skinFile =
        options.Skin ? std::optional(std::filesystem::absolute(*options.Skin).string()) : std::nullopt;
    if (skinFile && !options.SkinWidthGiven)
        Ini.SetGlassFontFileName(*skinFile);
    if (options.BgColor)
        Ini.SetGlassBgColor(*options.BgColor);
    if (options.BgFile)
        Ini.SetGlassBgFileName(options.BgFile->empty() ? "" : std::filesystem::absolute(*options.BgFile).string());
    if (options.BgStretch)
        Ini.SetGlassBgStretch(*options.BgStretch);
    if (options.Grid)
        Ini.SetGlassShowGrid(*options.Grid);
    if (options.GridColor)
        Ini.SetGlassGridColor(*options.GridColor);
    Ini.SetGlassShowTime(options.ShowTime);
    Ini.SetShowShadow(options.Shadow);

    // Start-up as the program does it: the glass in its normal size, the game
    // state, then the window, which switches to the stored size.
    Rules.ApplyMode(2);
    Rules.InitGame();
    for (const std::string& name : LoadImageSet(Images, options.Glass))
        ShowMessage("built-in picture " + name + " is missing", "Error", true);
    if (options.Glass != 2)
        Control.SetMode(options.Glass);
    // Only the skin's width matters to the rules: without the shipped skin
    // they still see the width it has.
    if (options.SkinWidthGiven || (!options.Skin && Glass_.SkinWidth() == 0))
        Glass_.SetSkin(SkinOfWidth(Glass_.Skin(), options.SkinWidth));
    if (skinFile)
        Ini.SetGlassFontFileName(*skinFile);
    View_.InitLifeBar();
}

void TSimulator::ShowMessage(const std::string& text, const std::string& caption, bool)
{
    // Texts come from a language pack, which the simulator does not load.
    std::cerr << "stakor-sim: "
              << (caption.empty() && text.empty() ? "the cell skin could not be loaded" : caption + ": " + text)
              << '\n';
}

bool TSimulator::WritePictures(std::ostream& err) const
{
    bool written = true;
    const auto write = [&](const std::filesystem::path& file, const TBitmap& bitmap) {
        if (!WriteBmpFile(file, bitmap)) {
            err << "stakor-sim: cannot write " << file.string() << '\n';
            written = false;
        }
    };
    if (Options.Render)
        write(*Options.Render, Glass_.Bitmap);
    if (Options.Panels) {
        const std::filesystem::path folder(*Options.Panels);
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        write(folder / "score.bmp", View_.ScoreImage());
        write(folder / "level.bmp", View_.LevelImage());
        write(folder / "life.bmp", View_.LifeImage());
        write(folder / "next.bmp", View_.NextFigImage());
    }
    return written;
}

TBitmap SkinOfWidth(const TBitmap& base, int width)
{
    TBitmap skin(width, 20);
    const int tiles = width / 20;
    // A skin under 20 pixels high has no whole tile to repeat: the skin
    // loader takes such a picture, so every tile reads as missing then.
    const int baseTiles = base.Height >= 20 ? base.Width / 20 : 0;
    const int baseOrdinary = base.Height >= 20 ? std::max(0, (base.Width - 1) / 20) : 0;
    for (int tile = 0; tile < tiles; ++tile) {
        const int source = tile == tiles - 1 || baseOrdinary == 0 ? baseTiles - 1 : tile % baseOrdinary;
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i)
                skin.SetPixel(20 * tile + i, j, source >= 0 ? base.Pixel(20 * source + i, j) : MissingTilePixel);
    }
    return skin;
}

void TSimulator::PlaySoundEffect(TSoundEffect effect)
{
    Sounds.push_back(SoundEffectName(effect));
}

std::string TSimulator::InputName(const std::string&, const std::string&, const std::string&)
{
    return Options.Player;
}

bool TSimulator::Command(std::string_view word)
{
    if (word == "start")
        Control.StartGameMenuItemClick();
    else if (word == "tick")
        Rules.Tick();
    else if (word == "left")
        Control.LeftKey();
    else if (word == "right")
        Control.RightKey();
    else if (word == "up")
        Control.UpKey(false, Ini.FigureRotateClockWise());
    else if (word == "shift-up")
        Control.UpKey(true, Ini.FigureRotateClockWise());
    else if (word == "drop") {
        Control.DropKeyPress();
        Control.DropKeyRelease();
    } else if (word == "drop-press")
        Control.DropKeyPress();
    else if (word == "drop-release")
        Control.DropKeyRelease();
    else if (word == "pause")
        Control.PauseMenuItemClick();
    else if (word == "skin") // the graphics dialog's Apply, unchanged but for the skin it loads
        ApplyGraphicsSettings(TGraphicsSettings::FromIni(Ini), {Ini, View_, Rules, Figures_, Game_});
    else
        return false;
    return true;
}

std::string TSimulator::StateLine(bool withRecords)
{
    std::string s;
    s.reserve(withRecords ? 6000 : 4000);
    s += '{';
    AppendFlag(s, "running", Game_.Running);
    AppendFlag(s, "paused", Game_.Paused);
    AppendFlag(s, "dropping", Figures_.Dropping);
    AppendFlag(s, "stepped", Figures_.Stepped);
    AppendFlag(s, "dropKeyDown", Control.DropKeyDown);
    AppendFlag(s, "clock", Clock.Running());
    AppendFlag(s, "overflow", Glass_.Overflow);
    AppendNumber(s, "timeMs", Game_.TimeMs);
    AppendNumber(s, "period", Clock.Period);
    AppendNumber(s, "level", Game_.Level);
    AppendNumber(s, "levelLines", Game_.LevelLines);
    AppendNumber(s, "singles", Game_.Singles);
    AppendNumber(s, "doubles", Game_.Doubles);
    AppendNumber(s, "triples", Game_.Triples);
    AppendNumber(s, "quadruples", Game_.Quadruples);
    AppendNumber(s, "quintuples", Game_.Quintuples);
    AppendNumber(s, "totalLines", Game_.TotalLines);
    AppendNumber(s, "score", Game_.Score);
    AppendNumber(s, "seed", Random_.Seed);
    AppendFigure(s, "current", Figures_.Current);
    AppendFigure(s, "next", Figures_.Next);

    s += "\"glass\":[";
    for (int y = 1 - TGlass::HiddenRows; y <= Glass_.Height(); ++y) {
        s += y == 1 - TGlass::HiddenRows ? "\"" : ",\"";
        for (int x = 1; x <= Glass_.Width(); ++x)
            s += HexDigits[Glass_.Cell(x, y).Mask & 15];
        s += '"';
    }
    s += "],\"colors\":[";
    for (int y = 1 - TGlass::HiddenRows; y <= Glass_.Height(); ++y) {
        s += y == 1 - TGlass::HiddenRows ? "\"" : ",\"";
        for (int x = 1; x <= Glass_.Width(); ++x)
            for (const uint8_t color : Glass_.Cell(x, y).Colors) {
                s += HexDigits[color >> 4];
                s += HexDigits[color & 15];
            }
        s += '"';
    }
    s += "],\"sounds\":[";
    for (size_t i = 0; i < Sounds.size(); ++i) {
        s += i == 0 ? "\"" : ",\"";
        s += Sounds[i];
        s += '"';
    }
    Sounds.clear();
    s += ']';

    if (withRecords) {
        s += ",\"records\":[";
        for (int style = 1; style <= TRecords::Styles; ++style) {
            s += style == 1 ? "[" : ",[";
            for (int rank = 1; rank <= TRecords::Places; ++rank) {
                const THighScoreEntry entry = Records_.Entry(style, rank);
                s += rank == 1 ? "[" : ",[";
                s += JsonString(entry.Name);
                s += ',';
                s += std::to_string(entry.Score);
                s += ']';
            }
            s += ']';
        }
        s += ']';
    }
    s += '}';
    return s;
}

int RunScript(TSimulator& simulator, std::istream& script, std::ostream& out, std::ostream& err)
{
    long long line = 1;
    long long column = 0;
    long long words = 0;
    std::string word;
    long long wordLine = 0;
    long long wordColumn = 0;

    // Words are carried out as soon as they are complete, so that a program
    // can drive the simulator through a pipe.
    const auto finishWord = [&]() -> bool {
        if (word.empty())
            return true;
        ++words;
        bool known = true;
        if (word == "state") {
            out << simulator.StateLine(false) << '\n';
            out.flush();
        } else {
            try {
                known = simulator.Command(word);
            } catch (const std::exception& error) {
                // The game goes on after a failed write, as the window's does.
                err << "stakor-sim: " << error.what() << '\n';
            }
        }
        if (!known) {
            err << "stakor-sim: unknown word '" << word << "' at line " << wordLine << ", column " << wordColumn
                << " (word " << words << ")\n";
            return false;
        }
        word.clear();
        return true;
    };

    bool comment = false;
    for (int c = script.get(); c != std::char_traits<char>::eof(); c = script.get()) {
        ++column;
        if (c == '\n') {
            if (!finishWord())
                return 2;
            comment = false;
            ++line;
            column = 0;
        } else if (comment) {
            continue;
        } else if (c == '#') {
            if (!finishWord())
                return 2;
            comment = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
            if (!finishWord())
                return 2;
        } else {
            if (word.empty()) {
                wordLine = line;
                wordColumn = column;
            }
            word += static_cast<char>(c);
        }
    }
    if (!finishWord())
        return 2;
    out << simulator.StateLine(true) << '\n';
    out.flush();
    return 0;
}

int Main(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    TOptions options;
    try {
        options = ParseOptions(args);
    } catch (const TOptionError& error) {
        err << "stakor-sim: " << error.what() << '\n';
        return 2;
    }
    if (options.Help) {
        out << Usage;
        return 0;
    }

    std::ifstream file;
    std::istream* script = &in;
    if (options.Script != "-") {
        file.open(options.Script, std::ios::binary);
        if (!file) {
            err << "stakor-sim: cannot read script " << options.Script << '\n';
            return 2;
        }
        script = &file;
    }

    if (options.Skin) {
        TBitmap skin;
        if (!LoadImageFile(*options.Skin, skin)) {
            err << "stakor-sim: --skin: cannot load " << *options.Skin << '\n';
            return 2;
        }
    }

    // The time box's text needs Qt's fonts, which need an application object.
    std::unique_ptr<QGuiApplication> application;
    if (options.ShowTime && QGuiApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "stakor-sim";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);
    }

    TSimulator simulator(options, FindProgramDir());
    const int status = RunScript(simulator, *script, out, err);
    if (status == 0 && !simulator.WritePictures(err))
        return 1;
    return status;
}

} // namespace stakor::sim
