#include "platform/backends/midi/software_synth_device.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/report.h"
#include "platform/winmm.h"
#include "platform/winmm/multimedia_clock.h"
#include "platform/winmm/real_time_priority.h"

namespace platform::winmm {
namespace {

constexpr const char* kArea = "MIDI:synth";

constexpr int kRequestedFrames = 256;
// Beyond one buffer, how late a message may reach the queue and still be
// heard at its time: the timer's period and its wake-up.
constexpr std::uint64_t kSendMarginNs = 3'000'000;
// Above the MIDI timer's level: a late buffer is a gap in the sound, while a
// message sent late still reaches the queue before its time is rendered.
constexpr int kAudioRealTimeLevel = 15;
constexpr int kFadeMs = 5;         // the fade before voices are cut
constexpr int kReleaseMs = 100;    // how long notes may release when the output closes
constexpr int kCloseWaitMs = 400;  // the longest Close waits for the quiet output
constexpr int kStaleNoteMs = 50;   // notes older than this when the first sound comes are dropped

// A PulseAudio or PipeWire sound server keeps only what SDL asks for ahead
// of what is playing: one buffer, under 6 ms, which a busy machine runs dry
// (a gap in the sound, and everything after it heard later), and asks for
// more every few milliseconds. The synth asks for 40 ms unless the user chose
// their own: no gaps, and a sixth of the wake-ups. Set before main, while
// the process has one thread: setenv is not safe beside getenv on another.
[[maybe_unused]] const bool sound_server_latency_set = setenv("PULSE_LATENCY_MSEC", "40", 0) == 0;

std::atomic<std::uint64_t> stat_frames{0};
std::atomic<std::uint64_t> stat_note_ons{0};
std::atomic<std::uint64_t> stat_events{0};
std::atomic<float> stat_peak{0};
std::atomic<int> stat_voices{0};

bool AnyFileExists(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            return true;
    }
    return false;
}

// What decides which SoundFonts are loaded and how fast they play.
bool SameSound(const SynthConfig& a, const SynthConfig& b) {
    return SoundFontStack(a) == SoundFontStack(b) && SynthSampleRate(a) == SynthSampleRate(b);
}

}  // namespace

SoftwareSynthDevice::~SoftwareSynthDevice() {
    loader_.Stop();
    Close();
    instance_.reset();
    if (audio_subsystem_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SoftwareSynthDevice::RequestSound(const SynthConfig& config) {
    bool replacing = false;
    {
        std::lock_guard<std::mutex> guard(state_lock_);
        requested_ = config;
        requested_any_ = true;
        sound_state_.loading = true;
        replacing = sound_state_.generation > 0;
    }
    sound_pending_.store(true);
    // The first sound is ready at once, so the first song starts sooner. One
    // that replaces another has no hurry (the old one plays on), and the
    // song's state sent to it at once must not read samples mid-song.
    loader_.Request(config, replacing ? SampleLoading::kAllAtLoad : SampleLoading::kOnFirstUse);
}

void SoftwareSynthDevice::Prepare() {
    std::lock_guard<std::recursive_mutex> device_guard(device_lock_);
    std::lock_guard<std::mutex> guard(state_lock_);
    if (instance_ || requested_any_)
        return;
    const SynthConfig config = GetSynthConfig();
    if (!AnyFileExists(SoundFontStack(config)))
        return;
    LearnOutputRate();
    requested_ = config;
    requested_any_ = true;
    sound_state_.loading = true;
    sound_pending_.store(true);
    // The first sound: ready at once, so the first song starts sooner.
    loader_.Request(config, SampleLoading::kOnFirstUse);
}

void SoftwareSynthDevice::Reconfigure(const SynthConfig& config) {
    bool reload = false;
    {
        std::lock_guard<std::mutex> guard(state_lock_);
        reload = requested_any_ && !SameSound(requested_, config);
    }
    if (reload)
        RequestSound(config);
    full_gain_.store(FullGain(config));
    {
        std::lock_guard<std::mutex> guard(instance_lock_);
        if (instance_)
            ApplySoundSettings(instance_->Synth(), config);
    }
    SetVolume(volume_.load());
}

void SoftwareSynthDevice::DropStaleNotes() {
    // A song that played on while the first sound loaded left its notes
    // waiting; struck all at once they would be a burst of noise. Its
    // programs, controllers and note-offs still count.
    const std::uint64_t stale_ns = MonotonicNanos() - kStaleNoteMs * 1'000'000u;
    std::lock_guard<std::mutex> guard(queue_lock_);
    std::erase_if(queue_, [stale_ns](const Event& event) {
        return event.kind == EventKind::kShort && (event.bytes[0] & 0xF0) == 0x90 &&
               event.bytes[2] != 0 && event.due_ns < stale_ns;
    });
}

SynthSoundState SoftwareSynthDevice::SoundState() const {
    std::lock_guard<std::mutex> guard(state_lock_);
    return sound_state_;
}

void SoftwareSynthDevice::Adopt(SynthBuild build) {
    std::lock_guard<std::recursive_mutex> device_guard(device_lock_);
    for (const std::string& problem : build.problems)
        Report(kArea, "cannot load SoundFont %s", problem.c_str());
    // A SoundFont that fails keeps the sound as it was; the first sound
    // takes whatever loaded.
    const bool keep_old = instance_ && !build.problems.empty();
    const bool adopt = build.instance && !keep_old;
    std::unique_ptr<SynthInstance> retired;
    if (adopt) {
        const bool reopen = audio_ != 0 && build.instance->SampleRate() != sample_rate_;
        if (reopen)
            CloseLocked();
        ApplySoundSettings(build.instance->Synth(), GetSynthConfig());
        {
            std::lock_guard<std::mutex> guard(instance_lock_);
            if (!instance_)
                DropStaleNotes();
            retired = std::move(instance_);
            instance_ = std::move(build.instance);
        }
        if (reopen)
            OpenLocked();
        SetVolume(volume_.load());
    } else if (!instance_) {
        // No sound at all: what waited for it will never be heard.
        std::lock_guard<std::mutex> guard(queue_lock_);
        queue_.clear();
    } else {
        // The configuration goes back to the sound that stays.
        RevertSynthSound(instance_->Config());
    }
    {
        std::lock_guard<std::mutex> guard(state_lock_);
        if (!build.problems.empty()) {
            sound_state_.failures += static_cast<std::uint32_t>(build.problems.size());
            sound_state_.last_failure = build.problems.back();
        }
        if (adopt) {
            ++sound_state_.generation;
            sound_state_.loaded = instance_->Loaded();
            sound_state_.chosen = instance_->Chosen();
        }
        if (instance_)
            requested_ = instance_->Config();
        sound_state_.loading = false;
    }
    sound_pending_.store(false);
    // The old synth (with its samples) is freed here, away from the audio.
    retired.reset();
}

void SoftwareSynthDevice::LearnOutputRate() {
    // Where the audio driver tells the default output's rate (a sound server
    // does; SDL's dummy driver does not), the synth renders at that rate
    // unless told otherwise: what it renders is then played as it is, and a
    // sound server asks for it in a steady rhythm that keeps the stream
    // clock exact.
    if (output_rate_learned_)
        return;
    output_rate_learned_ = true;
    if (!audio_subsystem_ && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        audio_subsystem_ = true;
    SDL_AudioSpec output{};
    if (audio_subsystem_ && SDL_GetDefaultAudioInfo(nullptr, &output, 0) == 0)
        UseOutputSampleRate(output.freq);
}

bool SoftwareSynthDevice::OpenAudio() {
    SDL_AudioSpec want{};
    want.freq = sample_rate_;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kRequestedFrames;
    want.callback = &SoftwareSynthDevice::AudioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // The audio thread asks for real-time scheduling where the system grants
    // it: a late buffer on a busy machine is a gap in the sound and shifts
    // everything after it.
    SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
    for (int attempt = 0; attempt < 2 && audio_ == 0; ++attempt) {
        if (!audio_subsystem_) {
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
                audio_subsystem_ = true;
        }
        if (audio_subsystem_)
            audio_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (audio_ != 0 || attempt == 1)
            break;
        // No sound output here: render into SDL's dummy driver instead, so
        // songs still play and the monitors move. Never the disk driver.
        if (audio_subsystem_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audio_subsystem_ = false;
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    }
    if (audio_ == 0) {
        Report(kArea, "no audio output (%s)", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver != nullptr && std::strcmp(driver, "dummy") == 0) {
        static std::atomic<bool> said{false};
        ReportOnce(said, kArea, "no audio output; the synth renders into SDL's dummy driver");
    }
    // One buffer and a margin of latency: every message is heard that long
    // after it fell due in the song, which gives it time to reach the queue
    // before its buffer is rendered, so it keeps its time to half a block.
    const int frames = have.samples > 0 ? have.samples : kRequestedFrames;
    latency_ns_ = static_cast<std::uint64_t>(frames) * 1'000'000'000u /
                      static_cast<std::uint64_t>(have.freq) +
                  kSendMarginNs;
    clock_.Restart(have.freq);
    SDL_PauseAudioDevice(audio_, 0);
    return true;
}

bool SoftwareSynthDevice::Open() {
    std::lock_guard<std::recursive_mutex> guard(device_lock_);
    return OpenLocked();
}

bool SoftwareSynthDevice::OpenLocked() {
    if (audio_ != 0)
        return true;
    if (!instance_) {
        // The sound loads in the background; the device opens at once and
        // what it is sent waits until the sound is there.
        const SynthConfig config = GetSynthConfig();
        if (!AnyFileExists(SoundFontStack(config))) {
            static std::atomic<bool> said{false};
            ReportOnce(said, kArea,
                       "no General MIDI SoundFont (set NIVRA_SOUNDFONT or install "
                       "timgm6mb-soundfont)");
            return false;
        }
        Prepare();
    }
    {
        std::lock_guard<std::mutex> guard(queue_lock_);
        queue_.clear();
    }
    sample_rate_ = instance_ ? instance_->SampleRate() : SynthSampleRate(GetSynthConfig());
    fade_ = OutputFade(sample_rate_ * kFadeMs / 1000);
    release_left_ = -1;
    closing_.store(false);
    quiet_.store(false);
    return offline_ || OpenAudio();
}

bool SoftwareSynthDevice::UseOffline(const SynthConfig& config, std::uint64_t origin_ns,
                                     std::vector<std::string>& problems) {
    // Every sample is read now: a render has no audio thread to keep on time,
    // and the background loader would take the sound away mid-render.
    SynthBuild build = CreateSynth(config, SampleLoading::kAllAtLoad, SynthCaller::kOfflineRender);
    problems = std::move(build.problems);
    if (!build.instance)
        return false;
    std::lock_guard<std::recursive_mutex> device_guard(device_lock_);
    offline_ = true;
    sample_rate_ = build.instance->SampleRate();
    full_gain_.store(FullGain(config));
    latency_ns_ = 0;
    clock_.Restart(sample_rate_);
    clock_.StartExact(origin_ns);
    std::lock_guard<std::mutex> guard(instance_lock_);
    instance_ = std::move(build.instance);
    return true;
}

void SoftwareSynthDevice::RenderOffline(float* samples, int frames) {
    for (int done = 0; done < frames;) {
        ApplyDue(0);
        const int run = FramesToNextEdge(0, frames - done);
        float* out = samples + 2 * done;
        fluid_synth_write_float(Synth(), run, out, 0, 2, out, 1, 2);
        clock_.AdvanceExact(run);
        done += run;
    }
}

int SoftwareSynthDevice::FramesToNextEdge(int offset, int frames_left) {
    // The blocks up to the next message's edge go in one call: the synth
    // renders them alike, and each call costs.
    int run = kBlockFrames;
    while (run < frames_left && !DueBefore(offset + run))
        run += kBlockFrames;
    return std::min(run, frames_left);
}

bool SoftwareSynthDevice::DueBefore(int offset) {
    std::lock_guard<std::mutex> guard(queue_lock_);
    return std::any_of(queue_.begin(), queue_.end(), [&](const Event& event) {
        return clock_.DueBeforeBlock(event.due_ns, offset, kBlockFrames);
    });
}

int SoftwareSynthDevice::ActiveVoices() const {
    fluid_synth_t* synth = Synth();
    return synth != nullptr ? fluid_synth_get_active_voice_count(synth) : 0;
}

void SoftwareSynthDevice::Close() {
    std::lock_guard<std::recursive_mutex> guard(device_lock_);
    CloseLocked();
}

void SoftwareSynthDevice::CloseLocked() {
    if (offline_) {
        std::lock_guard<std::mutex> guard(queue_lock_);
        queue_.clear();
        return;
    }
    if (audio_ == 0)
        return;
    // Stopping the output mid-note would click: let the callback apply the
    // pending note-offs, give the notes a moment to release and fade the rest.
    closing_.store(true);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kCloseWaitMs);
    while (!quiet_.load() && SDL_GetAudioDeviceStatus(audio_) == SDL_AUDIO_PLAYING &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SDL_CloseAudioDevice(audio_);  // returns after the callback has finished
    audio_ = 0;
    closing_.store(false);
    quiet_.store(false);
    fade_.Clear();
    release_left_ = -1;
    {
        std::lock_guard<std::mutex> guard(queue_lock_);
        queue_.clear();
    }
    std::lock_guard<std::mutex> guard(instance_lock_);
    if (instance_)
        fluid_synth_system_reset(instance_->Synth());
}

void SoftwareSynthDevice::Queue(Event event) {
    event.due_ns = MessageTimeNanos() + latency_ns_;
    std::lock_guard<std::mutex> guard(queue_lock_);
    queue_.push_back(std::move(event));
}

void SoftwareSynthDevice::Reset() {
    Event event;
    event.kind = EventKind::kReset;
    Queue(std::move(event));
}

void SoftwareSynthDevice::SendShort(const std::uint8_t* bytes, std::size_t count) {
    Event event;
    std::copy_n(bytes, std::min<std::size_t>(count, 3), event.bytes.begin());
    Queue(std::move(event));
}

void SoftwareSynthDevice::SendLong(const std::uint8_t* bytes, std::size_t count) {
    // The synth takes the message without its F0 and F7.
    if (count < 2 || bytes[0] != 0xF0 || bytes[count - 1] != 0xF7)
        return;
    Event event;
    event.kind = EventKind::kSysEx;
    event.sysex.assign(bytes + 1, bytes + count - 1);
    Queue(std::move(event));
}

void SoftwareSynthDevice::SetVolume(std::uint32_t volume) {
    volume_.store(volume);
    Event event;
    event.kind = EventKind::kGain;
    event.gain = static_cast<float>(full_gain_.load() * (volume & 0xFFFF) / 65535.0);
    Queue(std::move(event));
}

void SoftwareSynthDevice::RaiseAudioThreadPriority() {
    // SDL asks for real-time scheduling only through a desktop service
    // (RTKit), which many systems lack. Where the kernel grants it, the audio
    // thread takes it itself: a buffer late under load is a gap in the sound,
    // and everything after the gap is heard that much later.
    thread_local bool asked = false;
    if (asked)
        return;
    asked = true;
    if (RequestRealTimeScheduling(kAudioRealTimeLevel) != 0) {
        static std::atomic<bool> said{false};
        ReportOnce(said, kArea, "the audio thread runs at normal priority");
    }
}

void SoftwareSynthDevice::AudioCallback(void* self, Uint8* stream, int length_bytes) {
    auto* device = static_cast<SoftwareSynthDevice*>(self);
    device->Render(reinterpret_cast<float*>(stream),
                   length_bytes / static_cast<int>(2 * sizeof(float)));
}

void SoftwareSynthDevice::Render(float* samples, int frames) {
    RaiseAudioThreadPriority();
    clock_.OnLiveBuffer(MonotonicNanos(), frames);
    std::lock_guard<std::mutex> guard(instance_lock_);
    if (!instance_) {
        // The sound is still loading: silence, and what was sent waits for
        // it. With no sound coming (it failed), what falls due is dropped.
        std::fill_n(samples, 2 * frames, 0.0f);
        if (closing_.load(std::memory_order_relaxed))
            quiet_.store(true);
        if (!sound_pending_.load(std::memory_order_relaxed)) {
            std::lock_guard<std::mutex> queue_guard(queue_lock_);
            const std::uint64_t now_ns = MonotonicNanos();
            while (!queue_.empty() && queue_.front().due_ns <= now_ns)
                queue_.pop_front();
        }
        return;
    }
    float peak = 0;
    for (int done = 0; done < frames;) {
        int block = std::min(kBlockFrames, frames - done);
        if (closing_.load(std::memory_order_relaxed)) {
            RenderClosing(block);
        } else {
            ApplyDue(done);
            block = FramesToNextEdge(done, frames - done);
        }
        float* out = samples + 2 * done;
        fluid_synth_write_float(Synth(), block, out, 0, 2, out, 1, 2);
        fade_.Apply(out, block);  // runs only while closing
        if (fade_.Silent())
            quiet_.store(true);
        for (int i = 0; i < 2 * block; ++i)
            peak = std::max(peak, std::fabs(out[i]));
        done += block;
    }
    stat_frames.fetch_add(static_cast<std::uint64_t>(frames), std::memory_order_relaxed);
    stat_voices.store(fluid_synth_get_active_voice_count(Synth()), std::memory_order_relaxed);
    if (peak > stat_peak.load(std::memory_order_relaxed))
        stat_peak.store(peak, std::memory_order_relaxed);
}

void SoftwareSynthDevice::RenderClosing(int block) {
    // Everything already sent is applied at once (the reset's note-offs
    // among it); the notes then release until they end or time runs out.
    ApplyAll();
    if (release_left_ < 0)
        release_left_ = sample_rate_ * kReleaseMs / 1000;
    if (fluid_synth_get_active_voice_count(Synth()) == 0 || release_left_ == 0)
        fade_.Start();
    release_left_ = std::max(0, release_left_ - block);
}

void SoftwareSynthDevice::ApplyDue(int offset) {
    Apply(false, offset);
}

void SoftwareSynthDevice::ApplyAll() {
    Apply(true, 0);
}

void SoftwareSynthDevice::Apply(bool everything, int offset) {
    due_.clear();
    {
        std::lock_guard<std::mutex> guard(queue_lock_);
        // Messages of one period reach the queue track by track, so one due
        // later may stand before one due sooner: take every due message,
        // keeping the order they were sent in.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < queue_.size(); ++i) {
            Event& event = queue_[i];
            if (everything || clock_.DueBeforeBlock(event.due_ns, offset, kBlockFrames))
                due_.push_back(std::move(event));
            else if (kept++ != i)
                queue_[kept - 1] = std::move(event);
        }
        queue_.resize(kept);
    }
    for (const Event& event : due_)
        ApplyEvent(event);
}

void SoftwareSynthDevice::ApplyEvent(const Event& event) {
    fluid_synth_t* synth = Synth();
    stat_events.fetch_add(1, std::memory_order_relaxed);
    switch (event.kind) {
        case EventKind::kReset:
            for (int channel = 0; channel < 16; ++channel) {
                fluid_synth_cc(synth, channel, 64, 0);
                fluid_synth_all_notes_off(synth, channel);
            }
            return;
        case EventKind::kGain:
            fluid_synth_set_gain(synth, event.gain);
            return;
        case EventKind::kSysEx:
            fluid_synth_sysex(synth, reinterpret_cast<const char*>(event.sysex.data()),
                              static_cast<int>(event.sysex.size()), nullptr, nullptr, nullptr, 0);
            return;
        case EventKind::kShort:
            break;
    }
    const int status = event.bytes[0];
    const int channel = status & 0x0F;
    const int data1 = event.bytes[1] & 0x7F;
    const int data2 = event.bytes[2] & 0x7F;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, data1);
            break;
        case 0x90:
            if (data2 != 0)
                stat_note_ons.fetch_add(1, std::memory_order_relaxed);
            fluid_synth_noteon(synth, channel, data1, data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth, channel, data1, data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth, channel, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
            break;
        default:
            break;  // system common and real-time messages mean nothing to the synth
    }
}

}  // namespace platform::winmm

namespace platform {

SoftwareSynthStats GetSoftwareSynthStats() {
    using namespace winmm;
    return SoftwareSynthStats{
        stat_frames.load(std::memory_order_relaxed), stat_events.load(std::memory_order_relaxed),
        stat_note_ons.load(std::memory_order_relaxed), stat_voices.load(std::memory_order_relaxed),
        stat_peak.load(std::memory_order_relaxed)};
}

}  // namespace platform
