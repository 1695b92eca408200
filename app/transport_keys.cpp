#include "app/transport_keys.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "midi/sequencer.h"
#include "panels/status_bar_panel.h"
#include "platform/user.h"

namespace {

constexpr std::int64_t kShortJump_ms = 5000;
constexpr std::int64_t kLongJump_ms = 30000;
constexpr int kTempoStepPercent = 5;
constexpr int kChannels = 16;
constexpr int kNoChannel = -1;

void Announce(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    SetStatusMessage(text);
}

// The channel (0-15) a digit key stands for: 1-9 and 0 are channels 1-10,
// with Shift 1-6 are channels 11-16.
int DigitChannel(WPARAM key, bool shift) {
    if (key < '0' || key > '9')
        return kNoChannel;
    const int digit = static_cast<int>(key - '0');
    const int channel = (digit == 0 ? 10 : digit) - 1 + (shift ? 10 : 0);
    return channel < kChannels ? channel : kNoChannel;
}

void Jump(std::int64_t delta_ms) {
    CSequencer& sequencer = GetSequencer();
    const std::int64_t target = static_cast<std::int64_t>(sequencer.GetPlayTime()) + delta_ms;
    sequencer.SeekMs(std::max<std::int64_t>(target, 0));
}

void StepTempo(int direction, bool shift) {
    CSequencer& sequencer = GetSequencer();
    sequencer.SetTempoPercent(shift ? CSequencer::NORMAL_TEMPO_PERCENT
                                    : sequencer.GetTempoPercent() + direction * kTempoStepPercent);
    Announce("TEMPO %d%%", sequencer.GetTempoPercent());
}

void StepTranspose(int direction, bool shift) {
    CSequencer& sequencer = GetSequencer();
    sequencer.SetTranspose(shift ? 0 : sequencer.GetTranspose() + direction);
    const int semitones = sequencer.GetTranspose();
    Announce(semitones == 0 ? "KEY %d" : "KEY %+d", semitones);
}

void ToggleMute(int channel) {
    CSequencer& sequencer = GetSequencer();
    const bool muted = !sequencer.IsChannelMuted(channel);
    sequencer.SetChannelMuted(channel, muted);
    Announce(muted ? "MUTE CH %d" : "UNMUTE CH %d", channel + 1);
}

void ToggleSolo(int channel) {
    CSequencer& sequencer = GetSequencer();
    if (sequencer.GetSoloChannel() == channel) {
        sequencer.SetSoloChannel(CSequencer::NO_SOLO);
        SetStatusMessage("SOLO OFF");
        return;
    }
    sequencer.SetSoloChannel(channel);
    Announce("SOLO CH %d", channel + 1);
}

// Off, then N times and a fade, then forever, then off again.
void CycleLoopMode() {
    CSequencer& sequencer = GetSequencer();
    LoopSettings loop = sequencer.GetLoopSettings();
    switch (loop.mode) {
        case LoopMode::kOff:
            loop.mode = LoopMode::kCount;
            break;
        case LoopMode::kCount:
            loop.mode = LoopMode::kForever;
            break;
        case LoopMode::kForever:
            loop.mode = LoopMode::kOff;
            break;
    }
    sequencer.SetLoopSettings(loop);
    if (loop.mode == LoopMode::kCount)
        Announce("LOOP %d", loop.count);
    else
        SetStatusMessage(loop.mode == LoopMode::kOff ? "LOOP OFF" : "LOOP FOREVER");
}

}  // namespace

bool HandleTransportKey(WPARAM key, bool shift, bool ctrl) {
    switch (key) {
        case 'F':
            Jump(shift ? kLongJump_ms : kShortJump_ms);
            return true;
        case 'B':
            Jump(-(shift ? kLongJump_ms : kShortJump_ms));
            return true;
        case VK_HOME:
            GetSequencer().SeekMs(0);
            return true;
        case VK_F3:
            CycleLoopMode();
            return true;
        case VK_OEM_PERIOD:
        case VK_MULTIPLY:
            StepTempo(+1, shift);
            return true;
        case VK_OEM_COMMA:
        case VK_DIVIDE:
            StepTempo(-1, shift);
            return true;
        case VK_OEM_PLUS:
        case VK_ADD:
            StepTranspose(+1, shift);
            return true;
        case VK_OEM_MINUS:
        case VK_SUBTRACT:
            StepTranspose(-1, shift);
            return true;
        default:
            break;
    }
    const int channel = DigitChannel(key, shift);
    if (channel == kNoChannel)
        return false;
    if (ctrl)
        ToggleSolo(channel);
    else
        ToggleMute(channel);
    return true;
}
