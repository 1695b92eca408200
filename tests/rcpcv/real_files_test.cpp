// The real sequence files of the third-party collection, and a song of ours
// in the newer layout that stands in for the collection's when it is absent.
#include "tests/rcpcv/conversion_helpers.h"

#include <map>

#include "tests/support/third_party_songs.h"

namespace rcpcv_test {
namespace {

std::vector<uint8_t> ReadFile(const std::string& name) {
    const std::string bytes = support::ReadThirdPartySong("rcp/" + name);
    return {bytes.begin(), bytes.end()};
}

std::string TrimmedTitle(const std::vector<uint8_t>& file, size_t offset, size_t length) {
    size_t end = offset + length;
    while (end > offset && (file[end - 1] == ' ' || file[end - 1] == 0)) {
        --end;
    }
    return std::string(file.begin() + offset, file.begin() + end);
}

struct Expectation {
    const char* file;
    size_t title_offset;
    size_t title_length;
    Bytes tempo;  // initial Set Tempo data
    size_t min_notes;
};

class RealFile : public testing::TestWithParam<Expectation> {};

TEST_P(RealFile, ConvertsToAWellFormedSongWithBalancedNotes) {
    NIVRA_SKIP_WITHOUT_THIRD_PARTY_SONGS();
    const Expectation& expect = GetParam();
    std::vector<uint8_t> file = ReadFile(expect.file);
    ASSERT_FALSE(file.empty()) << expect.file;
    SmfFile smf = ConvertBytes(file);
    ASSERT_EQ(smf.error, "");
    EXPECT_EQ(smf.format, 1);
    EXPECT_EQ(smf.division, 48);
    ASSERT_GE(smf.tracks.size(), 2u);

    // The conductor opens with the title exactly as the file stores it, padding trimmed.
    std::string title = TrimmedTitle(file, expect.title_offset, expect.title_length);
    Bytes name{0xFF, 0x03, static_cast<uint8_t>(title.size())};
    name.insert(name.end(), title.begin(), title.end());
    EXPECT_EQ(smf.tracks[0][0].bytes, name);
    bool initial_tempo = false;
    for (const auto& e : smf.tracks[0]) {
        if (e.tick == 0 && e.bytes.size() == 6 && e.bytes[1] == 0x51) {
            initial_tempo = Bytes(e.bytes.begin() + 3, e.bytes.end()) == expect.tempo;
            break;
        }
    }
    EXPECT_TRUE(initial_tempo);

    size_t notes = 0;
    for (size_t t = 1; t < smf.tracks.size(); ++t) {
        std::map<std::pair<int, int>, int> sounding;
        uint32_t previous = 0;
        for (const auto& e : smf.tracks[t]) {
            EXPECT_GE(e.tick, previous);
            previous = e.tick;
            if ((e.bytes[0] & 0xF0) == 0x90) {
                int& count = sounding[{e.bytes[0], e.bytes[1]}];
                if (e.bytes[2] != 0) {
                    EXPECT_EQ(count, 0) << "note started twice";
                    ++count;
                    ++notes;
                } else {
                    EXPECT_EQ(count, 1) << "note ended without a start";
                    --count;
                }
            }
        }
        for (const auto& [key, count] : sounding) {
            EXPECT_EQ(count, 0) << "stuck note in track " << t;
        }
    }
    EXPECT_GE(notes, expect.min_notes);
}

INSTANTIATE_TEST_SUITE_P(
    Collection, RealFile,
    testing::Values(
        Expectation{"gh-mucho613-recomposer-file__test.rcp", 0x20, 64, {0x07, 0xA1, 0x20}, 1000},
        Expectation{
            "gh-mucho613-recomposer-file__yuno35pr.rcp", 0x20, 64, {0x08, 0x52, 0xAE}, 1000},
        Expectation{
            "gh-mucho613-recomposer-file__test_test.rcp", 0x20, 128, {0x07, 0xA1, 0x20}, 8}));

// One track on channel 1: C D E F, measure end, G A B C, each step 48 and gate 36.
void ExpectScale(const std::vector<uint8_t>& file) {
    SmfFile smf = ConvertBytes(file);
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 2u);
    std::vector<Timed> expected;
    const uint8_t keys[] = {0x3C, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47, 0x48};
    for (uint32_t i = 0; i < 8; ++i) {
        expected.push_back({i * 48, {0x90, keys[i], 0x64}});
        expected.push_back({i * 48 + 36, {0x90, keys[i], 0x00}});
    }
    EXPECT_EQ(Timeline(smf.tracks[1]), expected);
    EXPECT_EQ(smf.tracks[1].back().tick, 8u * 48);
}

TEST(RealFile, SixByteRecordSongPlaysItsScale) {
    NIVRA_SKIP_WITHOUT_THIRD_PARTY_SONGS();
    ExpectScale(ReadFile("gh-mucho613-recomposer-file__test_test.rcp"));
}

TEST(BuiltFile, SixByteRecordSongPlaysItsScale) {
    ExpectScale(SixByteScaleSong());
}

}  // namespace
}  // namespace rcpcv_test
