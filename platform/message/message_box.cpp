// The message box: always on standard error (UTF-8), and as a dialog where
// a display exists.
#include "platform/codepage.h"
#include "platform/message.h"
#include "platform/report.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool DisplayExists() {
    const char* video = std::getenv("NIVRA_VIDEO");
    if (video != nullptr && std::strcmp(video, "headless") == 0)
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

Uint32 DialogFlags(UINT type) {
    switch (type & 0xF0u) {
        case MB_ICONERROR:
            return SDL_MESSAGEBOX_ERROR;
        case MB_ICONWARNING:
            return SDL_MESSAGEBOX_WARNING;
        default:
            return SDL_MESSAGEBOX_INFORMATION;
    }
}

}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    std::string utf8_caption = platform::Cp932ToUtf8(caption != nullptr ? caption : "");
    std::string utf8_text = platform::Cp932ToUtf8(text != nullptr ? text : "");
    platform::Report(nullptr, "%s\n%s", utf8_caption.c_str(), utf8_text.c_str());
    if (DisplayExists())
        SDL_ShowSimpleMessageBox(DialogFlags(type), utf8_caption.c_str(), utf8_text.c_str(),
                                 nullptr);
    return IDOK;
}
