#include "options.h"

#include <charconv>
#include <limits>

namespace stakor::sim {

const char* const Usage = "Usage: stakor-sim [options] [SCRIPT]\n"
                          "Plays the game without a window from a script (a file, or standard input\n"
                          "when SCRIPT is absent or -) and prints its state as lines of JSON.\n"
                          "\n"
                          "Options:\n"
                          "  --seed N          random seed at start, 0..4294967295 (default: time of day)\n"
                          "  --style N         game style 1..5 (default 3)\n"
                          "  --level N         starting level 1..15 (default 1)\n"
                          "  --trash N         rows of trash (default 0)\n"
                          "  --glass N         2 normal glass, 3 big glass (default 2)\n"
                          "  --upside-down     upside-down mode\n"
                          "  --clockwise       the Up key turns clockwise\n"
                          "  --skin-width W    width of the cell skin in pixels (default 160)\n"
                          "  --records FILE    high-score file to read and write\n"
                          "  --player NAME     the name given at a new high score (default Player)\n"
                          "  --render FILE     after the script, write the glass picture as a BMP file\n"
                          "  --panels DIR      after the script, write score.bmp, level.bmp, life.bmp\n"
                          "                    and next.bmp into DIR\n"
                          "  --skin FILE       the cell skin (default: the shipped squares.bmp); with\n"
                          "                    --skin-width, the word skin changes to it in mid-game\n"
                          "  --bg-color C      background colour 0xBBGGRR (default 0x333333)\n"
                          "  --bg-file FILE    background picture, empty for none (default: the shipped one)\n"
                          "  --bg-stretch 0|1  stretch the picture, else tile it (default 1)\n"
                          "  --grid 0|1        grid lines (default 1)\n"
                          "  --grid-color C    grid colour 0xBBGGRR (default 0x808080)\n"
                          "  --show-time       the playing time in the glass\n"
                          "  --shadow          the landing shadow in the glass\n"
                          "\n"
                          "Script words: start tick left right up shift-up drop drop-press\n"
                          "drop-release pause skin state; # starts a comment.\n";

namespace {

template <typename T> T ParseNumber(const std::string& option, const std::string& text, T low, T high)
{
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last)
        throw TOptionError(option + ": not a number: '" + text + "'");
    if (value < static_cast<long long>(low) || value > static_cast<long long>(high))
        throw TOptionError(option + ": " + text + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    return static_cast<T>(value);
}

int32_t ParseColor(const std::string& option, const std::string& text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        unsigned long long value = 0;
        const char* last = text.data() + text.size();
        const auto [end, error] = std::from_chars(text.data() + 2, last, value, 16);
        if (error != std::errc() || end != last || value > 0xFFFFFFFFull)
            throw TOptionError(option + ": not a colour: '" + text + "'");
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    return static_cast<int32_t>(ParseNumber<uint32_t>(option, text, 0, 0xFFFFFFFFu));
}

bool ParseFlag(const std::string& option, const std::string& text)
{
    if (text != "0" && text != "1")
        throw TOptionError(option + ": expected 0 or 1, got '" + text + "'");
    return text == "1";
}

} // namespace

TOptions ParseOptions(const std::vector<std::string>& args)
{
    TOptions options;
    bool scriptGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            if (const size_t eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        const auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                throw TOptionError(arg + ": missing value");
            return args[++i];
        };
        const auto flag = [&]() {
            if (inlineValue)
                throw TOptionError(arg + ": takes no value");
        };

        if (arg == "--seed")
            options.Seed = ParseNumber<uint32_t>(arg, value(), 0, std::numeric_limits<uint32_t>::max());
        else if (arg == "--style")
            options.Style = ParseNumber<int32_t>(arg, value(), 1, 5);
        else if (arg == "--level")
            options.Level = ParseNumber<int32_t>(arg, value(), 1, 15);
        else if (arg == "--trash")
            options.Trash = ParseNumber<int32_t>(
                arg, value(), std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
        else if (arg == "--glass") {
            options.Glass = ParseNumber<int32_t>(arg, value(), 2, 3);
        } else if (arg == "--upside-down") {
            flag();
            options.UpsideDown = true;
        } else if (arg == "--clockwise") {
            flag();
            options.Clockwise = true;
        } else if (arg == "--skin-width") {
            // A generous bound; the skin is made in memory at this width.
            options.SkinWidth = ParseNumber<int32_t>(arg, value(), 0, 1000000);
            options.SkinWidthGiven = true;
        } else if (arg == "--render")
            options.Render = value();
        else if (arg == "--panels")
            options.Panels = value();
        else if (arg == "--skin")
            options.Skin = value();
        else if (arg == "--bg-color")
            options.BgColor = ParseColor(arg, value());
        else if (arg == "--bg-file")
            options.BgFile = value();
        else if (arg == "--bg-stretch")
            options.BgStretch = ParseFlag(arg, value());
        else if (arg == "--grid")
            options.Grid = ParseFlag(arg, value());
        else if (arg == "--grid-color")
            options.GridColor = ParseColor(arg, value());
        else if (arg == "--show-time") {
            flag();
            options.ShowTime = true;
        } else if (arg == "--shadow") {
            flag();
            options.Shadow = true;
        } else if (arg == "--records") {
            options.Records = value();
            if (options.Records->empty())
                throw TOptionError("--records: empty file name");
        } else if (arg == "--player") {
            options.Player = value();
            if (options.Player.empty() || options.Player.size() > 20)
                throw TOptionError("--player: the name must have 1 to 20 characters");
        } else if (arg == "--help" || arg == "-h") {
            flag();
            options.Help = true;
        } else if (arg == "-" || arg.empty() || arg[0] != '-') {
            if (scriptGiven)
                throw TOptionError("more than one script: '" + arg + "'");
            options.Script = arg;
            scriptGiven = true;
        } else {
            throw TOptionError("unknown option: " + arg);
        }
    }
    return options;
}

} // namespace stakor::sim
