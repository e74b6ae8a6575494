// Writes the eight pieces of the game's music as standard MIDI files,
// data/Music/1.mid to 8.mid. The same files on every run.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "pieces.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATA-FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Music";
    std::filesystem::create_directories(folder);
    using TMaker = music::TSong (*)();
    const TMaker pieces[] = {music::OdeToJoy, music::MountainHall, music::Minuet, music::Largo, music::Greensleeves,
        music::GlassRain, music::NightShift, music::TriangleMarch};
    try {
        int number = 1;
        for (TMaker make : pieces) {
            const music::TSong song = make();
            const auto file = folder / (std::to_string(number) + ".mid");
            if (!song.Write(file)) {
                std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
                return 1;
            }
            std::printf("%d.mid: %.0f s\n", number, song.Seconds());
            ++number;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
