// A song's render: the software synth offline, installed as the only MIDI-out
// device, its stream written block by block to an audio file.

#include "platform/audio_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <vector>

#include "platform/backends/audio/audio_file_writer.h"
#include "platform/backends/midi/software_synth_device.h"
#include "platform/backends/midi/synth_factory.h"

namespace platform {
namespace {

constexpr int kBlock = winmm::SoftwareSynthDevice::kBlockFrames;
// Blocks rendered and written at a time.
constexpr int kChunkBlocks = 64;
// Below this the tail is silence (about -90 dB).
constexpr float kSilence = 3e-5f;

bool EndsWith(const std::string& text, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

class SynthRender final : public AudioRender {
public:
    ~SynthRender() override {
        winmm::UseOnlyDevice(nullptr);
        Abandon();
    }

    bool Start(const std::string& path, AudioFileType type, std::uint64_t origin_us,
               SynthConfig synth, std::vector<std::string>& left_out, std::string& error) {
        synth.sample_rate = AudioFileWriter::SampleRateFor(type, winmm::SynthSampleRate(synth));
        if (!synth_.UseOffline(synth, origin_us * 1000u, left_out) || !synth_.Open()) {
            error = "the software synth cannot start (no usable SoundFont)";
            return false;
        }
        sample_rate_ = synth_.SampleRate();
        if (!file_.Open(path, type, sample_rate_, error))
            return false;
        winmm::UseOnlyDevice(&synth_);
        buffer_.resize(2 * kBlock * kChunkBlocks);
        return true;
    }

    bool RenderUntil(std::uint64_t clock_us, std::uint64_t sent_within_us) override {
        // A block may be rendered once every period that can send a message
        // due before its middle has run.
        const std::uint64_t block_ns = static_cast<std::uint64_t>(kBlock) * 1'000'000'000u /
                                       static_cast<std::uint64_t>(sample_rate_);
        const std::uint64_t wait_ns = sent_within_us * 1000u + block_ns / 2;
        const std::uint64_t limit_ns = clock_us * 1000u;
        while (limit_ns >= wait_ns) {
            const std::uint64_t start_ns = synth_.StreamTimeNanos();
            if (start_ns > limit_ns - wait_ns)
                break;
            const auto ready = static_cast<int>(std::min<std::uint64_t>(
                kChunkBlocks, (limit_ns - wait_ns - start_ns) / block_ns + 1));
            synth_.RenderOffline(buffer_.data(), ready * kBlock);
            if (!Flush(ready))
                return false;
        }
        return true;
    }

    bool RenderTail(double max_seconds) override {
        const auto max_blocks = static_cast<long>(max_seconds * sample_rate_ / kBlock);
        for (long done = 0; done < max_blocks; done += kChunkBlocks) {
            synth_.RenderOffline(buffer_.data(), kChunkBlocks * kBlock);
            const bool quiet = std::all_of(buffer_.begin(), buffer_.end(), [](float sample) {
                return std::fabs(sample) < kSilence;
            });
            if (!Flush(kChunkBlocks))
                return false;
            if (quiet && synth_.ActiveVoices() == 0)
                break;
        }
        return true;
    }

    bool Commit() override {
        winmm::UseOnlyDevice(nullptr);
        return file_.Commit(error_);
    }

    void Abandon() override { file_.Abandon(); }

    double SecondsRendered() const override {
        return static_cast<double>(frames_written_) / sample_rate_;
    }

    const std::string& Error() const override { return error_; }

private:
    bool Flush(int blocks) {
        if (blocks == 0)
            return true;
        if (!file_.Write(buffer_.data(), blocks * kBlock, error_))
            return false;
        frames_written_ += static_cast<std::uint64_t>(blocks) * kBlock;
        return true;
    }

    winmm::SoftwareSynthDevice synth_;
    AudioFileWriter file_;
    std::vector<float> buffer_;
    int sample_rate_ = 0;
    std::uint64_t frames_written_ = 0;
    std::string error_;
};

}  // namespace

std::optional<AudioFileType> AudioFileTypeOf(const std::string& path) {
    if (EndsWith(path, ".wav"))
        return AudioFileType::kWav;
    if (EndsWith(path, ".flac"))
        return AudioFileType::kFlac;
    if (EndsWith(path, ".ogg"))
        return AudioFileType::kOgg;
    if (EndsWith(path, ".opus"))
        return AudioFileType::kOpus;
    return std::nullopt;
}

bool AudioFileTypeWritable(AudioFileType type) {
    return AudioFileWriter::Writable(type);
}

std::unique_ptr<AudioRender> AudioRender::Begin(const std::string& path, AudioFileType type,
                                                std::uint64_t origin_us, const SynthConfig& synth,
                                                std::vector<std::string>& left_out,
                                                std::string& error) {
    auto render = std::make_unique<SynthRender>();
    if (!render->Start(path, type, origin_us, synth, left_out, error))
        return nullptr;
    return render;
}

}  // namespace platform
