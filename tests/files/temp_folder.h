// A temporary folder for file-system tests, removed with its contents.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/nivra_files_XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }
    void AddFile(const std::string& name, const std::string& content = "x") const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }
    void AddFolder(const std::string& name) const {
        std::filesystem::create_directories(path_ / name);
    }

private:
    std::filesystem::path path_;
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

private:
    std::filesystem::path previous_;
};
