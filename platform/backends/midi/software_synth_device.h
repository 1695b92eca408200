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
#include "platform/backends/midi/synth_loader.h"
#include "platform/synth_config.h"

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

    // Takes a new configuration: a new stack or sample rate loads in the
    // background (the sound in use plays on meanwhile), the other settings
    // apply at once.
    void Reconfigure(const SynthConfig& config);
    // Starts loading the configured sound when there is none yet.
    void Prepare();
    SynthSoundState SoundState() const;

private:
    enum class EventKind { kShort, kSysEx, kReset, kGain };
    struct Event {
        std::uint64_t due_ns = 0;
        EventKind kind = EventKind::kShort;
        std::array<std::uint8_t, 3> bytes{};
        std::vector<std::uint8_t> sysex;
        float gain = 0;
    };

    bool OpenLocked();
    void CloseLocked();
    void RequestSound(const SynthConfig& config);
    // Takes a finished build into use (on the loader's thread).
    void Adopt(SynthBuild build);
    void DropStaleNotes();
    fluid_synth_t* Synth() const { return instance_ ? instance_->Synth() : nullptr; }
    bool OpenAudio();
    void Queue(Event event);
    static void AudioCallback(void* self, Uint8* stream, int length_bytes);
    void Render(float* samples, int frames);
    void ApplyDue(std::uint64_t until_ns);
    void ApplyEvent(const Event& event);
    void RenderClosing(int block);

    // Open, Close and a sound taken into use from the loader, one at a time.
    std::recursive_mutex device_lock_;
    // The synth in use; the audio thread holds the lock while it renders, so
    // a new one is swapped in between two callbacks.
    std::mutex instance_lock_;
    std::unique_ptr<SynthInstance> instance_;
    // What the program was told of the sound (guarded by state_lock_).
    mutable std::mutex state_lock_;
    SynthSoundState sound_state_;
    SynthConfig requested_;
    bool requested_any_ = false;
    std::atomic<bool> sound_pending_{false};  // a sound is being loaded
    std::atomic<std::uint32_t> volume_{0xFFFFFFFF};
    std::atomic<double> full_gain_{0.6};

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

    // Last: its thread calls Adopt, so it ends before anything else goes.
    SynthLoader loader_{[this](SynthBuild build) { Adopt(std::move(build)); }};
};

// The program's one software synth (device 0).
SoftwareSynthDevice& TheSoftwareSynth();
// Sets the stored configuration's SoundFonts and sample rate back to those of
// the sound in use, after a new one failed (nothing is reloaded).
void RevertSynthSound(const SynthConfig& in_use);

}  // namespace platform::winmm
