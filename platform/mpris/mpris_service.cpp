// The MPRIS 2 player on the session bus, through sd-bus: the connection and
// its name, the two interfaces' tables, and the announcements of changes.
// Everything runs on the main thread; nothing waits on the bus, so a slow
// or dead bus never holds the program up.
#include "platform/mpris.h"

#include <poll.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <string_view>
#include <vector>

#include "platform/report.h"

namespace platform {
namespace {

constexpr const char* kArea = "MPRIS";
constexpr const char* kBusName = "org.mpris.MediaPlayer2.nivra";
constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr const char* kIdentity = "NIVRA";
constexpr double kMinimumRate = 0.25;
constexpr double kMaximumRate = 4.0;
// How often the player's state is compared with what was last announced.
constexpr auto kLookInterval = std::chrono::milliseconds(20);
// Bus work done in one Serve at most, so a flood of calls cannot hold the
// program up; the rest waits for the next Serve.
constexpr int kMaxStepsPerServe = 64;
// How long the end of the program waits for replies still to be written.
constexpr int kFlushAtEnd_ms = 200;
// The answers of the bus to RequestName.
constexpr std::uint32_t kPrimaryOwner = 1;
constexpr std::uint32_t kAlreadyOwner = 4;

using BusPtr = std::unique_ptr<sd_bus, decltype(&sd_bus_close_unref)>;
using SlotPtr = std::unique_ptr<sd_bus_slot, decltype(&sd_bus_slot_unref)>;

const char* StatusName(MprisStatus status) {
    switch (status) {
        case MprisStatus::kPlaying:
            return "Playing";
        case MprisStatus::kPaused:
            return "Paused";
        case MprisStatus::kStopped:
            break;
    }
    return "Stopped";
}

const char* LoopName(MprisLoop loop) {
    switch (loop) {
        case MprisLoop::kTrack:
            return "Track";
        case MprisLoop::kPlaylist:
            return "Playlist";
        case MprisLoop::kNone:
            break;
    }
    return "None";
}

class SdBusService final : public MprisService {
public:
    SdBusService(MprisPlayer& player, const char* desktop_entry, const char* const* mime_types)
        : player_(player), desktop_entry_(desktop_entry) {
        for (const char* const* type = mime_types; type && *type; ++type)
            mime_types_.push_back(*type);
        mime_types_.push_back(nullptr);
    }
    ~SdBusService() override { FlushBriefly(); }

    // Connects and asks for the name; false after one line on standard error.
    bool Connect();
    bool Serve() override;

private:
    static const sd_bus_vtable kRootTable[];
    static const sd_bus_vtable kPlayerTable[];

    static SdBusService& Of(void* userdata) { return *static_cast<SdBusService*>(userdata); }
    static int OnNameReply(sd_bus_message* reply, void* userdata, sd_bus_error* error);

    // Root interface.
    static int GetRootProperty(sd_bus*, const char*, const char*, const char* property,
                               sd_bus_message* reply, void* userdata, sd_bus_error*);
    static int SetFullscreen(sd_bus*, const char*, const char*, const char*, sd_bus_message* value,
                             void* userdata, sd_bus_error*);
    static int Raise(sd_bus_message* call, void*, sd_bus_error*);
    static int Quit(sd_bus_message* call, void* userdata, sd_bus_error*);

    // Player interface.
    static int GetPlayerProperty(sd_bus*, const char*, const char*, const char* property,
                                 sd_bus_message* reply, void* userdata, sd_bus_error*);
    static int AppendMetadata(sd_bus_message* reply, const MprisTrack& track);
    static int SetRate(sd_bus*, const char*, const char*, const char*, sd_bus_message* value,
                       void* userdata, sd_bus_error* error);
    static int SetVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value,
                         void* userdata, sd_bus_error* error);
    static int SetLoopStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* value,
                             void* userdata, sd_bus_error* error);
    static int Transport(sd_bus_message* call, void* userdata, sd_bus_error*);
    static int Seek(sd_bus_message* call, void* userdata, sd_bus_error*);
    static int SetPosition(sd_bus_message* call, void* userdata, sd_bus_error*);
    static int OpenUri(sd_bus_message* call, void* userdata, sd_bus_error* error);

    // Runs the bus's waiting work; false when the connection failed.
    bool ProcessBus();
    bool BusIsReady();
    void AnnounceChanges();
    void Announce(const char* interface, std::vector<const char*> names);
    // Ends the service after one line naming why.
    void End(const char* why);
    void FlushBriefly();

    MprisPlayer& player_;
    const char* desktop_entry_;
    std::vector<const char*> mime_types_;
    BusPtr bus_{nullptr, sd_bus_close_unref};
    SlotPtr root_slot_{nullptr, sd_bus_slot_unref};
    SlotPtr player_slot_{nullptr, sd_bus_slot_unref};
    SlotPtr name_slot_{nullptr, sd_bus_slot_unref};
    bool ended_ = false;
    MprisState announced_;
    std::uint32_t announced_jumps_ = 0;
    std::chrono::steady_clock::time_point last_look_{};
};

constexpr auto kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr auto kEmits = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;

const sd_bus_vtable SdBusService::kRootTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", Raise, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Quit", "", "", Quit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("CanQuit", "b", GetRootProperty, 0, kConst),
    SD_BUS_PROPERTY("CanRaise", "b", GetRootProperty, 0, kConst),
    SD_BUS_PROPERTY("HasTrackList", "b", GetRootProperty, 0, kConst),
    SD_BUS_PROPERTY("Identity", "s", GetRootProperty, 0, kConst),
    SD_BUS_PROPERTY("DesktopEntry", "s", GetRootProperty, 0, kConst),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", GetRootProperty, 0, kConst),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", GetRootProperty, 0, kConst),
    SD_BUS_WRITABLE_PROPERTY("Fullscreen", "b", GetRootProperty, SetFullscreen, 0,
                             SD_BUS_VTABLE_UNPRIVILEGED | kEmits),
    SD_BUS_PROPERTY("CanSetFullscreen", "b", GetRootProperty, 0, kEmits),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable SdBusService::kPlayerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Next", "", "", Transport, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Previous", "", "", Transport, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Pause", "", "", Transport, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("PlayPause", "", "", Transport, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Stop", "", "", Transport, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Play", "", "", Transport, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Seek", "x", "", Seek, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetPosition", "ox", "", SetPosition, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("OpenUri", "s", "", OpenUri, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("Seeked", "x", 0),
    SD_BUS_PROPERTY("PlaybackStatus", "s", GetPlayerProperty, 0, kEmits),
    SD_BUS_WRITABLE_PROPERTY("LoopStatus", "s", GetPlayerProperty, SetLoopStatus, 0,
                             SD_BUS_VTABLE_UNPRIVILEGED | kEmits),
    SD_BUS_WRITABLE_PROPERTY("Rate", "d", GetPlayerProperty, SetRate, 0,
                             SD_BUS_VTABLE_UNPRIVILEGED | kEmits),
    SD_BUS_PROPERTY("Shuffle", "b", GetPlayerProperty, 0, kConst),
    SD_BUS_PROPERTY("Metadata", "a{sv}", GetPlayerProperty, 0, kEmits),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", GetPlayerProperty, SetVolume, 0,
                             SD_BUS_VTABLE_UNPRIVILEGED | kEmits),
    // Read on demand: the Seeked signal tells of jumps.
    SD_BUS_PROPERTY("Position", "x", GetPlayerProperty, 0, 0),
    SD_BUS_PROPERTY("MinimumRate", "d", GetPlayerProperty, 0, kConst),
    SD_BUS_PROPERTY("MaximumRate", "d", GetPlayerProperty, 0, kConst),
    SD_BUS_PROPERTY("CanGoNext", "b", GetPlayerProperty, 0, kConst),
    SD_BUS_PROPERTY("CanGoPrevious", "b", GetPlayerProperty, 0, kConst),
    SD_BUS_PROPERTY("CanPlay", "b", GetPlayerProperty, 0, kEmits),
    SD_BUS_PROPERTY("CanPause", "b", GetPlayerProperty, 0, kEmits),
    SD_BUS_PROPERTY("CanSeek", "b", GetPlayerProperty, 0, kEmits),
    SD_BUS_PROPERTY("CanControl", "b", GetPlayerProperty, 0, kConst),
    SD_BUS_VTABLE_END,
};

bool SdBusService::Connect() {
    sd_bus* bus = nullptr;
    int result = sd_bus_open_user(&bus);
    if (result < 0) {
        Report(kArea, "no session bus (%s); the desktop's player controls are off",
               std::strerror(-result));
        return false;
    }
    bus_.reset(bus);
    sd_bus_slot* slot = nullptr;
    result = sd_bus_add_object_vtable(bus, &slot, kObjectPath, kRootInterface, kRootTable, this);
    root_slot_.reset(slot);
    if (result >= 0) {
        result =
            sd_bus_add_object_vtable(bus, &slot, kObjectPath, kPlayerInterface, kPlayerTable, this);
        player_slot_.reset(slot);
    }
    // Asked without waiting: the answer comes through Serve.
    if (result >= 0) {
        result = sd_bus_request_name_async(bus, &slot, kBusName, 0, OnNameReply, this);
        name_slot_.reset(slot);
    }
    if (result < 0) {
        Report(kArea, "cannot offer the player on the session bus (%s); the controls are off",
               std::strerror(-result));
        return false;
    }
    announced_ = player_.GetState();
    announced_jumps_ = player_.GetJumpCount();
    return true;
}

int SdBusService::OnNameReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
    SdBusService& service = Of(userdata);
    if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
        service.End(error->message != nullptr ? error->message : error->name);
        return 0;
    }
    std::uint32_t answer = 0;
    if (sd_bus_message_read(reply, "u", &answer) < 0 ||
        (answer != kPrimaryOwner && answer != kAlreadyOwner))
        service.End("its name is owned by another program");
    return 0;
}

void SdBusService::End(const char* why) {
    if (ended_)
        return;
    ended_ = true;
    Report(kArea, "%s; running without the desktop's player controls", why);
}

bool SdBusService::BusIsReady() {
    const int events = sd_bus_get_events(bus_.get());
    if (events < 0)
        return true;  // let processing say what is wrong
    pollfd watched{sd_bus_get_fd(bus_.get()), static_cast<short>(events), 0};
    if (poll(&watched, 1, 0) > 0)
        return true;
    std::uint64_t deadline_us = 0;
    if (sd_bus_get_timeout(bus_.get(), &deadline_us) < 0 ||
        deadline_us == std::numeric_limits<std::uint64_t>::max())
        return false;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto now_us = static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
                        static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
    return deadline_us <= now_us;
}

bool SdBusService::ProcessBus() {
    if (!BusIsReady())
        return true;
    for (int step = 0; step < kMaxStepsPerServe && !ended_; ++step) {
        const int result = sd_bus_process(bus_.get(), nullptr);
        if (result < 0) {
            char why[160];
            std::snprintf(why, sizeof why, "the session bus went away (%s)",
                          std::strerror(-result));
            End(why);
            return false;
        }
        if (result == 0)
            break;
    }
    return !ended_;
}

bool SdBusService::Serve() {
    if (ended_ || !ProcessBus())
        return false;
    const std::uint32_t jumps = player_.GetJumpCount();
    if (jumps != announced_jumps_) {
        announced_jumps_ = jumps;
        sd_bus_emit_signal(bus_.get(), kObjectPath, kPlayerInterface, "Seeked", "x",
                           static_cast<std::int64_t>(player_.GetPositionUs()));
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - last_look_ >= kLookInterval) {
        last_look_ = now;
        AnnounceChanges();
    }
    return !ended_;
}

void SdBusService::AnnounceChanges() {
    const MprisState state = player_.GetState();
    if (state == announced_)
        return;
    const MprisState before = announced_;
    // The getters read the state as it is now; stored first so the
    // announcement and later reads agree.
    announced_ = state;
    std::vector<const char*> root;
    if (state.fullscreen != before.fullscreen)
        root.push_back("Fullscreen");
    if (state.can_set_fullscreen != before.can_set_fullscreen)
        root.push_back("CanSetFullscreen");
    Announce(kRootInterface, root);
    std::vector<const char*> player;
    if (state.status != before.status)
        player.push_back("PlaybackStatus");
    if (state.loop != before.loop)
        player.push_back("LoopStatus");
    if (state.rate != before.rate)
        player.push_back("Rate");
    if (state.volume != before.volume)
        player.push_back("Volume");
    if (!(state.track == before.track)) {
        player.push_back("Metadata");
        if (state.track.id.empty() != before.track.id.empty())
            player.insert(player.end(), {"CanPlay", "CanPause", "CanSeek"});
    }
    Announce(kPlayerInterface, player);
}

void SdBusService::Announce(const char* interface, std::vector<const char*> names) {
    if (names.empty())
        return;
    names.push_back(nullptr);
    const int result = sd_bus_emit_properties_changed_strv(bus_.get(), kObjectPath, interface,
                                                           const_cast<char**>(names.data()));
    // Said once: a bus that refuses one announcement likely refuses them all.
    static std::atomic<bool> said{false};
    if (result < 0 && result != -ENOTCONN)
        ReportOnce(said, kArea, "cannot announce a change (%s)", std::strerror(-result));
}

void SdBusService::FlushBriefly() {
    if (!bus_ || ended_)
        return;
    // A reply to Quit may still be waiting to be written.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFlushAtEnd_ms);
    while (std::chrono::steady_clock::now() < until) {
        const int events = sd_bus_get_events(bus_.get());
        if (events <= 0 || !(events & POLLOUT))
            return;
        pollfd watched{sd_bus_get_fd(bus_.get()), POLLOUT, 0};
        poll(&watched, 1, 10);
        if (sd_bus_process(bus_.get(), nullptr) < 0)
            return;
    }
}

int SdBusService::GetRootProperty(sd_bus*, const char*, const char*, const char* property,
                                  sd_bus_message* reply, void* userdata, sd_bus_error*) {
    SdBusService& service = Of(userdata);
    const std::string_view name = property;
    if (name == "CanQuit")
        return sd_bus_message_append(reply, "b", 1);
    if (name == "CanRaise" || name == "HasTrackList")
        return sd_bus_message_append(reply, "b", 0);
    if (name == "Identity")
        return sd_bus_message_append(reply, "s", kIdentity);
    if (name == "DesktopEntry")
        return sd_bus_message_append(reply, "s", service.desktop_entry_);
    if (name == "SupportedUriSchemes")
        return sd_bus_message_append(reply, "as", 1, "file");
    if (name == "SupportedMimeTypes")
        return sd_bus_message_append_strv(reply, const_cast<char**>(service.mime_types_.data()));
    const MprisState state = service.player_.GetState();
    if (name == "Fullscreen")
        return sd_bus_message_append(reply, "b", state.fullscreen ? 1 : 0);
    return sd_bus_message_append(reply, "b", state.can_set_fullscreen ? 1 : 0);
}

int SdBusService::SetFullscreen(sd_bus*, const char*, const char*, const char*,
                                sd_bus_message* value, void* userdata, sd_bus_error*) {
    int fullscreen = 0;
    const int result = sd_bus_message_read(value, "b", &fullscreen);
    if (result < 0)
        return result;
    // Where the switch is not possible (headless) the setting has no effect.
    if (Of(userdata).player_.GetState().can_set_fullscreen)
        Of(userdata).player_.SetFullscreen(fullscreen != 0);
    return 1;
}

int SdBusService::Raise(sd_bus_message* call, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(call, "");
}

int SdBusService::Quit(sd_bus_message* call, void* userdata, sd_bus_error*) {
    Of(userdata).player_.Quit();
    return sd_bus_reply_method_return(call, "");
}

int SdBusService::AppendMetadata(sd_bus_message* reply, const MprisTrack& track) {
    int result = sd_bus_message_open_container(reply, 'a', "{sv}");
    if (result < 0)
        return result;
    if (track.id.empty()) {
        result = sd_bus_message_append(reply, "{sv}", "mpris:trackid", "o", kNoTrack);
    } else {
        result = sd_bus_message_append(reply, "{sv}{sv}{sv}{sv}{sv}", "mpris:trackid", "o",
                                       track.id.c_str(), "mpris:length", "x", track.length_us,
                                       "xesam:title", "s", track.title.c_str(), "xesam:url", "s",
                                       track.url.c_str(), "xesam:album", "s", track.album.c_str());
    }
    if (result < 0)
        return result;
    return sd_bus_message_close_container(reply);
}

int SdBusService::GetPlayerProperty(sd_bus*, const char*, const char*, const char* property,
                                    sd_bus_message* reply, void* userdata, sd_bus_error*) {
    MprisPlayer& player = Of(userdata).player_;
    const std::string_view name = property;
    if (name == "Position")
        return sd_bus_message_append(reply, "x", static_cast<std::int64_t>(player.GetPositionUs()));
    if (name == "MinimumRate")
        return sd_bus_message_append(reply, "d", kMinimumRate);
    if (name == "MaximumRate")
        return sd_bus_message_append(reply, "d", kMaximumRate);
    if (name == "Shuffle")
        return sd_bus_message_append(reply, "b", 0);
    if (name == "CanGoNext" || name == "CanGoPrevious" || name == "CanControl")
        return sd_bus_message_append(reply, "b", 1);
    const MprisState state = player.GetState();
    if (name == "PlaybackStatus")
        return sd_bus_message_append(reply, "s", StatusName(state.status));
    if (name == "LoopStatus")
        return sd_bus_message_append(reply, "s", LoopName(state.loop));
    if (name == "Rate")
        return sd_bus_message_append(reply, "d", state.rate);
    if (name == "Volume")
        return sd_bus_message_append(reply, "d", state.volume);
    if (name == "Metadata")
        return AppendMetadata(reply, state.track);
    // CanPlay, CanPause, CanSeek: there is a song to do it with.
    return sd_bus_message_append(reply, "b", state.track.id.empty() ? 0 : 1);
}

int SdBusService::SetRate(sd_bus*, const char*, const char*, const char*, sd_bus_message* value,
                          void* userdata, sd_bus_error* error) {
    double rate = 0;
    const int result = sd_bus_message_read(value, "d", &rate);
    if (result < 0)
        return result;
    if (!std::isfinite(rate) || rate < 0)
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "Rate must be 0.25 to 4");
    // A rate of 0 is taken as a pause, as players are asked to.
    if (rate == 0)
        Of(userdata).player_.Pause();
    else
        Of(userdata).player_.SetRate(std::fmin(std::fmax(rate, kMinimumRate), kMaximumRate));
    return 1;
}

int SdBusService::SetVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value,
                            void* userdata, sd_bus_error* error) {
    double volume = 0;
    const int result = sd_bus_message_read(value, "d", &volume);
    if (result < 0)
        return result;
    if (!std::isfinite(volume))
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "Volume must be 0 to 1");
    Of(userdata).player_.SetVolume(std::fmin(std::fmax(volume, 0.0), 1.0));
    return 1;
}

int SdBusService::SetLoopStatus(sd_bus*, const char*, const char*, const char*,
                                sd_bus_message* value, void* userdata, sd_bus_error* error) {
    const char* text = nullptr;
    const int result = sd_bus_message_read(value, "s", &text);
    if (result < 0)
        return result;
    for (MprisLoop loop : {MprisLoop::kNone, MprisLoop::kTrack, MprisLoop::kPlaylist}) {
        if (std::strcmp(text, LoopName(loop)) == 0) {
            Of(userdata).player_.SetLoop(loop);
            return 1;
        }
    }
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS,
                            "LoopStatus is None, Track or Playlist");
}

int SdBusService::Transport(sd_bus_message* call, void* userdata, sd_bus_error*) {
    MprisPlayer& player = Of(userdata).player_;
    const std::string_view member = sd_bus_message_get_member(call);
    if (member == "Next")
        player.Next();
    else if (member == "Previous")
        player.Previous();
    else if (member == "Pause")
        player.Pause();
    else if (member == "PlayPause")
        player.PlayPause();
    else if (member == "Stop")
        player.Stop();
    else
        player.Play();
    return sd_bus_reply_method_return(call, "");
}

int SdBusService::Seek(sd_bus_message* call, void* userdata, sd_bus_error*) {
    std::int64_t offset_us = 0;
    const int result = sd_bus_message_read(call, "x", &offset_us);
    if (result < 0)
        return result;
    MprisPlayer& player = Of(userdata).player_;
    if (!player.GetState().track.id.empty()) {
        // Before the start is the start; past the end the song ends, as the
        // jump keys make it.
        const std::int64_t position = player.GetPositionUs();
        std::int64_t target = 0;
        if (__builtin_add_overflow(position, offset_us, &target))
            target = offset_us < 0 ? 0 : std::numeric_limits<std::int64_t>::max();
        player.SetPositionUs(target < 0 ? 0 : target);
    }
    return sd_bus_reply_method_return(call, "");
}

int SdBusService::SetPosition(sd_bus_message* call, void* userdata, sd_bus_error*) {
    const char* track_id = nullptr;
    std::int64_t position_us = 0;
    const int result = sd_bus_message_read(call, "ox", &track_id, &position_us);
    if (result < 0)
        return result;
    MprisPlayer& player = Of(userdata).player_;
    const MprisTrack track = player.GetState().track;
    // A position for another song, before the start or past the end is ignored.
    if (!track.id.empty() && track.id == track_id && position_us >= 0 &&
        position_us <= track.length_us)
        player.SetPositionUs(position_us);
    return sd_bus_reply_method_return(call, "");
}

int SdBusService::OpenUri(sd_bus_message* call, void* userdata, sd_bus_error* error) {
    const char* uri = nullptr;
    const int result = sd_bus_message_read(call, "s", &uri);
    if (result < 0)
        return result;
    const std::string refusal = Of(userdata).player_.OpenUri(uri);
    if (!refusal.empty())
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, refusal.c_str());
    return sd_bus_reply_method_return(call, "");
}

}  // namespace

std::unique_ptr<MprisService> MprisService::Start(MprisPlayer& player, const char* desktop_entry,
                                                  const char* const* mime_types) {
    auto service = std::make_unique<SdBusService>(player, desktop_entry, mime_types);
    if (!service->Connect())
        return nullptr;
    return service;
}

}  // namespace platform
