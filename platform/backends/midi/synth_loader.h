// Makes synthesizers on a thread of its own, so that loading a SoundFont
// never holds up the screen, the keys or the song. The latest request wins:
// one asked for while another loads replaces any that has not started.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/backends/midi/synth_factory.h"

namespace platform::winmm {

class SynthLoader {
public:
    // `done` receives each finished build, on the loader's thread.
    explicit SynthLoader(std::function<void(SynthBuild)> done);
    ~SynthLoader();
    SynthLoader(const SynthLoader&) = delete;
    SynthLoader& operator=(const SynthLoader&) = delete;

    void Request(const SynthConfig& config, SampleLoading samples);
    // A request waits or is being loaded.
    bool Busy() const;
    // Finishes the load under way, drops the rest and ends the thread.
    void Stop();

private:
    void Run();

    std::function<void(SynthBuild)> done_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::optional<SynthConfig> waiting_;
    SampleLoading waiting_samples_ = SampleLoading::kOnFirstUse;
    bool working_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: started once the rest exists
};

}  // namespace platform::winmm
