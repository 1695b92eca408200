// CSequencer's choice of device, kept by name: ports are numbered anew at
// every listing, so the number chosen may name another port later.

#include "midi/sequencer.h"

void CSequencer::KeepSelection(UINT id) {
    selectedDevice.store(id, std::memory_order_relaxed);
    selectedName = id == MIDI_MAPPER ? std::string() : MidiOutDeviceName(id);
}

void CSequencer::FollowDeviceList() {
    const UINT id = GetSelectedDevice();
    if (id == MIDI_MAPPER || selectedName.empty())
        return;
    if (const std::optional<UINT> found = FindMidiOutDevice(id, selectedName)) {
        selectedDevice.store(*found, std::memory_order_relaxed);
        return;
    }
    lostDeviceName = selectedName;
    ++lostDeviceCount;
    // A song that played on the lost device goes on, on the synth.
    if (midiOut.IsOpen())
        SelectDevice(SOFTWARE_SYNTH);
    else
        KeepSelection(SOFTWARE_SYNTH);
}
