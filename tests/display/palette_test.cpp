// The palette's arithmetic: brightness, links, one-frame entries, palette
// files, and the animated entries 8 and 21 over successive frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "display/frame_thread.h"
#include "display/palette.h"
#include "tests/support/scratch_folder.h"

namespace {

COLORREF Shown(const CPalette& palette, int entry) {
    const PALETTEENTRY e = palette.GetOutput()[entry];
    return RGB(e.peRed, e.peGreen, e.peBlue);
}

// A palette file in a scratch folder of its own: test cases run as parallel
// processes, so a shared temporary name would let one remove another's file.
class PaletteFile {
public:
    explicit PaletteFile(const std::vector<BYTE>& bytes)
        : path_(folder_.WriteFile("palette.act", std::string(bytes.begin(), bytes.end()))) {}
    const char* Path() const { return path_.c_str(); }

private:
    support::ScratchFolder folder_{"nivra-palette"};
    std::filesystem::path path_;
};

// A full file whose every entry is (r, g, b), except the listed overrides.
std::vector<BYTE> UniformFile(BYTE r, BYTE g, BYTE b) {
    std::vector<BYTE> bytes(kPaletteFileBytes);
    for (int i = 0; i < kPaletteEntryCount; ++i) {
        bytes[3 * i] = r;
        bytes[3 * i + 1] = g;
        bytes[3 * i + 2] = b;
    }
    return bytes;
}

TEST(PaletteBrightness, FactorsAndScaledComponents) {
    EXPECT_EQ(CPalette::BrightnessFactor(99), 253);
    EXPECT_EQ(CPalette::BrightnessFactor(50), 128);
    EXPECT_EQ(CPalette::BrightnessFactor(5), 12);
    EXPECT_EQ(CPalette::BrightnessFactor(0), 0);

    const struct {
        WORD percent;
        BYTE expected;
    } cases[] = {{100, 255}, {99, 252}, {50, 127}, {5, 11}, {0, 0}};
    for (const auto& c : cases) {
        CPalette palette;
        palette.SetEntry(10, RGB(255, 255, 255));
        palette.SetEntry(250, RGB(255, 255, 255));
        palette.SetBrightness(c.percent);
        palette.Apply();
        EXPECT_EQ(Shown(palette, 10), RGB(c.expected, c.expected, c.expected)) << c.percent;
        // The program's own entries are never dimmed.
        EXPECT_EQ(Shown(palette, 250), RGB(255, 255, 255)) << c.percent;
    }
}

TEST(PaletteLinks, LowerChainsFollowHigherTargetsDoNot) {
    CPalette palette;
    palette.SetEntry(241, RGB(1, 1, 1));
    palette.SetEntry(242, RGB(2, 2, 2));
    palette.SetEntry(243, RGB(3, 3, 3));
    palette.SetEntry(244, RGB(4, 4, 4));
    palette.SetLink(243, 241);  // 243 shows 241
    palette.SetLink(244, 243);  // lower linked entry: follows the chain to 241
    palette.SetLink(242, 243);  // higher linked entry: sees 243's own colour
    palette.Apply();
    EXPECT_EQ(Shown(palette, 243), RGB(1, 1, 1));
    EXPECT_EQ(Shown(palette, 244), RGB(1, 1, 1));
    EXPECT_EQ(Shown(palette, 242), RGB(3, 3, 3));

    // A linked entry ignores SetEntry and reports its target's colour.
    palette.SetEntry(243, RGB(9, 9, 9));
    EXPECT_EQ(palette.GetEntry(243), RGB(1, 1, 1));
    // Only the low byte of the entry counts; 0 removes the link.
    palette.SetLink(243 + 256, 0);
    palette.SetEntry(243, RGB(9, 9, 9));
    palette.Apply();
    EXPECT_EQ(Shown(palette, 243), RGB(9, 9, 9));
    EXPECT_EQ(palette.GetEntry(-1), 0u);
    EXPECT_EQ(palette.GetEntry(256), 0u);
}

TEST(PaletteEntries, FileColoursComeBackAfterOneFrameProgramEntriesStay) {
    std::vector<BYTE> bytes = UniformFile(10, 20, 30);
    PaletteFile file(bytes);
    CPalette palette;
    ASSERT_TRUE(palette.LoadFromPath(file.Path()));
    palette.Restore();
    palette.SetEntry(5, RGB(200, 0, 0));
    palette.SetEntry(245, RGB(0, 200, 0));
    palette.Apply();
    EXPECT_EQ(Shown(palette, 5), RGB(200, 0, 0));
    palette.Apply();
    EXPECT_EQ(Shown(palette, 5), RGB(10, 20, 30));
    // Entries 240-255 are never taken from a file and keep what was set.
    EXPECT_EQ(Shown(palette, 245), RGB(0, 200, 0));
    EXPECT_EQ(Shown(palette, 250), RGB(0, 0, 0));
}

TEST(PaletteFiles, NewFileShowsFromTheSecondApplyShortOrMissingFileChangesNothing) {
    PaletteFile first(UniformFile(10, 10, 10));
    CPalette palette;
    ASSERT_TRUE(palette.LoadFromPath(first.Path()));
    palette.Restore();
    palette.Apply();

    PaletteFile second(UniformFile(99, 98, 97));
    ASSERT_TRUE(palette.LoadFromPath(second.Path()));
    palette.Apply();
    EXPECT_EQ(Shown(palette, 1), RGB(10, 10, 10));
    palette.Apply();
    EXPECT_EQ(Shown(palette, 1), RGB(99, 98, 97));

    // Empty, seven bytes, one byte short of a table: refused, the colours stay.
    std::vector<BYTE> one_short = UniformFile(1, 2, 3);
    one_short.pop_back();
    for (const std::vector<BYTE>& bytes :
         {std::vector<BYTE>{}, std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7}, one_short}) {
        PaletteFile shorter(bytes);
        EXPECT_FALSE(palette.LoadFromPath(shorter.Path())) << bytes.size();
        palette.Apply();
        palette.Apply();
        EXPECT_EQ(Shown(palette, 1), RGB(99, 98, 97)) << bytes.size();
        EXPECT_EQ(Shown(palette, 239), RGB(99, 98, 97)) << bytes.size();
    }
    // Bytes beyond the table are ignored.
    std::vector<BYTE> longer = UniformFile(4, 5, 6);
    longer.push_back(77);
    PaletteFile longer_file(longer);
    ASSERT_TRUE(palette.LoadFromPath(longer_file.Path()));
    palette.Apply();
    palette.Apply();
    EXPECT_EQ(Shown(palette, 1), RGB(4, 5, 6));

    EXPECT_FALSE(palette.LoadFromPath("/nonexistent/nivra7.act"));
    palette.Apply();
    EXPECT_EQ(Shown(palette, 1), RGB(4, 5, 6));
    // A folder opens but cannot be read: refused, nothing changes.
    EXPECT_FALSE(palette.LoadFromPath(std::filesystem::temp_directory_path().c_str()));
    EXPECT_FALSE(palette.LoadFile(10));
}

// Entry 8 flashes white every third frame; entry 21 shows its own colour for
// 19 frames, then entry 23's and entry 22's for 20 frames each, in turn.
TEST(PaletteAnimation, FlashAndBlinkOverFrames) {
    std::vector<BYTE> bytes = UniformFile(0, 0, 0);
    auto set = [&](int entry, BYTE r, BYTE g, BYTE b) {
        bytes[3 * entry] = r;
        bytes[3 * entry + 1] = g;
        bytes[3 * entry + 2] = b;
    };
    set(8, 0, 0, 255);
    set(21, 50, 50, 50);
    set(22, 220, 0, 0);
    set(23, 0, 220, 0);
    PaletteFile file(bytes);
    CPalette& palette = GetPalette();
    ASSERT_TRUE(palette.LoadFromPath(file.Path()));
    palette.SetLink(21, 0);
    palette.SetBrightness(100);
    palette.Restore();

    CFrameThread frames;
    std::string flashes;
    std::vector<COLORREF> blink;
    for (int frame = 1; frame <= 100; ++frame) {
        frames.DrawFrame();
        if (frame <= 9)
            flashes += Shown(palette, 8) == RGB(255, 255, 255) ? 'W' : 'b';
        blink.push_back(Shown(palette, 21));
    }
    EXPECT_EQ(flashes, "bbWbbWbbW");
    for (int frame = 1; frame <= 100; ++frame) {
        COLORREF expected = RGB(50, 50, 50);
        if (frame >= 20)
            expected = ((frame - 20) / 20) % 2 == 0 ? RGB(0, 220, 0) : RGB(220, 0, 0);
        EXPECT_EQ(blink[frame - 1], expected) << "frame " << frame;
    }
    // While the blink holds entry 21, SetEntry leaves it alone.
    palette.SetEntry(21, RGB(1, 2, 3));
    EXPECT_NE(palette.GetEntry(21), RGB(1, 2, 3));
    palette.SetLink(21, 0);
}

TEST(PaletteFilesShipped, EveryRoleHasItsOwnColourAndTextReadsOnTheBackground) {
    const int roles[] = {0,  1,  2,  3,  4,  5,  6,  8,  16, 17, 21, 22, 23,
                         32, 33, 34, 35, 36, 37, 38, 48, 49, 52, 96, 97};
    for (int digit = 0; digit <= 9; ++digit) {
        const std::string path =
            std::string(NIVRA_BINARY_DIR) + "/nivra" + static_cast<char>('0' + digit) + ".act";
        ASSERT_EQ(std::filesystem::file_size(path), 768u) << path;
        CPalette palette;
        ASSERT_TRUE(palette.LoadFromPath(path.c_str()));
        palette.Restore();
        std::vector<COLORREF> seen;
        for (int role : roles) {
            const COLORREF colour = palette.GetEntry(role);
            for (COLORREF other : seen)
                EXPECT_NE(colour, other) << path << " entry " << role;
            seen.push_back(colour);
        }
        auto luminance = [&](int entry) {
            const COLORREF c = palette.GetEntry(entry);
            return 299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c);
        };
        for (int text : {1, 2, 3, 21})
            EXPECT_GT(luminance(text) - luminance(0), 80000) << path << " text entry " << text;
        for (int entry = 240; entry < 256; ++entry)
            EXPECT_EQ(palette.GetEntry(entry), 0u);
    }
}

}  // namespace
