// The SDL window: full-screen on the desktop or a resizable window, the two
// switched while it is open; in both the 640x480 picture is scaled by the
// largest whole factor that fits, black around it. SDL has no paletted
// textures, so each frame is expanded to 32-bit colour through a lookup
// table that is rebuilt whenever the palette changes.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/user/key_translation.h"
#include "platform/backends/video/video_backend.h"
#include "platform/report.h"

namespace platform::video {
namespace {

// An event of the program's own that only ends the main thread's sleep in
// SDL (registered once: SDL never gives an event type back).
std::atomic<Uint32> g_wake_event_type{0};

bool RegisterWakeEvent() {
    if (g_wake_event_type.load(std::memory_order_acquire) != 0)
        return true;
    const Uint32 type = SDL_RegisterEvents(1);
    if (type == static_cast<Uint32>(-1))
        return false;
    g_wake_event_type.store(type, std::memory_order_release);
    return true;
}

// Sleeps until SDL has an event, leaving it queued for Poll. Where the video
// driver cannot sleep on its connection, SDL looks every millisecond instead.
void WaitForSdlEvent(DWORD timeout_ms) {
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<DWORD>(timeout_ms, 0x7FFFFFFF)));
}

// Any thread: SDL's queue is thread-safe, and a pushed event ends a sleep
// that has begun or is about to.
void WakeSdlWait() {
    SDL_Event event{};
    event.type = g_wake_event_type.load(std::memory_order_acquire);
    if (event.type != 0)
        SDL_PushEvent(&event);
}

class SdlBackend final : public VideoBackend {
public:
    explicit SdlBackend(bool fullscreen) : fullscreen_(fullscreen) {}
    ~SdlBackend() override { Close(); }

    const char* Name() const override { return fullscreen_ ? "fullscreen" : "window"; }

    bool Open(const char* title) override {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            Report("VIDEO:SDL", "%s", SDL_GetError());
            return false;
        }
        video_started_ = true;
        if (!ShowsAnything()) {
            std::fprintf(stderr, "VIDEO:SDL: no display (SDL's %s driver shows nothing)\n",
                         SDL_GetCurrentVideoDriver());
            Close();
            return false;
        }
        // Resizable in both modes, so the window left after a switch from
        // the full screen can be resized too.
        Uint32 flags = SDL_WINDOW_RESIZABLE;
        if (fullscreen_)
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480,
                                   flags);
        if (window_)
            SDL_SetWindowMinimumSize(window_, 640, 480);
        if (window_)
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
        if (window_ && !renderer_)
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) {
            Report("VIDEO:SDL", "%s", SDL_GetError());
            Close();
            return false;
        }
        can_wait_ = RegisterWakeEvent();
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        SDL_RenderSetLogicalSize(renderer_, 640, 480);
        SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
        return true;
    }

    void Close() override {
        if (texture_)
            SDL_DestroyTexture(texture_);
        if (renderer_)
            SDL_DestroyRenderer(renderer_);
        if (window_)
            SDL_DestroyWindow(window_);
        for (SDL_Cursor* cursor : cursors_)
            if (cursor)
                SDL_FreeCursor(cursor);
        cursors_ = {};
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
        can_wait_ = false;
        if (video_started_)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_started_ = false;
    }

    void Poll(std::vector<BackendEvent>& events) override {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            switch (event.type) {
                case SDL_QUIT:
                    events.push_back({BackendEvent::Kind::Close});
                    break;
                case SDL_WINDOWEVENT:
                    if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                        events.push_back({BackendEvent::Kind::FocusGained});
                    else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                        events.push_back({BackendEvent::Kind::FocusLost});
                    else if (event.window.event == SDL_WINDOWEVENT_EXPOSED)
                        Redraw();
                    break;
                case SDL_KEYDOWN:
                case SDL_KEYUP: {
                    const int key = VirtualKeyFromSdl(event.key.keysym.sym);
                    if (!key)
                        break;
                    BackendEvent key_event;
                    key_event.kind = event.type == SDL_KEYDOWN ? BackendEvent::Kind::KeyDown
                                                               : BackendEvent::Kind::KeyUp;
                    key_event.virtual_key = key;
                    key_event.alt = (event.key.keysym.mod & KMOD_ALT) != 0;
                    key_event.repeat = event.key.repeat != 0;
                    events.push_back(key_event);
                    break;
                }
                default:
                    // Also the wake events: they have done their work.
                    break;
            }
        }
    }

    BackendWaiter Waiter() const override {
        if (!can_wait_)
            return {};
        return {&WaitForSdlEvent, &WakeSdlWait};
    }

    void Present(const VisibleFrame& frame) override {
        if (!renderer_ || frame.width_px <= 0 || frame.height_px <= 0)
            return;
        if (!texture_ || frame.width_px != texture_width_px_ ||
            frame.height_px != texture_height_px_) {
            if (texture_)
                SDL_DestroyTexture(texture_);
            texture_ =
                SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                  frame.width_px, frame.height_px);
            texture_width_px_ = frame.width_px;
            texture_height_px_ = frame.height_px;
            SDL_RenderSetLogicalSize(renderer_, frame.width_px, frame.height_px);
        }
        if (!texture_)
            return;
        if (std::memcmp(frame.palette.data(), table_palette_.data(), sizeof(table_palette_)) != 0 ||
            !table_built_) {
            for (int i = 0; i < 256; ++i)
                colour_table_[i] = 0xFF000000u | (Uint32{frame.palette[i].peRed} << 16) |
                                   (Uint32{frame.palette[i].peGreen} << 8) |
                                   frame.palette[i].peBlue;
            table_palette_ = frame.palette;
            table_built_ = true;
        }
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0)
            return;
        for (int row = 0; row < frame.height_px; ++row) {
            auto* out = reinterpret_cast<Uint32*>(static_cast<Uint8*>(pixels) + row * pitch);
            const BYTE* in = frame.pixels.data() + static_cast<std::size_t>(row) * frame.width_px;
            for (int column = 0; column < frame.width_px; ++column)
                out[column] = colour_table_[in[column]];
        }
        SDL_UnlockTexture(texture_);
        Redraw();
    }

    void Minimize() override {
        if (window_)
            SDL_MinimizeWindow(window_);
    }

    void SetTitle(const char* title) override {
        if (window_)
            SDL_SetWindowTitle(window_, title);
    }

    bool SetFullscreen(bool fullscreen) override {
        if (!window_)
            return false;
        if (SDL_SetWindowFullscreen(window_, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
            Report("VIDEO:SDL", "cannot switch to %s: %s", fullscreen ? "fullscreen" : "a window",
                   SDL_GetError());
            return false;
        }
        fullscreen_ = fullscreen;
        // The output changed size: the logical size scales the last frame
        // into it anew.
        Redraw();
        return true;
    }

    void SetCursorShown(bool shown) override {
        if (video_started_)
            SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
    }

    void SetWaitCursor(bool waiting) override {
        if (!video_started_)
            return;
        const int slot = waiting ? 1 : 0;
        if (!cursors_[slot])
            cursors_[slot] =
                SDL_CreateSystemCursor(waiting ? SDL_SYSTEM_CURSOR_WAIT : SDL_SYSTEM_CURSOR_ARROW);
        if (cursors_[slot])
            SDL_SetCursor(cursors_[slot]);
    }

private:
    // Without a display SDL falls back to a driver that draws into memory
    // only; a window there would run unseen. Such a driver counts only when
    // SDL_VIDEODRIVER asks for it by name (as tests do).
    static bool ShowsAnything() {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!driver || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0))
            return true;
        const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
        return wanted && SDL_strcasestr(wanted, driver) != nullptr;
    }

    void Redraw() {
        if (!renderer_)
            return;
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        if (texture_)
            SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    bool fullscreen_;
    bool video_started_ = false;
    bool can_wait_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int texture_width_px_ = 0;
    int texture_height_px_ = 0;
    std::array<Uint32, 256> colour_table_{};
    std::array<PALETTEENTRY, 256> table_palette_{};
    bool table_built_ = false;
    std::array<SDL_Cursor*, 2> cursors_{};
};

}  // namespace

std::unique_ptr<VideoBackend> MakeSdlBackend(bool fullscreen) {
    return std::make_unique<SdlBackend>(fullscreen);
}

}  // namespace platform::video
