// A scratch folder of many entries for the browsing benchmarks: songs, texts
// and other files in turn, and some folders; removed with its contents.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

class EntriesFolder {
public:
    explicit EntriesFolder(int files = 5000, int folders = 50) {
        char pattern[] = "/tmp/nivra_bench_XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return;
        path_ = pattern;
        for (int i = 0; i < files; ++i) {
            const char* ext = i % 3 == 0 ? ".MID" : i % 3 == 1 ? ".txt" : ".doc";
            std::ofstream(path_ / ("entry_" + std::to_string(i) + ext)) << "x";
        }
        for (int i = 0; i < folders; ++i)
            std::filesystem::create_directory(path_ / ("folder_" + std::to_string(i)));
    }
    ~EntriesFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    EntriesFolder(const EntriesFolder&) = delete;
    EntriesFolder& operator=(const EntriesFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace bench
