// A relative NIVRA_MIDI_LOG names a file in the folder the program started
// in, even when a song on the command line moves it to the song's folder
// before the first device opens.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/nivra_process.h"

namespace {

namespace fs = std::filesystem;

TEST(MidiLogPathTest, RelativeLogLandsWhereTheProgramStarted) {
    e2e::ScratchFolder start("nivra-log-start");
    fs::create_directory(start / "SUB");
    fs::copy_file(fs::path(NIVRA_SOURCE_DIR "/demo/FORMAT0.MID"), start / "SUB/FORMAT0.MID");
    e2e::RunOptions options;
    options.working_folder = start.Path();
    options.arguments = {"SUB/FORMAT0.MID"};
    options.extra_environment["NIVRA_MIDI_LOG"] = "song.log";
    options.script = {{1500, "ESCAPE"}};
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    EXPECT_FALSE(fs::exists(start / "SUB/song.log"));
    EXPECT_NE(e2e::ReadWholeFile(start / "song.log").find(" open "), std::string::npos);
}

}  // namespace
