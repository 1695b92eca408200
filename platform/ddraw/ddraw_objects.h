// The software DirectDraw objects: the device, its palettes and its 8-bit
// surfaces. The device owns every object it created: they live until the
// device's last reference goes, as DirectDraw's do.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/ddraw.h"
#include "platform/ddraw/device_object.h"
#include "platform/ddraw/frame_recording.h"

namespace platform::video {

class DrawDevice;

class DrawPalette final : public DeviceObject<IDirectDrawPalette, IID_IDirectDrawPalette> {
public:
    DrawPalette(DrawDevice& device, DWORD caps, const PALETTEENTRY* entries);

    HRESULT GetCaps(LPDWORD caps) override;
    HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) override;
    HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) override;

    std::array<PALETTEENTRY, 256> Entries() const;
    // Counts the primary surfaces showing this palette: their changes reach the display.
    void AttachToPrimary(int delta);

private:
    void LastReleased() override;

    DrawDevice& device_;
    DWORD caps_;
    std::atomic<int> primary_attachments_{0};
    mutable std::mutex lock_;
    std::array<PALETTEENTRY, 256> entries_{};
};

class DrawSurface final : public DeviceObject<IDirectDrawSurface, IID_IDirectDrawSurface> {
public:
    DrawSurface(DrawDevice& device, int width_px, int height_px, DWORD caps);
    ~DrawSurface();

    HRESULT Blt(LPRECT dest_rect, LPDIRECTDRAWSURFACE source, LPRECT source_rect, DWORD flags,
                LPDDBLTFX fx) override;
    HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT source_rect,
                    DWORD trans) override;
    HRESULT Flip(LPDIRECTDRAWSURFACE override_surface, DWORD flags) override;
    HRESULT GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) override;
    HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT GetPalette(LPDIRECTDRAWPALETTE* palette) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT IsLost() override;
    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) override;
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT Restore() override;
    HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT Unlock(LPVOID surface_data) override;

    // A primary surface's back buffer, which this surface owns.
    void AttachBackBuffer(DrawSurface* back_buffer);
    void MarkLost() { lost_ = true; }
    bool IsPrimary() const { return (caps_ & DDSCAPS_PRIMARYSURFACE) != 0; }
    // Drops the palette reference without releasing it (device teardown).
    void ForgetPalette() { palette_ = nullptr; }

private:
    friend class FrameRecorder;

    void LastReleased() override;

    // Colour keys packed with a "set" bit so both threads may read them.
    static constexpr std::uint64_t kKeySet = 1ull << 63;
    // The rectangle a call names (null: the whole surface), or nothing when
    // it leaves the surface or is empty.
    std::optional<RECT> Area(const RECT* rect) const;
    // The rectangle a blit takes from `source` (null: all of it) in `area`;
    // DD_OK, or the error that refuses the blit.
    static HRESULT SourceArea(LPDIRECTDRAWSURFACE source, const RECT* source_rect, RECT& area);
    bool Lost() const;
    RowKeys KeysFor(const DrawSurface& source, DWORD key_flags) const;
    void Copy(const DrawSurface& source, const RECT& from, int x, int y, const RowKeys& keys);
    // Draws the part of a kept draw inside `clip`, which lies in its area.
    void RunDraw(const KeptDraw& draw, const RECT& clip);
    // Around every change of the pixels: a frame being recorded draws what it
    // kept before this surface is drawn on, read or changed as a source; the
    // change makes a new version of the picture.
    void BeforeChange();
    void AfterChange();
    // A primary's picture reaches the display: SettleFront before the
    // front buffer is drawn on, FrontChanged after.
    void SettleFront();
    void FrontChanged(bool flipped);
    BYTE* Pixel(int x, int y) {
        return pixels_.data() + static_cast<std::ptrdiff_t>(y) * pitch_ + x;
    }

    DrawDevice& device_;
    int width_px_;
    int height_px_;
    LONG pitch_;
    DWORD caps_;
    std::vector<BYTE> pixels_;
    std::atomic<bool> lost_{false};
    std::atomic<int> lock_count_{0};
    std::atomic<std::uint64_t> source_key_{0};
    std::atomic<std::uint64_t> dest_key_{0};
    std::mutex palette_lock_;
    DrawPalette* palette_ = nullptr;
    DrawSurface* back_buffer_ = nullptr;
    HDC dc_ = nullptr;
    // Frame recording: which picture this is, and the draws that made it.
    const std::uint64_t id_;
    std::atomic<std::uint64_t> version_{0};
    std::atomic<bool> recording_{false};
    std::atomic<int> kept_reads_{0};
    std::vector<KeptDraw> drawn_by_;
    std::atomic<bool> drawn_by_valid_{false};
};

class DrawDevice final : public IDirectDraw, public IDirectDraw2 {
public:
    DrawDevice();
    ~DrawDevice();

    HRESULT QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                          IUnknown* outer) override;
    HRESULT CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                          IUnknown* outer) override;
    HRESULT RestoreDisplayMode() override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel, DWORD refresh_rate,
                           DWORD flags) override;
    HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) override;

    // Called by an object whose last reference went.
    void Forget(IUnknown* object);
    void LoseSurfaces();

private:
    std::atomic<ULONG> references_{1};
    std::mutex lock_;
    std::vector<DrawSurface*> surfaces_;
    std::vector<DrawPalette*> palettes_;
    int mode_width_px_ = 640;
    int mode_height_px_ = 480;
};

}  // namespace platform::video
