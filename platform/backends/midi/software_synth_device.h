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

namespace platform::winmm {

class SoftwareSynthDevice final : public MidiOutDevice {
public:
    SoftwareSynthDevice() = default;
    ~SoftwareSynthDevice() override;
    std::string Name() const override { return "SOFTWARE SYNTH"; }
    bool HasOwnVolume() const override { return true; }
    MidiDeviceKind Kind() const override { return MidiDeviceKind::kSoftwareSynth; }
    bool Open() override;
    void Close() override;
    void Reset() override;
    void SendShort(const std::uint8_t* bytes, std::size_t count) override;
    void SendLong(const std::uint8_t* bytes, std::size_t count) override;
    void SetVolume(std::uint32_t volume) override;

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
    void ApplyDue(std::uint64_t until_ns);
    void ApplyEvent(const Event& event);
    void RenderClosing(int block);

    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings_{
        nullptr, &delete_fluid_settings};
    std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)> synth_{nullptr,
                                                                         &delete_fluid_synth};
    SDL_AudioDeviceID audio_ = 0;
    bool audio_subsystem_ = false;
    int sample_rate_ = 44100;
    std::uint64_t latency_ns_ = 0;

    std::mutex queue_lock_;
    std::deque<Event> queue_;
    std::vector<Event> due_;  // used by the audio thread only

    // Silencing without clicks. Close asks the audio thread to let the notes
    // release and fade out, and waits until the output is quiet.
    std::atomic<bool> closing_{false};
    std::atomic<bool> quiet_{false};
    // Used by the audio thread only (and by Close once the audio has stopped).
    OutputFade fade_{1};
    int release_left_ = -1;  // frames the notes may still release while closing
};

}  // namespace platform::winmm
