// A looping song given on the command line, played by the real program in
// each loop mode with repeat on and read back from the MIDI log, where each
// song start message begins a play: the loop body's passes, the jump back one
// loop length after the loop's start with no reset, start message or note
// left sounding, and the fade of the channel volume to silence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tests/midi/song_bytes.h"
#include "tests/support/key_script.h"
#include "tests/support/nivra_process.h"

namespace {

using e2e::MidiLogLine;
using Play = std::vector<MidiLogLine>;

constexpr std::uint8_t kIntroNote = 0x3C;
constexpr std::uint8_t kLoopNote = 0x48;
constexpr std::uint8_t kHeldNote = 0x43;
constexpr const char* kLoopNoteLine = "90 48 64";
constexpr double kLoopUs = 300'000;
constexpr double kToleranceUs = 3'000;
// A loaded machine (parallel runs of the program, each with real-time
// threads, beside compilers) may hold the program back now and then, by
// as much as a tenth of a second: what falls due meanwhile goes out late,
// never early, and the song keeps its time after it. So each time may be
// up to kStallUs late, and the middle one of a run within kToleranceUs; a
// fault in the timing moves most of them. (The exact schedule is checked
// on hand-fired periods.)
constexpr double kStallUs = 150'000;

// The lower middle value: of two, the smaller.
double Median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>((values.size() - 1) / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// One tick a millisecond: a 100 ms intro, then controller 111 and the loop's
// own note, and a note that ends with the song 300 ms after the loop's start.
std::string LoopingSong() {
    const song_bytes::Bytes bytes = song_bytes::Song(480,
                                                     {song_bytes::Events()
                                                          .Tempo(0, 480'000)
                                                          .At(0, {0xB0, 0x07, 100})
                                                          .At(0, {0x90, kIntroNote, 100})
                                                          .At(50, {0x80, kIntroNote, 0})
                                                          .At(50, {0xB0, 111, 0})
                                                          .At(0, {0x90, kLoopNote, 100})
                                                          .At(150, {0x80, kLoopNote, 0})
                                                          .At(0, {0x90, kHeldNote, 100})
                                                          .At(150, {0x80, kHeldNote, 0})
                                                          .End()},
                                                     0);
    return std::string(bytes.begin(), bytes.end());
}

// The plays of a run: the log's lines from each song start message to the
// next, less the device reset and volume just before the next start, which
// are that start's.
std::vector<Play> PlayLoopingSong(const std::vector<std::string>& loop_options,
                                  const support::KeyScript& script) {
    e2e::ScratchFolder scratch("nivra-loop-playback");
    scratch.WriteFile("LOOPING.MID", LoopingSong());
    e2e::RunOptions options;
    options.working_folder = scratch.Path();
    options.arguments = loop_options;
    options.arguments.push_back("LOOPING.MID");
    options.extra_environment["NIVRA_CONFIG"] = scratch.WriteFile("settings.conf", "repeat=on\n");
    options.script = script.Lines();
    e2e::NivraProcess run(options);
    EXPECT_EQ(run.WaitForExit(), 0) << run.Stderr();
    std::vector<Play> plays;
    for (const MidiLogLine& line : e2e::ReadMidiLog(run.MidiLogPath())) {
        if (line.bytes == std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}) {
            while (!plays.empty() && !plays.back().empty() && !plays.back().back().action.empty())
                plays.back().pop_back();
            plays.emplace_back();
        } else if (!plays.empty())
            plays.back().push_back(line);
    }
    return plays;
}

std::vector<std::uint64_t> NoteOnTimes(const Play& play, std::uint8_t note) {
    std::vector<std::uint64_t> times;
    for (const MidiLogLine& line : e2e::NoteOns(play))
        if (line.bytes[1] == note)
            times.push_back(line.micros);
    return times;
}

// When the first pass was due: the earliest the passes allow, as each is
// one loop length after the one before, late or on time.
double FirstPassDue(const std::vector<std::uint64_t>& loop) {
    double due = static_cast<double>(loop.at(0));
    for (std::size_t i = 1; i < loop.size(); ++i)
        due = std::min(due, static_cast<double>(loop[i]) - static_cast<double>(i) * kLoopUs);
    return due;
}

// The intro once and the loop's note `passes` to `most_passes` times, each
// one loop length after the one before; no reset, and every note released
// at each jump back and at the song's end.
void ExpectPlayed(const Play& play, std::size_t passes, std::size_t most_passes) {
    EXPECT_EQ(e2e::CountActions(play, "reset"), 0);
    EXPECT_EQ(NoteOnTimes(play, kIntroNote).size(), 1u);
    const std::vector<std::uint64_t> loop = NoteOnTimes(play, kLoopNote);
    EXPECT_GE(loop.size(), passes);
    EXPECT_LE(loop.size(), most_passes);
    if (loop.empty())
        return;
    const double first_due = FirstPassDue(loop);
    std::vector<double> lateness;
    for (std::size_t i = 0; i < loop.size(); ++i)
        lateness.push_back(static_cast<double>(loop[i]) - first_due -
                           static_cast<double>(i) * kLoopUs);
    EXPECT_LE(*std::max_element(lateness.begin(), lateness.end()), kStallUs);
    EXPECT_LE(Median(lateness), kToleranceUs);
    std::set<int> sounding;
    for (const MidiLogLine& line : play) {
        const int kind = line.bytes.empty() ? 0 : line.bytes[0] & 0xF0;
        if (kind == 0x90 && line.bytes[2] > 0) {
            EXPECT_TRUE(line.bytes[1] != kLoopNote || sounding.empty()) << line.micros;
            sounding.insert(line.bytes[1]);
        } else if (kind == 0x80 || kind == 0x90) {
            sounding.erase(line.bytes[1]);
        }
    }
    EXPECT_TRUE(sounding.empty());
}

TEST(LoopPlayback, TwoPassesThenTheSongEndsOrFadesOut) {
    support::KeyScript twice_through;
    twice_through.AwaitSongStart().AwaitSongStart().Key("ESCAPE");
    const std::vector<Play> straight = PlayLoopingSong({"--loop=2", "--fade=0"}, twice_through);
    ASSERT_GE(straight.size(), 2u);
    ExpectPlayed(straight[0], 2, 2);

    // With a fade the loop plays on through the fade's second after the
    // second pass, while every channel volume the player sends after the
    // loop's start goes down to silence in steps of at most 20 ms (the first
    // step that changes the value is at most 20 ms into the fade).
    const std::vector<Play> faded = PlayLoopingSong({"--loop=2", "--fade=1"}, twice_through);
    ASSERT_GE(faded.size(), 2u);
    ExpectPlayed(faded[0], 6, 7);
    const double loop_start = FirstPassDue(NoteOnTimes(faded[0], kLoopNote));
    Play fade;
    for (const MidiLogLine& line : faded[0])
        if (static_cast<double>(line.micros) > loop_start && line.bytes.size() == 3 &&
            line.bytes[0] == 0xB0 && line.bytes[1] == 0x07)
            fade.push_back(line);
    ASSERT_GE(fade.size(), 50u);
    const double fade_start = static_cast<double>(fade.front().micros) - loop_start;
    EXPECT_GE(fade_start, 2 * kLoopUs - kToleranceUs);
    EXPECT_LE(fade_start, 2 * kLoopUs + 20'000 + kStallUs);
    const double fade_end = static_cast<double>(fade.back().micros) - loop_start;
    EXPECT_GE(fade_end, 2 * kLoopUs + 1e6 - kToleranceUs);
    EXPECT_LE(fade_end, 2 * kLoopUs + 1e6 + kStallUs);
    EXPECT_EQ(fade.back().bytes[2], 0);
    std::vector<double> steps;
    for (std::size_t i = 1; i < fade.size(); ++i) {
        EXPECT_LE(fade[i].bytes[2], fade[i - 1].bytes[2]) << i;
        steps.push_back(static_cast<double>(fade[i].micros - fade[i - 1].micros));
    }
    EXPECT_LE(*std::max_element(steps.begin(), steps.end()), 20'000 + kStallUs);
    EXPECT_LE(Median(steps), 20'000 + kToleranceUs);
}

TEST(LoopPlayback, ForeverUntilSwitchedOffThenStraightThrough) {
    // Four loop notes seen, F3 turns the loop off: the song plays on to its
    // end, starts over with repeat and plays straight through.
    support::KeyScript script;
    script.AwaitSongStart();
    for (int pass = 0; pass < 4; ++pass)
        script.AwaitLog(kLoopNoteLine);
    script.Key("F3").AwaitSongStart().AwaitSongStart().Key("ESCAPE");
    const std::vector<Play> plays = PlayLoopingSong({"--loop=forever"}, script);
    ASSERT_GE(plays.size(), 3u);
    ExpectPlayed(plays[0], 4, SIZE_MAX);
    ExpectPlayed(plays[1], 1, 1);
}

}  // namespace
