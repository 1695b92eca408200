// One track chunk of a loaded song and the byte-level reading the event
// dispatch uses while playing.
#pragma once

#include <cstdint>
#include <memory>

// What CMidiTrack throws (by value).
enum EXCEPTION_MIDITRACK {
    // A read at or past the end of the track's data.
    EXCEPTION_MIDITRACK_END_OF_DATA = 2,
};

class CMidiTrack {
public:
    // Where reading stands: enough to come back to the same event later.
    struct Cursor {
        std::uint64_t pos = 0;
        std::uint32_t time = 0;
        std::uint8_t running_status = 0;
        int active = 0;
    };

    CMidiTrack() = default;
    CMidiTrack(const CMidiTrack&) = delete;
    CMidiTrack& operator=(const CMidiTrack&) = delete;
    virtual ~CMidiTrack() = default;

    // Copies `length` bytes and marks the track active; Rewind before reading.
    void SetData(const std::uint8_t* source, std::uint32_t length);
    // Back to the first event: time 0, no running status, first delta read.
    // Throws EXCEPTION_MIDITRACK when the data end before that delta does.
    void Rewind();

    // The current byte; at the end of the data the track turns inactive and
    // EXCEPTION_MIDITRACK_END_OF_DATA is thrown.
    std::uint8_t Peek();
    std::uint8_t ReadByte();
    // A variable-length quantity (7 bits a byte, high bit = more follow).
    std::uint32_t ReadVarLen();
    // Moves the read position on; the next Peek catches a position past the end.
    void Skip(std::uint32_t count);
    void AddTime(std::uint32_t ticks) { time += ticks; }

    std::uint32_t GetTime() const { return time; }
    bool IsActive() const { return active != 0; }
    void SetActive(bool is_active) { active = is_active ? 1 : 0; }
    std::uint32_t GetLength() const { return length; }
    std::uint8_t GetRunningStatus() const { return runningStatus; }
    void SetRunningStatus(std::uint8_t status) { runningStatus = status; }
    bool HasData() const { return data != nullptr; }
    Cursor GetCursor() const { return {pos, time, runningStatus, active}; }
    void SetCursor(const Cursor& cursor) {
        pos = cursor.pos;
        time = cursor.time;
        runningStatus = cursor.running_status;
        active = cursor.active;
    }
    // The next `count` bytes from the read position, without moving it;
    // null when fewer remain.
    const std::uint8_t* Look(std::uint32_t count) const {
        return data && count <= Remaining() ? data.get() + pos : nullptr;
    }
    // Bytes from the read position to the end of the data (0 when past it).
    std::uint32_t Remaining() const {
        return pos < length ? length - static_cast<std::uint32_t>(pos) : 0;
    }

private:
    int active = 0;
    std::uint32_t time = 0;
    std::uint32_t length = 0;
    std::uint8_t runningStatus = 0;
    std::unique_ptr<std::uint8_t[]> data;
    // An offset rather than a pointer, so that a Skip past the end never
    // forms a pointer outside the data.
    std::uint64_t pos = 0;
};
