#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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

// A RIFF/WAVE file of 16-bit mono samples at 22050 Hz: a tone of `ms` milliseconds.
std::vector<uint8_t> ToneWave(int ms)
{
    const uint32_t frames = 22050u * static_cast<uint32_t>(ms) / 1000;
    auto put32 = [](std::vector<uint8_t>& d, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            d.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    std::vector<uint8_t> wave = {'R', 'I', 'F', 'F'};
    put32(wave, 36 + frames * 2);
    wave.insert(wave.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0});
    put32(wave, 22050);
    put32(wave, 44100);
    wave.insert(wave.end(), {2, 0, 16, 0, 'd', 'a', 't', 'a'});
    put32(wave, frames * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<int16_t>(8000 * std::sin(i * 0.1));
        wave.push_back(static_cast<uint8_t>(sample & 0xFF));
        wave.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
    }
    return wave;
}

// Waits for the device's loader, at most `limit`.
bool ReadyWithin(TAudioDevice& device, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!device.DeviceOpen() && !device.SoundFontLoaded() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    return device.DeviceOpen();
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

TEST_F(AudioDeviceTest, OnlyWaveDataBecomesAnEffectAndNoEffectIsLong)
{
    // One note of about 78 hours in a standard MIDI file, named like an effect:
    // a decoder of every format would render it whole.
    const std::vector<uint8_t> endlessNote = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x00, 0x60, 'M', 'T', 'r',
        'k', 0, 0, 0, 15, 0x00, 0x90, 60, 100, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    ASSERT_EQ(endlessNote.size(), 37u);
    WriteBytes(Folder / "Sound" / "game.wav", endlessNote);
    WriteBytes(Folder / "Sound" / "level.wav", ToneWave(10000));
    WriteBytes(Folder / "Sound" / "line.wav", ToneWave(300));
    auto notWave = ToneWave(300); // RIFF, but not WAVE
    std::copy_n("AVI ", 4, notWave.begin() + 8);
    WriteBytes(Folder / "Sound" / "fall.wav", notWave);
    ASSERT_EQ(::mkfifo((Folder / "Sound" / "drop.wav").c_str(), 0600), 0);

    TAudioDevice device(Calls, Folder / "Sound");
    ASSERT_TRUE(ReadyWithin(device, 10s)) << "the effects load at once, whatever the files hold";
    EXPECT_FALSE(device.EffectLoaded(TSoundEffect::Game));
    EXPECT_FALSE(device.EffectLoaded(TSoundEffect::Fall));
    EXPECT_FALSE(device.EffectLoaded(TSoundEffect::Drop));
    EXPECT_EQ(device.EffectDuration(TSoundEffect::Level), std::chrono::milliseconds(TAudioDevice::LongestEffectMs));
    EXPECT_NEAR(device.EffectDuration(TSoundEffect::Line).count(), 300, 2);
    EXPECT_TRUE(TAudioDevice::LooksLikeWave(ToneWave(1)));
    EXPECT_FALSE(TAudioDevice::LooksLikeWave(endlessNote));
}

TEST_F(AudioDeviceTest, SilenceClosesTheDeviceAndAnEffectOpensItAgainFromItsStart)
{
    TAudioDevice device(Calls, ShippedData / "Sound");
    device.WaitUntilReady();
    ASSERT_TRUE(device.DeviceOpen());
    const auto closed = [&](std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (device.DeviceRunning() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(10ms);
        return !device.DeviceRunning();
    };
    ASSERT_TRUE(closed(std::chrono::milliseconds(TAudioDevice::HoldMs) + 3s)) << "nothing plays: the device closes";

    for (TSoundEffect effect : {TSoundEffect::Rotate, TSoundEffect::Level}) {
        const auto asked = std::chrono::steady_clock::now();
        device.PlayEffect(effect);
        EXPECT_EQ(device.PlayingEffect(), effect);
        const auto end = asked + 2s;
        while (device.LastEffectStart() < asked && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(1ms);
        ASSERT_GE(device.LastEffectStart(), asked) << "the effect's first samples reached the device";
        EXPECT_TRUE(device.DeviceRunning());
        // It plays whole: nothing of it was spent while the device was closed.
        std::this_thread::sleep_for(device.EffectDuration(effect) / 2);
        EXPECT_EQ(device.PlayingEffect(), effect);
        ASSERT_TRUE(closed(std::chrono::milliseconds(TAudioDevice::HoldMs) + device.EffectDuration(effect) + 3s));
        EXPECT_EQ(device.PlayingEffect(), std::nullopt);
    }
}

TEST_F(AudioDeviceTest, ClosingNeverWaitsForALoaderThatHangs)
{
    // A sound server that takes the connection and never answers keeps the
    // loader waiting; the program must end anyway. In a child process, so
    // the loader left behind ends with it.
    const fs::path socketPath = Folder / "silent.socket";
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.native().size(), sizeof address.sun_path);
    std::copy(socketPath.native().begin(), socketPath.native().end(), address.sun_path);
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 4), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        setenv("PULSE_SERVER", ("unix:" + socketPath.string()).c_str(), 1);
        std::chrono::steady_clock::duration closing{};
        {
            auto device = std::make_unique<TAudioDevice>(Calls, ShippedData / "Sound");
            std::this_thread::sleep_for(300ms);
            const auto start = std::chrono::steady_clock::now();
            device.reset();
            closing = std::chrono::steady_clock::now() - start;
        }
        ::_exit(closing < 200ms ? 0 : 1);
    }
    int status = -1;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ::close(server);
            FAIL() << "closing waited for the loader";
        }
        std::this_thread::sleep_for(10ms);
    }
    ::close(server);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "closing took 200 ms or more";
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

TEST_F(MusicTest, APieceEndsABreathAfterItsLastNoteNotAfterItsClosingRest)
{
    if (SoundFont().empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    // A quarter-second note, then four seconds of rest before the end of the track.
    const std::vector<uint8_t> piece = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k', 0,
        0, 0, 14, 0x00, 0x90, 60, 100, 0x81, 0x70, 0x80, 60, 0, 0x9E, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(TAudioDevice::LastNoteTick(piece), 240u);
    EXPECT_EQ(TAudioDevice::LastNoteTick(ShortPiece()), 240u);
    MakeMusic(piece);
    TRandom random(3);
    TSoundPlayer sound(Calls, Folder, SoundFont());
    sound.Switches.PlayMusic = [] { return true; };
    sound.Switches.Random = [&](int32_t n) { return random.Random(n); };
    sound.Device.WaitUntilReady();
    Calls.RunPostedUntil([] { return false; }, 50ms);
    sound.StartMusic();
    const auto start = std::chrono::steady_clock::now();
    Calls.FireDelayed();
    const uint64_t first = sound.Music.Piece();
    ASSERT_TRUE(Calls.RunPostedUntil([&] { return sound.Music.Piece() > first; }, 10s));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 400ms);
    EXPECT_LE(took, 1500ms) << "the next piece does not wait for the four seconds of rest";
}

TEST_F(MusicTest, ADamagedSoundFontOrAPipeIsRefusedQuietly)
{
    MakeMusic(ShortPiece());
    // A whole RIFF header that says "sfbk", then noise.
    std::vector<uint8_t> damaged = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 's', 'f', 'b', 'k'};
    uint32_t noise = 12345;
    while (damaged.size() < 6000) {
        noise = noise * 1103515245u + 12345u;
        damaged.push_back(static_cast<uint8_t>(noise >> 16));
    }
    const uint32_t size = static_cast<uint32_t>(damaged.size() - 8);
    for (int i = 0; i < 4; ++i)
        damaged[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (8 * i));
    WriteBytes(Folder / "damaged.sf2", damaged);
    auto listed = damaged; // a chunk list whose first entry says it is far larger than it is
    std::copy_n("LIST\xff\xff\x00\x00INFO", 12, listed.begin() + 12);
    WriteBytes(Folder / "listed.sf2", listed);
    ASSERT_EQ(::mkfifo((Folder / "pipe.sf2").c_str(), 0600), 0);
    fs::copy(ShippedData / "Sound", Folder / "Sound");

    for (const char* name : {"damaged.sf2", "listed.sf2", "pipe.sf2"}) {
        testing::internal::CaptureStderr();
        {
            TSoundPlayer sound(Calls, Folder, Folder / name);
            sound.Switches.PlaySound = [] { return true; };
            sound.Switches.PlayMusic = [] { return true; };
            const bool ready = ReadyWithin(sound.Device, 10s);
            if (!ready) // a reader stuck on the pipe: let it go before failing
                ::close(::open((Folder / name).c_str(), O_WRONLY | O_NONBLOCK));
            ASSERT_TRUE(ready) << name;
            EXPECT_FALSE(sound.Device.SoundFontLoaded()) << name;
            sound.PlaySoundEffect(TSoundEffect::Fall);
            EXPECT_EQ(sound.Device.PlayingEffect(), TSoundEffect::Fall) << "effects play without the music";
            sound.StartMusic();
            Calls.FireDelayed();
            EXPECT_FALSE(sound.Music.MusicOpen()) << name;
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << name;
    }
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
