// The main window's program-wide keys and messages: quit, device
// selection, repeat, play and pause, volume, the transport's tempo,
// transpose, mute and solo keys, palette switching, and what goes on to the
// focused panel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "gfx/panel.h"
#include "gfx/panel_list.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "tests/app/recording_application.h"

namespace {

constexpr LPARAM kAltHeld = LPARAM{1} << 29;

// A loaded song that only records what the keys do to it.
class RecordingPlayer : public CPlayerBase {
public:
    RecordingPlayer() { loaded.store(1); }
    // Unloaded here: the base destructor can no longer reach Unload.
    ~RecordingPlayer() override { loaded.store(0); }
    bool Load(const char*) override { return true; }
    void Play() override {
        calls.push_back("play");
        paused = false;
    }
    void Pause() override {
        calls.push_back("pause");
        paused = true;
    }
    void Stop() override { calls.push_back("stop"); }
    void Unload() override {}
    bool IsPlaying() const override { return !paused; }
    bool IsPaused() const override { return paused; }
    DWORD GetPlayTime() const override { return 0; }
    void SetVolume(int value) override { volume = value; }
    int GetVolume() const override { return volume; }
    void SetRepeat(bool value) override { repeat = value; }
    bool GetRepeat() const override { return repeat; }

    std::vector<std::string> calls;
    bool paused = false;
    int volume = 100;
    bool repeat = false;
};

// An interactive panel that records the keys it is given and consumes them.
class KeyPanel : public CInteractivePanel {
public:
    KeyPanel(WORD panel_id, std::vector<std::string>* journal) : journal_(journal) {
        SetId(panel_id);
    }
    int OnInput(InputEvent* event) override {
        journal_->push_back(std::to_string(GetId()) + ":" + std::to_string(event->message) + ":" +
                            std::to_string(event->wParam));
        return 1;
    }

private:
    std::vector<std::string>* journal_;
};

class MainWindowKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyAll();
        new KeyPanel(PANEL_ID_FILE_SELECTOR, &panel_keys_);
        new KeyPanel(PANEL_ID_DEVICE_SELECT, &panel_keys_);
        new KeyPanel(PANEL_ID_SOUNDFONT_SELECT, &panel_keys_);
        SetFocus(PANEL_ID_FILE_SELECTOR);
        // Whatever earlier pushes left on the focus stack goes.
        for (int i = 0; i < 16; ++i)
            PopFocus();
        SetFocus(PANEL_ID_FILE_SELECTOR);
    }
    void TearDown() override { DestroyAll(); }

    LRESULT Key(WPARAM key) { return window_.OnKeyDown(key, 0); }

    RecordingApplication application_;
    RecordingPlayer player_;
    CMainWindow window_;
    std::vector<std::string> panel_keys_;
};

TEST_F(MainWindowKeysTest, EscapeAndCloseQuitWithCodeZero) {
    EXPECT_EQ(Key(VK_ESCAPE), 1);
    // A close request quits too; 0 keeps the window alive until shutdown.
    EXPECT_EQ(window_.OnMessage(WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(application_.quit_codes, (std::vector<int>{0, 0}));
    EXPECT_TRUE(panel_keys_.empty());
}

TEST_F(MainWindowKeysTest, PlaybackKeysActOnThePlayer) {
    EXPECT_EQ(Key(VK_F5), 1);
    EXPECT_TRUE(player_.repeat);
    EXPECT_EQ(Key(VK_F5), 1);
    EXPECT_FALSE(player_.repeat);
    // Play-through is the program's mode: it leaves the song alone.
    EXPECT_EQ(Key(VK_F4), 1);
    EXPECT_TRUE(PlayerGetPlayThrough());
    EXPECT_EQ(Key(VK_F4), 1);
    EXPECT_FALSE(PlayerGetPlayThrough());

    EXPECT_EQ(Key(VK_F6), 1);
    EXPECT_EQ(Key(VK_F7), 1);  // playing: pause
    EXPECT_EQ(Key(VK_F7), 1);  // paused: play again
    EXPECT_EQ(player_.calls, (std::vector<std::string>{"play", "pause", "play"}));
}

TEST_F(MainWindowKeysTest, VolumeStepsBySixteenWithinTheRange) {
    player_.volume = 250;
    EXPECT_EQ(Key(VK_F8), 1);
    EXPECT_EQ(player_.volume, 255);
    EXPECT_EQ(Key(VK_F8), 1);
    EXPECT_EQ(player_.volume, 255);
    EXPECT_EQ(Key(VK_F9), 1);
    EXPECT_EQ(player_.volume, 239);
    player_.volume = 10;
    EXPECT_EQ(Key(VK_F9), 1);
    EXPECT_EQ(player_.volume, 0);
    player_.volume = 100;
    EXPECT_EQ(Key(VK_F8), 1);
    EXPECT_EQ(player_.volume, 116);
}

TEST_F(MainWindowKeysTest, F2AndF10OpenTheirListsOnceAndThenBelongToThem) {
    // F2 the devices (panel 3), F10 the SoundFonts (panel 4).
    for (const auto& [key, panel] : {std::pair<WPARAM, int>{VK_F2, PANEL_ID_DEVICE_SELECT},
                                     std::pair<WPARAM, int>{VK_F10, PANEL_ID_SOUNDFONT_SELECT}}) {
        panel_keys_.clear();
        EXPECT_EQ(Key(key), 1);
        EXPECT_EQ(GetFocusedPanelId(), panel);
        // With its list focused, the key is the list's own: not consumed,
        // and the focus history does not grow.
        EXPECT_EQ(Key(key), 0);
        EXPECT_EQ(window_.OnMessage(WM_KEYDOWN, key, 0), 1);
        EXPECT_EQ(panel_keys_,
                  std::vector<std::string>{std::to_string(panel) + ":256:" + std::to_string(key)});
        PopFocus();
        EXPECT_EQ(GetFocusedPanelId(), PANEL_ID_FILE_SELECTOR);
        PopFocus();
        EXPECT_EQ(GetFocusedPanelId(), PANEL_ID_FILE_SELECTOR);
    }
}

// Holds a modifier as the message loop would: the key-down taken from the queue.
void SetModifier(WPARAM key, bool held) {
    PostMessageA(nullptr, held ? WM_KEYDOWN : WM_KEYUP, key, 0);
    MSG message;
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
}

TEST_F(MainWindowKeysTest, TransportKeysSetTempoTransposeMuteAndSolo) {
    CSequencer& sequencer = GetSequencer();
    EXPECT_EQ(Key(VK_OEM_PERIOD), 1);
    EXPECT_EQ(Key(VK_MULTIPLY), 1);
    EXPECT_EQ(sequencer.GetTempoPercent(), 110);
    for (int i = 0; i < 30; ++i)
        Key(VK_DIVIDE);
    EXPECT_EQ(sequencer.GetTempoPercent(), 25);
    EXPECT_EQ(Key(VK_OEM_COMMA), 1);
    EXPECT_EQ(sequencer.GetTempoPercent(), 25);
    for (int i = 0; i < 100; ++i)
        Key(VK_OEM_PERIOD);
    EXPECT_EQ(sequencer.GetTempoPercent(), 400);

    EXPECT_EQ(Key(VK_OEM_PLUS), 1);
    EXPECT_EQ(Key(VK_ADD), 1);
    EXPECT_EQ(Key(VK_SUBTRACT), 1);
    EXPECT_EQ(sequencer.GetTranspose(), 1);
    for (int i = 0; i < 20; ++i)
        Key(VK_OEM_MINUS);
    EXPECT_EQ(sequencer.GetTranspose(), -12);

    // Digits 1-9 and 0 are channels 1-10; with Shift 1-6 are 11-16; Ctrl solos.
    EXPECT_EQ(Key('1'), 1);
    EXPECT_EQ(Key('0'), 1);
    EXPECT_TRUE(sequencer.IsChannelMuted(0));
    EXPECT_TRUE(sequencer.IsChannelMuted(9));
    EXPECT_EQ(Key('1'), 1);
    EXPECT_FALSE(sequencer.IsChannelMuted(0));

    SetModifier(VK_SHIFT, true);
    EXPECT_EQ(Key(VK_OEM_PERIOD), 1);
    EXPECT_EQ(Key(VK_OEM_MINUS), 1);
    EXPECT_EQ(sequencer.GetTempoPercent(), 100);
    EXPECT_EQ(sequencer.GetTranspose(), 0);
    EXPECT_EQ(Key('6'), 1);
    EXPECT_TRUE(sequencer.IsChannelMuted(15));
    EXPECT_EQ(Key('7'), 0);  // there is no channel 17
    EXPECT_EQ(Key('0'), 0);
    SetModifier(VK_CONTROL, true);
    EXPECT_EQ(Key('1'), 1);
    EXPECT_EQ(sequencer.GetSoloChannel(), 10);
    SetModifier(VK_SHIFT, false);
    EXPECT_EQ(Key('3'), 1);
    EXPECT_EQ(sequencer.GetSoloChannel(), 2);
    EXPECT_EQ(Key('3'), 1);
    EXPECT_EQ(sequencer.GetSoloChannel(), CSequencer::NO_SOLO);
    SetModifier(VK_CONTROL, false);
    EXPECT_TRUE(panel_keys_.empty());

    sequencer.SetChannelMuted(9, false);
    sequencer.SetChannelMuted(15, false);
}

TEST_F(MainWindowKeysTest, OtherKeysAreLeftForTheFocusedPanel) {
    for (WPARAM key : {WPARAM{VK_F1}, WPARAM{VK_F12}, WPARAM{VK_RETURN}, WPARAM{'A'},
                       WPARAM{VK_DOWN}})
        EXPECT_EQ(Key(key), 0) << key;
    EXPECT_TRUE(player_.calls.empty());
    EXPECT_EQ(player_.volume, 100);
    EXPECT_TRUE(application_.quit_codes.empty());

    EXPECT_EQ(window_.OnMessage(WM_KEYDOWN, VK_RETURN, 0), 1);
    EXPECT_EQ(window_.OnMessage(WM_KEYUP, VK_RETURN, 0), 1);
    EXPECT_EQ(panel_keys_, (std::vector<std::string>{"1:256:13", "1:257:13"}));

    // Without a focused panel nobody takes them.
    DestroyAll();
    EXPECT_EQ(window_.OnMessage(WM_KEYDOWN, VK_RETURN, 0), NOT_HANDLED);
}

TEST_F(MainWindowKeysTest, AltDigitsSwitchPalettesAndOtherAltKeysReachThePanel) {
    // Main-row and keypad digits with Alt are the palette keys: consumed
    // here whether or not the palette file exists.
    for (WPARAM key : {WPARAM{'0'}, WPARAM{'9'}, WPARAM{VK_NUMPAD0}, WPARAM{VK_NUMPAD9}})
        EXPECT_EQ(window_.OnMessage(WM_SYSKEYDOWN, key, kAltHeld), 0) << key;
    // Alt+Enter and F11 switch full screen and window (headless: nothing),
    // and Enter does not reach the selector.
    EXPECT_EQ(window_.OnMessage(WM_SYSKEYDOWN, VK_RETURN, kAltHeld), 0);
    EXPECT_EQ(Key(VK_F11), 1);
    EXPECT_TRUE(panel_keys_.empty());

    // Alt with another key, and a system key without Alt, go to the panel.
    EXPECT_EQ(window_.OnMessage(WM_SYSKEYDOWN, 'A', kAltHeld), 1);
    EXPECT_EQ(window_.OnMessage(WM_SYSKEYDOWN, '5', 0), 1);
    EXPECT_EQ(window_.OnMessage(WM_SYSKEYDOWN, VK_NUMPAD0 + 10, kAltHeld), 1);
    EXPECT_EQ(panel_keys_,
              (std::vector<std::string>{"1:260:65", "1:260:53", "1:260:" + std::to_string(0x6A)}));
}

}  // namespace
