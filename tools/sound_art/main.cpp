// Synthesises the nine sound effects as 16-bit mono wave files. Every sound
// is a sum of voices with their own pitch glide, timbre and envelope; the
// noise comes from a fixed generator, so the files are the same on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr double Tau = 2 * std::numbers::pi;

using TSamples = std::vector<double>;

double NoteHz(int midi)
{
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

class TNoise {
public:
    double Next()
    {
        State = State * 1664525u + 1013904223u;
        return static_cast<double>(State >> 8) / 8388608.0 - 1.0;
    }

private:
    uint32_t State = 12345;
};

enum class TWave { Sine, Triangle, Bell, Soft };

struct TVoice {
    double Start = 0; // seconds
    double Length = 0; // seconds, to the end of the release
    double FromHz = 440;
    double ToHz = 440; // the pitch glides exponentially from FromHz
    double Gain = 0.5;
    double Attack = 0.005;
    double Decay = 8; // exponential decay per second after the attack
    TWave Wave = TWave::Sine;
};

double Shape(TWave wave, double phase, double t)
{
    const double s = std::sin(phase);
    switch (wave) {
    case TWave::Sine:
        return s;
    case TWave::Triangle:
        return 2 / std::numbers::pi * std::asin(s);
    case TWave::Bell: // an inharmonic partial that fades faster than the tone
        return 0.7 * s + 0.3 * std::sin(phase * 2.76) * std::exp(-t * 12);
    case TWave::Soft:
        return 0.8 * s + 0.2 * std::sin(phase * 2);
    }
    return s;
}

void AddVoice(TSamples& out, const TVoice& voice)
{
    const int first = static_cast<int>(voice.Start * Rate);
    const int count = static_cast<int>(voice.Length * Rate);
    if (out.size() < static_cast<size_t>(first + count))
        out.resize(static_cast<size_t>(first + count));
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double hz = voice.FromHz * std::pow(voice.ToHz / voice.FromHz, t / voice.Length);
        phase += Tau * hz / Rate;
        const double attack = std::min(1.0, t / voice.Attack);
        const double release = std::min(1.0, (voice.Length - t) / 0.01); // no click at the end
        const double envelope = attack * std::exp(-voice.Decay * t) * release;
        out[static_cast<size_t>(first + i)] += voice.Gain * envelope * Shape(voice.Wave, phase, t);
    }
}

// Noise through a one-pole low-pass whose corner glides: a thump or a swish.
void AddNoise(TSamples& out, double start, double length, double fromHz, double toHz, double gain, double decay)
{
    TNoise noise;
    const int first = static_cast<int>(start * Rate);
    const int count = static_cast<int>(length * Rate);
    if (out.size() < static_cast<size_t>(first + count))
        out.resize(static_cast<size_t>(first + count));
    double low = 0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double hz = fromHz * std::pow(toHz / fromHz, t / length);
        const double k = 1 - std::exp(-Tau * hz / Rate);
        low += k * (noise.Next() - low);
        const double release = std::min(1.0, (length - t) / 0.01);
        out[static_cast<size_t>(first + i)] += gain * std::min(1.0, t / 0.002) * std::exp(-decay * t) * release * low;
    }
}

TSamples Pause()
{
    TSamples s;
    AddVoice(s, {0.00, 0.16, NoteHz(76), NoteHz(76), 0.35, 0.004, 14, TWave::Soft});
    AddVoice(s, {0.09, 0.28, NoteHz(69), NoteHz(69), 0.35, 0.004, 10, TWave::Soft});
    return s;
}

TSamples Resume()
{
    TSamples s;
    AddVoice(s, {0.00, 0.16, NoteHz(69), NoteHz(69), 0.35, 0.004, 14, TWave::Soft});
    AddVoice(s, {0.09, 0.28, NoteHz(76), NoteHz(76), 0.35, 0.004, 10, TWave::Soft});
    return s;
}

TSamples GameOver()
{
    // A falling phrase that ends on a minor chord and a low sigh.
    TSamples s;
    const int notes[] = {72, 67, 63, 60};
    for (int i = 0; i < 4; ++i)
        AddVoice(s, {i * 0.22, 0.45, NoteHz(notes[i]), NoteHz(notes[i]) * 0.99, 0.3, 0.01, 4, TWave::Triangle});
    for (int note : {48, 55, 60, 63})
        AddVoice(s, {0.88, 0.9, NoteHz(note), NoteHz(note) * 0.97, 0.14, 0.02, 3, TWave::Triangle});
    return s;
}

TSamples Rotate()
{
    // A soft click: a short high blip over a tick of noise.
    TSamples s;
    AddVoice(s, {0.0, 0.05, 1900, 1500, 0.22, 0.001, 70, TWave::Sine});
    AddNoise(s, 0.0, 0.03, 6000, 2000, 0.25, 120);
    return s;
}

TSamples Drop()
{
    // A downward swish.
    TSamples s;
    AddNoise(s, 0.0, 0.22, 5000, 500, 0.9, 9);
    AddVoice(s, {0.0, 0.2, 900, 250, 0.18, 0.01, 10, TWave::Sine});
    return s;
}

TSamples Stop()
{
    // A short brake: two quick taps, the second lower.
    TSamples s;
    AddVoice(s, {0.00, 0.06, 700, 600, 0.3, 0.002, 45, TWave::Triangle});
    AddVoice(s, {0.06, 0.08, 520, 420, 0.3, 0.002, 40, TWave::Triangle});
    return s;
}

TSamples Fall()
{
    // A thud: a low tone that drops in pitch, with a dull knock of noise.
    TSamples s;
    AddVoice(s, {0.0, 0.22, 120, 45, 0.8, 0.002, 18, TWave::Sine});
    AddNoise(s, 0.0, 0.08, 900, 200, 0.7, 40);
    return s;
}

TSamples Line()
{
    // A bright sparkle: a quick upward run of bell tones.
    TSamples s;
    const int notes[] = {79, 84, 88};
    for (int i = 0; i < 3; ++i)
        AddVoice(s, {i * 0.045, 0.3, NoteHz(notes[i]), NoteHz(notes[i]), 0.22, 0.002, 12, TWave::Bell});
    AddNoise(s, 0.0, 0.12, 9000, 4000, 0.08, 20);
    return s;
}

TSamples Level()
{
    // A bright major chord, broken upwards and held.
    TSamples s;
    const int notes[] = {60, 64, 67, 72, 76};
    for (int i = 0; i < 5; ++i)
        AddVoice(s, {i * 0.06, 1.0 - i * 0.06, NoteHz(notes[i]), NoteHz(notes[i]), 0.17, 0.005, 3.5, TWave::Bell});
    AddVoice(s, {0.3, 0.7, NoteHz(84), NoteHz(84), 0.08, 0.01, 4, TWave::Sine});
    return s;
}

// Normalises to a common peak and writes a 16-bit mono PCM wave file.
bool WriteWave(const std::filesystem::path& file, TSamples samples, double peak)
{
    double largest = 0;
    for (double v : samples)
        largest = std::max(largest, std::abs(v));
    if (largest > 0)
        for (double& v : samples)
            v *= peak / largest;
    std::vector<int16_t> pcm;
    pcm.reserve(samples.size());
    for (double v : samples)
        pcm.push_back(static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767)));

    std::ofstream out(file, std::ios::binary);
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [&](uint16_t v) {
        out.put(static_cast<char>(v & 0xFF));
        out.put(static_cast<char>(v >> 8));
    };
    const auto dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    out.write("RIFF", 4);
    put32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(Rate);
    put32(Rate * 2);
    put16(2);
    put16(16);
    out.write("data", 4);
    put32(dataBytes);
    for (int16_t v : pcm)
        put16(static_cast<uint16_t>(v));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATA-FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Sound";
    std::filesystem::create_directories(folder);
    struct TEffect {
        const char* Name;
        std::function<TSamples()> Make;
        double Peak;
    };
    const TEffect effects[] = {{"pause", Pause, 0.5}, {"resume", Resume, 0.5}, {"game", GameOver, 0.6},
        {"rotate", Rotate, 0.35}, {"drop", Drop, 0.45}, {"stop", Stop, 0.45}, {"fall", Fall, 0.6}, {"line", Line, 0.5},
        {"level", Level, 0.55}};
    for (const TEffect& effect : effects)
        if (!WriteWave(folder / (std::string(effect.Name) + ".wav"), effect.Make(), effect.Peak)) {
            std::fprintf(stderr, "cannot write %s\n", effect.Name);
            return 1;
        }
    return 0;
}
