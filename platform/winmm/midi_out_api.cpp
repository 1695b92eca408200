// The midiOut* calls over the device backends: device 0 the software
// synthesizer, then the ALSA sequencer ports; or the recording devices a
// test installed. Every message also goes to the NIVRA_MIDI_LOG tap.

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/synth_config.h"
#include "platform/winmm.h"
#include "platform/backends/midi/alsa_sequencer_device.h"
#include "platform/winmm/midi_log.h"
#include "platform/backends/midi/midi_out_device.h"
#include "platform/backends/midi/recording_device.h"
#include "platform/backends/midi/software_synth_device.h"

struct HMIDIOUT__ {
    platform::winmm::MidiOutDevice* device;
    UINT device_id;
};

namespace platform::winmm {

std::size_t ShortMessageLength(std::uint8_t status) {
    if (status < 0x80)
        return 0;
    if (status < 0xF0)
        return (status & 0xE0) == 0xC0 ? 2 : 3;
    switch (status) {
        case 0xF1:
        case 0xF3:
            return 2;
        case 0xF2:
            return 3;
        case 0xF0:
        case 0xF7:
            return 0;
        default:
            return 1;
    }
}

namespace {

struct DeviceState {
    int open_count = 0;
    DWORD volume = 0xFFFFFFFF;
};

// Never destroyed: handles may be closed by objects destroyed at exit.
struct DeviceTable {
    std::mutex lock;
    std::unique_ptr<SoftwareSynthDevice> synth = std::make_unique<SoftwareSynthDevice>();
    std::vector<std::unique_ptr<AlsaSequencerDevice>> ports;
    std::vector<std::unique_ptr<AlsaSequencerDevice>> gone_ports;  // may still be referenced
    bool ports_listed = false;
    std::shared_ptr<RecordingStore> recording;
    std::vector<std::unique_ptr<RecordingDevice>> recorders;
    std::vector<UINT> listed_recorders;  // indexes into recorders, as last listed
    std::vector<std::unique_ptr<RecordingDevice>> old_recorders;
    MidiOutDevice* only = nullptr;  // an offline render's synth
    std::map<MidiOutDevice*, DeviceState> states;
    std::set<HMIDIOUT> handles;

    // Refreshes the port list, keeping device objects of ports still there.
    void ListPorts() {
        std::vector<std::string> names = AlsaSequencer::Instance().WritablePorts();
        std::vector<std::unique_ptr<AlsaSequencerDevice>> fresh;
        for (const std::string& name : names) {
            std::unique_ptr<AlsaSequencerDevice> device;
            for (auto& old : ports)
                if (old && old->Name() == name)
                    device = std::move(old);
            if (!device)
                device = std::make_unique<AlsaSequencerDevice>(name);
            fresh.push_back(std::move(device));
        }
        for (auto& old : ports)
            if (old)
                gone_ports.push_back(std::move(old));
        ports = std::move(fresh);
        ports_listed = true;
    }

    UINT Count() {
        if (only != nullptr)
            return 1;
        if (recording)
            return static_cast<UINT>(listed_recorders.size());
        if (!ports_listed)
            ListPorts();
        return 1 + static_cast<UINT>(ports.size());
    }

    MidiOutDevice* Device(UINT id) {
        if (id >= Count())
            return nullptr;
        if (only != nullptr)
            return only;
        if (recording)
            return recorders[listed_recorders[id]].get();
        if (id == 0)
            return synth.get();
        return ports[id - 1].get();
    }

    bool Valid(HMIDIOUT handle) const { return handle != nullptr && handles.count(handle) != 0; }
};

DeviceTable& Table() {
    static DeviceTable* table = new DeviceTable;
    return *table;
}

void Log(const std::string& text) {
    MidiLog::Instance().Write(text);
}

}  // namespace

SoftwareSynthDevice& TheSoftwareSynth() {
    return *Table().synth;
}

}  // namespace platform::winmm

using platform::winmm::Table;

UINT midiOutGetNumDevs() {
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.recording)
        table.listed_recorders = table.recording->Plugged();
    else if (table.only == nullptr)
        table.ListPorts();
    return table.Count();
}

MMRESULT midiOutGetDevCapsA(UINT_PTR device_id, LPMIDIOUTCAPSA caps, UINT caps_size) {
    if (caps == nullptr || caps_size < 52)
        return MMSYSERR_INVALPARAM;
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    MIDIOUTCAPSA result{};
    std::string name;
    if (device_id == MIDI_MAPPER) {
        name = "MIDI MAPPER";
        result.wTechnology = 5;  // MOD_MAPPER
        result.vDriverVersion = 0x0100;
    } else {
        // As in Win32, an open handle stands for the device it opened.
        const auto handle = reinterpret_cast<HMIDIOUT>(device_id);
        platform::winmm::MidiOutDevice* device =
            table.Valid(handle) ? handle->device : table.Device(static_cast<UINT>(device_id));
        if (device == nullptr)
            return MMSYSERR_BADDEVICEID;
        name = device->Name();
        const bool synth = device->Kind() == platform::winmm::MidiDeviceKind::kSoftwareSynth;
        result.wTechnology = synth ? MOD_SWSYNTH : MOD_MIDIPORT;
        result.vDriverVersion =
            synth
                ? static_cast<MMVERSION>((FLUIDSYNTH_VERSION_MAJOR << 8) | FLUIDSYNTH_VERSION_MINOR)
                : 0x0100;
        result.wVoices = synth ? 256 : 0;
        result.wNotes = synth ? 256 : 0;
        result.dwSupport = device->HasOwnVolume() ? MIDICAPS_VOLUME | MIDICAPS_LRVOLUME : 0;
    }
    result.wChannelMask = 0xFFFF;
    std::strncpy(result.szPname, name.c_str(), MAXPNAMELEN - 1);
    std::memcpy(caps, &result, std::min<std::size_t>(caps_size, sizeof result));
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutOpen(LPHMIDIOUT handle, UINT device_id, DWORD_PTR, DWORD_PTR, DWORD flags) {
    if (handle == nullptr)
        return MMSYSERR_INVALPARAM;
    *handle = nullptr;
    if (flags != CALLBACK_NULL)
        return MMSYSERR_INVALFLAG;
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const UINT count = table.Count();
    const UINT first = device_id == MIDI_MAPPER ? 0 : device_id;
    const UINT last = device_id == MIDI_MAPPER ? count : device_id + 1;
    if (first >= count)
        return MMSYSERR_BADDEVICEID;
    // The mapper takes the first device that opens.
    for (UINT id = first; id < last; ++id) {
        platform::winmm::MidiOutDevice* device = table.Device(id);
        auto& state = table.states[device];
        if (state.open_count == 0) {
            if (!device->Open())
                continue;
            device->SetVolume(state.volume);
        }
        ++state.open_count;
        HMIDIOUT opened = new HMIDIOUT__{device, id};
        table.handles.insert(opened);
        *handle = opened;
        platform::winmm::Log("open " + std::to_string(id));
        return MMSYSERR_NOERROR;
    }
    return device_id == MIDI_MAPPER && count == 0 ? MIDIERR_NODEVICE : MMSYSERR_NODRIVER;
}

MMRESULT midiOutClose(HMIDIOUT handle) {
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    auto& state = table.states[handle->device];
    if (--state.open_count == 0)
        handle->device->Close();
    table.handles.erase(handle);
    delete handle;
    platform::winmm::Log("close");
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutReset(HMIDIOUT handle) {
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    handle->device->Reset();
    platform::winmm::Log("reset");
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message) {
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(message),
                                   static_cast<std::uint8_t>(message >> 8),
                                   static_cast<std::uint8_t>(message >> 16)};
    const std::size_t length = platform::winmm::ShortMessageLength(bytes[0]);
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    if (length == 0)
        return MMSYSERR_INVALPARAM;
    handle->device->SendShort(bytes, length);
    platform::winmm::Log(platform::winmm::HexBytes(bytes, length));
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT header_size) {
    if (header == nullptr || header_size < 64 || header->lpData == nullptr)
        return MMSYSERR_INVALPARAM;
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT header_size) {
    if (header == nullptr || header_size < 64)
        return MMSYSERR_INVALPARAM;
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    header->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT header_size) {
    if (header == nullptr || header_size < 64 || header->lpData == nullptr)
        return MMSYSERR_INVALPARAM;
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    if ((header->dwFlags & MHDR_PREPARED) == 0)
        return MIDIERR_UNPREPARED;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header->lpData);
    handle->device->SendLong(bytes, header->dwBufferLength);
    platform::winmm::Log(platform::winmm::HexBytes(bytes, header->dwBufferLength));
    // The bytes were copied: the header is done at once.
    header->dwFlags |= MHDR_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutSetVolume(HMIDIOUT handle, DWORD volume) {
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    table.states[handle->device].volume = volume;
    handle->device->SetVolume(volume);
    char text[32];
    std::snprintf(text, sizeof text, "volume %08X", volume);
    platform::winmm::Log(text);
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutGetVolume(HMIDIOUT handle, LPDWORD volume) {
    if (volume == nullptr)
        return MMSYSERR_INVALPARAM;
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.Valid(handle))
        return MMSYSERR_INVALHANDLE;
    *volume = table.states[handle->device].volume;
    return MMSYSERR_NOERROR;
}

namespace platform {

namespace winmm {

void UseOnlyDevice(MidiOutDevice* device) {
    auto& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.only != nullptr && table.only != device) {
        for (auto it = table.handles.begin(); it != table.handles.end();) {
            if ((*it)->device == table.only) {
                delete *it;
                it = table.handles.erase(it);
            } else {
                ++it;
            }
        }
        table.states.erase(table.only);
    }
    table.only = device;
}

}  // namespace winmm

std::shared_ptr<MidiRecording> InstallMidiRecording(UINT device_count) {
    auto& table = winmm::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    for (auto& old : table.recorders)
        table.old_recorders.push_back(std::move(old));
    table.recorders.clear();
    table.recording = std::make_shared<winmm::RecordingStore>(device_count);
    for (UINT id = 0; id < device_count; ++id)
        table.recorders.push_back(std::make_unique<winmm::RecordingDevice>(table.recording, id));
    table.listed_recorders = table.recording->Plugged();
    return table.recording;
}

void PrepareSoftwareSynth() {
    {
        auto& table = winmm::Table();
        std::lock_guard<std::mutex> guard(table.lock);
        if (table.recording)
            return;  // the recorders stand in for every device
    }
    winmm::TheSoftwareSynth().Prepare();
}

void RemoveMidiRecording() {
    auto& table = winmm::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    for (auto it = table.handles.begin(); it != table.handles.end();) {
        if (dynamic_cast<winmm::RecordingDevice*>((*it)->device) != nullptr) {
            table.states.erase((*it)->device);
            delete *it;
            it = table.handles.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& old : table.recorders)
        table.old_recorders.push_back(std::move(old));
    table.recorders.clear();
    table.listed_recorders.clear();
    table.recording.reset();
}

}  // namespace platform
