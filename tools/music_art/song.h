#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace music {

constexpr int Ppq = 480; // ticks per quarter note
constexpr int DrumChannel = 9;

// General MIDI drum keys.
enum TDrum : int {
    Kick = 36,
    SideStick = 37,
    Snare = 38,
    Clap = 39,
    ClosedHat = 42,
    LowTom = 45,
    PedalHat = 44,
    OpenHat = 46,
    MidTom = 47,
    HighTom = 50,
    Crash = 49,
    Ride = 51,
    Tambourine = 54,
    Shaker = 82
};

// One accompaniment voice of a section: a channel and a named pattern
// ("bass:quarters", "chords:arp8", "drums:rock", ...).
struct TLayer {
    int Channel = 0;
    std::string Pattern;
    int Velocity = 80;
};

// A stretch of a piece: a melody written as notes ("E4q F#4e. Rh", bars
// split by '|'), the chords of each bar ("C | G7 C"), and the accompaniment.
struct TSection {
    int Bars = 0;
    std::string Melody;
    double PickupBeats = 0; // the melody starts this many beats early
    int Lead = -1;
    int LeadVelocity = 96;
    int Double = -1; // a second channel playing the melody, DoubleShift semitones away
    int DoubleShift = 12;
    int Harmony = -1; // a channel playing a third below in the key
    std::string Chords;
    std::vector<TLayer> Layers;
    int Transpose = 0;
    int Bpm = 0; // 0 keeps the tempo
    bool CrashAtStart = true;
    bool FillAtEnd = true;
};

struct TNote {
    int Pitch; // -1 for a rest
    int Ticks;
};

std::vector<TNote> ParseMelody(const std::string& text);

class TSong {
public:
    TSong(int beatsPerBar, int bpm, int keyPc);

    void Instrument(int channel, int program, int volume, int pan, int reverb = 40);
    void ProgramAt(int channel, uint32_t tick, int program);
    void Note(int channel, uint32_t tick, int ticks, int pitch, int velocity);
    void Tempo(uint32_t tick, int bpm);

    // Plays a section from the current position and moves past it.
    void Play(const TSection& section);
    // A closing chord held for a bar, with a cymbal, then a bar of silence.
    void End(const std::string& chord, int transpose, const std::vector<TLayer>& layers);

    uint32_t Position() const { return Now; }
    int BarTicks() const { return BeatsPerBar * Ppq; }
    double Seconds() const;

    bool Write(const std::filesystem::path& file) const;

private:
    struct TEvent {
        uint32_t Tick;
        int Order; // note-offs before other events at the same tick
        std::vector<uint8_t> Bytes;
    };
    struct TChord {
        int Root; // pitch class
        std::vector<int> Intervals;
    };
    struct TSpan {
        uint32_t Start, End;
        TChord Chord;
    };

    static TChord ParseChord(const std::string& symbol);
    std::vector<TSpan> ParseChords(const std::string& text, uint32_t start, int bars, int transpose) const;
    int ThirdBelow(int pitch, int transpose) const;
    void PlayLayer(
        const TLayer& layer, const std::vector<TSpan>& spans, uint32_t start, int bars, bool crash, bool fill);

    int BeatsPerBar;
    int KeyPc;
    uint32_t Now = 0;
    std::vector<std::pair<uint32_t, int>> Tempos;
    std::vector<std::vector<TEvent>> Tracks; // one per channel
};

} // namespace music
