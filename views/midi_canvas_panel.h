// "MIDI CANVAS`": per-channel level meters with falling peak markers, pan
// pictures and program numbers for the 16 channels, and the 16-step output
// volume indicator.
#pragma once

#include "gfx/panel.h"
#include "gfx/surface.h"
#include "views/channel_meter.h"

class CMidiCanvasPanel : public CPanel {
public:
    CMidiCanvasPanel();
    ~CMidiCanvasPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    void Restore() override;

    static constexpr int kLeft = 340, kTop = 275, kRight = 635, kBottom = 400;

private:
    void DrawBackground();
    void DrawChannel(CSurface* target, int channel, int left, int top);
    void DrawVolumeMarker(CSurface* target, int left, int top);

    CSurface lit_meter_;
    CSurface pan_pictures_;
    ChannelMeter* meters_ = nullptr;  // 16 channels, zero-filled block

    // Shared by every canvas: the last volume step shown and its highlight.
    static VolumeMarker volume_marker_;
};
