// Whole small files by their Linux path: a bounded read, and a replacement
// that never leaves a half-written file behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace platform {
namespace {

// Closes a file descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // The result of close(2); a failed close can mean lost data.
    int Close() {
        const int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool Fail(std::string* error, const std::string& step, int code) {
    if (error)
        *error = step + ": " + std::strerror(code);
    return false;
}

// mkdir -p with mode 0700 for the folders it makes (what the XDG base
// directory rules ask of a configuration folder).
bool MakeFolders(const std::filesystem::path& folder, std::string* error) {
    std::filesystem::path built;
    for (const std::filesystem::path& part : folder) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST)
            return Fail(error, "cannot make the folder " + built.string(), errno);
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return Fail(error, "cannot make the folder " + folder.string(), errno);
    if (!S_ISDIR(info.st_mode))
        return Fail(error, folder.string() + " is not a folder", ENOTDIR);
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Test seam, for the tests of a crash during the replacement only:
// NIVRA_TEST_HOLD_BEFORE_RENAME=FILE makes the writer stop with the new file
// written and synced but not yet renamed, write the temporary file's path
// into FILE, and wait there until the process is killed.
void HoldBeforeRenameForTests(const std::string& temporary) {
    const char* marker = std::getenv("NIVRA_TEST_HOLD_BEFORE_RENAME");
    if (marker == nullptr || *marker == '\0')
        return;
    const std::string partial = std::string(marker) + ".part";
    Descriptor out(::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (out.Valid() && WriteAll(out.Get(), temporary) && out.Close() == 0)
        ::rename(partial.c_str(), marker);
    for (;;)
        ::pause();
}

}  // namespace

SmallFileRead ReadSmallFile(const std::string& native_path, std::size_t max_bytes,
                            std::string& bytes, std::string* error) {
    bytes.clear();
    Descriptor in(::open(native_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!in.Valid()) {
        if (errno == ENOENT)
            return SmallFileRead::kMissing;
        Fail(error, "cannot read it", errno);
        return SmallFileRead::kUnreadable;
    }
    struct stat info {};
    if (::fstat(in.Get(), &info) != 0) {
        Fail(error, "cannot read it", errno);
        return SmallFileRead::kUnreadable;
    }
    if (!S_ISREG(info.st_mode)) {
        if (error)
            *error = S_ISDIR(info.st_mode) ? "a folder, not a file" : "not a regular file";
        return SmallFileRead::kUnreadable;
    }
    // One byte more than allowed tells a file that is too large from one
    // that fits exactly, whatever its size claimed.
    std::string read(max_bytes + 1, '\0');
    std::size_t length = 0;
    while (length < read.size()) {
        const ssize_t got = ::read(in.Get(), read.data() + length, read.size() - length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            Fail(error, "cannot read it", errno);
            return SmallFileRead::kUnreadable;
        }
        if (got == 0)
            break;
        length += static_cast<std::size_t>(got);
    }
    if (length > max_bytes) {
        if (error)
            *error = "larger than " + std::to_string(max_bytes) + " bytes";
        return SmallFileRead::kTooLarge;
    }
    read.resize(length);
    bytes = std::move(read);
    return SmallFileRead::kRead;
}

bool ReplaceFileAtomically(const std::string& native_path, std::string_view bytes,
                           std::string* error) {
    // A settings file kept elsewhere behind a link stays a link.
    std::filesystem::path target(native_path);
    std::error_code failed;
    if (std::filesystem::is_symlink(target, failed)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, failed);
        if (!failed)
            target = resolved;
    }
    // Only a file is replaced: never a folder, a device or a pipe that
    // happens to stand where the file should be.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        if (error)
            *error = target.string() + " is not a regular file";
        return false;
    }
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    if (!MakeFolders(folder, error))
        return false;

    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.Valid())
        return Fail(error, "cannot make a temporary file in " + folder.string(), errno);
    // The new file keeps the permissions of the one it replaces.
    if (exists)
        ::fchmod(out.Get(), old.st_mode & 07777);
    const auto abandon = [&](const std::string& step) {
        const int code = errno;
        out.Close();
        ::unlink(temporary.c_str());
        return Fail(error, step, code);
    };
    if (!WriteAll(out.Get(), bytes))
        return abandon("cannot write " + temporary);
    if (::fsync(out.Get()) != 0)
        return abandon("cannot sync " + temporary);
    if (out.Close() != 0)
        return abandon("cannot write " + temporary);
    HoldBeforeRenameForTests(temporary);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return abandon("cannot rename " + temporary + " to " + target.string());
    // The rename itself is durable once the folder is synced; a folder that
    // cannot be synced (some network file systems) still holds a whole file.
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid())
        ::fsync(directory.Get());
    return true;
}

}  // namespace platform
