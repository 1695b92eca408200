// "CONFIG - SOUNDFONT SELECT`": the SoundFonts found, four lines at a time,
// shown in the file selector's place by F10 as F2 shows the devices. Enter
// puts the SoundFont under the cursor on top of the synth's stack, or takes
// it off when it is in the stack; F10 goes back.
#pragma once

#include <string>
#include <vector>

#include "gfx/panel.h"
#include "views/device_window.h"

class CSoundFontSelectPanel : public CInteractivePanel {
public:
    CSoundFontSelectPanel();
    ~CSoundFontSelectPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    int Notify(int code) override;
    void Restore() override;
    int OnInput(InputEvent* event) override;

    static constexpr int kLeft = 5, kTop = 390, kRight = 635, kBottom = 455;

private:
    void Redraw();

    DeviceWindow window_;
    std::vector<std::string> entries_;
};
