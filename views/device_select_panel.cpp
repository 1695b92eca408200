#include "views/device_select_panel.h"

#include <algorithm>

#include "display/frame_thread.h"
#include "gfx/draw.h"
#include "gfx/panel_list.h"
#include "gfx/text.h"
#include "midi/midi_out.h"
#include "midi/sequencer.h"
#include "platform/message.h"
#include "platform/user.h"
#include "platform/winmm.h"

namespace {

constexpr int kDeviceListWidth = CDeviceSelectPanel::kRight - CDeviceSelectPanel::kLeft;   // 630
constexpr int kDeviceListHeight = CDeviceSelectPanel::kBottom - CDeviceSelectPanel::kTop;  // 65

}  // namespace

CDeviceSelectPanel::CDeviceSelectPanel() = default;
CDeviceSelectPanel::~CDeviceSelectPanel() = default;

int CDeviceSelectPanel::Create() {
    SetRect(kLeft, kTop, kRight, kBottom);
    if (!CInteractivePanel::Create()) {
        return 0;
    }
    DrawFrame();
    return 1;
}

void CDeviceSelectPanel::DrawFrame() {
    DrawConfigListFrame(surface, kDeviceListWidth, kDeviceListHeight,
                        "CONFIG - MIDI DEVICE SELECT`");
}

void CDeviceSelectPanel::DrawList() {
    DrawTextFontB(&surface, 7, 10, "YOU CAN CHOOSE USING MIDI-OUT DEVICE`", 1, 0);
    DrawTextFontA(&surface, 11, 19, "ID     DEVICE NAME", 1, 1);

    // Asking the devices can take a while (the sequencer's port list); the
    // frames stand still meanwhile.
    SuspendFrames(true);
    entry_count_ = DeviceEntryCount();
    const int lines = std::min(kDeviceWindowLines, entry_count_ - window_.top);
    char line[MAXPNAMELEN + 8];
    for (int i = 0; i < lines; ++i) {
        const int32_t entry = window_.top + i;
        FormatDeviceEntry(entry, DeviceEntryName(entry).c_str(), line, sizeof line);
        DrawTextFontB(&surface, 10, 26 + 9 * i, line, 1, i == window_.cursor ? 0 : 1);
    }
    ResumeFrames();
    Commit();
}

void CDeviceSelectPanel::Draw(CSurface* target) {
    if (target != nullptr) {
        DrawShown(target->surface);
    }
}

int CDeviceSelectPanel::Notify(int code) {
    const int result = CInteractivePanel::Notify(code);
    if (code == NOTIFY_FOCUS_GAIN) {
        // The window is placed on the device in use, found again by its name.
        // The count is taken now, not from the last listing: ports may have
        // come or gone meanwhile, and the cursor must stand on an entry that
        // exists.
        GetSequencer().FollowDeviceList();
        window_ = PlaceDeviceWindow(GetSequencer().GetSelectedDevice(), DeviceEntryCount());
        DrawFrame();
        DrawList();
    }
    return result;
}

int CDeviceSelectPanel::OnInput(InputEvent* event) {
    if (event == nullptr || event->message != WM_KEYDOWN) {
        return 0;
    }
    switch (event->wParam) {
        case VK_UP:
            MoveDeviceCursorUp(window_);
            DrawFrame();
            DrawList();
            return 1;
        case VK_DOWN:
            MoveDeviceCursorDown(window_, entry_count_);
            DrawFrame();
            DrawList();
            return 1;
        case VK_RETURN:
            GetSequencer().SelectDevice(DeviceIdOfEntry(window_.Entry()));
            Broadcast(NOTIFY_PLAY_RESTART);
            PopFocus();
            return 0;
        case VK_F2:
            PopFocus();
            return 0;
        default:
            return 0;
    }
}

void CDeviceSelectPanel::Restore() {
    CInteractivePanel::Restore();
    DrawFrame();
    DrawList();
}
