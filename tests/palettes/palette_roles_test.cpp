// The palette files shipped beside the program: ten colour tables of 768
// bytes, in each of which the entries the program draws with can be told
// apart where they meet on screen.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Rgb = std::array<int, 3>;

// A cheap perceptual colour difference (the "red mean" weighting of the RGB
// distance): green counts most, and red and blue trade weight with the
// redness of the pair. 0 for equal colours, about 765 from black to white.
double ColourDistance(const Rgb& a, const Rgb& b) {
    const double red_mean = (a[0] + b[0]) / 2.0;
    const double dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return std::sqrt((2 + red_mean / 256) * dr * dr + 4 * dg * dg +
                     (2 + (255 - red_mean) / 256) * db * db);
}

// How far apart two entries must be, by how they meet on screen.
constexpr double kReadable = 200;  // text, rules and lit marks on the background
constexpr double kDistinct = 100;  // states of one element, neighbouring marks
constexpr double kShading = 60;    // a key's edge or shine against its face
constexpr double kFaint = 40;      // unlit marks and half-tones against the background

struct RolePair {
    int first, second;
    double minimum;
    const char* why;
};

const RolePair kPairs[] = {
    {1, 0, kReadable, "text band 0 on the background"},
    {2, 0, kReadable, "text band 1 on the background"},
    {3, 0, kReadable, "text band 2 and volume blocks on the background"},
    {4, 0, kReadable, "text band 3 on the background"},
    {5, 0, kReadable, "rules and scales on the background"},
    {8, 0, kReadable, "the flashing entry on the background"},
    {16, 0, kReadable, "lit segments on the background"},
    {21, 0, kReadable, "highlight and blinking text on the background"},
    {22, 0, kReadable, "the first blink colour on the background"},
    {23, 0, kReadable, "the second blink colour on the background"},
    {32, 0, kReadable, "white keys on the background"},
    {36, 0, kReadable, "sounding white keys on the background"},
    {38, 0, kReadable, "sounding black keys on the background"},
    {49, 0, kReadable, "lit meters on the background"},
    {52, 0, kReadable, "peak markers on the background"},
    {96, 0, kReadable, "lit wheel spokes on the background"},
    {6, 0, kFaint, "the half-tone on the background"},
    {17, 0, kFaint, "unlit segments on the background"},
    {48, 0, kFaint, "unlit meters on the background"},
    {97, 0, kFaint, "unlit wheel spokes on the background"},
    {1, 6, kReadable, "the selector's cursor text on the half-tone"},
    {2, 6, kReadable, "the selector's list text on the half-tone"},
    {21, 6, kReadable, "the cursor underline on the half-tone"},
    {1, 2, kDistinct, "the cursor entry against the other entries"},
    {1, 3, kDistinct, "the current play state against the others"},
    {2, 3, kDistinct, "the scroll indicator's shown and hidden bars"},
    {3, 4, kDistinct, "secondary against dim text"},
    {21, 2, kDistinct, "the volume marker just changed against at rest"},
    {22, 23, kDistinct, "the two blink colours"},
    {16, 17, kDistinct, "lit against unlit segments"},
    {48, 49, kDistinct, "unlit against lit meter stripes"},
    {49, 52, kDistinct, "a peak marker over a lit meter"},
    {48, 52, kDistinct, "a peak marker over an unlit meter"},
    {32, 34, kDistinct, "white against black keys"},
    {32, 36, kDistinct, "a white key at rest against sounding"},
    {34, 38, kDistinct, "a black key at rest against sounding"},
    {36, 38, kDistinct, "sounding white against sounding black keys"},
    {96, 97, kDistinct, "lit against unlit wheel spokes"},
    {32, 33, kShading, "a white key's lower edge"},
    {34, 35, kShading, "a black key's shine"},
    {36, 37, kShading, "a sounding white key's lower edge"},
    {33, 37, kShading, "a lower edge at rest against sounding"},
};

Rgb Entry(const std::vector<unsigned char>& table, int index) {
    return {table[3 * index], table[3 * index + 1], table[3 * index + 2]};
}

std::vector<unsigned char> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path PaletteFile(int digit) {
    return fs::path(NIVRA_BINARY_DIR) / ("nivra" + std::to_string(digit) + ".act");
}

TEST(ColourDistance, OrdersColoursAsTheEyeDoes) {
    EXPECT_EQ(ColourDistance({10, 20, 30}, {10, 20, 30}), 0);
    EXPECT_NEAR(ColourDistance({0, 0, 0}, {255, 255, 255}), 765, 1);
    EXPECT_EQ(ColourDistance({0, 0, 0}, {0, 80, 0}), ColourDistance({0, 80, 0}, {0, 0, 0}));
    // The same step in green shows more than in blue.
    EXPECT_GT(ColourDistance({0, 0, 0}, {0, 80, 0}), ColourDistance({0, 0, 0}, {0, 0, 80}));
}

TEST(PaletteFiles, AllTenShipBesideTheProgramAt768Bytes) {
    for (int digit = 0; digit <= 9; ++digit) {
        SCOPED_TRACE(PaletteFile(digit).string());
        ASSERT_TRUE(fs::exists(PaletteFile(digit)));
        EXPECT_EQ(fs::file_size(PaletteFile(digit)), 768u);
    }
}

TEST(PaletteFiles, TheEntriesThatMeetOnScreenCanBeToldApart) {
    for (int digit = 0; digit <= 9; ++digit) {
        const std::vector<unsigned char> table = ReadAll(PaletteFile(digit));
        ASSERT_EQ(table.size(), 768u) << digit;
        for (const RolePair& pair : kPairs) {
            const double distance =
                ColourDistance(Entry(table, pair.first), Entry(table, pair.second));
            EXPECT_GE(distance, pair.minimum) << "nivra" << digit << ".act, entries " << pair.first
                                              << " and " << pair.second << ": " << pair.why;
        }
        // Entry 8 flashes white: its own colour must not already be white.
        EXPECT_GE(ColourDistance(Entry(table, 8), {255, 255, 255}), kDistinct) << digit;
    }
}

// The wheel's spokes 98 to 103 show entry 96 or 97 through links renewed
// every frame; before the first link they show their own colour, which is
// the unlit spoke's so that the wheel does not flash at start-up.
TEST(PaletteFiles, WheelSpokesStartAsTheUnlitSpoke) {
    for (int digit = 0; digit <= 9; ++digit) {
        const std::vector<unsigned char> table = ReadAll(PaletteFile(digit));
        ASSERT_EQ(table.size(), 768u) << digit;
        for (int spoke = 98; spoke <= 103; ++spoke)
            EXPECT_EQ(Entry(table, spoke), Entry(table, 97))
                << "nivra" << digit << ".act, entry " << spoke;
    }
}

}  // namespace
