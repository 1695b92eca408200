// The track view: channels 1 to 10 as rows with a nine-octave keyboard on
// which sounding notes light up, their names, program and bank, pan, volume
// and modulation with a scrolling wave.
#pragma once

#include <string>

#include "gfx/panel.h"
#include "gfx/surface.h"
#include "views/key_layout.h"

class CTrackPanel : public CPanel {
public:
    CTrackPanel();
    ~CTrackPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    void Restore() override;

    static constexpr int kLeft = 2, kTop = 36, kRight = 325, kBottom = 390;
    static constexpr int kRows = 10;
    static constexpr int kRowHeight = 35;

private:
    void DrawBackground();
    void DrawRow(CSurface* target, int channel, int left, int top);

    CSurface lit_keys_;
    CSurface wave_;
    std::string names_;  // reused every frame, so no allocation per frame

    // Shared by every track view: the frame counter and the wave's scroll.
    static WaveScroll wave_scroll_;
};
