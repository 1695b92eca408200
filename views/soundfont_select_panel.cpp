#include "views/soundfont_select_panel.h"

#include <algorithm>

#include "gfx/draw.h"
#include "gfx/panel_list.h"
#include "gfx/text.h"
#include "platform/synth_config.h"
#include "platform/user.h"
#include "views/soundfont_list.h"

namespace {

constexpr int kSoundFontListWidth = CSoundFontSelectPanel::kRight - CSoundFontSelectPanel::kLeft;
constexpr int kSoundFontListHeight = CSoundFontSelectPanel::kBottom - CSoundFontSelectPanel::kTop;

// The window placed on the top of the stack, else on the first entry.
DeviceWindow PlaceOnStackTop(const std::vector<std::string>& entries,
                             const platform::SynthConfig& config) {
    int32_t top_entry = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (StackPosition(config, entries[i]) == 1)
            top_entry = static_cast<int32_t>(i);
    DeviceWindow window;
    const auto count = static_cast<int32_t>(entries.size());
    for (int32_t i = 0; i < top_entry; ++i)
        MoveDeviceCursorDown(window, count);
    return window;
}

}  // namespace

CSoundFontSelectPanel::CSoundFontSelectPanel() = default;
CSoundFontSelectPanel::~CSoundFontSelectPanel() = default;

int CSoundFontSelectPanel::Create() {
    SetRect(kLeft, kTop, kRight, kBottom);
    if (!CInteractivePanel::Create())
        return 0;
    Redraw();
    return 1;
}

void CSoundFontSelectPanel::Redraw() {
    DrawConfigListFrame(surface, kSoundFontListWidth, kSoundFontListHeight,
                        "CONFIG - SOUNDFONT SELECT`");
    DrawTextFontB(&surface, 7, 10, "ENTER PUTS A SOUNDFONT ON TOP OF THE STACK OR TAKES IT OFF`", 1,
                  0);
    DrawTextFontA(&surface, 11, 19, "STACK  SOUNDFONT", 1, 1);
    const platform::SynthConfig config = platform::GetSynthConfig();
    const auto count = static_cast<int32_t>(entries_.size());
    const int lines = std::min(kDeviceWindowLines, count - window_.top);
    for (int i = 0; i < lines; ++i) {
        const std::string& path = entries_[window_.top + i];
        const std::string line = FormatSoundFontEntry(path, StackPosition(config, path));
        DrawTextFontB(&surface, 10, 26 + 9 * i, line.c_str(), 1, i == window_.cursor ? 0 : 1);
    }
    Commit();
}

void CSoundFontSelectPanel::Draw(CSurface* target) {
    if (target != nullptr)
        DrawShown(target->surface);
}

int CSoundFontSelectPanel::Notify(int code) {
    const int result = CInteractivePanel::Notify(code);
    if (code == NOTIFY_FOCUS_GAIN) {
        // Read again each time: SoundFonts may have been added meanwhile.
        const platform::SynthConfig config = platform::GetSynthConfig();
        entries_ = SoundFontListEntries(config);
        window_ = PlaceOnStackTop(entries_, config);
        Redraw();
    } else if (code == NOTIFY_SOUND_CHANGED && GetFocusedPanelId() == PANEL_ID_SOUNDFONT_SELECT) {
        Redraw();
    }
    return result;
}

int CSoundFontSelectPanel::OnInput(InputEvent* event) {
    if (event == nullptr || event->message != WM_KEYDOWN)
        return 0;
    switch (event->wParam) {
        case VK_UP:
            MoveDeviceCursorUp(window_);
            Redraw();
            return 1;
        case VK_DOWN:
            MoveDeviceCursorDown(window_, static_cast<int32_t>(entries_.size()));
            Redraw();
            return 1;
        case VK_RETURN: {
            if (entries_.empty())
                return 1;
            platform::SynthConfig config = platform::GetSynthConfig();
            config.soundfonts = ToggledStack(ChosenStack(config), entries_[window_.Entry()]);
            platform::SetSynthConfig(config);
            Redraw();
            return 1;
        }
        case VK_F10:
            PopFocus();
            return 0;
        default:
            return 0;
    }
}

void CSoundFontSelectPanel::Restore() {
    CInteractivePanel::Restore();
    Redraw();
}
