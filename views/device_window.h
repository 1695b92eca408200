// The four-line window of the device list: which entry is at the top and
// where the cursor is, placed on the current device and moved by the keys.
#pragma once

#include <cstdint>
#include <string>

class CSurface;

inline constexpr int kDeviceWindowLines = 4;

struct DeviceWindow {
    int32_t top = 0;     // list index of the first visible line
    int32_t cursor = 0;  // line of the cursor, 0 to 3

    int32_t Entry() const { return top + cursor; }
};

// Entries of the device list: the mapper and every device there is now.
int32_t DeviceEntryCount();
// The device name an entry shows (none for the mapper, entry 0).
std::string DeviceEntryName(int32_t entry);

// Places the window on the entry of device selected_device (entry = id + 1;
// MIDI_MAPPER is entry 0) in a list of entry_count entries.
DeviceWindow PlaceDeviceWindow(uint32_t selected_device, int32_t entry_count);

// Up: the cursor moves up a line, or the window scrolls when it is on line 0.
// Nothing on the first entry.
void MoveDeviceCursorUp(DeviceWindow& window);

// Down: the cursor moves down a line, or the window scrolls when it is on the
// last line. Nothing on the last entry.
void MoveDeviceCursorDown(DeviceWindow& window, int32_t entry_count);

// The device id the entry stands for: entry 0 is MIDI_MAPPER (0xFFFFFFFF).
uint32_t DeviceIdOfEntry(int32_t entry);

// The line text of an entry: "---- MIDI MAPPER(DEFAULT)" or "%04x <name>".
void FormatDeviceEntry(int32_t entry, const char* device_name, char* out, int out_size);

// The frame the configuration lists share: cleared, halftoned below the
// title row, the rule under it and the title (a font A text) at the top.
void DrawConfigListFrame(CSurface& surface, int width, int height, const char* title);
