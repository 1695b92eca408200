#include "display/display.h"

CDisplay::~CDisplay() {
    Release();
}

void CDisplay::Release() {
    if (dd2_)
        dd2_->Release();
    if (dd_)
        dd_->Release();
    dd2_ = nullptr;
    dd_ = nullptr;
    level_ = 0;
}

IDirectDrawDevice* CDisplay::Device() const {
    if (level_ == 2)
        return dd2_;
    if (level_ == 1)
        return dd_;
    return nullptr;
}

bool CDisplay::Create(int required_level) {
    Release();
    if (DirectDrawCreate(nullptr, &dd_, nullptr) != DD_OK || !dd_) {
        dd_ = nullptr;
        return false;
    }
    IDirectDraw2* second = nullptr;
    const HRESULT result =
        dd_->QueryInterface(IID_IDirectDraw2, reinterpret_cast<LPVOID*>(&second));
    if (result == S_OK && second) {
        dd_->Release();
        dd_ = nullptr;
        dd2_ = second;
        level_ = 2;
        return true;
    }
    // Any refusal other than "no such interface" is a failure too: without
    // a working interface there is nothing to report success with.
    if (result != E_NOINTERFACE || required_level == 2) {
        Release();
        return false;
    }
    level_ = 1;
    return true;
}

HRESULT CDisplay::SetCooperativeLevel(HWND window, DWORD flags) {
    IDirectDrawDevice* device = Device();
    return device ? device->SetCooperativeLevel(window, flags) : DDERR_INVALIDOBJECT;
}

HRESULT CDisplay::SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel,
                                 DWORD refresh_rate) {
    if (level_ == 2)
        return dd2_->SetDisplayMode(width, height, bits_per_pixel, refresh_rate, 0);
    if (level_ == 1)
        return dd_->SetDisplayMode(width, height, bits_per_pixel);
    return DDERR_INVALIDOBJECT;
}

HRESULT CDisplay::CreateSurface(DDSURFACEDESC* description, IDirectDrawSurface** surface) {
    IDirectDrawDevice* device = Device();
    return device ? device->CreateSurface(description, surface, nullptr) : DDERR_INVALIDOBJECT;
}

HRESULT CDisplay::CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette) {
    IDirectDrawDevice* device = Device();
    return device ? device->CreatePalette(flags, entries, palette, nullptr) : DDERR_INVALIDOBJECT;
}

HRESULT CDisplay::WaitForVerticalBlank(DWORD flags, HANDLE event) {
    if (level_ == 2)
        return dd2_->WaitForVerticalBlank(flags, event);
    return 0;
}

CDisplay& GetDisplay() {
    static CDisplay display;
    return display;
}
