// The real program, headless, playing the monitor song while the transport
// keys act on it: jumps while playing and paused checked on the play time
// read-out and in the MIDI log (a reset, then the chased state), the tempo,
// transpose and mute keys in the log's note times and numbers, and on screen
// the song's length on the TOTAL row, the settings under the wheel, the
// status bar's announcement and the dimmed channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tests/monitors_e2e/monitor_run.h"
#include "tests/monitors_e2e/screen_reading.h"

namespace monitors_e2e {
namespace {

constexpr int kEnterMs = 1500;
constexpr std::uint64_t kMicrosPerMs = 1000;

long ShotTimeMs(const MonitorRun& run, const char* name) {
    return PlayTimeMs(Readout(run.Shot(name), 0));
}

// The log lines from `from_ms` up to `to_ms` (program time).
std::vector<e2e::MidiLogLine> LogBetween(const std::vector<e2e::MidiLogLine>& log, int from_ms,
                                         int to_ms = 1 << 30) {
    std::vector<e2e::MidiLogLine> lines;
    for (const e2e::MidiLogLine& line : log)
        if (line.micros >= static_cast<std::uint64_t>(from_ms) * kMicrosPerMs &&
            line.micros < static_cast<std::uint64_t>(to_ms) * kMicrosPerMs)
            lines.push_back(line);
    return lines;
}

// Index of the first line at or after `from` that is `action` or starts with
// `bytes`; -1 when none.
int Find(const std::vector<e2e::MidiLogLine>& lines, size_t from, const std::string& action,
         std::vector<std::uint8_t> bytes = {}) {
    for (size_t i = from; i < lines.size(); ++i) {
        const auto& line = lines[i];
        if (!action.empty() ? line.action == action
                            : line.bytes.size() >= bytes.size() &&
                                  std::equal(bytes.begin(), bytes.end(), line.bytes.begin()))
            return static_cast<int>(i);
    }
    return -1;
}

// Pixels of index 0 in a rectangle of a shot.
int DarkPixels(const e2e::IndexedImage& shot, int left, int top, int right, int bottom) {
    return shot.Count(0, left, top, right, bottom);
}

TEST(TransportEndToEnd, JumpsTempoKeyAndMuteInTheLogAndOnScreen) {
    int e = 0;  // the time of Enter on the song
    MonitorRun run([&](MonitorScript& script, const std::filesystem::path& folder) {
        e = script.ChooseSong(folder, kEnterMs);
        script.Shot(e + 1000, "start")
            .Shot(e + 2000, "before_f")
            .Key(e + 2100, "F")
            .Shot(e + 2600, "after_f")
            .Shot(e + 3000, "before_b")
            .Key(e + 3100, "B")
            .Shot(e + 3600, "after_b")
            .Key(e + 4000, "HOME")
            .Shot(e + 4400, "after_home")
            .Key(e + 5000, "F7")
            .Shot(e + 5100, "paused")
            .Key(e + 5200, "F")
            .Shot(e + 5400, "paused_f")
            .Key(e + 5500, "SHIFT+B")
            .Shot(e + 5800, "paused_back")
            .Key(e + 6000, "F7");
        for (int i = 0; i < 4; ++i)
            script.Key(e + 6500 + 50 * i, "OEM_PERIOD");
        script.Key(e + 6700, "OEM_PLUS").Key(e + 6750, "ADD").Key(e + 6800, "1");
        script.Key(e + 6900, "HOME")
            .Key(e + 7600, "SHIFT+6")
            .Shot(e + 7900, "state")
            .Key(e + 8200, "CLOSE");
    });
    ASSERT_EQ(run.ExitCode(), 0) << run.Stderr();
    const auto& log = run.Log();
    // The keys after Enter were pressed as long after the song's start.
    const int s = run.SongStartMs();
    ASSERT_GE(s, 0);

    // The song's length, 30 s, in the play time's format in font A.
    EXPECT_EQ(ReadText(run.Shot("start"), Font::A, kPanelLeft + 115, kPanelTop + 14, 8, kBandOne),
              "00:30:00");
    // Nothing under the wheel at normal settings.
    EXPECT_EQ(
        DarkPixels(run.Shot("start"), kPanelLeft, kPanelTop + 50, kPanelLeft + 95, kPanelTop + 92),
        95 * 42);

    // F: 5 s on; B: 5 s back; Home: the start.
    EXPECT_NEAR(ShotTimeMs(run, "after_f") - ShotTimeMs(run, "before_f"), 5500, 250);
    EXPECT_NEAR(ShotTimeMs(run, "after_b") - ShotTimeMs(run, "before_b"), -4400, 250);
    EXPECT_LT(ShotTimeMs(run, "after_home"), 650);
    // While paused a jump moves the position and the song stays paused;
    // Shift+B goes 30 s back, here to the start.
    const long paused = ShotTimeMs(run, "paused");
    EXPECT_NEAR(ShotTimeMs(run, "paused_f") - paused, 5000, 30);
    EXPECT_EQ(ShotTimeMs(run, "paused_back"), 0);
    EXPECT_TRUE(e2e::NoteOns(LogBetween(log, s + 5300, s + 5900)).empty());

    // Each jump resets the device, then sends the state there: channel 1's
    // program 5 and pan 64 before any note.
    const auto after_f = LogBetween(log, s + 2100);
    const int reset = Find(after_f, 0, "reset");
    ASSERT_GE(reset, 0);
    EXPECT_LT(after_f[static_cast<size_t>(reset)].micros, (s + 2400) * kMicrosPerMs);
    const int program = Find(after_f, static_cast<size_t>(reset), "", {0xC0, 5});
    const int pan = Find(after_f, static_cast<size_t>(reset), "", {0xB0, 10, 64});
    const int note = Find(after_f, static_cast<size_t>(reset), "", {0x9F});
    ASSERT_GE(program, 0);
    ASSERT_GE(pan, 0);
    EXPECT_LT(program, note);
    EXPECT_LT(pan, note);

    // After 120 % tempo and two semitones up, Home plays the song again: the
    // repeated note (200 ms apart at normal tempo) is 26 instead of 24 and
    // 167 ms apart; once Shift+6 mutes channel 16 it is not sent.
    std::vector<std::uint64_t> repeat_times;
    for (const e2e::MidiLogLine& line : e2e::NoteOns(LogBetween(log, s + 6950, s + 7600))) {
        if (line.bytes[0] == 0x9F) {
            EXPECT_EQ(line.bytes[1], 26);
            repeat_times.push_back(line.micros);
        }
    }
    for (const e2e::MidiLogLine& line : e2e::NoteOns(LogBetween(log, s + 7700, s + 8200)))
        EXPECT_NE(line.bytes[0], 0x9F) << "a note on muted channel 16";
    ASSERT_GE(repeat_times.size(), 4u);
    const double mean_gap_ms = static_cast<double>(repeat_times.back() - repeat_times.front()) /
                               static_cast<double>(repeat_times.size() - 1) / kMicrosPerMs;
    EXPECT_NEAR(mean_gap_ms, 200.0 / 1.2, 4.0);

    // On screen: the settings under the wheel, the last announcement, and
    // the columns of muted channels 1 and 16 on the MIDI canvas dimmed while
    // channel 5's is not.
    const e2e::IndexedImage& state = run.Shot("state");
    const e2e::IndexedImage& start = run.Shot("start");
    const char* lines[] = {"TEMPO 120%", "KEY +2", "MUTE 1 16"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ReadText(state, Font::A, kPanelLeft, kPanelTop + 50 + 7 * i, 19, kBandZero),
                  Shown(lines[i], Font::A));
    EXPECT_EQ(ReadText(state, Font::B, 6, 465, 20, kBandOne), Shown("MUTE CH 16", Font::B));
    constexpr int kCanvasMeterLeft = 380, kCanvasMeterTop = 287, kCanvasMeterBottom = 357;
    EXPECT_GT(DarkPixels(state, kCanvasMeterLeft, kCanvasMeterTop, kCanvasMeterLeft + 14,
                         kCanvasMeterBottom),
              DarkPixels(start, kCanvasMeterLeft, kCanvasMeterTop, kCanvasMeterLeft + 14,
                         kCanvasMeterBottom) +
                  150);
    EXPECT_GT(DarkPixels(state, kCanvasMeterLeft + 240, kCanvasMeterTop, kCanvasMeterLeft + 254,
                         kCanvasMeterBottom),
              DarkPixels(start, kCanvasMeterLeft + 240, kCanvasMeterTop, kCanvasMeterLeft + 254,
                         kCanvasMeterBottom) +
                  150);
    EXPECT_EQ(DarkPixels(state, kCanvasMeterLeft + 64, kCanvasMeterTop, kCanvasMeterLeft + 78,
                         kCanvasMeterBottom),
              DarkPixels(start, kCanvasMeterLeft + 64, kCanvasMeterTop, kCanvasMeterLeft + 78,
                         kCanvasMeterBottom));
}

}  // namespace
}  // namespace monitors_e2e
