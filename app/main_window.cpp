#include "app/main_window.h"

#include <algorithm>
#include <atomic>

#include "app/application.h"
#include "app/error_box.h"
#include "app/song_steps.h"
#include "app/transport_keys.h"
#include "display/display.h"
#include "display/frame_thread.h"
#include "display/palette.h"
#include "gfx/draw.h"
#include "gfx/exception.h"
#include "gfx/panel.h"
#include "gfx/panel_list.h"
#include "gfx/segment_font.h"
#include "gfx/text.h"
#include "midi/player.h"
#include "platform/message.h"
#include "platform/user.h"

namespace {

constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_BYTEALIGNCLIENT;
constexpr DWORD kWindowStyle = WS_POPUP | WS_VISIBLE | WS_SYSMENU;
constexpr DWORD kWindowExStyle = WS_EX_TOPMOST;
constexpr const char* kClassName = "NIVRAWND";
constexpr const char* kWindowTitle = "NIVRA";
constexpr const char* kIconName = "IDR_ICON_NIVRA";

constexpr DWORD kPrimaryCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;

constexpr int kDeviceSelectionPanelId = 3;
constexpr int kVolumeStep = 16;
constexpr int kFadeSteps = 21;
constexpr int kFadeStepPercent = 5;
constexpr WORD kFullBrightness = 100;

// Alt is held when bit 29 of a key message's lParam is set.
constexpr LPARAM kAltHeldBit = 1 << 29;
// Bit 30: the key was already down (a repeat).
constexpr LPARAM kKeyRepeatBit = 1 << 30;

std::atomic<bool> application_active{true};

// Colour-fills the whole screen rectangle of a DirectDraw surface with index 0.
void ClearScreenRect(IDirectDrawSurface* surface) {
    FillRect(surface, 0, 0, kScreenWidth, kScreenHeight, 0);
}

void ReleaseSurface(CSurface& surface) {
    if (surface.surface)
        surface.surface->Release();
    surface.Clear();
}

// The palette digit of an Alt+digit key (main row or numeric keypad), or -1.
int PaletteDigit(WPARAM key) {
    if (key >= '0' && key <= '9')
        return static_cast<int>(key - '0');
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return static_cast<int>(key - VK_NUMPAD0);
    return -1;
}

}  // namespace

CMainWindow::~CMainWindow() {
    // The frame thread keeps a reference to the back buffer; it is stopped by
    // now, so it can let go before the flip chain is released.
    if (!IsFrameThreadRunning())
        AttachSurfaces(nullptr, nullptr);
    ReleaseSurface(canvas_);
    ReleaseSurface(primary_);
}

bool CMainWindow::IsApplicationActive() {
    return application_active.load();
}

void CMainWindow::Create() {
    WNDCLASSA window_class = {};
    window_class.style = kClassStyle;
    CApplicationBase* application = CApplicationBase::Get();
    window_class.hIcon =
        LoadIconA(application ? application->GetInstanceHandle() : nullptr, kIconName);
    window_class.lpszClassName = kClassName;
    if (!RegisterClass(window_class))
        throw ERRORCODE_MAIN_WINDOW;
    const RECT screen = {0, 0, kScreenWidth, kScreenHeight};
    if (!CWindow::Create(kClassName, kWindowTitle, kWindowStyle, kWindowExStyle, screen, nullptr,
                         nullptr, nullptr))
        throw ERRORCODE_MAIN_WINDOW;
    ShowCursor(FALSE);
    ImmAssociateContext(window_, nullptr);
}

LRESULT CMainWindow::OnKeyDown(WPARAM key, LPARAM lparam) {
    switch (key) {
        case VK_ESCAPE:
            if (CApplicationBase* application = CApplicationBase::Get())
                application->Quit(0);
            return 1;
        case VK_F2:
            // The device selection panel handles F2 itself while it has the focus.
            if (GetFocusedPanelId() == kDeviceSelectionPanelId)
                return 0;
            PushFocus(kDeviceSelectionPanelId);
            return 1;
        case VK_F10:
            // As F2: the SoundFont list handles F10 itself while it has the focus.
            if (GetFocusedPanelId() == PANEL_ID_SOUNDFONT_SELECT)
                return 0;
            PushFocus(PANEL_ID_SOUNDFONT_SELECT);
            return 1;
        case VK_F4:
            PlayerSetPlayThrough(!PlayerGetPlayThrough());
            return 1;
        case VK_F5:
            PlayerSetRepeat(!PlayerGetRepeat());
            return 1;
        case VK_F6:
            PlayerPlay();
            return 1;
        case VK_F7:
            if (PlayerIsPaused())
                PlayerPlay();
            else
                PlayerPause();
            return 1;
        case VK_F8:
            PlayerSetVolume(std::min(PlayerGetVolume() + kVolumeStep, PLAYER_MAX_VOLUME));
            return 1;
        case VK_F9:
            PlayerSetVolume(std::max(PlayerGetVolume() - kVolumeStep, 0));
            return 1;
        case 'N':
            StepSong(+1);
            return 1;
        case 'P':
            StepSong(-1);
            return 1;
        case VK_F11:
            if (!(lparam & kKeyRepeatBit))
                platform::ToggleFullscreen();
            return 1;
        default: {
            const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
            return HandleTransportKey(key, shift, ctrl) ? 1 : 0;
        }
    }
}

LRESULT CMainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        if (CApplicationBase* application = CApplicationBase::Get())
            application->Quit(0);
        return 0;
    }
    if (message == WM_SYSKEYDOWN && (lparam & kAltHeldBit)) {
        const int digit = PaletteDigit(wparam);
        if (digit >= 0) {
            GetPalette().LoadFile(digit);
            return 0;
        }
        // Alt+Enter, as F11: full screen or a window; a held key switches once.
        if (wparam == VK_RETURN) {
            if (!(lparam & kKeyRepeatBit))
                platform::ToggleFullscreen();
            return 0;
        }
    }
    InputEvent event = {window_, message, wparam, lparam};
    return DispatchInput(&event, 0) != 0 ? 1 : NOT_HANDLED;
}

LRESULT CMainWindow::OnActivateApp(WPARAM active) {
    const bool becoming_active = active != 0;
    if (!IsFrameThreadRunning() || becoming_active == application_active.load())
        return 1;
    application_active.store(becoming_active);
    if (becoming_active) {
        HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        primary_.Restore();
        canvas_.Restore();
        RestoreText();
        RestoreSegmentFont();
        DrawTitle();
        RestoreAll();
        ResumeFrames();
        ShowCursor(FALSE);
        SetCursor(previous);
    } else {
        SuspendFrames(true);
        SendMessageA(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ShowCursor(TRUE);
    }
    return 1;
}

void CMainWindow::Fade(bool out, void (*each_frame)()) {
    CPalette& palette = GetPalette();
    for (int i = 0; i < kFadeSteps; ++i) {
        const int step = kFadeStepPercent * i;
        palette.SetBrightness(static_cast<WORD>(out ? kFullBrightness - step : step));
        palette.Apply();
        if (each_frame != nullptr)
            each_frame();
        WaitFrame();
    }
    palette.SetBrightness(out ? 0 : kFullBrightness);
    WaitFrame();
}

void CMainWindow::FadeOutAndClear() {
    Fade(true);
    StopFrameThread();
    GetDisplay().WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    if (primary_.surface)
        ClearScreenRect(primary_.surface);
}

void CMainWindow::CreateSurfaces() {
    // The flip chain takes its size from the display mode and starts cleared.
    if (!primary_.Create(kPrimaryCaps, nullptr))
        throw ERRORCODE_PRIMARY_SURFACE;
    if (primary_.caps & DDSCAPS_FLIP)
        primary_.surface->Flip(nullptr, DDFLIP_WAIT);
    // Both buffers of the flip chain now hold index 0.
    ClearScreenRect(primary_.surface);

    if (!GetPalette().Create(primary_.surface, true))
        throw ERRORCODE_PRIMARY_SURFACE;

    const SIZE screen = {kScreenWidth, kScreenHeight};
    if (!canvas_.Create(kOffscreenCaps, &screen))
        throw ERRORCODE_INTERNAL;

    // A segment font that cannot be built fails start-up like any other
    // surface of the graphics core, through the error box.
    try {
        InitSegmentFont();
    } catch (const IException&) {
        throw ERRORCODE_INTERNAL;
    }
    InitText();
    DrawTitle();
    AttachSurfaces(primary_.surface, canvas_.surface);
    SetFrameDrawHook(DrawAllOnto);
    GetPalette().SetBrightness(0);
    GetPalette().Restore();
}
