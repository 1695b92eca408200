// The loop mode in the real program: F3 cycles it, announced in the status
// bar and listed under the tempo wheel; it is kept at quit with the count and
// fade the file holds; --loop wins for one run and is not kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/monitors_e2e/monitor_run.h"
#include "tests/monitors_e2e/screen_reading.h"
#include "tests/support/key_script.h"
#include "tests/support/nivra_process.h"

namespace {

namespace fs = std::filesystem;
using monitors_e2e::Font;
using monitors_e2e::ReadText;
using monitors_e2e::Shown;

using monitors_e2e::kFadedInMs;
constexpr const char* kHeader = "# NIVRA settings, written when the program quits\n";

std::string StatusBar(const e2e::IndexedImage& shot) {
    return ReadText(shot, Font::B, 6, 465, 20, monitors_e2e::kBandOne);
}

// The first line under the tempo wheel.
std::string UnderTheWheel(const e2e::IndexedImage& shot) {
    return ReadText(shot, Font::A, monitors_e2e::kPanelLeft, monitors_e2e::kPanelTop + 50, 19,
                    monitors_e2e::kBandZero);
}

class LoopModeRuns : public ::testing::Test {
protected:
    // Runs the program with `keys` (each followed by a shot named after its
    // place in `keys`, from 0) and `arguments`; false when it did not quit well.
    bool Run(const std::vector<std::string>& keys, std::vector<std::string> arguments = {}) {
        support::KeyScript script(kFadedInMs, 300);
        script.Shot(scratch_ / "start.png");
        for (std::size_t i = 0; i < keys.size(); ++i)
            script.Key(keys[i]).Shot(scratch_ / (std::to_string(i) + ".png"), 200);
        script.Key("ESCAPE");
        e2e::RunOptions options;
        options.working_folder = scratch_.Path();
        options.script = script.Lines();
        options.arguments = std::move(arguments);
        options.extra_environment["NIVRA_CONFIG"] = kept_.string();
        e2e::NivraProcess run(options);
        const int exit_code = run.WaitForExit();
        EXPECT_EQ(exit_code, 0) << run.Stderr();
        EXPECT_EQ(run.Stderr().find("SETTINGS"), std::string::npos) << run.Stderr();
        return exit_code == 0;
    }
    e2e::IndexedImage Shot(const std::string& name) const {
        return e2e::ReadIndexedPng(scratch_ / (name + ".png"));
    }

    e2e::ScratchFolder scratch_{"nivra-loop-mode"};
    const fs::path kept_ = scratch_ / "settings.conf";
};

TEST_F(LoopModeRuns, F3CyclesTheModeWhichIsKeptAndTheOptionWinsForOneRun) {
    // Off at first: nothing under the wheel. Then N times, forever, off, N.
    ASSERT_TRUE(Run({"F3", "F3", "F3", "F3"}));
    EXPECT_EQ(UnderTheWheel(Shot("start")), "");
    const char* announced[] = {"LOOP 2", "LOOP FOREVER", "LOOP OFF", "LOOP 2"};
    const char* listed[] = {"LOOP 2", "LOOP FOREVER", "", "LOOP 2"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const e2e::IndexedImage shot = Shot(std::to_string(i));
        EXPECT_EQ(StatusBar(shot), Shown(announced[i], Font::B));
        EXPECT_EQ(UnderTheWheel(shot), Shown(listed[i], Font::A));
    }
    EXPECT_EQ(e2e::ReadWholeFile(kept_), std::string(kHeader) + "loop=count\n");

    // The kept mode and a count the file holds come back; F3 changes the
    // mode, and the count stays kept.
    scratch_.WriteFile("settings.conf", std::string(kHeader) + "loop=count\nloop_count=4\n");
    ASSERT_TRUE(Run({"F3"}));
    EXPECT_EQ(UnderTheWheel(Shot("start")), Shown("LOOP 4", Font::A));
    EXPECT_EQ(e2e::ReadWholeFile(kept_), std::string(kHeader) + "loop=forever\nloop_count=4\n");

    // --loop wins for the run; unchanged during it, nothing is written.
    ASSERT_TRUE(Run({}, {"--loop=7", "--fade=3"}));
    EXPECT_EQ(UnderTheWheel(Shot("start")), Shown("LOOP 7", Font::A));
    EXPECT_EQ(e2e::ReadWholeFile(kept_), std::string(kHeader) + "loop=forever\nloop_count=4\n");
}

}  // namespace
