// Writes the songs of the demo folder and the companion text of one of them:
// make_demo_songs <demo folder>.
//
// The pieces are public-domain tunes (a canon progression, the Ode to Joy
// theme, Frere Jacques, Sakura Sakura, Greensleeves, a minuet in G, the folk
// song Korobeiniki) entered note by note here, arranged to show every monitor
// of the player moving.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "song_writer.h"

using demo::Bytes;
using demo::RcpEvent;
using demo::RcpTrack;
using demo::SmfTrack;

namespace {

constexpr int kDivision = 480;
constexpr int kQuarter = kDivision;
constexpr int kDrumChannel = 9;

// A melody note: key (0 = rest) and length in eighth notes.
struct Step {
    int key;
    int eighths;
};

// Adds `melody` from `start`; returns the tick after the last note.
std::uint32_t PlayMelody(SmfTrack& track, std::uint32_t start, int channel,
                         const std::vector<Step>& melody, int velocity, int transpose = 0,
                         double legato = 0.9) {
    std::uint32_t tick = start;
    for (const Step& step : melody) {
        std::uint32_t length = static_cast<std::uint32_t>(step.eighths * kQuarter / 2);
        if (step.key > 0)
            track.Note(tick, static_cast<std::uint32_t>(length * legato), channel,
                       step.key + transpose, velocity);
        tick += length;
    }
    return tick;
}

void SetUpChannel(SmfTrack& track, int channel, int program, int volume, int pan, int reverb = 40) {
    track.Control(0, channel, 0, 0);
    track.Program(0, channel, program);
    track.Control(0, channel, 7, volume);
    track.Control(0, channel, 10, pan);
    track.Control(0, channel, 91, reverb);
}

// The ensemble piece: eight sections over the canon's eight-chord ground,
// every channel in use, with program changes, pan sweeps and modulation.
Bytes Ensemble() {
    const int chords[8][3] = {{62, 66, 69}, {57, 61, 64}, {59, 62, 66}, {54, 57, 61},
                              {55, 59, 62}, {50, 54, 57}, {55, 59, 62}, {57, 61, 64}};
    const int bass[8] = {50, 45, 47, 42, 43, 38, 43, 45};
    const int theme[8] = {78, 76, 74, 73, 71, 69, 71, 73};
    const std::uint32_t chord_ticks = 2 * kQuarter;
    const std::uint32_t section_ticks = 8 * chord_ticks;

    SmfTrack conductor;
    conductor.Meta(0, 0x03, "NIVRA Ensemble - Canon Ground");
    conductor.Add(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    conductor.Tempo(0, 100);

    SmfTrack music;
    const int programs[16] = {0, 48, 32, 73, 40, 42, 46, 56, 52, 0, 12, 68, 60, 9, 88, 45};
    const int pans[16] = {40, 64, 64, 84, 30, 100, 20, 92, 64, 64, 110, 50, 72, 100, 64, 12};
    music.Add(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    for (int channel = 0; channel < 16; ++channel)
        SetUpChannel(music, channel, programs[channel], channel == kDrumChannel ? 110 : 96,
                     pans[channel]);

    for (int section = 0; section < 8; ++section) {
        const std::uint32_t base = section * section_ticks;
        if (section == 4)
            music.Program(base, 0, 4);  // piano to electric piano
        if (section == 6)
            music.Program(base, 6, 47);  // harp to timpani
        for (int c = 0; c < 8; ++c) {
            const std::uint32_t at = base + c * chord_ticks;
            const int* chord = chords[c];
            const bool last = section == 7 && c == 7;
            const std::uint32_t hold = last ? 2 * chord_ticks : chord_ticks - 20;
            // Ground: cello and bass from the start, strings pad above them.
            music.Note(at, hold, 5, bass[c], 80);
            music.Note(at, hold, 2, bass[c] - 12, 90);
            for (int k : {0, 1, 2})
                music.Note(at, hold, 1, chord[k], 60 + 4 * section);
            // Harp arpeggio in eighths.
            for (int i = 0; i < 4; ++i)
                music.Note(at + i * kQuarter / 2, kQuarter / 2, 6, chord[i % 3] + 12, 70);
            if (section >= 1) {
                music.Note(at, chord_ticks - 40, 4, theme[c], 92);  // violin theme
                for (int beat = 0; beat < 2; ++beat)
                    music.Note(at + beat * kQuarter, kQuarter / 4, 15, chord[beat] - 12, 84);
            }
            if (section >= 2) {
                // Flute in quarters, each long note swelling its vibrato.
                music.Note(at, kQuarter - 30, 3, chord[2] + 12, 88);
                music.Note(at + kQuarter, kQuarter - 30, 3, chord[1] + 12, 84);
                for (int m = 0; m < 8; ++m)
                    music.Control(at + m * chord_ticks / 8, 3, 1, m * 14);
                // Drums: kick, snare, hats.
                for (int eighth = 0; eighth < 4; ++eighth)
                    music.Note(at + eighth * kQuarter / 2, 60, kDrumChannel, 42,
                               section >= 6 ? 90 : 60);
                music.Note(at, 60, kDrumChannel, 36, 100);
                music.Note(at + kQuarter, 60, kDrumChannel, 38, section >= 6 ? 110 : 80);
            }
            if (section >= 3) {
                // Piano eighth-note arpeggios; the oboe answers the theme two chords late.
                for (int i = 0; i < 4; ++i)
                    music.Note(at + i * kQuarter / 2, kQuarter / 2 - 10, 0,
                               chord[(i + c) % 3] + (i == 3 ? 12 : 0), 76);
                music.Note(at, chord_ticks - 40, 11, theme[(c + 6) % 8] - 3, 80);
            }
            if (section >= 4) {
                music.Note(at, chord_ticks - 40, 7, theme[c] - 12, 84);  // trumpet
                music.Note(at, hold, 12, chord[0] - 12, 72);             // horn
                for (int i = 0; i < 8; ++i)                              // marimba
                    music.Note(at + i * kQuarter / 4, kQuarter / 4, 10, chord[i % 3] + 12, 64);
            }
            if (section >= 5) {
                for (int k : {0, 1, 2})
                    music.Note(at, hold, 8, chord[k] - 12, 70);   // choir
                music.Note(at, kQuarter, 13, theme[c] + 12, 70);  // glockenspiel
                music.Note(at, hold, 14, chord[0], 64);           // pad
                music.Control(at, 14, 10, (c % 2) ? 20 : 108);    // pan sweep
            }
            if (section == 6 && c == 0)
                music.Note(at, kQuarter, kDrumChannel, 49, 110);
            if (section == 7) {
                for (int channel = 0; channel < 16; ++channel)
                    music.Control(at, channel, 11, 127 - c * 10);  // fade at the end
            }
            if (last)
                music.Note(at, kQuarter, kDrumChannel, 57, 100);
        }
    }
    return demo::SmfFile(1, kDivision, {conductor, music});
}

// The Ode to Joy theme four times, through an accelerando, a sudden slow
// phrase and a final ritardando: tempo changes the play-time read-out follows.
Bytes TempoChanges() {
    const std::vector<Step> phrase_a = {{64, 2}, {64, 2}, {65, 2}, {67, 2}, {67, 2}, {65, 2},
                                        {64, 2}, {62, 2}, {60, 2}, {60, 2}, {62, 2}, {64, 2}};
    const std::vector<Step> end_one = {{64, 3}, {62, 1}, {62, 4}};
    const std::vector<Step> end_two = {{62, 3}, {60, 1}, {60, 4}};
    const std::vector<Step> phrase_b = {{62, 2}, {62, 2}, {64, 2}, {60, 2}, {62, 2}, {64, 1},
                                        {65, 1}, {64, 2}, {60, 2}, {62, 2}, {64, 1}, {65, 1},
                                        {64, 2}, {62, 2}, {60, 2}, {62, 2}, {55, 4}};
    std::vector<Step> tune = phrase_a;
    tune.insert(tune.end(), end_one.begin(), end_one.end());
    tune.insert(tune.end(), phrase_a.begin(), phrase_a.end());
    tune.insert(tune.end(), end_two.begin(), end_two.end());
    tune.insert(tune.end(), phrase_b.begin(), phrase_b.end());
    tune.insert(tune.end(), phrase_a.begin(), phrase_a.end());
    tune.insert(tune.end(), end_two.begin(), end_two.end());

    SmfTrack conductor;
    conductor.Meta(0, 0x03, "Tempo Changes - Ode to Joy");
    for (int beat = 0; beat < 16 * 4; ++beat) {
        const std::uint32_t tick = beat * kQuarter;
        const int bar_index = beat / 4;
        double bpm;
        if (bar_index < 4)
            bpm = 90;  // steady
        else if (bar_index < 8)
            bpm = 90 + (beat - 16) * 4.0;  // accelerando
        else if (bar_index < 12)
            bpm = bar_index < 10 ? 150 : 72;  // fast, then slow
        else
            bpm = 120 - (beat - 48) * 4.0;  // ritardando
        conductor.Tempo(tick, bpm);
    }

    SmfTrack melody, accompaniment;
    SetUpChannel(melody, 0, 68, 110, 70);
    SetUpChannel(accompaniment, 1, 0, 90, 50);
    SetUpChannel(accompaniment, 2, 45, 100, 80);
    PlayMelody(melody, 0, 0, tune, 100);
    const int roots[16] = {48, 43, 48, 43, 48, 43, 48, 48, 43, 43, 43, 43, 48, 43, 48, 48};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t at = i * 4 * kQuarter;
        for (int beat = 0; beat < 4; ++beat) {
            accompaniment.Note(at + beat * kQuarter, kQuarter / 2, 2, roots[i] - 12, 90);
            if (beat % 2 == 1)
                for (int k : {0, 4, 7})
                    accompaniment.Note(at + beat * kQuarter, kQuarter / 2, 1, roots[i] + 12 + k,
                                       64);
        }
    }
    return demo::SmfFile(1, kDivision, {conductor, melody, accompaniment});
}

// Frere Jacques as a three-voice round in one format-0 track.
Bytes FormatZeroRound() {
    const std::vector<Step> tune = {{60, 2}, {62, 2}, {64, 2}, {60, 2}, {60, 2}, {62, 2}, {64, 2},
                                    {60, 2}, {64, 2}, {65, 2}, {67, 4}, {64, 2}, {65, 2}, {67, 4},
                                    {67, 1}, {69, 1}, {67, 1}, {65, 1}, {64, 2}, {60, 2}, {67, 1},
                                    {69, 1}, {67, 1}, {65, 1}, {64, 2}, {60, 2}, {60, 2}, {55, 2},
                                    {60, 4}, {60, 2}, {55, 2}, {60, 4}};
    SmfTrack track;
    track.Meta(0, 0x03, "Format 0 - Frere Jacques Round");
    track.Tempo(0, 120);
    const int programs[3] = {73, 71, 70};
    const int transposes[3] = {12, 0, -12};
    for (int voice = 0; voice < 3; ++voice) {
        SetUpChannel(track, voice, programs[voice], 100, 30 + 34 * voice);
        std::uint32_t start = voice * 8 * kQuarter;
        for (int pass = 0; pass < 2; ++pass)
            start = PlayMelody(track, start, voice, tune, 96, transposes[voice]);
    }
    return demo::SmfFile(0, kDivision, {track});
}

// Sakura Sakura for koto and shakuhachi, titled in Shift-JIS.
Bytes Sakura() {
    const std::vector<Step> tune = {
        {69, 2}, {69, 2}, {71, 4}, {69, 2}, {69, 2}, {71, 4}, {69, 2}, {71, 2}, {72, 2}, {71, 2},
        {69, 2}, {71, 1}, {69, 1}, {65, 4}, {64, 2}, {60, 2}, {64, 2}, {65, 2}, {64, 2}, {64, 1},
        {60, 1}, {59, 4}, {69, 2}, {71, 2}, {72, 2}, {71, 2}, {69, 2}, {71, 1}, {69, 1}, {65, 4},
        {64, 2}, {60, 2}, {64, 2}, {65, 2}, {64, 2}, {64, 1}, {60, 1}, {59, 4}, {69, 2}, {69, 2},
        {71, 4}, {69, 2}, {69, 2}, {71, 4}, {64, 2}, {65, 2}, {71, 1}, {69, 1}, {65, 2}, {64, 8}};
    SmfTrack track0;
    // "さくらさくら" in Shift-JIS.
    track0.Meta(0, 0x03, "\x82\xb3\x82\xad\x82\xe7\x82\xb3\x82\xad\x82\xe7");
    track0.Tempo(0, 76);
    SmfTrack koto, shakuhachi;
    koto.Meta(0, 0x03, "Koto");
    shakuhachi.Meta(0, 0x03, "Shakuhachi");
    SetUpChannel(koto, 0, 107, 110, 44, 60);
    SetUpChannel(shakuhachi, 1, 77, 90, 84, 70);
    PlayMelody(koto, 0, 0, tune, 100, 0, 0.98);
    std::uint32_t end = PlayMelody(shakuhachi, 0, 1, tune, 80, -12, 0.95);
    for (std::uint32_t tick = 0; tick < end; tick += kQuarter / 2)
        shakuhachi.Control(tick, 1, 1, (tick / (kQuarter / 2)) % 8 * 12);
    for (std::uint32_t tick = 0; tick < end; tick += 4 * kQuarter) {
        koto.Note(tick, 4 * kQuarter - 40, 0, 45, 70);  // open fifth drone
        koto.Note(tick, 4 * kQuarter - 40, 0, 52, 64);
    }
    return demo::SmfFile(1, kDivision, {track0, koto, shakuhachi});
}

// Greensleeves in 3/4, the SMF that goes into the MacBinary wrapper.
Bytes Greensleeves() {
    const std::vector<Step> tune = {
        {69, 2}, {72, 4}, {74, 2}, {76, 3}, {77, 1}, {76, 2}, {74, 4}, {71, 2}, {67, 3}, {69, 1},
        {71, 2}, {72, 4}, {69, 2}, {69, 3}, {68, 1}, {69, 2}, {71, 4}, {68, 2}, {64, 4}, {69, 2},
        {72, 4}, {74, 2}, {76, 3}, {77, 1}, {76, 2}, {74, 4}, {71, 2}, {67, 3}, {69, 1}, {71, 2},
        {72, 3}, {71, 1}, {69, 2}, {68, 3}, {66, 1}, {68, 2}, {69, 6}, {69, 4}};
    SmfTrack track;
    track.Meta(0, 0x03, "Greensleeves (MacBinary)");
    track.Add(0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08});
    track.Tempo(0, 96);
    SetUpChannel(track, 0, 24, 110, 54);
    SetUpChannel(track, 1, 32, 96, 74);
    PlayMelody(track, 0, 0, tune, 96);
    const int roots[17] = {45, 48, 43, 40, 45, 45, 40, 40, 45, 48, 43, 40, 45, 40, 45, 45, 45};
    const std::uint32_t pickup = kQuarter;
    for (int bar = 0; bar < 17; ++bar)
        track.Note(pickup + bar * 3 * kQuarter, 3 * kQuarter - 60, 1, roots[bar] - 12, 90);
    return demo::SmfFile(0, kDivision, {track});
}

// A drum groove with a bending synth lead, for the sub-folder.
Bytes Groove() {
    SmfTrack track;
    track.Meta(0, 0x03, "Groove in the Sub-folder");
    track.Tempo(0, 118);
    SetUpChannel(track, kDrumChannel, 0, 110, 64);
    SetUpChannel(track, 1, 38, 100, 64);
    SetUpChannel(track, 2, 81, 90, 90);
    const int bassline[8] = {40, 40, 43, 45, 40, 40, 38, 35};
    for (int bar = 0; bar < 16; ++bar) {
        const std::uint32_t at = bar * 4 * kQuarter;
        for (int eighth = 0; eighth < 8; ++eighth) {
            const std::uint32_t t = at + eighth * kQuarter / 2;
            track.Note(t, 60, kDrumChannel, eighth % 2 ? 42 : 44, 70);
            if (eighth % 4 == 0)
                track.Note(t, 60, kDrumChannel, 36, 110);
            if (eighth % 4 == 2)
                track.Note(t, 60, kDrumChannel, 38, 100);
            track.Note(t, kQuarter / 2 - 30, 1, bassline[eighth], 100);
        }
        if (bar % 2 == 1) {
            track.Note(at, 3 * kQuarter, 2, 64 + (bar % 4), 90);
            for (int i = 0; i <= 8; ++i) {  // bend up a whole tone and back
                const int bend = 8192 + (i <= 4 ? i : 8 - i) * 1024;
                track.Add(at + i * kQuarter / 4,
                          {0xE2, static_cast<std::uint8_t>(bend & 0x7F),
                           static_cast<std::uint8_t>(std::min(bend >> 7, 127))});
            }
        }
    }
    return demo::SmfFile(0, kDivision, {track});
}

// Korobeiniki as game music: two bars of intro, then eight bars that loop,
// their start marked with controller 111 as many game songs mark it. The
// last bass note is held to the bar line, so the song (and with it the loop)
// ends exactly where the loop body does.
Bytes LoopingTune() {
    const std::vector<Step> tune = {
        {76, 2}, {71, 1}, {72, 1}, {74, 2}, {72, 1}, {71, 1}, {69, 2}, {69, 1}, {72, 1}, {76, 2},
        {74, 1}, {72, 1}, {71, 3}, {72, 1}, {74, 2}, {76, 2}, {72, 2}, {69, 2}, {69, 4}, {74, 3},
        {77, 1}, {81, 2}, {79, 1}, {77, 1}, {76, 3}, {72, 1}, {76, 2}, {74, 1}, {72, 1}, {71, 2},
        {71, 1}, {72, 1}, {74, 2}, {76, 2}, {72, 2}, {69, 2}, {69, 4}};
    const int intro_roots[2] = {45, 45};
    const int loop_roots[8] = {40, 45, 40, 45, 38, 48, 40, 45};
    const std::uint32_t bar = 4 * kQuarter;
    const std::uint32_t loop_start = 2 * bar;
    const std::uint32_t eighth = kQuarter / 2;

    SmfTrack track;
    track.Meta(0, 0x03, "Loop Demo - Korobeiniki");
    track.Tempo(0, 140);
    SetUpChannel(track, 0, 80, 96, 64, 30);  // square lead
    SetUpChannel(track, 1, 38, 104, 64, 20);
    SetUpChannel(track, kDrumChannel, 0, 110, 64, 30);
    track.Control(loop_start, 0, 111, 0);
    PlayMelody(track, loop_start, 0, tune, 100, 0, 0.85);
    for (int b = 0; b < 10; ++b) {
        const std::uint32_t at = b * bar;
        const int root = b < 2 ? intro_roots[b] : loop_roots[b - 2];
        for (int i = 0; i < 8; ++i) {
            // Octave bass in eighths; the very last one lasts to the bar line.
            const std::uint32_t length = b == 9 && i == 7 ? eighth : eighth - 40;
            track.Note(at + i * eighth, length, 1, root + (i % 2) * 12, 96);
            track.Note(at + i * eighth, 60, kDrumChannel, 42, i % 2 ? 60 : 80);
        }
        for (int beat = 0; beat < 4; ++beat)
            track.Note(at + beat * kQuarter, 60, kDrumChannel, beat % 2 ? 38 : 36, 100);
    }
    track.Note(loop_start, kQuarter, kDrumChannel, 49, 100);  // a crash on each pass
    return demo::SmfFile(0, kDivision, {track});
}

// A minuet in G as an RCP file: harpsichord melody and bass on two tracks,
// with measure ends, controllers and a closing tempo change.
Bytes Minuet() {
    const int q = 48, e = 24;  // timebase 48
    const std::vector<std::vector<std::pair<int, int>>> bars = {
        {{74, q}, {67, e}, {69, e}, {71, e}, {72, e}},
        {{74, q}, {67, q}, {67, q}},
        {{76, q}, {72, e}, {74, e}, {76, e}, {78, e}},
        {{79, q}, {67, q}, {67, q}},
        {{72, q}, {74, e}, {72, e}, {71, e}, {69, e}},
        {{71, q}, {72, e}, {71, e}, {69, e}, {67, e}},
        {{66, q}, {67, e}, {69, e}, {71, e}, {67, e}},
        {{69, 3 * q}},
        {{74, q}, {67, e}, {69, e}, {71, e}, {72, e}},
        {{74, q}, {67, q}, {67, q}},
        {{76, q}, {72, e}, {74, e}, {76, e}, {78, e}},
        {{79, q}, {67, q}, {67, q}},
        {{72, q}, {74, e}, {72, e}, {71, e}, {69, e}},
        {{71, q}, {72, e}, {71, e}, {69, e}, {67, e}},
        {{69, q}, {71, e}, {69, e}, {67, e}, {66, e}},
        {{67, 3 * q}}};
    const int roots[16] = {43, 47, 48, 47, 45, 43, 50, 50, 43, 47, 48, 47, 45, 43, 50, 43};
    RcpTrack melody{0, "Harpsichord", {{0xEC, 0, 6, 0}, {0xEB, 0, 7, 110}, {0xEB, 0, 10, 50}}};
    RcpTrack bass{1, "Bass", {{0xEC, 0, 32, 0}, {0xEB, 0, 7, 100}, {0xEB, 0, 10, 78}}};
    for (std::size_t bar = 0; bar < bars.size(); ++bar) {
        if (bar == 14)
            melody.events.push_back({0xE7, 0, 52, 0});  // slow down at the close
        for (auto [key, step] : bars[bar])
            melody.events.push_back({static_cast<std::uint8_t>(key),
                                     static_cast<std::uint8_t>(step),
                                     static_cast<std::uint8_t>(step * 9 / 10), 96});
        melody.events.push_back({0xFD, 1, 0, 0});
        bass.events.push_back({static_cast<std::uint8_t>(roots[bar]), 3 * q, 3 * q - 6, 84});
        bass.events.push_back({0xFD, 1, 0, 0});
    }
    return demo::RcpFile("Minuet in G (RCP demo)", 48, 112, {melody, bass});
}

// A companion text, kept as UTF-8 beside this generator, in the player's
// code page (Shift-JIS).
Bytes CompanionText(const std::string& name) {
    const std::string path = std::string(NIVRA_DEMO_TEXTS_DIR "/") + name + ".utf8";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    const std::string utf8{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string cp932 = platform::Utf8ToCp932(utf8);
    return Bytes(cp932.begin(), cp932.end());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_songs <demo folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    try {
        demo::WriteFile(dir + "/ENSEMBLE.MID", Ensemble());
        demo::WriteFile(dir + "/TEMPO.MID", TempoChanges());
        demo::WriteFile(dir + "/FORMAT0.MID", FormatZeroRound());
        demo::WriteFile(dir + "/SAKURA.MID", Sakura());
        demo::WriteFile(dir + "/SAKURA.TXT", CompanionText("SAKURA.TXT"));
        demo::WriteFile(dir + "/MACBIN.MID", demo::MacBinary("Greensleeves", Greensleeves()));
        demo::WriteFile(dir + "/MINUET.RCP", Minuet());
        demo::WriteFile(dir + "/LOOP.MID", LoopingTune());
        demo::WriteFile(dir + "/MORE/GROOVE.MID", Groove());
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "make_demo_songs: %s\n", failure.what());
        return 1;
    }
    return 0;
}
