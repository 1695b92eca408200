// The MIDI-out devices as the F2 list names them, for the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Every line of the F2 list, the mapper first: "---- MIDI MAPPER(DEFAULT)",
// then "0001 <name>" and on.
std::vector<std::string> DeviceListLines();

// The device id `written` names: the list's first column ("----" for the
// mapper, or an entry number in hex such as "0001" or "1"), or a device's
// name as listed; nothing when no device answers to it.
std::optional<unsigned> ResolveDeviceOption(const std::string& written);
