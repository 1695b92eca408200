// Scripted input (NIVRA_INPUT): timed key presses, close requests and
// screenshots.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_types.h"

namespace platform::video {

struct ScriptAction {
    enum class Kind { Key, Shot, Close };
    DWORD at_ms = 0;  // after the program started
    Kind kind = Kind::Key;
    int virtual_key = 0;
    bool alt = false;
    bool shift = false;  // Shift, Ctrl: held around the key's press
    bool ctrl = false;
    std::string file;  // Shot: where the PNG goes
};

// Lines "<ms> <KEY>", "<ms> ALT+<KEY>" (also SHIFT+, CTRL+, combined), "<ms> SHOT <file.png>" or
// "<ms> CLOSE" (a close request, as from the window's close button); blank lines and lines starting
// with '#' are skipped. Each line that cannot be read is described in `errors` (numbered from
// `first_line`) and left out. The actions come sorted by time, lines of equal time in file order.
std::vector<ScriptAction> ParseInputScript(std::string_view text, std::vector<std::string>* errors,
                                           int first_line = 1);

}  // namespace platform::video
