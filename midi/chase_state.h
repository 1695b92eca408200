// What a song has set up by a position: per channel the bank and program,
// every controller's last value, the RPN/NRPN parameters with their data
// entry, pitch bend and channel pressure, and the system-exclusive messages
// since the last synthesizer reset. Filled by a silent run of the song to the
// position, then sent in one go, so a jump sounds as a play to it would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class CChaseState {
public:
    using ShortSender = std::function<void(std::uint8_t, std::uint8_t, std::uint8_t)>;
    using LongSender = std::function<void(const std::vector<std::uint8_t>&)>;

    CChaseState() { Clear(); }

    // As after a synthesizer reset: nothing set.
    void Clear();
    // One channel message of the song (notes leave no state).
    void ApplyShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // One system-exclusive message of the song, from its F0.
    void ApplyLong(const std::uint8_t* message, std::size_t length);

    // The messages that recreate the state: the system-exclusive messages in
    // the song's order, then channel by channel the bank and program, the
    // controllers and parameters in the order the song last set them, pitch
    // bend and channel pressure.
    void Emit(const ShortSender& send_short, const LongSender& send_long) const;

private:
    static constexpr int kChannels = 16;
    static constexpr int kUnset = -1;

    // One RPN or NRPN with the data entered for it.
    struct Parameter {
        bool nrpn = false;
        std::uint8_t msb = 0;
        std::uint8_t lsb = 0;
        int data_msb = kUnset;
        int data_lsb = kUnset;
        std::uint32_t order = 0;
    };
    struct Channel {
        int controller[128];
        std::uint32_t order[128];
        int bank_msb_at_program = kUnset;
        int bank_lsb_at_program = kUnset;
        int program = kUnset;
        int bend_lsb = kUnset;
        int bend_msb = kUnset;
        int pressure = kUnset;
        // The parameter data entry goes to: RPN or NRPN and its number.
        bool nrpn_selected = false;
        int selection_order = kUnset;
        std::uint8_t rpn[2] = {0x7F, 0x7F};
        std::uint8_t nrpn[2] = {0x7F, 0x7F};
        std::vector<Parameter> parameters;
    };

    void EnterData(Channel& channel, bool lsb, std::uint8_t value);
    void EmitChannel(int index, const ShortSender& send_short) const;

    Channel channels[kChannels];
    std::vector<std::vector<std::uint8_t>> sysex;
    std::uint32_t counter = 0;
};
