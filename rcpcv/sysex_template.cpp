#include "rcpcv/sysex_template.h"

namespace rcpcv {
namespace {

constexpr uint8_t kValue1 = 0x80;
constexpr uint8_t kValue2 = 0x81;
constexpr uint8_t kChannel = 0x82;
constexpr uint8_t kChecksumStart = 0x83;
constexpr uint8_t kChecksum = 0x84;
constexpr uint8_t kEnd = 0xF7;

uint8_t ChecksumOfSum(unsigned sum) {
    return (0x80 - (sum & 0x7F)) & 0x7F;
}

}  // namespace

uint8_t RolandChecksum(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (uint8_t byte : bytes) {
        sum += byte;
    }
    return ChecksumOfSum(sum);
}

std::optional<std::vector<uint8_t>> BuildExclusive(std::span<const uint8_t> pattern,
                                                   const TemplateValues& values) {
    std::vector<uint8_t> message;
    message.reserve(pattern.size() + 1);
    unsigned sum = 0;
    auto put = [&](unsigned byte) -> bool {
        if (byte > 0x7F) {
            return false;
        }
        message.push_back(static_cast<uint8_t>(byte));
        sum += byte;
        return true;
    };
    for (uint8_t byte : pattern) {
        if (byte == kEnd) {
            break;
        }
        bool ok = true;
        switch (byte) {
            case kValue1:
                ok = put(values.p1);
                break;
            case kValue2:
                ok = put(values.p2);
                break;
            case kChannel:
                ok = values.channel.has_value() && put(*values.channel);
                break;
            case kChecksumStart:
                sum = 0;
                break;
            case kChecksum:
                put(ChecksumOfSum(sum));
                break;
            default:
                // Literal data; bytes 0x85-0xF6 mean nothing in a template and are skipped.
                if (byte <= 0x7F) {
                    put(byte);
                }
                break;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    if (message.empty()) {
        return std::nullopt;
    }
    message.push_back(kEnd);
    return message;
}

}  // namespace rcpcv
