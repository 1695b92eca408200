// The third-party songs beside the project (NIVRA_TESTDATA_DIR). A clone
// without them skips the tests that read them, naming the folder it missed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace support {

inline const std::filesystem::path kThirdPartySongs = NIVRA_TESTDATA_DIR;

inline bool HaveThirdPartySongs() {
    return std::filesystem::is_directory(kThirdPartySongs);
}

// The bytes of a song of the collection ("rcp/name.rcp"); empty when absent.
inline std::string ReadThirdPartySong(const std::string& relative) {
    std::ifstream in(kThirdPartySongs / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace support

// In a test body or SetUp: skips the test when the collection is absent.
// scripts/test counts the tests skipped for this by the words "no third-party
// songs".
#define NIVRA_SKIP_WITHOUT_THIRD_PARTY_SONGS()                                                     \
    do {                                                                                           \
        if (!support::HaveThirdPartySongs())                                                       \
            GTEST_SKIP() << "no third-party songs: " << support::kThirdPartySongs << " is absent"; \
    } while (false)
