// How the player's state reads on the desktop's controls and in the window
// title: status, loop, rate and volume from the player's own settings, the
// song's texts always valid UTF-8, and file URIs both ways.
#include <gtest/gtest.h>

#include "app/media_state.h"
#include "app/window_title.h"

namespace {

using platform::MprisLoop;
using platform::MprisStatus;

PlayerFacts LoadedSong() {
    PlayerFacts facts;
    facts.loaded = true;
    facts.playing = true;
    facts.title = "\x83\x65\x83\x58\x83\x67";  // "テスト" in CP932
    facts.folder = "C:\\tmp\\a b";
    facts.name = "SONG #1.MID";
    facts.start_count = 7;
    facts.length_ms = 61500;
    facts.video_backend = "headless";
    return facts;
}

TEST(MediaState, StatusLoopRateAndVolumeFollowThePlayer) {
    PlayerFacts facts = LoadedSong();
    EXPECT_EQ(DescribePlayer(facts).status, MprisStatus::kPlaying);
    facts.paused = true;
    EXPECT_EQ(DescribePlayer(facts).status, MprisStatus::kPaused);
    facts.playing = false;  // ended or stopped: a pause flag left over means nothing
    EXPECT_EQ(DescribePlayer(facts).status, MprisStatus::kStopped);
    facts.playing = true;
    facts.loaded = false;
    EXPECT_EQ(DescribePlayer(facts).status, MprisStatus::kStopped);
    EXPECT_TRUE(DescribePlayer(facts).track.id.empty());

    facts = LoadedSong();
    EXPECT_EQ(DescribePlayer(facts).loop, MprisLoop::kNone);
    facts.play_through = true;
    EXPECT_EQ(DescribePlayer(facts).loop, MprisLoop::kPlaylist);
    facts.repeat = true;  // a song repeated never reaches the next
    EXPECT_EQ(DescribePlayer(facts).loop, MprisLoop::kTrack);

    facts.tempo_percent = 25;
    facts.volume = 51;
    const platform::MprisState state = DescribePlayer(facts);
    EXPECT_DOUBLE_EQ(state.rate, 0.25);
    EXPECT_DOUBLE_EQ(state.volume, 0.2);
    EXPECT_FALSE(state.fullscreen);
    EXPECT_FALSE(state.can_set_fullscreen);
    facts.video_backend = "fullscreen";
    EXPECT_TRUE(DescribePlayer(facts).fullscreen);
    EXPECT_TRUE(DescribePlayer(facts).can_set_fullscreen);
    facts.video_backend = "window";
    EXPECT_FALSE(DescribePlayer(facts).fullscreen);
    EXPECT_TRUE(DescribePlayer(facts).can_set_fullscreen);
}

TEST(MediaState, SongTextsAreUtf8EvenFromBytesThatAreNotCp932) {
    PlayerFacts facts = LoadedSong();
    platform::MprisTrack track = DescribePlayer(facts).track;
    EXPECT_EQ(track.id, "/org/mpris/MediaPlayer2/nivra/song/7");
    EXPECT_EQ(track.length_us, 61500000);
    EXPECT_EQ(track.title, "テスト");
    EXPECT_EQ(track.album, "a b");
    EXPECT_EQ(track.url, "file:///tmp/a%20b/SONG%20%231.MID");
    EXPECT_EQ(WindowTitleFor(facts), facts.title + " - NIVRA");

    // Bytes CP932 has no character for, a lead byte with no trail: each
    // stands as U+FFFD and the rest is kept.
    facts.title = std::string("A\xFF\x80") + "B\x83";
    EXPECT_EQ(DescribePlayer(facts).track.title, "A\uFFFD\uFFFDB\uFFFD");

    // A folder whose last name ends in a double-byte character with a
    // trail byte of 0x5C ("表") is not cut at that byte.
    facts.folder = "C:\\music\\\x95\x5C";
    EXPECT_EQ(DescribePlayer(facts).track.album, "表");

    // A song without a title goes by its file name, on the bus and in the title bar.
    facts.title.clear();
    EXPECT_EQ(DescribePlayer(facts).track.title, "SONG #1.MID");
    EXPECT_EQ(WindowTitleFor(facts), "SONG #1.MID - NIVRA");
    facts.loaded = false;
    EXPECT_EQ(WindowTitleFor(facts), "NIVRA");
}

TEST(MediaState, FileUrisBothWays) {
    const std::string odd_path = "/m\xFF\x01sic/a b%c.mid";
    const std::string uri = FileUriOfPath(odd_path);
    EXPECT_EQ(uri, "file:///m%FF%01sic/a%20b%25c.mid");
    EXPECT_EQ(PathOfFileUri(uri), odd_path);
    EXPECT_EQ(PathOfFileUri("file://localhost/a%2fb"), "/a/b");
    EXPECT_EQ(PathOfFileUri("FILE://LocalHost/a"), "/a");
    for (const char* refused :
         {"http://host/a.mid", "file://host/a.mid", "file:a.mid", "file://", "file:///a%00b",
          "file:///a%zz", "file:///a%2", "file:///a?x=1", "/plain/path.mid", ""})
        EXPECT_EQ(PathOfFileUri(refused), "") << refused;
}

}  // namespace
