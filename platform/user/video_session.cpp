#include "platform/user/video_session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/message.h"
#include "platform/user.h"
#include "platform/ddraw/display_output.h"
#include "platform/user/key_translation.h"
#include "platform/user/png_writer.h"
#include "platform/report.h"

namespace platform::video {
namespace {

// Script times count from here, the start of the process.
const std::chrono::steady_clock::time_point g_program_start = std::chrono::steady_clock::now();

// A screenshot named relative to where the program started lands there, not
// in whatever folder the selector has browsed into by then.
const std::filesystem::path g_start_folder = [] {
    std::error_code failed;
    return std::filesystem::current_path(failed);
}();

constexpr DWORD kScriptRereadMs = 10;

DWORD MillisecondsSinceStart() {
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - g_program_start)
                                  .count());
}

bool HaveDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

VideoSession& VideoSession::Get() {
    static VideoSession session;
    return session;
}

void VideoSession::ChooseBackend() {
    if (backend_)
        return;
    const char* wanted = std::getenv("NIVRA_VIDEO");
    std::string choice = wanted ? wanted : "";
    if (choice != "fullscreen" && choice != "window" && choice != "headless") {
        if (!choice.empty())
            Report("VIDEO", "unknown NIVRA_VIDEO \"%s\" (fullscreen, window, headless)",
                   choice.c_str());
        choice = !HaveDisplay() ? "headless" : preferred_fullscreen_ ? "fullscreen" : "window";
    }
    if (choice == "headless")
        backend_ = MakeHeadlessBackend();
    else
        backend_ = MakeSdlBackend(choice == "fullscreen");
}

const char* VideoSession::BackendName() {
    ChooseBackend();
    return backend_->Name();
}

void VideoSession::Open(HWND input_window, const char* title) {
    ChooseBackend();
    main_thread_ = std::this_thread::get_id();
    input_window_ = input_window;
    if (!backend_->Open(title ? title : "")) {
        Report("VIDEO", "the %s display cannot open; running headless", backend_->Name());
        backend_ = MakeHeadlessBackend();
        backend_->Open(title);
    }
    open_ = true;
    InstallBackendSleep(true);
    LoadScript();
}

void VideoSession::InstallBackendSleep(bool install) {
    const BackendWaiter waiter = install ? backend_->Waiter() : BackendWaiter{};
    const bool headless = std::strcmp(backend_->Name(), "headless") == 0;
    wakes_pump_ = headless || waiter.wait != nullptr;
    // A window's frames are shown as soon as they are finished, not at the
    // next poll.
    DisplayOutput::Get().SetChangeListener(waiter.wait ? &platform::WakeMessagePump : nullptr);
    platform::SetBackendWait(waiter.wait, waiter.wake);
}

void VideoSession::Close() {
    if (!open_)
        return;
    // Off before the backend goes, so no thread wakes it once gone.
    InstallBackendSleep(false);
    if (OnMainThread())
        backend_->Close();
    open_ = false;
    input_window_ = nullptr;
}

void VideoSession::LoadScript() {
    script_.clear();
    next_action_ = 0;
    script_feed_.reset();
    const char* path = std::getenv("NIVRA_INPUT");
    if (!path || !*path)
        return;
    script_feed_ = std::make_unique<ScriptFeed>(path, g_start_folder);
    if (!script_feed_->IsOpen()) {
        Report("VIDEO", "cannot read NIVRA_INPUT file %s", path);
        script_feed_.reset();
        return;
    }
    ReadNewScriptLines();
}

void VideoSession::ReadNewScriptLines() {
    if (!script_feed_)
        return;
    std::vector<std::string> errors;
    std::vector<ScriptAction> added = script_feed_->TakeNewActions(&errors);
    for (const std::string& error : errors)
        Report("VIDEO", "NIVRA_INPUT %s: not understood", error.c_str());
    if (added.empty())
        return;
    // Lines written later run after the ones already due at the same time.
    script_.insert(script_.end(), added.begin(), added.end());
    std::stable_sort(
        script_.begin() + static_cast<std::ptrdiff_t>(next_action_), script_.end(),
        [](const ScriptAction& a, const ScriptAction& b) { return a.at_ms < b.at_ms; });
}

void VideoSession::PostKey(int virtual_key, bool up, bool alt, bool repeat) {
    keys_down_[virtual_key & 0xFF] = !up;
    PostMessageA(input_window_, KeyMessage(up, alt), static_cast<WPARAM>(virtual_key),
                 KeyLParam(virtual_key, up, alt, repeat));
}

void VideoSession::RunScript() {
    const DWORD now_ms = MillisecondsSinceStart();
    // The file is looked at again now and then for lines appended to it.
    if (now_ms - script_read_ms_ >= kScriptRereadMs) {
        script_read_ms_ = now_ms;
        ReadNewScriptLines();
    }
    while (next_action_ < script_.size() && script_[next_action_].at_ms <= now_ms) {
        const ScriptAction& action = script_[next_action_++];
        if (action.kind == ScriptAction::Kind::Shot) {
            if (!WriteIndexedPng(action.file, DisplayOutput::Get().Snapshot()))
                Report("VIDEO", "cannot write screenshot %s", action.file.c_str());
            continue;
        }
        if (action.kind == ScriptAction::Kind::Close) {
            platform::RequestClose();
            continue;
        }
        if (action.shift)
            PostKey(VK_SHIFT, false, action.alt, false);
        if (action.ctrl)
            PostKey(VK_CONTROL, false, action.alt, false);
        PostKey(action.virtual_key, false, action.alt, false);
        PostKey(action.virtual_key, true, action.alt, false);
        if (action.ctrl)
            PostKey(VK_CONTROL, true, action.alt, false);
        if (action.shift)
            PostKey(VK_SHIFT, true, action.alt, false);
    }
}

void VideoSession::Pump() {
    if (!open_ || !OnMainThread())
        return;
    events_.clear();
    backend_->Poll(events_);
    for (const BackendEvent& event : events_) {
        switch (event.kind) {
            case BackendEvent::Kind::KeyDown:
            case BackendEvent::Kind::KeyUp:
                PostKey(event.virtual_key, event.kind == BackendEvent::Kind::KeyUp, event.alt,
                        event.repeat);
                break;
            case BackendEvent::Kind::Close:
                platform::RequestClose();
                break;
            case BackendEvent::Kind::FocusGained:
                PostMessageA(input_window_, WM_ACTIVATEAPP, 1, 0);
                break;
            case BackendEvent::Kind::FocusLost:
                PostMessageA(input_window_, WM_ACTIVATEAPP, 0, 0);
                break;
        }
    }
    RunScript();
    // Headless keeps frames only for screenshots; nothing to show.
    if (std::strcmp(backend_->Name(), "headless") != 0) {
        if (DisplayOutput::Get().TakeIfChanged(presented_change_, frame_to_show_))
            backend_->Present(frame_to_show_);
    }
}

DWORD VideoSession::PumpWaitLimitMs() const {
    constexpr DWORD kPollEveryMs = 1;
    constexpr DWORD kNothingToWaitFor = ~DWORD{0};
    if (!open_ || !OnMainThread() || !wakes_pump_)
        return kPollEveryMs;
    // Lines appended to the input file are looked for this often.
    constexpr DWORD kScriptFeedPollMs = 20;
    if (next_action_ >= script_.size())
        return script_feed_ ? kScriptFeedPollMs : kNothingToWaitFor;
    const DWORD due_ms = script_[next_action_].at_ms;
    const DWORD now_ms = MillisecondsSinceStart();
    return due_ms > now_ms ? due_ms - now_ms : 0;
}

void VideoSession::Minimize() {
    if (open_ && OnMainThread())
        backend_->Minimize();
}

void VideoSession::SetTitle(const char* title) {
    if (open_ && OnMainThread())
        backend_->SetTitle(title);
}

void VideoSession::SetCursorShown(bool shown) {
    if (open_ && OnMainThread())
        backend_->SetCursorShown(shown);
}

void VideoSession::SetWaitCursor(bool waiting) {
    if (open_ && OnMainThread())
        backend_->SetWaitCursor(waiting);
}

bool VideoSession::IsKeyDown(int virtual_key) const {
    return keys_down_[virtual_key & 0xFF];
}

bool VideoSession::ToggleFullscreen() {
    if (!open_ || !OnMainThread())
        return false;
    return backend_->SetFullscreen(std::strcmp(backend_->Name(), "fullscreen") != 0);
}

}  // namespace platform::video

namespace platform {

const char* GetVideoBackendName() {
    return video::VideoSession::Get().BackendName();
}

void SetPreferredVideoMode(bool fullscreen) {
    video::VideoSession::Get().SetPreferredFullscreen(fullscreen);
}

bool ToggleFullscreen() {
    return video::VideoSession::Get().ToggleFullscreen();
}

}  // namespace platform
