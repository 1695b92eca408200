#include "app/main_window.h"

#include <algorithm>
#include <atomic>

#include "app/application.h"
#include "app/error_box.h"
#include "display/display.h"
#include "display/frame_thread.h"
#include "display/palette.h"
#include "gfx/exception.h"
#include "gfx/panel.h"
#include "gfx/panel_list.h"
#include "gfx/segment_font.h"
#include "gfx/text.h"
#include "midi/player.h"

namespace {

constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_BYTEALIGNCLIENT;
constexpr DWORD kWindowStyle = WS_POPUP | WS_VISIBLE | WS_SYSMENU;
constexpr DWORD kWindowExStyle = WS_EX_TOPMOST;
constexpr const char* kClassName = "NIVRAWND";
constexpr const char* kWindowTitle = "NIVRA";
constexpr const char* kIconName = "IDR_ICON_NIVRA";

constexpr DWORD kDescriptionSize = 108;
constexpr DWORD kBltFxSize = 100;
constexpr DWORD kPrimaryFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
constexpr DWORD kPrimaryCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
constexpr DWORD kCanvasFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
constexpr DWORD kCanvasCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;

constexpr int kDeviceSelectionPanelId = 3;
constexpr int kVolumeStep = 16;
constexpr int kMaxVolume = 255;
constexpr int kFadeSteps = 21;
constexpr int kFadeStepPercent = 5;
constexpr WORD kFullBrightness = 100;

// Alt is held when bit 29 of a key message's lParam is set.
constexpr LPARAM kAltHeldBit = 1 << 29;

std::atomic<bool> application_active{true};

// Colour-fills the whole screen rectangle of a DirectDraw surface with index 0.
void ClearScreenRect(IDirectDrawSurface* surface) {
    RECT screen = {0, 0, kScreenWidth, kScreenHeight};
    DDBLTFX fx = {};
    fx.dwSize = kBltFxSize;
    fx.dwFillColor = 0;
    surface->Blt(&screen, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
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

LRESULT CMainWindow::OnKeyDown(WPARAM key, LPARAM) {
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
            PlayerSetVolume(std::min(PlayerGetVolume() + kVolumeStep, kMaxVolume));
            return 1;
        case VK_F9:
            PlayerSetVolume(std::max(PlayerGetVolume() - kVolumeStep, 0));
            return 1;
        default:
            return 0;
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

void CMainWindow::Fade(bool out) {
    CPalette& palette = GetPalette();
    for (int i = 0; i < kFadeSteps; ++i) {
        const int step = kFadeStepPercent * i;
        palette.SetBrightness(static_cast<WORD>(out ? kFullBrightness - step : step));
        palette.Apply();
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
    DDSURFACEDESC description = {};
    description.dwSize = kDescriptionSize;
    description.dwFlags = kPrimaryFlags;
    description.dwBackBufferCount = 1;
    description.ddsCaps.dwCaps = kPrimaryCaps;
    if (GetDisplay().CreateSurface(&description, &primary_.surface) != DD_OK || !primary_.surface)
        throw ERRORCODE_PRIMARY_SURFACE;
    primary_.desc_flags = kPrimaryFlags;
    primary_.caps = kPrimaryCaps;
    DDSURFACEDESC created = {};
    created.dwSize = kDescriptionSize;
    if (primary_.surface->GetSurfaceDesc(&created) == DD_OK) {
        primary_.width = static_cast<LONG>(created.dwWidth);
        primary_.height = static_cast<LONG>(created.dwHeight);
    }
    const RECT whole = {0, 0, primary_.width, primary_.height};
    primary_.Fill(&whole, 0);
    if (primary_.caps & DDSCAPS_FLIP)
        primary_.surface->Flip(nullptr, DDFLIP_WAIT);
    // Both buffers of the flip chain now hold index 0.
    ClearScreenRect(primary_.surface);

    if (!GetPalette().Create(&primary_, true))
        throw ERRORCODE_PRIMARY_SURFACE;

    DDSURFACEDESC canvas_description = {};
    canvas_description.dwSize = kDescriptionSize;
    canvas_description.dwFlags = kCanvasFlags;
    canvas_description.ddsCaps.dwCaps = kCanvasCaps;
    canvas_description.dwWidth = kScreenWidth;
    canvas_description.dwHeight = kScreenHeight;
    if (GetDisplay().CreateSurface(&canvas_description, &canvas_.surface) != DD_OK ||
        !canvas_.surface)
        throw ERRORCODE_INTERNAL;
    canvas_.desc_flags = kCanvasFlags;
    canvas_.caps = kCanvasCaps;
    canvas_.width = kScreenWidth;
    canvas_.height = kScreenHeight;
    const RECT screen = {0, 0, kScreenWidth, kScreenHeight};
    canvas_.Fill(&screen, 0);

    // A segment font that cannot be built fails start-up like any other
    // surface of the graphics core, through the error box.
    try {
        InitSegmentFont();
    } catch (const IException&) {
        throw ERRORCODE_INTERNAL;
    }
    InitText();
    DrawTitle();
    AttachSurfaces(&primary_, &canvas_);
    GetPalette().SetBrightness(0);
    GetPalette().Restore();
}
