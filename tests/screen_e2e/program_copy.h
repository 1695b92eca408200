// A copy of the built program in a scratch folder, with a chosen palette
// file left out, for runs that must not find everything beside them.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/nivra_process.h"

namespace screen {

class ProgramCopy {
public:
    // Copies the program, the converter library and every palette file but
    // the one with `missing_digit`.
    explicit ProgramCopy(int missing_digit) : folder_("nivra-screen-copy") {
        namespace fs = std::filesystem;
        const fs::path built = NIVRA_BINARY_DIR;
        fs::copy_file(built / "nivra", folder_ / "nivra");
        if (fs::exists(built / "librcpcv.so"))
            fs::copy_file(built / "librcpcv.so", folder_ / "librcpcv.so");
        for (int digit = 0; digit <= 9; ++digit) {
            const std::string name = "nivra" + std::to_string(digit) + ".act";
            if (digit != missing_digit)
                fs::copy_file(built / name, folder_ / name);
        }
    }

    std::filesystem::path Program() const { return folder_ / "nivra"; }

private:
    e2e::ScratchFolder folder_;
};

}  // namespace screen
