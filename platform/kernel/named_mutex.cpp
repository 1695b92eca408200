// Mutexes. A named mutex exists, for every process of the user, while some
// process holds a handle to it: that process holds an flock on the name's
// lock file, and the system drops the lock when the process dies, however
// it dies. Ownership (who may release) is tracked inside the process.
#include "platform/kernel.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/wait_deadline.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

// The folder of the lock files: $XDG_RUNTIME_DIR, else a private folder
// under /tmp that this user owns. Empty when neither is usable.
std::string LockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 &&
        S_ISDIR(info.st_mode) && access(runtime, W_OK) == 0)
        return runtime;
    std::string folder = "/tmp/nivra-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    // Refuse a folder someone else planted (or a link to one).
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return {};
    return folder;
}

std::string LockPath(const char* name) {
    std::string folder = LockFolder();
    if (folder.empty())
        return {};
    std::string file = "nivra-mutex-";
    for (const char* c = name; *c != '\0'; ++c)
        file += (*c == '/' || *c == '\\') ? '_' : *c;
    return folder + "/" + file;
}

class Mutex final : public platform::kernel::KernelObject {
public:
    // `fd` is the open lock file (-1 for an unnamed mutex); when this handle
    // took the name, its flock keeps the name taken until it is closed.
    explicit Mutex(int fd) : fd_(fd) {}
    ~Mutex() override {
        if (fd_ >= 0)
            close(fd_);  // drops the flock with it
    }

    DWORD Wait(DWORD milliseconds) override {
        DWORD self = GetCurrentThreadId();
        std::unique_lock<std::mutex> hold(lock_);
        if (!platform::kernel::WaitFor(changed_, hold, milliseconds,
                                       [&] { return owner_ == 0 || owner_ == self; }))
            return WAIT_TIMEOUT;
        owner_ = self;
        ++recursion_;
        return WAIT_OBJECT_0;
    }

    void TakeOwnership() {
        std::lock_guard<std::mutex> hold(lock_);
        owner_ = GetCurrentThreadId();
        recursion_ = 1;
    }

    bool Release() {
        std::lock_guard<std::mutex> hold(lock_);
        if (owner_ != GetCurrentThreadId())
            return false;
        if (--recursion_ == 0) {
            owner_ = 0;
            changed_.notify_one();
        }
        return true;
    }

private:
    const int fd_;
    std::mutex lock_;
    std::condition_variable changed_;
    DWORD owner_ = 0;
    int recursion_ = 0;
};

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initial_owner, LPCSTR name) {
    if (name == nullptr) {
        auto mutex = std::make_shared<Mutex>(-1);
        if (initial_owner)
            mutex->TakeOwnership();
        SetLastError(ERROR_SUCCESS);
        return platform::kernel::AddHandle(mutex);
    }
    std::string path = LockPath(name);
    int fd =
        path.empty() ? -1 : open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    bool taken_here = flock(fd, LOCK_EX | LOCK_NB) == 0;
    auto mutex = std::make_shared<Mutex>(fd);
    // As in Win32, a name that exists already gives a handle to it, without
    // initial ownership, and says so through the last error.
    if (taken_here && initial_owner)
        mutex->TakeOwnership();
    HANDLE handle = platform::kernel::AddHandle(mutex);
    SetLastError(taken_here ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return handle;
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) {
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string path = LockPath(name);
    int fd = path.empty() ? -1 : open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Nobody holds the name: the file is left over from a process that
        // has ended.
        close(fd);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return platform::kernel::AddHandle(std::make_shared<Mutex>(fd));
}

BOOL ReleaseMutex(HANDLE mutex) {
    auto object = platform::kernel::FindHandleOf<Mutex>(mutex);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->Release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}
