#include "midi/player.h"

#include <atomic>
#include <cstring>

#include "midi/channel_monitor.h"
#include "midi/rcp_converter.h"
#include "midi/sequencer.h"

namespace {
CPlayerBase* registered_player = nullptr;
std::atomic<void (*)()> before_load_hook{nullptr};
std::atomic<void (*)()> after_load_hook{nullptr};
std::atomic<bool> play_through{false};

void CallHook(const std::atomic<void (*)()>& hook) {
    if (void (*call)() = hook.load())
        call();
}
}  // namespace

CPlayerBase::CPlayerBase() : previousPlayer(registered_player) {
    registered_player = this;
}

CPlayerBase::~CPlayerBase() {
    PlayerClose();
    if (registered_player == this)
        registered_player = previousPlayer;
}

CPlayerBase* GetPlayer() {
    return registered_player;
}

bool PlayerOpen(const char* path) {
    CPlayerBase* player = GetPlayer();
    if (player == nullptr)
        return false;
    if (player->IsLoaded())
        PlayerClose();
    CallHook(before_load_hook);
    const bool ok = player->Load(path);
    player->loaded.store(ok ? 1 : 0, std::memory_order_relaxed);
    if (ok) {
        GetChannelMonitor().Reset();
        std::strncpy(player->path, path, MAX_PATH - 1);
        player->path[MAX_PATH - 1] = '\0';
    }
    CallHook(after_load_hook);
    return ok;
}

void PlayerSetLoadHooks(void (*before_load)(), void (*after_load)()) {
    before_load_hook.store(before_load);
    after_load_hook.store(after_load);
}

void PlayerClose() {
    CPlayerBase* player = GetPlayer();
    if (player == nullptr || !player->IsLoaded())
        return;
    player->Unload();
    player->loaded.store(0, std::memory_order_relaxed);
}

bool PlayerIsLoaded() {
    return GetPlayer() != nullptr && GetPlayer()->IsLoaded();
}

namespace {
// The registered player when a song is loaded, else null.
CPlayerBase* LoadedPlayer() {
    CPlayerBase* player = GetPlayer();
    return player != nullptr && player->IsLoaded() ? player : nullptr;
}
}  // namespace

void PlayerInitialize() {
    if (CPlayerBase* player = GetPlayer())
        player->Initialize();
}

void PlayerPlay() {
    if (CPlayerBase* player = LoadedPlayer())
        player->Play();
}

void PlayerPause() {
    if (CPlayerBase* player = LoadedPlayer())
        player->Pause();
}

void PlayerStop() {
    if (CPlayerBase* player = LoadedPlayer())
        player->Stop();
}

bool PlayerIsPlaying() {
    CPlayerBase* player = LoadedPlayer();
    return player != nullptr && player->IsPlaying();
}

bool PlayerIsPaused() {
    CPlayerBase* player = LoadedPlayer();
    return player != nullptr && player->IsPaused();
}

DWORD PlayerGetPlayTime() {
    CPlayerBase* player = LoadedPlayer();
    return player != nullptr ? player->GetPlayTime() : 0;
}

void PlayerSetVolume(int volume) {
    if (CPlayerBase* player = LoadedPlayer())
        player->SetVolume(volume);
}

int PlayerGetVolume() {
    CPlayerBase* player = LoadedPlayer();
    return player != nullptr ? player->GetVolume() : 0;
}

void PlayerSetRepeat(bool repeat) {
    if (CPlayerBase* player = LoadedPlayer())
        player->SetRepeat(repeat);
}

bool PlayerGetRepeat() {
    CPlayerBase* player = LoadedPlayer();
    return player != nullptr && player->GetRepeat();
}

void PlayerSetPlayThrough(bool on) {
    play_through.store(on, std::memory_order_relaxed);
}

bool PlayerGetPlayThrough() {
    return play_through.load(std::memory_order_relaxed);
}

const char* PlayerGetPath() {
    CPlayerBase* player = GetPlayer();
    return player != nullptr ? player->GetPath() : "";
}

// The program's sequencer, a global constructed before main runs.
namespace {
CSequencer program_sequencer;
}  // namespace

CSequencer& GetSequencer() {
    // Asked many times a frame: the program's own sequencer needs no cast.
    CPlayerBase* player = GetPlayer();
    if (player == &program_sequencer)
        return program_sequencer;
    if (auto* sequencer = dynamic_cast<CSequencer*>(player))
        return *sequencer;
    return program_sequencer;
}

// Made on first use, so that loading the library does not depend on the
// order in which the program's globals are constructed; the program asks for
// it once at start-up.
CRcpConverter& GetRcpConverter() {
    static CRcpConverter converter;
    return converter;
}
