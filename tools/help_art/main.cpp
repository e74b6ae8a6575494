// stakor-help-art DATADIR: draws the pictures of the help pages into
// DATADIR/help/images and the program icon into DATADIR/icons, from the
// shipped default skin DATADIR/Skin/squares.bmp and background
// DATADIR/Background/bluewave.jpg. Nothing is random: running it again gives
// the same files.

#include <exception>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "canvas.h"
#include "glass/image_file.h"
#include "help_pictures.h"
#include "icon.h"

int main(int argc, char** argv)
{
    if (argc != 2 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
        std::cerr << "usage: stakor-help-art DATADIR\n"
                     "Reads DATADIR/Skin/squares.bmp and DATADIR/Background/bluewave.jpg;\n"
                     "writes DATADIR/help/images/*.png and DATADIR/icons/vexamo-stakor*.png.\n";
        return argc == 2 ? 0 : 2;
    }
    namespace fs = std::filesystem;
    using namespace stakor;
    try {
        const fs::path data(argv[1]);
        TBitmap skin;
        if (!LoadImageFile(data / "Skin" / "squares.bmp", skin)) {
            std::cerr << "stakor-help-art: cannot load " << (data / "Skin" / "squares.bmp").string() << '\n';
            return 1;
        }
        TBitmap background;
        if (!LoadImageFile(data / "Background" / "bluewave.jpg", background)) {
            std::cerr << "stakor-help-art: cannot load " << (data / "Background" / "bluewave.jpg").string() << '\n';
            return 1;
        }

        const fs::path images = data / "help" / "images";
        fs::create_directories(images);
        for (const auto& file : help_art::WriteHelpPictures(skin, background, images))
            std::cout << file.string() << '\n';

        const fs::path icons = data / "icons";
        fs::create_directories(icons);
        help_art::SavePng(help_art::ProgramIcon(skin, 256), icons / "vexamo-stakor.png");
        help_art::SavePng(help_art::ProgramIcon(skin, 48), icons / "vexamo-stakor-48.png");
        std::cout << (icons / "vexamo-stakor.png").string() << '\n'
                  << (icons / "vexamo-stakor-48.png").string() << '\n';
    } catch (const std::exception& error) {
        std::cerr << "stakor-help-art: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
