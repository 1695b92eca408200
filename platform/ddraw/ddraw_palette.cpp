#include "platform/ddraw/ddraw_objects.h"
#include "platform/ddraw/display_output.h"

#include <cstring>

namespace platform::video {

DrawPalette::DrawPalette(DrawDevice& device, DWORD caps, const PALETTEENTRY* entries)
    : device_(device), caps_(caps) {
    std::memcpy(entries_.data(), entries, sizeof(entries_));
}

void DrawPalette::LastReleased() {
    device_.Forget(this);
}

HRESULT DrawPalette::GetCaps(LPDWORD caps) {
    if (!caps)
        return DDERR_INVALIDPARAMS;
    *caps = caps_;
    return DD_OK;
}

HRESULT DrawPalette::GetEntries(DWORD, DWORD base, DWORD count, LPPALETTEENTRY entries) {
    if (!entries || base > 256 || count > 256 - base)
        return DDERR_INVALIDPARAMS;
    std::lock_guard guard(lock_);
    std::memcpy(entries, &entries_[base], count * sizeof(PALETTEENTRY));
    return DD_OK;
}

HRESULT DrawPalette::SetEntries(DWORD, DWORD start, DWORD count, LPPALETTEENTRY entries) {
    if (!entries || start > 256 || count > 256 - start)
        return DDERR_INVALIDPARAMS;
    std::array<PALETTEENTRY, 256> now;
    {
        std::lock_guard guard(lock_);
        std::memcpy(&entries_[start], entries, count * sizeof(PALETTEENTRY));
        now = entries_;
    }
    if (primary_attachments_ > 0)
        DisplayOutput::Get().SubmitPalette(now.data());
    return DD_OK;
}

std::array<PALETTEENTRY, 256> DrawPalette::Entries() const {
    std::lock_guard guard(lock_);
    return entries_;
}

void DrawPalette::AttachToPrimary(int delta) {
    primary_attachments_ += delta;
    if (delta > 0)
        DisplayOutput::Get().SubmitPalette(Entries().data());
}

}  // namespace platform::video
