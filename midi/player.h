// The one player and the global operations the rest of the program uses to
// reach it. Every operation except PlayerOpen, PlayerIsLoaded and
// PlayerGetPath does nothing (queries give 0) while no song is loaded.
#pragma once

#include <atomic>

#include "platform/win32_types.h"

class CPlayerBase {
public:
    // Registers this object as the one player (the previous one comes back
    // when this one is destroyed).
    CPlayerBase();
    CPlayerBase(const CPlayerBase&) = delete;
    CPlayerBase& operator=(const CPlayerBase&) = delete;
    // Closes the song and unregisters the player.
    virtual ~CPlayerBase();

    // Called once by the application during start-up; nothing to do.
    virtual void Initialize() {}
    virtual bool Load(const char* path) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    // Nothing calls this.
    virtual void Idle() {}
    virtual void Unload() = 0;
    virtual bool IsPlaying() const = 0;
    virtual bool IsPaused() const = 0;
    virtual DWORD GetPlayTime() const = 0;
    virtual void SetVolume(int volume) = 0;
    virtual int GetVolume() const = 0;
    virtual void SetRepeat(bool repeat) = 0;
    virtual bool GetRepeat() const = 0;

    bool IsLoaded() const { return loaded.load(std::memory_order_relaxed) != 0; }
    const char* GetPath() const { return path; }

protected:
    friend bool PlayerOpen(const char* path);
    friend void PlayerClose();
    // Nonzero while a song is loaded (the result of Load).
    std::atomic<int> loaded{0};
    // The path of the last successful PlayerOpen.
    char path[MAX_PATH] = {};

private:
    CPlayerBase* previousPlayer = nullptr;
};

// The registered player, or null.
CPlayerBase* GetPlayer();

// Closes any song, loads `path` between the load hooks; on success resets the
// channel monitor and remembers the path.
bool PlayerOpen(const char* path);
// What PlayerOpen calls just before and just after a load: the application
// suspends and resumes its frames there, so no panel reads a half-loaded
// song. Null hooks (the default) do nothing.
void PlayerSetLoadHooks(void (*before_load)(), void (*after_load)());
void PlayerClose();
bool PlayerIsLoaded();
void PlayerInitialize();
void PlayerPlay();
void PlayerPause();
void PlayerStop();
bool PlayerIsPlaying();
bool PlayerIsPaused();
DWORD PlayerGetPlayTime();
// Volume 0 to PLAYER_MAX_VOLUME.
inline constexpr int PLAYER_MAX_VOLUME = 255;
void PlayerSetVolume(int volume);
int PlayerGetVolume();
void PlayerSetRepeat(bool repeat);
bool PlayerGetRepeat();
// Play-through: a song that ends by itself is followed by the next one of
// its list. A mode of the program rather than of a song, so it is kept and
// reported also while no song is loaded; off at first.
void PlayerSetPlayThrough(bool on);
bool PlayerGetPlayThrough();
// The path of the last successful PlayerOpen (empty before one).
const char* PlayerGetPath();
