#include "views/device_window.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kMapper = 0xFFFFFFFF;

void ExpectWindow(const DeviceWindow& window, int top, int cursor) {
    EXPECT_EQ(window.top, top);
    EXPECT_EQ(window.cursor, cursor);
}

TEST(DeviceWindowPlacement, OnTheCurrentDevice) {
    ExpectWindow(PlaceDeviceWindow(kMapper, 7), 0, 0);
    ExpectWindow(PlaceDeviceWindow(2, 7), 0, 3);   // entry 3 fits the first window
    ExpectWindow(PlaceDeviceWindow(5, 7), 3, 3);   // entry 6: fewer than four remain
    ExpectWindow(PlaceDeviceWindow(3, 12), 4, 0);  // entry 4 opens the window
    ExpectWindow(PlaceDeviceWindow(8, 12), 8, 1);
}

TEST(DeviceWindowPlacement, DeviceThatHasGoneAwayStaysInsideTheList) {
    // Device 5 was chosen, but only two devices are left (three entries).
    const DeviceWindow window = PlaceDeviceWindow(5, 3);
    EXPECT_EQ(window.Entry(), 2);
    EXPECT_EQ(window.top, 0);
    ExpectWindow(PlaceDeviceWindow(9, 6), 2, 3);
    ExpectWindow(PlaceDeviceWindow(0, 1), 0, 0);
}

TEST(DeviceWindowMoves, CursorScrollsAtTheEdgesAndStopsAtTheEnds) {
    DeviceWindow window;
    MoveDeviceCursorUp(window);
    ExpectWindow(window, 0, 0);
    for (int i = 0; i < 5; ++i) {
        MoveDeviceCursorDown(window, 7);
    }
    ExpectWindow(window, 2, 3);
    MoveDeviceCursorDown(window, 7);
    ExpectWindow(window, 3, 3);
    MoveDeviceCursorDown(window, 7);  // on the last entry
    ExpectWindow(window, 3, 3);
    for (int i = 0; i < 3; ++i) {
        MoveDeviceCursorUp(window);
    }
    ExpectWindow(window, 3, 0);
    MoveDeviceCursorUp(window);
    ExpectWindow(window, 2, 0);
}

TEST(DeviceWindowMoves, MapperAloneDoesNotMove) {
    DeviceWindow window;
    MoveDeviceCursorDown(window, 1);
    MoveDeviceCursorUp(window);
    ExpectWindow(window, 0, 0);
    EXPECT_EQ(DeviceIdOfEntry(window.Entry()), kMapper);
}

TEST(DeviceEntryText, MapperAndHexEntryNumbers) {
    char line[64];
    FormatDeviceEntry(0, "ignored", line, sizeof line);
    EXPECT_STREQ(line, "---- MIDI MAPPER(DEFAULT)");
    FormatDeviceEntry(1, "SOFTWARE SYNTH", line, sizeof line);
    EXPECT_STREQ(line, "0001 SOFTWARE SYNTH");
    FormatDeviceEntry(10, "PORT", line, sizeof line);
    EXPECT_STREQ(line, "000a PORT");
    EXPECT_EQ(DeviceIdOfEntry(1), 0u);
}

}  // namespace
