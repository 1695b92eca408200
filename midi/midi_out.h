// One MIDI-out device handle: short and system-exclusive messages.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/winmm.h"

class CMidiOut {
public:
    CMidiOut() = default;
    CMidiOut(const CMidiOut&) = delete;
    CMidiOut& operator=(const CMidiOut&) = delete;
    virtual ~CMidiOut();

    // Opens `id` (MIDI_MAPPER for the first device that opens). With `id`
    // already open it only resets the device.
    bool Open(UINT id);
    bool Close();
    // All notes off at the device.
    bool Reset();
    bool SendShort(BYTE status, BYTE data1, BYTE data2);
    // The caller fills lpData and dwBufferLength and sets dwFlags to 0; the
    // bytes are copied, so the caller may free them when this returns.
    bool SendLong(MIDIHDR* header);

    // Product name of device `id` (at most 31 characters); `out` holds at
    // least MAXPNAMELEN bytes. Empty when the device cannot be asked.
    void GetDeviceName(UINT id, char* out) const;
    // Driver version of device `id` (major in bits 8-15, minor in 0-7), 0 if unknown.
    DWORD GetDriverVersion(UINT id) const;
    // Whether the open device applies midiOutSetVolume itself (true while
    // none is open: there is nothing to make up for).
    bool HasOwnVolume() const;
    // Product name and driver version of the device open now (asked by its
    // handle, so ports numbered anew since do not matter); empty and 0 while
    // none is open.
    void GetOpenDeviceName(char* out) const;
    DWORD GetOpenDriverVersion() const;

    bool IsOpen() const { return handle.load(std::memory_order_relaxed) != nullptr; }
    HMIDIOUT GetHandle() const { return handle.load(std::memory_order_relaxed); }
    UINT GetDeviceId() const { return deviceId.load(std::memory_order_relaxed); }

private:
    // The capabilities of the open device; false while none is open.
    bool GetOpenCaps(MIDIOUTCAPSA& caps) const;

    // Read by the timer thread while the main thread may open or close.
    std::atomic<HMIDIOUT> handle{nullptr};
    std::atomic<UINT> deviceId{0};
};

// The product name of device `id` (at most 31 characters), asked without
// opening it; empty when the device cannot be asked.
std::string MidiOutDeviceName(UINT id);

// Lists the devices anew (ports are numbered anew at every listing) and
// finds the one named `name`: `id` when it still has that name, else the
// first of that name; none when no device has it.
std::optional<UINT> FindMidiOutDevice(UINT id, const std::string& name);
