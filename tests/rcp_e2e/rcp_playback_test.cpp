// The real program plays a sequence file chosen in the file selector, with
// and without the converter library beside it.
#include <dlfcn.h>

#include <filesystem>

#include "tests/rcp_e2e/rcp_song_fixture.h"

namespace rcp_e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kFadedInMs = 1500;

class RcpPlayback : public SongFolder {};

TEST_F(RcpPlayback, PlaysTheNotesTheConverterProduces) {
    const rcpcv_test::SmfFile converted = rcpcv_test::ConvertBytes(SequenceSong());
    ASSERT_EQ(converted.error, "");
    const NotesByChannel expected = NotesOf(converted);
    ASSERT_EQ(expected.size(), 3u);  // melody, bass and drums

    const int sequence = IndexOf(kSequenceName);
    const int broken = IndexOf(kBrokenName);
    ASSERT_GE(sequence, 2);
    ASSERT_GE(broken, 2);
    e2e::RunOptions options;
    options.working_folder = songs_.Path();
    int at = Open(options.script, kFadedInMs, 0, sequence);
    const fs::path loaded_shot = shots_ / "after_sequence.png";
    const fs::path refused_shot = shots_ / "after_broken.png";
    options.script.push_back({at + 700, "SHOT " + loaded_shot.string()});
    // The song lasts about 1.1 s; the broken file is tried once it has ended.
    at = Open(options.script, at + 2500, sequence, broken);
    options.script.push_back({at + 700, "SHOT " + refused_shot.string()});
    options.script.push_back({at + 1200, "ESCAPE"});

    e2e::NivraProcess nivra(options);
    ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();
    const auto log = e2e::ReadMidiLog(nivra.MidiLogPath());
    EXPECT_EQ(NotesOf(log), expected);

    // The melody's nine notes span 192 ticks: 1000 ms at 240 beats per minute.
    std::vector<e2e::MidiLogLine> melody;
    for (const auto& line : e2e::NoteOns(log))
        if ((line.bytes[0] & 0x0F) == 0)
            melody.push_back(line);
    ASSERT_EQ(melody.size(), 9u);
    const double span_ms = (melody.back().micros - melody.front().micros) / 1000.0;
    EXPECT_NEAR(span_ms, 1000.0, 150.0);

    // The sequence file loaded (the caption came back); the broken file did not.
    const auto loaded = StatusBarPixels(e2e::ReadIndexedPng(loaded_shot));
    const auto refused = StatusBarPixels(e2e::ReadIndexedPng(refused_shot));
    ASSERT_FALSE(loaded.empty());
    ASSERT_FALSE(refused.empty());
    EXPECT_NE(loaded, refused);
}

// The program finds the converter beside itself, then on the system's search
// path; a copy of it in a folder without the library finds neither.
class WithoutConverter : public SongFolder {
protected:
    void SetUp() override {
        SongFolder::SetUp();
        if (void* system_copy = dlopen("librcpcv.so", RTLD_LAZY | RTLD_LOCAL)) {
            dlclose(system_copy);
            GTEST_SKIP() << "a librcpcv.so on the system's search path would be found";
        }
        program_folder_.MakeFolder("bin");
        const fs::path bin = program_folder_ / "bin";
        fs::copy_file(e2e::ProgramPath(), bin / "nivra");
        for (int digit = 0; digit <= 9; ++digit) {
            const std::string palette = "nivra" + std::to_string(digit) + ".act";
            fs::copy_file(fs::path(NIVRA_BINARY_DIR) / palette, bin / palette);
        }
        ASSERT_FALSE(fs::exists(bin / "librcpcv.so"));
    }

    e2e::ScratchFolder program_folder_{"nivra-no-converter"};
};

TEST_F(WithoutConverter, SequenceFileFailsToOpenAndSmfStillPlays) {
    const int sequence = IndexOf(kSequenceName);
    const int broken = IndexOf(kBrokenName);
    const int smf = IndexOf(kSmfName);
    e2e::RunOptions options;
    options.working_folder = songs_.Path();
    options.program = program_folder_ / "bin" / "nivra";
    options.removed_environment = {"LD_LIBRARY_PATH"};
    const fs::path sequence_shot = shots_ / "sequence.png";
    const fs::path broken_shot = shots_ / "broken.png";
    const fs::path smf_shot = shots_ / "smf.png";
    int at = Open(options.script, kFadedInMs, 0, sequence);
    options.script.push_back({at + 700, "SHOT " + sequence_shot.string()});
    at = Open(options.script, at + 900, sequence, broken);
    options.script.push_back({at + 700, "SHOT " + broken_shot.string()});
    at = Open(options.script, at + 900, broken, smf);
    options.script.push_back({at + 700, "SHOT " + smf_shot.string()});
    options.script.push_back({at + 1500, "ESCAPE"});

    e2e::NivraProcess nivra(options);
    ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();

    // Only the SMF's three notes were played.
    const NotesByChannel expected = {{4, {{0x50, 0x40}, {0x52, 0x41}, {0x54, 0x42}}}};
    EXPECT_EQ(NotesOf(e2e::ReadMidiLog(nivra.MidiLogPath())), expected);

    // The sequence file shows the very status line of a file that is no song
    // ("FILE OPEN ERROR"), unlike the caption a loaded song restores.
    const auto after_sequence = StatusBarPixels(e2e::ReadIndexedPng(sequence_shot));
    const auto after_broken = StatusBarPixels(e2e::ReadIndexedPng(broken_shot));
    const auto after_smf = StatusBarPixels(e2e::ReadIndexedPng(smf_shot));
    ASSERT_FALSE(after_sequence.empty());
    EXPECT_EQ(after_sequence, after_broken);
    EXPECT_NE(after_sequence, after_smf);
}

}  // namespace
}  // namespace rcp_e2e
