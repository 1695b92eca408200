// Enter on a song in the real program: the device opens, the song plays,
// the status bar tells what happened, and Space shows the song's title.
#include <filesystem>

#include "gfx/surface.h"
#include "platform/gdi.h"
#include "tests/browsing_e2e/browsing_run.h"
#include "tests/rcpcv/rcp_file_builder.h"

namespace browsing_e2e {
namespace {

constexpr std::uint8_t kHalftoneIndex = 6;

// The pixels of the title line that are text: neither black nor the
// half-tone, inside the selector's half-toned area.
std::vector<bool> TitleInk(const e2e::IndexedImage& image) {
    std::vector<bool> ink;
    for (int y = 390 + 10; y < 390 + 65; ++y)
        for (int x = 5; x < 5 + 630; ++x)
            ink.push_back(image.At(x, y) != 0 && image.At(x, y) != kHalftoneIndex);
    return ink;
}

// The same title drawn here the way the selector's title mode draws it.
std::vector<bool> ExpectedTitleInk(const std::string& title) {
    EnsureHeadlessDisplay();
    CSurface surface = MakeSurface(630, 65);
    constexpr BYTE kPaper = 7;
    std::vector<bool> ink;
    if (!surface.surface)
        return ink;
    RECT whole{0, 0, 630, 65};
    DDBLTFX fill{};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = kPaper;
    surface.surface->Blt(&whole, nullptr, nullptr, DDBLT_COLORFILL, &fill);
    HDC dc = nullptr;
    if (FAILED(surface.surface->GetDC(&dc)))
        return ink;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HFONT font = CreateFontA(14, 0, 0, 0, 700, 0, 0, 0, DEFAULT_CHARSET, OUT_CHARACTER_PRECIS,
                             CLIP_CHARACTER_PRECIS, PROOF_QUALITY, VARIABLE_PITCH,
                             "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e");
    HGDIOBJ old_font = SelectObject(dc, font);
    TextOutA(dc, 2, 11, title.c_str(), static_cast<int>(title.size()));
    SelectObject(dc, old_font);
    DeleteObject(font);
    surface.surface->ReleaseDC(dc);
    const std::vector<BYTE> pixels = ReadPixels(surface);
    for (int y = 10; y < 65; ++y)
        for (int x = 0; x < 630; ++x)
            ink.push_back(pixels[static_cast<size_t>(y) * 630 + x] != kPaper);
    return ink;
}

int CountSet(const std::vector<bool>& mask) {
    return static_cast<int>(std::count(mask.begin(), mask.end(), true));
}

// The General MIDI System On message that starts every song.
const std::vector<std::uint8_t> kSystemOn = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

bool HasMessage(const std::vector<e2e::MidiLogLine>& log, const std::vector<std::uint8_t>& bytes) {
    for (const e2e::MidiLogLine& line : log)
        if (line.bytes == bytes)
            return true;
    return false;
}

class SongsTest : public BrowsingTest {};

TEST_F(SongsTest, EnterPlaysTheSongAndTheStatusBarReturnsToItsCaption) {
    scene_.WriteFile("TUNE.MID", SongBytes("TUNE", {60, 64, 67}));
    const int tune = support::SelectorIndex(scene_.Path(), "TUNE.MID");
    auto run = Run(Script()
                       .Press("RIGHT", tune)
                       .Press("RETURN")
                       .AwaitSongStart()
                       .Wait(1500)
                       .Shot("played.png"));

    const std::vector<e2e::MidiLogLine> log = e2e::ReadMidiLog(run->MidiLogPath());
    ASSERT_FALSE(log.empty()) << "no device was opened";
    EXPECT_EQ(log.front().action, "open");
    EXPECT_TRUE(HasMessage(log, kSystemOn));
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{60, 64, 67}));

    e2e::IndexedImage played = Shot("played.png");
    EXPECT_EQ(StatusMessage(played), "MIDI PLAYER NIVRA");
    EXPECT_EQ(CursorCell(played), tune);  // the selector stays where it was
}

TEST_F(SongsTest, ADamagedSongLeavesFileOpenErrorAndPlaysNothing) {
    scene_.WriteFile("BROKEN.MID", "MThd\x00\x00\x00\x06garbage that ends early");
    scene_.WriteFile("EMPTY.MID", "");
    const int broken = support::SelectorIndex(scene_.Path(), "BROKEN.MID");
    const int empty = support::SelectorIndex(scene_.Path(), "EMPTY.MID");
    auto run = Run(Script()
                       .Press("RIGHT", broken)
                       .Press("RETURN")
                       .Wait(500)
                       .Shot("broken.png")
                       .Press("UP")
                       .Wait(300)
                       .Shot("moved.png")
                       .Press(empty > broken ? "RIGHT" : "LEFT", std::abs(empty - broken))
                       .Press("DOWN")
                       .Press("RETURN")
                       .Wait(500)
                       .Shot("empty.png"));

    e2e::IndexedImage broken_shot = Shot("broken.png");
    EXPECT_EQ(StatusMessage(broken_shot), "FILE OPEN ERROR");
    // The message stays while the cursor moves.
    e2e::IndexedImage moved = Shot("moved.png");
    EXPECT_EQ(StatusMessage(moved), "FILE OPEN ERROR");
    e2e::IndexedImage empty_shot = Shot("empty.png");
    EXPECT_EQ(StatusMessage(empty_shot), "FILE OPEN ERROR");
    EXPECT_TRUE(LoggedNotes(run->MidiLogPath()).empty());
    EXPECT_EQ(FolderContents(scene_.Path()).size(), 2u);
}

TEST_F(SongsTest, AnRcpSongPlaysThroughTheConverter) {
    if (!fs::exists(NIVRA_BINARY_DIR "/librcpcv.so"))
        GTEST_SKIP() << "the converter library is not built";
    rcpcv_test::RcpFileBuilder builder;
    rcpcv_test::RcpFileBuilder::Track track;
    track.records = {{0x3C, 0x30, 0x28, 0x64}, {0x43, 0x30, 0x28, 0x64}, {0xFE, 0, 0, 0}};
    builder.Title("RCP SONG").AddTrack(track);
    const std::vector<std::uint8_t> bytes = builder.Build();
    scene_.WriteFile("SEQ.RCP", std::string(bytes.begin(), bytes.end()));
    const int seq = support::SelectorIndex(scene_.Path(), "SEQ.RCP");
    auto run = Run(Script()
                       .Shot("listed.png")
                       .Press("RIGHT", seq)
                       .Press("RETURN")
                       .AwaitSongStart()
                       .Wait(1500)
                       .Shot("played.png"));

    e2e::IndexedImage listed = Shot("listed.png");
    EXPECT_EQ(CellLabel(listed, seq % 5, seq / 5), "\xB2SEQ.RCP");
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{60, 67}));
    e2e::IndexedImage played = Shot("played.png");
    EXPECT_EQ(StatusMessage(played), "MIDI PLAYER NIVRA");
}

TEST_F(SongsTest, SpaceShowsTheSongsTitleAndReturnsToTheSameListAndCursor) {
    scene_.WriteFile("FIRST.MID", SongBytes("Morning Song", {60}));
    scene_.MakeFolder("SUB");
    const int first = support::SelectorIndex(scene_.Path(), "FIRST.MID");
    auto run = Run(Script()
                       .Press("SPACE")
                       .Shot("no_title.png")
                       .Press("SPACE")
                       .Press("RIGHT", first)
                       .Press("RETURN")
                       .Wait(300)
                       .Shot("list.png")
                       .Press("SPACE")
                       .Shot("title.png")
                       .Press("SPACE")
                       .Shot("back.png")
                       .Press("SPACE")
                       .Press("LEFT")
                       .Shot("moved.png"));

    e2e::IndexedImage no_title = Shot("no_title.png");
    EXPECT_EQ(SelectorCaption(no_title), CaptionAsShown("TITLE`"));
    EXPECT_EQ(CountSet(TitleInk(no_title)), 0);  // no song loaded yet
    EXPECT_EQ(CellLabel(no_title, 0, 0), "");    // no grid in the title mode

    e2e::IndexedImage title = Shot("title.png");
    EXPECT_EQ(SelectorCaption(title), CaptionAsShown("TITLE`"));
    const std::vector<bool> expected = ExpectedTitleInk("Morning Song");
    EXPECT_GT(CountSet(expected), 50);
    EXPECT_EQ(TitleInk(title), expected);

    e2e::IndexedImage back = Shot("back.png");
    EXPECT_EQ(SelectorCaption(back), FilesCaption(scene_.Path()));
    e2e::IndexedImage list = Shot("list.png");
    EXPECT_EQ(CursorCell(back), first);
    EXPECT_EQ(GridLabels(back), GridLabels(list));
    EXPECT_EQ(CellLabel(back, first % 5, first / 5),
              "\xB1"
              "FIRST.MID");

    // A cursor move in the title mode returns to the list and moves.
    e2e::IndexedImage moved = Shot("moved.png");
    EXPECT_EQ(SelectorCaption(moved), FilesCaption(scene_.Path()));
    EXPECT_EQ(CursorCell(moved), first - 1);
}

}  // namespace
}  // namespace browsing_e2e
