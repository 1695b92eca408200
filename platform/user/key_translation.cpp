#include "platform/user/key_translation.h"

#include <SDL.h>

#include <cctype>
#include <string>

#include "platform/user.h"

namespace platform::video {
namespace {

struct NamedKey {
    const char* name;
    int virtual_key;
};

constexpr NamedKey kNamedKeys[] = {
    {"BACK", VK_BACK},
    {"TAB", VK_TAB},
    {"RETURN", VK_RETURN},
    {"SHIFT", VK_SHIFT},
    {"CONTROL", VK_CONTROL},
    {"MENU", VK_MENU},
    {"PAUSE", VK_PAUSE},
    {"ESCAPE", VK_ESCAPE},
    {"SPACE", VK_SPACE},
    {"PRIOR", VK_PRIOR},
    {"NEXT", VK_NEXT},
    {"END", VK_END},
    {"HOME", VK_HOME},
    {"LEFT", VK_LEFT},
    {"UP", VK_UP},
    {"RIGHT", VK_RIGHT},
    {"DOWN", VK_DOWN},
    {"INSERT", VK_INSERT},
    {"DELETE", VK_DELETE},
    {"MULTIPLY", VK_MULTIPLY},
    {"ADD", VK_ADD},
    {"SEPARATOR", VK_SEPARATOR},
    {"SUBTRACT", VK_SUBTRACT},
    {"DECIMAL", VK_DECIMAL},
    {"DIVIDE", VK_DIVIDE},
    {"OEM_PLUS", VK_OEM_PLUS},
    {"OEM_COMMA", VK_OEM_COMMA},
    {"OEM_MINUS", VK_OEM_MINUS},
    {"OEM_PERIOD", VK_OEM_PERIOD},
    // Common spellings a script writer reaches for.
    {"ENTER", VK_RETURN},
    {"ESC", VK_ESCAPE},
    {"BACKSPACE", VK_BACK},
    {"PAGEUP", VK_PRIOR},
    {"PAGEDOWN", VK_NEXT},
};

}  // namespace

int VirtualKeyFromSdl(int sdl_keycode) {
    if (sdl_keycode >= SDLK_a && sdl_keycode <= SDLK_z)
        return 'A' + (sdl_keycode - SDLK_a);
    if (sdl_keycode >= SDLK_0 && sdl_keycode <= SDLK_9)
        return '0' + (sdl_keycode - SDLK_0);
    if (sdl_keycode >= SDLK_F1 && sdl_keycode <= SDLK_F12)
        return VK_F1 + (sdl_keycode - SDLK_F1);
    if (sdl_keycode >= SDLK_KP_1 && sdl_keycode <= SDLK_KP_9)
        return VK_NUMPAD1 + (sdl_keycode - SDLK_KP_1);
    switch (sdl_keycode) {
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY:
            return VK_MULTIPLY;
        case SDLK_KP_PLUS:
            return VK_ADD;
        case SDLK_KP_MINUS:
            return VK_SUBTRACT;
        case SDLK_KP_PERIOD:
            return VK_DECIMAL;
        case SDLK_KP_DIVIDE:
            return VK_DIVIDE;
        case SDLK_KP_ENTER:
            return VK_RETURN;
        // The main row's punctuation, by the key's US position.
        case SDLK_EQUALS:
        case SDLK_PLUS:
            return VK_OEM_PLUS;
        case SDLK_COMMA:
        case SDLK_LESS:
            return VK_OEM_COMMA;
        case SDLK_MINUS:
            return VK_OEM_MINUS;
        case SDLK_PERIOD:
        case SDLK_GREATER:
            return VK_OEM_PERIOD;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_RETURN:
            return VK_RETURN;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_END:
            return VK_END;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_PAUSE:
            return VK_PAUSE;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        default:
            return 0;
    }
}

bool IsExtendedKey(int virtual_key) {
    switch (virtual_key) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_INSERT:
        case VK_DELETE:
        case VK_DIVIDE:
            return true;
        default:
            return false;
    }
}

UINT KeyMessage(bool up, bool alt) {
    if (alt)
        return up ? WM_SYSKEYUP : WM_SYSKEYDOWN;
    return up ? WM_KEYUP : WM_KEYDOWN;
}

LPARAM KeyLParam(int virtual_key, bool up, bool alt, bool repeat) {
    DWORD bits = 1;
    if (IsExtendedKey(virtual_key))
        bits |= KF_EXTENDED_BIT;
    if (alt)
        bits |= KF_ALTDOWN_BIT;
    if (repeat || up)
        bits |= KF_REPEAT_BIT;
    if (up)
        bits |= KF_UP_BIT;
    return static_cast<LPARAM>(bits);
}

int VirtualKeyFromName(std::string_view name) {
    std::string upper;
    for (char c : name)
        upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (upper.size() == 1 && (std::isupper(static_cast<unsigned char>(upper[0])) ||
                              std::isdigit(static_cast<unsigned char>(upper[0]))))
        return upper[0];
    if (upper.size() == 7 && upper.starts_with("NUMPAD") &&
        std::isdigit(static_cast<unsigned char>(upper[6])))
        return VK_NUMPAD0 + (upper[6] - '0');
    if (upper.size() >= 2 && upper[0] == 'F') {
        const std::string digits = upper.substr(1);
        if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() <= 2) {
            const int number = std::stoi(digits);
            if (number >= 1 && number <= 12)
                return VK_F1 + number - 1;
        }
    }
    for (const NamedKey& key : kNamedKeys)
        if (upper == key.name)
            return key.virtual_key;
    return 0;
}

}  // namespace platform::video
