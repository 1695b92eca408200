// The desktop's player controls: the program as an MPRIS 2 media player on
// the D-Bus session bus, so media keys, the sound menu and playerctl reach
// it. The bus is served on the main thread, without ever waiting on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class MprisStatus { kStopped, kPaused, kPlaying };
enum class MprisLoop { kNone, kTrack, kPlaylist };

// The song the player has loaded, as the desktop is shown it. Every string
// is valid UTF-8 (the bus drops a connection that sends anything else).
struct MprisTrack {
    // An object path unique to this load of a song; empty: no song.
    std::string id;
    std::int64_t length_us = 0;
    std::string title;
    std::string url;
    std::string album;
    bool operator==(const MprisTrack&) const = default;
};

// What the player's properties read; compared between looks to announce
// what changed.
struct MprisState {
    MprisStatus status = MprisStatus::kStopped;
    MprisLoop loop = MprisLoop::kNone;
    double rate = 1.0;
    double volume = 1.0;
    bool fullscreen = false;
    bool can_set_fullscreen = false;
    MprisTrack track;
    bool operator==(const MprisState&) const = default;
};

// The player behind the bus: its state and the operations the bus's calls
// map onto. Called on the main thread only.
class MprisPlayer {
public:
    virtual ~MprisPlayer() = default;
    virtual MprisState GetState() const = 0;
    // The position in the song in microseconds.
    virtual std::int64_t GetPositionUs() const = 0;
    // Counts every jump of the position (a seek, a loop going back), so a
    // change means the desktop must be told the new position.
    virtual std::uint32_t GetJumpCount() const = 0;

    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void PlayPause() = 0;
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    // To `position_us` in the loaded song (never negative; may lie past its end).
    virtual void SetPositionUs(std::int64_t position_us) = 0;
    virtual void SetRate(double rate) = 0;
    virtual void SetVolume(double volume) = 0;
    virtual void SetLoop(MprisLoop loop) = 0;
    virtual void SetFullscreen(bool fullscreen) = 0;
    // Plays or browses what a URI names; empty when it did, else why not.
    virtual std::string OpenUri(const std::string& uri) = 0;
    virtual void Quit() = 0;
};

// The player's presence on the session bus.
class MprisService {
public:
    // Connects to the session bus and asks for the player's name there;
    // null, with one line on standard error, when there is no bus to reach.
    // `desktop_entry` names the desktop file, `mime_types` what it plays.
    static std::unique_ptr<MprisService> Start(MprisPlayer& player, const char* desktop_entry,
                                               const char* const* mime_types);
    virtual ~MprisService() = default;

    // Answers the calls that have arrived and announces what changed since
    // the last look; never waits. False once the service has ended (the
    // name was taken by another program, or the bus went away), after one
    // line on standard error.
    virtual bool Serve() = 0;
};

}  // namespace platform
