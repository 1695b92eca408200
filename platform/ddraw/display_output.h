// The display as the user sees it: the latest front-buffer picture and the
// palette the display last received. Drawing threads submit; the main
// thread's message pump presents; tests and screenshots read a copy.
// A flip hands over the front buffer itself, and its picture is copied out
// only when somebody reads it: headless, nobody does for most frames.
#pragma once

#include <array>
#include <atomic>
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
    // Swaps the back buffer's pixels into the front and shows the front from
    // now on, until the next submission (or SettleFront) takes a copy.
    void SubmitFlip(std::vector<BYTE>& front, std::vector<BYTE>& back, int width_px, int height_px,
                    LONG pitch);
    // Copies the picture of `front` now, when it is still the one shown:
    // called before the front is drawn on, cleared or freed.
    void SettleFront(const std::vector<BYTE>& front);
    void SubmitPalette(const PALETTEENTRY* entries);

    VisibleFrame Snapshot();
    std::array<PALETTEENTRY, 256> Palette() const;
    // Copies the frame into `frame` when it changed since `seen`; updates `seen`.
    bool TakeIfChanged(std::uint64_t& seen, VisibleFrame& frame);
    // Called (on the submitting thread) after each new picture, so a window
    // shows it at once; null for none. A palette change alone does not call
    // it: a frame's palette comes just before its flip, and shown apart it
    // would light the old picture in the new colours.
    void SetChangeListener(void (*listener)());

private:
    // Called with the lock held.
    void CopyShownFront();
    void TellListener() const;

    mutable std::mutex lock_;
    VisibleFrame frame_;
    std::uint64_t change_count_ = 0;
    // The front buffer a flip showed and frame_ does not hold yet.
    const std::vector<BYTE>* shown_front_ = nullptr;
    LONG shown_front_pitch_ = 0;
    std::atomic<void (*)()> change_listener_{nullptr};
};

}  // namespace platform::video
