#include "midi/chase_state.h"

#include <algorithm>

#include "midi/synth_sysex.h"

namespace {

constexpr std::uint8_t kBankMsb = 0;
constexpr std::uint8_t kBankLsb = 32;
constexpr std::uint8_t kDataMsb = 6;
constexpr std::uint8_t kDataLsb = 38;
constexpr std::uint8_t kNrpnLsb = 98;
constexpr std::uint8_t kNrpnMsb = 99;
constexpr std::uint8_t kRpnLsb = 100;
constexpr std::uint8_t kRpnMsb = 101;
constexpr std::uint8_t kResetControllers = 121;

// Controllers that leave no state of their own to chase or that are chased
// with something else: bank (with the program), data entry and increments
// and the parameter numbers (with the parameters), sound and notes off.
bool IsChasedController(std::uint8_t number) {
    switch (number) {
        case kBankMsb:
        case kBankLsb:
        case kDataMsb:
        case kDataLsb:
        case 96:
        case 97:
        case kNrpnLsb:
        case kNrpnMsb:
        case kRpnLsb:
        case kRpnMsb:
        case 120:
        case 123:
            return false;
        default:
            return true;
    }
}

}  // namespace

void CChaseState::Clear() {
    for (Channel& channel : channels) {
        channel = Channel{};
        std::fill(std::begin(channel.controller), std::end(channel.controller), kUnset);
    }
    sysex.clear();
    counter = 0;
}

void CChaseState::ApplyShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    Channel& channel = channels[status & 0x0F];
    ++counter;
    switch (status & 0xF0) {
        case 0xB0:
            if (data1 == kRpnMsb || data1 == kRpnLsb || data1 == kNrpnMsb || data1 == kNrpnLsb) {
                channel.nrpn_selected = data1 == kNrpnMsb || data1 == kNrpnLsb;
                std::uint8_t* number = channel.nrpn_selected ? channel.nrpn : channel.rpn;
                number[data1 == kRpnLsb || data1 == kNrpnLsb ? 1 : 0] = data2;
                channel.selection_order = static_cast<int>(counter);
            } else if (data1 == kDataMsb || data1 == kDataLsb) {
                EnterData(channel, data1 == kDataLsb, data2);
            } else if (data1 < 128) {
                channel.controller[data1] = data2;
                channel.order[data1] = counter;
                // Bend and pressure go back to rest; the controllers it resets
                // are set again after it in the song's order anyway.
                if (data1 == kResetControllers)
                    channel.bend_lsb = channel.bend_msb = channel.pressure = kUnset;
            }
            break;
        case 0xC0:
            channel.program = data1;
            channel.bank_msb_at_program = channel.controller[kBankMsb];
            channel.bank_lsb_at_program = channel.controller[kBankLsb];
            break;
        case 0xD0:
            channel.pressure = data1;
            break;
        case 0xE0:
            channel.bend_lsb = data1;
            channel.bend_msb = data2;
            break;
        default:
            break;  // notes and key pressure
    }
}

void CChaseState::EnterData(Channel& channel, bool lsb, std::uint8_t value) {
    const std::uint8_t* number = channel.nrpn_selected ? channel.nrpn : channel.rpn;
    // Data entry with the null parameter selected goes nowhere.
    if (number[0] == 0x7F && number[1] == 0x7F)
        return;
    auto found =
        std::find_if(channel.parameters.begin(), channel.parameters.end(), [&](const Parameter& p) {
            return p.nrpn == channel.nrpn_selected && p.msb == number[0] && p.lsb == number[1];
        });
    if (found == channel.parameters.end()) {
        channel.parameters.push_back(
            Parameter{channel.nrpn_selected, number[0], number[1], kUnset, kUnset, 0});
        found = channel.parameters.end() - 1;
    }
    (lsb ? found->data_lsb : found->data_msb) = value;
    found->order = counter;
}

void CChaseState::ApplyLong(const std::uint8_t* message, std::size_t length) {
    // A reset undoes everything before it, so the chase starts from it.
    if (IsSynthReset(message, length)) {
        Clear();
    }
    sysex.emplace_back(message, message + length);
}

void CChaseState::Emit(const ShortSender& send_short, const LongSender& send_long) const {
    for (const auto& message : sysex)
        send_long(message);
    for (int index = 0; index < kChannels; ++index)
        EmitChannel(index, send_short);
}

void CChaseState::EmitChannel(int index, const ShortSender& send_short) const {
    const Channel& channel = channels[index];
    const auto control = static_cast<std::uint8_t>(0xB0 | index);
    auto send_control = [&](std::uint8_t number, int value) {
        if (value != kUnset)
            send_short(control, number, static_cast<std::uint8_t>(value));
    };

    // The program with the bank it was chosen from, then a bank selected after it.
    send_control(kBankMsb, channel.bank_msb_at_program);
    send_control(kBankLsb, channel.bank_lsb_at_program);
    if (channel.program != kUnset)
        send_short(static_cast<std::uint8_t>(0xC0 | index),
                   static_cast<std::uint8_t>(channel.program), 0);
    if (channel.controller[kBankMsb] != channel.bank_msb_at_program)
        send_control(kBankMsb, channel.controller[kBankMsb]);
    if (channel.controller[kBankLsb] != channel.bank_lsb_at_program)
        send_control(kBankLsb, channel.controller[kBankLsb]);

    // Controllers and parameters in the order of their last setting: a
    // reset of the controllers then falls where the song had it.
    struct Item {
        std::uint32_t order;
        int controller;  // or, below 0, the parameter -1 - index
    };
    std::vector<Item> items;
    for (int number = 0; number < 128; ++number)
        if (IsChasedController(static_cast<std::uint8_t>(number)) &&
            channel.controller[number] != kUnset)
            items.push_back({channel.order[number], number});
    std::uint32_t last_parameter = 0;
    for (std::size_t i = 0; i < channel.parameters.size(); ++i) {
        items.push_back({channel.parameters[i].order, -1 - static_cast<int>(i)});
        last_parameter = std::max(last_parameter, channel.parameters[i].order);
    }
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.order < b.order; });
    auto select = [&](bool nrpn, std::uint8_t msb, std::uint8_t lsb) {
        send_control(nrpn ? kNrpnMsb : kRpnMsb, msb);
        send_control(nrpn ? kNrpnLsb : kRpnLsb, lsb);
    };
    for (const Item& item : items) {
        if (item.controller >= 0) {
            send_control(static_cast<std::uint8_t>(item.controller),
                         channel.controller[item.controller]);
            continue;
        }
        const Parameter& p = channel.parameters[static_cast<std::size_t>(-1 - item.controller)];
        select(p.nrpn, p.msb, p.lsb);
        send_control(kDataMsb, p.data_msb);
        send_control(kDataLsb, p.data_lsb);
    }
    // The selection the song left, unless the last parameter sent made it already.
    if (channel.selection_order != kUnset &&
        static_cast<std::uint32_t>(channel.selection_order) > last_parameter) {
        const std::uint8_t* number = channel.nrpn_selected ? channel.nrpn : channel.rpn;
        select(channel.nrpn_selected, number[0], number[1]);
    }

    if (channel.bend_msb != kUnset)
        send_short(static_cast<std::uint8_t>(0xE0 | index),
                   static_cast<std::uint8_t>(channel.bend_lsb),
                   static_cast<std::uint8_t>(channel.bend_msb));
    if (channel.pressure != kUnset)
        send_short(static_cast<std::uint8_t>(0xD0 | index),
                   static_cast<std::uint8_t>(channel.pressure), 0);
}
