#include "midi/midi_out.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr UINT kCapsSize = 52;
constexpr UINT kHeaderSize = 64;

// The product name of `caps` into `out`: at most 31 characters, always
// terminated.
void CopyName(const MIDIOUTCAPSA& caps, char* out) {
    std::snprintf(out, MAXPNAMELEN, "%.*s", MAXPNAMELEN - 1, caps.szPname);
}
}  // namespace

CMidiOut::~CMidiOut() {
    Close();
}

bool CMidiOut::Open(UINT id) {
    if (IsOpen()) {
        if (id == GetDeviceId()) {
            midiOutReset(GetHandle());
            return true;
        }
        Close();
    }
    deviceId.store(id, std::memory_order_relaxed);
    HMIDIOUT opened = nullptr;
    if (midiOutOpen(&opened, id, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        handle.store(nullptr, std::memory_order_relaxed);
        return false;
    }
    handle.store(opened, std::memory_order_relaxed);
    return true;
}

bool CMidiOut::Close() {
    HMIDIOUT open = handle.exchange(nullptr, std::memory_order_relaxed);
    if (open == nullptr)
        return false;
    midiOutReset(open);
    midiOutClose(open);
    return true;
}

bool CMidiOut::Reset() {
    HMIDIOUT open = GetHandle();
    if (open == nullptr)
        return false;
    midiOutReset(open);
    return true;
}

bool CMidiOut::SendShort(BYTE status, BYTE data1, BYTE data2) {
    HMIDIOUT open = GetHandle();
    if (open == nullptr)
        return false;
    const DWORD message = status + data1 * 256u + data2 * 65536u;
    return midiOutShortMsg(open, message) == MMSYSERR_NOERROR;
}

bool CMidiOut::SendLong(MIDIHDR* header) {
    HMIDIOUT open = GetHandle();
    if (open == nullptr || header == nullptr)
        return false;
    midiOutPrepareHeader(open, header, kHeaderSize);
    const bool sent = midiOutLongMsg(open, header, kHeaderSize) == MMSYSERR_NOERROR;
    // The device copied the bytes; unprepare so the caller may free them now.
    midiOutUnprepareHeader(open, header, kHeaderSize);
    return sent;
}

void CMidiOut::GetDeviceName(UINT id, char* out) const {
    MIDIOUTCAPSA caps{};
    out[0] = '\0';
    if (midiOutGetDevCapsA(id, &caps, kCapsSize) == MMSYSERR_NOERROR)
        CopyName(caps, out);
}

DWORD CMidiOut::GetDriverVersion(UINT id) const {
    MIDIOUTCAPSA caps{};
    if (midiOutGetDevCapsA(id, &caps, kCapsSize) != MMSYSERR_NOERROR)
        return 0;
    return caps.vDriverVersion;
}

bool CMidiOut::GetOpenCaps(MIDIOUTCAPSA& caps) const {
    HMIDIOUT open = GetHandle();
    // A handle stands for the device it opened: the mapper's is the one it
    // chose, a port the one it was when opened.
    return open != nullptr && midiOutGetDevCapsA(reinterpret_cast<UINT_PTR>(open), &caps,
                                                 kCapsSize) == MMSYSERR_NOERROR;
}

bool CMidiOut::HasOwnVolume() const {
    MIDIOUTCAPSA caps{};
    return !GetOpenCaps(caps) || (caps.dwSupport & MIDICAPS_VOLUME) != 0;
}

void CMidiOut::GetOpenDeviceName(char* out) const {
    MIDIOUTCAPSA caps{};
    out[0] = '\0';
    if (GetOpenCaps(caps))
        CopyName(caps, out);
}

DWORD CMidiOut::GetOpenDriverVersion() const {
    MIDIOUTCAPSA caps{};
    return GetOpenCaps(caps) ? caps.vDriverVersion : 0;
}

std::string MidiOutDeviceName(UINT id) {
    const CMidiOut names;  // opens nothing; only asks for product names
    char name[MAXPNAMELEN] = {};
    names.GetDeviceName(id, name);
    return name;
}

std::optional<UINT> FindMidiOutDevice(UINT id, const std::string& name) {
    const UINT count = midiOutGetNumDevs();
    if (id < count && MidiOutDeviceName(id) == name)
        return id;
    for (UINT other = 0; other < count; ++other)
        if (MidiOutDeviceName(other) == name)
            return other;
    return std::nullopt;
}
