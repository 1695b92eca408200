// The NIVRA_INPUT file as it grows: lines appended while the program runs
// join the script, so a test can wait for what it needs (a MIDI-log line)
// before it writes the next keys. Only whole lines are taken; a line still
// being written waits for its newline.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/user/input_script.h"

namespace platform::video {

class ScriptFeed {
public:
    // Opens `path`; a relative SHOT file is taken from `base_folder`.
    ScriptFeed(const std::string& path, std::filesystem::path base_folder);
    ~ScriptFeed();
    ScriptFeed(const ScriptFeed&) = delete;
    ScriptFeed& operator=(const ScriptFeed&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // The actions of the whole lines written since the last call, in file
    // order; lines that cannot be read are described in `errors`.
    std::vector<ScriptAction> TakeNewActions(std::vector<std::string>* errors);

private:
    int fd_ = -1;
    std::filesystem::path base_folder_;
    std::string unfinished_;  // bytes after the last newline read so far
    int lines_read_ = 0;
};

}  // namespace platform::video
