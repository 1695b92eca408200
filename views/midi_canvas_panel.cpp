#include "views/midi_canvas_panel.h"

#include <cstdio>
#include <type_traits>

#include "gfx/custom_bitmap.h"
#include "gfx/draw.h"
#include "gfx/text.h"
#include "midi/channel_monitor.h"
#include "midi/player.h"
#include "platform/kernel.h"
#include "gfx/number_text.h"
#include "views/silenced_channel.h"
#include "gfx/copy_rect.h"

namespace {

constexpr int kCanvasWidth = CMidiCanvasPanel::kRight - CMidiCanvasPanel::kLeft;  // 295
constexpr int kMeterLeft = 40;
constexpr int kMeterTop = 12;
constexpr int kChannelPitch = 16;
constexpr int kMeterWidth = 14;
constexpr int kLitMeterWidth = 15;
constexpr int kMeterHeight = 70;
constexpr int kMeterBottom = 82;     // the meter's lit rows end just above here
constexpr int kChannelBottom = 111;  // below the track numbers
constexpr int kVolumeLeft = 3;
constexpr int kVolumeTop = 17;

constexpr uint8_t kUnlitMeterColour = 48;
constexpr uint8_t kLitMeterColour = 49;
constexpr uint8_t kPeakColour = 52;
constexpr uint8_t kVolumeBlockColour = 3;

const char* const kPanPictures = "IDR_CUSTBMP_PANPOT";

}  // namespace

VolumeMarker CMidiCanvasPanel::volume_marker_;

CMidiCanvasPanel::CMidiCanvasPanel() {
    meters_ = static_cast<ChannelMeter*>(GlobalAlloc(GPTR, sizeof(ChannelMeter) * kMeterChannels));
}

CMidiCanvasPanel::~CMidiCanvasPanel() {
    GlobalFree(meters_);
}

int CMidiCanvasPanel::Create() {
    SetRect(kLeft, kTop, kRight, kBottom);
    if (!CPanel::Create() || meters_ == nullptr) {
        return 0;
    }
    const SIZE lit_size{kLitMeterWidth, kMeterHeight};
    if (!lit_meter_.Create(0, &lit_size)) {
        return 0;
    }
    lit_meter_.Fill(nullptr, 0);
    DrawBackground();
    return 1;
}

void CMidiCanvasPanel::DrawBackground() {
    IDirectDrawSurface* image = surface.surface;
    DrawTextFontA(&surface, 0, 2, "MIDI CANVAS`", 1, 0);
    DrawLine(image, 0, 9, kCanvasWidth, 9, kPanelRuleColour);

    // Scale: a long tick every fifth.
    DrawLine(image, 37, kMeterTop, 37, kMeterBottom, kPanelRuleColour);
    for (int i = 0; i < 35; ++i) {
        const int y = kMeterTop + 2 * i;
        DrawLine(image, i % 5 == 0 ? 34 : 36, y, 37, y, kPanelRuleColour);
    }

    // Unlit meter stripes for channel 1, then copied to the other fifteen.
    for (int i = 0; i < kMeterHeight - 1; i += 2) {
        FillRect(image, kMeterLeft, kMeterTop + i, kMeterLeft + kMeterWidth, kMeterTop + i + 1,
                 kUnlitMeterColour);
    }
    for (int k = 1; k < kMeterChannels; ++k) {
        CopyRect(&surface, kMeterLeft + kChannelPitch * k, kMeterTop, surface, kMeterLeft,
                 kMeterTop, kMeterLeft + kMeterWidth, kMeterTop + kMeterHeight, false);
    }

    DrawTextFontA(&surface, 0, 82, "PANPOT", 1, 1);
    DrawTextFontA(&surface, 0, 97, "PROGRAM", 1, 1);
    DrawTextFontA(&surface, 0, 104, "TRACK", 1, 1);
    char number[8];
    for (int k = 0; k < kMeterChannels; ++k) {
        std::snprintf(number, sizeof number, "%02d", k + 1);
        DrawTextFontA(&surface, kMeterLeft + kChannelPitch * k, 104, number, 1, 1);
    }

    DrawTextFontA(&surface, 3, 10, "VOL`", 1, 1);
    for (int k = 0; k < 16; ++k) {
        FillRect(image, kVolumeLeft, kVolumeTop + 4 * k, kVolumeLeft + 16, kVolumeTop + 3 + 4 * k,
                 kVolumeBlockColour);
    }

    for (int i = 0; i < 35; ++i) {
        DrawLine(lit_meter_.surface, 0, 2 * i, kMeterWidth, 2 * i, kLitMeterColour);
    }

    if (pan_pictures_.surface == nullptr) {
        pan_pictures_ = LoadCustomBitmap(kPanPictures, 1);
    } else {
        ReloadCustomBitmap(&pan_pictures_, kPanPictures, 1);
    }
}

void CMidiCanvasPanel::Draw(CSurface* target) {
    CPanel::Draw(target);
    if (target == nullptr || target->surface == nullptr) {
        return;
    }
    for (int k = 0; k < kMeterChannels; ++k) {
        DrawChannel(target, k, rect.left, rect.top);
    }
    DrawVolumeMarker(target, rect.left, rect.top);
}

void CMidiCanvasPanel::DrawChannel(CSurface* target, int channel, int left, int top) {
    const ChannelInfo* info = GetChannelMonitor().GetChannelInfo(channel);
    ChannelMeter& meter = meters_[channel];
    const int x = left + kMeterLeft + kChannelPitch * channel;
    const uint8_t volume = info->volume.load(std::memory_order_relaxed);

    uint16_t target_level = 0;
    for (int s = 0; s < ChannelInfo::SLOT_COUNT; ++s) {
        const NoteSlot* slot = info->GetNoteSlot(s);
        if (slot != nullptr) {
            const uint16_t level =
                MeterTargetLevel(slot->velocity.load(std::memory_order_relaxed), volume);
            target_level = level > target_level ? level : target_level;
        }
    }
    meter.level = StepMeterLevel(meter.level, target_level);

    static_assert(std::is_same_v<decltype(info->program), std::atomic<std::uint8_t>>,
                  "three digits hold the program number");
    char program[8];
    PutThreeDigits(program, info->program.load(std::memory_order_relaxed));
    DrawTextFontA(target, x, top + 97, program, 0, 1);

    const int picture = PanPictureIndex(info->pan.load(std::memory_order_relaxed));
    CopyRect(target, x, top + 82, pan_pictures_, 16 * picture, 0, 16 * picture + 16, 16, false);

    const int lit_rows = MeterLitRows(meter.level);
    if (lit_rows > 0) {
        CopyRect(target, x, top + kMeterBottom - lit_rows, lit_meter_, 0, kMeterHeight - lit_rows,
                 kLitMeterWidth, kMeterHeight, false);
    }

    StepMeterPeak(meter, lit_rows);
    FillRect(target->surface, x, top + 80 - meter.peak, x + kMeterWidth, top + 81 - meter.peak,
             kPeakColour);
    // The whole column: meter, pan picture, program and track number.
    DimIfSilenced(target, channel, x, top + kMeterTop, x + kChannelPitch, top + kChannelBottom);
}

void CMidiCanvasPanel::DrawVolumeMarker(CSurface* target, int left, int top) {
    const int step = VolumeStep(static_cast<uint32_t>(PlayerGetVolume()));
    const uint8_t colour = volume_marker_.Step(step);
    FillRect(target->surface, left + kVolumeLeft, top + kVolumeTop + 4 * step,
             left + kVolumeLeft + 16, top + kVolumeTop + 3 + 4 * step, colour);
}

void CMidiCanvasPanel::Restore() {
    CPanel::Restore();
    lit_meter_.Restore();
    pan_pictures_.Restore();
    DrawBackground();
}
