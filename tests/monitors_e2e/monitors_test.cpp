// The real program, headless, before and while the monitor song plays: the
// spectrum analyzer, the MIDI canvas and the track view show on screen what
// the held notes determine, pixel for pixel where the picture is fixed.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/monitors_e2e/monitor_run.h"
#include "tests/monitors_e2e/screen_reading.h"

namespace monitors_e2e {
namespace {

constexpr std::uint8_t kUnlitMeter = 48;
constexpr std::uint8_t kLitMeter = 49;
constexpr std::uint8_t kPeakMarker = 52;

// The spectrum analyzer at (340, 190): bar k's three columns from x 345 + 4k,
// dashes on the even rows 12..70 of the panel, the silent marker on row 70.
constexpr int kBarsLeft = 345;
constexpr int kSpectrumSilentMarkerY = 260;
constexpr int kMiddleCBar = 60 - 36;

// The MIDI canvas at (340, 275): channel k's meter from x 380 + 16k, 14 wide,
// stripes on rows 287..355; the pan picture below at y 357.
constexpr int kMetersLeft = 380;
constexpr int kMeterBottomY = 357;
constexpr int kPanPictureY = 357;
constexpr int kVolumeBlocksX = 343;
constexpr int kVolumeBlocksY = 292;

// The track view at (2, 36): row i's text line at y 43 + 35i.
int TrackLineY(int channel) {
    return 43 + 35 * channel;
}

int BarX(int bar) {
    return kBarsLeft + 4 * bar;
}
int MeterX(int channel) {
    return kMetersLeft + 16 * channel;
}

bool RowIs(const e2e::IndexedImage& shot, int x, int y, int width, std::uint8_t index) {
    return shot.Count(index, x, y, x + width, y + 1) == width;
}

// The lit height of a bar, read from the bottom row up: lit rows are every
// second row from y 260 upward.
int BarLitHeight(const e2e::IndexedImage& shot, int bar) {
    int height = 0;
    while (height < 60 && RowIs(shot, BarX(bar), kSpectrumSilentMarkerY - height, 3, kLitMeter))
        height += 2;
    return height;
}

// A bar with nothing sounding near it: every dash unlit, no lit pixel, and
// its peak marker on the lowest dash row.
void ExpectSilentBar(const e2e::IndexedImage& shot, int bar) {
    SCOPED_TRACE("bar " + std::to_string(bar));
    EXPECT_TRUE(RowIs(shot, BarX(bar), kSpectrumSilentMarkerY, 3, kPeakMarker));
    for (int y = 202; y < kSpectrumSilentMarkerY; y += 2)
        ASSERT_TRUE(RowIs(shot, BarX(bar), y, 3, kUnlitMeter)) << "row " << y;
    EXPECT_EQ(shot.Count(kUnlitMeter, BarX(bar), 202, BarX(bar) + 3, kSpectrumSilentMarkerY),
              3 * 29);
    EXPECT_EQ(shot.Count(kLitMeter, BarX(bar), 200, BarX(bar) + 4, 262), 0);
}

// A held bar of a known drawn height: its marker sits right above its lit
// rows. On one frame in sixty-two the held peak dips by one step, so a shot
// may show the bar 2 pixels lower with the marker on its top row.
int ExpectHeldBar(const e2e::IndexedImage& shot, int bar, int height) {
    SCOPED_TRACE("bar " + std::to_string(bar));
    const int shown = BarLitHeight(shot, bar);
    EXPECT_TRUE(shown == height || shown == height - 2) << shown;
    EXPECT_TRUE(RowIs(shot, BarX(bar), kSpectrumSilentMarkerY - shown, 3, kPeakMarker));
    return shown;
}

// The canvas meter of a channel: g lit rows on the stripe rows above the pan
// picture, unlit stripes above them, the peak marker g + 2 rows above the
// bottom (or one row lower while a held peak dips).
void ExpectMeter(const e2e::IndexedImage& shot, int channel, int lit_rows) {
    SCOPED_TRACE("channel " + std::to_string(channel + 1));
    const int x = MeterX(channel);
    const int lit_top = kMeterBottomY - lit_rows;
    for (int y = lit_top; y < kMeterBottomY; y += 2)
        ASSERT_TRUE(RowIs(shot, x, y, 14, kLitMeter)) << "row " << y;
    EXPECT_EQ(shot.Count(kLitMeter, x, 280, x + 16, lit_top), 0);
    EXPECT_EQ(shot.Count(kLitMeter, x, lit_top, x + 16, kMeterBottomY), 14 * lit_rows / 2);
    const bool held = RowIs(shot, x, lit_top - 2, 14, kPeakMarker);
    const bool dipping = lit_rows > 0 && RowIs(shot, x, lit_top - 1, 14, kPeakMarker);
    EXPECT_TRUE(held || dipping);
    for (int y = 287; y < lit_top - 2; y += 2)
        ASSERT_TRUE(RowIs(shot, x, y, 14, kUnlitMeter)) << "row " << y;
}

// The volume indicator: the marker on block `step`, every other block in
// index 3.
void ExpectVolumeMarker(const e2e::IndexedImage& shot, int step, std::uint8_t colour) {
    for (int block = 0; block < 16; ++block) {
        const int y = kVolumeBlocksY + 4 * block;
        const std::uint8_t expected = block == step ? colour : 3;
        EXPECT_EQ(shot.Count(expected, kVolumeBlocksX, y, kVolumeBlocksX + 16, y + 3), 48)
            << "block " << block;
    }
}

// The distinct rows (of six) of a wave strip that hold the line colour 16.
std::set<int> WaveRows(const e2e::IndexedImage& shot, int channel) {
    std::set<int> rows;
    const int top = TrackLineY(channel) - 6;
    for (int row = 0; row < 6; ++row)
        if (shot.Count(16, 292, top + row, 324, top + row + 1) > 0)
            rows.insert(row);
    return rows;
}

class MonitorsEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        run_ = new MonitorRun([](MonitorScript& script, const std::filesystem::path& folder) {
            script.Shot(kFadedInMs, "idle");
            const int enter_ms = script.ChooseSong(folder, kFadedInMs + 100);
            for (int i = 0; i < 3; ++i)
                script.Shot(enter_ms + 1400 + 250 * i, "playing" + std::to_string(i));
            script.Key(enter_ms + 2300, "ESCAPE");
        });
    }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(run_->ExitCode(), 0) << run_->Stderr();
        ASSERT_TRUE(run_->HasShot("idle") && run_->HasShot("playing0") &&
                    run_->HasShot("playing1") && run_->HasShot("playing2"))
            << run_->Stderr();
    }
    // The checks, each on the one run.
    void SpectrumBeforeAndWhilePlaying();
    void CanvasMetersPanPicturesAndVolume();
    void TrackViewKeysNamesControllersAndWaves();
    static MonitorRun* run_;
};

MonitorRun* MonitorsEndToEnd::run_ = nullptr;

// The song was sent; the spectrum is empty before it and lifts its notes.
void MonitorsEndToEnd::SpectrumBeforeAndWhilePlaying() {
    {
        const std::vector<e2e::MidiLogLine> notes = e2e::NoteOns(run_->Log());
        std::set<int> held_keys;
        for (const e2e::MidiLogLine& note : notes)
            held_keys.insert(note.bytes[1]);
        for (const HeldNote& note : HeldNotes())
            EXPECT_EQ(held_keys.count(note.key), 1u) << note.key;
        EXPECT_GE(notes.size(), 3u + 5u);  // the held notes and a second of repeats
    }
    {
        const e2e::IndexedImage& idle = run_->Shot("idle");
        for (int bar = 0; bar < 72; ++bar)
            ExpectSilentBar(idle, bar);
        EXPECT_EQ(idle.Count(kLitMeter, 340, 190, 635, 275), 0);
    }
    {
        // Middle C at velocity and volume 127: fed to 63 and sunk to 59 every
        // frame, drawn 58 high; its neighbours 53 -> 50 and 45 -> 42. The other
        // held keys lie outside the 72 bars.
        bool seen_undipped = false;
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE("playing" + std::to_string(i));
            const e2e::IndexedImage& shot = run_->Shot("playing" + std::to_string(i));
            const int shown = ExpectHeldBar(shot, kMiddleCBar, 58);
            seen_undipped |= shown == 58;
            ExpectHeldBar(shot, kMiddleCBar - 1, 50);
            ExpectHeldBar(shot, kMiddleCBar + 1, 50);
            ExpectHeldBar(shot, kMiddleCBar - 2, 42);
            ExpectHeldBar(shot, kMiddleCBar + 2, 42);
            // 18 bars away the spread has run out.
            for (int bar = 0; bar <= 5; ++bar)
                ExpectSilentBar(shot, bar);
            for (int bar = kMiddleCBar + 19; bar < 72; ++bar)
                ExpectSilentBar(shot, bar);
        }
        EXPECT_TRUE(seen_undipped);
    }
}

// Meters, pan pictures and the volume marker of the MIDI canvas.
void MonitorsEndToEnd::CanvasMetersPanPicturesAndVolume() {
    {
        const e2e::IndexedImage& idle = run_->Shot("idle");
        for (int channel = 0; channel < 16; ++channel)
            ExpectMeter(idle, channel, 0);
        // No song: the volume reads 0, the marker sits on the bottom block, still
        // highlighted shortly after the start.
        ExpectVolumeMarker(idle, 15, 21);

        const e2e::IndexedImage& shot = run_->Shot("playing0");
        // velocity x volume 127 / 256 = 63, capped at 60; 100 -> 49 -> 48 rows;
        // 64 -> 31 -> 30 rows.
        ExpectMeter(shot, 0, 60);
        ExpectMeter(shot, 1, 48);
        ExpectMeter(shot, 2, 30);
        for (int channel = 3; channel < 15; ++channel)
            ExpectMeter(shot, channel, 0);
        // A loaded song plays at full volume: the top step, highlighted after the
        // change.
        ExpectVolumeMarker(shot, 0, 21);
    }
    {
        const e2e::IndexedImage& shot = run_->Shot("playing1");
        // Pan 64 -> picture 2, 0 -> picture 0, 127 -> picture 4; untouched channels 64.
        const int pictures[] = {2, 0, 4, 2, 2};
        for (int channel = 0; channel < 5; ++channel)
            EXPECT_TRUE(ShowsImage(shot, MeterX(channel), kPanPictureY, "IDR_CUSTBMP_PANPOT",
                                   16 * pictures[channel], 16))
                << "channel " << channel + 1;
        const e2e::IndexedImage& idle = run_->Shot("idle");
        EXPECT_TRUE(ShowsImage(idle, MeterX(1), kPanPictureY, "IDR_CUSTBMP_PANPOT", 32, 16));
    }
}

// Lit keys, note names, controller values and waves of the track view.
void MonitorsEndToEnd::TrackViewKeysNamesControllersAndWaves() {
    {
        const e2e::IndexedImage& idle = run_->Shot("idle");
        EXPECT_EQ(idle.Count(36, 2, 36, 325, 390) + idle.Count(38, 2, 36, 325, 390), 0);

        const e2e::IndexedImage& shot = run_->Shot("playing0");
        for (const HeldNote& note : HeldNotes()) {
            SCOPED_TRACE(note.name);
            const int keys_top = TrackLineY(note.channel) + 10;  // the row's keyboard
            const int keys_bottom = keys_top + 17;
            if (note.black_key) {
                // A black key: 3 x 10 pixels in index 38, nothing lit elsewhere.
                EXPECT_EQ(
                    shot.Count(38, note.lit_key_x, keys_top, note.lit_key_x + 3, keys_top + 10),
                    30);
                EXPECT_EQ(shot.Count(38, 7, keys_top, 322, keys_bottom), 30);
                EXPECT_EQ(shot.Count(36, 7, keys_top, 322, keys_bottom), 0);
            } else {
                // A white key: lit in index 36 with its lower edge in 37 inside its
                // 4 pixels, the black keys beside it left as they were.
                const int lit =
                    shot.Count(36, note.lit_key_x, keys_top, note.lit_key_x + 4, keys_bottom);
                EXPECT_GE(lit, 3 * 16);
                EXPECT_EQ(shot.Count(36, 7, keys_top, 322, keys_bottom), lit);
                EXPECT_EQ(shot.Count(37, note.lit_key_x, keys_bottom - 1, note.lit_key_x + 4,
                                     keys_bottom),
                          4);
                EXPECT_EQ(shot.Count(38, 7, keys_top, 322, keys_bottom), 0);
            }
            const int line = TrackLineY(note.channel);
            EXPECT_EQ(ReadText(shot, Font::A, 120, line - 6, 4, kBandZero),
                      Shown(note.name, Font::A));
        }
        // Rows without notes light nothing.
        for (int channel = 3; channel < 10; ++channel) {
            const int top = TrackLineY(channel) + 10;
            EXPECT_EQ(shot.Count(36, 7, top, 322, top + 17) + shot.Count(38, 7, top, 322, top + 17),
                      0);
        }
    }
    {
        const e2e::IndexedImage& shot = run_->Shot("playing2");
        const int first = TrackLineY(0);
        EXPECT_EQ(ReadText(shot, Font::A, 100, first, 8, kBandZero), Shown("005-0000", Font::A));
        EXPECT_EQ(ReadText(shot, Font::A, 165, first, 3, kBandZero), Shown("064", Font::A));
        EXPECT_EQ(ReadText(shot, Font::A, 205, first, 3, kBandZero), Shown("127", Font::A));
        EXPECT_EQ(ReadText(shot, Font::A, 292, first, 3, kBandZero), Shown("100", Font::A));
        EXPECT_EQ(ReadText(shot, Font::A, 165, TrackLineY(1), 3, kBandZero), Shown("000", Font::A));
        EXPECT_EQ(ReadText(shot, Font::A, 165, TrackLineY(2), 3, kBandZero), Shown("127", Font::A));
        EXPECT_EQ(ReadText(shot, Font::A, 292, TrackLineY(kModulatedSilentChannel), 3, kBandZero),
                  Shown("090", Font::A));

        // Modulation 100 with a note: the sine runs over several rows. No
        // modulation, or modulation without a note: the flat line on row 2.
        EXPECT_GE(WaveRows(shot, 0).size(), 3u);
        EXPECT_EQ(WaveRows(shot, 1), std::set<int>{2});
        EXPECT_EQ(WaveRows(shot, kModulatedSilentChannel), std::set<int>{2});
    }
}

// ctest runs every test in a process of its own, so the checks of the one
// run share a test rather than starting the program once each.
TEST_F(MonitorsEndToEnd, SpectrumCanvasAndTrackView) {
    {
        SCOPED_TRACE("SpectrumBeforeAndWhilePlaying");
        SpectrumBeforeAndWhilePlaying();
    }
    {
        SCOPED_TRACE("CanvasMetersPanPicturesAndVolume");
        CanvasMetersPanPicturesAndVolume();
    }
    {
        SCOPED_TRACE("TrackViewKeysNamesControllersAndWaves");
        TrackViewKeysNamesControllersAndWaves();
    }
}

}  // namespace
}  // namespace monitors_e2e
