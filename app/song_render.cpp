#include "app/song_render.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "midi/sequencer.h"
#include "platform/audio_render.h"
#include "platform/files.h"
#include "platform/winmm.h"

namespace {

// Periods fired between two renders of the stream: enough to keep each step
// cheap, few enough that the queue of sent messages stays short.
constexpr unsigned kPeriodsPerStep = 20;
constexpr std::uint64_t kPeriodUs = 1000;
// The release tail after the song's last event, at most.
constexpr double kTailSeconds = 5.0;
// A song whose events never end (a loop forever, a stuck track) stops here.
constexpr std::uint64_t kMaxSongMs = 6ull * 60 * 60 * 1000;

volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

// SIGINT and SIGTERM end the render at the next step, so the partial file
// can be removed; the previous handlers come back afterwards.
class InterruptGuard {
public:
    InterruptGuard() {
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &old_int_);
        sigaction(SIGTERM, &action, &old_term_);
    }
    ~InterruptGuard() {
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGTERM, &old_term_, nullptr);
    }

private:
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// One song's progress: a line rewritten in place on a terminal.
class Progress {
public:
    explicit Progress(std::string name)
        : name_(std::move(name)), tty_(isatty(STDERR_FILENO) != 0) {}

    void Update(std::uint32_t played_ms, std::int64_t length_ms, double seconds_rendered) {
        if (!tty_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - shown_ < std::chrono::milliseconds(200))
            return;
        shown_ = now;
        const int percent =
            length_ms > 0
                ? static_cast<int>(std::min<std::int64_t>(100, played_ms * 100 / length_ms))
                : 0;
        std::fprintf(stderr, "\r%s: %3d%% (%.0fx)\033[K", name_.c_str(), percent,
                     seconds_rendered / Elapsed());
    }

    void Done(const std::string& target, double seconds_rendered) {
        std::fprintf(stderr, "%s%s: %s (%.1f s of sound, %.0fx)\n", tty_ ? "\r\033[K" : "",
                     name_.c_str(), target.c_str(), seconds_rendered, seconds_rendered / Elapsed());
    }

    void LeftOut(const std::string& problem) {
        std::fprintf(stderr, "%snivra: %s: SoundFont left out: %s\n", tty_ ? "\r\033[K" : "",
                     name_.c_str(), problem.c_str());
    }

    void Failed(const std::string& why) {
        std::fprintf(stderr, "%snivra: %s: %s\n", tty_ ? "\r\033[K" : "", name_.c_str(),
                     why.c_str());
    }

private:
    double Elapsed() const {
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start_;
        return std::max(taken.count(), 1e-3);
    }

    std::string name_;
    bool tty_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown_{};
};

// Plays the loaded song into the render until it ends, then its tail.
// Empty when the song rendered; else why not.
std::string PlayInto(CSequencer& sequencer, platform::AudioRender& render, Progress& progress) {
    const std::uint32_t ends = sequencer.GetEndCount();
    sequencer.Play();
    if (!sequencer.IsPlaying())
        return "the song could not start";
    for (std::uint64_t played = 0; sequencer.GetEndCount() == ends && sequencer.IsLoaded();
         played += kPeriodsPerStep) {
        if (interrupted)
            return "interrupted";
        if (played > kMaxSongMs)
            return "the song does not end";
        platform::FireManualTimers(kPeriodsPerStep);
        if (!render.RenderUntil(platform::MultimediaClockMicros(), kPeriodUs))
            return render.Error();
        progress.Update(sequencer.GetPlayTime(), sequencer.GetSongLengthMs(),
                        render.SecondsRendered());
    }
    // Everything sent so far, then the notes' release and the reverb.
    if (!render.RenderUntil(platform::MultimediaClockMicros() + kPeriodUs, kPeriodUs) ||
        !render.RenderTail(kTailSeconds))
        return render.Error();
    if (interrupted)
        return "interrupted";
    PlayerClose();
    return render.Commit() ? std::string() : render.Error();
}

// Renders one song; empty when it rendered, else why not.
std::string RenderSong(const RenderRequest& request, const platform::SynthConfig& synth,
                       const LoopSettings& loop, const std::string& song, const std::string& target,
                       Progress& progress) {
    const std::optional<platform::AudioFileType> type = platform::AudioFileTypeOf(target);
    if (!type)
        return "cannot tell the audio format of " + target;
    // The clock and the timer are driven by hand: a render runs as fast as
    // the synth can, and every period is exactly one millisecond of song.
    platform::UseManualClock(true);
    platform::UseManualTimers(true);
    // The first period (one millisecond from now) sends what lies at the
    // song's very start: that is the file's first frame.
    const std::uint64_t origin_us = platform::MultimediaClockMicros() + kPeriodUs;
    // The song's folder SoundFont plays on top, as it would in the player.
    platform::SynthConfig config = synth;
    config.folder_soundfont = platform::FolderSoundFont(song);
    std::vector<std::string> left_out;
    std::string error;
    std::unique_ptr<platform::AudioRender> render =
        platform::AudioRender::Begin(target, *type, origin_us, config, left_out, error);
    for (const std::string& problem : left_out)
        progress.LeftOut(problem);
    if (!render)
        return error;
    CSequencer sequencer;
    ApplyTransportOptions(sequencer, request);
    // A file has to end: a loop played forever plays its count instead.
    LoopSettings finite = loop;
    if (finite.mode == LoopMode::kForever)
        finite.mode = LoopMode::kCount;
    sequencer.SetLoopSettings(finite);
    const std::string program_path = platform::ProgramPathOfNative(song);
    // The sequencer made here is the registered player while it lives.
    if (program_path.empty() || !PlayerOpen(program_path.c_str()))
        return "not a song this program can play";
    std::string why = PlayInto(sequencer, *render, progress);
    if (!why.empty()) {
        PlayerClose();
        render->Abandon();
        return why + "; the partial file was removed";
    }
    progress.Done(target, render->SecondsRendered());
    return {};
}

}  // namespace

void ApplyTransportOptions(CSequencer& sequencer, const RenderRequest& request) {
    sequencer.SetTempoPercent(request.tempo_percent);
    sequencer.SetTranspose(request.transpose);
    for (int channel = 0; channel < 16; ++channel)
        sequencer.SetChannelMuted(channel, (request.muted_channels >> channel & 1) != 0);
}

std::string RenderTargetOf(const RenderRequest& request, const std::string& song_path) {
    if (request.target.empty() || request.target.back() != '/')
        return request.target;
    return request.target + WithoutExtension(BaseName(song_path)) + "." + request.format;
}

int RenderSongs(const RenderRequest& request, const std::vector<std::string>& paths,
                const platform::SynthConfig& synth, const LoopSettings& loop) {
    InterruptGuard guard;
    // A folder target that is not there yet is made (not its parents).
    if (request.target.back() == '/' && mkdir(request.target.c_str(), 0777) != 0 &&
        errno != EEXIST) {
        std::fprintf(stderr, "nivra: cannot make %s: %s\n", request.target.c_str(),
                     std::strerror(errno));
        return 1;
    }
    int failures = 0;
    for (const std::string& song : paths) {
        if (interrupted)
            break;
        const std::string target = RenderTargetOf(request, song);
        Progress progress(song);
        const std::string why = RenderSong(request, synth, loop, song, target, progress);
        if (!why.empty()) {
            progress.Failed(why);
            ++failures;
        }
    }
    return failures == 0 && !interrupted ? 0 : 1;
}
