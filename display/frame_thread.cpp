#include "display/frame_thread.h"

#include "display/display.h"
#include "display/palette.h"
#include "platform/message.h"

namespace {

constexpr WORD kFrameRate = 60;
constexpr DWORD kStopPollMs = 5000;
constexpr DWORD kSuspendAckTimeoutMs = 3000;
constexpr DWORD kFrameWaitMs = 100;
constexpr DWORD kPumpSliceMs = 1;
constexpr DWORD kIdleSleepMs = 100;
// The main thread is woken this long before each frame, so what its idle
// work changes (the words of a song) is drawn in that frame.
constexpr DWORD kMainWakeLeadMs = 2;

constexpr int kFlashEntry = 8;
constexpr int kFlashEveryFrames = 3;
constexpr COLORREF kFlashColour = 0xFFFFFF;
constexpr int kBlinkEntry = 21;
constexpr BYTE kFirstBlinkColour = 22;
constexpr int kBlinkEveryFrames = 20;

}  // namespace

CEventHandle::CEventHandle(bool manual_reset, bool initially_set)
    : handle_(CreateEventA(nullptr, manual_reset ? TRUE : FALSE, initially_set ? TRUE : FALSE,
                           nullptr)) {}

CEventHandle::~CEventHandle() {
    if (handle_)
        CloseHandle(handle_);
}

CFrameThread::CFrameThread(CFrameClock& clock) : pacer_(clock) {}

CFrameThread::~CFrameThread() {
    Stop();
}

bool CFrameThread::Start() {
    if (thread_.load())
        return false;
    stop_.store(0);
    HANDLE thread = CreateThread(nullptr, 0, FrameMain, this, 0, nullptr);
    thread_.store(thread);
    return thread != nullptr;
}

void CFrameThread::Stop() {
    HANDLE thread = thread_.load();
    if (!thread)
        return;
    stop_.store(1);
    while (WaitForSingleObject(thread, kStopPollMs) == WAIT_TIMEOUT) {
    }
    CloseHandle(thread);
    thread_.store(nullptr);
    stop_.store(0);
    std::lock_guard guard(suspension_lock_);
    suspended_ = 0;
}

int CFrameThread::Suspend(bool wait) {
    bool must_wait = false;
    int count;
    {
        std::lock_guard guard(suspension_lock_);
        count = suspend_count_.fetch_add(1) + 1;
        if (count == 1 && suspended_ == 0) {
            // A signal left from an earlier suspension must not answer this one.
            ResetEvent(suspended_event_.Get());
            must_wait = wait && thread_.load() != nullptr;
        }
    }
    if (must_wait) {
        WaitForSingleObject(suspended_event_.Get(), kSuspendAckTimeoutMs);
        ResetEvent(suspended_event_.Get());
    }
    return count;
}

int CFrameThread::Resume() {
    std::lock_guard guard(suspension_lock_);
    int count = suspend_count_.load();
    if (count > 0)
        suspend_count_.store(--count);
    return count;
}

bool CFrameThread::WaitFrame() {
    if (suspend_count_.load() > 0 || !thread_.load())
        return false;
    // Counted before the event is reset, so the frame that sets it also
    // ends the pump's wait below.
    frame_waiters_.fetch_add(1);
    ResetEvent(frame_done_.Get());
    // The display shows finished frames from the main thread's message pump,
    // so a wait on the main thread (fades, Commit) keeps that pump running:
    // otherwise a fade would reach the screen only as its last frame.
    const DWORD started_ms = GetTickCount();
    bool done = false;
    for (;;) {
        if (WaitForSingleObject(frame_done_.Get(), kPumpSliceMs) == WAIT_OBJECT_0) {
            done = true;
            break;
        }
        if (GetTickCount() - started_ms >= kFrameWaitMs)
            break;
        MSG ignored;
        PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE);
    }
    frame_waiters_.fetch_sub(1);
    return done;
}

void CFrameThread::AttachSurfaces(IDirectDrawSurface* primary, IDirectDrawSurface* canvas) {
    primary_ = primary;
    canvas_ = canvas;
    primary_flips_ = false;
    // GetAttachedSurface handed out a reference to the old back buffer.
    if (back_buffer_)
        back_buffer_->Release();
    back_buffer_ = nullptr;
    if (!primary)
        return;
    DDSURFACEDESC desc{};
    desc.dwSize = kSurfaceDescSize;
    primary_flips_ =
        primary->GetSurfaceDesc(&desc) == DD_OK && (desc.ddsCaps.dwCaps & DDSCAPS_FLIP) != 0;
    DDSCAPS caps = {DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* attached = nullptr;
    if (primary->GetAttachedSurface(&caps, &attached) != DD_OK || !attached)
        return;
    back_buffer_ = attached;
}

void CFrameThread::SetMainWakesBeforeFrames(bool wakes) {
    if (main_wakes_before_frames_.exchange(wakes) && !wakes)
        platform::StopMessageQueueWakes();
}

DWORD WINAPI CFrameThread::FrameMain(LPVOID object) {
    auto* self = static_cast<CFrameThread*>(object);
    self->pacer_.Init(kFrameRate, FrameCallback);
    do {
        bool idle;
        {
            std::lock_guard guard(self->suspension_lock_);
            idle = self->suspended_ != 0;
        }
        if (idle)
            Sleep(kIdleSleepMs);
        else
            self->pacer_.Step(self);
        self->FollowSuspension();
    } while (self->stop_.load() == 0);
    return 0;
}

void CFrameThread::FollowSuspension() {
    std::lock_guard guard(suspension_lock_);
    const int count = suspend_count_.load();
    if (count > 0 && suspended_ == 0) {
        suspended_ = 1;
        SetEvent(suspended_event_.Get());
    } else if (count == 0 && suspended_ == 1) {
        suspended_ = 0;
    }
}

int CFrameThread::FrameCallback(void* object) {
    return static_cast<CFrameThread*>(object)->DrawFrame();
}

void CFrameThread::AnimatePalette() {
    CPalette& palette = GetPalette();
    if (++flash_counter_ == kFlashEveryFrames) {
        flash_counter_ = 0;
        palette.SetEntry(kFlashEntry, kFlashColour);
    }
    if (++blink_counter_ == kBlinkEveryFrames) {
        blink_counter_ = 0;
        ++blink_phase_;
        palette.SetLink(kBlinkEntry, static_cast<BYTE>(kFirstBlinkColour + (blink_phase_ & 1)));
    }
}

int CFrameThread::DrawFrame() {
    // The frame is kept as it is drawn and reaches the back buffer's pixels
    // only where it differs from the frame that buffer last held.
    platform::BeginFrameRecording(back_buffer_);
    if (back_buffer_ && canvas_) {
        RECT whole = {0, 0, kScreenWidth, kScreenHeight};
        back_buffer_->BltFast(0, 0, canvas_, &whole, DDBLTFAST_WAIT);
    }
    // Panels draw onto the back buffer only; without one there is nothing to draw on.
    if (back_buffer_)
        if (FrameDrawHook hook = draw_hook_.load())
            hook(back_buffer_);
    platform::EndFrameRecording();
    AnimatePalette();
    GetPalette().Apply();
    if (primary_ && primary_flips_)
        primary_->Flip(nullptr, DDFLIP_WAIT);
    frames_drawn_.fetch_add(1, std::memory_order_relaxed);
    SetEvent(frame_done_.Get());
    // The main thread's waits end shortly before each frame (the schedule is
    // renewed every frame, so it follows the frames), and a wait for this
    // frame ends now.
    if (main_wakes_before_frames_.load(std::memory_order_relaxed)) {
        const DWORD ahead_ms = pacer_.GetTimeToNextFrame();
        platform::WakeMessageQueueIn(ahead_ms > kMainWakeLeadMs ? ahead_ms - kMainWakeLeadMs : 0,
                                     1'000'000u / kFrameRate);
    }
    if (frame_waiters_.load() > 0)
        platform::WakeMessageQueue();
    return 0;
}

CFrameThread& GetFrameThread() {
    static CFrameThread frame_thread;
    return frame_thread;
}

bool StartFrameThread() {
    return GetFrameThread().Start();
}
void StopFrameThread() {
    GetFrameThread().Stop();
}
int SuspendFrames(bool wait) {
    return GetFrameThread().Suspend(wait);
}
int ResumeFrames() {
    return GetFrameThread().Resume();
}
bool WaitFrame() {
    return GetFrameThread().WaitFrame();
}
WORD GetFps() {
    return GetFrameThread().GetFps();
}
bool IsFrameThreadRunning() {
    return GetFrameThread().IsRunning();
}
void AttachSurfaces(IDirectDrawSurface* primary, IDirectDrawSurface* canvas) {
    GetFrameThread().AttachSurfaces(primary, canvas);
}
void SetFrameDrawHook(FrameDrawHook hook) {
    GetFrameThread().SetDrawHook(hook);
}
void SetMainWakesBeforeFrames(bool wakes) {
    GetFrameThread().SetMainWakesBeforeFrames(wakes);
}
