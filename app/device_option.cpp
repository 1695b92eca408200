#include "app/device_option.h"

#include <cstdlib>
#include <strings.h>

#include "platform/winmm.h"
#include "views/device_window.h"

std::vector<std::string> DeviceListLines() {
    std::vector<std::string> lines;
    char line[MAXPNAMELEN + 8];
    for (int entry = 0, count = DeviceEntryCount(); entry < count; ++entry) {
        FormatDeviceEntry(entry, DeviceEntryName(entry).c_str(), line, sizeof line);
        lines.emplace_back(line);
    }
    return lines;
}

std::optional<unsigned> ResolveDeviceOption(const std::string& written) {
    const int count = DeviceEntryCount();
    if (written == "----")
        return DeviceIdOfEntry(0);
    char* end = nullptr;
    const unsigned long entry = std::strtoul(written.c_str(), &end, 16);
    const bool hex_number =
        !written.empty() && *end == '\0' && written.find_first_of("+- ") == std::string::npos;
    if (hex_number)
        return entry < static_cast<unsigned long>(count)
                   ? std::optional<unsigned>(DeviceIdOfEntry(static_cast<int>(entry)))
                   : std::nullopt;
    for (int candidate = 1; candidate < count; ++candidate)
        if (strcasecmp(DeviceEntryName(candidate).c_str(), written.c_str()) == 0)
            return DeviceIdOfEntry(candidate);
    return std::nullopt;
}
