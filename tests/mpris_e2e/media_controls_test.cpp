// The real program on a bus of the test's own, driven as the desktop's
// media controls drive it (busctl for playerctl): what it reports, what the
// calls do in the MIDI log, the signals it sends, calls that make no sense,
// a second program on the same bus, and a run without any bus.
#include <gtest/gtest.h>

#include <string>

#include "tests/midi/song_bytes.h"
#include "tests/mpris_e2e/private_bus.h"
#include "tests/support/midi_log.h"

namespace mpris_e2e {
namespace {

using song_bytes::Bytes;

const std::string kPlayer =
    "org.mpris.MediaPlayer2.nivra /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player ";
const std::string kTrack = "/org/mpris/MediaPlayer2/nivra/song/1";
constexpr int kFirstKey = 30;

// One note every 250 ms (120 bpm, 480 ticks a quarter) for 20 s, each a key
// higher, so a note's key tells where in the song it lies.
std::string StepSong(const Bytes& title) {
    Bytes track = {0x00, 0xFF, 0x03, static_cast<std::uint8_t>(title.size())};
    track.insert(track.end(), title.begin(), title.end());
    track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    for (int i = 0; i < 80; ++i) {
        const auto key = static_cast<std::uint8_t>(kFirstKey + i);
        track.insert(track.end(), {i == 0 ? std::uint8_t{0} : std::uint8_t{120}, 0x90, key, 100,
                                   120, 0x80, key, 0});
    }
    track.insert(track.end(), song_bytes::kEndOfTrack.begin(), song_bytes::kEndOfTrack.end());
    const Bytes song = song_bytes::Song(480, {track}, 0);
    return std::string(song.begin(), song.end());
}

std::unique_ptr<e2e::NivraProcess> StartNivra(const std::string& bus_address,
                                              const std::filesystem::path& folder,
                                              std::vector<std::string> arguments) {
    e2e::RunOptions options;
    options.working_folder = folder;
    options.arguments = std::move(arguments);
    options.extra_environment = {{"DBUS_SESSION_BUS_ADDRESS", bus_address},
                                 {"NIVRA_SOUNDFONT", "/usr/share/sounds/sf2/TimGM6mb.sf2"}};
    return std::make_unique<e2e::NivraProcess>(options);
}

// The log's note-on keys from line `from` on; with `after_reset`, those
// after the first device reset there (where a jump starts).
std::vector<int> KeysFrom(const std::filesystem::path& log, std::size_t from,
                          bool after_reset = false) {
    const std::vector<e2e::MidiLogLine> lines = e2e::ReadMidiLog(log);
    std::vector<int> keys;
    bool waiting = after_reset;
    for (std::size_t i = from; i < lines.size(); ++i) {
        waiting = waiting && lines[i].action != "reset";
        const auto& bytes = lines[i].bytes;
        if (!waiting && bytes.size() == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0)
            keys.push_back(bytes[1]);
    }
    return keys;
}

// Text as busctl prints it: bytes outside ASCII as octal escapes.
std::string AsBusctlPrints(const std::string& utf8) {
    std::string text;
    for (const char c : utf8) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned char>(c));
        text += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : escape;
    }
    return text;
}

TEST(MediaControlsEndToEnd, DesktopControlsDriveThePlayerAndHearOfEveryChange) {
    PrivateBus bus;
    ASSERT_TRUE(bus.Ready()) << "dbus-daemon did not start";
    const std::filesystem::path signals = bus.Monitor();
    support::ScratchFolder songs{"nivra-mpris"};
    // "テスト曲" in Shift-JIS, and a second song beside it.
    songs.WriteFile("A.MID", StepSong({0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x8B, 0xC8}));
    songs.WriteFile("B.MID", StepSong({'S', 'E', 'C', 'O', 'N', 'D'}));
    const auto nivra = StartNivra(bus.Address(), songs.Path(), {"A.MID"});
    const auto get = [&](const std::string& name) {
        return bus.Busctl("get-property " + kPlayer + name).second;
    };
    const auto call = [&](const std::string& call) { return bus.Busctl("call " + kPlayer + call); };
    const auto set = [&](const std::string& name_and_value) {
        return bus.Busctl("set-property " + kPlayer + name_and_value).first;
    };
    const auto shows = [&](const std::string& name, const std::string& text) {
        return WaitUntil([&] { return get(name).find(text) != std::string::npos; });
    };
    const auto log = nivra->MidiLogPath();

    ASSERT_TRUE(shows("PlaybackStatus", "\"Playing\"")) << nivra->Stderr();
    const std::string title = "\"" + AsBusctlPrints("テスト曲") + "\"";
    // The last note ends 125 ms after it is struck at 19.75 s.
    const std::string entries[] = {
        "\"mpris:trackid\" o \"" + kTrack + "\"", "\"mpris:length\" x 19875000",
        "\"xesam:title\" s " + title,
        "\"xesam:url\" s \"file://" + songs.Path().string() + "/A.MID\"",
        "\"xesam:album\" s \"" + songs.Path().filename().string() + "\""};
    const std::string metadata = get("Metadata");
    for (const std::string& entry : entries)
        EXPECT_NE(metadata.find(entry), std::string::npos) << entry << "\n" << metadata;

    EXPECT_EQ(call("PlayPause").first, 0);
    EXPECT_TRUE(shows("PlaybackStatus", "\"Paused\""));
    EXPECT_EQ(call("PlayPause").first, 0);
    EXPECT_TRUE(shows("PlaybackStatus", "\"Playing\""));

    // To 10 s: the note struck there (key 30 + 40) comes first after the jump.
    std::size_t mark = e2e::ReadMidiLog(log).size();
    EXPECT_EQ(call("SetPosition ox " + kTrack + " 10000000").first, 0);
    ASSERT_TRUE(WaitUntil([&] { return !KeysFrom(log, mark, true).empty(); }));
    EXPECT_GE(KeysFrom(log, mark, true).front(), kFirstKey + 40);
    EXPECT_LE(KeysFrom(log, mark, true).front(), kFirstKey + 42);
    // Back past the start: from the first note.
    mark = e2e::ReadMidiLog(log).size();
    EXPECT_EQ(call("Seek x -60000000").first, 0);
    ASSERT_TRUE(WaitUntil([&] { return !KeysFrom(log, mark, true).empty(); }));
    EXPECT_LE(KeysFrom(log, mark, true).front(), kFirstKey + 1);

    // Calls that make no sense are refused or change nothing, and end nothing.
    mark = e2e::ReadMidiLog(log).size();
    for (const char* refused : {"Seek s forward", "SetPosition x 5", "OpenUri s http://host/A.MID",
                                "OpenUri s file:///no/such/song.mid"})
        EXPECT_NE(call(refused).first, 0) << refused;
    for (const char* ignored : {" 999000000", " -5"})
        EXPECT_EQ(call("SetPosition ox " + kTrack + ignored).first, 0);
    EXPECT_EQ(call("SetPosition ox /org/other/song 5000000").first, 0);
    for (const char* refused :
         {"LoopStatus s Sometimes", "Rate d nan", "Volume s loud", "Shuffle b true"})
        EXPECT_NE(set(refused), 0) << refused;
    EXPECT_NE(get("PlaybackStatus").find("\"Playing\""), std::string::npos);
    EXPECT_TRUE(KeysFrom(log, mark, true).empty()) << "an ignored position moved the song";

    // Rate is the tempo factor, Volume F8/F9's volume, LoopStatus repeat and play-through.
    EXPECT_EQ(set("Rate d 9"), 0);
    EXPECT_EQ(get("Rate"), "d 4\n");
    EXPECT_EQ(set("Volume d 0.5"), 0);
    EXPECT_TRUE(WaitUntil([&] {
        const auto lines = e2e::ReadMidiLog(log);
        return std::any_of(lines.begin(), lines.end(), [](const e2e::MidiLogLine& line) {
            return line.action == "volume" && line.argument == "80008000";
        });
    })) << "no volume of 128 on both sides in the log";
    for (const std::string loop : {"Track", "Playlist"}) {
        EXPECT_EQ(set("LoopStatus s " + loop), 0);
        EXPECT_EQ(get("LoopStatus"), "s \"" + loop + "\"\n");
    }

    // Next and Previous step through the folder as N and P do; OpenUri plays a song.
    EXPECT_EQ(call("Next").first, 0);
    EXPECT_TRUE(shows("Metadata", "\"SECOND\""));
    EXPECT_EQ(call("Previous").first, 0);
    EXPECT_TRUE(shows("Metadata", title));
    EXPECT_EQ(call("OpenUri s file://" + songs.Path().string() + "/B.MID").first, 0);
    EXPECT_TRUE(shows("Metadata", "\"SECOND\""));

    // A second player on the same bus finds the name taken and plays on.
    {
        const auto second = StartNivra(bus.Address(), songs.Path(), {"--no-config", "B.MID"});
        EXPECT_TRUE(WaitUntil([&] {
            return second->Stderr().find("MPRIS: its name is owned by another program") !=
                   std::string::npos;
        })) << second->Stderr();
        EXPECT_TRUE(WaitUntil([&] { return !KeysFrom(second->MidiLogPath(), 0).empty(); }));
        EXPECT_TRUE(second->Running());
    }

    // Quit ends the program as Escape does.
    EXPECT_EQ(bus.Busctl("call org.mpris.MediaPlayer2.nivra /org/mpris/MediaPlayer2 "
                         "org.mpris.MediaPlayer2 Quit")
                  .first,
              0);
    EXPECT_EQ(nivra->WaitForExit(), 0) << nivra->Stderr();
    const std::string seen = e2e::ReadWholeFile(signals);
    EXPECT_NE(seen.find("member=Seeked"), std::string::npos);
    for (const char* property : {"PlaybackStatus", "Metadata", "Rate", "Volume", "LoopStatus"})
        EXPECT_NE(seen.find(std::string("string \"") + property + "\""), std::string::npos)
            << property;
}

TEST(MediaControlsEndToEnd, WithoutASessionBusTheProgramSaysSoOnceAndPlays) {
    support::ScratchFolder songs{"nivra-nobus"};
    songs.WriteFile("A.MID", StepSong({'A'}));
    const auto nivra = StartNivra("unix:path=/nonexistent/bus", songs.Path(), {"A.MID"});
    ASSERT_TRUE(WaitUntil([&] { return KeysFrom(nivra->MidiLogPath(), 0).size() >= 2; }))
        << nivra->Stderr();
    nivra->Signal(SIGTERM);
    EXPECT_EQ(nivra->WaitForExit(), 0);
    const std::string errors = nivra->Stderr();
    const std::string line = "MPRIS: no session bus";
    EXPECT_NE(errors.find(line), std::string::npos) << errors;
    EXPECT_EQ(errors.find(line), errors.rfind(line)) << errors;
}

}  // namespace
}  // namespace mpris_e2e
