// Scratch folders for tests: a fresh folder under /tmp removed with all it
// holds, a private runtime folder for the single-instance lock, and a scoped
// change of the working folder.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace support {

class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix = "nivra-test") {
        std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Empty when the folder could not be made.
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes a file (making the folders on its way) and returns its path.
    std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    void MakeFolder(const std::string& name) const {
        std::filesystem::create_directories(path_ / name);
    }

private:
    std::filesystem::path path_;
};

// XDG_RUNTIME_DIR points at a scratch folder of its own while the object
// lives, so the program's lock neither meets nor disturbs other instances.
class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            saved_ = old;
        setenv("XDG_RUNTIME_DIR", folder_.Path().c_str(), 1);
    }
    ~PrivateRuntimeFolder() {
        if (saved_)
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }
    PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
    PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

    std::string Path() const { return folder_.Path().string(); }

private:
    ScratchFolder folder_{"nivra-runtime"};
    std::optional<std::string> saved_;
};

// Enters a folder for the length of a test and returns to where it was.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace support
