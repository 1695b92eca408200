// The README's screenshot is what the program shows: the run of
// tools/screenshot (the same key file, the same lone song) reproduces
// docs/screenshot.png index for index, except where the picture holds the
// clock, this machine's figures or a peak marker.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/indexed_png.h"
#include "tests/support/nivra_process.h"
#include "selector_script.h"

namespace fs = std::filesystem;

namespace {

struct Area {
    int left, top, right, bottom;
    bool Holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Time-dependent or machine-dependent parts of the screen: the segment
// read-outs (play time, frames per second, the system clock, messages sent)
// and the processor and memory lines of the system status.
const Area kMasks[] = {{530, 20, 640, 112}, {385, 143, 640, 170}};

// Peak markers (of the meters and of the spectrum) step down for one frame
// in every second or so even over a held note, and markers of ended notes
// sink by the frame, so where they stand depends on the frame of the shot.
constexpr std::uint8_t kPeakMarker = 52;

bool Masked(int x, int y) {
    return std::any_of(std::begin(kMasks), std::end(kMasks),
                       [&](const Area& area) { return area.Holds(x, y); });
}

bool Comparable(const e2e::IndexedImage& want, const e2e::IndexedImage& got, int x, int y) {
    return !Masked(x, y) && want.At(x, y) != kPeakMarker && got.At(x, y) != kPeakMarker;
}

// "" when equal outside the masks, else where they differ.
std::string Differences(const e2e::IndexedImage& want, const e2e::IndexedImage& got) {
    if (want.width != got.width || want.height != got.height)
        return "the sizes differ";
    int count = 0;
    Area box{want.width, want.height, -1, -1};
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x) {
            if (!Comparable(want, got, x, y) || want.At(x, y) == got.At(x, y))
                continue;
            ++count;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
        }
    if (count == 0)
        return "";
    std::ostringstream text;
    text << count << " pixels differ within (" << box.left << ", " << box.top << ")-(" << box.right
         << ", " << box.bottom << ")";
    return text.str();
}

TEST(ReadmeScreenshot, TheScreenshotRunReproducesTheCommittedPicture) {
    const fs::path committed = NIVRA_SOURCE_DIR "/docs/screenshot.png";
    const e2e::IndexedImage want = e2e::ReadIndexedPng(committed);
    ASSERT_TRUE(want.Valid()) << committed;
    ASSERT_EQ(want.width, 640);
    ASSERT_EQ(want.height, 480);

    e2e::ScratchFolder song("nivra-screenshot-song");
    fs::copy_file(NIVRA_SOURCE_DIR "/demo/ENSEMBLE.MID", song / "ENSEMBLE.MID");
    e2e::ScratchFolder pictures("nivra-screenshot");
    const fs::path shot = pictures / "shot.png";
    e2e::RunOptions options;
    options.working_folder = song.Path();
    options.script =
        first_run::ReadKeyFile(NIVRA_SOURCE_DIR "/tools/screenshot/screenshot.keys", shot);
    ASSERT_FALSE(options.script.empty());
    // The song starts for good at the script's last RETURN. On a busy machine
    // that start can come late, so the pause and the shot keep their distance
    // from the song's start message instead of from the program's start.
    const auto last_return =
        std::find_if(options.script.rbegin(), options.script.rend(),
                     [](const e2e::ScriptLine& line) { return line.what == "RETURN"; });
    ASSERT_NE(last_return, options.script.rend());
    options.script.insert(
        last_return.base(),
        {last_return->at_ms, e2e::kAwaitPrefix + std::string(e2e::kSongStartLine)});
    e2e::NivraProcess nivra(options);
    ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();

    const e2e::IndexedImage got = e2e::ReadIndexedPng(shot);
    ASSERT_TRUE(got.Valid()) << "no screenshot was written";
    EXPECT_EQ(Differences(want, got), "");
    // The picture shows a playing screen: lit meters and spectrum bars.
    EXPECT_GT(got.CountAll(49), 1000) << "no lit meter";
}

}  // namespace
