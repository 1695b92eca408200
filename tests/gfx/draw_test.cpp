#include "gfx/draw.h"

#include "tests/gfx/gfx_test_support.h"

namespace {

using Points = std::vector<std::pair<LONG, LONG>>;

class DrawTest : public GfxTest {};

TEST_F(DrawTest, LineWalkPlotsFromTheLeftEndAndLeavesTheOtherEndPoint) {
    CSurface a = MakeSurface(20, 10);
    CSurface b = MakeSurface(20, 10);
    DrawLine(a.surface, 10, 5, 0, 0, 7);
    DrawLine(b.surface, 0, 0, 10, 5, 7);
    const Points forward = SetPixels(b);
    EXPECT_EQ(SetPixels(a), forward);
    ASSERT_EQ(forward.size(), 10u);
    EXPECT_EQ(forward.front(), std::make_pair(0, 0));
    EXPECT_EQ(PixelAt(b, 10, 5), 0);
    EXPECT_EQ(PixelAt(b, 0, 0), 7);
}

TEST_F(DrawTest, LineWalkStraightDiagonalAndEmptyLines) {
    CSurface s = MakeSurface(120, 80);
    DrawLine(s.surface, 0, 9, 100, 9, 3);
    Points expected;
    for (LONG x = 0; x < 100; ++x)
        expected.emplace_back(x, 9);
    EXPECT_EQ(SetPixels(s), expected);

    CSurface v = MakeSurface(10, 80);
    DrawLine(v.surface, 3, 12, 3, 72, 3);
    expected.clear();
    for (LONG y = 12; y < 72; ++y)
        expected.emplace_back(3, y);
    EXPECT_EQ(SetPixels(v), expected);

    CSurface d = MakeSurface(8, 8);
    DrawLine(d.surface, 0, 0, 4, 4, 0x105);  // only the low 8 bits count
    EXPECT_EQ(SetPixels(d), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(PixelAt(d, 2, 2), 5);

    CSurface z = MakeSurface(8, 8);
    DrawLine(z.surface, 4, 4, 4, 4, 9);
    EXPECT_TRUE(SetPixels(z).empty());
}

TEST_F(DrawTest, LineGoingUpStepsRowsBackwards) {
    CSurface s = MakeSurface(10, 10);
    DrawLine(s.surface, 0, 6, 3, 0, 1);  // mostly vertical, rising to the right
    const Points set = SetPixels(s);
    ASSERT_EQ(set.size(), 6u);
    EXPECT_EQ(PixelAt(s, 0, 6), 1);
    EXPECT_EQ(PixelAt(s, 3, 0), 0);
    for (const auto& [x, y] : set)
        EXPECT_LE(x, 3);
}

TEST_F(DrawTest, LineOutsideTheSurfaceDrawsNothing) {
    CSurface s = MakeSurface(10, 10);
    DrawLine(s.surface, 0, 0, 10, 40, 1);
    DrawLine(s.surface, -5, 2, 5, 2, 1);
    // The first unwritten pixel is inside, the last written one is not.
    DrawLine(s.surface, 8, 0, 11, 0, 1);
    DrawLine(s.surface, 0, 10, 5, 10, 1);
    EXPECT_TRUE(SetPixels(s).empty());
}

// The far end point is never written, so it may lie on the edge, or past
// it as long as every written pixel is inside.
TEST_F(DrawTest, LineEndingOnTheEdgeIsDrawnWhole) {
    struct Case {
        LONG x1, y1, x2, y2;
        size_t pixels;
        std::pair<LONG, LONG> first, last;
    };
    const Case cases[] = {
        {0, 8, 10, 8, 10, {0, 8}, {9, 8}},   // to the right edge
        {10, 3, 0, 3, 10, {0, 3}, {9, 3}},   // from it, walked from the left
        {3, 0, 3, 10, 10, {3, 0}, {3, 9}},   // to the bottom edge
        {0, 0, 10, 10, 10, {0, 0}, {9, 9}},  // diagonally to the corner
        {0, 9, 4, -1, 10, {0, 9}, {3, 0}},   // steep, ending above the top row
    };
    for (const Case& c : cases) {
        CSurface s = MakeSurface(10, 10);
        DrawLine(s.surface, c.x1, c.y1, c.x2, c.y2, 4);
        const Points set = SetPixels(s);
        ASSERT_EQ(set.size(), c.pixels) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        EXPECT_EQ(PixelAt(s, c.first.first, c.first.second), 4);
        EXPECT_EQ(PixelAt(s, c.last.first, c.last.second), 4);
    }
}

TEST_F(DrawTest, HalftoneCheckerboardAlignsToTheRectangle) {
    CSurface s = MakeSurface(12, 6);
    HalftoneRect(s.surface, 0, 0, 6, 2, 6);
    EXPECT_EQ(SetPixels(s), (Points{{1, 0}, {3, 0}, {5, 0}, {0, 1}, {2, 1}, {4, 1}}));

    CSurface odd = MakeSurface(12, 6);
    HalftoneRect(odd.surface, 3, 2, 8, 4, 6);  // width 5: two pixels a row
    EXPECT_EQ(SetPixels(odd), (Points{{4, 2}, {6, 2}, {3, 3}, {5, 3}}));
}

TEST_F(DrawTest, RectanglesTheSurfaceRefusesLeaveItUnchanged) {
    CSurface s = MakeSurface(16, 8);
    HalftoneRect(s.surface, 10, 0, 20, 4, 6);
    EXPECT_NE(FillRect(s.surface, 8, 4, 17, 8, 9), DD_OK);
    EXPECT_TRUE(SetPixels(s).empty());
}

TEST_F(DrawTest, FillRectClearsAndFillsExactly) {
    CSurface s = MakeSurface(640, 480);
    EXPECT_EQ(FillRect(s.surface, 0, 0, 640, 480, 7), DD_OK);
    EXPECT_EQ(FillRect(s.surface, 0, 0, 640, 480, 0), DD_OK);
    EXPECT_TRUE(SetPixels(s).empty());
    FillRect(s.surface, 2, 3, 4, 5, 0x1FF);
    EXPECT_EQ(SetPixels(s), (Points{{2, 3}, {3, 3}, {2, 4}, {3, 4}}));
    EXPECT_EQ(PixelAt(s, 3, 4), 0xFF);
}

}  // namespace
