// The record of what the sequencer has sent: per channel the program, bank,
// pan, volume, modulation and the sounding notes. Written by the timer
// thread, read by the frame thread without locks (hence relaxed atomics).
#pragma once

#include <atomic>
#include <cstdint>

struct NoteSlot {
    std::atomic<int> on{0};
    std::atomic<std::uint8_t> note{0};  // MIDI key minus 24 (0 to 95)
    std::atomic<std::uint8_t> velocity{0};
};

struct ChannelInfo {
    static constexpr int SLOT_COUNT = 16;

    std::atomic<std::uint8_t> program{0};
    std::atomic<std::uint8_t> pan{64};
    std::atomic<std::uint16_t> bank{0};
    std::atomic<std::uint8_t> volume{127};
    std::atomic<std::uint8_t> modulation{0};
    NoteSlot notes[SLOT_COUNT];

    // The slot at `index` (0 to 15) when it is on; null when off or out of range.
    const NoteSlot* GetNoteSlot(int index) const;
};

class CChannelMonitor {
public:
    static constexpr int CHANNEL_COUNT = 32;

    CChannelMonitor() = default;
    CChannelMonitor(const CChannelMonitor&) = delete;
    CChannelMonitor& operator=(const CChannelMonitor&) = delete;
    virtual ~CChannelMonitor() = default;

    // Every record back to its reset values, every slot off, count 0.
    void Reset();
    // Every record back to its reset values and every slot off; the count stays.
    void ResetChannels();
    // Records one channel message the sequencer sent.
    void Apply(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    // Record `index` (0 to 31), or null for any other index.
    const ChannelInfo* GetChannelInfo(int index) const;
    std::uint32_t GetSendPackets() const { return sendPackets.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint32_t> sendPackets{0};
    ChannelInfo channels[CHANNEL_COUNT];
};

// The one channel monitor, created on first use.
CChannelMonitor& GetChannelMonitor();
