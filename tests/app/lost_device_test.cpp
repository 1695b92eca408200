// The status bar says once that the device chosen has gone away.
#include <gtest/gtest.h>

#include <memory>

#include "app/lost_device.h"
#include "gfx/panel_list.h"
#include "midi/sequencer.h"
#include "panels/status_bar_panel.h"
#include "platform/winmm.h"

TEST(LostDevice, TheStatusBarSaysOnceThatTheChosenDeviceIsGone) {
    auto recording = platform::InstallMidiRecording(2);
    auto sequencer = std::make_unique<CSequencer>();
    auto* status_bar = new CStatusBarPanel;  // owned by the panel list
    sequencer->SelectDevice(1);
    recording->SetPlugged({0});
    sequencer->FollowDeviceList();
    ReportLostDevice();
    EXPECT_STREQ(status_bar->GetMessage(),
                 "DEVICE 'RECORDING DEVICE 1' IS GONE: USING SOFTWARE SYNTH");
    SetStatusMessage(nullptr);
    ReportLostDevice();
    EXPECT_STREQ(status_bar->GetMessage(), kDefaultStatusCaption);

    DestroyAll();
    sequencer.reset();
    platform::RemoveMidiRecording();
}
