// Texts in the real program: Enter on a text file dims the screen and lays
// the text over it in full white, Tab brightens the screen again, and a
// song's companion text is what the viewer shows next.
#include <cmath>

#include "tests/browsing_e2e/browsing_run.h"

namespace browsing_e2e {
namespace {

int ViewerInk(const e2e::IndexedImage& image) {
    return image.Count(kDocumentIndex, kViewerLeft, kViewerTop, kViewerRight, kViewerBottom);
}

std::string ViewerCaption(const e2e::IndexedImage& image) {
    return ScreenText::Get().Read(image, Font::B, kViewerLeft, kViewerTop, 17, kDocumentIndex);
}

// Colours of the static entries (text bands, rules, half-tone) of a shot.
std::vector<std::array<std::uint8_t, 3>> StaticColours(const e2e::IndexedImage& image) {
    return {image.palette[1], image.palette[2], image.palette[3],
            image.palette[4], image.palette[5], image.palette[6]};
}

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

class DocumentTest : public BrowsingTest {};

TEST_F(DocumentTest, EnterOnATextDimsTheScreenAndTabBrightensItAgain) {
    // The last line has no line feed and is still shown.
    scene_.WriteFile("NOTES.TXT", "FIRST LINE\r\n\r\n\tTHIRD\nFOURTH WITHOUT LINE FEED");
    const int notes = support::SelectorIndex(scene_.Path(), "NOTES.TXT");
    auto run = Run(Script()
                       .Shot("before.png")
                       .Press("RIGHT", notes)
                       .Press("RETURN")
                       .Wait(1000)
                       .Shot("dimmed.png")
                       .Press("TAB")
                       .Wait(1000)
                       .Shot("after.png"));

    e2e::IndexedImage before = Shot("before.png");
    e2e::IndexedImage dimmed = Shot("dimmed.png");
    e2e::IndexedImage after = Shot("after.png");

    // 56 % of every colour the brightness scales; the text's entry stays white.
    const auto full = StaticColours(before);
    const auto dim = StaticColours(dimmed);
    bool any_lit = false;
    for (size_t entry = 0; entry < full.size(); ++entry) {
        for (int c = 0; c < 3; ++c) {
            any_lit |= full[entry][c] > 100;
            EXPECT_NEAR(dim[entry][c], std::lround(full[entry][c] * 0.56), 2)
                << "entry " << entry + 1 << " component " << c;
        }
    }
    EXPECT_TRUE(any_lit);
    EXPECT_EQ(dimmed.palette[kDocumentIndex], (std::array<std::uint8_t, 3>{255, 255, 255}));

    EXPECT_EQ(ViewerCaption(dimmed), "DOCUMENT VIEWER`");
    EXPECT_EQ(ViewerPosition(dimmed), "0000/0000");
    EXPECT_GT(LineInk(dimmed, 0), 30);
    EXPECT_EQ(LineInk(dimmed, 1), 0);  // the empty line
    EXPECT_GT(LineInk(dimmed, 2), 20);
    EXPECT_GT(LineInk(dimmed, 3), 30);  // the line without a line feed
    EXPECT_EQ(LineInk(dimmed, 4), 0);
    EXPECT_GT(ViewerInk(dimmed), ViewerInk(before) + 100);

    // Tab: full brightness, the text gone, the screen as before.
    EXPECT_EQ(StaticColours(after), full);
    EXPECT_EQ(ViewerInk(after), ViewerInk(before));
    EXPECT_EQ(CursorCell(after), notes);
}

TEST_F(DocumentTest, TheViewerScrollsByLineAndPageWithinItsLimits) {
    scene_.WriteFile("LONG.TXT", Lines(100));
    const int text = support::SelectorIndex(scene_.Path(), "LONG.TXT");
    auto run = Run(Script()
                       .Press("RIGHT", text)
                       .Press("RETURN")
                       .Wait(800)
                       .Press("UP")
                       .Shot("top.png")
                       .Press("NEXT")
                       .Shot("page.png")
                       .Press("NEXT", 6)
                       .Shot("bottom.png")
                       .Press("DOWN")
                       .Press("PRIOR")
                       .Press("UP")
                       .Shot("back.png"));

    const std::pair<const char*, const char*> expected[] = {{"top.png", "0000/0073"},
                                                            {"page.png", "0015/0073"},
                                                            {"bottom.png", "0073/0073"},
                                                            {"back.png", "0057/0073"}};
    for (const auto& [name, position] : expected) {
        e2e::IndexedImage shot = Shot(name);
        EXPECT_EQ(ViewerPosition(shot), position) << name;
        EXPECT_GT(LineInk(shot, 26), 20) << name;  // 27 lines fill the viewer
    }
}

TEST_F(DocumentTest, ASongsCompanionTextIsWhatTheViewerShowsNext) {
    scene_.WriteFile("SONG.MID", SongBytes("SONG", {60}));
    scene_.WriteFile("SONG.txt", Lines(30));
    scene_.WriteFile("OTHER.TXT", Lines(50));
    scene_.WriteFile("LONE.MID", SongBytes("LONE", {62}));
    const int other = support::SelectorIndex(scene_.Path(), "OTHER.TXT");
    const int song = support::SelectorIndex(scene_.Path(), "SONG.MID");
    const int lone = support::SelectorIndex(scene_.Path(), "LONE.MID");
    KeyScript script = Script();
    script.Press("RIGHT", other).Press("RETURN").Wait(800).Shot("other.png").Press("TAB").Wait(800);
    script.Move(other, song);
    script.Press("RETURN").Wait(800).Press("TAB").Wait(800).Shot("companion.png").Press("TAB");
    script.Wait(800).Move(song, lone);
    script.Press("RETURN").Wait(800).Press("TAB").Wait(800).Shot("none.png");
    auto run = Run(script);

    e2e::IndexedImage other_shot = Shot("other.png");
    EXPECT_EQ(ViewerPosition(other_shot), "0000/0023");
    e2e::IndexedImage companion = Shot("companion.png");
    EXPECT_EQ(ViewerPosition(companion), "0000/0003");  // SONG.txt's 30 lines
    // A song without a companion empties the viewer.
    e2e::IndexedImage none = Shot("none.png");
    EXPECT_EQ(ViewerPosition(none), "0000/0000");
    EXPECT_EQ(LineInk(none, 0), 0);
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{60, 62}));
}

}  // namespace
}  // namespace browsing_e2e
