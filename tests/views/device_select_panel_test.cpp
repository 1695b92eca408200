#include "views/device_select_panel.h"

#include <cstdio>
#include <memory>

#include "midi/sequencer.h"
#include "platform/message.h"
#include "platform/user.h"
#include "platform/winmm.h"
#include "tests/views/monitor_panel_fixture.h"

namespace {

// The panel at (5, 390); its four lines at (15, 416 + 9i) in font B.
int DeviceLineY(int line) {
    return 416 + 9 * line;
}

class DeviceSelectPanelTest : public MonitorPanelTest {
protected:
    void TearDown() override {
        GetSequencer().SelectDevice(MIDI_MAPPER);
        platform::RemoveMidiRecording();
        MonitorPanelTest::TearDown();
    }
    // `devices` recording devices named "SYNTH <id>", the sequencer on
    // `selected`, and the panel just given the focus.
    void ShowWith(UINT devices, UINT selected) {
        recording_ = platform::InstallMidiRecording(devices);
        for (UINT id = 0; id < devices; ++id)
            recording_->SetDeviceName(id, "SYNTH " + std::to_string(id));
        GetSequencer().SelectDevice(selected);
        panel_ = MakePanel<CDeviceSelectPanel>();
        panel_->Notify(NOTIFY_FOCUS_GAIN);
        DrawFrame(panel_);
    }
    int Key(WPARAM key) {
        InputEvent event{nullptr, WM_KEYDOWN, key, 0};
        const int handled = panel_->OnInput(&event);
        DrawFrame(panel_);
        return handled;
    }
    bool ShowsEntry(int line, int entry, bool cursor) {
        char text[32];
        if (entry == 0)
            std::snprintf(text, sizeof text, "---- MIDI MAPPER(DEFAULT)");
        else
            std::snprintf(text, sizeof text, "%04x SYNTH %d", entry, entry - 1);
        return ShowsText(15, DeviceLineY(line), text, true, cursor ? 0 : 1);
    }
    int TextPixelsOnLine(int line) {
        return Count(1, 15, DeviceLineY(line), 635, DeviceLineY(line) + 9) +
               Count(2, 15, DeviceLineY(line), 635, DeviceLineY(line) + 9);
    }
    std::shared_ptr<platform::MidiRecording> recording_;
    CDeviceSelectPanel* panel_ = nullptr;
};

TEST_F(DeviceSelectPanelTest, WithoutDevicesOnlyTheMapperIsListedAndChosen) {
    ShowWith(0, MIDI_MAPPER);
    EXPECT_TRUE(ShowsText(5, 391, "CONFIG - MIDI DEVICE SELECT`", false, 0));
    EXPECT_TRUE(ShowsEntry(0, 0, true));
    EXPECT_EQ(TextPixelsOnLine(1), 0);
    EXPECT_EQ(Key(VK_DOWN), 1);
    EXPECT_EQ(Key(VK_UP), 1);
    EXPECT_EQ(panel_->GetWindow().Entry(), 0);
    EXPECT_TRUE(ShowsEntry(0, 0, true));
    EXPECT_EQ(Key(VK_RETURN), 0);
    EXPECT_EQ(GetSequencer().GetSelectedDevice(), MIDI_MAPPER);
}

TEST_F(DeviceSelectPanelTest, OpensOnTheDeviceInUseNearTheEndOfTheList) {
    ShowWith(6, 5);  // seven entries, device 5 is entry 6
    EXPECT_EQ(panel_->GetWindow().top, 3);
    EXPECT_EQ(panel_->GetWindow().cursor, 3);
    EXPECT_EQ(panel_->GetEntryCount(), 7);
    EXPECT_TRUE(ShowsEntry(0, 3, false));
    EXPECT_TRUE(ShowsEntry(1, 4, false));
    EXPECT_TRUE(ShowsEntry(2, 5, false));
    EXPECT_TRUE(ShowsEntry(3, 6, true));
    EXPECT_FALSE(ShowsEntry(3, 6, false));  // the cursor's line is in band 0
    EXPECT_FALSE(ShowsEntry(2, 6, true));
    // Down on the last entry changes nothing but is taken.
    EXPECT_EQ(Key(VK_DOWN), 1);
    EXPECT_TRUE(ShowsEntry(3, 6, true));
}

TEST_F(DeviceSelectPanelTest, CursorScrollsTheWindowAndEnterSelects) {
    ShowWith(12, 1);  // entry 2 in the first window
    EXPECT_TRUE(ShowsEntry(0, 0, false));
    EXPECT_TRUE(ShowsEntry(2, 2, true));
    Key(VK_DOWN);
    Key(VK_DOWN);  // past line 3: the window scrolls
    EXPECT_TRUE(ShowsEntry(0, 1, false));
    EXPECT_TRUE(ShowsEntry(3, 4, true));
    EXPECT_EQ(Key(VK_RETURN), 0);
    EXPECT_EQ(GetSequencer().GetSelectedDevice(), 3u);
}

TEST_F(DeviceSelectPanelTest, EntriesAreNumberedInHexadecimal) {
    ShowWith(12, 9);  // entry 10 among 13: the last four are shown
    EXPECT_EQ(panel_->GetWindow().top, 9);
    EXPECT_TRUE(ShowsEntry(1, 10, true));
    EXPECT_TRUE(ShowsText(15, DeviceLineY(1), "000a SYNTH 9", true, 0));
    EXPECT_TRUE(ShowsEntry(3, 12, false));
}

TEST_F(DeviceSelectPanelTest, OtherKeysAreLeftToTheProgram) {
    ShowWith(2, 0);
    EXPECT_EQ(Key(VK_F2), 0);
    EXPECT_EQ(Key('A'), 0);
    InputEvent key_up{nullptr, WM_KEYUP, VK_DOWN, 0};
    EXPECT_EQ(panel_->OnInput(&key_up), 0);
    EXPECT_EQ(panel_->GetWindow().Entry(), 1);
}

}  // namespace
