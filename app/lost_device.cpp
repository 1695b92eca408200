#include "app/lost_device.h"

#include <cstdio>

#include "gfx/panel_list.h"
#include "midi/sequencer.h"
#include "panels/status_bar_panel.h"

namespace {
// The sequencer's loss count already told.
unsigned reported_losses = 0;
}  // namespace

void ReportLostDevice() {
    const CSequencer& sequencer = GetSequencer();
    if (sequencer.GetLostDeviceCount() == reported_losses)
        return;
    reported_losses = sequencer.GetLostDeviceCount();
    char message[96];  // a device name has at most 31 characters
    std::snprintf(message, sizeof message, "DEVICE '%s' IS GONE: USING SOFTWARE SYNTH",
                  sequencer.GetLostDeviceName().c_str());
    SetStatusMessage(message);
    // As after a choice in the device list: the status panel names the
    // device in use again.
    Broadcast(NOTIFY_PLAY_RESTART);
}
