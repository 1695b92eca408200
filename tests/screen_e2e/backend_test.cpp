// The SDL backends on SDL's display-less video driver: the program opens its
// window (full screen or resizable), presents every frame through it, and
// still fades in, takes screenshots and quits like the headless run.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/screen_e2e/fade_levels.h"

namespace {

constexpr int kBackendShotEveryMs = 25;
constexpr int kBackendLastShotMs = 2400;

class SdlBackendTest : public ::testing::TestWithParam<const char*> {
protected:
    e2e::ScratchFolder shots_{"nivra-backend-shots"};
};

TEST_P(SdlBackendTest, FadesInShowsTheTitleAndQuits) {
    e2e::RunOptions options;
    options.extra_environment["NIVRA_VIDEO"] = GetParam();
    options.extra_environment["SDL_VIDEODRIVER"] = "dummy";
    screen::AddShots(options.script, shots_.Path(),
                     screen::ShotTimes(0, kBackendLastShotMs, kBackendShotEveryMs));
    const std::filesystem::path settled = shots_.Path() / "settled.png";
    options.script.push_back({screen::kSettledShotMs, "SHOT " + settled.string()});
    options.script.push_back({screen::kSettledShotMs + 100, "ESCAPE"});
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    // The backend opened: no fall-back to running headless.
    EXPECT_EQ(run.Stderr().find("running headless"), std::string::npos) << run.Stderr();

    const auto shots = screen::ReadShots(
        shots_.Path(), screen::ShotTimes(0, kBackendLastShotMs, kBackendShotEveryMs));
    ASSERT_FALSE(shots.empty());
    const std::vector<int> levels = screen::FadeLevels(shots, screen::ProgramPalette(0));
    EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end())) << screen::Describe(levels);
    EXPECT_TRUE(std::any_of(levels.begin(), levels.end(), [](int l) { return l > 0 && l < 100; }))
        << screen::Describe(levels);
    const e2e::IndexedImage last = e2e::ReadIndexedPng(settled);
    ASSERT_EQ(screen::FadeLevel(last, screen::ProgramPalette(0)), 100);
    EXPECT_EQ(last.Count(5, 2, 14, 639, 15), 637);
}

// Asked for a window or the full screen where there is no display (none
// named, SDL left to choose or given a driver that does not exist), the
// program says so and runs headless: it still draws, takes shots and quits.
TEST_P(SdlBackendTest, WithoutADisplayItSaysSoAndRunsHeadless) {
    for (const char* driver : {"", "nonsense"}) {
        SCOPED_TRACE(driver);
        e2e::RunOptions options;
        options.extra_environment["NIVRA_VIDEO"] = GetParam();
        options.removed_environment = {"DISPLAY", "WAYLAND_DISPLAY"};
        if (*driver)
            options.extra_environment["SDL_VIDEODRIVER"] = driver;
        else
            options.removed_environment.push_back("SDL_VIDEODRIVER");
        const std::filesystem::path shot = shots_.Path() / (std::string("shown") + driver + ".png");
        options.script.push_back({kBackendLastShotMs, "SHOT " + shot.string()});
        options.script.push_back({kBackendLastShotMs + 100, "ESCAPE"});
        e2e::NivraProcess run(options);
        ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
        EXPECT_NE(run.Stderr().find(std::string("VIDEO: the ") + GetParam() +
                                    " display cannot open; running headless"),
                  std::string::npos)
            << run.Stderr();
        const e2e::IndexedImage shown = e2e::ReadIndexedPng(shot);
        ASSERT_TRUE(shown.Valid());
        EXPECT_EQ(shown.Count(5, 2, 14, 639, 15), 637);
    }
}

// With no display named and no backend asked for, the program chooses the
// headless backend itself, without first failing to open a window.
TEST(DefaultBackend, WithoutADisplayTheProgramRunsHeadless) {
    e2e::ScratchFolder shots{"nivra-default-backend"};
    e2e::RunOptions options;
    options.removed_environment = {"NIVRA_VIDEO", "DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    options.script.push_back({kBackendLastShotMs, "SHOT " + (shots.Path() / "shown.png").string()});
    options.script.push_back({kBackendLastShotMs + 100, "ESCAPE"});
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    EXPECT_EQ(run.Stderr().find("VIDEO:"), std::string::npos) << run.Stderr();
    const e2e::IndexedImage shown = e2e::ReadIndexedPng(shots.Path() / "shown.png");
    ASSERT_TRUE(shown.Valid());
    EXPECT_EQ(shown.Count(5, 2, 14, 639, 15), 637);
}

INSTANTIATE_TEST_SUITE_P(Backends, SdlBackendTest, ::testing::Values("window", "fullscreen"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
