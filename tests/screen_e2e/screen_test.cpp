// The real program headless: the fade-in, the title strip's rule and the
// palette files chosen with Alt+digit.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/screen_e2e/fade_levels.h"
#include "tests/screen_e2e/program_copy.h"

namespace {

using screen::Colours;

constexpr int kScreenShotEveryMs = 20;
constexpr std::uint8_t kRuleIndex = 5;
constexpr int kRuleRow = 14;

// Entries the program animates (8 flashes, 21 blinks) or links (96 to 103,
// the status wheel), so a screenshot may show another colour there.
bool Animated(int entry) {
    return entry == 8 || entry == 21 || (entry >= 96 && entry <= 103);
}

// The shot shows `file` at full brightness for every entry the file gives
// (0 to 239); the flashing and blinking entries show one of their colours.
void ExpectShowsPaletteFile(const e2e::IndexedImage& shot, const Colours& file) {
    for (int entry = 0; entry < 240; ++entry) {
        if (!Animated(entry)) {
            EXPECT_EQ(shot.palette[entry], file[entry]) << "entry " << entry;
        }
    }
    const std::array<std::uint8_t, 3> white{255, 255, 255};
    EXPECT_TRUE(shot.palette[8] == file[8] || shot.palette[8] == white);
    EXPECT_TRUE(shot.palette[21] == file[21] || shot.palette[21] == file[22] ||
                shot.palette[21] == file[23]);
}

class ScreenTest : public ::testing::Test {
protected:
    e2e::ScratchFolder shots_{"nivra-screen-shots"};
};

TEST_F(ScreenTest, FadesInToThePaletteFileAndShowsTheTitleRule) {
    e2e::RunOptions options;
    screen::AddShots(options.script, shots_.Path(), screen::ShotTimes(0, 2400, kScreenShotEveryMs));
    const std::filesystem::path settled = shots_ / "settled.png";
    options.script.push_back({screen::kSettledShotMs, "SHOT " + settled.string()});
    options.script.push_back({screen::kSettledShotMs + 100, "ESCAPE"});
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();

    const auto shots =
        screen::ReadShots(shots_.Path(), screen::ShotTimes(0, 2400, kScreenShotEveryMs));
    ASSERT_GE(shots.size(), 10u);
    const std::vector<int> levels = screen::FadeLevels(shots, screen::ProgramPalette(0));
    // Every shot shows one step of the ramp, the steps never go down, and
    // the screen passes through dimmed steps on its way to full brightness.
    EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end())) << screen::Describe(levels);
    EXPECT_EQ(std::count(levels.begin(), levels.end(), -1), 0) << screen::Describe(levels);
    EXPECT_TRUE(std::any_of(levels.begin(), levels.end(), [](int l) { return l > 0 && l < 100; }))
        << screen::Describe(levels);
    const e2e::IndexedImage last = e2e::ReadIndexedPng(settled);
    ASSERT_EQ(screen::FadeLevel(last, screen::ProgramPalette(0)), 100);
    ASSERT_EQ(last.width, 640);
    ASSERT_EQ(last.height, 480);
    EXPECT_EQ(last.Count(kRuleIndex, 2, kRuleRow, 639, kRuleRow + 1), 637);
    EXPECT_NE(last.At(0, kRuleRow), kRuleIndex);
    EXPECT_NE(last.At(1, kRuleRow), kRuleIndex);
    EXPECT_NE(last.At(639, kRuleRow), kRuleIndex);
    ExpectShowsPaletteFile(last, screen::ProgramPalette(0));
}

TEST_F(ScreenTest, AltDigitAndAltKeypadDigitLoadThatPaletteFile) {
    e2e::RunOptions options;
    options.script = {
        {2000, "SHOT " + (shots_ / "before.png").string()}, {2100, "ALT+3"},
        {2500, "SHOT " + (shots_ / "three.png").string()},  {2600, "ALT+NUMPAD5"},
        {3000, "SHOT " + (shots_ / "five.png").string()},   {3100, "ESCAPE"},
    };
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();

    const e2e::IndexedImage before = e2e::ReadIndexedPng(shots_ / "before.png");
    const e2e::IndexedImage three = e2e::ReadIndexedPng(shots_ / "three.png");
    const e2e::IndexedImage five = e2e::ReadIndexedPng(shots_ / "five.png");
    ASSERT_TRUE(before.Valid() && three.Valid() && five.Valid()) << run.Stderr();
    ASSERT_NE(screen::ProgramPalette(3), screen::ProgramPalette(0));
    ASSERT_NE(screen::ProgramPalette(5), screen::ProgramPalette(3));
    {
        SCOPED_TRACE("nivra0 at start");
        ExpectShowsPaletteFile(before, screen::ProgramPalette(0));
    }
    {
        SCOPED_TRACE("Alt+3");
        ExpectShowsPaletteFile(three, screen::ProgramPalette(3));
    }
    {
        SCOPED_TRACE("Alt+numeric keypad 5");
        ExpectShowsPaletteFile(five, screen::ProgramPalette(5));
    }
    // The program's own entries are not taken from a file.
    for (int entry = 240; entry < 256; ++entry) {
        EXPECT_EQ(three.palette[entry], before.palette[entry]) << "entry " << entry;
        EXPECT_EQ(five.palette[entry], before.palette[entry]) << "entry " << entry;
    }
}

// Palette file 7 is missing and 6 is one byte short: neither changes a colour.
TEST_F(ScreenTest, AltDigitWithoutAWholePaletteFileKeepsThePalette) {
    const screen::ProgramCopy copy(7);
    copy.WritePalette(6, std::string(767, '\x7F'));
    e2e::RunOptions options;
    options.program = copy.Program();
    options.script = {
        {2500, "ALT+7"},  {2900, "SHOT " + (shots_ / "seven.png").string()},
        {3000, "ALT+6"},  {3400, "SHOT " + (shots_ / "six.png").string()},
        {3500, "ESCAPE"},
    };
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    for (const char* name : {"seven.png", "six.png"}) {
        SCOPED_TRACE(name);
        const e2e::IndexedImage shot = e2e::ReadIndexedPng(shots_ / name);
        ASSERT_TRUE(shot.Valid()) << run.Stderr();
        ExpectShowsPaletteFile(shot, screen::ProgramPalette(0));
    }
}

}  // namespace
