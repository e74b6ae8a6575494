// The game's music. Four are the project's own arrangements of works long in
// the public domain (Beethoven, Grieg, the minuet in G of the old notebook
// for keyboard, Dvorak's largo theme, the old English ballad); four are the
// project's own tunes. Each is a melody over chords, with bass, drums or
// accompaniment, and the instruments change from one pass to the next.
#include "pieces.h"

namespace music {

// 1. Beethoven's hymn to joy, in D, rising to E for the last verse.
TSong OdeToJoy()
{
    TSong song(4, 116, 0);
    enum { Lead, Second, Piano, Bass, Pad };
    song.Instrument(Lead, 48, 100, 64, 50);
    song.Instrument(Second, 48, 85, 44, 50);
    song.Instrument(Piano, 0, 80, 84);
    song.Instrument(Bass, 33, 100, 64, 20);
    song.Instrument(Pad, 49, 60, 64, 60);
    song.Instrument(DrumChannel, 0, 90, 64, 30);

    const std::string melody = "E4q E4q F4q G4q | G4q F4q E4q D4q | C4q C4q D4q E4q | E4q. D4e D4h |"
                               "E4q E4q F4q G4q | G4q F4q E4q D4q | C4q C4q D4q E4q | D4q. C4e C4h |"
                               "D4q D4q E4q C4q | D4q E4e F4e E4q C4q | D4q E4e F4e E4q D4q | C4q D4q G3h |"
                               "E4q E4q F4q G4q | G4q F4q E4q D4q | C4q C4q D4q E4q | D4q. C4e C4h";
    const std::string chords = "C | G | C | G | C | G | C | G C | G C | G C | G | C D7 G G |"
                               "C | G | C | G C";
    song.Play({.Bars = 2,
        .Chords = "C | G",
        .Layers = {{Piano, "chords:arp8", 70}, {Bass, "bass:pedal", 80}},
        .Transpose = 2,
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.Play({.Bars = 16,
        .Melody = melody,
        .Lead = Lead,
        .LeadVelocity = 92,
        .Chords = chords,
        .Layers = {{Piano, "chords:arp8", 72}, {Bass, "bass:half", 86}, {DrumChannel, "drums:soft", 80}},
        .Transpose = 2,
        .CrashAtStart = false});
    song.ProgramAt(Lead, song.Position(), 61);
    song.Play({.Bars = 16,
        .Melody = melody,
        .Lead = Lead,
        .LeadVelocity = 96,
        .Harmony = Second,
        .Chords = chords,
        .Layers = {{Piano, "chords:block", 64}, {Bass, "bass:quarters", 90}, {DrumChannel, "drums:rock", 92},
            {Pad, "chords:pad", 56}},
        .Transpose = 2});
    song.Play({.Bars = 16,
        .Melody = melody,
        .Lead = Lead,
        .LeadVelocity = 102,
        .Double = Second,
        .DoubleShift = 12,
        .Chords = chords,
        .Layers = {{Piano, "chords:arp8", 72}, {Bass, "bass:eighths", 92}, {DrumChannel, "drums:pop", 100},
            {Pad, "chords:pad", 60}},
        .Transpose = 4});
    song.Note(Lead, song.Position(), 4 * Ppq, 64 + 4, 100);
    song.End("C", 4, {{Piano, "", 80}, {Bass, "bass:", 90}, {Pad, "", 64}, {DrumChannel, "drums:", 100}});
    return song;
}

// 2. Grieg's troll march: the same eight bars again and again, faster and
// fuller each time.
TSong MountainHall()
{
    TSong song(4, 96, 0);
    enum { Lead, Double, Pizz, Bass, Brass };
    song.Instrument(Lead, 70, 105, 54, 40);
    song.Instrument(Double, 71, 90, 74, 40);
    song.Instrument(Pizz, 45, 90, 84, 40);
    song.Instrument(Bass, 32, 105, 64, 20);
    song.Instrument(Brass, 61, 80, 44, 50);
    song.Instrument(DrumChannel, 0, 95, 64, 30);

    const std::string low = "A3e B3e C4e D4e E4e C4e E4q | D#4e B3e D#4q D4e Bb3e D4q |"
                            "A3e B3e C4e D4e E4e C4e E4e A4e | G4e E4e C4e E4e G4h";
    const std::string high = "E4e F#4e G4e A4e B4e G4e B4q | A#4e F#4e A#4q A4e F4e A4q |"
                             "E4e F#4e G4e A4e B4e G4e B4e E5e | D5e B4e G4e B4e D5h";
    const std::string melody = low + " | " + low + " | " + high + " | " + low;
    const std::string lowChords = "Am | B7 Bb | Am | C";
    const std::string chords = lowChords + " | " + lowChords + " | Em | F#7 F | Em | G | " + lowChords;

    song.Play({.Bars = 16,
        .Melody = melody,
        .Lead = Lead,
        .LeadVelocity = 84,
        .Chords = chords,
        .Layers = {{Bass, "bass:staccato", 84}, {Pizz, "chords:offbeat", 60}, {DrumChannel, "drums:toms", 60}},
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.Play({.Bars = 16,
        .Melody = melody,
        .Lead = Lead,
        .LeadVelocity = 92,
        .Double = Double,
        .DoubleShift = 12,
        .Chords = chords,
        .Layers = {{Bass, "bass:staccato", 92}, {Pizz, "chords:offbeat", 70}, {DrumChannel, "drums:toms", 76}},
        .Bpm = 116,
        .CrashAtStart = false});
    song.ProgramAt(Lead, song.Position(), 48);
    song.ProgramAt(Double, song.Position(), 40);
    song.Play({.Bars = 16,
        .Melody = melody,
        .Lead = Lead,
        .LeadVelocity = 100,
        .Double = Double,
        .DoubleShift = 12,
        .Chords = chords,
        .Layers = {{Bass, "bass:quarters", 98}, {Pizz, "chords:offbeat", 78}, {DrumChannel, "drums:rock", 92},
            {Brass, "chords:stab", 70}},
        .Bpm = 136});
    song.ProgramAt(Lead, song.Position(), 61);
    song.Play({.Bars = 16,
        .Melody = melody,
        .Lead = Lead,
        .LeadVelocity = 108,
        .Double = Double,
        .DoubleShift = 12,
        .Chords = chords,
        .Layers = {{Bass, "bass:eighths", 104}, {Pizz, "chords:offbeat", 84}, {DrumChannel, "drums:pop", 106},
            {Brass, "chords:block", 76}},
        .Bpm = 160});
    song.Note(Lead, song.Position(), 4 * Ppq, 57, 110);
    song.End("Am", 0, {{Pizz, "", 90}, {Bass, "bass:", 110}, {Brass, "", 90}, {DrumChannel, "drums:", 110}});
    return song;
}

// 3. The minuet in G from the old keyboard notebook, as a small dance band.
TSong Minuet()
{
    TSong song(3, 132, 7);
    enum { Lead, Second, Strings, Bass, Guitar };
    song.Instrument(Lead, 6, 120, 54, 40);
    song.Instrument(Second, 73, 108, 74, 50);
    song.Instrument(Strings, 48, 84, 84, 50);
    song.Instrument(Bass, 45, 122, 64, 30);
    song.Instrument(Guitar, 24, 96, 40, 40);
    song.Instrument(DrumChannel, 0, 80, 64, 30);

    const std::string a = "D5q G4e A4e B4e C5e | D5q G4q G4q | E5q C5e D5e E5e F#5e | G5q G4q G4q |"
                          "C5q D5e C5e B4e A4e | B4q C5e B4e A4e G4e | F#4q G4e A4e B4e G4e | A4h. |"
                          "D5q G4e A4e B4e C5e | D5q G4q G4q | E5q C5e D5e E5e F#5e | G5q G4q G4q |"
                          "C5q D5e C5e B4e A4e | B4q C5e B4e A4e G4e | A4q B4e A4e G4e F#4e | G4h.";
    const std::string aChords = "G | G | C | G | C | G | D | D | G | G | C | G | C | G | D | G";
    const std::string b = "B5q G5e A5e B5e G5e | A5q D5e E5e F#5e D5e | G5q E5e F#5e G5e D5e | C#5q B4e C#5e A4q |"
                          "A4e B4e C#5e D5e E5e F#5e | G5q F#5q E5q | F#5q A4q C#5q | D5h. |"
                          "D5q G4e F#4e G4q | E5q G4e F#4e G4q | D5q C5q B4q | A4e G4e F#4e G4e A4q |"
                          "D4e E4e F#4e G4e A4e B4e | C5q B4q A4q | B4e D5e G4q F#4q | G4h.";
    const std::string bChords = "G | D | Em | A | A | Em A7 | D A7 | D | G | C | G | D | D | Am | G D | G";

    song.Play({.Bars = 16,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 90,
        .Chords = aChords,
        .Layers = {{Bass, "bass:waltz", 90}, {Strings, "chords:waltz", 56}, {DrumChannel, "drums:waltz", 60}},
        .CrashAtStart = false});
    song.Play({.Bars = 16,
        .Melody = a,
        .Lead = Second,
        .LeadVelocity = 92,
        .Harmony = Lead,
        .Chords = aChords,
        .Layers = {{Bass, "bass:waltz", 92}, {Guitar, "chords:arp8", 64}, {DrumChannel, "drums:waltz", 70}},
        .CrashAtStart = false});
    song.Play({.Bars = 16,
        .Melody = b,
        .Lead = Lead,
        .LeadVelocity = 92,
        .Chords = bChords,
        .Layers = {{Bass, "bass:waltz", 92}, {Strings, "chords:waltz", 60}, {DrumChannel, "drums:waltz", 70}},
        .CrashAtStart = false});
    song.ProgramAt(Second, song.Position(), 68);
    song.Play({.Bars = 16,
        .Melody = b,
        .Lead = Second,
        .LeadVelocity = 96,
        .Double = Lead,
        .DoubleShift = 0,
        .Chords = bChords,
        .Layers = {{Bass, "bass:waltz", 96}, {Guitar, "chords:arp8", 66}, {Strings, "chords:pad", 48},
            {DrumChannel, "drums:tambourine", 80}},
        .CrashAtStart = false});
    song.Play({.Bars = 16,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 96,
        .Double = Second,
        .DoubleShift = 12,
        .Chords = aChords,
        .Layers = {{Bass, "bass:waltz", 96}, {Strings, "chords:waltz", 62}, {Guitar, "chords:arp8", 60},
            {DrumChannel, "drums:waltz", 76}},
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.End("G", 0, {{Strings, "", 70}, {Bass, "bass:", 96}});
    return song;
}

// 4. Dvorak's largo theme, slow, with a middle strain of our own.
TSong Largo()
{
    TSong song(4, 64, 0);
    enum { Lead, Second, Strings, Bass, Harp };
    song.Instrument(Lead, 69, 105, 60, 70);
    song.Instrument(Second, 71, 90, 76, 70);
    song.Instrument(Strings, 48, 72, 64, 80);
    song.Instrument(Bass, 42, 90, 54, 60);
    song.Instrument(Harp, 46, 80, 84, 70);
    song.Instrument(DrumChannel, 0, 70, 64, 50);

    const std::string a = "E4q. G4e G4h | E4q. D4e C4h | D4q E4q G4q E4q | D4w |"
                          "E4q. G4e G4h | E4q. D4e C4h | D4q E4q D4q C4q | C4w";
    const std::string aChords = "C | C | G | G | C | Am | G | C";
    const std::string b = "A4q. C5e B4q G4q | A4h E4h | A4q. C5e B4q G4q | E5w |"
                          "D5q. C5e B4q A4q | G4h E4h | F4q E4q D4q E4q | G4w";
    const std::string bChords = "Am | Am | F G | C | Dm | C Am | Dm | G";

    song.Play({.Bars = 2,
        .Chords = "C | G",
        .Layers = {{Strings, "chords:pad", 60}, {Bass, "bass:pedal", 70}},
        .Transpose = 1,
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 88,
        .Chords = aChords,
        .Layers = {{Strings, "chords:pad", 58}, {Bass, "bass:half", 76}},
        .Transpose = 1,
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.ProgramAt(Second, song.Position(), 48);
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Second,
        .LeadVelocity = 90,
        .Harmony = Lead,
        .Chords = aChords,
        .Layers = {{Harp, "chords:arp8", 62}, {Bass, "bass:half", 80}, {DrumChannel, "drums:soft", 60}},
        .Transpose = 1,
        .CrashAtStart = false});
    song.ProgramAt(Second, song.Position(), 71);
    song.Play({.Bars = 8,
        .Melody = b,
        .Lead = Second,
        .LeadVelocity = 90,
        .Chords = bChords,
        .Layers = {{Strings, "chords:pad", 62}, {Harp, "chords:arp8", 58}, {Bass, "bass:half", 80},
            {DrumChannel, "drums:soft", 64}},
        .Transpose = 1,
        .CrashAtStart = false});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 92,
        .Double = Second,
        .DoubleShift = 12,
        .Chords = aChords,
        .Layers = {{Strings, "chords:pad", 60}, {Harp, "chords:arp16", 54}, {Bass, "bass:half", 80},
            {DrumChannel, "drums:soft", 58}},
        .Transpose = 1,
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.Play({.Bars = 2,
        .Melody = "C4w | C4w",
        .Lead = Lead,
        .LeadVelocity = 80,
        .Chords = "F | C",
        .Layers = {{Strings, "chords:pad", 56}, {Harp, "chords:arp8", 50}, {Bass, "bass:pedal", 70}},
        .Transpose = 1,
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.End("C", 1, {{Strings, "", 50}, {Bass, "bass:", 60}});
    return song;
}

// 5. The old English ballad, for recorder, guitar and strings.
TSong Greensleeves()
{
    TSong song(3, 108, 0);
    enum { Lead, Second, Guitar, Bass, Strings };
    song.Instrument(Lead, 74, 118, 60, 60);
    song.Instrument(Second, 40, 100, 76, 60);
    song.Instrument(Guitar, 24, 108, 44, 50);
    song.Instrument(Bass, 32, 108, 64, 40);
    song.Instrument(Strings, 48, 68, 84, 70);
    song.Instrument(DrumChannel, 0, 75, 64, 40);

    const std::string verse = "A4q C5h D5q | E5q. F5e E5q | D5h B4q | G4q. A4e B4q | C5h A4q | A4q. G#4e A4q |"
                              "B4h G#4q | E4h A4q | C5h D5q | E5q. F5e E5q | D5h B4q | G4q. A4e B4q |"
                              "C5q. B4e A4q | G#4q. F#4e G#4q | A4h. | A4h.";
    const std::string verseChords = "Am | C | G | Em | Am | F E | E | E | Am | C | G | Em | Am | E | Am | Am";
    const std::string chorus = "G5h. | G5q. F#5e E5q | D5h B4q | G4q. A4e B4q | C5h A4q | A4q. G#4e A4q |"
                               "B4h G#4q | E4h. | G5h. | G5q. F#5e E5q | D5h B4q | G4q. A4e B4q |"
                               "C5q. B4e A4q | G#4q. F#4e G#4q | A4h. | Rh.";
    const std::string chorusChords = "C | C | G | Em | Am | F E | E | E | C | C | G | Em | Am | E | Am | Am";

    song.Play({.Bars = 2,
        .Chords = "Am | E",
        .Layers = {{Guitar, "chords:arp8", 70}},
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.Play({.Bars = 16,
        .Melody = verse,
        .PickupBeats = 1,
        .Lead = Lead,
        .LeadVelocity = 90,
        .Chords = verseChords,
        .Layers = {{Guitar, "chords:arp8", 70}, {Bass, "bass:waltz", 80}},
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.Play({.Bars = 16,
        .Melody = chorus,
        .Lead = Lead,
        .LeadVelocity = 92,
        .Harmony = Second,
        .Chords = chorusChords,
        .Layers = {{Guitar, "chords:arp8", 70}, {Bass, "bass:waltz", 84}, {Strings, "chords:pad", 50},
            {DrumChannel, "drums:tambourine", 64}},
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.Play({.Bars = 16,
        .Melody = verse,
        .PickupBeats = 1,
        .Lead = Second,
        .LeadVelocity = 94,
        .Chords = verseChords,
        .Layers = {{Guitar, "chords:arp8", 72}, {Bass, "bass:waltz", 86}, {Strings, "chords:waltz", 52},
            {DrumChannel, "drums:waltz", 66}},
        .CrashAtStart = false});
    song.Play({.Bars = 16,
        .Melody = chorus,
        .Lead = Lead,
        .LeadVelocity = 96,
        .Double = Second,
        .DoubleShift = -12,
        .Chords = chorusChords,
        .Layers = {{Guitar, "chords:arp8", 72}, {Bass, "bass:waltz", 90}, {Strings, "chords:pad", 56},
            {DrumChannel, "drums:tambourine", 72}},
        .CrashAtStart = false,
        .FillAtEnd = false});
    song.End("Am", 0, {{Guitar, "", 70}, {Strings, "", 56}, {Bass, "bass:", 80}});
    return song;
}

// 6. Our own: a driving tune in E minor for synthesizers.
TSong GlassRain()
{
    TSong song(4, 124, 7);
    enum { Lead, Second, Pad, Bass, Keys };
    song.Instrument(Lead, 80, 92, 60, 50);
    song.Instrument(Second, 81, 80, 80, 50);
    song.Instrument(Pad, 89, 72, 64, 70);
    song.Instrument(Bass, 38, 100, 64, 20);
    song.Instrument(Keys, 4, 78, 44, 50);
    song.Instrument(DrumChannel, 0, 100, 64, 30);

    const std::string a = "B4q. E5e E5q F#5q | G5q. F#5e E5h | D5q. B4e G4q B4q | A4h. Rq |"
                          "B4q. E5e E5q F#5q | G5q. A5e G5q E5q | D5q. E5e D5q B4q | F#5h. Rq";
    const std::string aChords = "Em | C | G | D | Em | C | G | D";
    const std::string b = "C6q. B5e A5q E5q | F#5q. E5e D5q A4q | B4q. C5e D5q G5q | E5h B4h |"
                          "C5q E5q G5q E5q | A5q. G5e E5q C5q | D#5q F#5q A5q F#5q | F#5h D#5h";
    const std::string bChords = "Am | D | G | Em | C | Am | B7 | B7";
    const std::vector<TLayer> full = {{Bass, "bass:eighths", 96}, {Pad, "chords:pad", 60}, {Keys, "chords:offbeat", 60},
        {DrumChannel, "drums:pop", 100}};

    song.Play({.Bars = 4,
        .Chords = "Em | C | G | D",
        .Layers = {{Bass, "bass:eighths", 90}, {Pad, "chords:pad", 60}, {DrumChannel, "drums:rock", 90}},
        .CrashAtStart = false});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 96,
        .Chords = aChords,
        .Layers = {{Bass, "bass:eighths", 94}, {Pad, "chords:pad", 58}, {DrumChannel, "drums:rock", 94}},
        .FillAtEnd = false});
    song.Play({.Bars = 8, .Melody = b, .Lead = Lead, .LeadVelocity = 98, .Chords = bChords, .Layers = full});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Second,
        .LeadVelocity = 98,
        .Harmony = Lead,
        .Chords = aChords,
        .Layers = full,
        .FillAtEnd = false});
    song.Play({.Bars = 8,
        .Melody = b,
        .Lead = Second,
        .LeadVelocity = 100,
        .Double = Lead,
        .DoubleShift = -12,
        .Chords = bChords,
        .Layers = full});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 100,
        .Double = Second,
        .DoubleShift = 12,
        .Chords = aChords,
        .Layers = {{Bass, "bass:eighths", 96}, {Pad, "chords:pad", 60}, {Keys, "chords:arp16", 56},
            {DrumChannel, "drums:pop", 102}}});
    song.Note(Lead, song.Position(), 4 * Ppq, 64, 96);
    song.End("Em", 0, {{Pad, "", 64}, {Bass, "bass:", 96}, {DrumChannel, "drums:", 100}});
    return song;
}

// 7. Our own: a late-night groove in D dorian.
TSong NightShift()
{
    TSong song(4, 100, 0);
    enum { Lead, Second, Keys, Bass, Organ };
    song.Instrument(Lead, 4, 120, 56, 50);
    song.Instrument(Second, 11, 106, 76, 60);
    song.Instrument(Keys, 4, 84, 40, 40);
    song.Instrument(Bass, 36, 118, 64, 20);
    song.Instrument(Organ, 16, 74, 88, 50);
    song.Instrument(DrumChannel, 0, 95, 64, 30);

    const std::string a = "Rq A4e C5e D5q C5e A4e | B4q. A4e G4h | Rq A4e C5e D5e F5e E5e D5e | E5q. D5e B4h |"
                          "Rq D5e F5e A5q. F5e | G5q. E5e C5h | F5e E5e D5e C5e D5q A4q | C#5h. Rq |"
                          "Rq A4e C5e D5q C5e A4e | B4q. A4e G4h | Rq A4e C5e D5e F5e E5e D5e | G5q. F5e E5h |"
                          "F5q. D5e Bb4q D5q | E5q. C5e G4q C5q | D5e E5e F5e E5e C#5q A4q | D5h. Rq";
    const std::string chords = "Dm7 | G7 | Dm7 | G7 | Bbmaj7 | C | Dm7 | A7 | Dm7 | G7 | Dm7 | G7 | Bbmaj7 | C |"
                               "Dm7 A7 | Dm7";
    const std::string groove = "Dm7 | G7 | Dm7 | G7 | Bbmaj7 | C | Dm7 | A7";

    song.Play({.Bars = 4,
        .Chords = "Dm7 | G7 | Dm7 | G7",
        .Layers = {{Bass, "bass:funk", 96}, {DrumChannel, "drums:funk", 92}},
        .CrashAtStart = false});
    song.Play({.Bars = 16,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 96,
        .Chords = chords,
        .Layers = {{Bass, "bass:funk", 96}, {Organ, "chords:pad", 50}, {DrumChannel, "drums:funk", 94}}});
    song.Play({.Bars = 16,
        .Melody = a,
        .Lead = Second,
        .LeadVelocity = 98,
        .Harmony = Lead,
        .Chords = chords,
        .Layers = {{Bass, "bass:funk", 98}, {Keys, "chords:stab", 66}, {Organ, "chords:pad", 48},
            {DrumChannel, "drums:funk", 96}}});
    song.Play({.Bars = 8,
        .Chords = groove,
        .Layers = {{Bass, "bass:funk", 100}, {Keys, "chords:offbeat", 70}, {Organ, "chords:pad", 56},
            {DrumChannel, "drums:funk", 98}}});
    song.ProgramAt(Second, song.Position(), 65);
    song.Play({.Bars = 16,
        .Melody = a,
        .Lead = Second,
        .LeadVelocity = 100,
        .Double = Lead,
        .DoubleShift = 12,
        .Chords = chords,
        .Layers = {{Bass, "bass:funk", 100}, {Keys, "chords:stab", 68}, {Organ, "chords:pad", 50},
            {DrumChannel, "drums:funk", 98}}});
    song.End("Dm7", 0, {{Keys, "", 70}, {Organ, "", 56}, {Bass, "bass:", 96}, {DrumChannel, "drums:", 96}});
    return song;
}

// 8. Our own: a brass-band march in B flat.
TSong TriangleMarch()
{
    TSong song(4, 120, 10);
    enum { Lead, Second, Band, Bass, Reeds };
    song.Instrument(Lead, 56, 100, 60, 40);
    song.Instrument(Second, 60, 90, 80, 50);
    song.Instrument(Band, 61, 76, 44, 50);
    song.Instrument(Bass, 58, 105, 64, 30);
    song.Instrument(Reeds, 71, 84, 90, 40);
    song.Instrument(DrumChannel, 0, 100, 64, 30);

    const std::string a = "F4q Bb4q D5q. Bb4e | C5q A4q F4h | D5q F5q F5q. D5e | C5h. Rq |"
                          "F4q Bb4q D5q. Bb4e | Eb5q G5q G5q. Eb5e | D5q C5q A4q C5q | Bb4h. Rq";
    const std::string aChords = "Bb | F | Bb | F | Bb | Eb | F | Bb";
    const std::string b = "G5h Eb5q G5q | F5h D5q Bb4q | C5q D5q Eb5q C5q | D5h. Rq |"
                          "G5q. F5e Eb5q G5q | G5q. F5e Eb5q C5q | F5q Eb5q D5q C5q | Bb4h. Rq";
    const std::string bChords = "Eb | Bb | F7 | Bb | Eb | Cm | F7 | Bb";

    song.Play({.Bars = 2,
        .Chords = "Bb | F7",
        .Layers = {{DrumChannel, "drums:march", 90}, {Bass, "bass:march", 90}},
        .CrashAtStart = false});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 96,
        .Chords = aChords,
        .Layers = {{Bass, "bass:march", 96}, {Band, "chords:stab", 62}, {DrumChannel, "drums:march", 92}},
        .FillAtEnd = false});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 98,
        .Harmony = Reeds,
        .Chords = aChords,
        .Layers = {{Bass, "bass:march", 96}, {Band, "chords:stab", 64}, {DrumChannel, "drums:march", 94}}});
    song.Play({.Bars = 8,
        .Melody = b,
        .Lead = Second,
        .LeadVelocity = 98,
        .Chords = bChords,
        .Layers = {{Bass, "bass:march", 96}, {Band, "chords:stab", 62}, {Reeds, "chords:arp8", 56},
            {DrumChannel, "drums:march", 92}},
        .FillAtEnd = false});
    song.Play({.Bars = 8,
        .Melody = b,
        .Lead = Second,
        .LeadVelocity = 100,
        .Double = Lead,
        .DoubleShift = 0,
        .Harmony = Reeds,
        .Chords = bChords,
        .Layers = {{Bass, "bass:march", 98}, {Band, "chords:stab", 66}, {DrumChannel, "drums:march", 96}}});
    song.Play({.Bars = 8,
        .Melody = a,
        .Lead = Lead,
        .LeadVelocity = 104,
        .Double = Reeds,
        .DoubleShift = 12,
        .Harmony = Second,
        .Chords = aChords,
        .Layers = {{Bass, "bass:march", 100}, {Band, "chords:block", 66}, {DrumChannel, "drums:march", 100}}});
    song.Note(Lead, song.Position(), 4 * Ppq, 70, 104);
    song.End("Bb", 0, {{Band, "", 80}, {Bass, "bass:", 100}, {DrumChannel, "drums:", 104}});
    return song;
}

} // namespace music
