#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "audio/audio_device.h"
#include "audio/sound_player.h"
#include "base/random.h"
#include "fake_window_calls.h"

namespace stakor {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const fs::path ShippedData = STAKOR_SOURCE_DATA_DIR;

void WriteBytes(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A standard MIDI file of one track: a piano note of a quarter second.
std::vector<uint8_t> ShortPiece()
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, 13, 0x00, 0x90, 60,
        100, 0x81, 0x70, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
}

// Every test gets SDL's dummy driver: it plays to nowhere, at the speed of a real card.
class AudioDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        Folder = fs::temp_directory_path() / ("stakor-audio-" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }

    fs::path Folder;
    TFakeWindowCalls Calls;
};

TEST_F(AudioDeviceTest, ShippedEffectsLoadAndANewOneReplacesThePlayingOne)
{
    TAudioDevice device(Calls, ShippedData / "Sound");
    device.WaitUntilReady();
    ASSERT_TRUE(device.DeviceOpen());
    for (size_t i = 0; i < SoundEffectNames.size(); ++i)
        EXPECT_TRUE(device.EffectLoaded(static_cast<TSoundEffect>(i))) << SoundEffectNames[i];

    // Four rows removed: four "line", each cutting the one before.
    for (int row = 0; row < 4; ++row) {
        device.PlayEffect(TSoundEffect::Line);
        EXPECT_EQ(device.PlayingEffect(), TSoundEffect::Line);
    }
    device.PlayEffect(TSoundEffect::Level);
    EXPECT_EQ(device.PlayingEffect(), TSoundEffect::Level);
    device.PlayEffect(TSoundEffect::Game);
    EXPECT_EQ(device.PlayingEffect(), TSoundEffect::Game);
}

TEST_F(AudioDeviceTest, PlaySoundOffPlaysNoEffect)
{
    fs::copy(ShippedData / "Sound", Folder / "Sound");
    TSoundPlayer sound(Calls, Folder);
    bool playSound = false;
    sound.Switches.PlaySound = [&] { return playSound; };
    sound.Device.WaitUntilReady();
    sound.PlaySoundEffect(TSoundEffect::Game);
    EXPECT_EQ(sound.Device.PlayingEffect(), std::nullopt);
    playSound = true;
    sound.PlaySoundEffect(TSoundEffect::Game);
    EXPECT_EQ(sound.Device.PlayingEffect(), TSoundEffect::Game);
}

TEST_F(AudioDeviceTest, MissingAndBrokenEffectsStaySilentAndQuiet)
{
    const auto good = ReadBytes(ShippedData / "Sound" / "line.wav");
    WriteBytes(Folder / "Sound" / "line.wav", good);
    WriteBytes(Folder / "Sound" / "fall.wav", {});
    WriteBytes(Folder / "Sound" / "rotate.wav", std::vector<uint8_t>(good.begin(), good.begin() + 30));
    WriteBytes(Folder / "Sound" / "drop.wav", std::vector<uint8_t>(5000, 0xA5));
    auto lying = good; // a header that claims far more data than there is
    lying[40] = lying[41] = lying[42] = 0xFF;
    lying[43] = 0x7F;
    lying.resize(200);
    WriteBytes(Folder / "Sound" / "stop.wav", lying);

    testing::internal::CaptureStderr();
    {
        TAudioDevice device(Calls, Folder / "Sound");
        device.WaitUntilReady();
        ASSERT_TRUE(device.DeviceOpen());
        EXPECT_TRUE(device.EffectLoaded(TSoundEffect::Line));
        for (TSoundEffect effect :
            {TSoundEffect::Fall, TSoundEffect::Rotate, TSoundEffect::Drop, TSoundEffect::Pause}) {
            EXPECT_FALSE(device.EffectLoaded(effect));
            device.PlayEffect(effect);
            EXPECT_EQ(device.PlayingEffect(), std::nullopt);
        }
        device.PlayEffect(TSoundEffect::Stop); // whatever the loader made of it, nothing breaks
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(AudioDeviceTest, OnlyWellFormedMidiFilesAreAccepted)
{
    const auto piece = ShortPiece();
    EXPECT_TRUE(TAudioDevice::LooksLikeMidi(piece));
    EXPECT_FALSE(TAudioDevice::LooksLikeMidi({}));
    EXPECT_FALSE(TAudioDevice::LooksLikeMidi(std::vector<uint8_t>(piece.begin(), piece.end() - 1))) << "truncated";
    auto wrongMagic = piece;
    wrongMagic[0] = 'X';
    EXPECT_FALSE(TAudioDevice::LooksLikeMidi(wrongMagic));
    auto overrun = piece;
    overrun[21] = 200; // a track longer than the file
    EXPECT_FALSE(TAudioDevice::LooksLikeMidi(overrun));
    auto format2 = piece;
    format2[9] = 2;
    EXPECT_FALSE(TAudioDevice::LooksLikeMidi(format2));
    auto moreTracks = piece;
    moreTracks[11] = 2; // two tracks promised, one present
    EXPECT_FALSE(TAudioDevice::LooksLikeMidi(moreTracks));
    auto hugeHeader = piece;
    hugeHeader[4] = 0xFF;
    EXPECT_FALSE(TAudioDevice::LooksLikeMidi(hugeHeader));

    for (int n = 1; n <= 8; ++n)
        EXPECT_TRUE(TAudioDevice::LooksLikeMidi(ReadBytes(ShippedData / "Music" / (std::to_string(n) + ".mid")))) << n;
}

TEST_F(AudioDeviceTest, InstrumentsAreReadFromThePieces)
{
    // A tempo, a system exclusive message, a program change, notes in running
    // status, and a kit chosen on the drum channel.
    const std::vector<uint8_t> piece = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k', 0,
        0, 0, 29, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xF0, 0x02, 0x7E, 0xF7, 0x00, 0xC0, 73, 0x00, 0x90,
        60, 100, 0x10, 62, 100, 0x00, 0xC9, 25, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(TAudioDevice::ProgramsOf(piece), (std::set<std::pair<int, int>>{{0, 73}, {128, 25}}));
    EXPECT_TRUE(TAudioDevice::ProgramsOf(ShortPiece()).empty());

    // Every cut of it and every byte changed stays inside the data.
    for (size_t size = 0; size < piece.size(); ++size)
        TAudioDevice::ProgramsOf(
            std::vector<uint8_t>(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(size)));
    for (size_t i = 22; i < piece.size(); ++i)
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
            auto changed = piece;
            changed[i] = value;
            TAudioDevice::ProgramsOf(changed);
        }

    std::set<std::pair<int, int>> shipped;
    for (int n = 1; n <= 8; ++n)
        shipped.merge(TAudioDevice::ProgramsOf(ReadBytes(ShippedData / "Music" / (std::to_string(n) + ".mid"))));
    EXPECT_GE(shipped.size(), 20u) << "the pieces use many instruments";
    EXPECT_LE(shipped.size(), 48u) << "more than the synthesizer keeps ready";
}

TEST_F(AudioDeviceTest, SoundFontComesFromTheOverrideFirst)
{
    setenv("STAKOR_SOUNDFONT", "/somewhere/else.sf2", 1);
    EXPECT_EQ(TAudioDevice::FindSoundFont(), fs::path("/somewhere/else.sf2"));
    unsetenv("STAKOR_SOUNDFONT");
    const fs::path found = TAudioDevice::FindSoundFont();
    if (!found.empty()) {
        EXPECT_TRUE(fs::is_regular_file(found));
    }
}

class MusicTest : public AudioDeviceTest {
protected:
    // A program folder whose eight pieces are all the given bytes.
    void MakeMusic(const std::vector<uint8_t>& bytes)
    {
        for (int n = 1; n <= 8; ++n)
            WriteBytes(Folder / "Music" / (std::to_string(n) + ".mid"), bytes);
    }
    static fs::path SoundFont()
    {
        const fs::path font = TAudioDevice::FindSoundFont();
        return fs::is_regular_file(font) ? font : fs::path();
    }
};

TEST_F(MusicTest, APieceThatEndsBringsTheNextThroughThePostedCall)
{
    if (SoundFont().empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    MakeMusic(ShortPiece());
    TRandom random(7);
    TSoundPlayer sound(Calls, Folder, SoundFont());
    sound.Switches.PlayMusic = [] { return true; };
    sound.Switches.Random = [&](int32_t n) { return random.Random(n); };

    sound.StartMusic(); // before the SoundFont is ready: the piece waits for it
    Calls.FireDelayed();
    ASSERT_TRUE(sound.Music.MusicOpen());
    const uint64_t first = sound.Music.Piece();
    ASSERT_TRUE(Calls.RunPostedUntil([&] { return sound.Music.Piece() >= first + 2; }, 10s))
        << "each quarter-second piece ends and the next follows";
    EXPECT_TRUE(sound.Device.SoundFontLoaded());
    EXPECT_TRUE(sound.Music.MusicOpen());

    sound.StopMusic();
    const uint64_t stopped = sound.Music.Piece();
    Calls.RunPostedUntil([] { return false; }, 600ms);
    EXPECT_EQ(sound.Music.Piece(), stopped) << "a stopped piece brings no next one";
    EXPECT_FALSE(sound.Music.MusicOpen());
}

TEST_F(MusicTest, BrokenPiecesAreSilentAndQuiet)
{
    if (SoundFont().empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    testing::internal::CaptureStderr();
    {
        MakeMusic({'M', 'T', 'h', 'd', 0, 0});
        TSoundPlayer sound(Calls, Folder, SoundFont());
        sound.Switches.PlayMusic = [] { return true; };
        sound.Device.WaitUntilReady();
        sound.StartMusic();
        Calls.FireDelayed();
        EXPECT_FALSE(sound.Music.MusicOpen()) << "a truncated file does not open: idle again";
        EXPECT_FALSE(sound.Music.Armed());

        // Well formed on the outside, with an empty track: it ends at once and is no real end.
        MakeMusic({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, 0});
        sound.StartMusic();
        Calls.FireDelayed();
        ASSERT_TRUE(sound.Music.MusicOpen());
        const uint64_t piece = sound.Music.Piece();
        Calls.RunPostedUntil([] { return false; }, 500ms);
        EXPECT_EQ(sound.Music.Piece(), piece) << "no piece after piece in a loop";

        fs::remove_all(Folder / "Music");
        sound.StopMusic();
        sound.StartMusic();
        Calls.FireDelayed();
        EXPECT_FALSE(sound.Music.MusicOpen());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(MusicTest, ASoundFontThatFailsToLoadLeavesTheMusicIdle)
{
    MakeMusic(ShortPiece());
    WriteBytes(Folder / "broken.sf2", {'R', 'I', 'F', 'F', 1, 2, 3});
    testing::internal::CaptureStderr();
    {
        TSoundPlayer sound(Calls, Folder, Folder / "broken.sf2");
        sound.Switches.PlayMusic = [] { return true; };
        sound.Device.WaitUntilReady();
        EXPECT_FALSE(sound.Device.SoundFontLoaded());
        sound.StartMusic();
        Calls.FireDelayed();
        EXPECT_FALSE(sound.Music.MusicOpen());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
} // namespace stakor
