// The real program headless: every way of quitting fades the screen out and
// ends with exit code 0; a missing start-up palette ends it with the error
// box's message and code.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "tests/screen_e2e/fade_levels.h"
#include "tests/support/midi_log.h"
#include "tests/support/key_script.h"
#include "tests/support/selector_order.h"
#include "tests/screen_e2e/program_copy.h"

namespace {

// Late enough for a slow start (a sanitizer build on a busy machine) to
// have finished its fade-in.
constexpr int kQuitMs = 2500;

// A shot every 20 ms for a second and a half from the quit, to catch the
// steps of a fade of a third of a second; every 100 ms before it and after,
// until the program has gone however slowly a loaded machine fades it out.
// (Each shot is a frame's work: dense shots throughout would slow a loaded
// sanitized run until they ran out before its fade ended.)
std::vector<int> QuitShotTimes() {
    std::vector<int> times = screen::ShotTimes(1000, kQuitMs - 100, 100);
    for (int at : screen::ShotTimes(kQuitMs, kQuitMs + 1500, 20))
        times.push_back(at);
    for (int at : screen::ShotTimes(kQuitMs + 1600, 15000, 100))
        times.push_back(at);
    return times;
}

// After reaching full brightness the shots step down, never up, through
// dimmed steps to (nearly) black.
void ExpectFadedOut(const std::vector<int>& levels) {
    const auto full = std::find(levels.begin(), levels.end(), 100);
    ASSERT_NE(full, levels.end()) << screen::Describe(levels);
    const std::vector<int> after(full, levels.end());
    EXPECT_TRUE(std::is_sorted(after.rbegin(), after.rend())) << screen::Describe(levels);
    EXPECT_TRUE(std::any_of(after.begin(), after.end(), [](int l) { return l > 0 && l < 100; }))
        << screen::Describe(levels);
    EXPECT_GE(after.back(), 0) << screen::Describe(levels);
    EXPECT_LE(after.back(), 10) << screen::Describe(levels);
}

class QuitTest : public ::testing::TestWithParam<const char*> {
protected:
    e2e::ScratchFolder shots_{"nivra-quit-shots"};
};

// Escape, a close request (the window's close button) and Alt+F4, which the
// file selector leaves to the default handling.
TEST_P(QuitTest, ScriptedQuitFadesOutAndExitsZero) {
    e2e::RunOptions options;
    screen::AddShots(options.script, shots_.Path(), QuitShotTimes());
    options.script.push_back({kQuitMs, GetParam()});
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    const auto shots = screen::ReadShots(shots_.Path(), QuitShotTimes());
    // The exit code above says the key ended the run (without it the program
    // would have run into the timeout); how soon is for a loaded machine to say.
    ExpectFadedOut(screen::FadeLevels(shots, screen::ProgramPalette(0)));
}

INSTANTIATE_TEST_SUITE_P(Keys, QuitTest, ::testing::Values("ESCAPE", "CLOSE", "ALT+F4"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '+', '_');
                             return name;
                         });

TEST(QuitBySignalTest, InterruptFadesOutAndExitsZero) {
    e2e::ScratchFolder shots("nivra-quit-shots");
    e2e::RunOptions options;
    screen::AddShots(options.script, shots.Path(), QuitShotTimes());
    e2e::NivraProcess run(options);
    // Interrupt once the program is up and showing its screen.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(shots / screen::ShotName(kQuitMs)) &&
           std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    run.Signal(SIGINT);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    const auto all = screen::ReadShots(shots.Path(), QuitShotTimes());
    ExpectFadedOut(screen::FadeLevels(all, screen::ProgramPalette(0)));
}

// A palette file shorter than its 768 bytes cannot be read, as if missing.
TEST(MissingPaletteTest, WithoutAWholePaletteZeroStartUpFailsWithCode0102) {
    for (const std::string kind : {"missing", "empty", "767 bytes"}) {
        SCOPED_TRACE(kind);
        const screen::ProgramCopy copy(0);
        if (kind != "missing")
            copy.WritePalette(0, kind == "empty" ? "" : std::string(767, '\x40'));
        e2e::RunOptions options;
        options.program = copy.Program();
        options.script = {{3000, "ESCAPE"}};
        e2e::NivraProcess run(options);
        EXPECT_EQ(run.WaitForExit(), 255);
        const std::string said = run.Stderr() + run.Stdout();
        EXPECT_NE(said.find("NIVRA エラー"), std::string::npos) << said;
        EXPECT_NE(said.find("内部の初期化処理に失敗しました\n例外コード:#0102"), std::string::npos)
            << said;
    }
}

// Three folders of 100 bytes each: the program's own path is over 300
// bytes, longer than any fixed path buffer of 260.
TEST(LongProgramPathTest, StartsFindsItsFilesPlaysAnRcpSongAndQuits) {
    const std::string name(100, 'p');
    const screen::ProgramCopy copy(-1, name + "/" + name + "/" + name);
    ASSERT_GE(copy.Program().string().size(), 300u);
    e2e::ScratchFolder shots("nivra-long-path");
    e2e::RunOptions options;
    options.program = copy.Program();
    const int song = support::SelectorIndex(options.working_folder, "MINUET.RCP");
    ASSERT_GT(song, 0);
    support::KeyScript keys(2000, 60);
    keys.MoveCursor(0, song)
        .Key("RETURN")
        .AwaitSongStart()
        .Shot(shots.Path() / "playing.png", 1500)
        .Key("ESCAPE", 100);
    options.script = keys.Lines();
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    const e2e::IndexedImage playing = e2e::ReadIndexedPng(shots.Path() / "playing.png");
    ASSERT_TRUE(playing.Valid()) << run.Stderr();
    EXPECT_EQ(playing.Count(5, 2, 14, 639, 15), 637);
    EXPECT_EQ(playing.palette[1], screen::ProgramPalette(0)[1]);
    // The converter beside the program turned the RCP song into notes.
    EXPECT_FALSE(e2e::NoteOns(e2e::ReadMidiLog(run.MidiLogPath())).empty());
}

}  // namespace
