#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "panels/document_viewer_panel.h"
#include "panels/status_bar_panel.h"
#include "platform/files.h"
#include "tests/support/scratch_folder.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    TextLineArray lines;
    CTextLineBuilder builder(lines);
    for (char c : text)
        builder.Add(static_cast<unsigned char>(c));
    builder.Finish();
    return lines;
}

}  // namespace

TEST(TextLines, TabsFillToTheNextMultipleOfEight) {
    EXPECT_EQ(Lines("a\tb\n"), std::vector<std::string>{"a       b"});
    EXPECT_EQ(Lines("\tx\n"), std::vector<std::string>{"x"});  // a tab at column 0 adds nothing
    EXPECT_EQ(Lines("12345678\ty\n"), std::vector<std::string>{"12345678y"});
}

TEST(TextLines, LongLinesSplitAtEightyBytes) {
    std::vector<std::string> split = Lines(std::string(100, 'x') + "\r\n");
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].size(), 80u);
    EXPECT_EQ(split[1].size(), 20u);
    EXPECT_EQ(Lines(std::string(80, 'y') + "\r\n"), std::vector<std::string>{std::string(80, 'y')});
    EXPECT_EQ(Lines(std::string(160, 'z') + "\n").size(), 2u);
}

TEST(TextLines, LineEndsAndEmptyLines) {
    EXPECT_EQ(Lines("one\r\ntwo\r\n"), Lines("one\ntwo\n"));
    EXPECT_EQ(Lines("\r\n\r\nx\n"), (std::vector<std::string>{"", "", "x"}));
    // The last line is kept even without a line feed.
    EXPECT_EQ(Lines("first\nlast"), (std::vector<std::string>{"first", "last"}));
    EXPECT_TRUE(Lines("").empty());
}

TEST(TextLines, AHugeTextKeepsOnlyTheLineLimit) {
    TextLineArray lines;
    CTextLineBuilder builder(lines);
    bool more = true;
    std::uint32_t fed = 0;
    while (more && fed < CTextLineBuilder::kMaxLines + 10) {
        more = builder.Add('\n');
        ++fed;
    }
    builder.Finish();
    EXPECT_FALSE(more);
    EXPECT_EQ(lines.size(), CTextLineBuilder::kMaxLines);
}

TEST(CompanionText, ReplacesOnlyTheSongsExtension) {
    char path[MAX_PATH];
    ASSERT_TRUE(CompanionTextPath("SONG.MID", path, sizeof path));
    EXPECT_STREQ(path, "SONG.txt");
    ASSERT_TRUE(CompanionTextPath("C:\\MY.SONGS\\TRACK", path, sizeof path));
    EXPECT_STREQ(path, "C:\\MY.SONGS\\TRACK.txt");
    ASSERT_TRUE(CompanionTextPath("a.b.rcp", path, sizeof path));
    EXPECT_STREQ(path, "a.b.txt");
    char small[8];
    EXPECT_FALSE(CompanionTextPath("LONGNAME.MID", small, sizeof small));
}

TEST(CompanionText, ASongWithAShortenedNameFindsItsText) {
    support::ScratchFolder folder{"nivra-files"};
    std::string stem;
    for (int i = 0; i < 83; ++i)
        stem += "\xEA\xB0\x80";  // Korean, far too long once escaped
    folder.WriteFile(stem + ".mid", "song");
    folder.WriteFile(stem + ".txt", "companion");
    support::WorkingDirectory inside(folder.Path());
    const std::string song = platform::NativeNameToProgram(stem + ".mid");
    ASSERT_TRUE(platform::IsShortAlias(song));
    char path[MAX_PATH];
    ASSERT_TRUE(CompanionTextPath(song.c_str(), path, sizeof path));
    std::unique_ptr<FILE, int (*)(FILE*)> text(platform::OpenFile(path, "rb"), &std::fclose);
    ASSERT_NE(text, nullptr) << path;
    char bytes[16] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, text.get()), 9u);
    EXPECT_STREQ(bytes, "companion");
}

TEST(StatusMessage, CutsAtACharacterBoundary) {
    std::string ascii(300, 'a');
    EXPECT_EQ(CutAtCharacterBoundary(ascii.c_str(), 255), 255u);
    std::string kanji;
    for (int i = 0; i < 150; ++i)
        kanji += "\x8b\xc8";
    EXPECT_EQ(CutAtCharacterBoundary(kanji.c_str(), 255), 254u);  // not half a kanji
    EXPECT_EQ(CutAtCharacterBoundary("ab\x8b", 255), 2u);         // a lone lead byte at the end
    EXPECT_EQ(CutAtCharacterBoundary("short", 255), 5u);
}
