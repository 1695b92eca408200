// The real program on a bus of the test's own, driven as the desktop's
// media controls drive it (busctl for playerctl): what it reports, what the
// calls do in the MIDI log, the signals it sends, calls that make no sense,
// a second program on the same bus, and a run without any bus.
#include <gtest/gtest.h>

#include <string>

#include "tests/midi/song_bytes.h"
#include "tests/mpris_e2e/private_bus.h"
#include "tests/support/midi_log.h"
#include "tests/support/nivra_process.h"

namespace mpris_e2e {
namespace {

using song_bytes::Bytes;

constexpr const char* kObject =
    "org.mpris.MediaPlayer2.nivra /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player ";
constexpr const char* kRoot =
    "org.mpris.MediaPlayer2.nivra /org/mpris/MediaPlayer2 "
    "org.mpris.MediaPlayer2 ";
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr int kNoteGapMs = 250;
constexpr int kFirstKey = 30;
constexpr int kNotes = 80;  // 20 s of song

// A song of one note every 250 ms (at 120 bpm, 480 ticks a quarter), each a
// key higher, so a note's key tells where in the song it lies.
std::string StepSong(const Bytes& title) {
    Bytes track = {0x00, 0xFF, 0x03, static_cast<std::uint8_t>(title.size())};
    track.insert(track.end(), title.begin(), title.end());
    const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    track.insert(track.end(), tempo.begin(), tempo.end());
    for (int i = 0; i < kNotes; ++i) {
        const auto key = static_cast<std::uint8_t>(kFirstKey + i);
        // 240 ticks between notes: 120 on, 120 off (a delta of 0x78).
        const Bytes pair = {
            i == 0 ? std::uint8_t{0} : std::uint8_t{0x78}, 0x90, key, 100, 0x78, 0x80, key, 0};
        track.insert(track.end(), pair.begin(), pair.end());
    }
    track.insert(track.end(), song_bytes::kEndOfTrack.begin(), song_bytes::kEndOfTrack.end());
    const Bytes song = song_bytes::Song(480, {track}, 0);
    return std::string(song.begin(), song.end());
}

// The note-on keys of the log from line `from` on; with `after_reset`, only
// those after the first device reset there (where a jump starts).
std::vector<int> KeysFrom(const std::filesystem::path& log, std::size_t from,
                          bool after_reset = false) {
    const std::vector<e2e::MidiLogLine> lines = e2e::ReadMidiLog(log);
    std::vector<int> keys;
    bool counting = !after_reset;
    for (std::size_t i = from; i < lines.size(); ++i) {
        counting = counting || lines[i].action == "reset";
        if (counting && lines[i].bytes.size() == 3 && (lines[i].bytes[0] & 0xF0) == 0x90 &&
            lines[i].bytes[2] > 0)
            keys.push_back(lines[i].bytes[1]);
    }
    return keys;
}

// Text as busctl prints it: bytes outside ASCII as octal escapes.
std::string AsBusctlPrints(const std::string& utf8) {
    std::string text;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", byte);
            text += escape;
        }
    }
    return text;
}

std::size_t LogLength(const std::filesystem::path& log) {
    return e2e::ReadMidiLog(log).size();
}

class MediaControlsRun {
public:
    explicit MediaControlsRun(const PrivateBus& bus) : bus_(bus) {
        // "テスト曲" in Shift-JIS, and a second song beside it.
        songs_.WriteFile("A.MID", StepSong({0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x8B, 0xC8}));
        songs_.WriteFile("B.MID", StepSong({'S', 'E', 'C', 'O', 'N', 'D'}));
    }

    std::unique_ptr<e2e::NivraProcess> Start(std::vector<std::string> arguments = {"A.MID"}) {
        e2e::RunOptions options;
        options.working_folder = songs_.Path();
        options.arguments = std::move(arguments);
        options.extra_environment = {{"DBUS_SESSION_BUS_ADDRESS", bus_.Address()},
                                     {"NIVRA_SOUNDFONT", kSoundFont}};
        options.timeout_seconds = 60;
        return std::make_unique<e2e::NivraProcess>(options);
    }

    std::string Get(const std::string& property) const {
        return bus_.Busctl(std::string("get-property ") + kObject + property).second;
    }
    std::pair<int, std::string> Call(const std::string& method_and_arguments) const {
        return bus_.Busctl(std::string("call ") + kObject + method_and_arguments);
    }
    std::pair<int, std::string> Set(const std::string& property_and_value) const {
        return bus_.Busctl(std::string("set-property ") + kObject + property_and_value);
    }
    bool WaitFor(const std::string& property, const std::string& text) const {
        return WaitUntil([&] { return Get(property).find(text) != std::string::npos; });
    }
    const std::filesystem::path& Folder() const { return songs_.Path(); }

private:
    const PrivateBus& bus_;
    support::ScratchFolder songs_{"nivra-mpris"};
};

// The object path of the loaded song, from the Metadata property.
std::string TrackId(const std::string& metadata) {
    const std::string marker = "\"mpris:trackid\" o \"";
    const std::size_t start = metadata.find(marker);
    if (start == std::string::npos)
        return {};
    const std::size_t from = start + marker.size();
    return metadata.substr(from, metadata.find('"', from) - from);
}

TEST(MediaControlsEndToEnd, DesktopControlsDriveThePlayerAndHearOfEveryChange) {
    PrivateBus bus;
    ASSERT_TRUE(bus.Ready()) << "dbus-daemon did not start";
    support::ScratchFolder watch{"nivra-watch"};
    const auto monitor = bus.Monitor(watch / "signals.txt");
    MediaControlsRun run(bus);
    const auto nivra = run.Start();

    ASSERT_TRUE(run.WaitFor("PlaybackStatus", "\"Playing\"")) << nivra->Stderr();
    const std::string metadata = run.Get("Metadata");
    const std::string japanese_title = "\"" + AsBusctlPrints("テスト曲") + "\"";
    EXPECT_NE(metadata.find("\"xesam:title\" s " + japanese_title), std::string::npos) << metadata;
    // The last note ends 125 ms after it is struck at 19.75 s.
    EXPECT_NE(metadata.find("\"mpris:length\" x 19875000"), std::string::npos) << metadata;
    EXPECT_NE(metadata.find("\"xesam:url\" s \"file://" + run.Folder().string() + "/A.MID\""),
              std::string::npos)
        << metadata;
    EXPECT_NE(metadata.find("\"xesam:album\" s \"" + run.Folder().filename().string() + "\""),
              std::string::npos)
        << metadata;
    const std::string track = TrackId(metadata);
    ASSERT_FALSE(track.empty()) << metadata;

    // PlayPause both ways.
    EXPECT_EQ(run.Call("PlayPause").first, 0);
    EXPECT_TRUE(run.WaitFor("PlaybackStatus", "\"Paused\""));
    EXPECT_EQ(run.Call("PlayPause").first, 0);
    EXPECT_TRUE(run.WaitFor("PlaybackStatus", "\"Playing\""));

    // SetPosition to 10 s: the note struck there (key 30 + 40) is next in the log.
    const std::filesystem::path log = nivra->MidiLogPath();
    std::size_t mark = LogLength(log);
    EXPECT_EQ(run.Call("SetPosition ox " + track + " 10000000").first, 0);
    ASSERT_TRUE(WaitUntil([&] { return !KeysFrom(log, mark, true).empty(); }));
    const int key_after_set = KeysFrom(log, mark, true).front();
    EXPECT_GE(key_after_set, kFirstKey + 10000 / kNoteGapMs);
    EXPECT_LE(key_after_set, kFirstKey + 10000 / kNoteGapMs + 2);
    // Seek back past the start: the song plays from its first note.
    mark = LogLength(log);
    EXPECT_EQ(run.Call("Seek x -60000000").first, 0);
    ASSERT_TRUE(WaitUntil([&] { return !KeysFrom(log, mark, true).empty(); }));
    EXPECT_LE(KeysFrom(log, mark, true).front(), kFirstKey + 1);

    // Calls that make no sense change nothing and end nothing.
    mark = LogLength(log);
    EXPECT_NE(run.Call("Seek s forward").first, 0);
    EXPECT_NE(run.Call("SetPosition x 5").first, 0);
    EXPECT_EQ(run.Call("SetPosition ox " + track + " 999000000").first, 0);
    EXPECT_EQ(run.Call("SetPosition ox " + track + " -5").first, 0);
    EXPECT_EQ(run.Call("SetPosition ox /org/other/song 5000000").first, 0);
    const auto bad_uri = run.Call("OpenUri s http://example.com/A.MID");
    EXPECT_NE(bad_uri.first, 0);
    EXPECT_NE(bad_uri.second.find("not a local file"), std::string::npos) << bad_uri.second;
    EXPECT_NE(run.Call("OpenUri s file:///no/such/song.mid").first, 0);
    EXPECT_NE(run.Set("LoopStatus s Sometimes").first, 0);
    EXPECT_NE(run.Set("Rate d nan").first, 0);
    EXPECT_NE(run.Set("Volume s loud").first, 0);
    EXPECT_NE(run.Set("Shuffle b true").first, 0);
    EXPECT_NE(run.Get("PlaybackStatus").find("\"Playing\""), std::string::npos);
    std::size_t resets = 0;
    const auto lines = e2e::ReadMidiLog(log);
    for (std::size_t i = mark; i < lines.size(); ++i)
        resets += lines[i].action == "reset";
    EXPECT_EQ(resets, 0u) << "an ignored position moved the song";

    // Rate is the tempo factor, Volume F8/F9's volume, LoopStatus repeat and play-through.
    EXPECT_EQ(run.Set("Rate d 2").first, 0);
    EXPECT_EQ(run.Get("Rate"), "d 2\n");
    EXPECT_EQ(run.Set("Rate d 9").first, 0);
    EXPECT_EQ(run.Get("Rate"), "d 4\n");
    EXPECT_EQ(run.Set("Volume d 0.5").first, 0);
    EXPECT_NE(run.Get("Volume").find("d 0.50"), std::string::npos) << run.Get("Volume");
    EXPECT_TRUE(WaitUntil([&] {
        const auto lines_now = e2e::ReadMidiLog(log);
        return std::any_of(lines_now.begin(), lines_now.end(), [](const e2e::MidiLogLine& line) {
            return line.action == "volume" && line.argument == "80008000";
        });
    })) << "no volume of 128 on both sides in the log";
    EXPECT_EQ(run.Set("LoopStatus s Track").first, 0);
    EXPECT_EQ(run.Get("LoopStatus"), "s \"Track\"\n");
    EXPECT_EQ(run.Set("LoopStatus s Playlist").first, 0);
    EXPECT_EQ(run.Get("LoopStatus"), "s \"Playlist\"\n");

    // Next and Previous step through the folder as N and P do; OpenUri plays a song.
    EXPECT_EQ(run.Call("Next").first, 0);
    EXPECT_TRUE(run.WaitFor("Metadata", "\"SECOND\""));
    EXPECT_EQ(run.Call("Previous").first, 0);
    EXPECT_TRUE(run.WaitFor("Metadata", japanese_title));
    EXPECT_EQ(run.Call("OpenUri s file://" + run.Folder().string() + "/B.MID").first, 0);
    EXPECT_TRUE(run.WaitFor("Metadata", "\"SECOND\""));

    // A second player on the same bus finds the name taken and plays on.
    {
        const auto second = run.Start({"--no-config", "B.MID"});
        EXPECT_TRUE(WaitUntil([&] {
            return second->Stderr().find("MPRIS: its name is owned by another program") !=
                   std::string::npos;
        })) << second->Stderr();
        EXPECT_TRUE(WaitUntil([&] { return !KeysFrom(second->MidiLogPath(), 0).empty(); }));
        EXPECT_TRUE(second->Running());
    }

    // Quit ends the program as Escape does.
    EXPECT_EQ(bus.Busctl(std::string("call ") + kRoot + "Quit").first, 0);
    EXPECT_EQ(nivra->WaitForExit(), 0) << nivra->Stderr();

    const std::string signals = e2e::ReadWholeFile(watch / "signals.txt");
    EXPECT_NE(signals.find("member=Seeked"), std::string::npos);
    EXPECT_NE(signals.find("member=PropertiesChanged"), std::string::npos);
    for (const char* property : {"PlaybackStatus", "Metadata", "Rate", "Volume", "LoopStatus"})
        EXPECT_NE(signals.find(std::string("string \"") + property + "\""), std::string::npos)
            << property;
}

TEST(MediaControlsEndToEnd, WithoutASessionBusTheProgramSaysSoOnceAndPlays) {
    support::ScratchFolder songs{"nivra-nobus"};
    songs.WriteFile("A.MID", StepSong({'A'}));
    e2e::RunOptions options;
    options.working_folder = songs.Path();
    options.arguments = {"A.MID"};
    options.extra_environment = {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"},
                                 {"NIVRA_SOUNDFONT", kSoundFont}};
    e2e::NivraProcess nivra(options);
    ASSERT_TRUE(WaitUntil([&] { return KeysFrom(nivra.MidiLogPath(), 0).size() >= 2; }))
        << nivra.Stderr();
    nivra.Signal(SIGTERM);
    EXPECT_EQ(nivra.WaitForExit(), 0);
    const std::string errors = nivra.Stderr();
    const std::string line = "MPRIS: no session bus";
    EXPECT_NE(errors.find(line), std::string::npos) << errors;
    EXPECT_EQ(errors.find(line), errors.rfind(line)) << errors;
}

}  // namespace
}  // namespace mpris_e2e
