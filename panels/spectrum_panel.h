// "SPECTRUM ANALYZER`": 72 dashed bars, one per semitone from MIDI key 36 to
// 107, lifted by the channel monitor's sounding notes, with peak markers.
#pragma once

#include "gfx/panel.h"
#include "gfx/surface.h"
#include "panels/spectrum_bars.h"

class CSpectrumPanel : public CPanel {
public:
    CSpectrumPanel();
    ~CSpectrumPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    void Restore() override;

    static constexpr int kLeft = 340, kTop = 190, kRight = 635, kBottom = 275;

    // The bar model, for tests.
    const BarState* GetBars() const { return bars_; }

private:
    void DrawStaticImage();
    void FeedFromMonitor();

    CSurface bar_image_;
    BarState* bars_ = nullptr;  // 72 records, zero-filled block
};
