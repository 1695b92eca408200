// "CONFIG - MIDI DEVICE SELECT`": the list of MIDI-out devices (the mapper
// first), four lines at a time, shown in the file selector's place by F2;
// Enter selects the device under the cursor.
#pragma once

#include "gfx/panel.h"
#include "views/device_window.h"

class CDeviceSelectPanel : public CInteractivePanel {
public:
    CDeviceSelectPanel();
    ~CDeviceSelectPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    int Notify(int code) override;
    void Restore() override;
    int OnInput(InputEvent* event) override;

    static constexpr int kLeft = 5, kTop = 390, kRight = 635, kBottom = 455;
    static constexpr uint16_t kPanelId = 3;

    // For tests and the status line: the window as last placed or moved.
    DeviceWindow GetWindow() const { return window_; }
    int32_t GetEntryCount() const { return entry_count_; }

private:
    void DrawFrame();
    void DrawList();

    DeviceWindow window_;
    int32_t entry_count_ = 0;  // 0 until the first list redraw
};
