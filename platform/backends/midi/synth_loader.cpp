#include "platform/backends/midi/synth_loader.h"

namespace platform::winmm {

SynthLoader::SynthLoader(std::function<void(SynthBuild)> done)
    : done_(std::move(done)), thread_([this] { Run(); }) {}

SynthLoader::~SynthLoader() {
    Stop();
}

void SynthLoader::Request(const SynthConfig& config, SampleLoading samples) {
    std::lock_guard<std::mutex> guard(lock_);
    waiting_ = config;
    waiting_samples_ = samples;
    wake_.notify_one();
}

bool SynthLoader::Busy() const {
    std::lock_guard<std::mutex> guard(lock_);
    return working_ || waiting_.has_value();
}

void SynthLoader::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        waiting_.reset();
        wake_.notify_one();
    }
    if (thread_.joinable())
        thread_.join();
}

void SynthLoader::Run() {
    for (;;) {
        SynthConfig config;
        SampleLoading samples = SampleLoading::kOnFirstUse;
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || waiting_.has_value(); });
            if (stopping_)
                return;
            config = std::move(*waiting_);
            samples = waiting_samples_;
            waiting_.reset();
            working_ = true;
        }
        SynthBuild build = CreateSynth(config, samples);
        {
            // A newer request makes this build stale: it is dropped here,
            // on this thread, rather than taken into use for a moment.
            std::lock_guard<std::mutex> guard(lock_);
            if (waiting_.has_value() || stopping_) {
                working_ = false;
                continue;
            }
        }
        // Busy stays true until the build has been handed over, so nobody
        // sees "not loading" while the old sound is still in use.
        done_(std::move(build));
        std::lock_guard<std::mutex> guard(lock_);
        working_ = false;
    }
}

}  // namespace platform::winmm
