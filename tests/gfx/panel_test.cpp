#include "gfx/panel.h"
#include "gfx/panel_list.h"

#include <string>

#include "tests/gfx/gfx_test_support.h"

namespace {

// Records what the framework does to each panel, in one shared journal.
std::vector<std::string> journal;
int destroyed = 0;

class RecordingMonitor : public CPanel {
public:
    explicit RecordingMonitor(std::string name, LONG x = 0) : name_(std::move(name)) {
        SetRect(x, 0, x + 4, 2);
    }
    ~RecordingMonitor() override { ++destroyed; }
    int Notify(int code) override {
        journal.push_back(name_ + ":" + std::to_string(code));
        return code + 100;
    }

private:
    std::string name_;
};

class RecordingInteractive : public CInteractivePanel {
public:
    RecordingInteractive(std::string name, WORD panel_id, LONG x = 0) : name_(std::move(name)) {
        SetId(panel_id);
        SetRect(x, 0, x + 4, 2);
    }
    ~RecordingInteractive() override { ++destroyed; }
    int Notify(int code) override {
        journal.push_back(name_ + ":" + std::to_string(code));
        return CInteractivePanel::Notify(code);
    }
    int OnInput(InputEvent* event) override {
        journal.push_back(name_ + ":key" + std::to_string(event->wParam));
        return 1;
    }
    void Draw(CSurface* target) override { DrawShown(target->surface); }

    // Draws a new image and commits it, as the interactive panels do.
    void Paint(DWORD colour) {
        surface.Fill(nullptr, colour);
        Commit();
    }

private:
    std::string name_;
};

class PanelTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        DestroyAll();
        journal.clear();
        destroyed = 0;
    }
    void TearDown() override { DestroyAll(); }

    // The order of the program: monitors first, then selector, viewer, device
    // selection.
    void BuildScreen() {
        monitor_ = new RecordingMonitor("monitor", 0);
        selector_ = new RecordingInteractive("selector", 1, 4);
        viewer_ = new RecordingInteractive("viewer", 2, 8);
        device_ = new RecordingInteractive("device", 3, 12);
        ASSERT_EQ(CreateAll(), 1);
        journal.clear();
    }

    RecordingMonitor* monitor_ = nullptr;
    RecordingInteractive* selector_ = nullptr;
    RecordingInteractive* viewer_ = nullptr;
    RecordingInteractive* device_ = nullptr;
};

TEST_F(PanelTest, ListOwnsItsPanelsInConstructionOrder) {
    BuildScreen();
    ASSERT_EQ(GetPanelCount(), 4u);
    EXPECT_EQ(GetPanelAt(0), monitor_);
    EXPECT_EQ(GetPanelAt(3), device_);
    EXPECT_EQ(GetPanelAt(4), nullptr);
    EXPECT_EQ(Broadcast(1), 0);  // the last panel's answer
    EXPECT_EQ(journal,
              (std::vector<std::string>{"monitor:1", "selector:1", "viewer:1", "device:1"}));
    SetFocus(2);
    DestroyAll();
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(GetPanelCount(), 0u);
    EXPECT_EQ(GetFocusedPanel(), nullptr);
}

TEST_F(PanelTest, OnlyShownPanelsAreDrawn) {
    BuildScreen();
    EXPECT_TRUE(monitor_->IsShown());
    EXPECT_FALSE(selector_->IsShown());
    monitor_->GetSurface()->Fill(nullptr, 5);
    selector_->Paint(6);
    viewer_->Paint(7);
    SetFocus(1);

    CSurface screen = MakeSurface(16, 2);
    DrawAll(&screen);
    EXPECT_EQ(PixelAt(screen, 0, 0), 5);
    EXPECT_EQ(PixelAt(screen, 4, 1), 6);
    EXPECT_EQ(PixelAt(screen, 8, 0), 0);  // viewer holds an image but is hidden
    monitor_->Hide();
    CSurface again = MakeSurface(16, 2);
    DrawAll(&again);
    EXPECT_EQ(PixelAt(again, 0, 0), 0);
}

TEST_F(PanelTest, FocusMovesNotifyLossThenGain) {
    BuildScreen();
    SetFocus(1);
    EXPECT_EQ(journal, (std::vector<std::string>{"selector:4096"}));
    journal.clear();
    SetFocus(2);
    EXPECT_EQ(journal, (std::vector<std::string>{"selector:4097", "viewer:4096"}));
    EXPECT_FALSE(selector_->IsShown());
    EXPECT_TRUE(viewer_->IsShown());
    journal.clear();
    SetFocus(2);  // focusing the focused panel replays its focus effects
    EXPECT_EQ(journal, (std::vector<std::string>{"viewer:4097", "viewer:4096"}));
    journal.clear();
    SetFocus(7);
    SetFocus(0x10002 + 5);  // only the low 16 bits count: id 7
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(GetFocusedPanelId(), 2);
    SetFocus(0);
    EXPECT_EQ(GetFocusedPanel(), nullptr);
}

TEST_F(PanelTest, FocusStackReturnsToThePushingPanel) {
    BuildScreen();
    SetFocus(2);
    PushFocus(3);
    EXPECT_EQ(GetFocusedPanelId(), 3);
    journal.clear();
    PushFocus(3);  // already focused: nothing pushed, nothing sent
    EXPECT_TRUE(journal.empty());
    PopFocus();
    EXPECT_EQ(GetFocusedPanelId(), 2);
    journal.clear();
    PopFocus();  // empty stack
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(GetFocusedPanelId(), 2);

    // Pushes beyond the stack's depth are not remembered, and nothing breaks.
    for (int i = 0; i < 20; ++i)
        PushFocus(i % 2 == 0 ? 1 : 3);
    for (int i = 0; i < 20; ++i)
        PopFocus();
    EXPECT_NE(GetFocusedPanel(), nullptr);
}

TEST_F(PanelTest, InputGoesToTheFocusedPanelOrToAll) {
    BuildScreen();
    InputEvent key{nullptr, 0x100, 0x0D, 0};
    EXPECT_EQ(DispatchInput(&key, 0), 0);  // no focus yet
    EXPECT_TRUE(journal.empty());
    SetFocus(3);
    journal.clear();
    EXPECT_EQ(DispatchInput(&key, 0), 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"device:key13"}));
    journal.clear();
    EXPECT_EQ(DispatchInput(&key, 1), -1);
    EXPECT_EQ(journal,
              (std::vector<std::string>{"selector:key13", "viewer:key13", "device:key13"}));
}

TEST_F(PanelTest, CommitExchangesTheDrawingAndShownSurfaces) {
    BuildScreen();
    IDirectDrawSurface* drawing = selector_->GetSurface()->surface;
    IDirectDrawSurface* shown = selector_->GetShownSurface()->surface;
    ASSERT_NE(drawing, shown);
    selector_->Paint(9);
    EXPECT_EQ(selector_->GetShownSurface()->surface, drawing);
    EXPECT_EQ(selector_->GetShownDirectDrawSurface(), drawing);
    EXPECT_EQ(selector_->GetSurface()->surface, shown);
    EXPECT_EQ(selector_->GetSurface()->width, 4);
    EXPECT_EQ(selector_->GetSurface()->height, 2);
    EXPECT_EQ(PixelAt(*selector_->GetShownSurface(), 3, 1), 9);
    EXPECT_EQ(PixelAt(*selector_->GetSurface(), 3, 1), 0);  // the older image
    selector_->Paint(4);
    EXPECT_EQ(selector_->GetShownSurface()->surface, shown);
    EXPECT_EQ(PixelAt(*selector_->GetShownSurface(), 0, 0), 4);
}

TEST_F(PanelTest, InteractivePanelsGetTwoClearedSurfacesOfTheirSize) {
    BuildScreen();
    for (CSurface* made : {selector_->GetSurface(), selector_->GetShownSurface()}) {
        ASSERT_NE(made->surface, nullptr);
        EXPECT_EQ(made->width, 4);
        EXPECT_EQ(made->height, 2);
        EXPECT_EQ(made->caps, kOffscreenCaps);
        EXPECT_EQ(made->desc_flags, DWORD{DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH});
        EXPECT_TRUE(SetPixels(*made).empty());
    }
    EXPECT_NE(selector_->GetSurface()->surface, selector_->GetShownSurface()->surface);
    EXPECT_EQ(selector_->GetShownDirectDrawSurface(), selector_->GetShownSurface()->surface);
}

TEST_F(PanelTest, CreateAllReportsAPanelWithoutSurface) {
    new RecordingMonitor("good");
    auto* bad = new RecordingMonitor("bad");
    bad->SetRect(0, 0, 0, 0);  // an empty surface cannot be made
    new RecordingMonitor("after");
    EXPECT_EQ(CreateAll(), 0);
    EXPECT_NE(GetPanelAt(2)->GetSurface()->surface, nullptr);  // later panels still created
}

}  // namespace
