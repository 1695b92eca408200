#include "app/media_state.h"

#include <algorithm>
#include <cctype>

#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/song_start.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/user.h"

namespace {

constexpr const char* kTrackIdPrefix = "/org/mpris/MediaPlayer2/nivra/song/";

// The last name of a program path ("C:\a\b" -> "b"); a trail byte 0x5C of
// a double-byte character is no separator.
std::string LastProgramName(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (platform::IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            start = i + 1;
    }
    return std::string(path.substr(start));
}

bool IsUnreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return -1;
}

// Schemes and host names are the same in either case.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

platform::MprisStatus StatusOf(const PlayerFacts& facts) {
    if (!facts.loaded || !facts.playing)
        return platform::MprisStatus::kStopped;
    return facts.paused ? platform::MprisStatus::kPaused : platform::MprisStatus::kPlaying;
}

platform::MprisLoop LoopOf(const PlayerFacts& facts) {
    if (facts.repeat)
        return platform::MprisLoop::kTrack;
    return facts.play_through ? platform::MprisLoop::kPlaylist : platform::MprisLoop::kNone;
}

}  // namespace

PlayerFacts ReadPlayerFacts() {
    PlayerFacts facts;
    const CSequencer& sequencer = GetSequencer();
    facts.loaded = PlayerIsLoaded();
    facts.playing = PlayerIsPlaying();
    facts.paused = PlayerIsPaused();
    facts.repeat = PlayerGetRepeat();
    facts.play_through = PlayerGetPlayThrough();
    facts.tempo_percent = sequencer.GetTempoPercent();
    facts.volume = sequencer.GetVolume();
    if (facts.loaded) {
        facts.title = sequencer.GetTitle();
        facts.folder = LastStartedSong().folder;
        facts.name = LastStartedSong().name;
        facts.length_ms = sequencer.GetSongLengthMs();
    }
    facts.start_count = GetSongStartCount();
    facts.video_backend = platform::GetVideoBackendName();
    return facts;
}

std::string SongTitle(const PlayerFacts& facts) {
    return facts.title.empty() ? facts.name : facts.title;
}

platform::MprisState DescribePlayer(const PlayerFacts& facts) {
    platform::MprisState state;
    state.status = StatusOf(facts);
    state.loop = LoopOf(facts);
    state.rate = facts.tempo_percent / double{CSequencer::NORMAL_TEMPO_PERCENT};
    state.volume = facts.volume / double{PLAYER_MAX_VOLUME};
    state.fullscreen = facts.video_backend == "fullscreen";
    state.can_set_fullscreen = !facts.video_backend.empty() && facts.video_backend != "headless";
    if (!facts.loaded)
        return state;
    platform::MprisTrack& track = state.track;
    track.id = kTrackIdPrefix + std::to_string(facts.start_count);
    track.length_us = facts.length_ms * 1000;
    track.title = platform::Cp932ToUtf8(SongTitle(facts));
    track.album = platform::Cp932ToUtf8(LastProgramName(facts.folder));
    std::string program_path = facts.folder;
    if (!program_path.empty() && program_path.back() != '\\')
        program_path += '\\';
    track.url = FileUriOfPath(platform::ToNativePath(program_path + facts.name));
    return state;
}

std::string FileUriOfPath(std::string_view native_path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : native_path) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte) || byte == '/') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0F];
        }
    }
    return uri;
}

std::string PathOfFileUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    constexpr std::string_view kLocalHost = "localhost";
    if (!StartsWithIgnoringCase(uri, kScheme))
        return {};
    std::string_view rest = uri.substr(kScheme.size());
    if (StartsWithIgnoringCase(rest, kLocalHost))
        rest.remove_prefix(kLocalHost.size());
    // Another host, or a query or fragment, names no local file.
    if (rest.empty() || rest.front() != '/' || rest.find_first_of("?#") != std::string_view::npos)
        return {};
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
        // A NUL byte cannot be in a path.
        if (low < 0 || (high == 0 && low == 0))
            return {};
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}
