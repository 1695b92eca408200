#include <gtest/gtest.h>

#include "panels/file_selector_panel.h"
#include "panels/legible_name.h"
#include "platform/user.h"

namespace {

// A selector with `count` entries, not created: keys move the cursor but
// nothing is drawn.
class SelectorCursor : public ::testing::Test {
protected:
    CFileSelectorPanel& Selector(int count) {
        selector_ = new CFileSelectorPanel;  // the panel list owns it
        selector_->SetEntriesForTesting(count);
        return *selector_;
    }
    int Index() {
        return selector_->EntryIndex(selector_->GetCursorCol(), selector_->GetCursorRow());
    }

    CFileSelectorPanel* selector_ = nullptr;
};

int Key(CFileSelectorPanel& panel, WPARAM key) {
    InputEvent event{nullptr, WM_KEYDOWN, key, 0};
    return panel.OnInput(&event);
}

TEST_F(SelectorCursor, PageMovesOverTwentyThreeEntries) {
    CFileSelectorPanel& selector = Selector(23);
    ASSERT_EQ(selector.MoveCursor(0, 4), 1);
    EXPECT_EQ(Index(), 20);
    EXPECT_EQ(selector.GetCursorRow(), 4);
    EXPECT_EQ(selector.GetCursorCol(), 0);
    ASSERT_EQ(selector.MoveCursor(0, 4), 1);  // no entry 24: the last one
    EXPECT_EQ(Index(), 22);
    EXPECT_EQ(selector.GetCursorCol(), 2);
    ASSERT_EQ(selector.MoveCursor(0, -4), 1);
    EXPECT_EQ(Index(), 2);
    ASSERT_EQ(selector.MoveCursor(0, -4), 1);
    EXPECT_EQ(Index(), 0);
}

TEST_F(SelectorCursor, SingleStepsWrapRowsAndStopAtTheEnds) {
    CFileSelectorPanel& selector = Selector(12);
    EXPECT_EQ(selector.MoveCursor(-1, 0), 0);  // before the first entry
    EXPECT_EQ(selector.MoveCursor(0, -1), 0);
    for (int i = 0; i < 4; ++i)
        selector.MoveCursor(1, 0);
    ASSERT_EQ(selector.MoveCursor(1, 0), 1);  // column 4 to column 0 below
    EXPECT_EQ(selector.GetCursorCol(), 0);
    EXPECT_EQ(selector.GetCursorRow(), 1);
    ASSERT_EQ(selector.MoveCursor(-1, 0), 1);  // and back up to column 4
    EXPECT_EQ(selector.GetCursorCol(), 4);
    EXPECT_EQ(selector.GetCursorRow(), 0);
    while (selector.MoveCursor(1, 0)) {
    }
    EXPECT_EQ(Index(), 11);
    EXPECT_EQ(selector.MoveCursor(0, 1), 0);  // nothing below the last row
}

TEST_F(SelectorCursor, DownOnTheLastGridRowScrolls) {
    CFileSelectorPanel& selector = Selector(40);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(selector.MoveCursor(0, 1), 1);
    ASSERT_EQ(selector.MoveCursor(0, 1), 1);
    EXPECT_EQ(selector.GetTopRow(), 1);
    EXPECT_EQ(selector.GetCursorRow(), 4);
    EXPECT_EQ(Index(), 25);
    while (selector.MoveCursor(0, -1)) {
    }
    EXPECT_EQ(selector.GetTopRow(), 0);
    EXPECT_EQ(Index(), 0);
    // A page move past the end of a long list keeps the last entry in view.
    ASSERT_EQ(selector.MoveCursor(0, 4), 1);
    ASSERT_EQ(selector.MoveCursor(0, 4), 1);
    EXPECT_EQ(Index(), 39);
    EXPECT_EQ(selector.GetCursorRow(), 4);
    EXPECT_EQ(selector.GetTopRow(), 3);
}

TEST_F(SelectorCursor, AnEmptyListTakesNoMoveAndNoEnter) {
    CFileSelectorPanel& selector = Selector(0);
    EXPECT_EQ(selector.MoveCursor(1, 0), 0);
    EXPECT_EQ(selector.MoveCursor(0, 1), 0);
    selector.MoveCursor(0, 4);
    EXPECT_EQ(Index(), -2);
    for (int col = 0; col < 5; ++col)
        for (int row = 0; row < 5; ++row)
            EXPECT_LT(selector.EntryIndex(col, row), 0);
    EXPECT_EQ(Key(selector, VK_RETURN), 1);  // taken, does nothing
}

TEST_F(SelectorCursor, SpaceTogglesTitleModeAndKeepsTheCursor) {
    CFileSelectorPanel& selector = Selector(12);
    selector.MoveCursor(0, 1);
    Key(selector, VK_SPACE);
    EXPECT_EQ(selector.GetMode(), MODE_TITLE);
    EXPECT_EQ(Key(selector, VK_RETURN), 0);  // Enter in title mode is the application's
    Key(selector, VK_SPACE);
    EXPECT_EQ(selector.GetMode(), MODE_FILES);
    EXPECT_EQ(Index(), 5);
    EXPECT_EQ(selector.GetEntryCount(), 12);
    // A cursor key in title mode also returns to the list.
    Key(selector, VK_SPACE);
    Key(selector, VK_RIGHT);
    EXPECT_EQ(selector.GetMode(), MODE_FILES);
    EXPECT_EQ(Index(), 6);
}

TEST(SelectorCells, CellRectanglesAndLabels) {
    RECT cell = CFileSelectorPanel::CellRect(4, 4);
    EXPECT_EQ(cell.left, 482);
    EXPECT_EQ(cell.top, 53);
    EXPECT_EQ(cell.right, 602);
    EXPECT_EQ(cell.bottom, 64);
    char label[300];
    FileEntry folder{"DATA", ENTRY_FOLDER};
    FormatEntryLabel(folder, label, sizeof label);
    EXPECT_STREQ(label, "/DATA");
    FileEntry up{"..", ENTRY_FOLDER};
    FormatEntryLabel(up, label, sizeof label);
    EXPECT_STREQ(label, "..");
    FileEntry song{"song.mid", ENTRY_SONG};
    FormatEntryLabel(song, label, sizeof label);
    EXPECT_STREQ(label, "\xB1song.mid");
    FileEntry long_text{"ABCDEFGHIJKLMNOPQRSTUVWXYZ.TXT", ENTRY_TEXT};
    FormatEntryLabel(long_text, label, sizeof label);
    EXPECT_STREQ(label, " ABCDEFGHIJKLMNOP");  // 17 cells
    // Escapes of bytes outside CP932 are drawn in parentheses, a shortened
    // name's mark as "-"; a double-byte character is kept whole.
    FileEntry accented{"F%C3%BCr %C3%89lise.mid", ENTRY_SONG};
    FormatEntryLabel(accented, label, sizeof label);
    EXPECT_STREQ(label,
                 "\xB1"
                 "F(C3BC)r (C389)l");
    FileEntry shortened{"%EA%B0%80%~1A2B3C4D", ENTRY_FOLDER};
    FormatEntryLabel(shortened, label, sizeof label);
    EXPECT_STREQ(label, "/(EAB080)-1A2B3C4");
    EXPECT_EQ(LegibleName("\x95\x25%41%%~"), "\x95\x25(41)%-");
    EXPECT_EQ(LegibleName("100%4"), "100%4");
    FileEntry drive{"C:\\", ENTRY_DRIVE};
    FormatEntryLabel(drive, label, sizeof label);
    EXPECT_STREQ(label, "\xB3 C:");
}

}  // namespace
