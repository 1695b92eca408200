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

TEST_F(FrameRecordingThreadsTest, AnImageRedrawnDuringTheFrameIsShownWhole) {
    IDirectDrawSurface* primary = MakeFlipChain();
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    IDirectDrawSurface* image = MakeSurface(64, 64);
    std::mutex image_lock;
    std::atomic<bool> done{false};
    std::thread painter([&] {
        for (BYTE index = 1; !done.load(); index = index % 200 + 1) {
            {
                std::lock_guard guard(image_lock);
                DDSURFACEDESC desc{};
                if (image->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK) {
                    for (int row = 0; row < 64; ++row)
                        std::memset(static_cast<BYTE*>(desc.lpSurface) + row * desc.lPitch, index,
                                    64);
                    image->Unlock(nullptr);
                }
            }
            std::this_thread::yield();
        }
    });
    // The painter is joined however the frames go.
    bool whole = true;
    for (int frame = 0; frame < 300 && whole; ++frame) {
        platform::BeginFrameRecording(back);
        {
            std::lock_guard guard(image_lock);
            EXPECT_EQ(back->BltFast(10, 10, image, nullptr, DDBLTFAST_WAIT), DD_OK);
        }
        platform::EndFrameRecording();
        EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        const platform::VisibleFrame shown = platform::GetVisibleFrame();
        for (int row = 10; row < 74; ++row)
            for (int column = 10; column < 74; ++column)
                whole = whole && shown.pixels[row * 640 + column] == shown.pixels[10 * 640 + 10];
        EXPECT_TRUE(whole) << "frame " << frame << " shows two pictures at once";
    }
    done.store(true);
    painter.join();
    back->Release();
}

}  // namespace
