#include "views/device_window.h"

#include <algorithm>
#include <cstdio>

#include "gfx/draw.h"
#include "gfx/surface.h"
#include "gfx/text.h"
#include "midi/midi_out.h"
#include "platform/winmm.h"

namespace {
constexpr uint32_t kMidiMapperId = 0xFFFFFFFF;
}

DeviceWindow PlaceDeviceWindow(uint32_t selected_device, int32_t entry_count) {
    DeviceWindow window;
    if (selected_device == kMidiMapperId || entry_count <= 1) {
        return window;
    }
    // A device id beyond the list (a port that has gone away since it was
    // chosen) is shown on the last entry, so the cursor always stands on a
    // listed line.
    const int64_t wanted = static_cast<int64_t>(selected_device) + 1;
    const int32_t entry = static_cast<int32_t>(std::min<int64_t>(wanted, entry_count - 1));
    if (entry < kDeviceWindowLines) {
        window.cursor = entry;
    } else if (entry_count - entry < kDeviceWindowLines) {
        window.top = entry_count - kDeviceWindowLines;
        window.cursor = entry - window.top;
    } else {
        window.top = entry;
    }
    return window;
}

void MoveDeviceCursorUp(DeviceWindow& window) {
    if (window.Entry() <= 0) {
        return;
    }
    if (window.cursor > 0) {
        --window.cursor;
    } else {
        --window.top;
    }
}

void MoveDeviceCursorDown(DeviceWindow& window, int32_t entry_count) {
    if (window.Entry() >= entry_count - 1) {
        return;
    }
    if (window.cursor < kDeviceWindowLines - 1) {
        ++window.cursor;
    } else {
        ++window.top;
    }
}

uint32_t DeviceIdOfEntry(int32_t entry) {
    return static_cast<uint32_t>(entry - 1);
}

void FormatDeviceEntry(int32_t entry, const char* device_name, char* out, int out_size) {
    if (entry == 0) {
        std::snprintf(out, out_size, "---- MIDI MAPPER(DEFAULT)");
    } else {
        std::snprintf(out, out_size, "%04x %s", static_cast<unsigned>(entry), device_name);
    }
}

int32_t DeviceEntryCount() {
    return static_cast<int32_t>(midiOutGetNumDevs()) + 1;
}

std::string DeviceEntryName(int32_t entry) {
    return entry > 0 ? MidiOutDeviceName(DeviceIdOfEntry(entry)) : std::string();
}

void DrawConfigListFrame(CSurface& surface, int width, int height, const char* title) {
    IDirectDrawSurface* image = surface.surface;
    FillRect(image, 0, 0, width, height, 0);
    HalftoneRect(image, 0, 10, width, height, 6);
    DrawLine(image, 0, 8, width, 8, 5);
    DrawTextFontA(&surface, 0, 1, title, 1, 0);
}
