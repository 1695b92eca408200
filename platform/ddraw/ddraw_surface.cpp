#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/gdi/surface_dc.h"
#include "platform/ddraw/ddraw_objects.h"
#include "platform/ddraw/display_output.h"
#include "platform/ddraw/rows_copy.h"

namespace platform::video {
namespace {

// Rows are padded, as display memory is, so code that assumes
// pitch == width shows up in tests.
LONG PitchFor(int width_px) {
    return (width_px + 15) & ~15;
}

std::uint64_t PackKey(const DDCOLORKEY& key) {
    return (std::uint64_t{1} << 63) | (std::uint64_t{key.dwColorSpaceHighValue & 0xFFu} << 8) |
           (key.dwColorSpaceLowValue & 0xFFu);
}

DrawSurface* FromInterface(IDirectDrawSurface* surface) {
    return static_cast<DrawSurface*>(surface);
}

// Every surface's pictures are told apart by its number and their version.
std::uint64_t NextSurfaceId() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

}  // namespace

DrawSurface::DrawSurface(DrawDevice& device, int width_px, int height_px, DWORD caps)
    : device_(device),
      width_px_(width_px),
      height_px_(height_px),
      pitch_(PitchFor(width_px)),
      caps_(caps),
      pixels_(static_cast<std::size_t>(PitchFor(width_px)) * height_px),
      id_(NextSurfaceId()) {}

DrawSurface::~DrawSurface() {
    SettleFront();
    if (dc_)
        gdi::DeleteSurfaceDC(dc_);
}

void DrawSurface::LastReleased() {
    SetPalette(nullptr);
    if (back_buffer_)
        back_buffer_->Release();
    back_buffer_ = nullptr;
    device_.Forget(this);
}

void DrawSurface::AttachBackBuffer(DrawSurface* back_buffer) {
    back_buffer_ = back_buffer;
}

std::optional<RECT> DrawSurface::Area(const RECT* rect) const {
    const RECT area = rect ? *rect : RECT{0, 0, width_px_, height_px_};
    const bool inside = area.left >= 0 && area.top >= 0 && area.left < area.right &&
                        area.top < area.bottom && area.right <= width_px_ &&
                        area.bottom <= height_px_;
    return inside ? std::optional(area) : std::nullopt;
}

bool DrawSurface::Lost() const {
    return lost_;
}

void DrawSurface::SettleFront() {
    if (IsPrimary())
        DisplayOutput::Get().SettleFront(pixels_);
}

void DrawSurface::FrontChanged(bool flipped) {
    if (IsPrimary())
        DisplayOutput::Get().SubmitFrame(pixels_.data(), width_px_, height_px_, pitch_, flipped);
}

void DrawSurface::BeforeChange() {
    if (recording_.load(std::memory_order_acquire) ||
        kept_reads_.load(std::memory_order_acquire) > 0)
        FrameRecorder::Get().DrawKeptNow();
}

void DrawSurface::AfterChange() {
    version_.fetch_add(1, std::memory_order_release);
    drawn_by_valid_.store(false, std::memory_order_relaxed);
}

RowKeys DrawSurface::KeysFor(const DrawSurface& source, DWORD key_flags) const {
    const std::uint64_t source_key = source.source_key_;
    const std::uint64_t dest_key = dest_key_;
    RowKeys keys;
    keys.use_source = (key_flags & DDBLTFAST_SRCCOLORKEY) != 0;
    keys.use_dest = (key_flags & DDBLTFAST_DESTCOLORKEY) != 0;
    keys.source_low = source_key & 0xFF;
    keys.source_high = (source_key >> 8) & 0xFF;
    keys.dest_low = dest_key & 0xFF;
    keys.dest_high = (dest_key >> 8) & 0xFF;
    return keys;
}

void DrawSurface::RunDraw(const KeptDraw& draw, const RECT& clip) {
    if (Lost() || (draw.source && draw.source->Lost()))
        return;
    if (!draw.source) {
        for (LONG row = clip.top; row < clip.bottom; ++row)
            std::memset(Pixel(clip.left, row), draw.fill, clip.right - clip.left);
        return;
    }
    const LONG left = draw.from_x + (clip.left - draw.area.left);
    const LONG top = draw.from_y + (clip.top - draw.area.top);
    Copy(*draw.source,
         RECT{left, top, left + (clip.right - clip.left), top + (clip.bottom - clip.top)},
         clip.left, clip.top, draw.keys);
}

void DrawSurface::Copy(const DrawSurface& source, const RECT& from, int x, int y,
                       const RowKeys& keys) {
    const int width = from.right - from.left;
    const int height = from.bottom - from.top;
    // A copy within one surface may overlap: take the source rows first.
    std::vector<BYTE> staged;
    const BYTE* rows =
        source.pixels_.data() + static_cast<std::ptrdiff_t>(from.top) * source.pitch_ + from.left;
    LONG row_pitch = source.pitch_;
    if (&source == this) {
        staged.resize(static_cast<std::size_t>(width) * height);
        for (int row = 0; row < height; ++row)
            std::memcpy(&staged[static_cast<std::size_t>(row) * width], rows + row * row_pitch,
                        width);
        rows = staged.data();
        row_pitch = width;
    }
    if (keys.use_source || keys.use_dest) {
        CopyKeyedRows(Pixel(x, y), pitch_, rows, row_pitch, width, height, keys);
        return;
    }
    CopyRows(Pixel(x, y), pitch_, rows, row_pitch, width, height);
}

HRESULT DrawSurface::SourceArea(LPDIRECTDRAWSURFACE source, const RECT* source_rect, RECT& area) {
    if (!source)
        return DDERR_INVALIDPARAMS;
    const std::optional<RECT> named = FromInterface(source)->Area(source_rect);
    if (!named)
        return DDERR_INVALIDRECT;
    area = *named;
    return DD_OK;
}

HRESULT DrawSurface::Blt(LPRECT dest_rect, LPDIRECTDRAWSURFACE source, LPRECT source_rect,
                         DWORD flags, LPDDBLTFX fx) {
    const std::optional<RECT> dest = Area(dest_rect);
    if (!dest)
        return DDERR_INVALIDRECT;
    if (Lost())
        return DDERR_SURFACELOST;
    if (flags & DDBLT_COLORFILL) {
        if (!fx)
            return DDERR_INVALIDPARAMS;
        KeptDraw fill;
        fill.area = *dest;
        fill.fill = fx->dwFillColor & 0xFF;
        if (recording_.load(std::memory_order_acquire) && FrameRecorder::Get().Keep(*this, fill))
            return DD_OK;
        BeforeChange();
        SettleFront();
        RunDraw(fill, *dest);
        AfterChange();
        FrontChanged(false);
        return DD_OK;
    }
    // A copy is a BltFast of an equal-sized rectangle to the destination's corner.
    RECT from{};
    if (const HRESULT refused = SourceArea(source, source_rect, from); refused != DD_OK)
        return refused;
    if (from.right - from.left != dest->right - dest->left ||
        from.bottom - from.top != dest->bottom - dest->top)
        return DDERR_UNSUPPORTED;  // no stretching
    const DWORD key_flags = ((flags & DDBLT_KEYSRC) ? DDBLTFAST_SRCCOLORKEY : 0) |
                            ((flags & DDBLT_KEYDEST) ? DDBLTFAST_DESTCOLORKEY : 0);
    return BltFast(static_cast<DWORD>(dest->left), static_cast<DWORD>(dest->top), source, &from,
                   key_flags);
}

HRESULT DrawSurface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT source_rect,
                             DWORD trans) {
    RECT from{};
    if (const HRESULT refused = SourceArea(source, source_rect, from); refused != DD_OK)
        return refused;
    DrawSurface& from_surface = *FromInterface(source);
    // x and y arrive unsigned: a negative position is a huge one and refused.
    const std::int64_t right = std::int64_t{x} + (from.right - from.left);
    const std::int64_t bottom = std::int64_t{y} + (from.bottom - from.top);
    if (right > width_px_ || bottom > height_px_)
        return DDERR_INVALIDRECT;
    if (Lost() || from_surface.Lost())
        return DDERR_SURFACELOST;
    if ((trans & DDBLTFAST_SRCCOLORKEY) && !from_surface.source_key_)
        return DDERR_NOCOLORKEY;
    if ((trans & DDBLTFAST_DESTCOLORKEY) && !dest_key_)
        return DDERR_NOCOLORKEY;
    // A recording surface read as a source is drawn first.
    if (from_surface.recording_.load(std::memory_order_acquire))
        FrameRecorder::Get().DrawKeptNow();
    const RowKeys keys = KeysFor(from_surface, trans);
    if (recording_.load(std::memory_order_acquire)) {
        KeptDraw copy;
        copy.source = &from_surface;
        copy.area = RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(right),
                         static_cast<LONG>(bottom)};
        copy.from_x = from.left;
        copy.from_y = from.top;
        copy.keys = keys;
        if (FrameRecorder::Get().Keep(*this, copy))
            return DD_OK;
    }
    BeforeChange();
    SettleFront();
    Copy(from_surface, from, static_cast<int>(x), static_cast<int>(y), keys);
    AfterChange();
    FrontChanged(false);
    return DD_OK;
}

HRESULT DrawSurface::Flip(LPDIRECTDRAWSURFACE override_surface, DWORD) {
    if (!back_buffer_ || (override_surface && override_surface != back_buffer_))
        return DDERR_NOTFLIPPABLE;
    if (Lost() || back_buffer_->Lost())
        return DDERR_SURFACELOST;
    if (lock_count_ > 0 || back_buffer_->lock_count_ > 0 || dc_ || back_buffer_->dc_)
        return DDERR_SURFACEBUSY;
    BeforeChange();
    back_buffer_->BeforeChange();
    // The draws that made each picture go with it.
    drawn_by_.swap(back_buffer_->drawn_by_);
    const bool front_valid = drawn_by_valid_.exchange(back_buffer_->drawn_by_valid_.load());
    back_buffer_->drawn_by_valid_.store(front_valid);
    version_.fetch_add(1, std::memory_order_release);
    back_buffer_->version_.fetch_add(1, std::memory_order_release);
    if (IsPrimary())
        DisplayOutput::Get().SubmitFlip(pixels_, back_buffer_->pixels_, width_px_, height_px_,
                                        pitch_);
    else
        pixels_.swap(back_buffer_->pixels_);
    return DD_OK;
}

HRESULT DrawSurface::GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) {
    if (!caps || !attached)
        return DDERR_INVALIDPARAMS;
    *attached = nullptr;
    if (!back_buffer_ || !(caps->dwCaps & (DDSCAPS_BACKBUFFER | DDSCAPS_FLIP)))
        return DDERR_NOTFOUND;
    back_buffer_->AddRef();
    *attached = back_buffer_;
    return DD_OK;
}

HRESULT DrawSurface::GetColorKey(DWORD flags, LPDDCOLORKEY key) {
    if (!key)
        return DDERR_INVALIDPARAMS;
    const std::uint64_t packed = (flags & DDCKEY_SRCBLT) ? source_key_.load() : dest_key_.load();
    if (!packed)
        return DDERR_NOCOLORKEY;
    key->dwColorSpaceLowValue = packed & 0xFF;
    key->dwColorSpaceHighValue = (packed >> 8) & 0xFF;
    return DD_OK;
}

HRESULT DrawSurface::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
    std::atomic<std::uint64_t>& slot = (flags & DDCKEY_DESTBLT) ? dest_key_ : source_key_;
    if (!(flags & (DDCKEY_DESTBLT | DDCKEY_SRCBLT)))
        return DDERR_INVALIDPARAMS;
    slot = key ? PackKey(*key) : 0;
    return DD_OK;
}

HRESULT DrawSurface::GetDC(HDC* dc) {
    if (!dc)
        return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    if (Lost())
        return DDERR_SURFACELOST;
    if (dc_)
        return DDERR_DCALREADYCREATED;
    BeforeChange();
    SettleFront();
    gdi::DcTarget target;
    target.bits = pixels_.data();
    target.width_px = width_px_;
    target.height_px = height_px_;
    target.pitch = pitch_;
    {
        std::lock_guard guard(palette_lock_);
        target.palette = palette_ ? palette_->Entries() : DisplayOutput::Get().Palette();
    }
    dc_ = gdi::CreateSurfaceDC(target);
    if (!dc_)
        return DDERR_NODC;
    *dc = dc_;
    return DD_OK;
}

HRESULT DrawSurface::ReleaseDC(HDC dc) {
    if (!dc || dc != dc_)
        return DDERR_INVALIDPARAMS;
    gdi::DeleteSurfaceDC(dc_);
    dc_ = nullptr;
    AfterChange();
    FrontChanged(false);
    return DD_OK;
}

HRESULT DrawSurface::GetPalette(LPDIRECTDRAWPALETTE* palette) {
    if (!palette)
        return DDERR_INVALIDPARAMS;
    std::lock_guard guard(palette_lock_);
    *palette = palette_;
    if (!palette_)
        return DDERR_NOPALETTEATTACHED;
    palette_->AddRef();
    return DD_OK;
}

HRESULT DrawSurface::SetPalette(LPDIRECTDRAWPALETTE palette) {
    auto* incoming = static_cast<DrawPalette*>(palette);
    DrawPalette* outgoing = nullptr;
    {
        std::lock_guard guard(palette_lock_);
        if (incoming == palette_)
            return DD_OK;
        outgoing = palette_;
        palette_ = incoming;
    }
    if (incoming) {
        incoming->AddRef();
        if (IsPrimary())
            incoming->AttachToPrimary(+1);
    }
    if (outgoing) {
        if (IsPrimary())
            outgoing->AttachToPrimary(-1);
        outgoing->Release();
    }
    return DD_OK;
}

HRESULT DrawSurface::GetSurfaceDesc(LPDDSURFACEDESC desc) {
    if (!desc)
        return DDERR_INVALIDPARAMS;
    const DWORD size = desc->dwSize;
    std::memset(desc, 0, sizeof(*desc));
    desc->dwSize = size;
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = width_px_;
    desc->dwHeight = height_px_;
    desc->lPitch = pitch_;
    desc->ddsCaps.dwCaps = caps_;
    if (back_buffer_) {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = 1;
    }
    desc->ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc->ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    desc->ddpfPixelFormat.dwRGBBitCount = 8;
    return DD_OK;
}

HRESULT DrawSurface::IsLost() {
    return Lost() ? DDERR_SURFACELOST : DD_OK;
}

HRESULT DrawSurface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD, HANDLE) {
    if (!desc)
        return DDERR_INVALIDPARAMS;
    const std::optional<RECT> area = Area(rect);
    if (!area)
        return DDERR_INVALIDRECT;
    if (Lost())
        return DDERR_SURFACELOST;
    BeforeChange();
    SettleFront();
    GetSurfaceDesc(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = Pixel(area->left, area->top);
    ++lock_count_;
    return DD_OK;
}

HRESULT DrawSurface::Unlock(LPVOID) {
    if (lock_count_ <= 0)
        return DDERR_NOTLOCKED;
    --lock_count_;
    AfterChange();
    FrontChanged(false);
    return DD_OK;
}

HRESULT DrawSurface::Restore() {
    // The memory comes back cleared; the owner redraws it.
    BeforeChange();
    SettleFront();
    if (lost_.exchange(false))
        std::fill(pixels_.begin(), pixels_.end(), BYTE{0});
    AfterChange();
    if (back_buffer_)
        back_buffer_->Restore();
    return DD_OK;
}

}  // namespace platform::video
