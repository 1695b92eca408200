#include "app/device_option.h"

#include <cstdlib>
#include <strings.h>

#include "midi/midi_out.h"
#include "views/device_window.h"

namespace {

int EntryCount() {
    return static_cast<int>(midiOutGetNumDevs()) + 1;
}

std::string NameOfEntry(const CMidiOut& names, int entry) {
    char name[MAXPNAMELEN] = {};
    if (entry > 0)
        names.GetDeviceName(DeviceIdOfEntry(entry), name);
    return name;
}

}  // namespace

std::vector<std::string> DeviceListLines() {
    const CMidiOut names;  // opens nothing; only asks for product names
    std::vector<std::string> lines;
    char line[MAXPNAMELEN + 8];
    for (int entry = 0, count = EntryCount(); entry < count; ++entry) {
        FormatDeviceEntry(entry, NameOfEntry(names, entry).c_str(), line, sizeof line);
        lines.emplace_back(line);
    }
    return lines;
}

std::optional<unsigned> ResolveDeviceOption(const std::string& written) {
    const int count = EntryCount();
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
    const CMidiOut names;
    for (int candidate = 1; candidate < count; ++candidate)
        if (strcasecmp(NameOfEntry(names, candidate).c_str(), written.c_str()) == 0)
            return DeviceIdOfEntry(candidate);
    return std::nullopt;
}
