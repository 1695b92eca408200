// The real program, headless, before and while the monitor song plays: the
// system status panel's segment read-outs, play state, device, processor and
// memory lines and its tempo wheel, and the title strip's version line.
#include <gtest/gtest.h>
#include <time.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "tests/monitors_e2e/monitor_run.h"
#include "tests/monitors_e2e/screen_reading.h"

namespace monitors_e2e {
namespace {

constexpr int kWheelLit = 96;
constexpr int kWheelUnlit = 97;
constexpr int kFirstSpoke = 98;

std::uint32_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000);
}

long Number(const std::string& readout) {
    return std::regex_match(readout, std::regex("\\d{8}")) ? std::stol(readout) : -1;
}

// The lit spoke pair: the one entry of 98..103 showing entry 96's colour
// while the other five show entry 97's; -1 when the links do not say that.
int LitSpokeEntry(const e2e::IndexedImage& shot) {
    int lit = -1;
    for (int entry = kFirstSpoke; entry < kFirstSpoke + 6; ++entry) {
        if (Colour(shot, entry) == Colour(shot, kWheelLit)) {
            if (lit >= 0)
                return -1;
            lit = entry;
        } else if (Colour(shot, entry) != Colour(shot, kWheelUnlit)) {
            return -1;
        }
    }
    return lit;
}

// A line "key : value" of /proc/cpuinfo or /proc/meminfo, "" when missing.
std::string ProcValue(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(name.find_last_not_of(" \t") + 1);
        if (name == key) {
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            return value;
        }
    }
    return "";
}

// The processor line as the kernel describes the processor: the vendor and
// the signature's base family, model and stepping (4 bits each).
std::string ExpectedProcessorLine() {
    const std::string vendor = ProcValue("/proc/cpuinfo", "vendor_id");
    if (vendor.empty())
        return "(UNKNOWN) 0.00.00";
    const int family = std::min(std::stoi(ProcValue("/proc/cpuinfo", "cpu family")), 15);
    const int model = std::stoi(ProcValue("/proc/cpuinfo", "model")) & 15;
    const int stepping = std::stoi(ProcValue("/proc/cpuinfo", "stepping")) & 15;
    char line[64];
    std::snprintf(line, sizeof line, "%s %01d.%02d.%02d", vendor.c_str(), family, model, stepping);
    return line;
}

class StatusEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        started_ms_ = MonotonicMs();
        run_ = new MonitorRun([](MonitorScript& script, const std::filesystem::path& folder) {
            script.Shot(kFadedInMs, "idle0").Shot(kFadedInMs + 250, "idle1");
            const int enter_ms = script.ChooseSong(folder, kFadedInMs + 350);
            for (int i = 0; i < 3; ++i)
                script.Shot(enter_ms + 1400 + 250 * i, "playing" + std::to_string(i));
            // Volume down, repeat on, pause.
            script.Key(enter_ms + 2000, "F9").Key(enter_ms + 2050, "F5").Key(enter_ms + 2100, "F7");
            script.Shot(enter_ms + 2400, "paused0").Shot(enter_ms + 2650, "paused1");
            script.Key(enter_ms + 2800, "ESCAPE");
        });
        ended_ms_ = MonotonicMs();
    }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(run_->ExitCode(), 0) << run_->Stderr();
        for (const char* name :
             {"idle0", "idle1", "playing0", "playing1", "playing2", "paused0", "paused1"})
            ASSERT_TRUE(run_->HasShot(name)) << name << "\n" << run_->Stderr();
    }
    static const e2e::IndexedImage& Playing(int i) {
        return run_->Shot("playing" + std::to_string(i));
    }
    // The checks, each on the one run.
    void ReadoutsAndPlayState();
    void DeviceProcessorMemoryAndTitleLines();
    void WheelSpokesTurnByPaletteLinksOnlyWhilePlaying();
    void PauseRepeatAndVolumeKeys();
    static MonitorRun* run_;
    static std::uint32_t started_ms_;
    static std::uint32_t ended_ms_;
};

MonitorRun* StatusEndToEnd::run_ = nullptr;
std::uint32_t StatusEndToEnd::started_ms_ = 0;
std::uint32_t StatusEndToEnd::ended_ms_ = 0;

// Segment read-outs, play-state words and the dashed total.
void StatusEndToEnd::ReadoutsAndPlayState() {
    {
        const e2e::IndexedImage& idle = run_->Shot("idle0");
        EXPECT_EQ(Readout(idle, 0), "00 00 00");
        EXPECT_EQ(Readout(idle, 3), "00000000");

        int channel_messages = 0;
        for (const e2e::MidiLogLine& line : run_->Log())
            channel_messages +=
                !line.bytes.empty() && line.bytes[0] >= 0x80 && line.bytes[0] < 0xF0;

        long last_time = 0;
        long last_count = 0;
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE("playing" + std::to_string(i));
            const e2e::IndexedImage& shot = Playing(i);
            // Nothing but lit and unlit segments on transparent ground.
            const int cells = 8 * 13 * 20;
            for (int row : kReadoutRows)
                EXPECT_EQ(shot.Count(16, kReadoutX, row, 634, row + 20) +
                              shot.Count(17, kReadoutX, row, 634, row + 20) +
                              shot.Count(0, kReadoutX, row, 634, row + 20),
                          cells);

            // The play time grows from shot to shot, about a second and a half in.
            const long play_ms = PlayTimeMs(Readout(shot, 0));
            EXPECT_GT(play_ms, last_time) << Readout(shot, 0);
            EXPECT_LT(play_ms, 10000) << Readout(shot, 0);
            last_time = play_ms;

            // Frames per second: a live rate no higher than the 60 the pacer
            // keeps (a busy machine shows less; the frame benchmark measures
            // the rate itself). The segment font draws S exactly like 5.
            std::smatch fps;
            const std::string rate = Readout(shot, 1);
            ASSERT_TRUE(std::regex_match(rate, fps, std::regex("FP5  (\\d\\d\\d)"))) << rate;
            EXPECT_GE(std::stoi(fps[1]), 10);
            EXPECT_LE(std::stoi(fps[1]), 62);

            // The system's millisecond clock, read by this test before and after
            // the run (its first eight digits when it has more).
            const long clock = Number(Readout(shot, 2));
            const std::string before = std::to_string(static_cast<std::int32_t>(started_ms_));
            const std::string after = std::to_string(static_cast<std::int32_t>(ended_ms_));
            if (before.size() == after.size()) {
                EXPECT_GE(clock, std::stol(before.substr(0, 8)));
                EXPECT_LE(clock, std::stol(after.substr(0, 8)));
            }

            // Channel messages sent so far: growing, never more than the log holds.
            const long count = Number(Readout(shot, 3));
            EXPECT_GT(count, last_count);
            EXPECT_LE(count, channel_messages);
            last_count = count;
        }
    }
    {
        const int y = kPanelTop + 100;
        const e2e::IndexedImage& idle = run_->Shot("idle0");
        EXPECT_EQ(ReadText(idle, Font::B, kPanelLeft, y, 4, kBandTwo), "PLAY");
        EXPECT_EQ(ReadText(idle, Font::B, kPanelLeft + 100, y, 4, kBandZero), "STOP");
        EXPECT_EQ(ReadText(idle, Font::B, kPanelLeft + 50, y, 5, kBandTwo), "PAUSE");
        EXPECT_EQ(ReadText(idle, Font::B, kPanelLeft + 150, y, 6, kBandTwo), "REPEAT");
        const e2e::IndexedImage& playing = Playing(0);
        EXPECT_EQ(ReadText(playing, Font::B, kPanelLeft, y, 4, kBandZero), "PLAY");
        EXPECT_EQ(ReadText(playing, Font::B, kPanelLeft + 100, y, 4, kBandTwo), "STOP");
        EXPECT_EQ(ReadText(playing, Font::B, kPanelLeft + 50, y, 5, kBandTwo), "PAUSE");
        // The TOTAL row: dashes with no song, then the song's 30 s.
        EXPECT_EQ(ReadText(idle, Font::A, kPanelLeft + 115, kPanelTop + 14, 8, kBandOne),
                  "--:--:--");
        EXPECT_EQ(ReadText(playing, Font::A, kPanelLeft + 115, kPanelTop + 14, 8, kBandOne),
                  "00:30:00");
    }
}

// The device, processor and memory lines, and the title strip.
void StatusEndToEnd::DeviceProcessorMemoryAndTitleLines() {
    {
        const e2e::IndexedImage& idle = run_->Shot("idle0");
        EXPECT_EQ(ReadText(idle, Font::B, kDeviceNameX, kDeviceNameY, 20, kBandZero),
                  Shown("(DEVICE READY)", Font::B));

        // While the song plays on the mapper: its name and driver version.
        const e2e::IndexedImage& playing = Playing(2);
        ExpectDeviceLine(playing, DescribeDevice(MIDI_MAPPER));

        // The processor as the kernel reports it.
        const std::string processor = ExpectedProcessorLine();
        EXPECT_EQ(ReadText(playing, Font::B, kDeviceNameX, kPanelTop + 123,
                           static_cast<int>(processor.size()) + 2, kBandOne),
                  Shown(processor, Font::B));

        // "available/totalKB": the physical total is the kernel's, the available
        // amount (read every 64th frame) a number no larger.
        const std::string physical =
            ReadText(playing, Font::B, kPanelLeft + 85, kPanelTop + 133, 30, kBandOne);
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(physical, parts, std::regex("(\\d{8,})/(\\d{8,})KB")))
            << physical;
        const std::string total = ProcValue("/proc/meminfo", "MemTotal");
        EXPECT_EQ(std::stoll(parts[2]), std::stoll(total));
        EXPECT_GT(std::stoll(parts[1]), 0);
        EXPECT_LE(std::stoll(parts[1]), std::stoll(parts[2]));
        const std::string virt =
            ReadText(playing, Font::B, kPanelLeft + 85, kPanelTop + 142, 30, kBandOne);
        ASSERT_TRUE(std::regex_match(virt, parts, std::regex("(\\d{8,})/(\\d{8,})KB"))) << virt;
#ifndef NIVRA_ADDRESS_SANITIZED
        // (The sanitizer's shadow memory takes more address space than there is.)
        EXPECT_GT(std::stoll(parts[1]), 0);
#endif
        EXPECT_LE(std::stoll(parts[1]), std::stoll(parts[2]));
        // The process's own figures: memory and swap, less its address space
        // (some megabytes), not the 128 TiB of a 64-bit address space.
        EXPECT_EQ(std::stoll(parts[2]),
                  std::stoll(total) + std::stoll(ProcValue("/proc/meminfo", "SwapTotal")));
        EXPECT_GT(std::stoll(parts[2]) - std::stoll(parts[1]), 1024);
    }
    {
        const e2e::IndexedImage& shot = Playing(0);
        EXPECT_TRUE(ShowsImage(shot, 2, 0, "IDR_CUSTBMP_TITLE", 0, 60));
        char version[32];
        std::snprintf(version, sizeof version, "v%d.%02d(BUILD%04d) -", NIVRA_VERSION_MAJOR,
                      NIVRA_VERSION_MINOR, NIVRA_VERSION_BUILD);
        EXPECT_EQ(ReadText(shot, Font::A, 62, 7, 18, kBandZero), Shown(version, Font::A));
        const std::string platform =
            "NEXT GENERATION  FOR WINDOWS NT/2000/XP/95/98/98SE/ME WIN32 PLATFORM";
        EXPECT_EQ(ReadText(shot, Font::A, 62, 1, static_cast<int>(platform.size()), kBandTwo),
                  Shown(platform, Font::A));
    }
}

void StatusEndToEnd::WheelSpokesTurnByPaletteLinksOnlyWhilePlaying() {
    const int centre_x = kPanelLeft + 20;
    const int centre_y = kPanelTop + 30;
    for (const char* name : {"idle0", "playing0"}) {
        SCOPED_TRACE(name);
        const e2e::IndexedImage& shot = run_->Shot(name);
        // Twelve spokes in six entries, opposite spokes sharing one; nothing
        // else in the wheel's square.
        int spoke_pixels = 0;
        for (int entry = kFirstSpoke; entry < kFirstSpoke + 6; ++entry) {
            const int pixels =
                shot.Count(entry, centre_x - 19, centre_y - 19, centre_x + 20, centre_y + 20);
            EXPECT_GE(pixels, 16) << entry;
            spoke_pixels += pixels;
        }
        EXPECT_EQ(spoke_pixels +
                      shot.Count(0, centre_x - 19, centre_y - 19, centre_x + 20, centre_y + 20),
                  39 * 39);
        // The spokes at 13 pixels from the centre: straight down and up (spoke
        // pair 0), right and left (pair 3).
        EXPECT_EQ(shot.At(centre_x, centre_y + 13), kFirstSpoke);
        EXPECT_EQ(shot.At(centre_x, centre_y - 13), kFirstSpoke);
        EXPECT_EQ(shot.At(centre_x + 13, centre_y), kFirstSpoke + 3);
        EXPECT_EQ(shot.At(centre_x - 13, centre_y - 1), kFirstSpoke + 3);
    }
    ASSERT_NE(Colour(run_->Shot("idle0"), kWheelLit), Colour(run_->Shot("idle0"), kWheelUnlit));

    // Standing still before the song: the first pair lit in both shots.
    EXPECT_EQ(LitSpokeEntry(run_->Shot("idle0")), kFirstSpoke);
    EXPECT_EQ(LitSpokeEntry(run_->Shot("idle1")), kFirstSpoke);
    // Turning while it plays: at 120 bpm a step every 6 frames, so shots a
    // quarter second apart find other pairs lit.
    std::set<int> lit;
    for (int i = 0; i < 3; ++i) {
        const int entry = LitSpokeEntry(Playing(i));
        EXPECT_GE(entry, kFirstSpoke) << i;
        lit.insert(entry);
    }
    EXPECT_GE(lit.size(), 2u);
}

// F9, F5 and F7 while playing: a lower volume step, repeat on, paused.
void StatusEndToEnd::PauseRepeatAndVolumeKeys() {
    const e2e::IndexedImage& paused = run_->Shot("paused0");
    const int y = kPanelTop + 100;
    // Still playing while paused: PLAY stays lit beside PAUSE.
    EXPECT_EQ(ReadText(paused, Font::B, kPanelLeft, y, 4, kBandZero), "PLAY");
    EXPECT_EQ(ReadText(paused, Font::B, kPanelLeft + 50, y, 5, kBandZero), "PAUSE");
    EXPECT_EQ(ReadText(paused, Font::B, kPanelLeft + 100, y, 4, kBandTwo), "STOP");
    EXPECT_EQ(ReadText(paused, Font::B, kPanelLeft + 150, y, 6, kBandOne), "REPEAT");

    // The play time and the message count stand still; the wheel turns on.
    const e2e::IndexedImage& later = run_->Shot("paused1");
    EXPECT_EQ(Readout(paused, 0), Readout(later, 0));
    EXPECT_GT(PlayTimeMs(Readout(paused, 0)), PlayTimeMs(Readout(Playing(2), 0)));
    EXPECT_EQ(Readout(paused, 3), Readout(later, 3));
    EXPECT_GE(LitSpokeEntry(paused), kFirstSpoke);
    EXPECT_GE(LitSpokeEntry(later), kFirstSpoke);
    EXPECT_NE(LitSpokeEntry(paused), LitSpokeEntry(later));

    // Volume 255 - 16 = 239: the canvas marker one block down, highlighted
    // after the change; the top block plain again.
    EXPECT_EQ(paused.Count(21, 343, 296, 359, 299), 48);
    EXPECT_EQ(paused.Count(3, 343, 292, 359, 295), 48);
}

// ctest runs every test in a process of its own, so the checks of the one
// run share a test rather than starting the program once each.
TEST_F(StatusEndToEnd, ReadoutsDeviceLinesWheelAndPlayKeys) {
    {
        SCOPED_TRACE("ReadoutsAndPlayState");
        ReadoutsAndPlayState();
    }
    {
        SCOPED_TRACE("DeviceProcessorMemoryAndTitleLines");
        DeviceProcessorMemoryAndTitleLines();
    }
    {
        SCOPED_TRACE("WheelSpokesTurnByPaletteLinksOnlyWhilePlaying");
        WheelSpokesTurnByPaletteLinksOnlyWhilePlaying();
    }
    {
        SCOPED_TRACE("PauseRepeatAndVolumeKeys");
        PauseRepeatAndVolumeKeys();
    }
}

}  // namespace
}  // namespace monitors_e2e
