#include "platform/ddraw/display_output.h"

#include <cstring>

namespace platform::video {

namespace {

// A picture of `width_px` x `height_px` indices, rows `pitch` bytes apart,
// into `frame`'s packed rows.
void CopyRowsInto(VisibleFrame& frame, const BYTE* bits, int width_px, int height_px, LONG pitch) {
    frame.width_px = width_px;
    frame.height_px = height_px;
    frame.pixels.resize(static_cast<std::size_t>(width_px) * height_px);
    for (int row = 0; row < height_px; ++row)
        std::memcpy(&frame.pixels[static_cast<std::size_t>(row) * width_px],
                    bits + static_cast<std::ptrdiff_t>(row) * pitch, width_px);
}

}  // namespace

DisplayOutput& DisplayOutput::Get() {
    // Never destroyed: surfaces freed at exit still settle their picture here.
    static DisplayOutput* output = new DisplayOutput;
    return *output;
}

void DisplayOutput::SubmitFrame(const BYTE* bits, int width_px, int height_px, LONG pitch,
                                bool flipped) {
    {
        std::lock_guard guard(lock_);
        shown_front_ = nullptr;
        CopyRowsInto(frame_, bits, width_px, height_px, pitch);
        if (flipped)
            ++frame_.flip_count;
        ++change_count_;
    }
    TellListener();
}

void DisplayOutput::SubmitFlip(std::vector<BYTE>& front, std::vector<BYTE>& back, int width_px,
                               int height_px, LONG pitch) {
    {
        std::lock_guard guard(lock_);
        front.swap(back);
        shown_front_ = &front;
        shown_front_pitch_ = pitch;
        frame_.width_px = width_px;
        frame_.height_px = height_px;
        ++frame_.flip_count;
        ++change_count_;
    }
    TellListener();
}

void DisplayOutput::SettleFront(const std::vector<BYTE>& front) {
    std::lock_guard guard(lock_);
    if (shown_front_ == &front)
        CopyShownFront();
}

void DisplayOutput::CopyShownFront() {
    if (!shown_front_)
        return;
    CopyRowsInto(frame_, shown_front_->data(), frame_.width_px, frame_.height_px,
                 shown_front_pitch_);
    shown_front_ = nullptr;
}

void DisplayOutput::SubmitPalette(const PALETTEENTRY* entries) {
    std::lock_guard guard(lock_);
    if (std::memcmp(frame_.palette.data(), entries, sizeof(frame_.palette)) == 0)
        return;
    std::memcpy(frame_.palette.data(), entries, sizeof(frame_.palette));
    ++change_count_;
}

void DisplayOutput::SetChangeListener(void (*listener)()) {
    change_listener_.store(listener, std::memory_order_release);
}

void DisplayOutput::TellListener() const {
    if (auto listener = change_listener_.load(std::memory_order_acquire))
        listener();
}

VisibleFrame DisplayOutput::Snapshot() {
    std::lock_guard guard(lock_);
    CopyShownFront();
    return frame_;
}

std::array<PALETTEENTRY, 256> DisplayOutput::Palette() const {
    std::lock_guard guard(lock_);
    return frame_.palette;
}

bool DisplayOutput::TakeIfChanged(std::uint64_t& seen, VisibleFrame& frame) {
    std::lock_guard guard(lock_);
    if (seen == change_count_)
        return false;
    seen = change_count_;
    if (!shown_front_) {
        frame = frame_;
        return true;
    }
    // The front buffer goes straight to the window's frame; frame_ takes its
    // own copy only when a screenshot asks.
    frame.width_px = frame_.width_px;
    frame.height_px = frame_.height_px;
    frame.palette = frame_.palette;
    frame.flip_count = frame_.flip_count;
    CopyRowsInto(frame, shown_front_->data(), frame_.width_px, frame_.height_px,
                 shown_front_pitch_);
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
