// No window and no SDL video: frames are kept only for screenshots and tests.
#include "platform/backends/video/video_backend.h"

namespace platform::video {
namespace {

class HeadlessBackend final : public VideoBackend {
public:
    const char* Name() const override { return "headless"; }
    bool Open(const char*) override { return true; }
    void Close() override {}
    void Poll(std::vector<BackendEvent>&) override {}
    // No events: the queue's own wait serves.
    BackendWaiter Waiter() const override { return {}; }
    void Present(const VisibleFrame&) override {}
    void Minimize() override {}
    void SetTitle(const char*) override {}
    void SetCursorShown(bool) override {}
    void SetWaitCursor(bool) override {}
    bool SetFullscreen(bool) override { return false; }
};

}  // namespace

std::unique_ptr<VideoBackend> MakeHeadlessBackend() {
    return std::make_unique<HeadlessBackend>();
}

}  // namespace platform::video
