// Turns one sequence track into an SMF track: notes with their gate times, channel messages,
// exclusive messages and comments. Tempo and key changes go to the conductor track.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <queue>
#include <vector>

#include "rcpcv/rcp_song.h"
#include "rcpcv/smf_track.h"

namespace rcpcv {

// What a whole song may cost; tracks draw on it in turn and stop when it is spent.
struct ConversionBudget {
    size_t records_left;  // records walked, loops and repeats included
    size_t bytes_left;    // bytes of SMF events
};

// Where a track's outermost endless loop lies, in output ticks: its body from start to end.
struct LoopSpan {
    uint32_t start;
    uint32_t end;
    bool operator==(const LoopSpan&) const = default;
};

class TrackConverter {
public:
    // Walking stops once a track reaches this tick, so every delta time and every absolute
    // time of the output fits the 28 bits of a variable-length quantity.
    static constexpr uint32_t kMaxTick = 0x0F000000;

    // `use_port_meta`: the song plays on both ports, so tracks name their port.
    TrackConverter(const RcpSong& song, const RcpTrack& track, SmfTrack& conductor,
                   bool use_port_meta);

    // Before Convert: the track ends after the first pass of its outermost endless loop, and
    // notes still sounding there are released there (see EndlessLoop).
    void StopAtEndlessLoop() { stop_at_endless_loop_ = true; }
    void Convert(ConversionBudget& budget);
    // The body of the loop the track stopped at; nothing when it did not stop at one.
    std::optional<LoopSpan> EndlessLoop() const { return endless_loop_; }

    // The converted track, and whether it holds anything besides its name and port.
    SmfTrack& Output() { return output_; }
    bool HasContent() const { return output_.EventCount() > leading_events_; }

private:
    struct SoundingNote {
        uint64_t off_tick;
        uint8_t channel;  // port and channel, 0-31
        uint8_t key;
        bool operator>(const SoundingNote& other) const { return off_tick > other.off_tick; }
    };

    void Perform(const RcpRecord& record, size_t index);
    void PlayNote(const RcpRecord& record);
    // Releases the notes whose gate ends by `tick`, none later than `latest`.
    void ReleaseNotesUntil(uint64_t tick, uint64_t latest = UINT64_MAX);
    void ChangeChannel(uint16_t value);
    void ChangeTempo(uint16_t multiplier);
    void ChangeKey(uint8_t key);
    void Comment(const RcpRecord& record, size_t index);
    void ChannelExclusive(const RcpRecord& record, size_t index);
    void UserExclusive(const RcpRecord& record);
    void DeviceShortcut(const RcpRecord& record);
    void RolandParameter(const RcpRecord& record);
    void YamahaParameter(const RcpRecord& record);
    void ChannelMessage(const RcpRecord& record);
    void Exclusive(std::initializer_list<unsigned> bytes);
    // The data bytes of the continuation records that follow record `index`.
    std::vector<uint8_t> ContinuationData(size_t index) const;
    uint32_t OutputTick(uint64_t tick) const;
    uint8_t Status(uint8_t kind) const { return kind | (*channel_ & 0x0F); }

    const RcpSong& song_;
    const RcpTrack& track_;
    SmfTrack& conductor_;
    SmfTrack output_;
    size_t leading_events_ = 0;
    bool use_port_meta_;

    bool stop_at_endless_loop_ = false;
    uint64_t outer_loop_start_ = 0;
    std::optional<LoopSpan> endless_loop_;

    uint64_t tick_ = 0;
    std::optional<uint8_t> channel_;    // port and channel, 0-31; nothing when off
    std::optional<int> transposition_;  // nothing: notes are not transposed at all
    std::array<std::array<int64_t, 128>, 32> off_ticks_;    // -1 where the key is silent
    std::array<std::array<uint64_t, 128>, 32> on_ticks_{};  // when the sounding note was struck
    std::priority_queue<SoundingNote, std::vector<SoundingNote>, std::greater<>> sounding_;

    // Per-track state of the Roland and Yamaha parameter shortcuts.
    uint8_t roland_device_ = 0x10;
    uint8_t roland_model_ = 0x16;
    std::optional<std::array<uint8_t, 2>> roland_base_;
    uint8_t yamaha_device_ = 0x10;
    uint8_t yamaha_model_ = 0x4C;
    std::optional<std::array<uint8_t, 2>> yamaha_base_;
};

}  // namespace rcpcv
