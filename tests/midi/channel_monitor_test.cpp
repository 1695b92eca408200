#include <gtest/gtest.h>

#include "midi/channel_monitor.h"

namespace {

int SlotsOn(const ChannelInfo& info) {
    int on = 0;
    for (int i = 0; i < ChannelInfo::SLOT_COUNT; ++i)
        on += info.GetNoteSlot(i) != nullptr;
    return on;
}

}  // namespace

TEST(ChannelMonitor, RecordsOnlyKeys24To119) {
    CChannelMonitor monitor;
    monitor.Apply(0x90, 23, 100);
    monitor.Apply(0x90, 120, 100);
    EXPECT_EQ(SlotsOn(*monitor.GetChannelInfo(0)), 0);
    monitor.Apply(0x90, 24, 100);
    monitor.Apply(0x90, 119, 90);
    const ChannelInfo& info = *monitor.GetChannelInfo(0);
    ASSERT_NE(info.GetNoteSlot(0), nullptr);
    EXPECT_EQ(info.GetNoteSlot(0)->note, 0);
    EXPECT_EQ(info.GetNoteSlot(1)->note, 95);
    EXPECT_EQ(info.GetNoteSlot(1)->velocity, 90);
    monitor.Apply(0x80, 120, 0);  // not recorded, changes nothing
    EXPECT_EQ(SlotsOn(info), 2);
    EXPECT_EQ(monitor.GetSendPackets(), 5u);
}

TEST(ChannelMonitor, SeventeenthNoteIsNotRecordedAndRepeatsMoveToTheFirstFreeSlot) {
    CChannelMonitor monitor;
    for (int key = 40; key < 57; ++key)
        monitor.Apply(0x93, static_cast<std::uint8_t>(key), 64);
    const ChannelInfo& info = *monitor.GetChannelInfo(3);
    EXPECT_EQ(SlotsOn(info), 16);
    monitor.Apply(0x83, 41, 0);   // frees slot 1
    monitor.Apply(0x93, 40, 70);  // key in slot 0 moves: slot 0 cleared, first free is 0
    EXPECT_EQ(info.GetNoteSlot(0)->note, 40 - 24);
    EXPECT_EQ(info.GetNoteSlot(0)->velocity, 70);
    EXPECT_EQ(info.GetNoteSlot(1), nullptr);
    monitor.Apply(0x93, 45, 0);  // velocity 0 is a note-off
    EXPECT_EQ(SlotsOn(info), 14);
}

TEST(ChannelMonitor, ControllersBankAndProgram) {
    CChannelMonitor monitor;
    monitor.Apply(0xBF, 0, 2);
    monitor.Apply(0xBF, 32, 1);
    monitor.Apply(0xBF, 7, 100);
    monitor.Apply(0xBF, 10, 20);
    monitor.Apply(0xBF, 1, 30);
    monitor.Apply(0xBF, 11, 5);  // other controllers are ignored
    monitor.Apply(0xCF, 19, 0);
    monitor.Apply(0xEF, 0, 64);  // counted only
    const ChannelInfo& info = *monitor.GetChannelInfo(15);
    EXPECT_EQ(info.bank, 0x0101);
    EXPECT_EQ(info.volume, 100);
    EXPECT_EQ(info.pan, 20);
    EXPECT_EQ(info.modulation, 30);
    EXPECT_EQ(info.program, 19);
    EXPECT_EQ(monitor.GetSendPackets(), 8u);
    for (int channel = 16; channel < 32; ++channel)
        EXPECT_EQ(monitor.GetChannelInfo(channel)->volume, 127);
    EXPECT_EQ(monitor.GetChannelInfo(32), nullptr);
    EXPECT_EQ(monitor.GetChannelInfo(-1), nullptr);
}

TEST(ChannelMonitor, ResetRestoresEveryRecord) {
    CChannelMonitor monitor;
    monitor.Apply(0x90, 60, 100);
    monitor.Apply(0xB0, 10, 0);
    monitor.Apply(0xC0, 7, 0);
    monitor.Reset();
    const ChannelInfo& info = *monitor.GetChannelInfo(0);
    EXPECT_EQ(info.program, 0);
    EXPECT_EQ(info.pan, 64);
    EXPECT_EQ(info.bank, 0);
    EXPECT_EQ(info.volume, 127);
    EXPECT_EQ(SlotsOn(info), 0);
    EXPECT_EQ(monitor.GetSendPackets(), 0u);
}
