// Pause, song change, device change and quit silence the sounding notes
// through the device reset (notes and sustain off, which lets the synth
// release them) before anything is closed, and never through All Sound Off
// or a system reset message, which would cut the sound dead.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/midi_log.h"
#include "tests/support/nivra_process.h"
#include "selector_script.h"

namespace fs = std::filesystem;

namespace {

using e2e::MidiLogLine;

bool IsNoteOn(const MidiLogLine& line) {
    return line.bytes.size() == 3 && (line.bytes[0] & 0xF0) == 0x90 && line.bytes[2] > 0;
}

bool CutsSoundDead(const MidiLogLine& line) {
    const bool all_sound_off =
        line.bytes.size() == 3 && (line.bytes[0] & 0xF0) == 0xB0 && line.bytes[1] == 0x78;
    const bool system_reset = line.bytes.size() == 1 && line.bytes[0] == 0xFF;
    return all_sound_off || system_reset;
}

// The first line at or after `ms` with the action, or log.size().
size_t FirstActionFrom(const std::vector<MidiLogLine>& log, const std::string& action, int ms,
                       size_t from = 0) {
    for (size_t i = from; i < log.size(); ++i)
        if (log[i].action == action && log[i].micros >= static_cast<std::uint64_t>(ms) * 1000)
            return i;
    return log.size();
}

int NoteOnsBetween(const std::vector<MidiLogLine>& log, size_t first, size_t last) {
    int count = 0;
    for (size_t i = first; i < last && i < log.size(); ++i)
        count += IsNoteOn(log[i]);
    return count;
}

int NoteOnsInTime(const std::vector<MidiLogLine>& log, int from_ms, int to_ms) {
    int count = 0;
    for (const MidiLogLine& line : log)
        count += IsNoteOn(line) && line.micros >= static_cast<std::uint64_t>(from_ms) * 1000 &&
                 line.micros < static_cast<std::uint64_t>(to_ms) * 1000;
    return count;
}

class Silencing : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* song : {"ENSEMBLE.MID", "FORMAT0.MID"})
            fs::copy_file(fs::path(NIVRA_SOURCE_DIR "/demo") / song, songs_ / song);
    }
    e2e::ScratchFolder songs_{"nivra-silencing"};
};

TEST_F(Silencing, NotesAreReleasedBeforeEveryPauseCloseAndQuit) {
    const std::vector<std::string> entries = support::SelectorEntries(songs_.Path());
    const int ensemble = support::IndexOf(entries, "ENSEMBLE.MID");
    const int format0 = support::IndexOf(entries, "FORMAT0.MID");
    support::KeyScript script(1300);
    script.MoveCursor(0, ensemble);
    script.Key("RETURN").AwaitSongStart();
    script.Key("F7", 2500);
    int paused_at = script.Now();
    script.Key("F7", 1000);
    int resumed_at = script.Now();
    script.Wait(1200);
    script.MoveCursor(ensemble, format0);
    script.Key("RETURN");  // a song change while the first one plays
    int changed_at = script.Now();
    script.AwaitSongStart();
    script.Key("F2", 1500);
    script.Key("DOWN");
    script.Key("RETURN");  // the software synth, chosen while the song plays
    int device_at = script.Now();
    script.Key("ESCAPE", 1500);
    int quit_at = script.Now();

    e2e::RunOptions options;
    options.working_folder = songs_.Path();
    options.script = script.Lines();
    e2e::NivraProcess nivra(options);
    ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();
    for (int* at : {&paused_at, &resumed_at, &changed_at, &device_at, &quit_at})
        *at = nivra.SentAtMs(*at);
    const std::vector<MidiLogLine> log = e2e::ReadMidiLog(nivra.MidiLogPath());
    ASSERT_GE(e2e::NoteOns(log).size(), 20u);

    for (const MidiLogLine& line : log)
        EXPECT_FALSE(CutsSoundDead(line)) << "at " << line.micros << " us";

    // Pause: a reset right after the key, then no note until the resume.
    const size_t pause_reset = FirstActionFrom(log, "reset", paused_at);
    ASSERT_LT(pause_reset, log.size());
    EXPECT_LT(log[pause_reset].micros, (paused_at + 500) * 1000u) << "the pause did not silence";
    EXPECT_EQ(NoteOnsInTime(log, paused_at + 500, resumed_at), 0);
    EXPECT_GT(NoteOnsInTime(log, resumed_at, changed_at), 0) << "the resume did not play on";

    // Every close (song change, device change, quit) comes after a reset with
    // no note in between, and song and device changes open a device again.
    int closes = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].action != "close")
            continue;
        ++closes;
        size_t reset = i;
        while (reset > 0 && log[reset].action != "reset")
            --reset;
        ASSERT_EQ(log[reset].action, "reset") << "a close without a reset before it";
        EXPECT_EQ(NoteOnsBetween(log, reset, i), 0) << "a note between the reset and the close";
        // The software synth lets the released notes ring out and fades them
        // before its output stops, rather than stopping them mid-sample.
        const std::uint64_t release_us = log[i].micros - log[reset].micros;
        EXPECT_GE(release_us, 50'000u) << "the output closed at once after the reset";
        EXPECT_LT(release_us, 1'000'000u) << "closing waited far too long";
    }
    EXPECT_EQ(closes, 3) << "song change, device change and quit each close the device once";
    for (int changed : {changed_at, device_at}) {
        const size_t close = FirstActionFrom(log, "close", changed);
        const size_t open = FirstActionFrom(log, "open", changed, close);
        ASSERT_LT(open, log.size()) << "nothing reopened after " << changed << " ms";
        EXPECT_GT(NoteOnsBetween(log, open, log.size()), 0);
    }
    EXPECT_EQ(log.back().action, "close");
    EXPECT_LT(FirstActionFrom(log, "reset", quit_at), log.size()) << "quit did not silence";
}

}  // namespace
