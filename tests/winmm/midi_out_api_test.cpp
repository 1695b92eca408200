// The midiOut* calls as the engine and the device panel use them: refusals
// of bad arguments and handles, the mapper, headers, per-device volume.
// Handles are checked on the recording devices; the names and capabilities
// of the real devices without opening them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/winmm.h"

namespace {

class MidiOutApiTest : public ::testing::Test {
protected:
    void SetUp() override { recording = platform::InstallMidiRecording(3); }
    void TearDown() override { platform::RemoveMidiRecording(); }

    HMIDIOUT OpenDevice(UINT id) {
        HMIDIOUT handle = nullptr;
        EXPECT_EQ(midiOutOpen(&handle, id, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        return handle;
    }

    std::shared_ptr<platform::MidiRecording> recording;
};

TEST_F(MidiOutApiTest, OpenRefusesBadArgumentsAndTheMapperTakesTheFirstDeviceThatOpens) {
    HMIDIOUT handle = reinterpret_cast<HMIDIOUT>(1);
    EXPECT_EQ(midiOutOpen(nullptr, 0, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
    EXPECT_EQ(midiOutOpen(&handle, 0, 0, 0, 0x00030000u), MMSYSERR_INVALFLAG);  // a window callback
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(midiOutOpen(&handle, 3, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);

    recording->SetOpenFails(0, true);
    EXPECT_NE(midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(handle, nullptr);
    handle = OpenDevice(MIDI_MAPPER);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(midiOutShortMsg(handle, 0x643C90), MMSYSERR_NOERROR);
    const auto entries = recording->Entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.front().text, "open 1");
    EXPECT_EQ(entries.back().text, "90 3C 64");
    EXPECT_EQ(entries.back().device_id, 1u);
    EXPECT_EQ(midiOutClose(handle), MMSYSERR_NOERROR);

    for (UINT id = 0; id < 3; ++id)
        recording->SetOpenFails(id, true);
    EXPECT_NE(midiOutOpen(&handle, MIDI_MAPPER, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(MidiOutApiTest, ClosedAndUnknownHandlesAreRefusedEverywhere) {
    HMIDIOUT handle = OpenDevice(0);
    ASSERT_EQ(midiOutClose(handle), MMSYSERR_NOERROR);
    char bytes[] = {'\xF0', '\x7E', '\xF7'};
    MIDIHDR header{};
    header.lpData = bytes;
    header.dwBufferLength = sizeof bytes;
    DWORD volume = 0;
    for (HMIDIOUT gone : {handle, static_cast<HMIDIOUT>(nullptr)}) {
        EXPECT_EQ(midiOutClose(gone), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(midiOutReset(gone), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(midiOutShortMsg(gone, 0x643C90), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(midiOutPrepareHeader(gone, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(midiOutLongMsg(gone, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(midiOutSetVolume(gone, 0), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(midiOutGetVolume(gone, &volume), MMSYSERR_INVALHANDLE);
    }
    EXPECT_TRUE(recording->Messages().empty());
}

TEST_F(MidiOutApiTest, ShortMessagesSendOnlyTheBytesTheirStatusHas) {
    HMIDIOUT handle = OpenDevice(0);
    EXPECT_EQ(midiOutShortMsg(handle, 0x643C90), MMSYSERR_NOERROR);
    EXPECT_EQ(midiOutShortMsg(handle, 0xFF05C1),
              MMSYSERR_NOERROR);  // program change: one data byte
    EXPECT_EQ(midiOutShortMsg(handle, 0x0000F8), MMSYSERR_NOERROR);     // clock: none
    EXPECT_EQ(midiOutShortMsg(handle, 0x00003C), MMSYSERR_INVALPARAM);  // no status byte
    EXPECT_EQ(midiOutShortMsg(handle, 0x0000F0), MMSYSERR_INVALPARAM);  // SysEx needs a header
    EXPECT_THAT(recording->Messages(), ::testing::ElementsAre("90 3C 64", "C1 05", "F8"));
    midiOutClose(handle);
}

TEST_F(MidiOutApiTest, LongMessagesNeedAPreparedHeaderAndAreDoneAtOnce) {
    HMIDIOUT handle = OpenDevice(0);
    char bytes[] = {'\xF0', '\x7E', '\x7F', '\x09', '\x01', '\xF7'};
    MIDIHDR header{};
    header.lpData = bytes;
    header.dwBufferLength = sizeof bytes;
    EXPECT_EQ(midiOutLongMsg(handle, &header, sizeof header), MIDIERR_UNPREPARED);
    EXPECT_EQ(midiOutPrepareHeader(handle, &header, 63), MMSYSERR_INVALPARAM);
    ASSERT_EQ(midiOutPrepareHeader(handle, &header, 64), MMSYSERR_NOERROR);
    EXPECT_TRUE(header.dwFlags & MHDR_PREPARED);
    ASSERT_EQ(midiOutLongMsg(handle, &header, 64), MMSYSERR_NOERROR);
    EXPECT_TRUE(header.dwFlags & MHDR_DONE);
    // The bytes were copied: changing them now changes nothing sent.
    std::memset(bytes, 0, sizeof bytes);
    EXPECT_EQ(midiOutUnprepareHeader(handle, &header, 64), MMSYSERR_NOERROR);
    EXPECT_FALSE(header.dwFlags & MHDR_PREPARED);
    EXPECT_THAT(recording->Messages(), ::testing::ElementsAre("F0 7E 7F 09 01 F7"));
    MIDIHDR empty{};
    EXPECT_EQ(midiOutPrepareHeader(handle, &empty, 64), MMSYSERR_INVALPARAM);  // no data
    midiOutClose(handle);
}

TEST_F(MidiOutApiTest, VolumeIsKeptPerDeviceAcrossClosing) {
    HMIDIOUT first = OpenDevice(0);
    DWORD volume = 0;
    ASSERT_EQ(midiOutGetVolume(first, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0xFFFFFFFFu);
    EXPECT_EQ(midiOutGetVolume(first, nullptr), MMSYSERR_INVALPARAM);
    ASSERT_EQ(midiOutSetVolume(first, 0x80008000u), MMSYSERR_NOERROR);
    midiOutClose(first);

    HMIDIOUT other = OpenDevice(1);
    midiOutGetVolume(other, &volume);
    EXPECT_EQ(volume, 0xFFFFFFFFu);
    midiOutClose(other);
    HMIDIOUT again = OpenDevice(0);
    midiOutGetVolume(again, &volume);
    EXPECT_EQ(volume, 0x80008000u);
    midiOutClose(again);
}

TEST(MidiOutDevices, SoftwareSynthIsDeviceZeroAndTheMapperHasItsOwnName) {
    ASSERT_GE(midiOutGetNumDevs(), 1u);
    MIDIOUTCAPSA caps{};
    ASSERT_EQ(midiOutGetDevCapsA(0, &caps, 52), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "SOFTWARE SYNTH");
    EXPECT_EQ(caps.wTechnology, MOD_SWSYNTH);
    EXPECT_NE(caps.vDriverVersion, 0u);
    EXPECT_TRUE(caps.dwSupport & MIDICAPS_VOLUME);
    ASSERT_EQ(midiOutGetDevCapsA(MIDI_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "MIDI MAPPER");
    EXPECT_EQ(midiOutGetDevCapsA(midiOutGetNumDevs(), &caps, 52), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(midiOutGetDevCapsA(0, &caps, 51), MMSYSERR_INVALPARAM);
    EXPECT_EQ(midiOutGetDevCapsA(0, nullptr, 52), MMSYSERR_INVALPARAM);
    // Every listed device has a name the panel can show.
    for (UINT id = 0; id < midiOutGetNumDevs(); ++id) {
        ASSERT_EQ(midiOutGetDevCapsA(id, &caps, 52), MMSYSERR_NOERROR);
        EXPECT_GT(std::strlen(caps.szPname), 0u);
        EXPECT_LT(std::strlen(caps.szPname), static_cast<std::size_t>(MAXPNAMELEN));
    }
}

}  // namespace
