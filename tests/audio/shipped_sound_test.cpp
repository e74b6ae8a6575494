// The sound and music files that ship: what a player hears must fit the game.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/audio_device.h"
#include "audio/sound.h"

namespace stakor {
namespace {

namespace fs = std::filesystem;

const fs::path ShippedData = STAKOR_SOURCE_DATA_DIR;

std::vector<uint8_t> ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Little(const std::vector<uint8_t>& d, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | d.at(at + static_cast<size_t>(i));
    return value;
}

uint32_t Big(const std::vector<uint8_t>& d, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | d.at(at + static_cast<size_t>(i));
    return value;
}

TEST(ShippedSound, EffectsAreShortCleanAndDistinct)
{
    std::set<std::vector<uint8_t>> seen;
    for (std::string_view name : SoundEffectNames) {
        const auto wave = ReadBytes(ShippedData / "Sound" / (std::string(name) + ".wav"));
        ASSERT_GT(wave.size(), 44u) << name;
        EXPECT_EQ(std::string(wave.begin(), wave.begin() + 4), "RIFF");
        EXPECT_EQ(Little(wave, 20, 2), 1u) << name << " is plain PCM";
        EXPECT_EQ(Little(wave, 34, 2), 16u);
        const uint32_t rate = Little(wave, 24, 4);
        const uint32_t channels = Little(wave, 22, 2);
        const uint32_t bytes = Little(wave, 40, 4);
        ASSERT_EQ(bytes + 44, wave.size()) << name;
        const double seconds = bytes / 2.0 / channels / rate;
        EXPECT_GE(seconds, 0.03) << name;
        EXPECT_LE(seconds, 2.0) << name << ": an effect must not outlast its event";
        int peak = 0;
        for (size_t at = 44; at + 1 < wave.size(); at += 2)
            peak = std::max(peak, std::abs(static_cast<int16_t>(Little(wave, at, 2))));
        EXPECT_GT(peak, 32767 / 8) << name << " is audible";
        EXPECT_LT(peak, 32767 * 9 / 10) << name << " leaves room for the music";
        EXPECT_TRUE(seen.insert(wave).second) << name << " sounds like another effect";
    }
}

// Length in seconds, and the channels that play notes, of a standard MIDI file.
struct TPieceFacts {
    double Seconds = 0;
    std::set<int> NoteChannels;
};

TPieceFacts ReadPiece(const std::vector<uint8_t>& d)
{
    const uint32_t division = Big(d, 12, 2);
    std::map<uint32_t, uint32_t> tempos{{0, 500000}};
    uint32_t lastTick = 0;
    TPieceFacts facts;
    size_t at = 14;
    while (at + 8 <= d.size()) {
        const size_t end = at + 8 + Big(d, at + 4, 4);
        size_t p = at + 8;
        uint32_t tick = 0;
        uint8_t status = 0;
        auto variable = [&] {
            uint32_t value = 0;
            uint8_t byte = 0;
            do {
                byte = d.at(p++);
                value = (value << 7) | (byte & 0x7F);
            } while (byte & 0x80);
            return value;
        };
        while (p < end) {
            tick += variable();
            if (d.at(p) & 0x80)
                status = d.at(p++);
            if (status == 0xFF) {
                const uint8_t type = d.at(p++);
                const uint32_t length = variable();
                if (type == 0x51)
                    tempos[tick] = Big(d, p, 3);
                p += length;
            } else {
                const uint8_t kind = status & 0xF0;
                if (kind == 0x90 && d.at(p + 1) > 0)
                    facts.NoteChannels.insert(status & 0x0F);
                p += kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            }
        }
        lastTick = std::max(lastTick, tick);
        at = end;
    }
    for (auto it = tempos.begin(); it != tempos.end(); ++it) {
        const auto next = std::next(it);
        const uint32_t until = next == tempos.end() ? lastTick : std::min(next->first, lastTick);
        if (until > it->first)
            facts.Seconds += (until - it->first) / static_cast<double>(division) * it->second / 1e6;
    }
    return facts;
}

TEST(ShippedSound, EightPiecesOfOneToThreeMinutesForABand)
{
    for (int n = 1; n <= 8; ++n) {
        const auto data = ReadBytes(ShippedData / "Music" / (std::to_string(n) + ".mid"));
        ASSERT_TRUE(TAudioDevice::LooksLikeMidi(data)) << n;
        const TPieceFacts facts = ReadPiece(data);
        EXPECT_GE(facts.Seconds, 60) << n;
        EXPECT_LE(facts.Seconds, 180) << n;
        EXPECT_GE(facts.NoteChannels.size(), 4u) << n << ": melody, bass and accompaniment or drums";
        EXPECT_GE(TAudioDevice::ProgramsOf(data).size(), 4u) << n << ": several instruments";
    }
}

} // namespace
} // namespace stakor
