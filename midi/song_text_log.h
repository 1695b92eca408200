// The text events of a song (FF 01 text, FF 03 track name, FF 05 lyric) in
// the order the silent run at load sends them, each with the millisecond of
// the run it went out in: its song time at normal tempo, as the player counts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SongTextEvent {
    std::uint32_t time_ms;
    std::uint16_t track;
    std::uint8_t type;     // 0x01, 0x03 or 0x05
    std::uint32_t offset;  // of its bytes in the log
    std::uint32_t length;
};

class CSongTextLog {
public:
    static constexpr std::uint8_t kText = 0x01;
    static constexpr std::uint8_t kTrackName = 0x03;
    static constexpr std::uint8_t kLyric = 0x05;

    // The meta-event types the log keeps.
    static bool Keeps(std::uint8_t type) {
        return type == kText || type == kTrackName || type == kLyric;
    }

    // The millisecond the events added next were sent in.
    void SetTime(std::uint64_t ms) {
        time_ms_ = ms > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(ms);
    }
    void Add(int track, std::uint8_t type, const std::uint8_t* bytes, std::uint32_t length) {
        events_.push_back({time_ms_, static_cast<std::uint16_t>(track), type,
                           static_cast<std::uint32_t>(bytes_.size()), length});
        bytes_.append(reinterpret_cast<const char*>(bytes), length);
    }

    const std::vector<SongTextEvent>& Events() const { return events_; }
    std::string_view Text(const SongTextEvent& event) const {
        return std::string_view(bytes_).substr(event.offset, event.length);
    }

private:
    std::uint32_t time_ms_ = 0;
    std::vector<SongTextEvent> events_;
    std::string bytes_;
};
