// The Windows multimedia calls the player makes: MIDI output and the
// periodic timer. Devices: 0 is the built-in software synthesizer, 1 and up
// the writable ALSA sequencer ports; MIDI_MAPPER opens the first that opens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32_types.h"

struct HMIDIOUT__;
using HMIDIOUT = HMIDIOUT__*;
using LPHMIDIOUT = HMIDIOUT*;
using MMRESULT = UINT;
using MMVERSION = UINT;

#define MMSYSERR_NOERROR 0u
#define MMSYSERR_ERROR 1u
#define MMSYSERR_BADDEVICEID 2u
#define MMSYSERR_ALLOCATED 4u
#define MMSYSERR_INVALHANDLE 5u
#define MMSYSERR_NODRIVER 6u
#define MMSYSERR_NOMEM 7u
#define MMSYSERR_NOTSUPPORTED 8u
#define MMSYSERR_INVALFLAG 10u
#define MMSYSERR_INVALPARAM 11u
#define MIDIERR_UNPREPARED 64u
#define MIDIERR_STILLPLAYING 65u
#define MIDIERR_NODEVICE 68u
#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u

#define MIDI_MAPPER 0xFFFFFFFFu
#define CALLBACK_NULL 0x00000000u

#define MHDR_DONE 0x00000001u
#define MHDR_PREPARED 0x00000002u
#define MHDR_INQUEUE 0x00000004u

#define TIME_ONESHOT 0x0000u
#define TIME_PERIODIC 0x0001u

#define MAXPNAMELEN 32
#define MOD_MIDIPORT 1
#define MOD_SYNTH 2
#define MOD_SWSYNTH 7
#define MIDICAPS_VOLUME 0x0001u
#define MIDICAPS_LRVOLUME 0x0002u

struct MIDIHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    MIDIHDR* lpNext;
    DWORD_PTR reserved;
    DWORD dwOffset;
    DWORD_PTR dwReserved[8];
};
using LPMIDIHDR = MIDIHDR*;

struct MIDIOUTCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    WORD wTechnology;
    WORD wVoices;
    WORD wNotes;
    WORD wChannelMask;
    DWORD dwSupport;
};
using LPMIDIOUTCAPSA = MIDIOUTCAPSA*;

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
using LPTIMECAPS = TIMECAPS*;

using LPTIMECALLBACK = void (*)(UINT timer_id, UINT msg, DWORD_PTR user, DWORD_PTR dw1,
                                DWORD_PTR dw2);

// MIDI output. The size arguments are accepted as Win32 callers pass them
// (52 for the caps record, 64 for a header) or as sizeof of the record here.
UINT midiOutGetNumDevs();
MMRESULT midiOutGetDevCapsA(UINT_PTR device_id, LPMIDIOUTCAPSA caps, UINT caps_size);
MMRESULT midiOutOpen(LPHMIDIOUT handle, UINT device_id, DWORD_PTR callback, DWORD_PTR instance,
                     DWORD flags);
MMRESULT midiOutClose(HMIDIOUT handle);
MMRESULT midiOutReset(HMIDIOUT handle);
MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message);
MMRESULT midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT header_size);
MMRESULT midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT header_size);
// The bytes are copied before the call returns: the caller may free them.
MMRESULT midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT header_size);
MMRESULT midiOutSetVolume(HMIDIOUT handle, DWORD volume);
MMRESULT midiOutGetVolume(HMIDIOUT handle, LPDWORD volume);

// The periodic timer: one thread per timer on absolute 1 ms deadlines.
MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT caps_size);
MMRESULT timeBeginPeriod(UINT period_ms);
MMRESULT timeEndPeriod(UINT period_ms);
// A timer killed from inside its own callback returns at once; from any other
// thread timeKillEvent returns after a running callback has finished.
UINT timeSetEvent(UINT delay_ms, UINT resolution_ms, LPTIMECALLBACK callback, DWORD_PTR user,
                  UINT event_type);
MMRESULT timeKillEvent(UINT timer_id);
// Milliseconds of the monotonic clock, wrapping at 32 bits.
DWORD timeGetTime();

namespace platform {

// Seams for tests: a recording device, a clock driven by hand and timers
// whose periods are fired by hand.

// One thing a MIDI-out device received, in arrival order.
struct MidiRecordEntry {
    std::uint64_t time_us;  // on the multimedia clock (settable in tests)
    UINT device_id;
    std::string
        text;  // "90 3C 64", "F0 7E 7F 09 01 F7", "open", "close", "reset", "volume 80008000"
    // When the message fell due in the song, in nanoseconds on the same clock:
    // inside a timer period its deadline less the sender's lateness.
    std::uint64_t due_ns = 0;
};

// In-memory MIDI-out devices that keep everything they receive. While
// installed they replace the real devices: ids 0 .. device_count-1.
class MidiRecording {
public:
    virtual ~MidiRecording() = default;
    virtual std::vector<MidiRecordEntry> Entries() const = 0;
    // Only the messages (short and long) as hex text, in arrival order.
    virtual std::vector<std::string> Messages() const = 0;
    virtual void Clear() = 0;
    // Makes midiOutOpen of `device_id` fail (as a device that is gone would).
    virtual void SetOpenFails(UINT device_id, bool fails) = 0;
    virtual void SetDeviceName(UINT device_id, const std::string& name) = 0;
    // Whether `device_id` reports a volume of its own (as the software synth
    // does; every recording device does at first) or none (as a port).
    virtual void SetOwnVolume(UINT device_id, bool has) = 0;
    // The devices that midiOutGetNumDevs lists from its next call on, in this
    // order (ids count along it, as ALSA ports are numbered at each listing):
    // all of them in order at first. Unlisted devices stay open where they
    // were opened, as a port that went away does.
    virtual void SetPlugged(const std::vector<UINT>& device_ids) = 0;
};

std::shared_ptr<MidiRecording> InstallMidiRecording(UINT device_count = 1);
// Puts the real devices back. Handles opened on recording devices become invalid.
void RemoveMidiRecording();

// Replaces the monotonic clock of timeGetTime and of the recordings.
void UseManualClock(bool manual);
void AdvanceManualClock(std::uint64_t microseconds);
std::uint64_t MultimediaClockMicros();

// How long before the running timer period's deadline the messages this
// thread sends next fell due (the song's position has passed them by that
// much): a device that keeps exact time sounds them that much earlier than
// the period. Holds until set again or the period ends; 0 at each period's
// start.
void SetMidiSendLateness(std::uint64_t nanoseconds);

// Said from inside a timer's callback: the next `periods` periods have
// nothing that must happen at their own time, so the timer may sleep through
// them and run them, each with its own deadline, just before the one after.
// Holds for the period just run; 0 (the default) wakes for every period.
void DeferQuietPeriods(std::uint64_t periods);
// Ends every such sleep at once: something changed that may give those
// periods work (the song's tempo).
void WakeSleepingTimers();

// While on, timeSetEvent starts no thread: FireManualTimers runs `periods`
// periods of every live timer on the calling thread.
void UseManualTimers(bool manual);
void FireManualTimers(unsigned periods);

// What the software synthesizer has done since the program started, so a
// test can see that a song reached it.
struct SoftwareSynthStats {
    std::uint64_t frames_rendered;
    std::uint64_t events_applied;
    std::uint64_t note_ons;
    int active_voices;  // after the last rendered buffer
    float peak_level;   // largest sample magnitude rendered
};
SoftwareSynthStats GetSoftwareSynthStats();

}  // namespace platform
