// An audio file written through libsndfile under a temporary name beside its
// final one, renamed into place only when it is complete.
#pragma once

#include <sndfile.h>

#include <string>

#include "platform/audio_render.h"

namespace platform {

class AudioFileWriter {
public:
    AudioFileWriter() = default;
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;
    ~AudioFileWriter() { Abandon(); }

    // The sample rate a type needs (Opus knows 48 kHz and its fractions
    // only), else `wanted`.
    static int SampleRateFor(AudioFileType type, int wanted);
    static bool Writable(AudioFileType type);

    // Creates the temporary file for stereo float frames at `sample_rate`.
    bool Open(const std::string& path, AudioFileType type, int sample_rate, std::string& error);
    bool Write(const float* frames, int count, std::string& error);
    // Closes, flushes to disk and renames the file to its final name.
    bool Commit(std::string& error);
    // Closes and removes the temporary file; true when there was one.
    bool Abandon();

private:
    void CloseHandles();

    std::string path_;
    std::string temp_path_;
    int fd_ = -1;
    SNDFILE* file_ = nullptr;
};

}  // namespace platform
