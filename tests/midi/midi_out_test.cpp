// CMidiOut and CMidiTimer on their own: reopening, sending without a device,
// device queries that fail, and a stop with nothing running.
#include "engine_fixture.h"
#include "midi/midi_out.h"
#include "midi/midi_timer.h"

TEST_F(EngineTest, MidiOutReopeningTheSameIdOnlyResetsAndAnotherIdClosesFirst) {
    CMidiOut out;
    ASSERT_TRUE(out.Open(0));
    const HMIDIOUT first = out.GetHandle();
    ASSERT_TRUE(out.Open(0));
    EXPECT_EQ(out.GetHandle(), first);
    ASSERT_TRUE(out.Open(1));
    EXPECT_EQ(out.GetDeviceId(), 1u);
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.Close());
    std::vector<std::string> texts;
    for (auto& entry : recording->Entries())
        if (entry.text.rfind("volume", 0) != 0)
            texts.push_back(entry.text);
    EXPECT_THAT(texts, ::testing::ElementsAre("open 0", "reset", "reset", "close", "open 1",
                                              "reset", "close"));
}

TEST_F(EngineTest, MidiOutWithoutADeviceSendsNothingAndFailedOpenLeavesNoHandle) {
    CMidiOut out;
    char bytes[] = {'\xF0', '\x7E', '\xF7'};
    MIDIHDR header{};
    header.lpData = bytes;
    header.dwBufferLength = sizeof bytes;
    EXPECT_FALSE(out.SendShort(0x90, 0x3C, 0x64));
    EXPECT_FALSE(out.SendLong(&header));
    EXPECT_FALSE(out.Reset());
    recording->SetOpenFails(1, true);
    EXPECT_FALSE(out.Open(1));
    EXPECT_FALSE(out.IsOpen());
    EXPECT_EQ(out.GetDeviceId(), 1u);  // the id asked for is kept
    EXPECT_TRUE(recording->Entries().empty());
}

TEST_F(EngineTest, MidiOutQueriesOfAnUnknownDeviceGiveAnEmptyNameAndVersionZero) {
    CMidiOut out;
    char name[MAXPNAMELEN] = "stale";
    out.GetDeviceName(7, name);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(out.GetDriverVersion(7), 0u);
    recording->SetDeviceName(1, std::string(40, 'N'));
    out.GetDeviceName(1, name);
    EXPECT_EQ(std::string(name), std::string(31, 'N'));
}

TEST(MidiTimer, StopWithNothingRunningReturnsAtOnce) {
    CMidiTimer timer;
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_TRUE(timer.Stop());
    EXPECT_FALSE(timer.IsInsideCallback());
}
