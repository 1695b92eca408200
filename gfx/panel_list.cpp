#include "gfx/panel_list.h"

#include "gfx/array.h"
#include "gfx/panel.h"
#include "gfx/surface.h"

namespace {

// The panel list: owns its panels and destroys them through their virtual
// destructors; a default element is a new base panel.
using CPanelArray = CArray<CPanel, ObjectElements<CPanel>>;

constexpr int kFocusStackDepth = 16;

struct PanelFramework {
    CPanelArray panels;
    CInteractivePanel* focused = nullptr;
    WORD focus_stack[kFocusStackDepth] = {};
    int focus_depth = 0;
};

PanelFramework& Framework() {
    static PanelFramework framework;
    return framework;
}

}  // namespace

void RegisterPanel(CPanel* panel) {
    Framework().panels.Add(panel);
}

unsigned GetPanelCount() {
    return Framework().panels.GetCount();
}

CPanel* GetPanelAt(unsigned index) {
    CPanelArray& panels = Framework().panels;
    return index < panels.GetCount() ? panels.GetAt(index) : nullptr;
}

int CreateAll() {
    int all_created = 1;
    CPanelArray& panels = Framework().panels;
    for (std::uint32_t i = 0; i < panels.GetCount(); ++i) {
        CPanel* panel = panels.GetAt(i);
        if (panel == nullptr || panel->Create() == 0) {
            all_created = 0;
        }
    }
    return all_created;
}

void DrawAll(CSurface* target) {
    CPanelArray& panels = Framework().panels;
    for (std::uint32_t i = 0; i < panels.GetCount(); ++i) {
        if (CPanel* panel = panels.GetAt(i)) {
            panel->Draw(target);
        }
    }
}

void DrawAllOnto(IDirectDrawSurface* back_buffer) {
    CSurface target;
    target.surface = back_buffer;
    target.ReadSize();
    DrawAll(&target);
}

int Broadcast(int code) {
    int result = 0;
    CPanelArray& panels = Framework().panels;
    for (std::uint32_t i = 0; i < panels.GetCount(); ++i) {
        if (CPanel* panel = panels.GetAt(i)) {
            result = panel->Notify(code);
        }
    }
    return result;
}

void RestoreAll() {
    CPanelArray& panels = Framework().panels;
    for (std::uint32_t i = 0; i < panels.GetCount(); ++i) {
        if (CPanel* panel = panels.GetAt(i)) {
            panel->Restore();
        }
    }
}

void DestroyAll() {
    SetFocus(0);
    Framework().focus_depth = 0;
    Framework().panels.RemoveAll();
}

void SetFocus(int id) {
    PanelFramework& framework = Framework();
    const WORD wanted = static_cast<WORD>(id);
    CInteractivePanel* next = nullptr;
    if (wanted != 0) {
        for (std::uint32_t i = 0; i < framework.panels.GetCount(); ++i) {
            CPanel* panel = framework.panels.GetAt(i);
            if (panel != nullptr && panel->IsInteractive()) {
                auto* interactive = static_cast<CInteractivePanel*>(panel);
                if (interactive->GetId() == wanted) {
                    next = interactive;
                }
            }
        }
        if (next == nullptr) {
            return;
        }
    }
    if (framework.focused != nullptr) {
        framework.focused->Notify(NOTIFY_FOCUS_LOSS);
    }
    framework.focused = next;
    if (next != nullptr) {
        next->Notify(NOTIFY_FOCUS_GAIN);
    }
}

void PushFocus(int id) {
    PanelFramework& framework = Framework();
    if (framework.focused == nullptr || framework.focused->GetId() == static_cast<WORD>(id)) {
        return;
    }
    // A full stack keeps its oldest entries and forgets the push rather than
    // write past its end.
    if (framework.focus_depth < kFocusStackDepth) {
        framework.focus_stack[framework.focus_depth++] = framework.focused->GetId();
    }
    SetFocus(id);
}

void PopFocus() {
    PanelFramework& framework = Framework();
    if (framework.focus_depth == 0) {
        return;
    }
    SetFocus(framework.focus_stack[--framework.focus_depth]);
}

int DispatchInput(InputEvent* event, int to_all) {
    PanelFramework& framework = Framework();
    if (!to_all) {
        return framework.focused != nullptr ? framework.focused->OnInput(event) : 0;
    }
    for (std::uint32_t i = 0; i < framework.panels.GetCount(); ++i) {
        CPanel* panel = framework.panels.GetAt(i);
        if (panel != nullptr && panel->IsInteractive()) {
            static_cast<CInteractivePanel*>(panel)->OnInput(event);
        }
    }
    return -1;
}

CInteractivePanel* GetFocusedPanel() {
    return Framework().focused;
}

int GetFocusedPanelId() {
    CInteractivePanel* focused = Framework().focused;
    return focused != nullptr ? focused->GetId() : 0;
}
