// The DirectDraw device in full-screen exclusive 640x480x8 mode: a thin
// wrapper that creates the DirectDraw object and forwards surface, palette
// and vertical-blank requests to the interface it holds.
#pragma once

#include "platform/ddraw.h"
#include "platform/win32_types.h"

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;
inline constexpr int kScreenBitsPerPixel = 8;

class CDisplay {
public:
    CDisplay() = default;
    virtual ~CDisplay();
    CDisplay(const CDisplay&) = delete;
    CDisplay& operator=(const CDisplay&) = delete;

    // Creates the DirectDraw object. With required_level 2 it fails unless
    // the version-2 interface is available.
    bool Create(int required_level);
    HRESULT SetCooperativeLevel(HWND window, DWORD flags);
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel, DWORD refresh_rate);
    HRESULT CreateSurface(DDSURFACEDESC* description, IDirectDrawSurface** surface);
    HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette);
    // Level 1 returns 0 without waiting.
    HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event);

    // 0 nothing held, 1 only the version-1 interface, 2 the version-2 one.
    int GetLevel() const { return level_; }

private:
    void Release();
    // The interface held for the calls both versions offer; null when none is.
    IDirectDrawDevice* Device() const;

    IDirectDraw* dd_ = nullptr;
    IDirectDraw2* dd2_ = nullptr;
    int level_ = 0;
};

// The program's one display, created on first use.
CDisplay& GetDisplay();
