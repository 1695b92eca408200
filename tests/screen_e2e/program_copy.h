// A copy of the built program in a scratch folder, with a chosen palette
// file left out or replaced, for runs that must not find everything beside
// them as it was built.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/nivra_process.h"

namespace screen {

class ProgramCopy {
public:
    // Copies the program, the converter library and every palette file but
    // the one with `missing_digit` into the scratch folder, or into the
    // folder `below` inside it.
    explicit ProgramCopy(int missing_digit, const std::string& below = "")
        : folder_("nivra-screen-copy"), home_(folder_.Path() / below) {
        namespace fs = std::filesystem;
        const fs::path built = NIVRA_BINARY_DIR;
        fs::create_directories(home_);
        fs::copy_file(built / "nivra", home_ / "nivra");
        if (fs::exists(built / "librcpcv.so"))
            fs::copy_file(built / "librcpcv.so", home_ / "librcpcv.so");
        for (int digit = 0; digit <= 9; ++digit) {
            const std::string name = "nivra" + std::to_string(digit) + ".act";
            if (digit != missing_digit)
                fs::copy_file(built / name, home_ / name);
        }
    }

    std::filesystem::path Program() const { return home_ / "nivra"; }
    // Replaces a palette file with these bytes.
    void WritePalette(int digit, const std::string& bytes) const {
        std::ofstream(home_ / ("nivra" + std::to_string(digit) + ".act"), std::ios::binary)
            << bytes;
    }

private:
    e2e::ScratchFolder folder_;
    std::filesystem::path home_;
};

}  // namespace screen
