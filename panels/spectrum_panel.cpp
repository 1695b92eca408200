#include "panels/spectrum_panel.h"

#include "gfx/draw.h"
#include "gfx/text.h"
#include "midi/channel_monitor.h"
#include "platform/kernel.h"
#include "gfx/copy_rect.h"

namespace {

constexpr int kSpectrumWidth = CSpectrumPanel::kRight - CSpectrumPanel::kLeft;  // 295
constexpr int kBarsLeft = 5;
constexpr int kBarsTop = 12;
constexpr int kBarPitch = 4;
constexpr int kBarImageWidth = 4;
constexpr int kBarImageHeight = 60;
constexpr int kBaseline = 72;

constexpr uint8_t kUnlitColour = 48;
constexpr uint8_t kLitColour = 49;
constexpr uint8_t kPeakColour = 52;

}  // namespace

CSpectrumPanel::CSpectrumPanel() {
    bars_ = static_cast<BarState*>(GlobalAlloc(GPTR, sizeof(BarState) * kSpectrumBars));
}

CSpectrumPanel::~CSpectrumPanel() {
    GlobalFree(bars_);
}

int CSpectrumPanel::Create() {
    SetRect(kLeft, kTop, kRight, kBottom);
    if (!CPanel::Create() || bars_ == nullptr) {
        return 0;
    }
    const SIZE bar_size{kBarImageWidth, kBarImageHeight};
    if (!bar_image_.Create(0, &bar_size)) {
        return 0;
    }
    bar_image_.Fill(nullptr, 0);
    DrawStaticImage();
    return 1;
}

void CSpectrumPanel::DrawStaticImage() {
    IDirectDrawSurface* image = surface.surface;
    DrawTextFontA(&surface, 0, 2, "SPECTRUM ANALYZER`", 1, 0);
    DrawLine(image, 0, 9, kSpectrumWidth, 9, kPanelRuleColour);
    DrawLine(image, 3, kBarsTop, 3, kBaseline, kPanelRuleColour);
    for (int i = 0; i <= 30; ++i) {
        const int y = kBarsTop + 2 * i;
        DrawLine(image, i % 5 == 0 ? 0 : 2, y, 4, y, kPanelRuleColour);
    }
    // Unlit dashes of the first column, copied to all 72.
    for (int i = 0; i <= 58; i += 2) {
        DrawLine(image, kBarsLeft, kBarsTop + i, kBarsLeft + 3, kBarsTop + 1 + i, kUnlitColour);
    }
    for (int k = 1; k < kSpectrumBars; ++k) {
        CopyRect(&surface, kBarsLeft + kBarPitch * k, kBarsTop, surface, kBarsLeft, kBarsTop,
                 kBarsLeft + 3, kBaseline, false);
    }
    FillRect(image, kBarsLeft, kBaseline, 293, kBaseline + 1, kPanelRuleColour);
    DrawTextFontA(&surface, 5, 74, "+120--------240-------480-------1.0K-------2.0K------4.0K--", 1,
                  1);
    for (int i = 0; i < kBarImageHeight / 2; ++i) {
        FillRect(bar_image_.surface, 0, 2 * i, 3, 2 * i + 1, kLitColour);
    }
}

void CSpectrumPanel::FeedFromMonitor() {
    const CChannelMonitor& monitor = GetChannelMonitor();
    for (int c = 0; c < CChannelMonitor::CHANNEL_COUNT; ++c) {
        const ChannelInfo* info = monitor.GetChannelInfo(c);
        const uint8_t volume = info->volume.load(std::memory_order_relaxed);
        for (int s = 0; s < ChannelInfo::SLOT_COUNT; ++s) {
            const NoteSlot* slot = info->GetNoteSlot(s);
            if (slot != nullptr) {
                FeedBars(bars_, slot->note.load(std::memory_order_relaxed),
                         NoteEnergy(slot->velocity.load(std::memory_order_relaxed), volume));
            }
        }
    }
}

void CSpectrumPanel::Draw(CSurface* target) {
    CPanel::Draw(target);
    if (target == nullptr || target->surface == nullptr) {
        return;
    }
    FeedFromMonitor();
    const int left = rect.left;
    const int top = rect.top;
    for (int k = 0; k < kSpectrumBars; ++k) {
        BarState& bar = bars_[k];
        const int x = left + kBarsLeft + kBarPitch * k;
        bar.level = SinkBarLevel(bar.level);
        const int height = BarHeight(bar.level);
        // Levels above 60 come only from damaged velocity or volume bytes;
        // such a bar is not drawn rather than copied from outside its image.
        if (height > 0 && height <= kBarImageHeight) {
            CopyRect(target, x, top + kBaseline - height, bar_image_, 0, kBarImageHeight - height,
                     kBarImageWidth, kBarImageHeight, false);
        }
        StepBarPeak(bar, height);
        const int peak = PeakMarkerHeight(bar);
        if (peak <= kBaseline - 2) {
            FillRect(target->surface, x, top + 70 - peak, x + 3, top + 71 - peak, kPeakColour);
        }
    }
}

void CSpectrumPanel::Restore() {
    CPanel::Restore();
    bar_image_.Restore();
    DrawStaticImage();
}
