#include "platform/backends/audio/audio_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/files.h"

namespace platform {
namespace {

int FormatOf(AudioFileType type) {
    switch (type) {
        case AudioFileType::kWav:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case AudioFileType::kFlac:
            return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        case AudioFileType::kOgg:
            return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioFileType::kOpus:
            return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    }
    return 0;
}

}  // namespace

int AudioFileWriter::SampleRateFor(AudioFileType type, int wanted) {
    return type == AudioFileType::kOpus ? 48000 : wanted;
}

bool AudioFileWriter::Writable(AudioFileType type) {
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = SampleRateFor(type, 44100);
    info.format = FormatOf(type);
    return sf_format_check(&info) != 0;
}

bool AudioFileWriter::Open(const std::string& path, AudioFileType type, int sample_rate,
                           std::string& error) {
    Abandon();
    path_ = path;
    // Hidden beside the final name, on the same file system, so the rename
    // that finishes the file is atomic.
    fd_ = CreateTemporaryBeside(path, temp_path_);
    if (fd_ < 0) {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        error = "cannot write in " + (folder.empty() ? std::string(".") : folder.string()) + ": " +
                std::strerror(errno);
        temp_path_.clear();
        return false;
    }
    // The finished file gets the permissions any new file would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = sample_rate;
    info.format = FormatOf(type);
    file_ = sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        error = std::string("cannot start the audio file: ") + sf_strerror(nullptr);
        Abandon();
        return false;
    }
    // Peaks above full scale are clipped rather than wrapped round.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool AudioFileWriter::Write(const float* frames, int count, std::string& error) {
    if (file_ == nullptr)
        return false;
    if (sf_writef_float(file_, frames, count) == count)
        return true;
    const int saved = errno;
    error = std::string("cannot write ") + temp_path_ + ": " +
            (sf_error(file_) == SF_ERR_SYSTEM && saved != 0 ? std::strerror(saved)
                                                            : sf_strerror(file_));
    return false;
}

bool AudioFileWriter::Commit(std::string& error) {
    if (file_ == nullptr)
        return false;
    const int closed = sf_close(file_);
    file_ = nullptr;
    // The data must be on disk before the name points at it.
    const bool synced = closed == 0 && fsync(fd_) == 0;
    const int saved = errno;
    const bool done = close(fd_) == 0 && synced;
    fd_ = -1;
    if (!done) {
        error = "cannot finish " + temp_path_ + ": " +
                (closed != 0 ? sf_error_number(closed) : std::strerror(saved));
        Abandon();
        return false;
    }
    if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
        error = "cannot rename to " + path_ + ": " + std::strerror(errno);
        Abandon();
        return false;
    }
    temp_path_.clear();
    return true;
}

void AudioFileWriter::CloseHandles() {
    if (file_ != nullptr)
        sf_close(file_);
    file_ = nullptr;
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool AudioFileWriter::Abandon() {
    CloseHandles();
    if (temp_path_.empty())
        return false;
    unlink(temp_path_.c_str());
    temp_path_.clear();
    return true;
}

}  // namespace platform
