// stakor-field-art OUTDIR: draws the cell skins and glass backgrounds that
// ship with the game into OUTDIR/Skin and OUTDIR/Background. Every picture is
// computed from fixed seeds, so running it again gives the same files.

#include <exception>
#include <filesystem>
#include <iostream>
#include <string_view>

#include <QGuiApplication>

#include "backgrounds.h"
#include "skins.h"

int main(int argc, char** argv)
{
    if (argc != 2 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
        std::cerr << "usage: stakor-field-art OUTDIR\n"
                     "Writes OUTDIR/Skin/*.bmp and OUTDIR/Background/*.\n";
        return argc == 2 ? 0 : 2;
    }
    // Nothing is ever shown; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    try {
        const std::filesystem::path out(argv[1]);
        std::filesystem::create_directories(out / "Skin");
        std::filesystem::create_directories(out / "Background");
        for (const auto& file : stakor::field_art::WriteSkins(out / "Skin")) {
            std::cout << file.string() << '\n';
        }
        for (const auto& file : stakor::field_art::WriteBackgrounds(out / "Background")) {
            std::cout << file.string() << '\n';
        }
    } catch (const std::exception& error) {
        std::cerr << "stakor-field-art: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
