#include "rcpcv/track_converter.h"

#include <algorithm>

#include "rcpcv/sysex_template.h"
#include "rcpcv/track_walker.h"

namespace rcpcv {
namespace {

constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kPolyPressure = 0xA0;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kChannelPressure = 0xD0;
constexpr uint8_t kPitchBend = 0xE0;

constexpr uint8_t kContinuation = 0xF7;
constexpr uint32_t kMaxTempoUs = 0xFFFFFF;

bool IsDataByte(unsigned value) {
    return value <= 0x7F;
}

// Header channel bytes 0x00-0x1F are port A and B channels; anything else is off.
std::optional<uint8_t> DecodeChannel(uint8_t value) {
    if (value < 0x20) {
        return value;
    }
    return std::nullopt;
}

// Commands from F5 on never take time: their step field holds a parameter or junk.
bool TakesTime(uint8_t command) {
    return command < 0xF5 && command != 0x99;
}

}  // namespace

TrackConverter::TrackConverter(const RcpSong& song, const RcpTrack& track, SmfTrack& conductor,
                               bool use_port_meta)
    : song_(song),
      track_(track),
      conductor_(conductor),
      use_port_meta_(use_port_meta),
      channel_(DecodeChannel(track.channel)) {
    if ((track.key_shift & 0x80) == 0) {
        // 7-bit two's complement: 0x40-0x7F are -64..-1.
        int key_shift = track.key_shift >= 0x40 ? track.key_shift - 0x80 : track.key_shift;
        transposition_ = key_shift + song.play_bias;
    }
    for (auto& keys : off_ticks_) {
        keys.fill(-1);
    }
}

uint32_t TrackConverter::OutputTick(uint64_t tick) const {
    // The step shift may move events before the song's start: they are played at its start.
    int64_t shifted = static_cast<int64_t>(tick) + track_.step_shift;
    return static_cast<uint32_t>(std::clamp<int64_t>(shifted, 0, UINT32_MAX));
}

void TrackConverter::Convert(ConversionBudget& budget) {
    auto name = reinterpret_cast<const uint8_t*>(track_.name.data());
    output_.AddMeta(0, kMetaTrackName, {name, track_.name.size()});
    if (use_port_meta_ && channel_) {
        const uint8_t port[] = {static_cast<uint8_t>(*channel_ >> 4)};
        output_.AddMeta(0, kMetaPort, port);
    }
    leading_events_ = output_.EventCount();

    size_t conductor_bytes_at_start = conductor_.EventBytes();
    auto bytes_used = [&] {
        return output_.EventBytes() + (conductor_.EventBytes() - conductor_bytes_at_start);
    };
    TrackWalker walker(track_, song_.layout, budget.records_left);
    if (stop_at_endless_loop_) {
        walker.StopAtEndlessLoop();
    }
    while (tick_ < kMaxTick && bytes_used() < budget.bytes_left) {
        const RcpRecord* record = walker.Next();
        if (stop_at_endless_loop_ && walker.OuterLoopOpened()) {
            outer_loop_start_ = tick_;
        }
        if (record == nullptr) {
            break;
        }
        Perform(*record, walker.LastIndex());
        uint64_t step = TakesTime(record->command) ? record->step : 0;
        // Notes whose gate ends within this step are released before the next event starts.
        ReleaseNotesUntil(tick_ + step);
        tick_ += step;
    }
    if (walker.EndedAtEndlessLoop()) {
        // The player jumps back here: what sounds on is released at the jump.
        ReleaseNotesUntil(UINT64_MAX, tick_);
        endless_loop_ = LoopSpan{OutputTick(outer_loop_start_), OutputTick(tick_)};
    } else {
        // Notes still sounding at the track's end play out their gate.
        ReleaseNotesUntil(UINT64_MAX);
    }
    output_.ExtendEndTo(OutputTick(tick_));
    budget.bytes_left -= std::min(budget.bytes_left, bytes_used());
}

void TrackConverter::Perform(const RcpRecord& record, size_t index) {
    uint8_t command = record.command;
    if (command < 0x80) {
        PlayNote(record);
    } else if (command >= 0x90 && command <= 0x97) {
        UserExclusive(record);
    } else if (command == 0x98) {
        ChannelExclusive(record, index);
    } else if ((command >= 0xC0 && command <= 0xCF) || command == 0xDC) {
        DeviceShortcut(record);
    } else if (command >= 0xDD && command <= 0xDF) {
        RolandParameter(record);
    } else if (command >= 0xD0 && command <= 0xD3) {
        YamahaParameter(record);
    } else if (command == 0xE6) {
        ChangeChannel(record.p1);
    } else if (command == 0xE7) {
        ChangeTempo(record.p1);
    } else if (command == 0xF5) {
        ChangeKey(static_cast<uint8_t>(record.step));
    } else if (command == 0xF6) {
        Comment(record, index);
    } else {
        // Program, control, bend and pressure; everything else (external commands, key scan,
        // stray continuation records, unknown commands) makes no output.
        ChannelMessage(record);
    }
}

void TrackConverter::PlayNote(const RcpRecord& record) {
    uint16_t gate = record.p1;
    uint16_t velocity = record.p2;
    // A gate or velocity of 0 is a rest.
    if (!channel_ || gate == 0 || velocity == 0 || !IsDataByte(velocity)) {
        return;
    }
    int key = record.command + transposition_.value_or(0);
    if (key < 0 || key > 127) {
        return;  // transposed out of range: dropped rather than wrapped
    }
    int64_t& off_tick = off_ticks_[*channel_][key];
    uint64_t new_off = tick_ + gate;
    uint64_t& on_tick = on_ticks_[*channel_][key];
    // A note sounding since before the outermost loop opened is not tied to a note of the loop
    // body but struck again: after the player's jump back nothing sounds on to tie to.
    if (off_tick >= 0 && on_tick < outer_loop_start_) {
        output_.AddChannelMessage(OutputTick(tick_), Status(kNoteOn), static_cast<uint8_t>(key), 0);
        off_tick = -1;
    }
    if (off_tick < 0) {
        output_.AddChannelMessage(OutputTick(tick_), Status(kNoteOn), static_cast<uint8_t>(key),
                                  static_cast<uint8_t>(velocity));
        on_tick = tick_;
    }
    // A key still sounding is tied: its gate is replaced by this note's gate.
    off_tick = static_cast<int64_t>(new_off);
    sounding_.push({new_off, *channel_, static_cast<uint8_t>(key)});
}

void TrackConverter::ReleaseNotesUntil(uint64_t tick, uint64_t latest) {
    while (!sounding_.empty() && sounding_.top().off_tick <= tick) {
        SoundingNote note = sounding_.top();
        sounding_.pop();
        int64_t& off_tick = off_ticks_[note.channel][note.key];
        // Entries left behind by a tie that moved the note's end are stale.
        if (off_tick != static_cast<int64_t>(note.off_tick)) {
            continue;
        }
        off_tick = -1;
        // The note ends on the channel it started on, whatever the track's channel is now.
        output_.AddChannelMessage(OutputTick(std::min(note.off_tick, latest)),
                                  kNoteOn | (note.channel & 0x0F), note.key, 0);
    }
}

void TrackConverter::ChangeChannel(uint16_t value) {
    if (value > 32) {
        return;
    }
    std::optional<uint8_t> previous = channel_;
    channel_ = value == 0 ? std::nullopt : std::optional<uint8_t>(value - 1);
    if (use_port_meta_ && channel_ && (!previous || (*previous >> 4) != (*channel_ >> 4))) {
        const uint8_t port[] = {static_cast<uint8_t>(*channel_ >> 4)};
        output_.AddMeta(OutputTick(tick_), kMetaPort, port);
    }
}

void TrackConverter::ChangeTempo(uint16_t multiplier) {
    if (multiplier == 0) {
        return;
    }
    // The multiplier is relative to the song's initial tempo, 64 meaning 100 %.
    uint64_t tempo_us = 60000000ull * 64 / (uint64_t{song_.tempo_bpm} * multiplier);
    tempo_us = std::clamp<uint64_t>(tempo_us, 1, kMaxTempoUs);
    const uint8_t data[] = {static_cast<uint8_t>(tempo_us >> 16),
                            static_cast<uint8_t>(tempo_us >> 8), static_cast<uint8_t>(tempo_us)};
    conductor_.AddMeta(OutputTick(tick_), kMetaTempo, data);
}

void TrackConverter::ChangeKey(uint8_t key) {
    conductor_.AddMeta(OutputTick(tick_), kMetaKeySignature, KeySignatureData(key));
}

std::vector<uint8_t> TrackConverter::ContinuationData(size_t index) const {
    std::vector<uint8_t> data;
    for (size_t i = index + 1; i < track_.records.size(); ++i) {
        const RcpRecord& next = track_.records[i];
        if (next.command != kContinuation) {
            break;
        }
        data.insert(data.end(), next.data.begin(), next.data.begin() + next.data_length);
    }
    return data;
}

void TrackConverter::Comment(const RcpRecord& record, size_t index) {
    std::vector<uint8_t> text(record.data.begin(), record.data.begin() + record.data_length);
    std::vector<uint8_t> more = ContinuationData(index);
    text.insert(text.end(), more.begin(), more.end());
    std::string trimmed = TrimmedText(text);
    if (!trimmed.empty()) {
        auto bytes = reinterpret_cast<const uint8_t*>(trimmed.data());
        output_.AddMeta(OutputTick(tick_), kMetaText, {bytes, trimmed.size()});
    }
}

void TrackConverter::ChannelExclusive(const RcpRecord& record, size_t index) {
    if (!channel_) {
        return;
    }
    std::vector<uint8_t> pattern = ContinuationData(index);
    auto message = BuildExclusive(pattern, {record.p1, record.p2, *channel_ & 0x0F});
    if (message) {
        output_.AddExclusive(OutputTick(tick_), *message);
    }
}

void TrackConverter::UserExclusive(const RcpRecord& record) {
    if (!channel_) {
        return;
    }
    const std::vector<uint8_t>& pattern = song_.user_exclusive[record.command - 0x90];
    auto message = BuildExclusive(pattern, {record.p1, record.p2, *channel_ & 0x0F});
    if (message) {
        output_.AddExclusive(OutputTick(tick_), *message);
    }
}

void TrackConverter::Exclusive(std::initializer_list<unsigned> bytes) {
    if (!std::all_of(bytes.begin(), bytes.end(), IsDataByte)) {
        return;  // a value that is not a MIDI data byte spoils the whole message
    }
    std::vector<uint8_t> message(bytes.begin(), bytes.end());
    message.push_back(0xF7);
    output_.AddExclusive(OutputTick(tick_), message);
}

void TrackConverter::DeviceShortcut(const RcpRecord& record) {
    if (!channel_) {
        return;
    }
    unsigned n = *channel_ & 0x0F;
    unsigned p1 = record.p1;
    unsigned p2 = record.p2;
    switch (record.command) {
        case 0xC0:  // DX7 function, DX voice and DX performance parameters: 8-bit numbers
        case 0xC1:
        case 0xC2:
            if (p1 <= 0xFF) {
                static constexpr uint8_t kGroup[] = {0x08, 0x00, 0x04};
                Exclusive({0x43, 0x10 | n, kGroup[record.command - 0xC0] + (p1 >> 7), p1 & 0x7F,
                           p2 & 0x7F});
            }
            break;
        case 0xC3:
            Exclusive({0x43, 0x10 | n, 0x11, p1, p2});
            break;
        case 0xC5:  // FB-01 parameter: the data byte goes out as two nibbles
            if (p2 <= 0xFF) {
                Exclusive({0x43, 0x10 | n, 0x15, p1, p2 & 0x0F, p2 >> 4});
            }
            break;
        case 0xC6:
            Exclusive({0x43, 0x75, n, 0x10, p1, p2});
            break;
        case 0xC7:
            Exclusive({0x43, 0x10 | n, 0x12, p1, p2});
            break;
        case 0xC8:
            Exclusive({0x43, 0x10 | n, 0x13, p1, p2});
            break;
        case 0xC9:
            Exclusive({0x43, 0x10 | n, 0x10, p1, p2});
            break;
        case 0xCA:
            Exclusive({0x43, 0x10 | n, 0x10, 0x7B, p1, p2});
            break;
        case 0xCB:
            Exclusive({0x43, 0x10 | n, 0x10, 0x7C, p1, p2});
            break;
        case 0xCC:
            Exclusive({0x43, 0x10 | n, 0x1B, p1, p2});
            break;
        case 0xCD:
            Exclusive({0x43, 0x10 | n, 0x18, p1, p2});
            break;
        case 0xCE:
            Exclusive({0x43, 0x10 | n, 0x19, p1, p2});
            break;
        case 0xCF:
            Exclusive({0x43, 0x10 | n, 0x1A, p1, p2});
            break;
        case 0xDC:  // MKS-7
            Exclusive({0x41, 0x32, n, p1, p2});
            break;
        default:
            break;  // C4 is not defined
    }
}

void TrackConverter::RolandParameter(const RcpRecord& record) {
    if (!IsDataByte(record.p1) || !IsDataByte(record.p2)) {
        return;
    }
    uint8_t p1 = static_cast<uint8_t>(record.p1);
    uint8_t p2 = static_cast<uint8_t>(record.p2);
    if (record.command == 0xDD) {
        roland_base_ = {p1, p2};
    } else if (record.command == 0xDF) {
        roland_device_ = p1;
        roland_model_ = p2;
    } else if (channel_ && roland_base_) {
        // A parameter without a base address would be written to a guessed address: dropped.
        const uint8_t address_and_data[] = {(*roland_base_)[0], (*roland_base_)[1], p1, p2};
        Exclusive({0x41, roland_device_, roland_model_, 0x12, address_and_data[0],
                   address_and_data[1], p1, p2, RolandChecksum(address_and_data)});
    }
}

void TrackConverter::YamahaParameter(const RcpRecord& record) {
    if (!IsDataByte(record.p1) || !IsDataByte(record.p2)) {
        return;
    }
    uint8_t p1 = static_cast<uint8_t>(record.p1);
    uint8_t p2 = static_cast<uint8_t>(record.p2);
    if (record.command == 0xD0) {
        yamaha_base_ = {p1, p2};
    } else if (record.command == 0xD1) {
        yamaha_device_ = p1;
        yamaha_model_ = p2;
    } else if (channel_ && yamaha_base_) {
        auto [high, mid] = *yamaha_base_;
        if (record.command == 0xD2) {
            Exclusive({0x43, yamaha_device_, yamaha_model_, high, mid, p1, p2});
        } else {
            Exclusive({0x43, 0x10, 0x4C, high, mid, p1, p2});  // XG parameter
        }
    }
}

void TrackConverter::ChannelMessage(const RcpRecord& record) {
    if (!channel_) {
        return;
    }
    uint16_t p1 = record.p1;
    uint16_t p2 = record.p2;
    uint32_t tick = OutputTick(tick_);
    auto data = [](uint16_t value) { return static_cast<uint8_t>(value); };
    switch (record.command) {
        case 0xE1:  // bank select LSB, then the program
        case 0xE2:  // bank select MSB, then the program
            if (IsDataByte(p1) && IsDataByte(p2)) {
                output_.AddChannelMessage(tick, Status(kControlChange),
                                          record.command == 0xE1 ? 0x20 : 0x00, data(p2));
                output_.AddChannelMessage(tick, Status(kProgramChange), data(p1));
            }
            break;
        case 0xEA:
            if (IsDataByte(p1)) {
                output_.AddChannelMessage(tick, Status(kChannelPressure), data(p1));
            }
            break;
        case 0xEB:
            if (IsDataByte(p1) && IsDataByte(p2)) {
                output_.AddChannelMessage(tick, Status(kControlChange), data(p1), data(p2));
            }
            break;
        case 0xEC:
            if (IsDataByte(p1)) {
                output_.AddChannelMessage(tick, Status(kProgramChange), data(p1));
            }
            break;
        case 0xED:  // the key of polyphonic pressure is not transposed
            if (IsDataByte(p1) && IsDataByte(p2)) {
                output_.AddChannelMessage(tick, Status(kPolyPressure), data(p1), data(p2));
            }
            break;
        case 0xEE:
            if (IsDataByte(p1) && IsDataByte(p2)) {
                output_.AddChannelMessage(tick, Status(kPitchBend), data(p1), data(p2));
            }
            break;
        default:
            break;
    }
}

}  // namespace rcpcv
