// Builds sequence files byte by byte for the converter's tests and benchmark.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace rcpcv_test {

class RcpFileBuilder {
public:
    // `extended`: the newer layout with 6-byte records.
    explicit RcpFileBuilder(bool extended = false) : extended_(extended) {
        header_.assign(extended ? 0xC98 : 0x586, 0);
        if (extended) {
            Put(0, "COME ON MUSIC RECOMPOSER RCP3.0");
            std::memset(&header_[0x20], ' ', 0x80 + 12 * 30);
            SetU16(0x208, 36);
            SetU16(0x20A, 48);
            SetU16(0x20C, 120);
            header_[0x20E] = 4;
            header_[0x20F] = 4;
            for (int n = 0; n < 8; ++n) {
                std::memset(&header_[0xB18 + n * 48], ' ', 24);
                std::memset(&header_[0xB18 + n * 48 + 24], 0xF7, 24);
            }
        } else {
            Put(0, "RCM-PC98V2.0(C)COMPOSER 1.00\r\n");
            std::memset(&header_[0x20], ' ', 64 + 336);
            std::memset(&header_[0x1B0], 0x40, 16);
            header_[0x1C0] = 48;
            header_[0x1C1] = 120;
            header_[0x1C2] = 4;
            header_[0x1C3] = 4;
            header_[0x1E6] = 18;
            for (int n = 0; n < 8; ++n) {
                std::memset(&header_[0x406 + n * 48], ' ', 24);
                std::memset(&header_[0x406 + n * 48 + 24], 0xF7, 24);
            }
        }
    }

    RcpFileBuilder& Title(const std::string& title) {
        Put(0x20, title);
        return *this;
    }
    RcpFileBuilder& Timebase(uint16_t ticks) {
        if (extended_) {
            SetU16(0x20A, ticks);
        } else {
            header_[0x1C0] = ticks & 0xFF;
            header_[0x1E7] = ticks >> 8;
        }
        return *this;
    }
    RcpFileBuilder& Tempo(uint16_t bpm) {
        extended_ ? SetU16(0x20C, bpm) : void(header_[0x1C1] = static_cast<uint8_t>(bpm));
        return *this;
    }
    RcpFileBuilder& Byte(size_t offset, uint8_t value) {
        header_[offset] = value;
        return *this;
    }
    RcpFileBuilder& PlayBias(int8_t bias) { return Byte(extended_ ? 0x211 : 0x1C5, bias); }
    RcpFileBuilder& Key(uint8_t key) { return Byte(extended_ ? 0x210 : 0x1C4, key); }
    RcpFileBuilder& UserExclusive(int n, const std::vector<uint8_t>& pattern) {
        size_t at = (extended_ ? 0xB18 : 0x406) + n * 48 + 24;
        std::memcpy(&header_[at], pattern.data(), pattern.size());
        return *this;
    }

    struct Track {
        uint8_t channel = 0;
        uint8_t key_shift = 0;
        uint8_t step_shift = 0;
        uint8_t mode = 0;
        std::string name = "TRACK";
        std::vector<std::vector<uint8_t>> records;  // 4 or 6 bytes each, as in the file
    };
    RcpFileBuilder& AddTrack(const Track& track) {
        tracks_.push_back(track);
        return *this;
    }

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> file = header_;
        for (const Track& track : tracks_) {
            size_t header_size = extended_ ? 46 : 44;
            size_t record_size = extended_ ? 6 : 4;
            size_t size = header_size + track.records.size() * record_size;
            std::vector<uint8_t> block(header_size, 0);
            size_t fields = extended_ ? 6 : 4;
            for (size_t i = 0; i < (extended_ ? 4u : 2u); ++i) {
                block[i] = static_cast<uint8_t>(size >> (8 * i));
            }
            block[fields - 2] = 1;
            block[fields] = track.channel;
            block[fields + 1] = track.key_shift;
            block[fields + 2] = track.step_shift;
            block[fields + 3] = track.mode;
            std::memset(&block[fields + 4], ' ', 36);
            std::memcpy(&block[fields + 4], track.name.data(),
                        std::min<size_t>(36, track.name.size()));
            for (const auto& record : track.records) {
                std::vector<uint8_t> padded = record;
                padded.resize(record_size, 0);
                block.insert(block.end(), padded.begin(), padded.end());
            }
            file.insert(file.end(), block.begin(), block.end());
        }
        return file;
    }

private:
    void Put(size_t offset, const std::string& text) {
        std::memcpy(&header_[offset], text.data(), text.size());
    }
    void SetU16(size_t offset, uint16_t value) {
        header_[offset] = value & 0xFF;
        header_[offset + 1] = value >> 8;
    }

    bool extended_;
    std::vector<uint8_t> header_;
    std::vector<Track> tracks_;
};

// A song of the newer layout with 36 tracks, one of them on channel 1
// playing C D E F, a measure end (its step of 1 ignored), G A B C, each note
// 48 steps apart and sounding for 36; the other tracks hold only their end.
inline std::vector<uint8_t> SixByteScaleSong() {
    RcpFileBuilder builder(true);
    builder.Title("Test song");
    RcpFileBuilder::Track scale;
    for (const uint8_t key : {0x3C, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47, 0x48}) {
        scale.records.push_back({key, 0x64, 48, 0, 36, 0});
        if (key == 0x41)
            scale.records.push_back({0xFD, 0, 1, 0, 0, 0});
    }
    scale.records.push_back({0xFE, 0, 0, 0, 0, 0});
    builder.AddTrack(scale);
    RcpFileBuilder::Track silent;
    silent.records = {{0xFE, 0, 0, 0, 0, 0}};
    for (int n = 1; n < 36; ++n)
        builder.AddTrack(silent);
    return builder.Build();
}

}  // namespace rcpcv_test
