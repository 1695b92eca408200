// DirectDraw as the program uses it: one display device, software surfaces
// of 8-bit palette indices in memory, 256-entry palettes, and the flip chain
// whose front buffer the video backend shows.
//
// Behaviour the program relies on:
//  - a Blt or BltFast whose rectangle leaves either surface is refused with
//    DDERR_INVALIDRECT and draws nothing (there is no clipping);
//  - a colour fill writes the fill value's low byte as the palette index;
//  - a BltFast copy is a byte copy of indices, with index ranges made
//    transparent by a source colour key.
// Flip may be called from the frame thread: it hands the finished frame to
// the main thread, which presents it the next time the message pump runs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/gdi.h"
#include "platform/win32_types.h"

// ---------------------------------------------------------------------------
// Interface identifiers

inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDirectDraw = {
    0x6C14DB80, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectDraw2 = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
inline constexpr IID IID_IDirectDrawSurface = {
    0x6C14DB81, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectDrawPalette = {
    0x6C14DB84, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

// ---------------------------------------------------------------------------
// Result codes

#define MAKE_DDHRESULT(code) (static_cast<HRESULT>(0x88760000u | (code)))
#define DD_OK (static_cast<HRESULT>(0))
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_UNSUPPORTED (static_cast<HRESULT>(0x80004001u))
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(145)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_NOCOLORKEY MAKE_DDHRESULT(215)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_NOPALETTEATTACHED MAKE_DDHRESULT(572)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_DCALREADYCREATED MAKE_DDHRESULT(620)
#define DDERR_NODC MAKE_DDHRESULT(587)

// ---------------------------------------------------------------------------
// Flags

// Surface description fields that are valid.
#define DDSD_CAPS 0x00000001u
#define DDSD_HEIGHT 0x00000002u
#define DDSD_WIDTH 0x00000004u
#define DDSD_PITCH 0x00000008u
#define DDSD_BACKBUFFERCOUNT 0x00000020u
#define DDSD_LPSURFACE 0x00000800u
#define DDSD_PIXELFORMAT 0x00001000u
#define DDSD_CKSRCBLT 0x00010000u
#define DDSD_REFRESHRATE 0x00040000u

// Surface capabilities.
#define DDSCAPS_BACKBUFFER 0x00000004u
#define DDSCAPS_COMPLEX 0x00000008u
#define DDSCAPS_FLIP 0x00000010u
#define DDSCAPS_FRONTBUFFER 0x00000020u
#define DDSCAPS_OFFSCREENPLAIN 0x00000040u
#define DDSCAPS_PALETTE 0x00000100u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u
#define DDSCAPS_SYSTEMMEMORY 0x00000800u
#define DDSCAPS_VIDEOMEMORY 0x00004000u
#define DDSCAPS_VISIBLE 0x00008000u

// Pixel formats.
#define DDPF_PALETTEINDEXED8 0x00000020u
#define DDPF_RGB 0x00000040u

// Blt.
#define DDBLT_ASYNC 0x00000200u
#define DDBLT_COLORFILL 0x00000400u
#define DDBLT_KEYDEST 0x00002000u
#define DDBLT_KEYSRC 0x00008000u
#define DDBLT_WAIT 0x01000000u

// BltFast.
#define DDBLTFAST_NOCOLORKEY 0x00000000u
#define DDBLTFAST_SRCCOLORKEY 0x00000001u
#define DDBLTFAST_DESTCOLORKEY 0x00000002u
#define DDBLTFAST_WAIT 0x00000010u

// Flip.
#define DDFLIP_WAIT 0x00000001u

// Lock.
#define DDLOCK_SURFACEMEMORYPTR 0x00000000u
#define DDLOCK_WAIT 0x00000001u
#define DDLOCK_READONLY 0x00000010u
#define DDLOCK_WRITEONLY 0x00000020u
#define DDLOCK_NOSYSLOCK 0x00000800u

// Colour keys.
#define DDCKEY_COLORSPACE 0x00000001u
#define DDCKEY_DESTBLT 0x00000002u
#define DDCKEY_SRCBLT 0x00000008u

// Palettes.
#define DDPCAPS_4BIT 0x00000001u
#define DDPCAPS_8BITENTRIES 0x00000002u
#define DDPCAPS_8BIT 0x00000004u
#define DDPCAPS_PRIMARYSURFACE 0x00000010u
#define DDPCAPS_ALLOW256 0x00000040u

// Cooperative level.
#define DDSCL_FULLSCREEN 0x00000001u
#define DDSCL_ALLOWREBOOT 0x00000002u
#define DDSCL_NOWINDOWCHANGES 0x00000004u
#define DDSCL_NORMAL 0x00000008u
#define DDSCL_EXCLUSIVE 0x00000010u

// WaitForVerticalBlank.
#define DDWAITVB_BLOCKBEGIN 0x00000001u
#define DDWAITVB_BLOCKBEGINEVENT 0x00000002u
#define DDWAITVB_BLOCKEND 0x00000004u

// ---------------------------------------------------------------------------
// Structures (field names and order as in DirectDraw)

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;   // lowest index treated as transparent
    DWORD dwColorSpaceHighValue;  // highest index treated as transparent
};
using LPDDCOLORKEY = DDCOLORKEY*;

struct DDSCAPS {
    DWORD dwCaps;
};
using LPDDSCAPS = DDSCAPS*;

struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};

// dwSize is not checked: the program writes Win32's 108, which differs from
// this structure's size on 64-bit builds.
struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    DWORD dwBackBufferCount;
    union {
        DWORD dwMipMapCount;
        DWORD dwZBufferBitDepth;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};
using LPDDSURFACEDESC = DDSURFACEDESC*;
// The dwSize the program writes: Win32's size of DDSURFACEDESC.
inline constexpr DWORD kSurfaceDescSize = 108;

// All 32-bit fields, so the structure is Win32's 100 bytes everywhere; only
// dwSize and dwFillColor are read.
struct DDBLTFX {
    DWORD dwSize;
    DWORD dwDDFX;
    DWORD dwROP;
    DWORD dwDDROP;
    DWORD dwRotationAngle;
    DWORD dwZBufferOpCode;
    DWORD dwZBufferLow;
    DWORD dwZBufferHigh;
    DWORD dwZBufferBaseDest;
    DWORD dwZDestConstBitDepth;
    DWORD dwZDestConst;
    DWORD dwZSrcConstBitDepth;
    DWORD dwZSrcConst;
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    DWORD dwAlphaDestConst;
    DWORD dwAlphaSrcConstBitDepth;
    DWORD dwAlphaSrcConst;
    DWORD dwFillColor;
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};
using LPDDBLTFX = DDBLTFX*;

// ---------------------------------------------------------------------------
// Interfaces

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, LPVOID* object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

struct IDirectDrawPalette;
using LPDIRECTDRAWPALETTE = IDirectDrawPalette*;
struct IDirectDrawSurface;
using LPDIRECTDRAWSURFACE = IDirectDrawSurface*;

struct IDirectDrawPalette : IUnknown {
    virtual HRESULT GetCaps(LPDWORD caps) = 0;
    virtual HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) = 0;
    // Changes `count` entries from `start`; a palette attached to the primary
    // surface changes the colours on screen at once.
    virtual HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) = 0;

protected:
    ~IDirectDrawPalette() = default;
};

struct IDirectDrawSurface : IUnknown {
    // Colour fill (DDBLT_COLORFILL with lpDDBltFx->dwFillColor) or a copy of
    // an equal-sized rectangle (DDBLT_KEYSRC honours the source key). Null
    // rectangles mean the whole surface. No stretching.
    virtual HRESULT Blt(LPRECT dest_rect, LPDIRECTDRAWSURFACE source, LPRECT source_rect,
                        DWORD flags, LPDDBLTFX fx) = 0;
    // Copies `source_rect` (null: the whole source) to (x, y).
    virtual HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT source_rect,
                            DWORD trans) = 0;
    // Swaps the front and back buffers of a flip chain and shows the new front.
    virtual HRESULT Flip(LPDIRECTDRAWSURFACE override_surface, DWORD flags) = 0;
    virtual HRESULT GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) = 0;
    virtual HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    // A device context for the GDI text functions of platform/gdi.h.
    virtual HRESULT GetDC(HDC* dc) = 0;
    virtual HRESULT GetPalette(LPDIRECTDRAWPALETTE* palette) = 0;
    virtual HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) = 0;
    virtual HRESULT IsLost() = 0;
    // desc->lpSurface addresses the rectangle's top-left pixel (or the
    // surface's), desc->lPitch is the row distance in bytes.
    virtual HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) = 0;
    virtual HRESULT ReleaseDC(HDC dc) = 0;
    // Brings a lost surface back; its contents are undefined (the program
    // clears and redraws them).
    virtual HRESULT Restore() = 0;
    virtual HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    virtual HRESULT Unlock(LPVOID surface_data) = 0;

protected:
    ~IDirectDrawSurface() = default;
};

// What both versions of the device interface offer alike.
struct IDirectDrawDevice : IUnknown {
    virtual HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                  IUnknown* outer) = 0;
    virtual HRESULT CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                  IUnknown* outer) = 0;
    virtual HRESULT RestoreDisplayMode() = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    // DDWAITVB_BLOCKBEGIN: waits for the start of the next 60 Hz period.
    virtual HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;

protected:
    ~IDirectDrawDevice() = default;
};

// The version-1 device interface.
struct IDirectDraw : IDirectDrawDevice {
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel) = 0;

protected:
    ~IDirectDraw() = default;
};
using LPDIRECTDRAW = IDirectDraw*;

// The version-2 device interface: SetDisplayMode takes a refresh rate.
struct IDirectDraw2 : IDirectDrawDevice {
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel,
                                   DWORD refresh_rate, DWORD flags) = 0;

protected:
    ~IDirectDraw2() = default;
};
using LPDIRECTDRAW2 = IDirectDraw2*;

// Creates the display device; `driver` must be null (the default display).
HRESULT DirectDrawCreate(GUID* driver, LPDIRECTDRAW* direct_draw, IUnknown* outer);

// ---------------------------------------------------------------------------
// Seams for tests and automation

namespace platform {

// What the display shows: the front buffer of the flip chain as of its last
// change (Flip, or a drawing call on the front buffer), and the palette as
// the display last received it.
struct VisibleFrame {
    int width_px = 0;
    int height_px = 0;
    std::vector<BYTE> pixels;  // width_px * height_px indices, rows top to bottom
    std::array<PALETTEENTRY, 256> palette{};
    std::uint64_t flip_count = 0;  // number of Flip calls so far
};
VisibleFrame GetVisibleFrame();

// The palette as the display last received it (all black before any).
std::array<PALETTEENTRY, 256> GetDisplayPalette();

// Frames drawn only where they change: between the two calls, the copies and
// fills onto `back_buffer` are kept, and the end draws them only where they
// differ from the draws that made the back buffer's picture. Anything else
// done to the back buffer meanwhile, or to a picture a kept copy reads, draws
// the frame whole first.
void BeginFrameRecording(IDirectDrawSurface* back_buffer);
void EndFrameRecording();

// Makes every existing surface lost: drawing calls, Lock, GetDC and Flip
// return DDERR_SURFACELOST until the surface's Restore.
void LoseAllSurfaces();

// Lets DirectDrawCreate hand out a device without the version-2 interface
// (QueryInterface then answers E_NOINTERFACE), as an old driver would.
void SetDirectDraw2Available(bool available);

}  // namespace platform
