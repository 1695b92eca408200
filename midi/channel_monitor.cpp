#include "midi/channel_monitor.h"

#include "midi/relaxed_order.h"

namespace {
constexpr int kLowestKey = 24;
constexpr int kHighestKey = 119;
}  // namespace

const NoteSlot* ChannelInfo::GetNoteSlot(int index) const {
    if (index < 0 || index >= SLOT_COUNT)
        return nullptr;
    return notes[index].on.load(kRelaxed) ? &notes[index] : nullptr;
}

void CChannelMonitor::Reset() {
    sendPackets.store(0, kRelaxed);
    ResetChannels();
}

void CChannelMonitor::ResetChannels() {
    for (ChannelInfo& info : channels) {
        info.program.store(0, kRelaxed);
        info.pan.store(64, kRelaxed);
        info.bank.store(0, kRelaxed);
        info.volume.store(127, kRelaxed);
        info.modulation.store(0, kRelaxed);
        for (NoteSlot& slot : info.notes)
            slot.on.store(0, kRelaxed);
    }
}

void CChannelMonitor::Apply(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    ChannelInfo& info = channels[status & 0x0F];
    sendPackets.fetch_add(1, kRelaxed);
    const int kind = status & 0xF0;
    const bool note_on = kind == 0x90 && data2 != 0;
    const bool note_off = kind == 0x80 || (kind == 0x90 && data2 == 0);
    if (note_on || note_off) {
        if (data1 < kLowestKey || data1 > kHighestKey)
            return;
        const std::uint8_t note = static_cast<std::uint8_t>(data1 - kLowestKey);
        // A key never occupies two slots: a repeated note-on moves it.
        for (NoteSlot& slot : info.notes)
            if (slot.on.load(kRelaxed) && slot.note.load(kRelaxed) == note)
                slot.on.store(0, kRelaxed);
        if (note_off)
            return;
        for (NoteSlot& slot : info.notes) {
            if (slot.on.load(kRelaxed))
                continue;
            slot.note.store(note, kRelaxed);
            slot.velocity.store(data2, kRelaxed);
            slot.on.store(1, kRelaxed);
            return;
        }
        return;  // all slots taken: sent but not recorded
    }
    if (kind == 0xB0) {
        switch (data1) {
            case 0:
                info.bank.store(
                    static_cast<std::uint16_t>((data2 << 7) | (info.bank.load(kRelaxed) & 0x7F)),
                    kRelaxed);
                break;
            case 32:
                info.bank.store(
                    static_cast<std::uint16_t>((info.bank.load(kRelaxed) & 0x3F80) | data2),
                    kRelaxed);
                break;
            case 7:
                info.volume.store(data2, kRelaxed);
                break;
            case 10:
                info.pan.store(data2, kRelaxed);
                break;
            case 1:
                info.modulation.store(data2, kRelaxed);
                break;
            default:
                break;
        }
    } else if (kind == 0xC0) {
        info.program.store(data1, kRelaxed);
    }
}

const ChannelInfo* CChannelMonitor::GetChannelInfo(int index) const {
    if (index < 0 || index >= CHANNEL_COUNT)
        return nullptr;
    return &channels[index];
}

CChannelMonitor& GetChannelMonitor() {
    static CChannelMonitor monitor;
    return monitor;
}
