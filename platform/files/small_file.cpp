// Whole small files by their Linux path: a bounded read, and a replacement
// that never leaves a half-written file behind.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
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

// A settings file kept elsewhere behind a link stays a link: the file it
// leads to is the one replaced.
std::filesystem::path FollowLink(const std::string& native_path) {
    std::filesystem::path target(native_path);
    std::error_code failed;
    if (std::filesystem::is_symlink(target, failed)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, failed);
        if (!failed)
            target = resolved;
    }
    return target;
}

std::filesystem::path FolderOf(const std::filesystem::path& target) {
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// The temporary file's name before mkostemp fills in its last six letters.
std::string TemporaryPattern(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".XXXXXX";
}

// Removes the temporary files a writer killed before its rename left beside
// the target; only called under the folder's lock, when no writer is busy.
void RemoveLeftoverTemporaries(const std::filesystem::path& target) {
    const std::string pattern = TemporaryPattern(target);
    const std::string stem = pattern.substr(0, pattern.size() - 6);
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(FolderOf(target), failed)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == pattern.size() && name.starts_with(stem) &&
            entry.is_regular_file(failed))
            ::unlink(entry.path().c_str());
    }
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

int CreateTemporaryBeside(const std::string& native_path, std::string& temporary) {
    const std::filesystem::path target(native_path);
    temporary = (FolderOf(target) / TemporaryPattern(target)).string();
    return ::mkostemp(temporary.data(), O_CLOEXEC);
}

bool ReplaceFileAtomically(const std::string& native_path, std::string_view bytes,
                           std::string* error) {
    const std::filesystem::path target = FollowLink(native_path);
    // Only a file is replaced: never a folder, a device or a pipe that
    // happens to stand where the file should be.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        if (error)
            *error = target.string() + " is not a regular file";
        return false;
    }
    const std::filesystem::path folder = FolderOf(target);
    if (!MakeFolders(folder, error))
        return false;

    std::string temporary;
    Descriptor out(CreateTemporaryBeside(target.string(), temporary));
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
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return abandon("cannot rename " + temporary + " to " + target.string());
    // The rename itself is durable once the folder is synced; a folder that
    // cannot be synced (some network file systems) still holds a whole file.
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid())
        ::fsync(directory.Get());
    return true;
}

bool UpdateFileAtomically(const std::string& native_path, std::size_t max_bytes,
                          const FileUpdate& update, std::string* error) {
    const std::filesystem::path target = FollowLink(native_path);
    const std::filesystem::path folder = FolderOf(target);
    if (!MakeFolders(folder, error))
        return false;
    // The lock is on the folder, not the file: the file is replaced by a
    // rename, so a lock on it would guard only the copy that is gone.
    Descriptor lock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!lock.Valid())
        return Fail(error, "cannot open the folder " + folder.string(), errno);
    while (::flock(lock.Get(), LOCK_EX) != 0)
        if (errno != EINTR)
            return Fail(error, "cannot lock the folder " + folder.string(), errno);
    RemoveLeftoverTemporaries(target);
    std::string old;
    const SmallFileRead read = ReadSmallFile(target.string(), max_bytes, old, nullptr);
    const std::optional<std::string> text = update(read, old);
    if (!text || (read == SmallFileRead::kRead && *text == old))
        return true;
    return ReplaceFileAtomically(target.string(), *text, error);
}

}  // namespace platform
