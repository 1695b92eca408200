// The real program, headless: while the monitor song plays, F2 shows the
// device list in the selector's place, Down and Enter choose the next device,
// and the sound moves to it without the song stopping or starting over.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/monitors_e2e/monitor_run.h"
#include "tests/monitors_e2e/screen_reading.h"

namespace monitors_e2e {
namespace {

// The device panel at (5, 390): its lines from (15, 416), 9 pixels apart.
constexpr int kListX = 15;
constexpr int kListY = 416;
constexpr int kTitleX = 5;
constexpr int kTitleY = 391;
constexpr int kLineCells = 40;

// The first `limit` entries as the program words them, asked through the
// same calls.
std::vector<std::string> ExpectedEntries(size_t limit = 4) {
    std::vector<std::string> entries = {"---- MIDI MAPPER(DEFAULT)"};
    const UINT devices = midiOutGetNumDevs();
    for (UINT id = 0; id < devices && entries.size() < limit; ++id) {
        char number[16];
        std::snprintf(number, sizeof number, "%04x ", id + 1);
        entries.push_back(number + DescribeDevice(id).name);
    }
    return entries;
}

// Each listed line in band 0 on the cursor's line and band 1 elsewhere.
void ExpectList(const e2e::IndexedImage& shot, int cursor) {
    EXPECT_EQ(ReadText(shot, Font::A, kTitleX, kTitleY, 28, kBandZero),
              Shown("CONFIG - MIDI DEVICE SELECT`", Font::A));
    const std::vector<std::string> entries = ExpectedEntries();
    for (int line = 0; line < static_cast<int>(entries.size()); ++line) {
        const std::uint8_t band = line == cursor ? kBandZero : kBandOne;
        EXPECT_EQ(ReadText(shot, Font::B, kListX, kListY + 9 * line, kLineCells, band),
                  Shown(entries[line], Font::B))
            << "line " << line;
    }
    // Nothing below the last entry.
    const int below = kListY + 9 * static_cast<int>(entries.size());
    if (entries.size() < 4) {
        EXPECT_EQ(shot.Count(kBandZero, kListX, below, 635, 455) +
                      shot.Count(kBandOne, kListX, below, 635, 455),
                  0);
    }
}

class DeviceSelectEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        run_ = new MonitorRun([](MonitorScript& script, const std::filesystem::path& folder) {
            const int enter_ms = script.ChooseSong(folder, kFadedInMs);
            script.Shot(enter_ms + 1200, "before")
                .Key(enter_ms + 1300, "F2")
                .Shot(enter_ms + 1600, "list")
                .Key(enter_ms + 1700, "DOWN")
                .Shot(enter_ms + 2000, "moved")
                .Key(enter_ms + 2100, "RETURN")
                // The chosen device opens before anything is looked at.
                .Await(enter_ms + 2100, "open")
                .Shot(enter_ms + 2800, "after")
                .Key(enter_ms + 2900, "F2")
                .Shot(enter_ms + 3200, "reopened")
                .Key(enter_ms + 3300, "F2")
                .Shot(enter_ms + 3600, "closed")
                // Paused, back to the mapper, then on again.
                .Key(enter_ms + 3700, "F7")
                .Key(enter_ms + 3800, "F2")
                .Key(enter_ms + 4000, "UP")
                .Key(enter_ms + 4100, "RETURN")
                .Await(enter_ms + 4100, "open")
                .Shot(enter_ms + 4400, "paused")
                .Key(enter_ms + 4600, "F7")
                .Key(enter_ms + 5300, "ESCAPE");
        });
    }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(run_->ExitCode(), 0) << run_->Stderr();
        for (const char* name :
             {"before", "list", "moved", "after", "reopened", "closed", "paused"})
            ASSERT_TRUE(run_->HasShot(name)) << name << "\n" << run_->Stderr();
    }
    // The checks, each on the one run.
    void ListStartsOnTheMapperAndTheCursorMoves();
    void ChosenDeviceTakesOverWhileTheSongGoesOn();
    static MonitorRun* run_;
};

MonitorRun* DeviceSelectEndToEnd::run_ = nullptr;

void DeviceSelectEndToEnd::ListStartsOnTheMapperAndTheCursorMoves() {
    ASSERT_GE(midiOutGetNumDevs(), 1u) << "the software synth is always listed";
    ExpectList(run_->Shot("list"), 0);
    ExpectList(run_->Shot("moved"), 1);
    // Enter gives the selector back its place; F2 shows the list again with
    // the cursor on the device now in use, and F2 once more closes it.
    EXPECT_EQ(ReadText(run_->Shot("after"), Font::A, kTitleX, kTitleY, 14, kBandZero),
              Shown("FILE SELECTOR`", Font::A));
    ExpectList(run_->Shot("reopened"), 1);
    EXPECT_EQ(ReadText(run_->Shot("closed"), Font::A, kTitleX, kTitleY, 14, kBandZero),
              Shown("FILE SELECTOR`", Font::A));
}

// The note-on times of a log from line `from` on, up to `until_us` after it.
std::vector<std::uint64_t> NoteOnTimes(const std::vector<e2e::MidiLogLine>& log, size_t from,
                                       std::uint64_t until_us) {
    std::vector<std::uint64_t> times;
    for (size_t i = from; i < log.size() && log[i].micros <= log[from].micros + until_us; ++i) {
        const std::vector<std::uint8_t>& bytes = log[i].bytes;
        if (bytes.size() == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0)
            times.push_back(log[i].micros);
    }
    return times;
}

// The sound moves to the chosen device; the song neither stops nor restarts,
// and a song paused during the choice stays paused until it is resumed.
void DeviceSelectEndToEnd::ChosenDeviceTakesOverWhileTheSongGoesOn() {
    {
        const std::vector<e2e::MidiLogLine>& log = run_->Log();
        // The song opened the mapper; each choice closed the device and opened
        // the chosen one (the synth, then the mapper, which is the synth
        // again); the program's end closed it.
        std::vector<std::string> actions;
        std::vector<size_t> opens;
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].action == "open" || log[i].action == "close")
                actions.push_back(log[i].action + " " + log[i].argument);
            if (log[i].action == "open")
                opens.push_back(i);
        }
        ASSERT_EQ(actions, (std::vector<std::string>{"open 0", "close ", "open 0", "close ",
                                                     "open 0", "close "}));

        // After the first choice the repeated note keeps coming on the new
        // device, in its 200 ms step. Each new device is restarted once, a
        // System On before any message of the song, and none of the held
        // notes is struck again.
        size_t system_ons = 0;
        size_t messages_since_open = 0;
        for (size_t i = opens[1]; i < log.size(); ++i) {
            const std::vector<std::uint8_t>& bytes = log[i].bytes;
            if (log[i].action == "open")
                messages_since_open = 0;
            if (bytes.empty())
                continue;
            if (bytes.size() > 1 && bytes[0] == 0xF0 && bytes[1] == 0x7E) {
                ++system_ons;
                EXPECT_EQ(messages_since_open, 0u) << log[i].micros;
            }
            ++messages_since_open;
            if (bytes.size() == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0) {
                EXPECT_EQ(bytes[0] & 0x0F, kRepeatChannel)
                    << "held note " << int{bytes[1]} << " again";
            }
        }
        EXPECT_EQ(system_ons, 2u);
        const std::vector<std::uint64_t> repeats = NoteOnTimes(log, opens[1], 1200000);
        ASSERT_GE(repeats.size(), 3u);
        EXPECT_LT(repeats.front() - log[opens[1]].micros, 400000u);
        for (size_t i = 1; i < repeats.size(); ++i)
            EXPECT_NEAR(static_cast<double>(repeats[i] - repeats[i - 1]), 200000.0, 60000.0);

        // Chosen while paused: silent until F7, half a second later.
        const std::vector<std::uint64_t> resumed = NoteOnTimes(log, opens[2], 10000000);
        ASSERT_GE(resumed.size(), 2u);
        EXPECT_GT(resumed.front() - log[opens[2]].micros, 300000u);
    }
    {
        const e2e::IndexedImage& paused = run_->Shot("paused");
        ExpectDeviceLine(paused, DescribeDevice(MIDI_MAPPER));
        EXPECT_EQ(ReadText(paused, Font::B, kPanelLeft + 50, kPanelTop + 100, 5, kBandZero),
                  "PAUSE");
    }
    {
        ExpectDeviceLine(run_->Shot("before"), DescribeDevice(MIDI_MAPPER));
        ExpectDeviceLine(run_->Shot("after"), DescribeDevice(0));
        // Play time continues across the change instead of starting again.
        const long before = PlayTimeMs(Readout(run_->Shot("before"), 0));
        const long after = PlayTimeMs(Readout(run_->Shot("after"), 0));
        // The song was playing before the choice (how far depends on how fast
        // the machine started it) and went on after it.
        EXPECT_GT(before, 0);
        EXPECT_GT(after, before + 1000);
    }
}

// ctest runs every test in a process of its own, so the checks of the one
// run share a test rather than starting the program once each.
TEST_F(DeviceSelectEndToEnd, DeviceListAndTheChosenDeviceTakingOver) {
    {
        SCOPED_TRACE("ListStartsOnTheMapperAndTheCursorMoves");
        ListStartsOnTheMapperAndTheCursorMoves();
    }
    {
        SCOPED_TRACE("ChosenDeviceTakesOverWhileTheSongGoesOn");
        ChosenDeviceTakesOverWhileTheSongGoesOn();
    }
}

// The command line lists the same devices as F2, one a line, and starts on
// the device it is given: F2 then opens with the cursor on it. An id that
// names no device is refused before anything starts.
TEST(DeviceCommandLine, ListsTheF2EntriesAndStartsOnTheChosenDevice) {
    e2e::RunOptions options;
    options.arguments = {"--list-devices"};
    e2e::NivraProcess listing(options);
    ASSERT_EQ(listing.WaitForExit(), 0) << listing.Stderr();
    std::string expected;
    for (const std::string& entry : ExpectedEntries(SIZE_MAX))
        expected += entry + "\n";
    EXPECT_EQ(listing.Stdout(), expected);

    options.arguments = {"--device=0001"};
    const std::string shot = "chosen.png";
    options.script = {
        {kFadedInMs + 200, "F2"}, {kFadedInMs + 600, "SHOT " + shot}, {kFadedInMs + 700, "ESCAPE"}};
    support::ScratchFolder folder;
    options.working_folder = folder.Path();
    e2e::NivraProcess chosen(options);
    ASSERT_EQ(chosen.WaitForExit(), 0) << chosen.Stderr();
    ExpectList(e2e::ReadIndexedPng(folder / shot), 1);

    options.arguments = {"--device", "7fff"};
    options.script.clear();
    e2e::NivraProcess refused(options);
    EXPECT_EQ(refused.WaitForExit(), 2);
    EXPECT_EQ(refused.Stderr(), "nivra: no device '7fff' (see nivra --list-devices)\n");
    EXPECT_EQ(refused.Stdout(), "");
}

}  // namespace
}  // namespace monitors_e2e
