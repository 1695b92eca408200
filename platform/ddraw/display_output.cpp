#include "platform/ddraw/display_output.h"

#include <cstring>

namespace platform::video {

DisplayOutput& DisplayOutput::Get() {
    static DisplayOutput output;
    return output;
}

void DisplayOutput::SubmitFrame(const BYTE* bits, int width_px, int height_px, LONG pitch,
                                bool flipped) {
    std::lock_guard guard(lock_);
    frame_.width_px = width_px;
    frame_.height_px = height_px;
    frame_.pixels.resize(static_cast<std::size_t>(width_px) * height_px);
    for (int row = 0; row < height_px; ++row)
        std::memcpy(&frame_.pixels[static_cast<std::size_t>(row) * width_px],
                    bits + static_cast<std::ptrdiff_t>(row) * pitch, width_px);
    if (flipped)
        ++frame_.flip_count;
    ++change_count_;
}

void DisplayOutput::SubmitPalette(const PALETTEENTRY* entries) {
    std::lock_guard guard(lock_);
    if (std::memcmp(frame_.palette.data(), entries, sizeof(frame_.palette)) == 0)
        return;
    std::memcpy(frame_.palette.data(), entries, sizeof(frame_.palette));
    ++change_count_;
}

VisibleFrame DisplayOutput::Snapshot() const {
    std::lock_guard guard(lock_);
    return frame_;
}

std::array<PALETTEENTRY, 256> DisplayOutput::Palette() const {
    std::lock_guard guard(lock_);
    return frame_.palette;
}

bool DisplayOutput::TakeIfChanged(std::uint64_t& seen, VisibleFrame& frame) const {
    std::lock_guard guard(lock_);
    if (seen == change_count_)
        return false;
    seen = change_count_;
    frame = frame_;
    return true;
}

}  // namespace platform::video

namespace platform {

VisibleFrame GetVisibleFrame() {
    return video::DisplayOutput::Get().Snapshot();
}

std::array<PALETTEENTRY, 256> GetDisplayPalette() {
    return video::DisplayOutput::Get().Palette();
}

}  // namespace platform
