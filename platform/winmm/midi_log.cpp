#include "platform/winmm/midi_log.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/winmm/multimedia_clock.h"
#include "platform/report.h"

namespace platform::winmm {
namespace {
std::mutex log_lock;

// The log is opened when a device first needs it, by when the program may
// have moved to a song's folder: a relative name is taken from the folder
// the program started in, resolved here during static initialisation.
const std::string g_log_path = [] {
    const char* path = std::getenv("NIVRA_MIDI_LOG");
    if (path == nullptr || *path == '\0')
        return std::string();
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    return failed ? std::string(path) : absolute.string();
}();

}  // namespace

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

MidiLog::MidiLog() {
    if (g_log_path.empty())
        return;
    file_ = std::fopen(g_log_path.c_str(), "w");
    if (file_ == nullptr)
        Report("MIDI:log", "cannot write %s", g_log_path.c_str());
}

// Never destroyed, so that devices closed at exit can still write their line.
MidiLog& MidiLog::Instance() {
    static MidiLog* log = new MidiLog;
    return *log;
}

void MidiLog::Write(const std::string& text) {
    if (file_ == nullptr)
        return;
    std::lock_guard<std::mutex> guard(log_lock);
    std::fprintf(file_, "%llu %s\n", static_cast<unsigned long long>(MicrosSinceStart()),
                 text.c_str());
    std::fflush(file_);
}

}  // namespace platform::winmm
