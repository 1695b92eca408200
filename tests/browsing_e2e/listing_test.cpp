// The real program's selector grid: what it lists and in which order, going
// into folders and back up, and the drive list.
#include "tests/browsing_e2e/browsing_run.h"

namespace browsing_e2e {
namespace {

class ListingTest : public BrowsingTest {
protected:
    void SetUp() override {
        scene_.MakeFolder("ALPHA");
        scene_.MakeFolder("beta");
        scene_.MakeFolder("TWICE.MID");  // a folder and a song by its name
        scene_.WriteFile("X.MID", SongBytes("X", {60}));
        scene_.WriteFile("lower.mid", SongBytes("LOWER", {62}));
        scene_.WriteFile("Y.RCP", "RCM-PC98V2.0(C)COMPOSER 1.00\r\n");
        scene_.WriteFile("Z.TXT", "text\r\n");
        scene_.WriteFile("W.DOC", "not listed\r\n");
        scene_.WriteFile("NOEXT", "not listed either");
        scene_.WriteFile("ALPHA/INNER.TXT", "inner\n");
    }
};

TEST_F(ListingTest, GridShowsFoldersFirstThenSongsAndTextsWithMarkers) {
    const std::vector<std::string> expected = ExpectedLabels(scene_.Path());
    ASSERT_EQ(expected.size(), 10u);  // ., .., 3 folders, 4 songs and texts, TWICE.MID again
    auto run = Run(Script().Shot("start.png"));
    e2e::IndexedImage shot = Shot("start.png");

    std::vector<std::string> shown = GridLabels(shot);
    std::vector<std::string> listed(shown.begin(), shown.begin() + expected.size());
    EXPECT_EQ(listed, expected);
    for (size_t i = expected.size(); i < shown.size(); ++i)
        EXPECT_EQ(shown[i], "") << "cell " << i;
    EXPECT_EQ(CursorCell(shot), 0);  // on "."
    EXPECT_EQ(SelectorCaption(shot), FilesCaption(scene_.Path()));
    EXPECT_EQ(StatusMessage(shot), "MIDI PLAYER NIVRA");
}

TEST_F(ListingTest, EnterOnAFolderListsItAndBackspaceGoesUpAgain) {
    const int alpha = support::SelectorIndex(scene_.Path(), "ALPHA");
    ASSERT_GE(alpha, 2);
    auto run = Run(Script()
                       .Press("RIGHT", alpha)
                       .Shot("on_alpha.png")
                       .Press("RETURN")
                       .Shot("inside.png")
                       .Line("SHOT relative.png")
                       .Press("BACK")
                       .Shot("back.png")
                       .Press("BACK")
                       .Shot("above.png"));
    // A screenshot named relative to the start lands where the program
    // started, not in the folder browsed into.
    EXPECT_TRUE(fs::exists(scene_ / "relative.png"));
    EXPECT_FALSE(fs::exists(scene_ / "ALPHA" / "relative.png"));
    fs::remove(scene_ / "relative.png");

    e2e::IndexedImage on_alpha = Shot("on_alpha.png");
    EXPECT_EQ(CursorCell(on_alpha), alpha);
    EXPECT_EQ(CellLabel(on_alpha, alpha % 5, alpha / 5), "/ALPHA");

    e2e::IndexedImage inside = Shot("inside.png");
    EXPECT_EQ(SelectorCaption(inside), FilesCaption(scene_ / "ALPHA"));
    std::vector<std::string> labels = GridLabels(inside);
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 4),
              (std::vector<std::string>{".", "..", " INNER.TXT", ""}));
    EXPECT_EQ(CursorCell(inside), 0);

    e2e::IndexedImage back = Shot("back.png");
    EXPECT_EQ(SelectorCaption(back), FilesCaption(scene_.Path()));
    labels = GridLabels(back);
    const std::vector<std::string> expected = ExpectedLabels(scene_.Path());
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + expected.size()), expected);
    EXPECT_EQ(CursorCell(back), 0);  // a fresh listing starts on "."

    e2e::IndexedImage above = Shot("above.png");
    EXPECT_EQ(SelectorCaption(above), FilesCaption(scene_.Path().parent_path()));
}

// A folder whose path is longer than a path buffer holds still names its
// drive and the start of its path.
TEST_F(ListingTest, AFolderDeeperThanAPathBufferShowsItsDriveAndPath) {
    fs::path deep = "DEEPFOLDER01";
    for (int level = 2; level <= 30; ++level)
        deep /= "DEEPFOLDER" + std::to_string(level);
    scene_.MakeFolder(deep.string());
    start_folder_ = scene_ / deep.string();
    ASSERT_GT(start_folder_.string().size(), 400u);
    auto run = Run(Script().Shot("files.png").Press("L").Shot("drives.png"));

    const std::string start = FilesCaption(scene_ / "DEEPFOLDER01");
    EXPECT_EQ(SelectorCaption(Shot("files.png")).substr(0, start.size()), start);
    EXPECT_EQ(SelectorCaption(Shot("drives.png")), CaptionAsShown("DRIVE SELECTOR` C:"));
}

TEST_F(ListingTest, DriveListShowsCAndEnterOnItListsTheRoot) {
    auto run = Run(Script()
                       .Press("L")
                       .Shot("drives.png")
                       .Press("RETURN")
                       .Shot("root.png")
                       .Press("L")
                       .Press("L")
                       .Shot("again.png"));

    e2e::IndexedImage drives = Shot("drives.png");
    EXPECT_EQ(SelectorCaption(drives), CaptionAsShown("DRIVE SELECTOR` C:"));
    EXPECT_EQ(CellLabel(drives, 0, 0), "\xB3 C:");  // a fixed disk
    EXPECT_EQ(CursorCell(drives), 0);

    e2e::IndexedImage root = Shot("root.png");
    EXPECT_EQ(SelectorCaption(root), CaptionAsShown("FILE SELECTOR` C:\\"));
    // A drive's root has no "." or "..": the root's first folder comes first.
    std::string first_folder;
    for (const fs::directory_entry& entry : fs::directory_iterator("/")) {
        if (entry.is_directory()) {
            std::string name = entry.path().filename().string();
            first_folder = AsShown((name[0] == '.' ? name : "/" + name).substr(0, kLabelCells));
            break;
        }
    }
    ASSERT_FALSE(first_folder.empty());
    EXPECT_EQ(CellLabel(root, 0, 0), first_folder);

    // L twice goes to the drives and back to a fresh listing of the root.
    e2e::IndexedImage again = Shot("again.png");
    EXPECT_EQ(SelectorCaption(again), CaptionAsShown("FILE SELECTOR` C:\\"));
    EXPECT_EQ(CellLabel(again, 0, 0), first_folder);
}

class LargeFolderTest : public BrowsingTest {};

// The scroll indicator's 16 bars at (613, 15 + 3 i) of the selector: lit
// (index 2) or unlit (index 3).
std::string ScrollBars(const e2e::IndexedImage& image) {
    std::string bars;
    for (int i = 0; i < 16; ++i) {
        const int x = 5 + 613, y = 390 + 15 + 3 * i;
        bars += image.Count(2, x, y, x + 12, y + 2) == 24   ? '#'
                : image.Count(3, x, y, x + 12, y + 2) == 24 ? '.'
                                                            : '?';
    }
    return bars;
}

TEST_F(LargeFolderTest, PagesThroughThreeThousandEntriesWithTheScrollIndicator) {
    for (int i = 0; i < 3000; ++i)
        scene_.WriteFile("S" + std::to_string(i) + ".MID", "");
    const std::vector<std::string> expected = ExpectedLabels(scene_.Path());
    ASSERT_EQ(expected.size(), 3002u);
    auto run = Run(Script()
                       .Shot("top.png")
                       .Press("NEXT", 10)
                       .Shot("paged.png")
                       .Press("PRIOR", 2)
                       .Shot("back.png"));

    e2e::IndexedImage top = Shot("top.png");
    EXPECT_EQ(GridLabels(top), std::vector<std::string>(expected.begin(), expected.begin() + 25));
    EXPECT_EQ(ScrollBars(top), "#...............");

    // Ten pages of four rows: entry 200 on the last grid row, the grid from
    // list row 36 on.
    e2e::IndexedImage paged = Shot("paged.png");
    EXPECT_EQ(GridLabels(paged),
              std::vector<std::string>(expected.begin() + 180, expected.begin() + 205));
    EXPECT_EQ(CursorCell(paged), 20);
    EXPECT_EQ(ScrollBars(paged), "##..............");

    // Two pages back: the cursor climbs to the first grid row and the grid
    // scrolls with it (list row 32 on).
    e2e::IndexedImage back = Shot("back.png");
    EXPECT_EQ(CursorCell(back), 0);
    EXPECT_EQ(GridLabels(back),
              std::vector<std::string>(expected.begin() + 160, expected.begin() + 185));
}

}  // namespace
}  // namespace browsing_e2e
