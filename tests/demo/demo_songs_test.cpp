// The demo folder's songs and companion text are the generator's output,
// each is the kind of file it claims to be.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* const kGenerated[] = {"ENSEMBLE.MID", "TEMPO.MID",  "FORMAT0.MID",
                                  "SAKURA.MID",   "SAKURA.TXT", "MACBIN.MID",
                                  "MINUET.RCP",   "LOOP.MID",   "MORE/GROOVE.MID"};

TEST(DemoSongs, CommittedFilesMatchTheGenerator) {
    fs::path out = fs::temp_directory_path() / ("nivra-demo-" + std::to_string(::getpid()));
    fs::create_directories(out / "MORE");
    std::string command = std::string(NIVRA_BINARY_DIR "/make_demo_songs ") + out.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : kGenerated) {
        SCOPED_TRACE(name);
        auto generated = ReadAll(out / name);
        ASSERT_FALSE(generated.empty());
        EXPECT_EQ(generated, ReadAll(fs::path(NIVRA_SOURCE_DIR "/demo") / name));
    }
    fs::remove_all(out);
}

TEST(DemoSongs, EachFileHasTheShapeItIsListedFor) {
    fs::path demo(NIVRA_SOURCE_DIR "/demo");
    auto starts_with = [](const std::vector<unsigned char>& data, size_t at, const char* text) {
        std::string want(text);
        return data.size() >= at + want.size() &&
               std::string(data.begin() + at, data.begin() + at + want.size()) == want;
    };
    auto format0 = ReadAll(demo / "FORMAT0.MID");
    ASSERT_TRUE(starts_with(format0, 0, "MThd"));
    EXPECT_EQ(format0[9], 0) << "format word";
    auto wrapped = ReadAll(demo / "MACBIN.MID");
    EXPECT_TRUE(starts_with(wrapped, 65, "Midi"));
    EXPECT_TRUE(starts_with(wrapped, 128, "MThd"));
    EXPECT_EQ(wrapped.size() % 128, 0u);
    auto rcp = ReadAll(demo / "MINUET.RCP");
    EXPECT_TRUE(starts_with(rcp, 0, "RCM-PC98V2.0(C)"));
    // The looping song marks its loop's start with controller 111.
    auto looping = ReadAll(demo / "LOOP.MID");
    EXPECT_NE(std::string(looping.begin(), looping.end()).find("\xB0\x6F\x00"), std::string::npos);
    // The Shift-JIS title of SAKURA.MID: "さくら" twice after FF 03 0C.
    auto sakura = ReadAll(demo / "SAKURA.MID");
    const std::string title = "\xFF\x03\x0C\x82\xb3\x82\xad\x82\xe7\x82\xb3\x82\xad\x82\xe7";
    EXPECT_NE(std::string(sakura.begin(), sakura.end()).find(title), std::string::npos);
    // Its companion text: Shift-JIS ("さくら" as in the title), with tabs and
    // lines longer than the viewer's 80 columns.
    auto text_bytes = ReadAll(demo / "SAKURA.TXT");
    const std::string text(text_bytes.begin(), text_bytes.end());
    EXPECT_NE(text.find(title.substr(3, 6)), std::string::npos);
    EXPECT_NE(text.find('\t'), std::string::npos);
    size_t longest = 0;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        longest = std::max(longest, end - start);
    }
    EXPECT_GT(longest, 80u);
}

}  // namespace
