// A private folder for the single-instance lock, so a test neither meets
// nor disturbs other instances of the program on the machine.
#pragma once

#include <cstdlib>
#include <string>

class PrivateLockFolder {
public:
    PrivateLockFolder() {
        char pattern[] = "/tmp/nivra-app-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            path_ = pattern;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        had_old_ = old != nullptr;
        if (had_old_)
            old_ = old;
        setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
    }
    ~PrivateLockFolder() {
        if (had_old_)
            setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        if (!path_.empty())
            std::system(("rm -rf '" + path_ + "'").c_str());
    }
    PrivateLockFolder(const PrivateLockFolder&) = delete;
    PrivateLockFolder& operator=(const PrivateLockFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string old_;
    bool had_old_ = false;
};
