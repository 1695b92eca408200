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

    // Offline rendering: makes the synth for `config` now, every sample read
    // at load, without an audio output and without the background loader;
    // Open then opens no output, and RenderOffline renders the stream, whose
    // frame 0 lies at `origin_ns` on the clock messages are stamped with.
    // `problems` gets "NAME: why" for each SoundFont left out; false when none
    // loaded.
    bool UseOffline(const SynthConfig& config, std::uint64_t origin_ns,
                    std::vector<std::string>& problems);
    // Renders `frames` (a whole number of blocks) of interleaved stereo.
    void RenderOffline(float* samples, int frames);
    // The time on the message clock where the next rendered frame lies.
    std::uint64_t StreamTimeNanos() const { return clock_.FrameTime(0); }
    int SampleRate() const { return sample_rate_; }
    int ActiveVoices() const;
    // The synth's rendering block, the grain of every message's time.
    static constexpr int kBlockFrames = 64;

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
    static void RaiseAudioThreadPriority();
    void LearnOutputRate();
    // Applies the messages due before the block at `offset` of the buffer.
    void ApplyDue(int offset);
    void ApplyAll();
    // Frames from `offset` of the buffer to the edge of the first block a
    // message is due before (whole blocks, at most `frames_left`).
    int FramesToNextEdge(int offset, int frames_left);
    // Whether a queued message belongs before the block at `offset`.
    bool DueBefore(int offset);
    void Apply(bool everything, int offset);
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
    bool output_rate_learned_ = false;
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

    // Last: its thread calls Adopt, so it ends before anything else goes.
    SynthLoader loader_{[this](SynthBuild build) { Adopt(std::move(build)); }};
};

// The program's one software synth (device 0).
SoftwareSynthDevice& TheSoftwareSynth();
// Sets the stored configuration's SoundFonts and sample rate back to those of
// the sound in use, after a new one failed (nothing is reloaded).
void RevertSynthSound(const SynthConfig& in_use);

}  // namespace platform::winmm
