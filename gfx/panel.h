// The panel framework: CPanel, a screen rectangle with its own off-screen
// image that the frame thread copies onto the back buffer every frame while
// it is shown, and CInteractivePanel, a double-buffered panel with an id
// that takes the keyboard focus and is shown only while it has it.
#pragma once

#include <atomic>

#include "gfx/critical_section.h"
#include "gfx/rect.h"
#include "gfx/surface.h"
#include "platform/win32_types.h"

// Notification codes passed to CPanel::Notify.
inline constexpr int NOTIFY_START = 0;          // all panels created, focus set
inline constexpr int NOTIFY_PLAY_RESTART = 1;   // a song (re)started playing
inline constexpr int NOTIFY_SOUND_CHANGED = 2;  // the synth's SoundFonts changed or failed
inline constexpr int NOTIFY_FOCUS_GAIN = 4096;  // the panel gains the focus
inline constexpr int NOTIFY_FOCUS_LOSS = 4097;  // the panel loses the focus

// Panel ids of the interactive panels.
// The palette index of the rules the monitor panels draw.
inline constexpr BYTE kPanelRuleColour = 5;

inline constexpr WORD PANEL_ID_NONE = 0;
inline constexpr WORD PANEL_ID_FILE_SELECTOR = 1;
inline constexpr WORD PANEL_ID_DOCUMENT_VIEWER = 2;
inline constexpr WORD PANEL_ID_DEVICE_SELECT = 3;
inline constexpr WORD PANEL_ID_SOUNDFONT_SELECT = 4;

// What DispatchInput hands to OnInput: the start of a window message. The
// dispatcher does not fill in hwnd; handlers act on message WM_KEYDOWN
// (0x100) with the virtual-key code in wParam.
struct InputEvent {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class CPanel {
public:
    // Appends the panel to the panel list, which owns it from then on.
    CPanel();
    CPanel(const CPanel&) = delete;
    CPanel& operator=(const CPanel&) = delete;
    // Does not unregister the panel nor release its DirectDraw surface.
    virtual ~CPanel() = default;

    // Monitors are shown at once, interactive panels stay hidden until they
    // get the focus; then the surface is made the rectangle's size. Returns
    // the surface's result (1 or 0). Set the rectangle before.
    virtual int Create();
    // While shown: copies the whole panel image to (left, top) of target.
    virtual void Draw(CSurface* target);
    // Base: ignores every code and returns 0.
    virtual int Notify(int code);
    virtual int IsInteractive();
    virtual void Show();
    virtual void Hide();
    // Restores the panel surface; subclasses redraw their contents after.
    virtual void Restore();
    virtual CSurface* GetSurface();

    void SetRect(LONG left, LONG top, LONG right, LONG bottom) {
        rect.Set(left, top, right, bottom);
    }
    POINT GetPosition() const { return POINT{rect.left, rect.top}; }
    CRect GetRect() const { return rect; }
    bool IsShown() const { return shown != 0; }

protected:
    CSurface surface;           // the panel's image, exactly the rectangle's size
    std::atomic<int> shown{0};  // read by the frame thread every frame
    CRect rect;                 // place on the screen, right and bottom exclusive
};

class CInteractivePanel : public CPanel {
public:
    CInteractivePanel() = default;
    ~CInteractivePanel() override = default;

    // Creates the shown surface and then the drawing surface, both the
    // rectangle's size and cleared to 0; the panel stays hidden.
    int Create() override;
    // 4096 shows the panel and 4097 hides it (both return 1); any other code
    // returns 0. Subclasses call this first, then handle their own codes.
    int Notify(int code) override;
    int IsInteractive() override;
    // Restores the shown surface, then the drawing surface.
    void Restore() override;

    // While shown: copies the whole committed image to (left, top) of
    // target. Returns the blit's result, 0 when not shown.
    virtual HRESULT DrawShown(IDirectDrawSurface* target);
    // Base: not handled (0). Subclasses act on keys here.
    virtual int OnInput(InputEvent* event);
    virtual CSurface* GetShownSurface();

    // Makes the freshly drawn image the shown one and takes the previously
    // shown surface as the next drawing surface, then waits (at most 100 ms)
    // until a frame with the new image is on screen. The drawing surface then
    // holds an older image: redraw the whole image before the next Commit.
    void Commit();

    // The DirectDraw surface of the committed image, safe to read from the
    // frame thread while the main thread commits.
    IDirectDrawSurface* GetShownDirectDrawSurface() const {
        return shown_published_.load(std::memory_order_acquire);
    }

    WORD GetId() const { return id; }
    void SetId(WORD panel_id) { id = panel_id; }

protected:
    WORD id = PANEL_ID_NONE;  // set by the application after construction
    CCriticalSection lock;    // held by Commit around the exchange
    CSurface shown_surface;   // the image the frame thread shows

private:
    std::atomic<IDirectDrawSurface*> shown_published_{nullptr};
};
