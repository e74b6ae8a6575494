#include "song.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace music {

namespace {

constexpr std::array<int, 7> MajorScale = {0, 2, 4, 5, 7, 9, 11};

int Modulo12(int value)
{
    return ((value % 12) + 12) % 12;
}

int PitchClass(char letter)
{
    switch (letter) {
    case 'C':
        return 0;
    case 'D':
        return 2;
    case 'E':
        return 4;
    case 'F':
        return 5;
    case 'G':
        return 7;
    case 'A':
        return 9;
    case 'B':
        return 11;
    }
    throw std::runtime_error(std::string("not a note: ") + letter);
}

void PutVariable(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t bytes[5];
    int count = 0;
    bytes[count++] = value & 0x7F;
    while (value >>= 7)
        bytes[count++] = static_cast<uint8_t>((value & 0x7F) | 0x80);
    while (count > 0)
        out.push_back(bytes[--count]);
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// A fixed pattern of small velocity changes, so repeated notes do not sound
// like a machine gun; the same on every run.
int Humanise(uint32_t tick, int velocity)
{
    static constexpr int offsets[] = {0, -3, 2, -1, 3, -2, 1, -4};
    return std::clamp(velocity + offsets[(tick / (Ppq / 4)) % 8], 1, 127);
}

// Bar lines need no spaces around them.
std::string SpaceBars(std::string text)
{
    for (size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 3))
        text.replace(at, 1, " | ");
    return text;
}

} // namespace

std::vector<TNote> ParseMelody(const std::string& text)
{
    std::vector<TNote> notes;
    std::istringstream in(SpaceBars(text));
    for (std::string token; in >> token;) {
        if (token == "|")
            continue;
        size_t at = 0;
        int pitch = -1;
        if (token[0] != 'R') {
            int pc = PitchClass(token[at++]);
            while (at < token.size() && (token[at] == '#' || token[at] == 'b'))
                pc += token[at++] == '#' ? 1 : -1;
            if (at >= token.size() || !std::isdigit(static_cast<unsigned char>(token[at])))
                throw std::runtime_error("no octave in " + token);
            const int octave = token[at++] - '0';
            pitch = (octave + 1) * 12 + pc;
        } else {
            ++at;
        }
        if (at >= token.size())
            throw std::runtime_error("no length in " + token);
        double beats = 0;
        switch (token[at++]) {
        case 'w':
            beats = 4;
            break;
        case 'h':
            beats = 2;
            break;
        case 'q':
            beats = 1;
            break;
        case 'e':
            beats = 0.5;
            break;
        case 's':
            beats = 0.25;
            break;
        case 't':
            beats = 1.0 / 3;
            break;
        default:
            throw std::runtime_error("bad length in " + token);
        }
        if (at < token.size() && token[at] == '.')
            beats *= 1.5;
        notes.push_back({pitch, static_cast<int>(beats * Ppq + 0.5)});
    }
    return notes;
}

TSong::TSong(int beatsPerBar, int bpm, int keyPc) : BeatsPerBar(beatsPerBar), KeyPc(keyPc), Tracks(16)
{
    Tempos.push_back({0, bpm});
}

void TSong::Instrument(int channel, int program, int volume, int pan, int reverb)
{
    auto& track = Tracks[static_cast<size_t>(channel)];
    const auto status = static_cast<uint8_t>(channel);
    track.push_back({0, 1, {static_cast<uint8_t>(0xB0 | status), 7, static_cast<uint8_t>(volume)}});
    track.push_back({0, 1, {static_cast<uint8_t>(0xB0 | status), 10, static_cast<uint8_t>(pan)}});
    track.push_back({0, 1, {static_cast<uint8_t>(0xB0 | status), 91, static_cast<uint8_t>(reverb)}});
    if (channel != DrumChannel)
        ProgramAt(channel, 0, program);
}

void TSong::ProgramAt(int channel, uint32_t tick, int program)
{
    Tracks[static_cast<size_t>(channel)].push_back(
        {tick, 1, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)}});
}

void TSong::Note(int channel, uint32_t tick, int ticks, int pitch, int velocity)
{
    if (pitch < 0 || pitch > 127 || ticks <= 0)
        return;
    auto& track = Tracks[static_cast<size_t>(channel)];
    const auto key = static_cast<uint8_t>(pitch);
    track.push_back(
        {tick, 2, {static_cast<uint8_t>(0x90 | channel), key, static_cast<uint8_t>(Humanise(tick, velocity))}});
    track.push_back({tick + static_cast<uint32_t>(ticks), 0, {static_cast<uint8_t>(0x80 | channel), key, 0}});
}

void TSong::Tempo(uint32_t tick, int bpm)
{
    Tempos.push_back({tick, bpm});
}

double TSong::Seconds() const
{
    double seconds = 0;
    for (size_t i = 0; i < Tempos.size(); ++i) {
        const uint32_t end = i + 1 < Tempos.size() ? Tempos[i + 1].first : Now;
        seconds += static_cast<double>(end - Tempos[i].first) / Ppq * 60.0 / Tempos[i].second;
    }
    return seconds;
}

TSong::TChord TSong::ParseChord(const std::string& symbol)
{
    size_t at = 0;
    int root = PitchClass(symbol[at++]);
    while (at < symbol.size() && (symbol[at] == '#' || symbol[at] == 'b'))
        root += symbol[at++] == '#' ? 1 : -1;
    const std::string quality = symbol.substr(at);
    TChord chord{Modulo12(root), {0, 4, 7}};
    if (quality == "m")
        chord.Intervals = {0, 3, 7};
    else if (quality == "7")
        chord.Intervals = {0, 4, 7, 10};
    else if (quality == "m7")
        chord.Intervals = {0, 3, 7, 10};
    else if (quality == "maj7")
        chord.Intervals = {0, 4, 7, 11};
    else if (quality == "dim")
        chord.Intervals = {0, 3, 6};
    else if (quality == "sus4")
        chord.Intervals = {0, 5, 7};
    else if (!quality.empty())
        throw std::runtime_error("unknown chord " + symbol);
    return chord;
}

std::vector<TSong::TSpan> TSong::ParseChords(const std::string& text, uint32_t start, int bars, int transpose) const
{
    std::vector<std::vector<std::string>> perBar(1);
    std::istringstream in(SpaceBars(text));
    for (std::string token; in >> token;) {
        if (token == "|")
            perBar.emplace_back();
        else
            perBar.back().push_back(token);
    }
    if (static_cast<int>(perBar.size()) != bars)
        throw std::runtime_error("chords for " + std::to_string(perBar.size()) + " bars, not " + std::to_string(bars));
    std::vector<TSpan> spans;
    for (int bar = 0; bar < bars; ++bar) {
        const auto& symbols = perBar[static_cast<size_t>(bar)];
        const uint32_t barStart = start + static_cast<uint32_t>(bar * BarTicks());
        for (size_t i = 0; i < symbols.size(); ++i) {
            TChord chord = ParseChord(symbols[i]);
            chord.Root = Modulo12(chord.Root + transpose);
            const auto from = static_cast<uint32_t>(barStart + BarTicks() * i / symbols.size());
            const auto to = static_cast<uint32_t>(barStart + BarTicks() * (i + 1) / symbols.size());
            spans.push_back({from, to, chord});
        }
    }
    return spans;
}

int TSong::ThirdBelow(int pitch, int transpose) const
{
    const int key = KeyPc + transpose;
    auto inScale = [&](int p) {
        return std::find(MajorScale.begin(), MajorScale.end(), Modulo12(p - key)) != MajorScale.end();
    };
    if (!inScale(pitch))
        return inScale(pitch - 4) ? pitch - 4 : pitch - 3;
    int steps = 0;
    int p = pitch;
    while (steps < 2) {
        --p;
        if (inScale(p))
            ++steps;
    }
    return p;
}

void TSong::Play(const TSection& section)
{
    const uint32_t start = Now;
    if (section.Bpm > 0)
        Tempo(start, section.Bpm);
    const auto spans = ParseChords(section.Chords, start, section.Bars, section.Transpose);

    if (section.Lead >= 0) {
        auto tick = static_cast<int64_t>(start) - static_cast<int64_t>(section.PickupBeats * Ppq);
        for (const TNote& note : ParseMelody(section.Melody)) {
            if (note.Pitch >= 0 && tick >= 0) {
                const int pitch = note.Pitch + section.Transpose;
                const int length = note.Ticks * 92 / 100;
                const bool downbeat = (tick - start) % BarTicks() == 0;
                const int velocity = section.LeadVelocity + (downbeat ? 6 : 0);
                const auto at = static_cast<uint32_t>(tick);
                Note(section.Lead, at, length, pitch, velocity);
                if (section.Double >= 0)
                    Note(section.Double, at, length, pitch + section.DoubleShift, velocity - 10);
                if (section.Harmony >= 0)
                    Note(section.Harmony, at, length, ThirdBelow(pitch, section.Transpose), velocity - 16);
            }
            tick += note.Ticks;
        }
        const auto expected = static_cast<int64_t>(start) + static_cast<int64_t>(section.Bars) * BarTicks();
        if (tick != expected)
            throw std::runtime_error("melody of " + std::to_string((tick - start) / Ppq) + " beats in a section of " +
                std::to_string(section.Bars * BeatsPerBar));
    }
    for (const TLayer& layer : section.Layers)
        PlayLayer(layer, spans, start, section.Bars, section.CrashAtStart, section.FillAtEnd);
    Now = start + static_cast<uint32_t>(section.Bars * BarTicks());
}

void TSong::End(const std::string& chord, int transpose, const std::vector<TLayer>& layers)
{
    const uint32_t start = Now;
    TSpan span{start, start + static_cast<uint32_t>(BarTicks()), ParseChord(chord)};
    span.Chord.Root = Modulo12(span.Chord.Root + transpose);
    for (const TLayer& layer : layers) {
        if (layer.Pattern.rfind("drums:", 0) == 0) {
            Note(DrumChannel, start, Ppq, Crash, layer.Velocity + 10);
            Note(DrumChannel, start, Ppq / 2, Kick, layer.Velocity + 10);
        } else if (layer.Pattern.rfind("bass:", 0) == 0) {
            PlayLayer({layer.Channel, "bass:pedal", layer.Velocity}, {span}, start, 1, false, false);
        } else {
            PlayLayer({layer.Channel, "chords:pad", layer.Velocity}, {span}, start, 1, false, false);
        }
    }
    Now = start + static_cast<uint32_t>(2 * BarTicks()); // the last chord rings out in silence
}

void TSong::PlayLayer(
    const TLayer& layer, const std::vector<TSpan>& spans, uint32_t start, int bars, bool crash, bool fill)
{
    const auto colon = layer.Pattern.find(':');
    const std::string kind = layer.Pattern.substr(0, colon);
    const std::string style = layer.Pattern.substr(colon + 1);
    const int beat = Ppq;
    const int v = layer.Velocity;
    auto chordAt = [&](uint32_t tick) -> const TChord& {
        for (const TSpan& span : spans)
            if (tick >= span.Start && tick < span.End)
                return span.Chord;
        return spans.back().Chord;
    };
    auto bassRoot = [](const TChord& chord) { return 28 + Modulo12(chord.Root - 28); };
    auto voicing = [](const TChord& chord, int low) {
        std::vector<int> notes;
        for (int interval : chord.Intervals)
            notes.push_back(low + Modulo12(chord.Root + interval - low));
        std::sort(notes.begin(), notes.end());
        return notes;
    };
    auto at = [&](uint32_t bar, double beats) {
        return start + bar * static_cast<uint32_t>(BarTicks()) + static_cast<uint32_t>(beats * beat);
    };

    if (kind == "bass") {
        for (int b = 0; b < bars; ++b) {
            const auto bar = static_cast<uint32_t>(b);
            auto play = [&](double beats, double length, int offset, int velocity) {
                const uint32_t tick = at(bar, beats);
                Note(layer.Channel, tick, static_cast<int>(length * beat), bassRoot(chordAt(tick)) + offset, velocity);
            };
            if (style == "half") {
                play(0, 1.9, 0, v);
                if (BeatsPerBar >= 4)
                    play(2, 1.9, 7, v - 6);
            } else if (style == "quarters") {
                for (int q = 0; q < BeatsPerBar; ++q)
                    play(q, 0.85, q == 2 ? 7 : (q == 3 ? 12 : 0), q == 0 ? v : v - 8);
            } else if (style == "eighths") {
                for (int e = 0; e < BeatsPerBar * 2; ++e)
                    play(e * 0.5, 0.42, e == BeatsPerBar * 2 - 1 ? 12 : 0, e % 2 ? v - 12 : v);
            } else if (style == "funk") {
                const double steps[] = {0, 0.75, 1.5, 2, 2.75, 3.5};
                const int offsets[] = {0, 0, 12, 0, 7, 12};
                for (int i = 0; i < 6; ++i)
                    play(steps[i], 0.22, offsets[i], i % 2 ? v - 14 : v);
            } else if (style == "waltz") {
                play(0, 0.9, 0, v);
            } else if (style == "staccato") {
                for (int q = 0; q < BeatsPerBar; ++q)
                    play(q, 0.35, q % 2 ? 7 : 0, q == 0 ? v : v - 10);
            } else if (style == "march") {
                play(0, 0.7, 0, v);
                play(2, 0.7, 7, v - 8);
            } else if (style == "pedal") {
                play(0, BeatsPerBar - 0.1, 0, v);
            } else {
                throw std::runtime_error("unknown bass " + style);
            }
        }
    } else if (kind == "chords") {
        if (style == "pad") {
            for (const TSpan& span : spans)
                for (int pitch : voicing(span.Chord, 55))
                    Note(layer.Channel, span.Start, static_cast<int>(span.End - span.Start) - 20, pitch, v);
            return;
        }
        for (int b = 0; b < bars; ++b) {
            const auto bar = static_cast<uint32_t>(b);
            auto chord = [&](double beats, double length, int velocity) {
                const uint32_t tick = at(bar, beats);
                for (int pitch : voicing(chordAt(tick), 55))
                    Note(layer.Channel, tick, static_cast<int>(length * beat), pitch, velocity);
            };
            auto arpeggio = [&](double step, int low, std::initializer_list<int> order, double ring) {
                const int count = static_cast<int>(BeatsPerBar / step + 0.5);
                for (int i = 0; i < count; ++i) {
                    const uint32_t tick = at(bar, i * step);
                    auto notes = voicing(chordAt(tick), low);
                    notes.push_back(notes.front() + 12);
                    notes.push_back(notes[1] + 12);
                    const int index = *(order.begin() + i % static_cast<int>(order.size()));
                    Note(layer.Channel, tick, static_cast<int>(ring * beat),
                        notes[static_cast<size_t>(index) % notes.size()], i % 2 ? v - 10 : v);
                }
            };
            if (style == "arp8")
                arpeggio(0.5, 48, {0, 2, 1, 3, 2, 4, 3, 1}, 0.9);
            else if (style == "arp16")
                arpeggio(0.25, 55, {0, 1, 2, 3, 4, 3, 2, 1}, 0.6);
            else if (style == "stab")
                for (int q = 1; q < BeatsPerBar; q += 2)
                    chord(q, 0.3, v);
            else if (style == "waltz")
                for (int q = 1; q < BeatsPerBar; ++q)
                    chord(q, 0.45, v - (q == 2 ? 6 : 0));
            else if (style == "offbeat")
                for (int q = 0; q < BeatsPerBar; ++q)
                    chord(q + 0.5, 0.25, v);
            else if (style == "block")
                for (int q = 0; q < BeatsPerBar; ++q)
                    chord(q, 0.9, q == 0 ? v : v - 10);
            else
                throw std::runtime_error("unknown chords " + style);
        }
    } else if (kind == "drums") {
        for (int b = 0; b < bars; ++b) {
            const auto bar = static_cast<uint32_t>(b);
            const bool last = fill && b == bars - 1;
            auto hit = [&](double beats, int key, int velocity) {
                Note(DrumChannel, at(bar, beats), beat / 4, key, velocity);
            };
            const double grooveEnd = last ? BeatsPerBar - 1 : BeatsPerBar;
            if (style == "rock" || style == "pop") {
                for (double e = 0; e < grooveEnd; e += 0.5)
                    hit(e, ClosedHat, static_cast<int>(e * 2) % 2 ? v - 20 : v - 8);
                hit(0, Kick, v);
                hit(2, Kick, v - 4);
                if (style == "pop")
                    hit(1.5, Kick, v - 12), hit(2.5, Kick, v - 12);
                hit(1, Snare, v);
                if (!last)
                    hit(3, Snare, v);
            } else if (style == "funk") {
                for (double s = 0; s < grooveEnd; s += 0.25)
                    hit(s, ClosedHat, static_cast<int>(s * 4) % 2 ? v - 30 : v - 12);
                hit(0, Kick, v);
                hit(0.75, Kick, v - 14);
                hit(2.5, Kick, v - 6);
                hit(1, Snare, v);
                hit(1.75, Snare, v - 50);
                if (!last)
                    hit(3, Snare, v), hit(3.75, Snare, v - 50);
            } else if (style == "march") {
                hit(0, Kick, v);
                hit(2, Kick, v - 8);
                for (int q = 0; q < grooveEnd; ++q) {
                    hit(q, Snare, q % 2 ? v - 6 : v - 16);
                    if (q % 2)
                        hit(q + 0.5, Snare, v - 30), hit(q + 0.75, Snare, v - 24);
                }
            } else if (style == "waltz") {
                hit(0, Kick, v);
                for (int q = 1; q < grooveEnd; ++q)
                    hit(q, ClosedHat, v - 14);
                hit(BeatsPerBar - 1, Tambourine, v - 24);
            } else if (style == "soft") {
                hit(0, Kick, v - 10);
                for (int q = 0; q < grooveEnd; ++q)
                    hit(q, Ride, v - 22);
                if (BeatsPerBar == 4)
                    hit(1, SideStick, v - 20), hit(3, SideStick, v - 20);
            } else if (style == "toms") {
                for (int q = 0; q < grooveEnd; ++q)
                    hit(q, q % 2 ? MidTom : LowTom, q == 0 ? v : v - 12);
            } else if (style == "tambourine") {
                for (double e = 0; e < grooveEnd; e += 0.5)
                    hit(e, Tambourine, static_cast<int>(e * 2) % 2 ? v - 28 : v - 14);
                hit(0, Kick, v - 10);
            } else {
                throw std::runtime_error("unknown drums " + style);
            }
            if (last) { // a fill into the next section: four strokes down the toms
                const int keys[] = {HighTom, HighTom, MidTom, LowTom};
                for (int i = 0; i < 4; ++i)
                    hit(BeatsPerBar - 1 + i * 0.25, style == "soft" ? SideStick : keys[i], v - 16 + i * 5);
            }
            if (crash && b == 0 && style != "soft" && style != "toms")
                hit(0, Crash, v - 6);
        }
    } else {
        throw std::runtime_error("unknown layer " + layer.Pattern);
    }
}

bool TSong::Write(const std::filesystem::path& file) const
{
    std::vector<std::vector<uint8_t>> chunks;
    auto finish = [&](std::vector<TEvent> events, uint32_t endTick) {
        std::stable_sort(events.begin(), events.end(),
            [](const TEvent& a, const TEvent& b) { return a.Tick != b.Tick ? a.Tick < b.Tick : a.Order < b.Order; });
        std::vector<uint8_t> data;
        uint32_t last = 0;
        for (const TEvent& event : events) {
            PutVariable(data, event.Tick - last);
            last = event.Tick;
            data.insert(data.end(), event.Bytes.begin(), event.Bytes.end());
        }
        PutVariable(data, endTick > last ? endTick - last : 0);
        data.insert(data.end(), {0xFF, 0x2F, 0x00});
        chunks.push_back(std::move(data));
    };

    std::vector<TEvent> conductor;
    conductor.push_back({0, 0, {0xFF, 0x58, 0x04, static_cast<uint8_t>(BeatsPerBar), 2, 24, 8}});
    for (const auto& [tick, bpm] : Tempos) {
        const uint32_t micros = 60000000u / static_cast<uint32_t>(bpm);
        conductor.push_back({tick, 1,
            {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                static_cast<uint8_t>(micros)}});
    }
    finish(conductor, Now);
    for (const auto& track : Tracks)
        if (!track.empty())
            finish(track, Now);

    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    out.push_back(static_cast<uint8_t>(chunks.size() >> 8));
    out.push_back(static_cast<uint8_t>(chunks.size()));
    out.push_back(static_cast<uint8_t>(Ppq >> 8));
    out.push_back(static_cast<uint8_t>(Ppq & 0xFF));
    for (const auto& chunk : chunks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Put32(out, static_cast<uint32_t>(chunk.size()));
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    std::ofstream stream(file, std::ios::binary);
    stream.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(stream);
}

} // namespace music
