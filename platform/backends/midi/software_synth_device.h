// Device 0: the built-in software synthesizer (FluidSynth with a General
// MIDI SoundFont), heard through SDL2 audio.
#pragma once

#include <SDL.h>
#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backends/midi/midi_out_device.h"
#include "platform/backends/midi/output_fade.h"
#include "platform/backends/midi/stream_clock.h"

namespace platform::winmm {

class SoftwareSynthDevice final : public MidiOutDevice {
public:
    SoftwareSynthDevice() = default;
    ~SoftwareSynthDevice() override;
    std::string Name() const override { return "SOFTWARE SYNTH"; }
    MidiDeviceKind Kind() const override { return MidiDeviceKind::kSoftwareSynth; }
    bool Open() override;
    void Close() override;
    void Reset() override;
    void SendShort(const std::uint8_t* bytes, std::size_t count) override;
    void SendLong(const std::uint8_t* bytes, std::size_t count) override;
    void SetVolume(std::uint32_t volume) override;

    // Offline rendering: from now on Open loads the synth at `sample_rate`
    // without an audio output, and RenderOffline renders the stream, whose
    // frame 0 lies at `origin_ns` on the clock messages are stamped with.
    void UseOffline(int sample_rate, std::uint64_t origin_ns);
    // Renders `frames` (a whole number of blocks) of interleaved stereo.
    void RenderOffline(float* samples, int frames);
    // The time on the message clock where the next rendered frame lies.
    std::uint64_t StreamTimeNanos() const { return clock_.FrameTime(0); }
    int ActiveVoices() const;
    // The synth's rendering block, the grain of every message's time.
    static constexpr int kBlockFrames = 64;

    // The SoundFont the synth would use: NIVRA_SOUNDFONT when set (even when
    // that file is missing), else the first Debian General MIDI SoundFont found.
    static std::string FindSoundFont();

private:
    enum class EventKind { kShort, kSysEx, kReset, kGain };
    struct Event {
        std::uint64_t due_ns = 0;
        EventKind kind = EventKind::kShort;
        std::array<std::uint8_t, 3> bytes{};
        std::vector<std::uint8_t> sysex;
        float gain = 0;
    };

    bool CreateSynth(const std::string& soundfont);
    bool OpenAudio();
    void Queue(Event event);
    static void AudioCallback(void* self, Uint8* stream, int length_bytes);
    void Render(float* samples, int frames);
    // Applies the messages due before the block at `offset` of the buffer.
    void ApplyDue(int offset);
    void ApplyAll();
    // Whether a queued message belongs before the block at `offset`.
    bool DueBefore(int offset);
    void Apply(bool everything, int offset);
    void ApplyEvent(const Event& event);
    void RenderClosing(int block);

    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings_{
        nullptr, &delete_fluid_settings};
    std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)> synth_{nullptr,
                                                                         &delete_fluid_synth};
    SDL_AudioDeviceID audio_ = 0;
    bool audio_subsystem_ = false;
    int sample_rate_ = 44100;
    // Every message sounds this long after it fell due in the song: time for
    // it to reach the queue before the buffer it belongs in is rendered.
    std::uint64_t latency_ns_ = 0;
    bool offline_ = false;

    std::mutex queue_lock_;
    std::deque<Event> queue_;
    // Used by the audio thread only.
    std::vector<Event> due_;
    StreamClock clock_;

    // Silencing without clicks. Close asks the audio thread to let the notes
    // release and fade out, and waits until the output is quiet.
    std::atomic<bool> closing_{false};
    std::atomic<bool> quiet_{false};
    // Used by the audio thread only (and by Close once the audio has stopped).
    OutputFade fade_{1};
    int release_left_ = -1;  // frames the notes may still release while closing
};

}  // namespace platform::winmm
