// A picture a recorded frame copies may be redrawn by another thread before
// the frame ends, under the lock the two share (as a panel's image is): the
// frame then draws what it kept first, so it never shows half a redraw.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/ddraw.h"
#include "tests/video/direct_draw_fixture.h"

namespace {

class FrameRecordingThreadsTest : public DirectDrawFixture {};

// Fills the whole of `surface` with one index through a lock of it.
void Paint(IDirectDrawSurface* surface, BYTE index) {
    DDSURFACEDESC desc{};
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (DWORD row = 0; row < desc.dwHeight; ++row)
        std::memset(static_cast<BYTE*>(desc.lpSurface) + row * desc.lPitch, index, desc.dwWidth);
    surface->Unlock(nullptr);
}

TEST_F(FrameRecordingThreadsTest, AnImageRedrawnDuringTheFrameIsShownWhole) {
    IDirectDrawSurface* primary = MakeFlipChain();
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    IDirectDrawSurface* image = MakeSurface(64, 64);
    std::mutex image_lock;
    Paint(image, 1);

    std::atomic<bool> done{false};
    std::thread painter([&] {
        for (BYTE index = 2; !done.load(); index = index == 200 ? 2 : index + 1) {
            {
                std::lock_guard guard(image_lock);
                Paint(image, index);
            }
            std::this_thread::yield();
        }
    });
    for (int frame = 0; frame < 100; ++frame) {
        platform::BeginFrameRecording(back);
        RECT whole{0, 0, 64, 64};
        {
            std::lock_guard guard(image_lock);
            ASSERT_EQ(back->BltFast(10, 10, image, &whole, DDBLTFAST_WAIT), DD_OK);
        }
        platform::EndFrameRecording();
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        const platform::VisibleFrame shown = platform::GetVisibleFrame();
        const BYTE corner = shown.pixels[10 * 640 + 10];
        for (int row = 10; row < 74; ++row)
            for (int column = 10; column < 74; ++column)
                ASSERT_EQ(shown.pixels[row * 640 + column], corner) << "frame " << frame;
    }
    done.store(true);
    painter.join();
    back->Release();
}

}  // namespace
