// A SoundFont small enough to write in a test: one preset at a chosen bank
// and program, named as the test says, playing one short sine sample.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace support {

class TinySoundFont {
public:
    // The file's bytes; `sample_end` past the sample data makes a hostile one.
    static std::string Bytes(const std::string& preset_name, int bank = 0, int program = 0,
                             std::uint32_t sample_end = kSamplePoints) {
        std::string samples;
        for (std::uint32_t i = 0; i < kSamplePoints + 46; ++i) {
            const double wave = i < kSamplePoints ? std::sin(i * 2 * M_PI / 100) : 0;
            Put16(samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(wave * 12000)));
        }
        std::string info = Chunk("ifil", Le16(2) + Le16(1)) + Chunk("isng", Text("EMU8000", 8)) +
                           Chunk("INAM", Text(preset_name, 16));
        std::string phdr = Text(preset_name, 20) + Le16(program) + Le16(bank) + Le16(0) +
                           std::string(12, '\0') + Text("EOP", 20) + std::string(4, '\0') +
                           Le16(1) + std::string(12, '\0');
        std::string bags = Le16(0) + Le16(0) + Le16(1) + Le16(0);
        std::string mods(10, '\0');
        std::string preset_gens = Le16(41) + Le16(0) + std::string(4, '\0');  // instrument 0
        std::string inst = Text("TINY", 20) + Le16(0) + Text("EOI", 20) + Le16(1);
        std::string inst_gens = Le16(53) + Le16(0) + std::string(4, '\0');  // sample 0
        std::string shdr = Text("SINE", 20) + Le32(0) + Le32(sample_end) + Le32(8) +
                           Le32(kSamplePoints - 8) + Le32(44100) + std::string(1, '\x3C') +
                           std::string(1, '\0') + Le16(0) + Le16(1) + Text("EOS", 46);
        std::string pdta = Chunk("phdr", phdr) + Chunk("pbag", bags) + Chunk("pmod", mods) +
                           Chunk("pgen", preset_gens) + Chunk("inst", inst) + Chunk("ibag", bags) +
                           Chunk("imod", mods) + Chunk("igen", inst_gens) + Chunk("shdr", shdr);
        std::string body =
            "sfbk" + List("INFO", info) + List("sdta", Chunk("smpl", samples)) + List("pdta", pdta);
        return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
    }

    static constexpr std::uint32_t kSamplePoints = 400;

private:
    static void Put16(std::string& out, std::uint16_t value) {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    }
    static std::string Le16(int value) {
        std::string out;
        Put16(out, static_cast<std::uint16_t>(value));
        return out;
    }
    static std::string Le32(std::uint32_t value) {
        return Le16(static_cast<int>(value & 0xFFFF)) + Le16(static_cast<int>(value >> 16));
    }
    static std::string Text(const std::string& text, std::size_t size) {
        std::string out = text.substr(0, size - 1);
        out.resize(size, '\0');
        return out;
    }
    static std::string Chunk(const char* id, const std::string& data) {
        return id + Le32(static_cast<std::uint32_t>(data.size())) + data;
    }
    static std::string List(const char* type, const std::string& data) {
        return Chunk("LIST", type + data);
    }
};

}  // namespace support
