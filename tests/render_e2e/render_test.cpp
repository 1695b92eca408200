// `nivra --render` end to end: click songs rendered and read back, every hit
// at its exact frame; the format by extension; no file left by a failure or
// an interruption; bad options refused before any work.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/click_song.h"
#include "tests/support/nivra_process.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct ReadBack {
    int format = 0;  // SF_FORMAT_* of the container
    int sample_rate = 0;
    std::vector<float> left;
};

ReadBack ReadAudio(const fs::path& path) {
    ReadBack result;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return result;
    result.format = info.format & SF_FORMAT_TYPEMASK;
    result.sample_rate = info.samplerate;
    std::vector<float> frames(static_cast<std::size_t>(info.frames) * info.channels);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    for (std::size_t i = 0; i < frames.size(); i += static_cast<std::size_t>(info.channels))
        result.left.push_back(frames[i]);
    return result;
}

// Frames where a hit starts: the level crosses the threshold after 20 ms below it.
std::vector<long> Onsets(const std::vector<float>& samples, int sample_rate) {
    constexpr float kThreshold = 0.03f;
    const long quiet_frames = sample_rate / 50;
    std::vector<long> onsets;
    long quiet = quiet_frames;
    for (long i = 0; i < static_cast<long>(samples.size()); ++i) {
        if (std::fabs(samples[i]) <= kThreshold) {
            ++quiet;
            continue;
        }
        if (quiet >= quiet_frames)
            onsets.push_back(i);
        quiet = 0;
    }
    return onsets;
}

// Every hit within half a block (32 frames) of its exact frame. The claves
// sample takes some frames to rise above the threshold; that attack is the
// same for every hit, so the hits' distances from their exact frames, less
// that constant, must all lie within 32 frames: their spread within 64 (and
// a frame each side for the detection, which a tail before a hit can move).
void ExpectHitsOnTime(const fs::path& file, const support::ClickSong& song) {
    const ReadBack audio = ReadAudio(file);
    ASSERT_GT(audio.sample_rate, 0) << file;
    const std::vector<long> onsets = Onsets(audio.left, audio.sample_rate);
    ASSERT_EQ(onsets.size(), song.hit_seconds.size()) << file;
    std::vector<double> late;
    for (std::size_t i = 0; i < onsets.size(); ++i)
        late.push_back(static_cast<double>(onsets[i]) - song.hit_seconds[i] * audio.sample_rate);
    const auto [earliest, latest] = std::minmax_element(late.begin(), late.end());
    EXPECT_LE(*latest - *earliest, 66.0)
        << file << ": hits " << (earliest - late.begin()) << " and " << (latest - late.begin());
    // The attack itself is short: no hit is late by more than a block.
    EXPECT_LT(*latest, 64.0 + 128.0) << file;
}

e2e::RunOptions RenderRun(const support::ScratchFolder& folder,
                          std::vector<std::string> arguments) {
    e2e::RunOptions options;
    options.working_folder = folder.Path();
    options.arguments = std::move(arguments);
    options.extra_environment["NIVRA_SOUNDFONT"] = kSoundFont;
    options.timeout_seconds = 120;
    return options;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

std::string Write(const support::ScratchFolder& folder, const std::string& name,
                  const support::ClickSong& song) {
    return folder.WriteFile(name, std::string(song.bytes.begin(), song.bytes.end())).string();
}

TEST(RenderTest, HitsLandOnTheirExactFramesInEveryFormat) {
    support::ScratchFolder folder;
    const support::ClickSong tempo_song = support::MakeClickSong(60, 3, false);
    const support::ClickSong smpte_song = support::MakeClickSong(30, 0, true);
    const std::string tempo_path = Write(folder, "tempo.mid", tempo_song);
    const std::string smpte_path = Write(folder, "smpte.mid", smpte_song);

    e2e::NivraProcess wav(RenderRun(folder, {"--render=click.wav", tempo_path}));
    ASSERT_EQ(wav.WaitForExit(), 0) << wav.Stderr();
    ExpectHitsOnTime(folder / "click.wav", tempo_song);

    // A folder of FLAC files (lossless: read back as exactly), one per song.
    e2e::NivraProcess flac(
        RenderRun(folder, {"--render=out/", "--format=flac", tempo_path, smpte_path}));
    ASSERT_EQ(flac.WaitForExit(), 0) << flac.Stderr();
    EXPECT_EQ(ReadAudio(folder / "out/tempo.flac").format, SF_FORMAT_FLAC);
    ExpectHitsOnTime(folder / "out/smpte.flac", smpte_song);

    e2e::NivraProcess ogg(RenderRun(folder, {"--render=click.ogg", tempo_path}));
    ASSERT_EQ(ogg.WaitForExit(), 0) << ogg.Stderr();
    const ReadBack vorbis = ReadAudio(folder / "click.ogg");
    EXPECT_EQ(vorbis.format, SF_FORMAT_OGG);
    EXPECT_NEAR(static_cast<double>(vorbis.left.size()),
                static_cast<double>(ReadAudio(folder / "click.wav").left.size()), 4096.0);
    EXPECT_EQ(Names(folder.Path()).size(), 5u) << "no temporary file left beside the renders";
}

TEST(RenderTest, AnUnwritableFolderOrAnInterruptionLeavesNoFile) {
    support::ScratchFolder folder;
    const std::string song = Write(folder, "long.mid", support::MakeClickSong(2000, 3, false));
    const fs::path locked = folder / "locked";
    fs::create_directory(locked);
    chmod(locked.c_str(), 0555);
    e2e::RunOptions options = RenderRun(folder, {"--render=locked/long.wav", song});
    options.bound_by_permissions = true;
    e2e::NivraProcess refused(options);
    EXPECT_EQ(refused.WaitForExit(), 1);
    EXPECT_NE(refused.Stderr().find("long.mid"), std::string::npos) << refused.Stderr();
    EXPECT_TRUE(Names(locked).empty());

    const fs::path target = folder / "out";
    fs::create_directory(target);
    e2e::NivraProcess interrupted(RenderRun(folder, {"--render=out/long.wav", song}));
    // Interrupted once the partial file is there.
    for (int wait = 0; wait < 2000 && Names(target).empty() && interrupted.Running(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(Names(target).empty()) << "the render never started its file";
    interrupted.Signal(SIGINT);
    EXPECT_EQ(interrupted.WaitForExit(), 1);
    EXPECT_NE(interrupted.Stderr().find("removed"), std::string::npos) << interrupted.Stderr();
    EXPECT_TRUE(Names(target).empty());
}

double Seconds(const ReadBack& audio) {
    return audio.sample_rate > 0 ? static_cast<double>(audio.left.size()) / audio.sample_rate : 0;
}

// With NIVRA_SOUNDFONT naming a file that is no SoundFont, a render sounds
// only with the song folder's SoundFont or the one --soundfont names.
TEST(RenderTest, TheFoldersSoundFontOrTheOneGivenIsUsed) {
    support::ScratchFolder folder;
    const support::ClickSong song = support::MakeClickSong(4, 0, false);
    const std::string beside = Write(folder, "beside/song.mid", song);
    fs::copy_file(kSoundFont, folder / "beside/song.sf2");
    const std::string alone = Write(folder, "alone/song.mid", song);
    const std::string broken = folder.WriteFile("broken.sf2", "not a SoundFont").string();
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--render=beside.wav", beside},
             {"--render=given.wav", std::string("--soundfont=") + kSoundFont, alone}}) {
        e2e::RunOptions options = RenderRun(folder, arguments);
        options.extra_environment["NIVRA_SOUNDFONT"] = broken;
        e2e::NivraProcess run(options);
        ASSERT_EQ(run.WaitForExit(), 0) << arguments[0] << ": " << run.Stderr();
        const fs::path file = folder / arguments[0].substr(std::strlen("--render="));
        ExpectHitsOnTime(file, song);
    }
}

// A loop marked by controller 111 (a 4 s body after 1 s) plays twice with
// --loop=2 and once with --loop=off; the kept fade of 0 s ends the render at
// the loop's end.
TEST(RenderTest, ALoopPlaysItsCountOfPassesWithTheKeptFade) {
    using song_bytes::Events;
    support::ScratchFolder folder;
    const song_bytes::Bytes bytes = song_bytes::Song(480, {Events()
                                                               .At(0, {0x99, 75, 127})
                                                               .At(480, {0xB0, 111, 0})
                                                               .At(0, {0x99, 75, 127})
                                                               .At(960, {0x99, 75, 127})
                                                               .End(960)});
    const std::string song =
        folder.WriteFile("loop.mid", std::string(bytes.begin(), bytes.end())).string();
    const std::string settings =
        folder.WriteFile("nivra.conf", "loop=count\nloop_count=3\nloop_fade=0\n").string();
    double seconds[2] = {};
    const std::vector<std::string> loops = {"--loop=off", "--loop=2"};
    for (std::size_t i = 0; i < loops.size(); ++i) {
        e2e::RunOptions options = RenderRun(folder, {"--render=out.wav", loops[i], song});
        options.extra_environment["NIVRA_CONFIG"] = settings;
        e2e::NivraProcess run(options);
        ASSERT_EQ(run.WaitForExit(), 0) << loops[i] << ": " << run.Stderr();
        seconds[i] = Seconds(ReadAudio(folder / "out.wav"));
    }
    EXPECT_NEAR(seconds[1] - seconds[0], 4.0, 0.15) << seconds[0] << " s, then " << seconds[1];
    std::ifstream kept(settings);
    const std::string text((std::istreambuf_iterator<char>(kept)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "loop=count\nloop_count=3\nloop_fade=0\n") << "a render writes no settings";
}

TEST(RenderTest, BadOptionsExitWithTwoBeforeAnyWork) {
    support::ScratchFolder folder;
    const std::string song = Write(folder, "a.mid", support::MakeClickSong(4, 0, false));
    Write(folder, "sub/a.mid", support::MakeClickSong(4, 0, false));
    const std::vector<std::vector<std::string>> bad = {
        {"--render=a.mp3", song},
        {"--render=a.wav"},
        {"--render=a.wav", "--tempo=500", song},
        {"--render=a.wav", "--mute=0", song},
        {"--render=a.wav", song, song},
        {"--render=out/", "--format=aiff", song},
        {"--render=out/", song, (folder / "sub/a.mid").string()},
    };
    for (const auto& arguments : bad) {
        e2e::NivraProcess run(RenderRun(folder, arguments));
        EXPECT_EQ(run.WaitForExit(), 2) << arguments[0] << " " << arguments.back();
        EXPECT_NE(run.Stderr().find("nivra: "), std::string::npos);
    }
    EXPECT_EQ(Names(folder.Path()).size(), 2u) << "a.mid and sub/ only";
}

}  // namespace
