// A scratch folder of many entries for the browsing benchmarks: songs, texts
// and other files in turn, and some folders; removed with its contents.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/nivra_process.h"

namespace bench {

class EntriesFolder {
public:
    explicit EntriesFolder(int files = 5000, int folders = 50) {
        for (int i = 0; i < files; ++i) {
            const char* ext = i % 3 == 0 ? ".MID" : i % 3 == 1 ? ".txt" : ".doc";
            std::ofstream(scratch_ / ("entry_" + std::to_string(i) + ext)) << "x";
        }
        for (int i = 0; i < folders; ++i)
            scratch_.MakeFolder("folder_" + std::to_string(i));
    }

    const std::filesystem::path& Path() const { return scratch_.Path(); }

private:
    e2e::ScratchFolder scratch_{"nivra-bench-entries"};
};

}  // namespace bench
