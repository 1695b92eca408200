// The title strip: the static background every frame starts from, with the
// logo, the platform and version lines, a rule and three banner lines.
#include <cstdio>

#include "app/main_window.h"
#include "system/sysinfo.h"
#include "gfx/custom_bitmap.h"
#include "gfx/draw.h"
#include "gfx/text.h"
#include "platform/ddraw.h"

namespace {

struct BannerLine {
    int x;
    int y;
    const char* text;
};

constexpr BannerLine kBanner[] = {
    {2, 16, "(C)2026 THE NIVRA DEVELOPERS"},
    {2, 22, "FULL SCREEN KEYBOARD DRIVEN MIDI FILE PLAYER"},
    {2, 28, "BUILT IN C++20 FOR LINUX: OWN 8-BIT SURFACES AND A 1 MS TIMER"},
};

constexpr const char* kPlatformLine =
    "NEXT GENERATION  FOR WINDOWS NT/2000/XP/95/98/98SE/ME WIN32 PLATFORM";
}  // namespace

void CMainWindow::DrawTitle() {
    CSurface* canvas = &canvas_;
    FillRect(canvas->surface, 0, 0, 640, 480, 0);
    for (const BannerLine& line : kBanner) {
        DrawTextFontA(canvas, line.x, line.y, line.text, 1, 1);
    }
    {
        CCustomBitmap logo("IDR_CUSTBMP_TITLE", 1);
        RECT source{0, 0, 60, 14};
        if (canvas->surface != nullptr && logo.GetSurface()->surface != nullptr) {
            canvas->surface->BltFast(2, 0, logo.GetSurface()->surface, &source, DDBLTFAST_WAIT);
        }
        // The temporary image goes with its DirectDraw surface.
        if (logo.GetSurface()->surface != nullptr) {
            logo.GetSurface()->surface->Release();
        }
    }
    char version[96];
    FormatVersionLine(GetSysInfo(), version, sizeof version);
    DrawTextFontA(canvas, 62, 7, version, 1, 0);
    DrawTextFontA(canvas, 62, 1, kPlatformLine, 1, 2);
    DrawLine(canvas->surface, 2, 14, 639, 15, 5);
}
