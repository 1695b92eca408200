#include "panels/status_bar_panel.h"

#include <cstring>

#include "display/frame_thread.h"
#include "gfx/draw.h"
#include "gfx/text.h"
#include "platform/codepage.h"

namespace {

CStatusBarPanel* g_status_bar = nullptr;

constexpr LONG kBarWidth_px = 630;
constexpr LONG kBarHeight_px = 18;

}  // namespace

size_t CutAtCharacterBoundary(const char* text, size_t max_bytes) {
    size_t length = 0;
    while (text[length] != '\0') {
        // A lead byte without its trail byte is dropped rather than shown
        // as half a character.
        bool lead = platform::IsCp932LeadByte(static_cast<unsigned char>(text[length]));
        if (lead && text[length + 1] == '\0')
            break;
        size_t step = lead ? 2 : 1;
        if (length + step > max_bytes)
            break;
        length += step;
    }
    return length;
}

CStatusBarPanel::CStatusBarPanel() {
    if (g_status_bar)
        throw 0;
    std::strcpy(message_, kDefaultStatusCaption);
    g_status_bar = this;
}

CStatusBarPanel::~CStatusBarPanel() {
    if (g_status_bar == this)
        g_status_bar = nullptr;
}

int CStatusBarPanel::Create() {
    SetRect(5, 457, 635, 475);
    if (!CPanel::Create())
        return 0;
    SetMessage(nullptr);
    return 1;
}

void CStatusBarPanel::Restore() {
    CPanel::Restore();
    Redraw();
}

void CStatusBarPanel::SetMessage(const char* text) {
    if (!text)
        text = kDefaultStatusCaption;
    size_t length = CutAtCharacterBoundary(text, sizeof message_ - 1);
    std::memmove(message_, text, length);
    message_[length] = '\0';
    Redraw();
}

void CStatusBarPanel::Redraw() {
    IDirectDrawSurface* image = surface.surface;
    if (!image)
        return;
    FillRect(image, 0, 0, kBarWidth_px, kBarHeight_px, 0);
    HalftoneRect(image, 0, 0, kBarWidth_px, kBarHeight_px, 6);
    DrawTextFontA(&surface, 1, 1, "STATUSBAR`", 1, 1);
    DrawTextFontB(&surface, 1, 8, message_, 1, 1);
}

void SetStatusMessage(const char* text) {
    if (!g_status_bar)
        return;
    g_status_bar->SetMessage(text);
    WaitFrame();
}
