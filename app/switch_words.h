// "on" and "off": how the settings file and the command line write a switch.
#pragma once

#include <optional>
#include <string_view>

inline std::optional<bool> ParseSwitch(std::string_view text) {
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    return std::nullopt;
}

inline const char* SwitchWord(bool on) {
    return on ? "on" : "off";
}
