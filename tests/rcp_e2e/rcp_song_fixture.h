// A scratch song folder for the RCP end-to-end runs: a sequence file made by
// the converter tests' builder, a small SMF and a file that is no song at all,
// plus what the converter makes of the sequence file in this process.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "tests/support/indexed_png.h"
#include "tests/support/midi_log.h"
#include "tests/support/nivra_process.h"
#include "tests/support/key_script.h"
#include "tests/support/selector_order.h"
#include "tests/midi/song_bytes.h"
#include "tests/rcpcv/conversion_helpers.h"

namespace rcp_e2e {

inline constexpr const char* kSequenceName = "TUNE.RCP";
inline constexpr const char* kSmfName = "PLAIN.MID";
inline constexpr const char* kBrokenName = "BROKEN.MID";

// Three tracks that exercise what the player cannot fake: a repeated phrase,
// a track transposed down an octave, a drum track that ignores the play bias.
inline std::vector<uint8_t> SequenceSong() {
    using Track = rcpcv_test::RcpFileBuilder::Track;
    Track melody;
    melody.channel = 0;
    melody.records = {{0xF9, 0x01, 0, 0}, {0x3C, 24, 20, 100}, {0x3E, 24, 20, 90},
                      {0x40, 24, 20, 80}, {0xF8, 0x03, 0, 0},  {0xFE, 0, 0, 0}};
    Track bass;
    bass.channel = 1;
    bass.key_shift = 0x74;  // an octave down
    bass.records = {{0x48, 72, 60, 70}, {0x4A, 72, 60, 71}, {0x43, 72, 60, 72}, {0xFE, 0, 0, 0}};
    Track drums;
    drums.channel = 9;
    drums.key_shift = 0x80;  // no transposition at all
    drums.records = {{0x24, 36, 6, 110},
                     {0x26, 36, 6, 111},
                     {0x24, 36, 6, 112},
                     {0x26, 36, 6, 113},
                     {0xFE, 0, 0, 0}};
    return rcpcv_test::RcpFileBuilder()
        .Title("E2E TUNE")
        .Tempo(240)
        .PlayBias(2)
        .AddTrack(melody)
        .AddTrack(bass)
        .AddTrack(drums)
        .Build();
}

inline song_bytes::Bytes SmfSong() {
    using namespace song_bytes;
    Bytes events = {0x00, 0x94, 0x50, 0x40, 0x18, 0x94, 0x50, 0x00, 0x00, 0x94, 0x52, 0x41,
                    0x18, 0x94, 0x52, 0x00, 0x00, 0x94, 0x54, 0x42, 0x18, 0x94, 0x54, 0x00};
    return Song(48, {Concat({events, kEndOfTrack})}, 0);
}

// Per channel, the keys and velocities of the note-ons in the order they sound.
using NotesByChannel = std::map<int, std::vector<std::pair<int, int>>>;

inline NotesByChannel NotesOf(const std::vector<e2e::MidiLogLine>& log) {
    NotesByChannel notes;
    for (const e2e::MidiLogLine& line : e2e::NoteOns(log))
        notes[line.bytes[0] & 0x0F].emplace_back(line.bytes[1], line.bytes[2]);
    return notes;
}

// Several tracks may share a channel: their notes interleave by time, and at
// one tick the player sends track after track.
inline NotesByChannel NotesOf(const rcpcv_test::SmfFile& smf) {
    struct Placed {
        uint32_t tick;
        size_t track;
        const rcpcv_test::SmfEvent* event;
    };
    std::vector<Placed> note_ons;
    for (size_t t = 0; t < smf.tracks.size(); ++t)
        for (const auto& event : smf.tracks[t])
            if (event.bytes.size() == 3 && (event.bytes[0] & 0xF0) == 0x90 && event.bytes[2] > 0)
                note_ons.push_back({event.tick, t, &event});
    std::stable_sort(note_ons.begin(), note_ons.end(), [](const Placed& a, const Placed& b) {
        return std::tie(a.tick, a.track) < std::tie(b.tick, b.track);
    });
    NotesByChannel notes;
    for (const Placed& placed : note_ons)
        notes[placed.event->bytes[0] & 0x0F].emplace_back(placed.event->bytes[1],
                                                          placed.event->bytes[2]);
    return notes;
}

// The status bar's pixels (its palette indices) in a screenshot.
inline std::vector<uint8_t> StatusBarPixels(const e2e::IndexedImage& shot) {
    std::vector<uint8_t> pixels;
    if (!shot.Valid())
        return pixels;
    for (int y = 457; y < 475; ++y)
        for (int x = 5; x < 635; ++x)
            pixels.push_back(shot.At(x, y));
    return pixels;
}

template <typename Bytes>
std::string AsString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class SongFolder : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(songs_.Path().empty());
        songs_.WriteFile(kSequenceName, AsString(SequenceSong()));
        songs_.WriteFile(kSmfName, AsString(SmfSong()));
        songs_.WriteFile(kBrokenName, "this is no song at all\n");
    }

    int IndexOf(const std::string& name) const {
        return support::SelectorIndex(songs_.Path(), name);
    }

    // Moves from entry `from` to `to`, presses Enter and returns the time after it.
    int Open(std::vector<e2e::ScriptLine>& script, int at_ms, int from, int to) const {
        support::KeyScript keys(at_ms - 80, 80);
        keys.Steps(from, to).Key("RETURN");
        script.insert(script.end(), keys.Lines().begin(), keys.Lines().end());
        return keys.Now();
    }

    e2e::ScratchFolder songs_{"nivra-rcp-songs"};
    // Screenshots go elsewhere, so the song folder's listing stays as it was read.
    e2e::ScratchFolder shots_{"nivra-rcp-shots"};
};

}  // namespace rcp_e2e
