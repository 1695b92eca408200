#include "platform/user/script_feed.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace platform::video {

ScriptFeed::ScriptFeed(const std::string& path, std::filesystem::path base_folder)
    : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)), base_folder_(std::move(base_folder)) {}

ScriptFeed::~ScriptFeed() {
    if (fd_ >= 0)
        close(fd_);
}

std::vector<ScriptAction> ScriptFeed::TakeNewActions(std::vector<std::string>* errors) {
    if (fd_ < 0)
        return {};
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(fd_, buffer, sizeof buffer)) > 0)
        unfinished_.append(buffer, static_cast<std::size_t>(count));
    const std::size_t end = unfinished_.rfind('\n');
    if (end == std::string::npos)
        return {};
    const std::string whole = unfinished_.substr(0, end + 1);
    unfinished_.erase(0, end + 1);
    std::vector<ScriptAction> actions = ParseInputScript(whole, errors, lines_read_ + 1);
    lines_read_ += static_cast<int>(std::count(whole.begin(), whole.end(), '\n'));
    for (ScriptAction& action : actions)
        if (action.kind == ScriptAction::Kind::Shot)
            action.file = (base_folder_ / action.file).string();
    return actions;
}

}  // namespace platform::video
