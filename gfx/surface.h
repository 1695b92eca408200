// CSurface: one 8-bit DirectDraw surface together with its size and lock
// state. A plain value object: copies share the same DirectDraw surface, and
// destroying one does not release it (surfaces live as long as the display).
#pragma once

#include "platform/ddraw.h"
#include "platform/win32_types.h"

// Off-screen plain surface in video memory, the default of Create.
inline constexpr DWORD kOffscreenCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;  // 0x4040

class CSurface {
public:
    CSurface() = default;
    CSurface(const CSurface&) = default;
    CSurface& operator=(const CSurface&) = default;
    virtual ~CSurface() = default;

    // Creates the DirectDraw surface through the display. caps 0 means an
    // off-screen video-memory surface; size (cx = width, cy = height) may be
    // null, in which case the size is read back from the created surface.
    // The new surface is cleared to index 0. Returns 1, or 0 on failure.
    int Create(DWORD caps, const SIZE* size);

    // Takes width and height from the DirectDraw surface; leaves them as they
    // are when there is no surface or it cannot tell.
    void ReadSize();

    // Brings back lost surface memory and clears it to index 0; the owner
    // redraws the contents afterwards.
    void Restore();

    // Fills rect (null: the whole surface) with palette index colour & 0xFF.
    void Fill(const RECT* rect, DWORD colour);

    // Locks the whole surface (rect null) or a rectangle with DDLOCK_WAIT and
    // the given extra flags, recording pitch and bits. Returns false, doing
    // nothing, when there is no surface, it is already locked, or the lock
    // fails; the caller then skips its pixel work.
    bool Lock(const RECT* rect = nullptr, DWORD extra_flags = 0);
    // Ends a successful Lock and forgets pitch and bits.
    void Unlock();

    // Forgets the DirectDraw surface and every recorded field.
    void Clear() { *this = CSurface(); }

    // Fields, in the order the frame code and the panels rely on.
    BOOL locked = 0;                        // 1 between Lock and Unlock
    LONG pitch = 0;                         // bytes per row, while locked
    BYTE* bits = nullptr;                   // first pixel of the locked area
    DWORD desc_flags = 0;                   // DDSD_* the surface was created with
    DWORD caps = 0;                         // DDSCAPS_* it was created with
    LONG width = 0;                         // pixels
    LONG height = 0;                        // pixels
    HDC dc = nullptr;                       // device context while one is held
    IDirectDrawSurface* surface = nullptr;  // null until created
};
