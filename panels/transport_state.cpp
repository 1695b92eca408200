#include "panels/transport_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "midi/sequencer.h"

namespace {

constexpr int kChannels = 16;
constexpr int kNormalTempoPercent = 100;

// Appends words to the lines, starting a new line where a word would not fit.
class LineFiller {
public:
    explicit LineFiller(TransportLines& lines) : lines_(lines) {}

    void StartLine() {
        if (used_ > 0 || line_ < 0) {
            ++line_;
            used_ = 0;
        }
    }
    void Word(const char* word) {
        const int length = static_cast<int>(std::strlen(word));
        const int needed = used_ > 0 ? length + 1 : length;
        if (line_ < 0 || used_ + needed > TransportLines::kWidth) {
            ++line_;
            used_ = 0;
        }
        if (line_ >= TransportLines::kCount)
            return;
        char* text = lines_.text[line_];
        if (used_ > 0)
            text[used_++] = ' ';
        std::memcpy(text + used_, word, static_cast<size_t>(length) + 1);
        used_ += length;
    }

private:
    TransportLines& lines_;
    int line_ = -1;
    int used_ = 0;
};

// The loop line: the mode, or where a song with a loop is in it.
void FormatLoop(const LoopSettings& loop, const LoopProgress& progress, char* word,
                std::size_t size) {
    const bool forever = loop.mode == LoopMode::kForever;
    if (!progress.active) {
        if (forever)
            std::snprintf(word, size, "LOOP FOREVER");
        else
            std::snprintf(word, size, "LOOP %d", loop.count);
    } else if (progress.pass <= 0) {
        std::snprintf(word, size, "LOOP INTRO");
    } else if (forever) {
        // Five digits last a day even of short loops.
        std::snprintf(word, size, "LOOP FOREVER %d", std::min(progress.pass, 99999));
    } else if (progress.pass > progress.passes) {
        std::snprintf(word, size, "LOOP FADE");
    } else {
        std::snprintf(word, size, "LOOP %d/%d", progress.pass, progress.passes);
    }
}

}  // namespace

TransportState ReadTransportState() {
    const CSequencer& sequencer = GetSequencer();
    TransportState state;
    state.tempo_percent = sequencer.GetTempoPercent();
    state.transpose = sequencer.GetTranspose();
    state.solo_channel = sequencer.GetSoloChannel();
    for (int channel = 0; channel < kChannels; ++channel)
        if (sequencer.IsChannelMuted(channel))
            state.muted = static_cast<std::uint16_t>(state.muted | 1u << channel);
    state.loop = sequencer.GetLoopSettings();
    state.loop_progress = sequencer.GetLoopProgress();
    return state;
}

void FormatTransportState(const TransportState& state, TransportLines& lines) {
    lines = TransportLines{};
    LineFiller filler(lines);
    char word[TransportLines::kWidth + 1];
    if (state.tempo_percent != kNormalTempoPercent) {
        std::snprintf(word, sizeof word, "TEMPO %d%%", state.tempo_percent);
        filler.StartLine();
        filler.Word(word);
    }
    if (state.transpose != 0) {
        std::snprintf(word, sizeof word, "KEY %+d", state.transpose);
        filler.StartLine();
        filler.Word(word);
    }
    if (state.solo_channel >= 0 && state.solo_channel < kChannels) {
        std::snprintf(word, sizeof word, "SOLO CH %d", state.solo_channel + 1);
        filler.StartLine();
        filler.Word(word);
    }
    if (state.muted != 0) {
        filler.StartLine();
        filler.Word("MUTE");
        for (int channel = 0; channel < kChannels; ++channel) {
            if (state.muted & 1u << channel) {
                std::snprintf(word, sizeof word, "%d", channel + 1);
                filler.Word(word);
            }
        }
    }
    if (state.loop.mode != LoopMode::kOff) {
        FormatLoop(state.loop, state.loop_progress, word, sizeof word);
        filler.StartLine();
        filler.Word(word);
    }
}
