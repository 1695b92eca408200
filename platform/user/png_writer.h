// Screenshots: the visible frame as an indexed-colour PNG carrying the
// palette the display last received.
#pragma once

#include <string>

#include "platform/ddraw.h"

namespace platform::video {

// False (and no file left behind) when the frame is empty or the file
// cannot be written.
bool WriteIndexedPng(const std::string& path, const VisibleFrame& frame);

}  // namespace platform::video
