#include "views/track_panel.h"

#include <cmath>
#include <cstdio>
#include <type_traits>

#include "gfx/draw.h"
#include "gfx/text.h"
#include "midi/channel_monitor.h"
#include "platform/ddraw.h"
#include "gfx/copy_rect.h"
#include "gfx/number_text.h"
#include "views/silenced_channel.h"

namespace {

constexpr int kTrackPanelWidth = CTrackPanel::kRight - CTrackPanel::kLeft;  // 323
constexpr int kKeyboardLeft = 5;
constexpr int kKeyboardTop = 17;
constexpr int kOctaveWidth = 35;
constexpr int kOctaves = 9;
constexpr int kWaveWidth = 32;
constexpr int kWaveHalfHeight = 6;
constexpr double kRadiansPerDegree = 0.017453277777777776;

constexpr uint8_t kWaveBackColour = 17;
constexpr uint8_t kWaveLineColour = 16;
constexpr uint8_t kWhiteKeyColour = 32;
constexpr uint8_t kWhiteKeyEdgeColour = 33;
constexpr uint8_t kBlackKeyColour = 34;
constexpr uint8_t kBlackKeyShineColour = 35;
constexpr uint8_t kLitWhiteColour = 36;
constexpr uint8_t kLitWhiteEdgeColour = 37;
constexpr uint8_t kLitBlackColour = 38;

constexpr int kBlackKeyOffsets[] = {3, 8, 18, 23, 28};

static_assert(std::is_same_v<decltype(ChannelInfo::program), std::atomic<std::uint8_t>> &&
                  std::is_same_v<decltype(ChannelInfo::pan), std::atomic<std::uint8_t>> &&
                  std::is_same_v<decltype(ChannelInfo::volume), std::atomic<std::uint8_t>> &&
                  std::is_same_v<decltype(ChannelInfo::modulation), std::atomic<std::uint8_t>> &&
                  std::is_same_v<decltype(ChannelInfo::bank), std::atomic<std::uint16_t>>,
              "the row's numbers are written for these widths ");

}  // namespace

WaveScroll CTrackPanel::wave_scroll_;

CTrackPanel::CTrackPanel() {
    names_.reserve(64);
}

CTrackPanel::~CTrackPanel() = default;

int CTrackPanel::Create() {
    SetRect(kLeft, kTop, kRight, kBottom);
    if (!CPanel::Create()) {
        return 0;
    }
    const SIZE lit_size{35, 34};
    const SIZE wave_size{kWaveWidth, 2 * kWaveHalfHeight};
    if (!lit_keys_.Create(0, &lit_size) || !wave_.Create(0, &wave_size)) {
        return 0;
    }
    lit_keys_.Fill(nullptr, 0);
    // White keys are copied with colour key 0, so the black keys beside a
    // lit white key stay visible.
    DDCOLORKEY transparent{0, 0};
    lit_keys_.surface->SetColorKey(DDCKEY_SRCBLT, &transparent);
    wave_.Fill(nullptr, 0);
    DrawBackground();
    return 1;
}

void CTrackPanel::DrawBackground() {
    IDirectDrawSurface* image = surface.surface;
    DrawTextFontA(&surface, 83, 1, "VOICE:", 1, 1);
    DrawTextFontA(&surface, 83, 7, "PN:000-0000 PAN:--- VOL:--- EX:------", 1, 1);
    DrawLine(image, 3, 14, kTrackPanelWidth, 14, kPanelRuleColour);
    DrawTextFontA(&surface, 290, 7, "---", 1, 1);

    // Wave image: the flat line in the upper half, a sine in the lower half,
    // on every second column.
    for (int s = 0; s < 16; ++s) {
        const int x = 2 * s;
        DrawLine(wave_.surface, x, 0, x, 12, kWaveBackColour);
        const int c = 2 + static_cast<int>(3 * std::sin(22 * s * kRadiansPerDegree));
        DrawLine(wave_.surface, x, c + 6, x, c + 7, kWaveLineColour);
        DrawLine(wave_.surface, x, 2, x, 3, kWaveLineColour);
    }

    for (int f = 0; f <= 30; f += 5) {
        FillRect(image, f + 5, 17, f + 9, 34, kWhiteKeyColour);
        FillRect(image, f + 5, 33, f + 8, 34, kWhiteKeyEdgeColour);
        FillRect(lit_keys_.surface, f, 0, f + 4, 17, kLitWhiteColour);
        FillRect(lit_keys_.surface, f, 16, f + 4, 17, kLitWhiteEdgeColour);
    }
    for (int b : kBlackKeyOffsets) {
        FillRect(image, b + 5, 17, b + 8, 27, kBlackKeyColour);
        FillRect(image, b + 5, 25, b + 7, 26, kBlackKeyShineColour);
        FillRect(lit_keys_.surface, b, 17, b + 3, 27, kLitBlackColour);
        // A lit white key leaves the black keys beside it visible.
        FillRect(lit_keys_.surface, b, 0, b + 3, 10, 0);
    }
    for (int k = 1; k < kOctaves; ++k) {
        CopyRect(&surface, kKeyboardLeft + kOctaveWidth * k, kKeyboardTop, surface, kKeyboardLeft,
                 kKeyboardTop, kKeyboardLeft + kOctaveWidth, 34, false);
    }

    char label[16];
    for (int r = kRows - 1; r >= 0; --r) {
        if (r > 0) {
            CopyRect(&surface, 0, kRowHeight * r, surface, 0, 0, kTrackPanelWidth, kRowHeight,
                     false);
        }
        DrawTextFontA(&surface, 3, kRowHeight * r + 1, r >= 8 ? "RHYTHM " : "GENERAL", 0, 1);
        std::snprintf(label, sizeof label, "TRACK %02d`", r + 1);
        DrawTextFontA(&surface, 3, kRowHeight * r + 7, label, 0, 0);
    }
}

void CTrackPanel::Draw(CSurface* target) {
    CPanel::Draw(target);
    if (target == nullptr || target->surface == nullptr) {
        return;
    }
    for (int i = 0; i < kRows; ++i) {
        DrawRow(target, i, rect.left, rect.top + 7 + kRowHeight * i);
        DimIfSilenced(target, i, rect.left, rect.top + kRowHeight * i, rect.right,
                      rect.top + kRowHeight * (i + 1));
    }
    wave_scroll_.Advance();
}

void CTrackPanel::DrawRow(CSurface* target, int channel, int left, int y) {
    const ChannelInfo* info = GetChannelMonitor().GetChannelInfo(channel);
    names_.clear();
    int sounding = 0;
    // The walk stops at the first free slot: a note recorded after it is not shown.
    for (int s = 0; s < ChannelInfo::SLOT_COUNT; ++s) {
        const NoteSlot* slot = info->GetNoteSlot(s);
        if (slot == nullptr) {
            break;
        }
        ++sounding;
        const int note = slot->note.load(std::memory_order_relaxed);
        const LitKeyPlacement key = PlaceLitKey(note);
        CopyRect(target, left + key.dest_x, y + 10, lit_keys_, key.source_left, key.source_top,
                 key.source_right, key.source_bottom, key.colour_key);
        AppendNoteName(note, names_);
    }
    DrawTextFontA(target, left + 118, y - 6, names_.c_str(), 0, 0);

    char text[16];
    char* end = PutThreeDigits(text, info->program.load(std::memory_order_relaxed));
    *end++ = '-';
    PutFourHexDigits(end, info->bank.load(std::memory_order_relaxed));
    DrawTextFontA(target, left + 98, y, text, 0, 0);
    PutThreeDigits(text, info->pan.load(std::memory_order_relaxed));
    DrawTextFontA(target, left + 163, y, text, 0, 0);
    PutThreeDigits(text, info->volume.load(std::memory_order_relaxed));
    DrawTextFontA(target, left + 203, y, text, 0, 0);
    const uint8_t modulation = info->modulation.load(std::memory_order_relaxed);
    PutThreeDigits(text, modulation);
    DrawTextFontA(target, left + 290, y, text, 0, 0);

    // The strip scrolls left: columns d..31 first, then 0..d-1 behind them.
    const int half_top = WaveShowsSine(sounding, modulation) ? kWaveHalfHeight : 0;
    const int d = wave_scroll_.Offset();
    CopyRect(target, left + 290, y - 6, wave_, d, half_top, kWaveWidth, half_top + kWaveHalfHeight,
             false);
    if (d > 0) {
        CopyRect(target, left + 322 - d, y - 6, wave_, 0, half_top, d, half_top + kWaveHalfHeight,
                 false);
    }
}

void CTrackPanel::Restore() {
    CPanel::Restore();
    lit_keys_.Restore();
    wave_.Restore();
    DrawBackground();
}
