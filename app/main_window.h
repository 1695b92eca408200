// The full-screen main window: owns the flipping primary surface and the
// background canvas, handles the program-wide keys and palette switching,
// hides and shows the program on application switches, and passes all other
// input to the focused panel.
#pragma once

#include "app/window.h"
#include "gfx/surface.h"

class CMainWindow : public CWindow {
public:
    CMainWindow() = default;
    ~CMainWindow() override;

    // Registers "NIVRAWND" and creates the 640x480 top-most pop-up; throws
    // ErrorCode 30 on failure. Hides the cursor, detaches the input method.
    void Create();

    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    LRESULT OnKeyDown(WPARAM wparam, LPARAM lparam) override;
    LRESULT OnActivateApp(WPARAM active) override;

    // Brightness ramp over 21 frames, 0 to 100 (in) or 100 to 0 (out);
    // `each_frame`, when given, runs once a frame meanwhile.
    void Fade(bool out, void (*each_frame)() = nullptr);
    // Fades out, stops the frame thread and clears the visible screen.
    void FadeOutAndClear();
    // Builds the flip chain, palette, canvas, fonts and title; attaches them
    // to the frame thread and leaves the screen black. Throws ErrorCode.
    void CreateSurfaces();
    // Draws the title strip into the canvas (defined with the title screen).
    void DrawTitle();

    CSurface& GetPrimary() { return primary_; }
    CSurface& GetCanvas() { return canvas_; }

    // The application-active flag shared by every main window.
    static bool IsApplicationActive();

private:
    CSurface primary_;
    CSurface canvas_;
};
