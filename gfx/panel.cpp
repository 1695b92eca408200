#include "gfx/panel.h"

#include "display/frame_thread.h"
#include "gfx/panel_list.h"

CPanel::CPanel() {
    RegisterPanel(this);
}

int CPanel::Create() {
    shown = IsInteractive() ? 0 : 1;
    const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
    return surface.Create(0, &size);
}

void CPanel::Draw(CSurface* target) {
    if (!shown || target == nullptr || target->surface == nullptr || surface.surface == nullptr) {
        return;
    }
    RECT whole{0, 0, surface.width, surface.height};
    target->surface->BltFast(static_cast<DWORD>(rect.left), static_cast<DWORD>(rect.top),
                             surface.surface, &whole, DDBLTFAST_NOCOLORKEY);
}

int CPanel::Notify(int) {
    return 0;
}

int CPanel::IsInteractive() {
    return 0;
}

void CPanel::Show() {
    shown = 1;
}

void CPanel::Hide() {
    shown = 0;
}

void CPanel::Restore() {
    surface.Restore();
}

CSurface* CPanel::GetSurface() {
    return &surface;
}

int CInteractivePanel::Create() {
    const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
    if (!shown_surface.Create(0, &size)) {
        return 0;
    }
    shown_published_.store(shown_surface.surface, std::memory_order_release);
    return CPanel::Create();
}

int CInteractivePanel::Notify(int code) {
    if (code == NOTIFY_FOCUS_GAIN) {
        Show();
        return 1;
    }
    if (code == NOTIFY_FOCUS_LOSS) {
        Hide();
        return 1;
    }
    return 0;
}

int CInteractivePanel::IsInteractive() {
    return 1;
}

void CInteractivePanel::Restore() {
    shown_surface.Restore();
    CPanel::Restore();
}

HRESULT CInteractivePanel::DrawShown(IDirectDrawSurface* target) {
    IDirectDrawSurface* image = GetShownDirectDrawSurface();
    if (!shown || target == nullptr || image == nullptr) {
        return 0;
    }
    RECT whole{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    return target->BltFast(static_cast<DWORD>(rect.left), static_cast<DWORD>(rect.top), image,
                           &whole, DDBLTFAST_NOCOLORKEY);
}

int CInteractivePanel::OnInput(InputEvent*) {
    return 0;
}

CSurface* CInteractivePanel::GetShownSurface() {
    return &shown_surface;
}

void CInteractivePanel::Commit() {
    CCriticalSectionLock hold(lock);
    IDirectDrawSurface* previous = shown_surface.surface;
    shown_surface = surface;
    shown_published_.store(shown_surface.surface, std::memory_order_release);
    if (previous != nullptr) {
        surface.surface = previous;
        surface.bits = nullptr;
        surface.desc_flags = 0;
        surface.caps = 0;
        surface.ReadSize();
    }
    // The caller continues only once the new image is on screen.
    WaitFrame();
}
