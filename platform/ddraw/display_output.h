// The display as the user sees it: the latest front-buffer picture and the
// palette the display last received. Drawing threads submit; the main
// thread's message pump presents; tests and screenshots read a copy.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/ddraw.h"

namespace platform::video {

class DisplayOutput {
public:
    static DisplayOutput& Get();

    // Copies a front buffer of `width_px` x `height_px` indices.
    void SubmitFrame(const BYTE* bits, int width_px, int height_px, LONG pitch, bool flipped);
    void SubmitPalette(const PALETTEENTRY* entries);

    VisibleFrame Snapshot() const;
    std::array<PALETTEENTRY, 256> Palette() const;
    // Copies the frame into `frame` when it changed since `seen`; updates `seen`.
    bool TakeIfChanged(std::uint64_t& seen, VisibleFrame& frame) const;

private:
    mutable std::mutex lock_;
    VisibleFrame frame_;
    std::uint64_t change_count_ = 0;
};

}  // namespace platform::video
